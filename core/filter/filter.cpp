/*
 * The filter engine: the registry of kinds (built once, safe when first calls
 * from several threads meet), the calls that dispatch to a filter's
 * operations, and what every kind shares (imf_common.h): the reading of
 * setting values, record allocation, Leptonica headers and the blend.
 *
 *   imagefilter_create, imagefilter_destroy, imagefilter_execute,
 *   imagefilter_set_settings, imagefilter_reserved, imagefilter_get_name,
 *   imagefilter_refusal, imagefilter_set_refusal, imagefilter_predict_size,
 *   imagefilter_add_kind, imagefilter_register_all
 *   imf_settings_end, imf_word_is, imf_parse_int, imf_parse_double,
 *   imf_double_to_int, imf_parse_transparency, imf_parse_angle,
 *   imf_length_unit, imf_scan_unit, imf_length_pixels, imf_parse_position,
 *   imf_parse_image, imf_parse_color, imf_create, imf_image_ready,
 *   imf_resize_step,
 *   imf_header_create, imf_header_lend, imf_header_destroy, imf_blend
 */
#include "filter/imf_common.h"
#include "base/sn_log.h"
#include "base/sn_number.h"

#include <leptonica/allheaders.h>

#include <ctype.h>
#include <limits.h>
#include <locale.h>
#include <math.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

/* ---- registry ---- */

static imagefilter_kind_t imf_kinds[] = {
    {"resize", imagefilter_resize_create, NULL},
    {"flip", imagefilter_flip_create, NULL},
    {"rotate", imagefilter_rotate_create, NULL},
    {"crop", imagefilter_crop_create, NULL},
    {"roll", imagefilter_roll_create, NULL},
    {"gray", imagefilter_gray_create, NULL},
    {"equalize", imagefilter_equalize_create, NULL},
    {"negative", imagefilter_negative_create, NULL},
    {"swap_colors", imagefilter_swap_colors_create, NULL},
    {"coloration", imagefilter_coloration_create, NULL},
    {"auto_contrast", imagefilter_auto_contrast_create, NULL},
    {"stamp", imagefilter_stamp_create, NULL},
    {"watermark", imagefilter_watermark_create, NULL},
};

static imagefilter_kind_t *imf_kind_head;
static imagefilter_kind_t *imf_kind_tail;
static pthread_once_t imf_kinds_once = PTHREAD_ONCE_INIT;

void imagefilter_add_kind(imagefilter_kind_t *entry)
{
    if (!entry) {
        sn_log(4, NULL, "imagefilter_add_kind", __LINE__, "entry is null\n");
        return;
    }
    entry->next = NULL;
    if (imf_kind_tail)
        imf_kind_tail->next = entry;
    else
        imf_kind_head = entry;
    imf_kind_tail = entry;
}

static void imf_register_once(void)
{
    for (size_t i = 0; i < sizeof imf_kinds / sizeof imf_kinds[0]; i++)
        imagefilter_add_kind(&imf_kinds[i]);
}

void imagefilter_register_all(void)
{
    /* The interface thread, the thumbnail worker and the preview worker may
     * all make their first filter at once; the list is only read afterwards. */
    pthread_once(&imf_kinds_once, imf_register_once);
}

imagefilter_t *imagefilter_create(const char *name)
{
    if (!name) {
        sn_log(4, NULL, "imagefilter_create", __LINE__, "name is null\n");
        return NULL;
    }
    imagefilter_register_all();
    for (imagefilter_kind_t *kind = imf_kind_head; kind; kind = kind->next) {
        if (strcasecmp(kind->name, name) == 0)
            return kind->create ? kind->create() : NULL;
    }
    sn_log(4, NULL, "imagefilter_create", __LINE__, "unknown filter FAILED! name:%s\n", name);
    return NULL;
}

void imagefilter_destroy(imagefilter_t *filter)
{
    if (filter && filter->destroy)
        filter->destroy(filter);
}

/* A worker runs one filter at a time, and asks why right after the run. */
static thread_local int t_refusal = IMAGEFILTER_REFUSED_NONE;

int imagefilter_refusal(void)
{
    return t_refusal;
}

void imagefilter_set_refusal(int reason)
{
    t_refusal = reason;
}

int imagefilter_execute(imagefilter_t *filter, sn_image_t *image)
{
    t_refusal = IMAGEFILTER_REFUSED_NONE;
    if (!filter || !filter->execute)
        return -1;
    return filter->execute(filter, image);
}

int imagefilter_predict_size(const imagefilter_t *filter, int64_t *width, int64_t *height,
                             int64_t *most)
{
    if (!filter || !filter->name || !width || !height || !most) {
        sn_log(4, NULL, "imagefilter_predict_size", __LINE__, "argument is null\n");
        return -1;
    }
    if (*width <= 0 || *height <= 0 || *width > INT_MAX || *height > INT_MAX)
        return -1;
    /* Kinds that never change the size; a stamp or watermark overlay is
     * bounded by the kind itself. */
    static const char *const same_size[] = {
        "flip",        "roll",       "gray",          "equalize", "negative",
        "swap_colors", "coloration", "auto_contrast", "stamp",    "watermark",
    };
    const char *name = filter->name;
    for (const char *kind : same_size) {
        if (strcmp(name, kind) == 0) {
            *most = *width * *height;
            return 0;
        }
    }
    if (strcmp(name, "resize") == 0)
        return imf_resize_predict(filter, width, height, most);
    if (strcmp(name, "crop") == 0)
        return imf_crop_predict(filter, width, height, most);
    if (strcmp(name, "rotate") == 0)
        return imf_rotate_predict(filter, width, height, most);
    return -1;
}

int imagefilter_set_settings(imagefilter_t *filter, const char *const *keys,
                             const char *const *values)
{
    if (!filter || !filter->set_settings)
        return -1;
    if (!keys || !values) {
        sn_log(4, NULL, "imagefilter_set_settings", __LINE__, "keys or values is null\n");
        return -1;
    }
    return filter->set_settings(filter, keys, values);
}

int imagefilter_reserved(imagefilter_t *filter, int a, int b)
{
    if (!filter || !filter->reserved)
        return -1;
    return filter->reserved(filter, a, b);
}

const char *imagefilter_get_name(const imagefilter_t *filter)
{
    return filter ? filter->name : NULL;
}

/* ---- setting values ---- */

int imf_settings_end(const char *key, int stop_at_empty)
{
    return !key || (stop_at_empty && key[0] == '\0');
}

int imf_word_is(const char *text, const char *word)
{
    return text && word && strcasecmp(text, word) == 0;
}

int imf_parse_int(const char *text, int *out)
{
    if (!text || !out)
        return -1;
    const char *p = text;
    while (isspace((unsigned char)*p))
        p++;
    int negative = 0;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        value = value * 10 + (*p - '0');
        if (value > (int64_t)INT_MAX + 1)
            return -1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return -1;
    *out = (int)value;
    return 0;
}

int imf_parse_double(const char *text, double *out)
{
    if (!text || !out)
        return -1;
    /* The operations write reals with '.', but a Qt application runs in the
     * user's locale, where atof would stop at the '.' of "45.50". */
    double value = sn_strtod_c(text, NULL);
    if (!isfinite(value))
        return -1;
    *out = value;
    return 0;
}

int imf_double_to_int(double value, int *out)
{
    /* Converting a double outside the int range is undefined: check first. */
    if (!(value > (double)INT_MIN - 1.0 && value < (double)INT_MAX + 1.0))
        return -1;
    *out = (int)value;
    return 0;
}

int imf_parse_transparency(const char *text, int *out)
{
    double number;
    if (imf_parse_double(text, &number) != 0)
        return -1;
    *out = number < 0 ? 0 : number > 100 ? 100 : (int)number;
    return 0;
}

int imf_parse_angle(const char *text, double *out)
{
    double angle;
    if (imf_parse_double(text, &angle) != 0)
        return -1;
    /* One step instead of adding 360 in a loop: -1e300 must not spin. */
    angle = fmod(angle, 360.0);
    if (angle < 0)
        angle += 360.0;
    if (angle >= 360.0)
        angle = 0.0;
    *out = angle;
    return 0;
}

int imf_length_unit(const char *text)
{
    if (!text)
        return 0;
    size_t n = strlen(text);
    if (n >= 2 && strcasecmp(text + n - 2, "px") == 0)
        return IMF_UNIT_PIXELS;
    if (n >= 1 && text[n - 1] == '%')
        return IMF_UNIT_PERCENT;
    return 0;
}

void imf_scan_unit(const char *const *keys, const char *const *values, int *unit)
{
    for (int i = 0; !imf_settings_end(keys[i], 1); i++) {
        int u = imf_length_unit(values[i]);
        if (u)
            *unit = u;
    }
}

int64_t imf_length_pixels(int64_t value, int unit, int64_t size)
{
    /* 64 bits: a 40000-pixel side times 100000 % must not wrap. */
    return unit == IMF_UNIT_PIXELS ? value : size * value / 100;
}

int imf_parse_position(const char *text, const char *const words[3], int *anchor, int *offset,
                       int *unit)
{
    if (!text)
        return -1;
    for (int i = 0; i < 3; i++) {
        if (strncasecmp(text, words[i], strlen(words[i])) == 0) {
            *anchor = i;
            break;
        }
    }
    const char *dash = strchr(text, '-');
    if (!dash)
        return 0;
    int value;
    if (imf_parse_int(dash + 1, &value) != 0)
        return -1;
    size_t n = strlen(text);
    *offset = value;
    *unit = text[n - 1] == '%' ? IMF_UNIT_PERCENT : IMF_UNIT_PIXELS;
    return 0;
}

int imf_parse_image(const char *text, sn_image_t **out)
{
    void *address = NULL;
    if (!text || sscanf(text, "%p", &address) != 1)
        return -1;
    *out = (sn_image_t *)address;
    return 0;
}

int imf_parse_color(const char *text, uint32_t *out)
{
    if (!text)
        return -1;
    if (!*text)
        return 1;
    return sn_color_parse(text, out);
}

/* ---- records, images, Leptonica headers ---- */

/* The reserved operation of every kind with settings: it answers -1. */
static int imf_reserved_refuse(imagefilter_t *, int, int)
{
    return -1;
}

/* The destroy operation of every kind: the record holds nothing else. */
static void imf_free_record(imagefilter_t *filter)
{
    free(filter);
}

imagefilter_t *imf_create(size_t size, const char *function, const char *name,
                          imagefilter_execute_fn execute, imagefilter_settings_fn set_settings)
{
    imagefilter_t *filter = (imagefilter_t *)calloc(1, size);
    if (!filter) {
        sn_log(4, NULL, function, __LINE__, "malloc FAILED! size:%d\n", (int)size);
        return NULL;
    }
    filter->name = name;
    filter->destroy = imf_free_record;
    filter->execute = execute;
    filter->set_settings = set_settings;
    filter->reserved = set_settings ? imf_reserved_refuse : NULL;
    return filter;
}

int imf_image_ready(const sn_image_t *image)
{
    if (!image || image->width <= 0 || image->height <= 0 || image->frame_count <= 0 ||
        !image->frames)
        return 0;
    for (int i = 0; i < image->frame_count; i++) {
        if (!image->frames[i].rows || !image->frames[i].pixels)
            return 0;
    }
    return 1;
}

int imf_resize_step(int side, int target)
{
    /* In 64 bits: side and target may both be near INT_MAX. */
    if ((int64_t)target * 40 >= side)
        return target;
    return (int)(((int64_t)side + 39) / 40);
}

struct Pix *imf_header_create(int width, int height)
{
    PIX *pix = pixCreateHeader(width, height, 32);
    if (!pix)
        sn_log(4, NULL, "imf_header_create", __LINE__,
               "pixCreateHeader FAILED! width:%d, height:%d\n", width, height);
    return pix;
}

void imf_header_lend(struct Pix *header, uint32_t *pixels)
{
    pixSetData(header, pixels);
}

void imf_header_destroy(struct Pix *header)
{
    if (!header)
        return;
    pixSetData(header, NULL);
    pixDestroy(&header);
}

/* ---- blend ---- */

void imf_blend(uint32_t *const *drows, int width, int height, uint32_t *const *orows, int ow,
               int oh, int64_t x, int64_t y, int transparency)
{
    /* The weights add up to 25855 of 25856: even a fully opaque overlay at
     * transparency 0 (e = 25500) keeps 355/25856 of the picture below. */
    const uint32_t keep = transparency <= 0     ? 100u
                          : transparency >= 100 ? 0u
                                                : 100u - (uint32_t)transparency;
    int64_t j0 = y < 0 ? -y : 0, k0 = x < 0 ? -x : 0;
    int64_t j1 = oh, k1 = ow;
    if (y + j1 > height)
        j1 = height - y;
    if (x + k1 > width)
        k1 = width - x;
    if (keep == 0 || j0 >= j1 || k0 >= k1)
        return;
    for (int64_t j = j0; j < j1; j++) {
        const uint32_t *s = orows[j] + k0;
        uint32_t *d = drows[y + j] + (x + k0);
        for (int64_t k = k0; k < k1; k++, s++, d++) {
            uint32_t sp = *s, dp = *d;
            uint32_t e = (sp & 0xFFu) * keep;
            if (e == 0)
                continue;
            uint32_t f = 25855u - e;
            uint32_t r = (f * ((dp >> 8) & 0xFF) + e * ((sp >> 8) & 0xFF)) / 25856u;
            uint32_t g = (f * ((dp >> 16) & 0xFF) + e * ((sp >> 16) & 0xFF)) / 25856u;
            uint32_t b = (f * (dp >> 24) + e * (sp >> 24)) / 25856u;
            *d = (dp & 0xFFu) | (r << 8) | (g << 16) | (b << 24);
        }
    }
}
