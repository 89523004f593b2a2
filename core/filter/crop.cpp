/*
 * "crop": cut a rectangle given as left/top/right/bottom margins, as
 * left/top/width/height, or as width/height around a centre; each pair of
 * keys carries its own unit (pixels or percent). Leans on sn_image_crop.
 */
#include "filter/imf_common.h"

enum { IMF_CROP_LTRB = 1, IMF_CROP_LTWH = 2, IMF_CROP_WH_OFFSET = 3 };

typedef struct imf_crop {
    imagefilter_t head;
    int unit_left_top;
    int unit_right_bottom;
    int unit_size;
    int unit_offset;
    int mode;
    int left;
    int top;
    int right;
    int bottom;
    int width;
    int height;
    int x_offset;
    int y_offset;
} imf_crop_t;

static int imf_crop_set_settings(imagefilter_t *filter, const char *const *keys,
                                 const char *const *values)
{
    imf_crop_t *self = (imf_crop_t *)filter;
    struct {
        const char *key;
        int *value;
        int *unit;
    } const lengths[] = {
        {"left", &self->left, &self->unit_left_top},
        {"top", &self->top, &self->unit_left_top},
        {"right", &self->right, &self->unit_right_bottom},
        {"bottom", &self->bottom, &self->unit_right_bottom},
        {"width", &self->width, &self->unit_size},
        {"height", &self->height, &self->unit_size},
        {"x_offset", &self->x_offset, &self->unit_offset},
        {"y_offset", &self->y_offset, &self->unit_offset},
    };
    /* Only a null key ends this kind's arrays: an empty key is logged as
     * unknown and skipped. */
    for (int i = 0; !imf_settings_end(keys[i], 0); i++) {
        const char *key = keys[i], *value = values[i] ? values[i] : "(null)";
        int known = 0;
        for (const auto &length : lengths) {
            if (!imf_word_is(key, length.key))
                continue;
            known = 1;
            int number;
            if (imf_parse_int(values[i], &number) != 0) {
                sn_log(4, NULL, "imf_crop_set_settings", __LINE__, "FAILED! name:%s, value:%s\n",
                       key, value);
                return -1;
            }
            *length.value = number;
            *length.unit =
                imf_length_unit(value) == IMF_UNIT_PERCENT ? IMF_UNIT_PERCENT : IMF_UNIT_PIXELS;
        }
        if (!known && imf_word_is(key, "crop_by")) {
            known = 1;
            if (imf_word_is(value, "left_top_right_bottom"))
                self->mode = IMF_CROP_LTRB;
            else if (imf_word_is(value, "left_top_width_height"))
                self->mode = IMF_CROP_LTWH;
            else if (imf_word_is(value, "width_height_offset"))
                self->mode = IMF_CROP_WH_OFFSET;
        }
        if (known)
            sn_log(1, NULL, "imf_crop_set_settings", __LINE__, "ret:%d, name:%s, value_str:%s\n", 0,
                   key, value);
        else
            sn_log(4, NULL, "imf_crop_set_settings", __LINE__, "FAILED! name:%s, value:%s\n", key,
                   value);
    }
    return 0;
}

/* The rectangle of a w x h picture, brought inside it; -1 when it is empty
 * or lies outside. */
static int imf_crop_rect(const imf_crop_t *self, int64_t w, int64_t h, int64_t *left_out,
                         int64_t *top_out, int64_t *width_out, int64_t *height_out, int verbose)
{
    int64_t left = 0, top = 0, width = 0, height = 0;
    switch (self->mode) {
    case IMF_CROP_LTRB:
        left = imf_length_pixels(self->left, self->unit_left_top, w);
        top = imf_length_pixels(self->top, self->unit_left_top, h);
        width = w - left - imf_length_pixels(self->right, self->unit_right_bottom, w);
        height = h - top - imf_length_pixels(self->bottom, self->unit_right_bottom, h);
        break;
    case IMF_CROP_LTWH:
        left = imf_length_pixels(self->left, self->unit_left_top, w);
        top = imf_length_pixels(self->top, self->unit_left_top, h);
        width = imf_length_pixels(self->width, self->unit_size, w);
        height = imf_length_pixels(self->height, self->unit_size, h);
        break;
    case IMF_CROP_WH_OFFSET:
        width = imf_length_pixels(self->width, self->unit_size, w);
        height = imf_length_pixels(self->height, self->unit_size, h);
        left = imf_length_pixels(self->x_offset, self->unit_offset, w) - width / 2;
        top = imf_length_pixels(self->y_offset, self->unit_offset, h) - height / 2;
        break;
    default:
        return -1;
    }
    if (verbose) {
        sn_log(2, NULL, "imf_crop_execute", __LINE__, "img_width:%d, img_height:%d\n", (int)w,
               (int)h);
        sn_log(2, NULL, "imf_crop_execute", __LINE__,
               "left:%lld, top:%lld, width:%lld, height:%lld\n", (long long)left, (long long)top,
               (long long)width, (long long)height);
    }
    if (width < 1 || height < 1)
        return -1;
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;
    if (left + width > w)
        width = w - left;
    if (top + height > h)
        height = h - top;
    if (left >= w || top >= h)
        return -1;
    *left_out = left;
    *top_out = top;
    *width_out = width;
    *height_out = height;
    return 0;
}

static int imf_crop_execute(imagefilter_t *filter, sn_image_t *image)
{
    const imf_crop_t *self = (const imf_crop_t *)filter;
    if (!imf_image_ready(image))
        return -1;
    int64_t left, top, width, height;
    if (imf_crop_rect(self, image->width, image->height, &left, &top, &width, &height, 1) != 0)
        return -1;
    /* Everything now lies inside the image, so it fits an int. */
    return sn_image_crop(image, (int)left, (int)top, (int)width, (int)height);
}

int imf_crop_predict(const imagefilter_t *filter, int64_t *width, int64_t *height, int64_t *most)
{
    if (!filter || filter->execute != imf_crop_execute)
        return -1;
    int64_t left, top, w, h;
    /* A crop never grows the picture; one that fails keeps it. */
    if (imf_crop_rect((const imf_crop_t *)filter, *width, *height, &left, &top, &w, &h, 0) == 0) {
        *width = w;
        *height = h;
    }
    *most = *width * *height;
    return 0;
}

imagefilter_t *imagefilter_crop_create(void)
{
    imf_crop_t *self = (imf_crop_t *)imf_create(sizeof *self, "imagefilter_crop_create", "crop",
                                                imf_crop_execute, imf_crop_set_settings);
    if (!self)
        return NULL;
    self->mode = IMF_CROP_LTRB;
    return &self->head;
}
