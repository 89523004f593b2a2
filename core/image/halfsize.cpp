/*
 * snimage_scale_halves: a frame at exactly a half, a quarter, an eighth or a
 * sixteenth of its size in one pass over its rows, byte for byte what
 * Leptonica's pixScale gives at those factors: a 2 x 2 box average per
 * halving, then, for a half and a quarter, a 3 x 3 unsharp mask of fraction
 * 0.2 on each colour, the outermost rows and columns left unsharpened. Alpha
 * is averaged alike and never sharpened.
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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{

/* Rows are kept as they lie in memory, four 16-bit values per pixel (alpha,
 * red, green, blue), so that every step is one plain loop over the row. The
 * SSE2 loops (x86-64's baseline) do the same arithmetic eight values at a time;
 * the plain loops finish each row and serve where SSE2 is missing. */
const int k_lanes = 4;
/* Leptonica reduces by 2, 4, 8 and 16 with 2 x 2 averages in turn. */
const int k_max_halvings = 4;

/* The 2 x 2 average of source rows 2y and 2y + 1, truncated as Leptonica does. */
void average_rows(const uint8_t *top, const uint8_t *bottom, int width, uint16_t *row)
{
    int x = 0;
#if defined(__SSE2__)
    /* Two results from four source pixels of each row. */
    const __m128i zero = _mm_setzero_si128();
    for (; x + 2 <= width; x += 2) {
        __m128i t = _mm_loadu_si128((const __m128i *)(top + 8 * x));
        __m128i b = _mm_loadu_si128((const __m128i *)(bottom + 8 * x));
        __m128i low = _mm_add_epi16(_mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(b, zero));
        __m128i high = _mm_add_epi16(_mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(b, zero));
        __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(low, high), _mm_unpackhi_epi64(low, high));
        _mm_storeu_si128((__m128i *)(row + k_lanes * x), _mm_srli_epi16(sum, 2));
    }
#endif
    for (; x < width; x++)
        for (int c = 0; c < k_lanes; c++) {
            const int i = 8 * x + c;
            row[k_lanes * x + c] =
                (uint16_t)((top[i] + top[i + 4] + bottom[i] + bottom[i + 4]) >> 2);
        }
}

/* Alpha of result pixels first..width - 1: as averaged, or opaque for an image
 * without alpha. */
void set_alpha(const uint16_t *row, int first, int width, int opaque, uint8_t *out)
{
    for (int x = first; x < width; x++)
        out[k_lanes * x] = opaque ? 0xFFu : (uint8_t)row[k_lanes * x];
}

/* A row written unsharpened: the first and last rows of the result. */
void compose_plain(const uint16_t *row, int width, int opaque, uint8_t *out)
{
    for (int i = 0; i < k_lanes * width; i++)
        out[i] = (uint8_t)row[i];
    set_alpha(row, 0, width, opaque, out);
}

/* An inner row, each colour sharpened against its 3 x 3 neighbourhood and the
 * first and last pixels left as averaged. In 16 bits: the numerator
 * 108 s - 2 t + 45 lies within -4545..27585, and once clamped to 0..23039 its
 * quotient by 90 is exactly the high half of its product with 46604, shifted
 * right by 6. The alpha lane is computed alike and then overwritten. */
void compose_sharp(const uint16_t *above, const uint16_t *row, const uint16_t *below, int width,
                   int opaque, uint16_t *column, uint8_t *out)
{
    const int n = k_lanes * width;
    if (width < 3) {
        compose_plain(row, width, opaque, out);
        return;
    }
    for (int i = 0; i < n; i++)
        column[i] = (uint16_t)(above[i] + row[i] + below[i]);
    for (int i = 0; i < k_lanes; i++) {
        out[i] = (uint8_t)row[i];
        out[n - k_lanes + i] = (uint8_t)row[n - k_lanes + i];
    }
    int i = k_lanes;
#if defined(__SSE2__)
    /* Two pixels at a time; alpha, the first of every four lanes, is taken
     * from the averaged row (or made opaque) before packing. */
    const __m128i alpha = _mm_set_epi16(0, 0, 0, -1, 0, 0, 0, -1);
    const __m128i keep = opaque ? _mm_setzero_si128() : alpha;
    const __m128i fill = opaque ? _mm_srli_epi16(alpha, 8) : _mm_setzero_si128();
    const __m128i scale = _mm_set1_epi16(108), bias = _mm_set1_epi16(45);
    const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi16(23039);
    const __m128i ninetieth = _mm_set1_epi16((short)46604);
    for (; i + 8 <= n - k_lanes; i += 8) {
        __m128i t = _mm_add_epi16(_mm_loadu_si128((const __m128i *)(column + i - k_lanes)),
                                  _mm_loadu_si128((const __m128i *)(column + i)));
        t = _mm_add_epi16(t, _mm_loadu_si128((const __m128i *)(column + i + k_lanes)));
        __m128i s = _mm_loadu_si128((const __m128i *)(row + i));
        __m128i q =
            _mm_sub_epi16(_mm_add_epi16(_mm_mullo_epi16(s, scale), bias), _mm_slli_epi16(t, 1));
        q = _mm_min_epi16(_mm_max_epi16(q, zero), top);
        q = _mm_srli_epi16(_mm_mulhi_epu16(q, ninetieth), 6);
        q = _mm_or_si128(_mm_or_si128(_mm_andnot_si128(alpha, q), _mm_and_si128(s, keep)), fill);
        _mm_storel_epi64((__m128i *)(out + i), _mm_packus_epi16(q, q));
    }
#endif
    const int done = i / k_lanes;
    for (; i < n - k_lanes; i++) {
        int16_t t = (int16_t)(column[i - k_lanes] + column[i] + column[i + k_lanes]);
        int16_t q = (int16_t)(108 * row[i] + 45 - 2 * t);
        q = q < 0 ? 0 : q;
        q = q > 23039 ? 23039 : q;
        out[i] = (uint8_t)((((uint32_t)(uint16_t)q * 46604u) >> 16) >> 6);
    }
    set_alpha(row, 0, 1, opaque, out);
    set_alpha(row, done, width, opaque, out);
}

/* Narrows averaged rows to bytes: the rows between the source and the last
 * halving, which Leptonica keeps as 32-bit pixels. */
void average_bytes(const uint8_t *top, const uint8_t *bottom, int width, uint16_t *wide,
                   uint8_t *out)
{
    average_rows(top, bottom, width, wide);
    for (int i = 0; i < k_lanes * width; i++)
        out[i] = (uint8_t)wide[i];
}

/* Rows of every halving but the last, made on demand from the two rows
 * below them: row y of level k needs rows 2y and 2y + 1 of level k - 1, and
 * each row is asked for once, in order. Level 0 is the source. */
struct level_rows {
    const uint8_t *source;
    size_t source_row;
    int widths[k_max_halvings + 1];
    uint8_t *slots[k_max_halvings][2];
    uint16_t *wide;

    const uint8_t *row(int level, int y, uint8_t *into)
    {
        if (level == 0)
            return source + (size_t)y * source_row;
        const uint8_t *top = row(level - 1, 2 * y, slots[level - 1][0]);
        const uint8_t *bottom = row(level - 1, 2 * y + 1, slots[level - 1][1]);
        average_bytes(top, bottom, widths[level], wide, into);
        return into;
    }
};

} // namespace

int snimage_scale_halves(const uint32_t *pixels, int width, int height, int has_alpha, int halvings,
                         uint32_t *out)
{
    if (!pixels || !out || halvings < 1 || halvings > k_max_halvings || (width >> halvings) < 1 ||
        (height >> halvings) < 1) {
        sn_log(4, NULL, "snimage_scale_halves", __LINE__,
               "FAILED! width:%d, height:%d, halvings:%d\n", width, height, halvings);
        return -1;
    }
    level_rows levels;
    levels.source = (const uint8_t *)pixels;
    levels.source_row = (size_t)width * 4;
    levels.widths[0] = width;
    for (int k = 1; k <= halvings; k++)
        levels.widths[k] = levels.widths[k - 1] / 2;
    const int w = levels.widths[halvings], h = height >> halvings;

    /* Three averaged rows in turn and one row of column sums for the last
     * halving, one wide row for narrowing, and two byte rows per level
     * between. */
    const size_t lanes = (size_t)k_lanes * (size_t)w;
    const size_t wide = (size_t)k_lanes * (size_t)levels.widths[1];
    size_t bytes = (lanes * 4 + wide) * sizeof(uint16_t);
    for (int k = 1; k < halvings; k++)
        bytes += 2 * (size_t)k_lanes * (size_t)levels.widths[k];
    uint16_t *scratch = (uint16_t *)malloc(bytes);
    if (!scratch) {
        sn_log(4, NULL, "snimage_scale_halves", __LINE__, "malloc FAILED! %zu\n", bytes);
        return -1;
    }
    uint16_t *rows[3] = {scratch, scratch + lanes, scratch + 2 * lanes};
    uint16_t *column = scratch + 3 * lanes;
    levels.wide = scratch + 4 * lanes;
    uint8_t *next = (uint8_t *)(levels.wide + wide);
    for (int k = 0; k < k_max_halvings; k++)
        levels.slots[k][0] = levels.slots[k][1] = nullptr;
    for (int k = 1; k < halvings; k++)
        for (int i = 0; i < 2; i++) {
            levels.slots[k][i] = next;
            next += (size_t)k_lanes * (size_t)levels.widths[k];
        }

    const int opaque = !has_alpha;
    uint8_t *result = (uint8_t *)out;
    const size_t result_row = (size_t)w * 4;
    const int last = halvings - 1;
    auto average = [&](int y, uint16_t *into) {
        const uint8_t *top = levels.row(last, 2 * y, levels.slots[last][0]);
        const uint8_t *bottom = levels.row(last, 2 * y + 1, levels.slots[last][1]);
        average_rows(top, bottom, w, into);
    };
    /* Leptonica sharpens reductions to more than a fifth: a half and a quarter. */
    if (halvings > 2) {
        for (int y = 0; y < h; y++) {
            average(y, rows[0]);
            compose_plain(rows[0], w, opaque, result + (size_t)y * result_row);
        }
        free(scratch);
        return 0;
    }
    average(0, rows[0]);
    if (h > 1)
        average(1, rows[1]);
    compose_plain(rows[0], w, opaque, result);
    for (int y = 1; y < h - 1; y++) {
        average(y + 1, rows[(y + 1) % 3]);
        compose_sharp(rows[(y - 1) % 3], rows[y % 3], rows[(y + 1) % 3], w, opaque, column,
                      result + (size_t)y * result_row);
    }
    if (h > 1)
        compose_plain(rows[(h - 1) % 3], w, opaque, result + (size_t)(h - 1) * result_row);
    free(scratch);
    return 0;
}
