/*
 * "gray": every pixel's red, green and blue become their mean; alpha stays.
 * One pass over each frame's buffer, in place.
 */
#include "filter/imf_common.h"

static int imf_gray_execute(imagefilter_t *filter, sn_image_t *image)
{
    if (!imf_image_ready(image))
        return -1;
    const size_t count = (size_t)image->width * (size_t)image->height;
    for (int i = 0; i < image->frame_count; i++) {
        uint32_t *p = image->frames[i].pixels;
        uint32_t *end = p + count;
        for (; p != end; p++) {
            uint32_t v = *p;
            uint32_t a = (((v >> 8) & 0xFFu) + ((v >> 16) & 0xFFu) + (v >> 24)) / 3u;
            *p = (v & 0xFFu) | (a * 0x01010100u);
        }
    }
    return 0;
}

imagefilter_t *imagefilter_gray_create(void)
{
    imagefilter_t *filter = imf_alloc(sizeof *filter, "imagefilter_gray_create");
    if (!filter)
        return NULL;
    filter->name = "gray";
    filter->destroy = imf_free_record;
    filter->execute = imf_gray_execute;
    return filter;
}
