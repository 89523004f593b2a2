/*
 * Reduced-size JPEG loading for previews and thumbnails: libjpeg's DCT
 * scaling decodes an eighth, a quarter or a half of a photo's pixels at a
 * fraction of the cost of the full decode.
 */
#ifndef SN_JPEG_SCALED_H
#define SN_JPEG_SCALED_H

#include "image/sn_image.h"

/* Loads a JPEG file at the smallest DCT scale (1/8 to 8/8) whose picture still
 * covers min_width x min_height, or the whole picture when the file is smaller
 * than that. The file's own size goes to *full_width and *full_height when
 * they are not null. Returns a one-frame image, or null on any failure. */
sn_image_t *sn_jpeg_load_scaled(const char *path, int min_width, int min_height, int *full_width,
                                int *full_height);

#endif
