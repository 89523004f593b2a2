/*
 * "negative": red, green and blue become 255 minus themselves; alpha stays.
 * One pass over each frame's buffer, in place.
 */
#include "filter/imf_common.h"

static int imf_negative_execute(imagefilter_t *filter, sn_image_t *image)
{
    if (!imf_image_ready(image))
        return -1;
    const size_t count = (size_t)image->width * (size_t)image->height;
    for (int i = 0; i < image->frame_count; i++) {
        uint32_t *p = image->frames[i].pixels;
        uint32_t *end = p + count;
        /* Complementing the three colour bytes of the word at once. */
        for (; end - p >= 16; p += 16) {
            IMF_PREFETCH(p);
            for (int k = 0; k < 16; k++)
                p[k] ^= 0xFFFFFF00u;
        }
        for (; p != end; p++)
            *p ^= 0xFFFFFF00u;
    }
    return 0;
}

imagefilter_t *imagefilter_negative_create(void)
{
    return imf_create(sizeof(imagefilter_t), "imagefilter_negative_create", "negative",
                      imf_negative_execute, NULL);
}
