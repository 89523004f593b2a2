/*
 * Format vocabulary (ids, names, extensions), the input and output format
 * registries, loading by content, guessing and saving (by path or into a
 * descriptor), and the writers' shared path entry, stream and end-of-file
 * check.
 */
#include "image/sn_image.h"
#include "image/sn_image_codec.h"
#include "base/sn_log.h"
#include "base/sn_thread.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace
{

snimage_iformat_t *g_iformats = nullptr;
snimage_oformat_t *g_oformats = nullptr;
std::atomic<bool> g_registered{false};

struct format_text {
    int id;
    const char *name;
    const char *ext;
};

const format_text g_texts[] = {
    {SN_IMAGE_FORMAT_BMP, "BMP", ".bmp"},   {SN_IMAGE_FORMAT_JPEG, "JPG", ".jpg"},
    {SN_IMAGE_FORMAT_GIF, "GIF", ".gif"},   {SN_IMAGE_FORMAT_PNG, "PNG", ".png"},
    {SN_IMAGE_FORMAT_TIFF, "TIFF", ".tif"}, {SN_IMAGE_FORMAT_TGA, "TGA", ".tga"},
    {SN_IMAGE_FORMAT_RAW, "RAW", ".raw"},
};

/* Opens path without blocking (a named pipe would wait for a writer, and a
 * batch worker with it) and keeps it only when the descriptor is a regular
 * file; a device or a folder is no picture either. The name is looked at
 * first, so that a device is not even opened, and the descriptor after, in
 * case the name was replaced in between. *st gets the file's status. */
int open_regular(const char *path, struct stat *st, const char *function)
{
    if (stat(path, st) != 0) {
        if (function)
            sn_log(4, NULL, function, __LINE__, "fopen FAILED! %s\n", path);
        return -1;
    }
    if (!S_ISREG(st->st_mode)) {
        if (function)
            sn_log(4, NULL, function, __LINE__, "not a regular file FAILED! %s\n", path);
        return -1;
    }
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (function)
            sn_log(4, NULL, function, __LINE__, "fopen FAILED! %s\n", path);
        return -1;
    }
    if (fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        if (function)
            sn_log(4, NULL, function, __LINE__, "not a regular file FAILED! %s\n", path);
        close(fd);
        return -1;
    }
    return fd;
}

/* Opens path, copies it into the reader and offers the first bytes to each
 * input format in registration order. Returns the open file (the caller
 * closes it) and the winner in *found; null when nothing can be had. While
 * the formats look, the reader's source is that stream: they read through
 * it and never open the name again. *st gets the opened file's status. */
FILE *probe_file(sn_image_t *image, const char *path, const char *function,
                 const snimage_iformat_t **found, struct stat *st)
{
    *found = nullptr;
    int fd = open_regular(path, st, function);
    if (fd < 0)
        return nullptr;
    FILE *fp = fdopen(fd, "rb");
    if (!fp) {
        sn_log(4, NULL, function, __LINE__, "fopen FAILED! %s\n", path);
        close(fd);
        return nullptr;
    }
    image->reader->path = strdup(path);
    if (!image->reader->path) {
        sn_log(4, NULL, function, __LINE__, "malloc FAILED! size:%zu\n", strlen(path) + 1);
        fclose(fp);
        return nullptr;
    }
    image->reader->source = fp;
    if (snimage_opened_hook)
        snimage_opened_hook(path);
    unsigned char bytes[SNIMAGE_PROBE_BYTES];
    int count = (int)fread(bytes, 1, sizeof bytes, fp);
    for (const snimage_iformat_t *f = g_iformats; f; f = f->next) {
        if (f->probe && f->probe(image->reader, bytes, count) == 0) {
            *found = f;
            break;
        }
    }
    if (!*found) {
        sn_log(4, NULL, function, __LINE__, "unknown file type!\n");
        image->reader->source = nullptr;
        fclose(fp);
        return nullptr;
    }
    image->input_format = *found;
    sn_log(2, NULL, function, __LINE__, "matched file format %d, extensions:%s\n", (*found)->id,
           (*found)->extensions);
    return fp;
}

/* The stream goes with the reader's hold on it. */
void close_source(sn_image_t *image, FILE *fp)
{
    image->reader->source = nullptr;
    fclose(fp);
}

} // namespace

void (*snimage_opened_hook)(const char *path) = nullptr;

int snimage_reader_open_fd(snimage_reader_t *reader)
{
    if (!reader || (!reader->source && !reader->path))
        return -1;
    int fd;
    if (reader->source) {
        fd = fcntl(fileno(reader->source), F_DUPFD_CLOEXEC, 0);
    } else {
        struct stat st;
        fd = open_regular(reader->path, &st, nullptr);
    }
    if (fd < 0)
        return -1;
    /* A copy shares the offset, which the probe moved. */
    if (lseek(fd, 0, SEEK_SET) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

FILE *snimage_reader_open_file(snimage_reader_t *reader)
{
    int fd = snimage_reader_open_fd(reader);
    if (fd < 0)
        return nullptr;
    FILE *fp = fdopen(fd, "rb");
    if (!fp)
        close(fd);
    return fp;
}

void snimage_register_iformat(snimage_iformat_t *format)
{
    if (!format)
        return;
    format->next = nullptr;
    snimage_iformat_t **tail = &g_iformats;
    while (*tail)
        tail = &(*tail)->next;
    *tail = format;
}

void snimage_register_oformat(snimage_oformat_t *format)
{
    if (!format)
        return;
    format->next = nullptr;
    snimage_oformat_t **tail = &g_oformats;
    while (*tail)
        tail = &(*tail)->next;
    *tail = format;
}

void snimage_register_formats(void)
{
    if (g_registered.exchange(true))
        return;
    snimage_register_iformat(&snimage_memory_iformat);
    snimage_register_oformat(&snimage_bmp_oformat);
    snimage_register_iformat(&snimage_bmp_iformat);
    snimage_register_oformat(&snimage_jpeg_oformat);
    snimage_register_iformat(&snimage_jpeg_iformat);
    snimage_register_oformat(&snimage_gif_oformat);
    snimage_register_iformat(&snimage_gif_iformat);
    snimage_register_oformat(&snimage_png_oformat);
    snimage_register_iformat(&snimage_png_iformat);
    snimage_register_oformat(&snimage_tiff_oformat);
    snimage_register_iformat(&snimage_tiff_iformat);
}

const snimage_iformat_t *snimage_next_iformat(const snimage_iformat_t *format)
{
    return format ? format->next : g_iformats;
}

const snimage_oformat_t *snimage_next_oformat(const snimage_oformat_t *format)
{
    return format ? format->next : g_oformats;
}

const snimage_iformat_t *snimage_find_iformat(int id)
{
    for (const snimage_iformat_t *f = g_iformats; f; f = f->next)
        if (f->id == id)
            return f;
    return nullptr;
}

const snimage_oformat_t *snimage_find_oformat(int id)
{
    for (const snimage_oformat_t *f = g_oformats; f; f = f->next)
        if (f->id == id)
            return f;
    return nullptr;
}

int snimage_match_extension(const char *path, const char *extensions)
{
    if (!path || !extensions)
        return -1;
    const char *dot = strrchr(path, '.');
    if (!dot)
        return -1;
    const char *ext = dot + 1;
    const char *item = extensions;
    while (*item) {
        const char *end = strchr(item, ',');
        size_t len = end ? (size_t)(end - item) : strlen(item);
        char buf[32];
        if (len < sizeof buf) {
            memcpy(buf, item, len);
            buf[len] = '\0';
            if (len > 0 && strcasecmp(buf, ext) == 0)
                return 0;
        }
        if (!end)
            break;
        item = end + 1;
    }
    return -1;
}

const snimage_oformat_t *snimage_guess_oformat(const char *path)
{
    for (const snimage_oformat_t *f = g_oformats; f; f = f->next)
        if (snimage_match_extension(path, f->extensions) == 0)
            return f;
    return nullptr;
}

const snimage_iformat_t *snimage_guess_iformat(const char *path)
{
    if (!path) {
        sn_log(4, NULL, "snimage_guess_iformat", __LINE__, "path is null\n");
        return nullptr;
    }
    sn_image_t *image = sn_image_create(0, 0, 0);
    if (!image)
        return nullptr;
    const snimage_iformat_t *found = nullptr;
    struct stat st;
    FILE *fp = probe_file(image, path, "snimage_guess_iformat", &found, &st);
    if (fp)
        close_source(image, fp);
    sn_image_destroy(image);
    return found;
}

int sn_image_guess_format(const char *path)
{
    const snimage_iformat_t *f = snimage_guess_iformat(path);
    return f ? f->id : 0;
}

sn_image_t *sn_image_create_from_file(const char *path, int last)
{
    return snimage_create_from_file_stat(path, last, nullptr);
}

sn_image_t *snimage_create_from_file_stat(const char *path, int last, struct stat *loaded)
{
    if (!path) {
        sn_log(4, NULL, "sn_image_create_from_file", __LINE__, "path is null\n");
        return nullptr;
    }
    sn_image_t *image = sn_image_create(0, 0, 0);
    if (!image)
        return nullptr;
    const snimage_iformat_t *format = nullptr;
    struct stat st;
    FILE *fp = probe_file(image, path, "sn_image_create_from_file", &format, &st);
    if (!fp) {
        sn_image_destroy(image);
        return nullptr;
    }

    snimage_reader_t *reader = image->reader;
    if (format->read_header(reader) != 0) {
        sn_log(4, NULL, "sn_image_create_from_file", __LINE__, "read_header FAILED!\n");
        goto fail;
    }
    if (image->frame_count <= 0) {
        sn_log(4, NULL, "sn_image_create_from_file", __LINE__, "read_header FAILED!\n");
        goto fail;
    }
    image->frames =
        (sn_image_frame_t *)calloc((size_t)image->frame_count, sizeof(sn_image_frame_t));
    if (!image->frames) {
        sn_log(4, NULL, "sn_image_create_from_file", __LINE__, "malloc FAILED! count:%d\n",
               image->frame_count);
        goto fail;
    }
    if (last > image->frame_count)
        last = -1;
    if (format->read_frames(reader, 0, last) != 0) {
        sn_log(4, NULL, "sn_image_create_from_file", __LINE__, "read_frames FAILED!\n");
        goto fail;
    }
    if (reader->codec_state)
        format->close(reader);
    reader->codec_state = nullptr;
    close_source(image, fp);
    if (loaded)
        *loaded = st;
    return image;

fail:
    close_source(image, fp);
    /* A frame array that read_header never sized must not be walked. */
    if (!image->frames)
        image->frame_count = 0;
    sn_image_destroy(image);
    return nullptr;
}

/* The descriptor of format, or of name's extension for 0, with a frame to
 * write; null after its message. */
static const snimage_oformat_t *save_format(sn_image_t *image, const char *name, int format)
{
    const snimage_oformat_t *out =
        format != 0 ? snimage_find_oformat(format) : snimage_guess_oformat(name);
    if (!out || !out->write) {
        sn_log(4, NULL, "sn_image_save", __LINE__, "unknown output format, file:%s, format:%d\n",
               name, format);
        return nullptr;
    }
    if (image->frame_count <= 0 || !image->frames || !image->frames[0].rows) {
        sn_log(4, NULL, "sn_image_save", __LINE__, "image has no frame, file:%s\n", name);
        return nullptr;
    }
    return out;
}

int sn_image_save(sn_image_t *image, const char *path, int format,
                  const sn_image_write_params_t *params)
{
    if (!image || !path) {
        sn_log(4, NULL, "sn_image_save", __LINE__, "image or path is null\n");
        return -1;
    }
    const snimage_oformat_t *out = save_format(image, path, format);
    if (!out)
        return -1;
    return out->write(image, path, 0, image->frame_count - 1, params);
}

int sn_image_save_fd(sn_image_t *image, int fd, const char *name, int format,
                     const sn_image_write_params_t *params)
{
    if (!image || fd < 0 || !name) {
        sn_log(4, NULL, "sn_image_save_fd", __LINE__, "image, descriptor or name is null\n");
        return -1;
    }
    const snimage_oformat_t *out = save_format(image, name, format);
    if (!out)
        return -1;
    if (!out->write_fd) {
        sn_log(4, NULL, "sn_image_save_fd", __LINE__, "unknown output format, file:%s, format:%d\n",
               name, format);
        return -1;
    }
    return out->write_fd(image, fd, name, 0, image->frame_count - 1, params);
}

const char *sn_image_format_name(int id)
{
    for (const format_text &t : g_texts)
        if (t.id == id)
            return t.name;
    return "UNKNOWN";
}

const char *sn_image_format_ext(int id)
{
    for (const format_text &t : g_texts)
        if (t.id == id)
            return t.ext;
    return "";
}

int sn_image_format_from_name(const char *name)
{
    if (!name)
        return 0;
    for (const format_text &t : g_texts)
        if (strcmp(t.name, name) == 0)
            return t.id;
    return 0;
}

/* What a failed write leaves at path goes: a regular file, or a link the
 * writer followed. A device such as /dev/full or /dev/null given as the path
 * itself must never be unlinked. */
void snimage_remove_partial(const char *path)
{
    struct stat st;
    if (path && lstat(path, &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
        unlink(path);
}

int snimage_write_path(sn_image_t *image, const char *path, int first, int last,
                       const sn_image_write_params_t *params,
                       int (*write_fd)(sn_image_t *, int, const char *, int, int,
                                       const sn_image_write_params_t *),
                       const char *function)
{
    if (!image || !path || !write_fd) {
        sn_log(4, NULL, function, __LINE__, "image or path is null\n");
        return -1;
    }
    /* Read access too: libtiff reads back what it wrote. */
    int fd = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        sn_log(4, NULL, function, __LINE__, "fopen FAILED! %s\n", path);
        return -1;
    }
    int failed = write_fd(image, fd, path, first, last, params) != 0;
    if (close(fd) != 0 && !failed) {
        sn_log(4, NULL, function, __LINE__, "write FAILED! %s\n", path);
        failed = 1;
    }
    if (failed) {
        snimage_remove_partial(path);
        return -1;
    }
    return 0;
}

FILE *snimage_output_stream(int fd, const char *name, const char *function)
{
    int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    FILE *fp = copy >= 0 ? fdopen(copy, "wb") : nullptr;
    if (!fp) {
        if (copy >= 0)
            close(copy);
        sn_log(4, NULL, function, __LINE__, "fopen FAILED! %s\n", name ? name : "");
    }
    return fp;
}

int snimage_finish_output(FILE *fp, const char *name, const char *function)
{
    if (!fp)
        return -1;
    int failed = fflush(fp) != 0 || ferror(fp);
    if (fclose(fp) != 0)
        failed = 1;
    if (failed) {
        sn_log(4, NULL, function, __LINE__, "write FAILED! %s\n", name ? name : "");
        return -1;
    }
    return 0;
}

bool snimage_stopped(const char *function, const char *what)
{
    if (!sn_thread_stop_asked())
        return false;
    sn_log(2, NULL, function, __LINE__, "%s stopped: the worker is ending\n", what);
    return true;
}
