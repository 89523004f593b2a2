/*
 * "equalize": histogram equalisation of each frame by Leptonica's tone curve
 * (fraction 0.9, every pixel sampled), in place on the lent frame. Leptonica
 * rewrites each colour byte alone, so the alpha byte stays.
 */
#include "filter/imf_common.h"

#include <leptonica/allheaders.h>

static int imf_equalize_execute(imagefilter_t *filter, sn_image_t *image)
{
    if (!imf_image_ready(image))
        return -1;
    ImfHeader header(image->width, image->height);
    if (!header.pix)
        return -1;
    for (int i = 0; i < image->frame_count; i++) {
        imf_header_lend(header.pix, image->frames[i].pixels);
        if (!pixEqualizeTRC(header.pix, header.pix, 0.9f, 1)) {
            sn_log(4, NULL, "imf_equalize_execute", __LINE__, "pixEqualizeTRC FAILED! frame:%d\n",
                   i);
            return -1;
        }
    }
    return 0;
}

imagefilter_t *imagefilter_equalize_create(void)
{
    return imf_create(sizeof(imagefilter_t), "imagefilter_equalize_create", "equalize",
                      imf_equalize_execute, NULL);
}
