/*
 * "stamp": lays a second image once over the picture, anchored left, middle
 * or right and top, middle or bottom with an offset in pixels or percent,
 * blended by the stamp's alpha and a transparency. The stamp stays the
 * caller's.
 */
#include "filter/imf_common.h"

typedef struct imf_stamp {
    imagefilter_t head;
    sn_image_t *image;
    int transparency;
    int x_unit;
    int y_unit;
    int x_offset;
    int y_offset;
    int x_anchor;
    int y_anchor;
} imf_stamp_t;

static int imf_stamp_set_settings(imagefilter_t *filter, const char *const *keys,
                                  const char *const *values)
{
    static const char *const x_words[3] = {"left", "middle", "right"};
    static const char *const y_words[3] = {"top", "middle", "bottom"};
    imf_stamp_t *self = (imf_stamp_t *)filter;
    for (int i = 0; !imf_settings_end(keys[i], 1); i++) {
        const char *key = keys[i], *value = values[i];
        int ok = 0;
        if (imf_word_is(key, "stamp_image")) {
            ok = imf_parse_image(value, &self->image);
        } else if (imf_word_is(key, "transparency")) {
            ok = imf_parse_transparency(value, &self->transparency);
        } else if (imf_word_is(key, "x_pos")) {
            ok =
                imf_parse_position(value, x_words, &self->x_anchor, &self->x_offset, &self->x_unit);
        } else if (imf_word_is(key, "y_pos")) {
            ok =
                imf_parse_position(value, y_words, &self->y_anchor, &self->y_offset, &self->y_unit);
        }
        if (ok != 0) {
            sn_log(4, NULL, "imf_stamp_set_settings", __LINE__, "FAILED! name:%s, value:%s\n", key,
                   value ? value : "(null)");
            return -1;
        }
    }
    return 0;
}

/* Position along one axis: the anchor, then clamped so that the stamp starts
 * inside the picture and, where it fits, ends one pixel short of the far
 * edge (which is where a right or bottom anchor with offset 0 puts it). */
static int imf_stamp_place(int anchor, int offset, int unit, int64_t size, int64_t stamp,
                           int64_t *out)
{
    const int64_t off = imf_length_pixels(offset, unit, size);
    int64_t at;
    switch (anchor) {
    case 0:
        at = off;
        break;
    case 1:
        at = off + size / 2 - stamp / 2;
        break;
    case 2:
        at = size - stamp - off;
        break;
    default:
        return -1;
    }
    if (at > size - stamp - 1)
        at = size - stamp - 1;
    if (at < 0)
        at = 0;
    *out = at;
    return 0;
}

static int imf_stamp_execute(imagefilter_t *filter, sn_image_t *image)
{
    const imf_stamp_t *self = (const imf_stamp_t *)filter;
    const sn_image_t *stamp = self->image;
    if (!imf_image_ready(image) || !stamp)
        return -1;
    /* A stamp without pixels would make the placement meaningless. */
    if (!imf_image_ready(stamp)) {
        sn_log(4, NULL, "imf_stamp_execute", __LINE__, "stamp FAILED! width:%d, height:%d\n",
               stamp->width, stamp->height);
        return -1;
    }
    int64_t x, y;
    if (imf_stamp_place(self->x_anchor, self->x_offset, self->x_unit, image->width, stamp->width,
                        &x) != 0 ||
        imf_stamp_place(self->y_anchor, self->y_offset, self->y_unit, image->height, stamp->height,
                        &y) != 0)
        return -1;
    for (int i = 0; i < image->frame_count; i++) {
        /* A picture with more frames than the stamp takes its last frame. */
        const int s = i < stamp->frame_count ? i : stamp->frame_count - 1;
        imf_blend(image->frames[i].rows, image->width, image->height, stamp->frames[s].rows,
                  stamp->width, stamp->height, x, y, self->transparency);
    }
    return 0;
}

imagefilter_t *imagefilter_stamp_create(void)
{
    imf_stamp_t *self = (imf_stamp_t *)imf_create(sizeof *self, "imagefilter_stamp_create", "stamp",
                                                  imf_stamp_execute, imf_stamp_set_settings);
    if (!self)
        return NULL;
    return &self->head;
}
