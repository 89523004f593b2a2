/*
 * "flip": mirror top to bottom (vertical), left to right (horizontal), or
 * both, which is a half turn: the whole buffer read backwards. Each case is
 * one pass over the frame, in place.
 */
#include "filter/imf_common.h"

typedef struct imf_flip {
    imagefilter_t head;
    int vertical;
    int horizontal;
} imf_flip_t;

static int imf_flip_set_settings(imagefilter_t *filter, const char *const *keys,
                                 const char *const *values)
{
    imf_flip_t *self = (imf_flip_t *)filter;
    for (int i = 0; !imf_settings_end(keys[i], 1); i++) {
        int *field = imf_word_is(keys[i], "vertical")     ? &self->vertical
                     : imf_word_is(keys[i], "horizontal") ? &self->horizontal
                                                          : NULL;
        if (!field)
            continue;
        if (imf_parse_int(values[i], field) != 0) {
            sn_log(4, NULL, "imf_flip_set_settings", __LINE__, "FAILED! name:%s, value:%s\n",
                   keys[i], values[i] ? values[i] : "(null)");
            return -1;
        }
    }
    return 0;
}

static void imf_reverse(uint32_t *a, uint32_t *b)
{
    /* Swaps a[0] with b[-1], a[1] with b[-2], ... until they meet. */
    for (b--; a < b; a++, b--) {
        uint32_t t = *a;
        *a = *b;
        *b = t;
    }
}

static int imf_flip_execute(imagefilter_t *filter, sn_image_t *image)
{
    const imf_flip_t *self = (const imf_flip_t *)filter;
    if (!imf_image_ready(image))
        return -1;
    const size_t w = (size_t)image->width, h = (size_t)image->height;
    const int vertical = self->vertical > 0, horizontal = self->horizontal > 0;
    for (int i = 0; i < image->frame_count; i++) {
        uint32_t *pixels = image->frames[i].pixels;
        if (vertical && horizontal) {
            imf_reverse(pixels, pixels + w * h);
        } else if (vertical) {
            for (size_t j = 0; j < h / 2; j++) {
                uint32_t *a = pixels + j * w, *b = pixels + (h - 1 - j) * w;
                for (size_t k = 0; k < w; k++) {
                    uint32_t t = a[k];
                    a[k] = b[k];
                    b[k] = t;
                }
            }
        } else if (horizontal) {
            for (size_t j = 0; j < h; j++)
                imf_reverse(pixels + j * w, pixels + (j + 1) * w);
        }
    }
    return 0;
}

imagefilter_t *imagefilter_flip_create(void)
{
    imf_flip_t *self = (imf_flip_t *)imf_create(sizeof *self, "imagefilter_flip_create", "flip",
                                                imf_flip_execute, imf_flip_set_settings);
    if (!self)
        return NULL;
    return &self->head;
}
