/*
 * The image object: creation, cloning, destruction, frame allocation, the
 * frame-size check and the colour text.
 * Geometry (crop, padding, resize, rotate) lives in geometry.cpp.
 */
#include "image/sn_image.h"
#include "image/sn_image_codec.h"
#include "base/sn_log.h"

#include <leptonica/allheaders.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int sn_size_mul(size_t a, size_t b, size_t *out)
{
    if (a != 0 && b > (size_t)-1 / a)
        return -1;
    *out = a * b;
    return 0;
}

int sn_image_check_size(const char *function, int width, int height, size_t *bytes)
{
    size_t pixels, total;
    if (width <= 0 || height <= 0 || sn_size_mul((size_t)width, (size_t)height, &pixels) != 0 ||
        sn_size_mul(pixels, 4, &total) != 0 || total > SN_IMAGE_MAX_FRAME_BYTES) {
        sn_log(4, NULL, function ? function : "sn_image_check_size", __LINE__,
               "frame size FAILED! width:%d, height:%d\n", width, height);
        return -1;
    }
    if (bytes)
        *bytes = total;
    return 0;
}

static void lept_message_to_log(const char *message)
{
    /* Leptonica reports through this hook instead of writing to stderr. */
    sn_log(3, NULL, "leptonica", __LINE__, "%s", message ? message : "");
}

int sn_image_init(void)
{
    /* Pixel buffers pass between frames and Leptonica both ways, so both
     * sides allocate and free them alike. */
    setPixMemoryManager(snimage_block_alloc, snimage_block_free);
    leptSetStderrHandler(lept_message_to_log);
    snimage_register_formats();
    return 0;
}

void sn_image_uninit(void) {}

int snimage_allocate_frame(sn_image_frame_t *frame, int width, int height)
{
    size_t bytes, row_bytes;
    if (!frame) {
        sn_log(4, NULL, "snimage_allocate_frame", __LINE__, "frame is null\n");
        return -1;
    }
    if (sn_image_check_size("snimage_allocate_frame", width, height, &bytes) != 0)
        return -1;
    row_bytes = (size_t)height * sizeof(uint32_t *);

    uint32_t **rows = (uint32_t **)malloc(row_bytes);
    if (!rows) {
        sn_log(4, NULL, "snimage_allocate_frame", __LINE__, "malloc FAILED! %zu\n", row_bytes);
        return -1;
    }
    uint32_t *pixels = (uint32_t *)snimage_block_alloc(bytes);
    if (!pixels) {
        sn_log(4, NULL, "snimage_allocate_frame", __LINE__, "malloc FAILED! %zu\n", bytes);
        free(rows);
        return -1;
    }
    for (int y = 0; y < height; y++)
        rows[y] = pixels + (size_t)y * (size_t)width;
    frame->rows = rows;
    frame->pixels = pixels;
    return 0;
}

void snimage_free_frame(sn_image_frame_t *frame)
{
    if (!frame || !frame->rows)
        return;
    snimage_block_free(frame->pixels);
    free(frame->rows);
}

sn_image_t *sn_image_create(int width, int height, int frame_count)
{
    if (frame_count < 0) {
        sn_log(4, NULL, "sn_image_create", __LINE__, "frame_count:%d\n", frame_count);
        return NULL;
    }
    sn_image_t *image = (sn_image_t *)calloc(1, sizeof *image);
    if (!image) {
        sn_log(4, NULL, "sn_image_create", __LINE__, "malloc FAILED! size:%zu\n", sizeof *image);
        return NULL;
    }
    image->reader = (snimage_reader_t *)calloc(1, sizeof(snimage_reader_t));
    if (!image->reader) {
        sn_log(4, NULL, "sn_image_create", __LINE__, "malloc FAILED! size:%zu\n",
               sizeof(snimage_reader_t));
        free(image);
        return NULL;
    }
    image->reader->owner = image;
    if (frame_count > 0) {
        image->frames = (sn_image_frame_t *)calloc((size_t)frame_count, sizeof(sn_image_frame_t));
        if (!image->frames) {
            sn_log(4, NULL, "sn_image_create", __LINE__, "malloc FAILED! count:%d\n", frame_count);
            free(image->reader);
            free(image);
            return NULL;
        }
    }
    image->width = width;
    image->height = height;
    image->frame_count = frame_count;
    image->format = 0;
    image->input_format = &snimage_memory_iformat;
    return image;
}

sn_image_t *sn_image_clone(const sn_image_t *image)
{
    if (!image) {
        sn_log(4, NULL, "sn_image_clone", __LINE__, "image is null\n");
        return NULL;
    }
    sn_image_t *copy = sn_image_create(image->width, image->height, image->frame_count);
    if (!copy)
        return NULL;
    copy->has_alpha = image->has_alpha;
    size_t bytes = (size_t)image->width * (size_t)image->height * 4;
    for (int i = 0; i < image->frame_count; i++) {
        if (!image->frames[i].rows)
            continue;
        if (sn_image_allocate_frame(copy, i) != 0) {
            sn_image_destroy(copy);
            return NULL;
        }
        /* Frames have no row padding: one copy moves every row. */
        memcpy(copy->frames[i].pixels, image->frames[i].pixels, bytes);
    }
    return copy;
}

void sn_image_destroy(sn_image_t *image)
{
    if (!image)
        return;
    for (int i = 0; i < image->frame_count; i++)
        snimage_free_frame(&image->frames[i]);
    free(image->frames);
    if (image->reader) {
        if (image->reader->codec_state && image->input_format && image->input_format->close)
            image->input_format->close(image->reader);
        free(image->reader->path);
        free(image->reader);
    }
    free(image);
}

int sn_image_allocate_frame(sn_image_t *image, int index)
{
    if (!image || index < 0 || index >= image->frame_count) {
        sn_log(4, NULL, "sn_image_allocate_frame", __LINE__, "index:%d\n", index);
        return -1;
    }
    return snimage_allocate_frame(&image->frames[index], image->width, image->height);
}

void sn_image_free_frame(sn_image_t *image, int index)
{
    if (!image || index < 0 || index >= image->frame_count)
        return;
    snimage_free_frame(&image->frames[index]);
    image->frames[index].rows = NULL;
    image->frames[index].pixels = NULL;
}

uint32_t **sn_image_get_frame(const sn_image_t *image, int index)
{
    if (!image || index < 0 || index >= image->frame_count)
        return NULL;
    return image->frames[index].rows;
}

int sn_color_parse(const char *text, uint32_t *word)
{
    if (!text || !word || !*text)
        return -1;
    errno = 0;
    char *end = NULL;
    unsigned long long value = strtoull(text, &end, 16);
    if (errno != 0 || end == text || *end != '\0' || value > 0xFFFFFFFFull)
        return -1;
    *word = (uint32_t)value;
    return 0;
}

void sn_color_format(uint32_t word, char text[11])
{
    snprintf(text, 11, "0x%02X%02X%02X%02X", SN_PIXEL_B(word), SN_PIXEL_G(word), SN_PIXEL_R(word),
             SN_PIXEL_A(word));
}
