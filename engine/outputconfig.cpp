/*
 * Output settings: the record and its lock, the output keys of a profile (in
 * the settings text format), and output naming: the template with its
 * keywords expanded, the folder, the format's extension and tidy separators.
 *
 *   outputconfig_create, outputconfig_destroy, outputconfig_lock,
 *   outputconfig_unlock, outputconfig_copy, outputconfig_save,
 *   outputconfig_load, outputconfig_get_write_name, outputconfig_get_write_names,
 *   outputconfig_expand_counter,
 *   outputconfig_expand_datetime
 */
#include "outputconfig.h"

#include "base/sn_log.h"
#include "base/sn_setting.h"
#include "base/sn_thread.h"
#include "image/sn_image.h"

#include <ctype.h>
#include <errno.h>
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>

namespace
{

/* The expanded stem may be longer than any path; it is checked against the
 * path limit once the whole path is known. */
const size_t k_stem_size = 4096;
const size_t k_part_size = 32;
/* A counter is a 64-bit number: 20 characters at most, so a wider padding
 * only adds zeros; beyond this it could never fit in a path anyway. */
const int k_counter_digits_max = 1023;

/* A bounded text: appends stop at the capacity and remember that they did. */
struct Text {
    char *buf;
    size_t cap; /* bytes, NUL included */
    size_t len;
    bool overflow;

    Text(char *b, size_t c) : buf(b), cap(c), len(0), overflow(false)
    {
        buf[0] = '\0';
    }
    void append(const char *s, size_t n)
    {
        if (n > cap - 1 - len) {
            n = cap - 1 - len;
            overflow = true;
        }
        memcpy(buf + len, s, n);
        len += n;
        buf[len] = '\0';
    }
    void append(const char *s)
    {
        append(s, strlen(s));
    }
};

/* Reads one "%d" the way sscanf does (blanks skipped, optional sign), but
 * clamps out-of-range numbers instead of leaving them undefined. */
bool read_int(const char **s, int *out)
{
    const char *p = *s;
    while (isspace((unsigned char)*p))
        p++;
    char *end = nullptr;
    errno = 0;
    long long v = strtoll(p, &end, 10);
    if (end == p)
        return false;
    if (v > INT_MAX)
        v = INT_MAX;
    if (v < INT_MIN)
        v = INT_MIN;
    *out = (int)v;
    *s = end;
    return true;
}

/* "<Counter start:step:digits>": the numbers start at the eighth character
 * after the '<', past "Counter" and one separator. */
void expand_counter(const char *keyword, int index, Text *stem)
{
    if (strnlen(keyword, 8) < 8)
        return;
    const char *p = keyword + 8;
    int start = 0, step = 0, digits = 0;
    if (!read_int(&p, &start) || *p++ != ':' || !read_int(&p, &step) || *p++ != ':' ||
        !read_int(&p, &digits))
        return;
    if (digits < 1)
        digits = 1;
    if (digits > k_counter_digits_max)
        digits = k_counter_digits_max;
    long long value = (long long)index * step + start;
    char number[k_counter_digits_max + 32];
    snprintf(number, sizeof number, "%0*lld", digits, value);
    stem->append(number);
}

/* The formats come from the fixed tables below, never from the template. */
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void append_time(const char *format, const struct tm *local, Text *stem)
{
    char part[k_part_size];
    if (strftime(part, sizeof part, format, local) > 0)
        stem->append(part);
}
#pragma GCC diagnostic pop

struct DatePattern {
    const char *pattern;
    const char *format;
};

/* Longer patterns first: "MMM-DD-YY" is inside "MMM-DD-YYYY". */
const DatePattern k_dates[] = {
    {"MMM-DD-YYYY", "%b-%d-%Y"}, {"MMM-DD-YY", "%b-%d-%y"},   {"DD-MMM-YYYY", "%d-%b-%Y"},
    {"DD-MMM-YY", "%d-%b-%y"},   {"YYYY-MMM-DD", "%Y-%b-%d"}, {"YY-MMM-DD", "%y-%b-%d"},
    {"MM-DD-YYYY", "%m-%d-%Y"},  {"MM-DD-YY", "%m-%d-%y"},    {"DD-MM-YYYY", "%d-%m-%Y"},
    {"DD-MM-YY", "%d-%m-%y"},    {"YYYY-MM-DD", "%Y-%m-%d"},  {"YY-MM-DD", "%y-%m-%d"},
};

/* The date and time words are looked for from the keyword's '<' to the end
 * of the template. */
void expand_datetime(const char *keyword, const char *source_path, Text *stem)
{
    time_t moment = time(nullptr);
    if (strstr(keyword, "Photo")) {
        struct stat st;
        if (stat(source_path, &st) == 0)
            moment = st.st_mtime;
    }
    struct tm local;
    if (!localtime_r(&moment, &local))
        return;

    for (const DatePattern &d : k_dates) {
        if (strstr(keyword, d.pattern)) {
            append_time(d.format, &local, stem);
            break;
        }
    }
    const char *format = nullptr;
    bool h24 = strstr(keyword, "24") != nullptr;
    if (strstr(keyword, "HH-MM-SS"))
        format = h24 ? " %H-%M-%S" : " %I-%M-%S %p";
    else if (strstr(keyword, "HH-MM"))
        format = h24 ? " %H-%M" : " %I-%M %p";
    if (format)
        append_time(format, &local, stem);
}

struct SourceParts {
    const char *name;   /* after the last '/' */
    size_t base_len;    /* name up to its last '.' */
    const char *ext;    /* from that '.' on, or "" */
    const char *folder; /* the text before the last '/', not terminated */
    size_t folder_len;
    const char *folder_name; /* after the folder's last '/', or "" */
    size_t folder_name_len;
};

void split_source(const char *source, SourceParts *s)
{
    const char *slash = strrchr(source, '/');
    s->name = slash ? slash + 1 : source;
    const char *dot = strrchr(s->name, '.');
    s->base_len = dot ? (size_t)(dot - s->name) : strlen(s->name);
    s->ext = dot ? dot : "";
    s->folder = source;
    s->folder_len = slash ? (size_t)(slash - source) : 0;
    /* A source directly under the root lives in "/", not in "". */
    if (slash == source) {
        s->folder = "/";
        s->folder_len = 1;
    }
    const char *last = (const char *)memrchr(s->folder, '/', s->folder_len);
    s->folder_name = last ? last + 1 : "";
    s->folder_name_len = last ? (size_t)(s->folder + s->folder_len - last - 1) : 0;
}

void expand_keyword(const char *keyword, const SourceParts &src, const char *source_path, int index,
                    Text *stem)
{
    const char *name = keyword + 1;
    if (strncasecmp(name, "Filename", 8) == 0)
        stem->append(src.name, src.base_len);
    else if (strncasecmp(name, "Foldername", 10) == 0)
        stem->append(src.folder_name, src.folder_name_len);
    else if (strncasecmp(name, "Extension", 9) == 0)
        stem->append(src.ext);
    else if (strncasecmp(name, "Counter", 7) == 0)
        expand_counter(keyword, index, stem);
    else if (strncasecmp(name, "Datetime", 8) == 0)
        expand_datetime(keyword, source_path, stem);
}

void expand_template(const char *tmpl, const SourceParts &src, const char *source_path, int index,
                     Text *stem)
{
    const char *lt = strchr(tmpl, '<');
    if (!lt) {
        stem->append(tmpl);
        return;
    }
    stem->append(tmpl, (size_t)(lt - tmpl));
    while (lt) {
        expand_keyword(lt, src, source_path, index, stem);
        const char *gt = strchr(lt, '>');
        if (!gt)
            break;
        const char *next = strchr(gt + 1, '<');
        stem->append(gt + 1, next ? (size_t)(next - gt - 1) : strlen(gt + 1));
        lt = next;
    }
}

/* Runs of '/' become one; a final '/' goes unless it is the whole path; a
 * path left ending in ':' keeps its '/' (C:/). */
void tidy_separators(char *path)
{
    char *w = path;
    for (const char *r = path; *r; r++) {
        if (*r == '/' && w > path && w[-1] == '/')
            continue;
        *w++ = *r;
    }
    *w = '\0';
    size_t len = (size_t)(w - path);
    if (len > 1 && path[len - 1] == '/') {
        path[--len] = '\0';
        if (path[len - 1] == ':') {
            path[len++] = '/';
            path[len] = '\0';
        }
    }
}

/* Runs of '/' become one. */
void tidy_runs(char *path)
{
    char *w = path;
    for (const char *r = path; *r; r++) {
        if (*r == '/' && w > path && w[-1] == '/')
            continue;
        *w++ = *r;
    }
    *w = '\0';
}

/* A name below the folder (runs of '/' tidied, no leading '/') that would
 * leave it or name no file: a "." or ".." component, or an empty last one. */
bool leaves_folder(const char *relative)
{
    const char *p = relative;
    for (;;) {
        const char *slash = strchr(p, '/');
        size_t len = slash ? (size_t)(slash - p) : strlen(p);
        if (len == 0 || (len == 1 && p[0] == '.') || (len == 2 && p[0] == '.' && p[1] == '.'))
            return true;
        if (!slash)
            return false;
        p = slash + 1;
    }
}

/* A stem with sub-folders must be made of names in each part, its last one
 * too: "x/.." is refused even where a suffix would follow it. A stem of one
 * part is judged as the file name it makes. */
bool stem_leaves_folder(const char *stem)
{
    char *copy = strdup(stem);
    if (!copy)
        return true;
    tidy_runs(copy);
    const char *inside = copy[0] == '/' ? copy + 1 : copy;
    bool leaves = strchr(inside, '/') && leaves_folder(inside);
    free(copy);
    return leaves;
}

/* A key that is absent or of another type leaves the reset value. */
void get_bool(const sn_setting_t *store, const char *key, int *value)
{
    int v;
    if (sn_setting_get_bool(store, NULL, key, &v) == 0)
        *value = v;
}

void get_int(const sn_setting_t *store, const char *key, int *value)
{
    int v;
    if (sn_setting_get_int(store, NULL, key, &v) == 0)
        *value = v;
}

} // namespace

outputconfig_t *outputconfig_create(void)
{
    outputconfig_t *config = (outputconfig_t *)calloc(1, sizeof(outputconfig_t));
    if (!config) {
        sn_log(4, NULL, "outputconfig_create", __LINE__, "malloc FAILED! size:%d\n",
               (int)sizeof(outputconfig_t));
        return nullptr;
    }
    config->mutex = sn_thread_mutex_create();
    if (!config->mutex) {
        free(config);
        return nullptr;
    }
    return config;
}

void outputconfig_destroy(outputconfig_t *config)
{
    if (!config)
        return;
    sn_thread_mutex_destroy(config->mutex);
    free(config);
}

void outputconfig_lock(outputconfig_t *config)
{
    if (config)
        sn_thread_mutex_lock(config->mutex);
}

void outputconfig_unlock(outputconfig_t *config)
{
    if (config)
        sn_thread_mutex_unlock(config->mutex);
}

int outputconfig_copy(outputconfig_t *config, outputconfig_t *copy)
{
    if (!config || !copy) {
        sn_log(4, NULL, "outputconfig_copy", __LINE__, "config or copy is null FAILED!\n");
        return -1;
    }
    outputconfig_lock(config);
    *copy = *config;
    outputconfig_unlock(config);
    copy->mutex = nullptr;
    return 0;
}

int outputconfig_save(outputconfig_t *config, const char *path)
{
    if (!config || !path) {
        sn_log(4, NULL, "outputconfig_save", __LINE__, "config or path is null FAILED!\n");
        return -1;
    }
    outputconfig_t c;
    outputconfig_copy(config, &c);
    c.output_folder[OUTPUTCONFIG_TEXT_SIZE - 1] = '\0';
    c.filename_template[OUTPUTCONFIG_TEXT_SIZE - 1] = '\0';
    sn_setting_t *store = sn_setting_create();
    if (!store) {
        sn_log(4, NULL, "outputconfig_save", __LINE__, "sn_setting_create FAILED!\n");
        return -1;
    }
    int failed = 0;
    failed |= sn_setting_set_string(store, NULL, "output_folder", c.output_folder);
    failed |= sn_setting_set_bool(store, NULL, "output_use_source_folder", c.use_source_folder);
    failed |= sn_setting_set_string(store, NULL, "output_filename_template", c.filename_template);
    failed |= sn_setting_set_string(store, NULL, "output_format", sn_image_format_name(c.format));
    failed |= sn_setting_set_int(store, NULL, "output_quality_factor", c.quality);
    failed |= sn_setting_set_int(store, NULL, "output_transparent", c.transparent);
    failed |= sn_setting_set_bool(store, NULL, "output_keep_source_format", c.keep_source_format);
    failed |= sn_setting_set_bool(store, NULL, "output_keep_attribute", c.keep_attribute);
    failed |= sn_setting_set_bool(store, NULL, "output_delete_source", c.delete_source);
    if (!failed && sn_setting_save(store, path) != 0)
        failed = 1;
    sn_setting_destroy(store);
    if (failed) {
        sn_log(4, NULL, "outputconfig_save", __LINE__, "save FAILED! %s\n", path);
        return -1;
    }
    return 0;
}

int outputconfig_load(outputconfig_t *config, const char *path)
{
    if (!config || !path) {
        sn_log(4, NULL, "outputconfig_load", __LINE__, "config or path is null FAILED!\n");
        return -1;
    }
    sn_setting_t *store = sn_setting_create();
    if (!store) {
        sn_log(4, NULL, "outputconfig_load", __LINE__, "sn_setting_create FAILED!\n");
        return -1;
    }
    if (sn_setting_load(store, path) != 0) {
        sn_log(4, NULL, "outputconfig_load", __LINE__, "load FAILED! %s\n", path);
        sn_setting_destroy(store);
        return -1;
    }

    /* Everything is read first and stored in one step under the lock. */
    const char *folder = sn_setting_get_string(store, NULL, "output_folder");
    const char *tmpl = sn_setting_get_string(store, NULL, "output_filename_template");
    int use_source_folder = 0, quality = 98, transparent = 0;
    int keep_source_format = 0, keep_attribute = 0, delete_source = 0;
    get_bool(store, "output_use_source_folder", &use_source_folder);
    get_int(store, "output_quality_factor", &quality);
    get_int(store, "output_transparent", &transparent);
    get_bool(store, "output_keep_source_format", &keep_source_format);
    get_bool(store, "output_keep_attribute", &keep_attribute);
    get_bool(store, "output_delete_source", &delete_source);
    /* Only the five output formats count; anything else is JPEG. */
    int format = sn_image_format_from_name(sn_setting_get_string(store, NULL, "output_format"));
    if (format < SN_IMAGE_FORMAT_BMP || format > SN_IMAGE_FORMAT_TIFF)
        format = SN_IMAGE_FORMAT_JPEG;

    outputconfig_lock(config);
    if (folder)
        snprintf(config->output_folder, sizeof config->output_folder, "%s", folder);
    if (tmpl)
        snprintf(config->filename_template, sizeof config->filename_template, "%s", tmpl);
    config->use_source_folder = use_source_folder;
    config->format = format;
    config->quality = quality;
    config->transparent = transparent;
    config->keep_source_format = keep_source_format;
    config->keep_attribute = keep_attribute;
    config->delete_source = delete_source;
    outputconfig_unlock(config);

    sn_setting_destroy(store);
    return 0;
}

const char *outputconfig_get_write_name(outputconfig_t *config, const char *source_path, int index,
                                        char *name, size_t name_size)
{
    return outputconfig_get_write_names(config, source_path, index, name, name_size, nullptr, 0);
}

const char *outputconfig_get_write_names(outputconfig_t *config, const char *source_path, int index,
                                         char *name, size_t name_size, char *relative,
                                         size_t relative_size)
{
    if (!config || !source_path || !name || name_size == 0) {
        sn_log(4, NULL, "outputconfig_get_write_name", __LINE__,
               "config, source or name buffer is null FAILED!\n");
        return nullptr;
    }
    name[0] = '\0';
    if (relative && relative_size > 0)
        relative[0] = '\0';
    /* Work from a copy so that the interface can edit the record meanwhile. */
    outputconfig_t settings;
    outputconfig_copy(config, &settings);
    settings.output_folder[OUTPUTCONFIG_TEXT_SIZE - 1] = '\0';
    settings.filename_template[OUTPUTCONFIG_TEXT_SIZE - 1] = '\0';

    SourceParts src;
    split_source(source_path, &src);
    char *stem_buf = (char *)malloc(k_stem_size);
    size_t path_cap = OUTPUTCONFIG_TEXT_SIZE + 1 + k_stem_size + k_part_size;
    char *rel_buf = (char *)malloc(path_cap);
    char *path_buf = (char *)malloc(path_cap);
    const char *result = nullptr;
    if (!stem_buf || !path_buf || !rel_buf) {
        sn_log(4, NULL, "outputconfig_get_write_name", __LINE__, "malloc FAILED! size:%d\n",
               (int)path_cap);
        goto done;
    }

    {
        const char *folder = settings.use_source_folder ? src.folder : settings.output_folder;
        size_t folder_len =
            settings.use_source_folder ? src.folder_len : strlen(settings.output_folder);
        int format =
            settings.keep_source_format ? sn_image_guess_format(source_path) : settings.format;
        const char *suffix = sn_image_format_ext(format);

        Text stem(stem_buf, k_stem_size);
        if (settings.filename_template[0] == '\0')
            stem.append(src.name, src.base_len);
        else
            expand_template(settings.filename_template, src, source_path, index, &stem);
        if (stem.len == 0) {
            char numbered[32];
            snprintf(numbered, sizeof numbered, "(%d)", index);
            stem.append(numbered);
        }

        /* The part below the output folder: the template may name
         * sub-folders, but the tidied name must stay inside the folder. */
        Text rel(rel_buf, path_cap);
        rel.append(stem.buf, stem.len);
        rel.append(suffix);
        tidy_runs(rel_buf);
        const char *inside = rel_buf[0] == '/' ? rel_buf + 1 : rel_buf;

        Text path(path_buf, path_cap);
        if (folder_len > 0) {
            path.append(folder, folder_len);
            path.append("/");
        }
        path.append(inside);
        tidy_separators(path_buf);
        size_t len = strlen(path_buf);
        if (stem.overflow || path.overflow || rel.overflow || len >= OUTPUTCONFIG_TEXT_SIZE ||
            len >= name_size) {
            sn_log(4, NULL, "outputconfig_get_write_name", __LINE__,
                   "output name too long FAILED! ori:%s\n", source_path);
            goto done;
        }
        if (leaves_folder(inside) || stem_leaves_folder(stem.buf)) {
            /* The refused name is still the one to show. */
            memcpy(name, path_buf, len + 1);
            sn_log(4, NULL, "outputconfig_get_write_name", __LINE__,
                   "output name has folder parts FAILED! ori:%s, name:%s\n", source_path, stem.buf);
            goto done;
        }
        size_t rel_len = strlen(inside);
        if (relative && rel_len >= relative_size) {
            sn_log(4, NULL, "outputconfig_get_write_name", __LINE__,
                   "output name too long FAILED! ori:%s\n", source_path);
            goto done;
        }
        memcpy(name, path_buf, len + 1);
        if (relative)
            memcpy(relative, inside, rel_len + 1);
        result = name;
        sn_log(2, NULL, "outputconfig_get_write_name", __LINE__, "ori:%s, write:%s\n", source_path,
               name);
    }

done:
    free(stem_buf);
    free(rel_buf);
    free(path_buf);
    return result;
}

size_t outputconfig_expand_counter(const char *keyword, int index, char *out, size_t size)
{
    if (!keyword || !out || size == 0)
        return 0;
    Text text(out, size);
    expand_counter(keyword, index, &text);
    return text.len;
}

size_t outputconfig_expand_datetime(const char *keyword, const char *source_path, char *out,
                                    size_t size)
{
    if (!keyword || !source_path || !out || size == 0)
        return 0;
    Text text(out, size);
    expand_datetime(keyword, source_path, &text);
    return text.len;
}
