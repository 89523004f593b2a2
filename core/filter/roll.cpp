/*
 * "roll": the picture moves x pixels to the left and y up, what leaves one
 * edge coming back at the other. In place: rows move along the cycles of the
 * vertical shift, each turned by the horizontal one as it is copied, so every
 * pixel is moved once through a single row-sized buffer.
 */
#include "filter/imf_common.h"

#include <stdlib.h>
#include <string.h>

typedef struct imf_roll {
    imagefilter_t head;
    int x;
    int y;
    int unit;
} imf_roll_t;

static int imf_roll_set_settings(imagefilter_t *filter, const char *const *keys,
                                 const char *const *values)
{
    imf_roll_t *self = (imf_roll_t *)filter;
    imf_scan_unit(keys, values, &self->unit);
    for (int i = 0; !imf_settings_end(keys[i], 1); i++) {
        int *field = imf_word_is(keys[i], "x")   ? &self->x
                     : imf_word_is(keys[i], "y") ? &self->y
                                                 : NULL;
        if (!field)
            continue;
        if (imf_parse_int(values[i], field) != 0) {
            sn_log(4, NULL, "imf_roll_set_settings", __LINE__, "FAILED! name:%s, value:%s\n",
                   keys[i], values[i] ? values[i] : "(null)");
            return -1;
        }
    }
    return 0;
}

static size_t imf_roll_reduce(int64_t shift, int64_t size)
{
    /* One modulo instead of adding the size in a loop: a shift of -2^31 on a
     * 1-pixel side must not spin two billion times. */
    int64_t r = shift % size;
    return (size_t)(r < 0 ? r + size : r);
}

/* dst takes src turned left by dx pixels; the two rows do not overlap. */
static inline void imf_roll_row(uint32_t *dst, const uint32_t *src, size_t w, size_t dx)
{
    memcpy(dst, src + dx, (w - dx) * sizeof *dst);
    memcpy(dst + (w - dx), src, dx * sizeof *dst);
}

static size_t imf_gcd(size_t a, size_t b)
{
    while (b) {
        size_t t = a % b;
        a = b;
        b = t;
    }
    return a;
}

static int imf_roll_execute(imagefilter_t *filter, sn_image_t *image)
{
    const imf_roll_t *self = (const imf_roll_t *)filter;
    if (!imf_image_ready(image))
        return -1;
    const size_t w = (size_t)image->width, h = (size_t)image->height;
    const size_t dx = imf_roll_reduce(imf_length_pixels(self->x, self->unit, image->width), w);
    const size_t dy = imf_roll_reduce(imf_length_pixels(self->y, self->unit, image->height), h);
    if (dx == 0 && dy == 0)
        return 0;
    uint32_t *buffer = (uint32_t *)malloc(w * sizeof *buffer);
    if (!buffer) {
        sn_log(4, NULL, "imf_roll_execute", __LINE__, "malloc FAILED! size:%zu\n",
               w * sizeof *buffer);
        return -1;
    }
    for (int i = 0; i < image->frame_count; i++) {
        uint32_t *pixels = image->frames[i].pixels;
        if (dy == 0) {
            for (size_t j = 0; j < h; j++) {
                uint32_t *row = pixels + j * w;
                memcpy(buffer, row, w * sizeof *row);
                imf_roll_row(row, buffer, w, dx);
            }
            continue;
        }
        /* Row j takes old row (j + dy) mod h; the rows fall into gcd(h, dy)
         * cycles, and the first row of each waits in the buffer. */
        const size_t cycles = imf_gcd(h, dy);
        for (size_t start = 0; start < cycles; start++) {
            memcpy(buffer, pixels + start * w, w * sizeof *buffer);
            size_t j = start;
            for (;;) {
                size_t next = j + dy;
                if (next >= h)
                    next -= h;
                if (next == start) {
                    imf_roll_row(pixels + j * w, buffer, w, dx);
                    break;
                }
                imf_roll_row(pixels + j * w, pixels + next * w, w, dx);
                j = next;
            }
        }
    }
    free(buffer);
    return 0;
}

imagefilter_t *imagefilter_roll_create(void)
{
    imf_roll_t *self = (imf_roll_t *)imf_create(sizeof *self, "imagefilter_roll_create", "roll",
                                                imf_roll_execute, imf_roll_set_settings);
    if (!self)
        return NULL;
    self->unit = IMF_UNIT_PIXELS;
    return &self->head;
}
