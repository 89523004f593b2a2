/*
 * The settings store and its text file: sessions and typed entries, the
 * accessors, the line reader (get_line, parse_line) and the merging writer.
 *
 * Quoted values. A backslash run inside a quoted value means itself, except
 * right before a quote of the value's own kind: there 2n backslashes stand for
 * n backslashes and the quote closes the value, 2n + 1 stand for n backslashes
 * and a literal quote. The writer doubles exactly those runs, so every string
 * reads back unchanged, and the line reader honours the same rule, so such a
 * value never leaves a quote open. Files written without escapes read as
 * before unless a value holds a backslash right before a quote of its kind.
 */
#include "base/sn_setting.h"
#include "base/sn_log.h"
#include "base/sn_number.h"

#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <locale.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#define SLOT_COUNT (SN_SETTING_MAX_SESSIONS + 1)

typedef struct sn_setting_node {
    char *key;
    int type;
    union {
        int i;
        double d;
        char *s;
        time_t t;
    } value;
    struct sn_setting_node *next;
} sn_setting_node_t;

struct sn_setting {
    sn_setting_node_t *heads[SLOT_COUNT];
    char *names[SLOT_COUNT];
};

namespace
{

bool is_string_type(int type)
{
    return type == SN_SETTING_TYPE_STRING || type == SN_SETTING_TYPE_QUOTED;
}

void sn_setting_free_node(sn_setting_node_t *node)
{
    if (!node)
        return;
    if (is_string_type(node->type))
        free(node->value.s);
    free(node->key);
    free(node);
}

void sn_setting_clear(sn_setting_t *setting)
{
    for (int slot = 0; slot < SLOT_COUNT; slot++) {
        sn_setting_node_t *node = setting->heads[slot];
        while (node) {
            sn_setting_node_t *next = node->next;
            sn_setting_free_node(node);
            node = next;
        }
        setting->heads[slot] = nullptr;
        free(setting->names[slot]);
        setting->names[slot] = nullptr;
    }
}

/* A key must come back from the file as the same key: no blank, control
 * character, '=', '#' or quote, no leading '['. */
bool key_is_writable(const char *key, const char *function)
{
    size_t len = strnlen(key, SN_SETTING_KEY_MAX);
    if (len >= SN_SETTING_KEY_MAX) {
        sn_log(4, NULL, function, __LINE__, "key too long FAILED! (limit %d)\n",
               SN_SETTING_KEY_MAX - 1);
        return false;
    }
    bool ok = key[0] != '[';
    for (size_t i = 0; ok && i < len; i++) {
        unsigned char c = (unsigned char)key[i];
        ok = c > ' ' && c != 0x7F && c != '=' && c != '#' && c != '"' && c != '\'';
    }
    if (!ok)
        sn_log(4, NULL, function, __LINE__, "invalid key FAILED! %s\n", key);
    return ok;
}

/* A session name is written as "[name]": it may not hold ']', '#', a quote,
 * CR or LF. */
bool name_is_writable(const char *name, const char *function)
{
    size_t len = strnlen(name, SN_SETTING_NAME_MAX + 1);
    if (len > SN_SETTING_NAME_MAX) {
        sn_log(4, NULL, function, __LINE__, "session name too long FAILED! (limit %d)\n",
               SN_SETTING_NAME_MAX);
        return false;
    }
    if (strpbrk(name, "]#\"'\r\n")) {
        sn_log(4, NULL, function, __LINE__, "invalid session name FAILED! %s\n", name);
        return false;
    }
    return true;
}

/* The slot of a session in use; with create, a new session takes the first
 * free slot. -1 when absent, or when the table is full. */
int sn_setting_session_index(sn_setting_t *setting, const char *session, bool create)
{
    if (!session)
        return 0;
    int free_slot = -1;
    for (int slot = 1; slot < SLOT_COUNT; slot++) {
        if (!setting->names[slot]) {
            if (free_slot < 0)
                free_slot = slot;
        } else if (strcmp(setting->names[slot], session) == 0) {
            return slot;
        }
    }
    if (!create)
        return -1;
    if (free_slot < 0)
        return -1;
    setting->names[free_slot] = strdup(session);
    if (!setting->names[free_slot]) {
        sn_log(4, NULL, "sn_setting_session_index", __LINE__, "malloc FAILED!\n");
        return -1;
    }
    return free_slot;
}

int find_slot(const sn_setting_t *setting, const char *session)
{
    return sn_setting_session_index((sn_setting_t *)setting, session, false);
}

/* The first entry of key in slot; unlink takes it out of the list. */
sn_setting_node_t *sn_setting_find(sn_setting_t *setting, int slot, const char *key, bool unlink)
{
    sn_setting_node_t **link = &setting->heads[slot];
    for (sn_setting_node_t *node = *link; node; link = &node->next, node = node->next) {
        if (strcmp(node->key, key) == 0) {
            if (unlink)
                *link = node->next;
            return node;
        }
    }
    return nullptr;
}

const sn_setting_node_t *find_entry(const sn_setting_t *setting, const char *session,
                                    const char *key)
{
    if (!setting || !key)
        return nullptr;
    int slot = find_slot(setting, session);
    if (slot < 0)
        return nullptr;
    return sn_setting_find((sn_setting_t *)setting, slot, key, false);
}

/* The common path of the setters: replaces the value of an entry of the same
 * type, or adds one at the head of its session. A string value is handed
 * over (freed here when the call fails). */
int set_value(sn_setting_t *setting, const char *session, const char *key, int type,
              sn_setting_node_t value, const char *function)
{
    char *text = is_string_type(type) ? value.value.s : nullptr;
    if (!setting || !key) {
        sn_log(4, NULL, function, __LINE__, "invalid argument FAILED!\n");
        free(text);
        return -1;
    }
    if (!key_is_writable(key, function) || (session && !name_is_writable(session, function))) {
        free(text);
        return -1;
    }
    int slot = find_slot(setting, session);
    if (slot >= 0) {
        sn_setting_node_t *node = sn_setting_find(setting, slot, key, false);
        if (node) {
            if (node->type != type) {
                sn_log(4, NULL, function, __LINE__, "type mismatch FAILED! key:%s, type:%d\n", key,
                       node->type);
                free(text);
                return -1;
            }
            if (is_string_type(type))
                free(node->value.s);
            node->value = value.value;
            return 0;
        }
    }
    sn_setting_node_t *node = (sn_setting_node_t *)calloc(1, sizeof *node);
    char *key_copy = node ? strdup(key) : nullptr;
    if (!node || !key_copy) {
        sn_log(4, NULL, function, __LINE__, "malloc FAILED!\n");
        free(node);
        free(text);
        return -1;
    }
    if (slot < 0) {
        slot = sn_setting_session_index(setting, session, true);
        if (slot < 0) {
            sn_log(4, NULL, function, __LINE__, "session table full FAILED! %s\n", session);
            free(key_copy);
            free(node);
            free(text);
            return -1;
        }
    }
    node->key = key_copy;
    node->type = type;
    node->value = value.value;
    node->next = setting->heads[slot];
    setting->heads[slot] = node;
    return 0;
}

/* ---- reading ---- */

int setting_read_file(const char *path, char **text, size_t *size)
{
    /* A named pipe would block the open until some writer came: the path is
     * looked at first, and opened without blocking. */
    struct stat st;
    if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
        sn_log(4, NULL, "setting_read_file", __LINE__, "not a regular file FAILED! %s\n", path);
        return -1;
    }
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    FILE *fp = fd >= 0 ? fdopen(fd, "rb") : nullptr;
    if (!fp) {
        sn_log(4, NULL, "setting_read_file", __LINE__, "fopen FAILED! %s\n", path);
        if (fd >= 0)
            close(fd);
        return -1;
    }
    if (fstat(fileno(fp), &st) != 0 || !S_ISREG(st.st_mode)) {
        sn_log(4, NULL, "setting_read_file", __LINE__, "not a regular file FAILED! %s\n", path);
        fclose(fp);
        return -1;
    }
    if (st.st_size <= 0 || st.st_size > SN_SETTING_FILE_MAX) {
        sn_log(4, NULL, "setting_read_file", __LINE__, "file size FAILED! size:%lld, %s\n",
               (long long)st.st_size, path);
        fclose(fp);
        return -1;
    }
    size_t len = (size_t)st.st_size;
    char *buf = (char *)malloc(len + 1);
    if (!buf) {
        sn_log(4, NULL, "setting_read_file", __LINE__, "malloc FAILED! size:%zu\n", len + 1);
        fclose(fp);
        return -1;
    }
    /* One byte more than the size tells a file that grew since the stat. */
    size_t got = fread(buf, 1, len + 1, fp);
    fclose(fp);
    if (got != len) {
        sn_log(4, NULL, "setting_read_file", __LINE__, "fread FAILED! got:%zu, size:%zu\n", got,
               len);
        free(buf);
        return -1;
    }
    /* A UTF-8 byte-order mark, as some editors write, is no part of the
     * first line. */
    if (len >= 3 && memcmp(buf, "\xEF\xBB\xBF", 3) == 0) {
        len -= 3;
        memmove(buf, buf + 3, len);
    }
    buf[len] = '\0';
    *text = buf;
    *size = len;
    return 0;
}

/* Takes the next line of [*pos, end), cuts it in place and returns its start;
 * null when no line is left, or at a quote left open at a line end, which
 * sets *open_quote: such a line does not parse, and the lines after it must
 * not be dropped without a word. */
char *get_line(char **pos, char *end, bool *open_quote)
{
    *open_quote = false;
    char *p = *pos;
    while (p < end) {
        if (isspace((unsigned char)*p)) {
            p++;
        } else if (*p == '#') {
            while (p < end && *p != '\r' && *p != '\n')
                p++;
        } else {
            break;
        }
    }
    if (p >= end) {
        sn_log(4, NULL, "get_line", __LINE__, "get_line, find start FAILED!\n");
        sn_log(4, NULL, "get_line", __LINE__, "%s\n", *pos);
        *pos = end;
        return nullptr;
    }

    char *start = p;
    int single_open = 0, double_open = 0;
    size_t run = 0; /* backslashes right before p inside a quoted part */
    for (;; p++) {
        char c = p < end ? *p : '\0';
        if (p >= end || c == '\r' || c == '\n') {
            if (single_open || double_open) {
                sn_log(2, NULL, "get_line", __LINE__, "get_line, parse error:%d,%d\n", single_open,
                       double_open);
                *pos = end;
                *open_quote = true;
                return nullptr;
            }
            break;
        }
        if (c == '#' && !single_open && !double_open)
            break;
        if (c == '\'' && !double_open) {
            if (!single_open)
                single_open = 1;
            else if (run % 2 == 0)
                single_open = 0;
        } else if (c == '"' && !single_open) {
            if (!double_open)
                double_open = 1;
            else if (run % 2 == 0)
                double_open = 0;
        }
        run = (c == '\\' && (single_open || double_open)) ? run + 1 : 0;
    }

    char *next = p < end ? p + 1 : end;
    if (p < end && *p == '#') {
        while (next < end && *next != '\r' && *next != '\n')
            next++;
    }
    *p = '\0';
    *pos = next;
    sn_log(2, NULL, "get_line", __LINE__, "get_line, find line:%p,%d\n", (void *)start,
           (int)(p - start + 1));
    return start;
}

/* Copies the quoted text that starts after the opening quote at v, undoing
 * the writer's escape. Null when no closing quote. */
char *unquote(const char *v, char quote, bool *no_end)
{
    size_t cap = strlen(v) + 1;
    char *out = (char *)malloc(cap);
    *no_end = false;
    if (!out) {
        sn_log(4, NULL, "parse_line", __LINE__, "parse_line, malloc FAILED, size:%d\n", (int)cap);
        return nullptr;
    }
    size_t n = 0;
    const char *p = v + 1;
    for (;;) {
        if (*p == '\0') {
            free(out);
            *no_end = true;
            return nullptr;
        }
        if (*p == '\\') {
            size_t run = strspn(p, "\\");
            if (p[run] == quote) {
                memset(out + n, '\\', run / 2);
                n += run / 2;
                p += run;
                if (run % 2 == 0)
                    break;
                out[n++] = quote;
                p++;
            } else {
                memcpy(out + n, p, run);
                n += run;
                p += run;
            }
            continue;
        }
        if (*p == quote)
            break;
        out[n++] = *p++;
    }
    out[n] = '\0';
    return out;
}

int parse_int(const char *v, int *value)
{
    errno = 0;
    long number = strtol(v, nullptr, 10);
    if (number > INT_MAX || (errno == ERANGE && number > 0))
        number = INT_MAX;
    else if (number < INT_MIN || (errno == ERANGE && number < 0))
        number = INT_MIN;
    *value = (int)number;
    sn_log(2, NULL, "parse_line", __LINE__, "parse_line, integer:%d\n", *value);
    return 0;
}

/* A time is written with its local year: that year has to fit an int, or
 * the line would not read back (and the writer's sum would overflow). */
bool time_is_writable(time_t value)
{
    struct tm tm;
    return localtime_r(&value, &tm) && tm.tm_year <= INT_MAX - 1900;
}

/* The six fields of "%d-%d-%dT%d:%d:%d" (year, month from 0, day, hour,
 * minute, second), each read in 64 bits and refused unless it fits an int,
 * the year less 1900 included (struct tm counts years from 1900). */
int parse_time_fields(const char *v, int *year, int *mon, int *day, int *hour, int *min, int *sec)
{
    static const char separators[6] = {'-', '-', 'T', ':', ':', '\0'};
    int *fields[6] = {year, mon, day, hour, min, sec};
    const char *p = v;
    for (int i = 0; i < 6; i++) {
        char *end = nullptr;
        errno = 0;
        long long value = strtoll(p, &end, 10);
        if (end == p || errno == ERANGE || value > INT_MAX || value < INT_MIN ||
            (i == 0 && value < (long long)INT_MIN + 1900))
            return -1;
        *fields[i] = (int)value;
        if (i < 5 && *end != separators[i])
            return -1;
        p = end + 1;
    }
    return 0;
}

/* Parses one cut line into a new entry; null when it does not parse. */
sn_setting_node_t *parse_line(char *line)
{
    size_t key_len = strcspn(line, " \t=");
    /* A quote in a key is refused, as the setters refuse it: such a key
     * would be written into a line whose quotes no longer pair. */
    if (line[key_len] == '\0' || key_len >= SN_SETTING_KEY_MAX || memchr(line, '"', key_len) ||
        memchr(line, '\'', key_len)) {
        sn_log(2, NULL, "parse_line", __LINE__, "parse_line, invalid name!\n");
        return nullptr;
    }
    sn_log(2, NULL, "parse_line", __LINE__, "parse_line, name:%.*s\n", (int)key_len, line);
    char *v = line + key_len;
    v += strspn(v, " \t=");

    sn_setting_node_t entry;
    memset(&entry, 0, sizeof entry);
    if (*v == '"' || *v == '\'') {
        bool no_end = false;
        entry.type = *v == '"' ? SN_SETTING_TYPE_STRING : SN_SETTING_TYPE_QUOTED;
        entry.value.s = unquote(v, *v, &no_end);
        if (!entry.value.s) {
            if (no_end)
                sn_log(2, NULL, "parse_line", __LINE__, "parse_line, can not find string end!\n");
            return nullptr;
        }
        sn_log(2, NULL, "parse_line", __LINE__, "parse_line, string:%c,%s\n", *v, entry.value.s);
    } else if (strncasecmp(v, "true", 4) == 0 || strncasecmp(v, "false", 5) == 0) {
        entry.type = SN_SETTING_TYPE_BOOL;
        entry.value.i = (v[0] == 't' || v[0] == 'T') ? 1 : 0;
        sn_log(2, NULL, "parse_line", __LINE__, "parse_line, bool:%d\n", entry.value.i);
    } else if (strchr(v, '.')) {
        entry.type = SN_SETTING_TYPE_DOUBLE;
        entry.value.d = sn_strtod_c(v, nullptr);
        /* Written back as "inf" or "nan" it would make the file unreadable. */
        if (!isfinite(entry.value.d)) {
            sn_log(2, NULL, "parse_line", __LINE__, "parse_line, can not find value!\n");
            return nullptr;
        }
        sn_log(2, NULL, "parse_line", __LINE__, "parse_line, dobule:%f\n", entry.value.d);
    } else if (v[0] == '-' && isdigit((unsigned char)v[1])) {
        /* A time starts with its year, so a leading '-' is a negative integer. */
        entry.type = SN_SETTING_TYPE_INT;
        parse_int(v, &entry.value.i);
    } else if (strchr(v, '-')) {
        int year, mon, day, hour, min, sec;
        if (parse_time_fields(v, &year, &mon, &day, &hour, &min, &sec) != 0) {
            sn_log(2, NULL, "parse_line", __LINE__, "parse_line, parse TIME error!\n");
            return nullptr;
        }
        sn_log(2, NULL, "parse_line", __LINE__,
               "parse_line, year:%d,mon:%d,day:%d,hour:%d,min:%d,sec:%d\n", year, mon, day, hour,
               min, sec);
        struct tm tm;
        memset(&tm, 0, sizeof tm);
        tm.tm_year = year - 1900;
        tm.tm_mon = mon;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = min;
        tm.tm_sec = sec;
        tm.tm_isdst = -1;
        entry.type = SN_SETTING_TYPE_TIME;
        errno = 0;
        entry.value.t = mktime(&tm);
        if ((entry.value.t == (time_t)-1 && errno == EOVERFLOW) ||
            !time_is_writable(entry.value.t)) {
            sn_log(2, NULL, "parse_line", __LINE__, "parse_line, parse TIME error!\n");
            return nullptr;
        }
    } else if (isdigit((unsigned char)v[0])) {
        entry.type = SN_SETTING_TYPE_INT;
        parse_int(v, &entry.value.i);
    } else {
        sn_log(2, NULL, "parse_line", __LINE__, "parse_line, can not find value!\n");
        return nullptr;
    }

    sn_setting_node_t *node = (sn_setting_node_t *)malloc(sizeof *node);
    char *key = node ? strndup(line, key_len) : nullptr;
    if (!node || !key) {
        sn_log(4, NULL, "parse_line", __LINE__, "parse_line, malloc FAILED, size:%d\n",
               (int)key_len + 1);
        free(node);
        if (is_string_type(entry.type))
            free(entry.value.s);
        return nullptr;
    }
    *node = entry;
    node->key = key;
    node->next = nullptr;
    return node;
}

/* ---- writing ---- */

struct out_buf {
    char *data = nullptr;
    size_t len = 0;
    size_t cap = 0;
    bool failed = false;
    ~out_buf()
    {
        free(data);
    }
};

void out_append(out_buf *out, const char *text, size_t n)
{
    if (out->failed)
        return;
    if (n > SIZE_MAX - out->len - 1) {
        out->failed = true;
        return;
    }
    if (out->len + n + 1 > out->cap) {
        size_t cap = out->cap ? out->cap : 4096;
        while (cap < out->len + n + 1)
            cap = cap > SIZE_MAX / 2 ? out->len + n + 1 : cap * 2;
        char *data = (char *)realloc(out->data, cap);
        if (!data) {
            out->failed = true;
            return;
        }
        out->data = data;
        out->cap = cap;
    }
    memcpy(out->data + out->len, text, n);
    out->len += n;
    out->data[out->len] = '\0';
}

void out_text(out_buf *out, const char *text)
{
    out_append(out, text, strlen(text));
}

void out_format(out_buf *out, const char *format, ...) __attribute__((format(printf, 2, 3)));
void out_format(out_buf *out, const char *format, ...)
{
    char small[512];
    va_list ap;
    va_start(ap, format);
    int n = vsnprintf(small, sizeof small, format, ap);
    va_end(ap);
    if (n < 0) {
        out->failed = true;
        return;
    }
    if ((size_t)n < sizeof small) {
        out_append(out, small, (size_t)n);
        return;
    }
    char *big = (char *)malloc((size_t)n + 1);
    if (!big) {
        out->failed = true;
        return;
    }
    va_start(ap, format);
    vsnprintf(big, (size_t)n + 1, format, ap);
    va_end(ap);
    out_append(out, big, (size_t)n);
    free(big);
}

/* The quoted written form, doubling each backslash run that stands before a
 * quote of this kind or before the closing quote. */
void out_quoted(out_buf *out, const char *text, char quote)
{
    out_append(out, &quote, 1);
    const char *p = text;
    while (*p) {
        if (*p == '\\') {
            size_t run = strspn(p, "\\");
            out_append(out, p, run);
            if (p[run] == quote || p[run] == '\0')
                out_append(out, p, run);
            p += run;
        } else if (*p == quote) {
            out_append(out, "\\", 1);
            out_append(out, p++, 1);
        } else {
            size_t plain = strcspn(p, quote == '"' ? "\\\"" : "\\'");
            out_append(out, p, plain);
            p += plain;
        }
    }
    out_append(out, &quote, 1);
}

struct keyed_entry {
    const char *key;
    size_t index;
};

int compare_keyed(const void *a, const void *b)
{
    const keyed_entry *x = (const keyed_entry *)a, *y = (const keyed_entry *)b;
    int c = strcmp(x->key, y->key);
    if (c != 0)
        return c;
    return x->index < y->index ? -1 : x->index > y->index;
}

/* A file may give a key twice in a session. Lookups find the first entry of
 * the list; written in list order, the others would come after it in the new
 * file and be the ones found after the next load. So the others are flagged
 * here and left out. Null when there are none, or when memory runs out (the
 * write then fails rather than change a value). */
bool *shadowed_entries(out_buf *out, const sn_setting_node_t *head)
{
    size_t count = 0;
    for (const sn_setting_node_t *node = head; node; node = node->next)
        count++;
    if (count < 2)
        return nullptr;
    keyed_entry *keys = (keyed_entry *)calloc(count, sizeof *keys);
    bool *flags = (bool *)calloc(count, sizeof *flags);
    if (!keys || !flags) {
        free(keys);
        free(flags);
        out->failed = true;
        return nullptr;
    }
    size_t i = 0;
    for (const sn_setting_node_t *node = head; node; node = node->next, i++) {
        keys[i].key = node->key;
        keys[i].index = i;
    }
    qsort(keys, count, sizeof *keys, compare_keyed);
    for (i = 1; i < count; i++) {
        if (strcmp(keys[i].key, keys[i - 1].key) == 0)
            flags[keys[i].index] = true;
    }
    free(keys);
    return flags;
}

void setting_write_nodes(out_buf *out, const sn_setting_node_t *node)
{
    bool *shadowed = shadowed_entries(out, node);
    for (size_t i = 0; node; node = node->next, i++) {
        if (shadowed && shadowed[i])
            continue;
        out_text(out, node->key);
        out_text(out, " = ");
        switch (node->type) {
        case SN_SETTING_TYPE_BOOL:
            out_text(out, node->value.i > 0 ? "true" : "false");
            break;
        case SN_SETTING_TYPE_INT:
            out_format(out, "%d", node->value.i);
            break;
        case SN_SETTING_TYPE_DOUBLE: {
            /* The file's decimal point is '.' whatever the locale. */
            locale_t old = sn_c_numeric() ? uselocale(sn_c_numeric()) : (locale_t)0;
            out_format(out, "%.4f", node->value.d);
            if (old)
                uselocale(old);
            break;
        }
        case SN_SETTING_TYPE_STRING:
            out_quoted(out, node->value.s, '"');
            break;
        case SN_SETTING_TYPE_QUOTED:
            out_quoted(out, node->value.s, '\'');
            break;
        case SN_SETTING_TYPE_TIME: {
            struct tm tm;
            time_t t = node->value.t;
            if (!localtime_r(&t, &tm))
                memset(&tm, 0, sizeof tm);
            out_format(out, "%d-%d-%dT%d:%d:%d", tm.tm_year + 1900, tm.tm_mon, tm.tm_mday,
                       tm.tm_hour, tm.tm_min, tm.tm_sec);
            break;
        }
        default:
            break;
        }
        out_text(out, "\r\n");
    }
    free(shadowed);
}

/* Writes the bytes to a new file beside path and renames it over path, so
 * that a failed or cut-short write leaves the old file as it was. */
int write_replacing(const char *path, const char *data, size_t len)
{
    size_t tmp_cap = strlen(path) + 32;
    char *tmp = (char *)malloc(tmp_cap);
    if (!tmp) {
        sn_log(4, NULL, "sn_setting_save", __LINE__, "malloc FAILED! size:%zu\n", tmp_cap);
        return -1;
    }
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; attempt++) {
        snprintf(tmp, tmp_cap, "%s.%ld.%d.tmp", path, (long)getpid(), attempt);
        fd = open(tmp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        sn_log(4, NULL, "sn_setting_save", __LINE__, "open FAILED! %s: %s\n", tmp, strerror(errno));
        free(tmp);
        return -1;
    }
    struct stat st;
    if (stat(path, &st) == 0 && S_ISREG(st.st_mode))
        fchmod(fd, st.st_mode & 07777);

    bool ok = true;
    size_t done = 0;
    while (ok && done < len) {
        ssize_t n = write(fd, data + done, len - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            sn_log(4, NULL, "sn_setting_save", __LINE__, "write FAILED! %s: %s\n", tmp,
                   n < 0 ? strerror(errno) : "nothing written");
            ok = false;
        } else {
            done += (size_t)n;
        }
    }
    if (ok && fsync(fd) != 0) {
        sn_log(4, NULL, "sn_setting_save", __LINE__, "fsync FAILED! %s: %s\n", tmp,
               strerror(errno));
        ok = false;
    }
    if (close(fd) != 0 && ok) {
        sn_log(4, NULL, "sn_setting_save", __LINE__, "close FAILED! %s: %s\n", tmp,
               strerror(errno));
        ok = false;
    }
    if (ok && rename(tmp, path) != 0) {
        sn_log(4, NULL, "sn_setting_save", __LINE__, "rename FAILED! %s: %s\n", path,
               strerror(errno));
        ok = false;
    }
    if (!ok)
        unlink(tmp);
    free(tmp);
    return ok ? 0 : -1;
}

/* Copies the file at path, which exists but did not load whole, to
 * "<path>.bak" (or "<path>.bak.2" to ".bak.9" when that name is taken, so
 * that an older backup is never overwritten). 0 when there is nothing to
 * keep (no file, an empty one, not a regular file) or the copy is made and
 * on the disk; -1 when it cannot be made, and then the file must not be
 * replaced. */
int keep_unloadable_file(const char *path)
{
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
        return 0;
    int in = open(path, O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        sn_log(4, NULL, "sn_setting_save", __LINE__, "backup FAILED! %s: %s\n", path,
               strerror(errno));
        return -1;
    }
    size_t cap = strlen(path) + 16;
    char *name = (char *)malloc(cap);
    int out = -1;
    for (int n = 1; name && n <= 9 && out < 0; n++) {
        if (n == 1)
            snprintf(name, cap, "%s.bak", path);
        else
            snprintf(name, cap, "%s.bak.%d", path, n);
        out = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0666);
        if (out < 0 && errno != EEXIST)
            break;
    }
    if (out < 0) {
        sn_log(4, NULL, "sn_setting_save", __LINE__, "backup FAILED! %s: %s\n", name ? name : path,
               name ? strerror(errno) : "out of memory");
        free(name);
        close(in);
        return -1;
    }
    bool ok = true;
    char buf[65536];
    for (;;) {
        ssize_t got = read(in, buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < got;) {
            ssize_t put = write(out, buf + done, (size_t)(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            ok = put > 0;
            done += put > 0 ? put : 0;
        }
        if (!ok)
            break;
    }
    if (ok && fsync(out) != 0)
        ok = false;
    if (close(out) != 0)
        ok = false;
    close(in);
    if (!ok) {
        sn_log(4, NULL, "sn_setting_save", __LINE__, "backup FAILED! %s: %s\n", name,
               strerror(errno));
        unlink(name);
    } else {
        sn_log(3, NULL, "sn_setting_save", __LINE__,
               "%s did not load whole; its bytes are kept as %s\n", path, name);
    }
    free(name);
    return ok ? 0 : -1;
}

} // namespace

sn_setting_t *sn_setting_create(void)
{
    sn_setting_t *setting = (sn_setting_t *)calloc(1, sizeof *setting);
    if (!setting)
        sn_log(4, NULL, "sn_setting_create", __LINE__, "malloc FAILED! size:%zu\n",
               sizeof *setting);
    return setting;
}

void sn_setting_destroy(sn_setting_t *setting)
{
    if (!setting)
        return;
    sn_setting_clear(setting);
    free(setting);
}

int sn_setting_load(sn_setting_t *setting, const char *path)
{
    if (!setting || !path) {
        sn_log(4, NULL, "sn_setting_load", __LINE__, "invalid argument FAILED!\n");
        return -1;
    }
    sn_setting_clear(setting);
    char *text = nullptr;
    size_t size = 0;
    if (setting_read_file(path, &text, &size) != 0)
        return -1;
    /* The lines are parsed as C strings: a NUL would silently cut one short
     * and load what is left as if the file said so. */
    if (memchr(text, '\0', size)) {
        sn_log(4, NULL, "sn_setting_load", __LINE__, "NUL byte in text FAILED! %s\n", path);
        free(text);
        return -1;
    }

    int slot = 0;
    int result = 0;
    char *pos = text;
    char *end = text + size;
    char *line;
    bool open_quote = false;
    while ((line = get_line(&pos, end, &open_quote)) != nullptr) {
        if (line[0] == '[') {
            char *close = strchr(line, ']');
            if (!close)
                continue;
            /* Ignoring a name too long to be a session would put its keys
             * into the session before it. */
            if (close - line - 1 > SN_SETTING_NAME_MAX) {
                sn_log(4, NULL, "sn_setting_load", __LINE__,
                       "session name too long FAILED! (limit %d)\n", SN_SETTING_NAME_MAX);
                sn_setting_clear(setting);
                result = -1;
                break;
            }
            *close = '\0';
            int found = sn_setting_session_index(setting, line + 1, true);
            if (found < 0) {
                *close = ']';
                sn_log(4, NULL, "sn_setting_load", __LINE__, "read session name FAILED! %s\n",
                       line);
                result = -1;
                break;
            }
            slot = found;
            continue;
        }
        sn_setting_node_t *node = parse_line(line);
        if (!node) {
            sn_setting_clear(setting);
            result = -1;
            break;
        }
        node->next = setting->heads[slot];
        setting->heads[slot] = node;
    }
    if (open_quote) {
        sn_log(4, NULL, "sn_setting_load", __LINE__, "open quote FAILED! %s\n", path);
        sn_setting_clear(setting);
        result = -1;
    }
    free(text);
    return result;
}

int sn_setting_save(const sn_setting_t *setting, const char *path)
{
    if (!setting || !path) {
        sn_log(4, NULL, "sn_setting_save", __LINE__, "invalid argument FAILED!\n");
        return -1;
    }
    /* A file kept elsewhere behind a symbolic link is replaced where it lives:
     * renaming over the link would leave the real file as it was. */
    char *real = realpath(path, nullptr);
    const char *target = real ? real : path;
    sn_setting_t *disk = sn_setting_create();
    if (!disk) {
        free(real);
        return -1;
    }
    /* What does not load whole would be lost by the rewrite: the other
     * keys go with it. Its bytes are kept beside it first. */
    if (sn_setting_load(disk, target) != 0 && keep_unloadable_file(target) != 0) {
        sn_setting_destroy(disk);
        free(real);
        return -1;
    }

    /* What this store holds wins over the file, key by key. */
    for (int slot = 0; slot < SLOT_COUNT; slot++) {
        if (slot > 0 && !disk->names[slot])
            continue;
        int mine = find_slot(setting, slot ? disk->names[slot] : nullptr);
        if (mine < 0)
            continue;
        sn_setting_node_t **link = &disk->heads[slot];
        while (*link) {
            sn_setting_node_t *node = *link;
            if (sn_setting_find((sn_setting_t *)setting, mine, node->key, false)) {
                *link = node->next;
                sn_setting_free_node(node);
            } else {
                link = &node->next;
            }
        }
    }

    out_buf out;
    bool done[SLOT_COUNT] = {false};
    setting_write_nodes(&out, disk->heads[0]);
    setting_write_nodes(&out, setting->heads[0]);
    for (int slot = 1; slot < SLOT_COUNT; slot++) {
        if (!disk->names[slot] || !disk->heads[slot])
            continue;
        out_format(&out, "\r\n[%s]\r\n", disk->names[slot]);
        setting_write_nodes(&out, disk->heads[slot]);
        int mine = find_slot(setting, disk->names[slot]);
        if (mine > 0) {
            setting_write_nodes(&out, setting->heads[mine]);
            done[mine] = true;
        }
    }
    for (int slot = 1; slot < SLOT_COUNT; slot++) {
        if (done[slot] || !setting->names[slot] || !setting->heads[slot])
            continue;
        out_format(&out, "\r\n[%s]\r\n", setting->names[slot]);
        setting_write_nodes(&out, setting->heads[slot]);
    }
    sn_setting_destroy(disk);

    if (out.failed) {
        sn_log(4, NULL, "sn_setting_save", __LINE__, "malloc FAILED! size:%zu\n", out.len);
        free(real);
        return -1;
    }
    /* A file the reader refuses would lose every key at the next load, and
     * the next save would drop the keys that others wrote. */
    if (out.len > SN_SETTING_FILE_MAX) {
        sn_log(4, NULL, "sn_setting_save", __LINE__, "file too large FAILED! size:%zu, limit:%d\n",
               out.len, SN_SETTING_FILE_MAX);
        free(real);
        return -1;
    }
    int result = write_replacing(target, out.data ? out.data : "", out.len);
    free(real);
    return result;
}

int sn_setting_get_bool(const sn_setting_t *setting, const char *session, const char *key,
                        int *value)
{
    const sn_setting_node_t *node = find_entry(setting, session, key);
    if (!node || node->type != SN_SETTING_TYPE_BOOL || !value)
        return -1;
    *value = node->value.i;
    return 0;
}

int sn_setting_get_int(const sn_setting_t *setting, const char *session, const char *key,
                       int *value)
{
    const sn_setting_node_t *node = find_entry(setting, session, key);
    if (!node || node->type != SN_SETTING_TYPE_INT || !value)
        return -1;
    *value = node->value.i;
    return 0;
}

int sn_setting_get_double(const sn_setting_t *setting, const char *session, const char *key,
                          double *value)
{
    const sn_setting_node_t *node = find_entry(setting, session, key);
    if (!node || node->type != SN_SETTING_TYPE_DOUBLE || !value)
        return -1;
    *value = node->value.d;
    return 0;
}

int sn_setting_get_time(const sn_setting_t *setting, const char *session, const char *key,
                        time_t *value)
{
    const sn_setting_node_t *node = find_entry(setting, session, key);
    if (!node || node->type != SN_SETTING_TYPE_TIME || !value)
        return -1;
    *value = node->value.t;
    return 0;
}

const char *sn_setting_get_string(const sn_setting_t *setting, const char *session, const char *key)
{
    const sn_setting_node_t *node = find_entry(setting, session, key);
    if (!node || node->type != SN_SETTING_TYPE_STRING)
        return nullptr;
    return node->value.s;
}

int sn_setting_set_bool(sn_setting_t *setting, const char *session, const char *key, int value)
{
    sn_setting_node_t v;
    v.value.i = value;
    return set_value(setting, session, key, SN_SETTING_TYPE_BOOL, v, "sn_setting_set_bool");
}

int sn_setting_set_int(sn_setting_t *setting, const char *session, const char *key, int value)
{
    sn_setting_node_t v;
    v.value.i = value;
    return set_value(setting, session, key, SN_SETTING_TYPE_INT, v, "sn_setting_set_int");
}

int sn_setting_set_double(sn_setting_t *setting, const char *session, const char *key, double value)
{
    if (!isfinite(value)) {
        sn_log(4, NULL, "sn_setting_set_double", __LINE__, "value not finite FAILED!\n");
        return -1;
    }
    sn_setting_node_t v;
    v.value.d = value;
    return set_value(setting, session, key, SN_SETTING_TYPE_DOUBLE, v, "sn_setting_set_double");
}

int sn_setting_set_time(sn_setting_t *setting, const char *session, const char *key, time_t value)
{
    if (!time_is_writable(value)) {
        sn_log(4, NULL, "sn_setting_set_time", __LINE__, "time out of range FAILED!\n");
        return -1;
    }
    sn_setting_node_t v;
    v.value.t = value;
    return set_value(setting, session, key, SN_SETTING_TYPE_TIME, v, "sn_setting_set_time");
}

int sn_setting_set_string(sn_setting_t *setting, const char *session, const char *key,
                          const char *text)
{
    if (!setting || !key || !text) {
        sn_log(4, NULL, "sn_setting_set_string", __LINE__, "invalid argument FAILED!\n");
        return -1;
    }
    size_t key_len = strcspn(key, "\r\n");
    if (key_len >= SN_SETTING_KEY_MAX) {
        sn_log(4, NULL, "sn_setting_set_string", __LINE__, "key too long FAILED! (limit %d)\n",
               SN_SETTING_KEY_MAX - 1);
        return -1;
    }
    char key_cut[SN_SETTING_KEY_MAX];
    memcpy(key_cut, key, key_len);
    key_cut[key_len] = '\0';
    sn_setting_node_t v;
    v.value.s = strndup(text, strcspn(text, "\r\n"));
    if (!v.value.s) {
        sn_log(4, NULL, "sn_setting_set_string", __LINE__, "malloc FAILED!\n");
        return -1;
    }
    return set_value(setting, session, key_cut, SN_SETTING_TYPE_STRING, v, "sn_setting_set_string");
}

int sn_setting_get_type(const sn_setting_t *setting, const char *session, const char *key)
{
    const sn_setting_node_t *node = find_entry(setting, session, key);
    return node ? node->type : 0;
}

int sn_setting_remove(sn_setting_t *setting, const char *session, const char *key)
{
    if (!setting || !key)
        return -1;
    int slot = find_slot(setting, session);
    if (slot < 0)
        return -1;
    sn_setting_node_t *node = sn_setting_find(setting, slot, key, true);
    if (!node)
        return -1;
    sn_setting_free_node(node);
    if (slot > 0 && !setting->heads[slot]) {
        free(setting->names[slot]);
        setting->names[slot] = nullptr;
    }
    return 0;
}

const char *sn_setting_next_key(const sn_setting_t *setting, const char *session, intptr_t *cursor)
{
    if (!setting || !cursor || *cursor == -1)
        return nullptr;
    const sn_setting_node_t *node;
    if (*cursor == 0) {
        int slot = find_slot(setting, session);
        if (slot < 0)
            return nullptr;
        node = setting->heads[slot];
    } else {
        node = (const sn_setting_node_t *)*cursor;
    }
    if (!node) {
        *cursor = -1;
        return nullptr;
    }
    *cursor = node->next ? (intptr_t)node->next : -1;
    return node->key;
}

const char *sn_setting_next_session(const sn_setting_t *setting, int *cursor)
{
    if (!setting || !cursor)
        return nullptr;
    for (int slot = *cursor < 1 ? 1 : *cursor; slot < SLOT_COUNT; slot++) {
        if (setting->names[slot]) {
            *cursor = slot + 1;
            return setting->names[slot];
        }
    }
    *cursor = SLOT_COUNT;
    return nullptr;
}

void sn_setting_print(const sn_setting_t *setting)
{
    if (!setting)
        return;
    for (int slot = 0; slot < SLOT_COUNT; slot++) {
        if (slot == 0)
            sn_log(2, NULL, "sn_setting_print", __LINE__,
                   "################################ session 0, default "
                   "################################\n");
        else if (setting->names[slot])
            sn_log(2, NULL, "sn_setting_print", __LINE__,
                   "################################ session %d, name:%s "
                   "################################\n",
                   slot, setting->names[slot]);
        else
            continue;
        for (const sn_setting_node_t *node = setting->heads[slot]; node; node = node->next) {
            switch (node->type) {
            case SN_SETTING_TYPE_STRING:
            case SN_SETTING_TYPE_QUOTED:
                sn_log(2, NULL, "sn_setting_print", __LINE__, "name:%s,type:%d,value:%s\n",
                       node->key, node->type, node->value.s);
                break;
            case SN_SETTING_TYPE_BOOL:
            case SN_SETTING_TYPE_INT:
                sn_log(2, NULL, "sn_setting_print", __LINE__, "name:%s,type:%d,value:%d\n",
                       node->key, node->type, node->value.i);
                break;
            case SN_SETTING_TYPE_DOUBLE:
                sn_log(2, NULL, "sn_setting_print", __LINE__, "name:%s,type:%d,value:%.2f\n",
                       node->key, node->type, node->value.d);
                break;
            case SN_SETTING_TYPE_TIME: {
                char text[64] = "";
                time_t t = node->value.t;
                if (ctime_r(&t, text))
                    text[strcspn(text, "\n")] = '\0';
                sn_log(2, NULL, "sn_setting_print", __LINE__, "name:%s,type:%d,value:%s\n",
                       node->key, node->type, text);
                break;
            }
            default:
                break;
            }
        }
    }
}
