/*
 * Geometric primitives on every frame of an image: crop, padding, resize
 * (frames lent to Leptonica without copying) and rotation.
 */
#include "image/sn_image.h"
#include "base/sn_log.h"

int sn_image_crop(sn_image_t *, int, int, int, int)
{
    return -1;
}

int sn_image_padding(sn_image_t *, int, int, int, int, uint32_t)
{
    return -1;
}

int sn_image_resize(sn_image_t *, int, int)
{
    return -1;
}

int sn_image_rotate(sn_image_t *, double, uint32_t)
{
    return -1;
}
