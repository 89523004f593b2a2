/*
 * "rotate": turn clockwise by an angle in degrees: quarter turns exactly,
 * any other angle onto the turned bounding box with the background colour in
 * the corners. Leans on sn_image_rotate.
 */
#include "filter/imf_common.h"

#include <leptonica/allheaders.h>

#include <math.h>
#include <stdlib.h>

typedef struct imf_rotate {
    imagefilter_t head;
    double angle;
    uint32_t background_color;
} imf_rotate_t;

static int imf_rotate_set_settings(imagefilter_t *filter, const char *const *keys,
                                   const char *const *values)
{
    imf_rotate_t *self = (imf_rotate_t *)filter;
    for (int i = 0; !imf_settings_end(keys[i], 1); i++) {
        const char *key = keys[i], *value = values[i];
        int ok = 0;
        if (imf_word_is(key, "angle"))
            ok = imf_parse_angle(value, &self->angle);
        else if (imf_word_is(key, "background_color"))
            ok = imf_parse_color(value, &self->background_color) < 0 ? -1 : 0;
        if (ok != 0) {
            sn_log(4, NULL, "imf_rotate_set_settings", __LINE__, "FAILED! name:%s, value:%s\n", key,
                   value ? value : "(null)");
            return -1;
        }
    }
    return 0;
}

static int imf_rotate_execute(imagefilter_t *filter, sn_image_t *image)
{
    const imf_rotate_t *self = (const imf_rotate_t *)filter;
    if (!imf_image_ready(image))
        return -1;
    double angle = fmod(self->angle, 360.0);
    if (angle < 0)
        angle += 360.0;
    if (angle == 0.0 || angle >= 360.0)
        return 0;
    return sn_image_rotate(image, angle, self->background_color);
}

int imf_rotate_predict(const imagefilter_t *filter, int64_t *width, int64_t *height, int64_t *most)
{
    if (!filter || filter->execute != imf_rotate_execute)
        return -1;
    const imf_rotate_t *self = (const imf_rotate_t *)filter;
    const int w = (int)*width, h = (int)*height;
    int64_t ow, oh;
    double angle = fmod(self->angle, 360.0);
    if (angle < 0)
        angle += 360.0;
    *most = *width * *height;
    if (angle == 0.0 || angle >= 360.0 || sn_image_rotation_size(w, h, angle, &ow, &oh) != 0)
        return 0;
    /* A free turn works on a canvas larger than its result. */
    const int64_t canvas = (int64_t)sn_image_rotation_pixels(w, h, angle);
    *most = canvas > ow * oh ? canvas : ow * oh;
    *width = ow;
    *height = oh;
    return 0;
}

imagefilter_t *imagefilter_rotate_create(void)
{
    imf_rotate_t *self =
        (imf_rotate_t *)imf_create(sizeof *self, "imagefilter_rotate_create", "rotate",
                                   imf_rotate_execute, imf_rotate_set_settings);
    if (!self)
        return NULL;
    self->background_color = 0xFFFFFFFFu;
    return &self->head;
}
