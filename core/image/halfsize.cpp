/*
 * snimage_scale_half: a frame at exactly half size in one pass over its rows,
 * byte for byte what Leptonica's pixScale gives at 0.5 (a 2 x 2 box average,
 * then a 3 x 3 unsharp mask of fraction 0.2 on each colour, the outermost
 * rows and columns left unsharpened), with alpha averaged and not sharpened.
 *
 * Leptonica sharpens with floats: out = trunc(s + 0.2 * (s - t / 9) + 0.5),
 * clamped to 0-255, for the centre value s and the 3 x 3 sum t. That is
 * (108 s - 2 t + 45) / 90, whose numerator is odd and so never a multiple of
 * 90: the exact quotient is at least 1/90 from the next whole number, far
 * beyond the float's rounding, and integer arithmetic gives the same bytes.
 */
#include "image/sn_image.h"
#include "base/sn_log.h"

#include <stdlib.h>
#include <string.h>

namespace
{

/* Colour channels are the bytes at shifts 8, 16 and 24; alpha is the lowest. */
const int k_channels = 3;

/* One averaged row: a plane of 16-bit values per colour, and its alpha. */
struct half_row {
    uint16_t *colour[k_channels];
    uint8_t *alpha;
};

/* The 2 x 2 average of source rows 2y and 2y + 1, truncated as Leptonica does. */
void average_rows(const uint32_t *top, const uint32_t *bottom, int width, half_row *row)
{
    for (int c = 0; c < k_channels; c++) {
        const int shift = 8 * (c + 1);
        uint16_t *out = row->colour[c];
        for (int x = 0; x < width; x++) {
            uint32_t sum = ((top[2 * x] >> shift) & 0xFFu) + ((top[2 * x + 1] >> shift) & 0xFFu) +
                           ((bottom[2 * x] >> shift) & 0xFFu) +
                           ((bottom[2 * x + 1] >> shift) & 0xFFu);
            out[x] = (uint16_t)(sum >> 2);
        }
    }
    uint8_t *alpha = row->alpha;
    for (int x = 0; x < width; x++) {
        uint32_t sum = (top[2 * x] & 0xFFu) + (top[2 * x + 1] & 0xFFu) + (bottom[2 * x] & 0xFFu) +
                       (bottom[2 * x + 1] & 0xFFu);
        alpha[x] = (uint8_t)(sum >> 2);
    }
}

/* A row written unsharpened: the first and last rows of the result. */
void compose_plain(const half_row *row, int width, int opaque, uint32_t *out)
{
    for (int x = 0; x < width; x++)
        out[x] = SN_PIXEL(opaque ? 0xFFu : row->alpha[x], row->colour[0][x], row->colour[1][x],
                          row->colour[2][x]);
}

/* (108 s - 2 t + 45) / 90 for a numerator clamped to 0..23039, as a multiply
 * and shift that is exact over that range. */
inline uint32_t sharpen(int32_t s, int32_t t)
{
    int32_t n = 108 * s - 2 * t + 45;
    n = n < 0 ? 0 : n > 23039 ? 23039 : n;
    return ((uint32_t)n * 23302u) >> 21;
}

/* An inner row: each colour sharpened against its 3 x 3 neighbourhood, the
 * first and last columns unsharpened. column holds width values per colour. */
void compose_sharp(const half_row *above, const half_row *row, const half_row *below, int width,
                   int opaque, uint16_t *column, uint32_t *out)
{
    if (width < 3) {
        compose_plain(row, width, opaque, out);
        return;
    }
    for (int x = 0; x < width; x++)
        out[x] = opaque ? 0xFFu : row->alpha[x];
    for (int c = 0; c < k_channels; c++) {
        const uint16_t *a = above->colour[c], *m = row->colour[c], *b = below->colour[c];
        const int shift = 8 * (c + 1);
        for (int x = 0; x < width; x++)
            column[x] = (uint16_t)(a[x] + m[x] + b[x]);
        out[0] |= (uint32_t)m[0] << shift;
        for (int x = 1; x < width - 1; x++) {
            int32_t t = (int32_t)column[x - 1] + column[x] + column[x + 1];
            out[x] |= sharpen(m[x], t) << shift;
        }
        out[width - 1] |= (uint32_t)m[width - 1] << shift;
    }
}

} // namespace

int snimage_scale_half(const uint32_t *pixels, int width, int height, int has_alpha, uint32_t *out)
{
    if (!pixels || !out || width < 2 || height < 2) {
        sn_log(4, NULL, "snimage_scale_half", __LINE__, "FAILED! width:%d, height:%d\n", width,
               height);
        return -1;
    }
    const int w = width / 2, h = height / 2;
    /* Three averaged rows in turn, and one row of column sums. */
    size_t plane = ((size_t)w + 7) & ~(size_t)7;
    size_t bytes = plane * (3 * k_channels + 1) * sizeof(uint16_t) + 3 * plane;
    uint8_t *scratch = (uint8_t *)malloc(bytes);
    if (!scratch) {
        sn_log(4, NULL, "snimage_scale_half", __LINE__, "malloc FAILED! %zu\n", bytes);
        return -1;
    }
    half_row rows[3];
    uint16_t *words = (uint16_t *)scratch;
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < k_channels; c++)
            rows[r].colour[c] = words + plane * (size_t)(r * k_channels + c);
    uint16_t *column = words + plane * 3 * k_channels;
    uint8_t *alpha = (uint8_t *)(column + plane);
    for (int r = 0; r < 3; r++)
        rows[r].alpha = alpha + plane * (size_t)r;

    const int opaque = !has_alpha;
    auto average = [&](int y) {
        const uint32_t *top = pixels + (size_t)(2 * y) * (size_t)width;
        average_rows(top, top + width, w, &rows[y % 3]);
    };
    average(0);
    if (h > 1)
        average(1);
    compose_plain(&rows[0], w, opaque, out);
    for (int y = 1; y < h - 1; y++) {
        average(y + 1);
        compose_sharp(&rows[(y - 1) % 3], &rows[y % 3], &rows[(y + 1) % 3], w, opaque, column,
                      out + (size_t)y * (size_t)w);
    }
    if (h > 1)
        compose_plain(&rows[(h - 1) % 3], w, opaque, out + (size_t)(h - 1) * (size_t)w);
    free(scratch);
    return 0;
}
