/*
 * "resize": scale to a target in pixels or percent of the image's own size,
 * exactly, fitted inside with padding, covering with a central crop, or to a
 * fixed width or height keeping the aspect. Leans on sn_image_resize,
 * sn_image_padding and sn_image_crop; a chain of them runs on a copy, so
 * that a failure leaves the image as it was.
 */
#include "filter/imf_common.h"

#include <limits.h>

#include <utility>

enum {
    IMF_ASPECT_NONE,
    IMF_ASPECT_PADDING,
    IMF_ASPECT_CROPPING,
    IMF_ASPECT_WIDTH,
    IMF_ASPECT_HEIGHT
};

typedef struct imf_resize {
    imagefilter_t head;
    int width;
    int height;
    int unit;
    int keep_aspect;
    uint32_t padding_color;
} imf_resize_t;

static int imf_resize_set_settings(imagefilter_t *filter, const char *const *keys,
                                   const char *const *values)
{
    imf_resize_t *self = (imf_resize_t *)filter;
    imf_scan_unit(keys, values, &self->unit);
    for (int i = 0; !imf_settings_end(keys[i], 1); i++) {
        const char *key = keys[i], *value = values[i];
        int number;
        if (imf_word_is(key, "width") || imf_word_is(key, "height")) {
            if (imf_parse_int(value, &number) != 0 || number <= 0) {
                sn_log(4, NULL, "imf_resize_set_settings", __LINE__, "FAILED! name:%s, value:%s\n",
                       key, value ? value : "(null)");
                return -1;
            }
            *(imf_word_is(key, "width") ? &self->width : &self->height) = number;
        } else if (imf_word_is(key, "keep_aspect")) {
            self->keep_aspect = imf_word_is(value, "padding")        ? IMF_ASPECT_PADDING
                                : imf_word_is(value, "cropping")     ? IMF_ASPECT_CROPPING
                                : imf_word_is(value, "fixed_width")  ? IMF_ASPECT_WIDTH
                                : imf_word_is(value, "fixed_height") ? IMF_ASPECT_HEIGHT
                                                                     : IMF_ASPECT_NONE;
        } else if (imf_word_is(key, "padding_color")) {
            if (imf_parse_color(value, &self->padding_color) < 0) {
                sn_log(4, NULL, "imf_resize_set_settings", __LINE__, "FAILED! name:%s, value:%s\n",
                       key, value ? value : "(null)");
                return -1;
            }
        }
    }
    return 0;
}

/* A side of the result: at least 1, so that a 10000 x 10 picture fitted into
 * 100 x 100 keeps a one-pixel strip instead of failing on a zero side. */
static int64_t imf_side(int64_t value)
{
    return value < 1 ? 1 : value;
}

/* Trades the pictures (size, frames, alpha) of two images; their readers
 * and formats stay. */
static void imf_swap_pictures(sn_image_t *a, sn_image_t *b)
{
    std::swap(a->width, b->width);
    std::swap(a->height, b->height);
    std::swap(a->frame_count, b->frame_count);
    std::swap(a->frames, b->frames);
    std::swap(a->has_alpha, b->has_alpha);
}

/* Leptonica's scaling gives a 1 x 1 picture for any factor below 0.02, so a
 * steeper reduction goes in steps of at most 40 to 1 on each side. */
static int imf_resize_to(sn_image_t *image, int width, int height)
{
    while (image->width != width || image->height != height) {
        int w = imf_resize_step(image->width, width);
        int h = imf_resize_step(image->height, height);
        if (sn_image_resize(image, w, h) != 0)
            return -1;
        if (image->width != w || image->height != h) {
            sn_log(4, NULL, "imf_resize_to", __LINE__, "scale FAILED! width:%d, height:%d\n",
                   image->width, image->height);
            return -1;
        }
    }
    return 0;
}

/* The scaled size f x g and the target tw x th of a w x h picture; -1 when
 * the target or the scale leaves the int range. */
static int imf_resize_plan(const imf_resize_t *self, int64_t w, int64_t h, int64_t *f_out,
                           int64_t *g_out, int64_t *tw_out, int64_t *th_out)
{
    const int64_t tw = imf_side(imf_length_pixels(self->width, self->unit, w));
    const int64_t th = imf_side(imf_length_pixels(self->height, self->unit, h));
    if (tw > INT_MAX || th > INT_MAX) {
        sn_log(4, NULL, "imf_resize_execute", __LINE__, "target FAILED! width:%lld, height:%lld\n",
               (long long)tw, (long long)th);
        return -1;
    }
    /* The scaled sides are trunc(side * scale) with the scale min or max of
     * tw / w and th / h; comparing tw * h with th * w in integers picks the
     * deciding side and gives the other one exactly, where a floating-point
     * product could land one pixel short. */
    int64_t f = tw, g = th;
    switch (self->keep_aspect) {
    case IMF_ASPECT_PADDING:
    case IMF_ASPECT_CROPPING: {
        const int width_decides = (tw * h <= th * w) == (self->keep_aspect == IMF_ASPECT_PADDING);
        if (width_decides)
            g = imf_side(h * tw / w);
        else
            f = imf_side(w * th / h);
        if (self->keep_aspect == IMF_ASPECT_PADDING) {
            f = f < tw ? f : tw;
            g = g < th ? g : th;
        } else {
            f = f > tw ? f : tw;
            g = g > th ? g : th;
        }
        break;
    }
    case IMF_ASPECT_WIDTH:
        g = imf_side(h * tw / w);
        break;
    case IMF_ASPECT_HEIGHT:
        f = imf_side(w * th / h);
        break;
    default:
        break;
    }
    if (f > INT_MAX || g > INT_MAX) {
        sn_log(4, NULL, "imf_resize_execute", __LINE__, "scale FAILED! width:%lld, height:%lld\n",
               (long long)f, (long long)g);
        return -1;
    }
    *f_out = f;
    *g_out = g;
    *tw_out = tw;
    *th_out = th;
    return 0;
}

/* The padded or cropped result is the target; the plain and fixed-side ones
 * the scaled size. */
static void imf_resize_result(const imf_resize_t *self, int64_t f, int64_t g, int64_t tw,
                              int64_t th, int64_t *width, int64_t *height)
{
    const int finishing =
        self->keep_aspect == IMF_ASPECT_PADDING || self->keep_aspect == IMF_ASPECT_CROPPING;
    *width = finishing ? tw : f;
    *height = finishing ? th : g;
}

static int imf_resize_execute(imagefilter_t *filter, sn_image_t *image);

int imf_resize_predict(const imagefilter_t *filter, int64_t *width, int64_t *height, int64_t *most)
{
    if (!filter || filter->execute != imf_resize_execute)
        return -1;
    const imf_resize_t *self = (const imf_resize_t *)filter;
    int64_t f, g, tw, th;
    /* A refused target fails the run, which keeps the size. */
    if (imf_resize_plan(self, *width, *height, &f, &g, &tw, &th) != 0) {
        *most = *width * *height;
        return 0;
    }
    int64_t rw, rh;
    imf_resize_result(self, f, g, tw, th, &rw, &rh);
    /* The scaled picture comes before its padding or crop; the reduction
     * steps before it are smaller than the picture they start from. */
    const int64_t scaled = f * g, result = rw * rh;
    *most = scaled > result ? scaled : result;
    *width = rw;
    *height = rh;
    return 0;
}

static int imf_resize_execute(imagefilter_t *filter, sn_image_t *image)
{
    const imf_resize_t *self = (const imf_resize_t *)filter;
    if (!imf_image_ready(image))
        return -1;
    int64_t f, g, tw, th;
    if (imf_resize_plan(self, image->width, image->height, &f, &g, &tw, &th) != 0)
        return -1;
    /* Each primitive leaves the image as it was when it fails, but a resize
     * in steps, or one followed by padding or a crop, would fail with the
     * earlier steps done. Such a chain runs on a copy that replaces the
     * image only when every step succeeded. */
    const int one_step = imf_resize_step(image->width, (int)f) == (int)f &&
                         imf_resize_step(image->height, (int)g) == (int)g;
    const int finishing = (self->keep_aspect == IMF_ASPECT_PADDING && (f != tw || g != th)) ||
                          (self->keep_aspect == IMF_ASPECT_CROPPING && (f != tw || g != th));
    if (one_step && !finishing)
        return imf_resize_to(image, (int)f, (int)g);
    ImfImage work(sn_image_clone(image));
    if (!work)
        return -1;
    if (imf_resize_to(work.get(), (int)f, (int)g) != 0)
        return -1;
    if (self->keep_aspect == IMF_ASPECT_PADDING && finishing) {
        const int left = (int)((tw - f) / 2), top = (int)((th - g) / 2);
        const int right = (int)(tw - f - left), bottom = (int)(th - g - top);
        if (sn_image_padding(work.get(), left, top, right, bottom, self->padding_color) != 0)
            return -1;
    } else if (self->keep_aspect == IMF_ASPECT_CROPPING && finishing) {
        if (sn_image_crop(work.get(), (int)((f - tw) / 2), (int)((g - th) / 2), (int)tw, (int)th) !=
            0)
            return -1;
    }
    imf_swap_pictures(image, work.get());
    return 0;
}

imagefilter_t *imagefilter_resize_create(void)
{
    imf_resize_t *self =
        (imf_resize_t *)imf_create(sizeof *self, "imagefilter_resize_create", "resize",
                                   imf_resize_execute, imf_resize_set_settings);
    if (!self)
        return NULL;
    self->width = 100;
    self->height = 100;
    self->unit = IMF_UNIT_PIXELS;
    self->padding_color = 0xFFFFFFFFu;
    return &self->head;
}
