/*
 * "auto_contrast": Leptonica's contrast tone curve (factor 0.6) on a copy of
 * the image; the image then takes red, green and blue from the copy and keeps
 * its own alpha, which the 32-bit tone mapping clears.
 */
#include "filter/imf_common.h"

#include <leptonica/allheaders.h>

static int imf_auto_contrast_execute(imagefilter_t *filter, sn_image_t *image)
{
    if (!imf_image_ready(image))
        return -1;
    ImfImage copy(sn_image_clone(image));
    if (!copy)
        return -1;
    ImfHeader header(image->width, image->height);
    if (!header.pix)
        return -1;
    const size_t count = (size_t)image->width * (size_t)image->height;
    for (int i = 0; i < image->frame_count; i++) {
        imf_header_lend(header.pix, copy->frames[i].pixels);
        if (!pixContrastTRC(header.pix, header.pix, 0.6f)) {
            sn_log(4, NULL, "imf_auto_contrast_execute", __LINE__,
                   "pixContrastTRC FAILED! frame:%d\n", i);
            return -1;
        }
        uint32_t *p = image->frames[i].pixels;
        const uint32_t *c = copy->frames[i].pixels;
        for (size_t k = 0; k < count; k++)
            p[k] = (p[k] & 0xFFu) | (c[k] & 0xFFFFFF00u);
    }
    return 0;
}

imagefilter_t *imagefilter_auto_contrast_create(void)
{
    return imf_create(sizeof(imagefilter_t), "imagefilter_auto_contrast_create", "auto_contrast",
                      imf_auto_contrast_execute, NULL);
}
