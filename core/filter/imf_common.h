/*
 * What the filter kinds share: the one reading of setting values (integers,
 * reals, angles, lengths, positions, colours, image addresses), record
 * allocation, lending frames to Leptonica, and the overlay blend.
 */
#ifndef IMF_COMMON_H
#define IMF_COMMON_H

#include "filter/imagefilter.h"
#include "base/sn_log.h"

#include <stdint.h>

#include <memory>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

struct Pix;

/* How far ahead, in pixels, the per-pixel loops ask for memory, once per
 * 64-byte line (16 pixels): on its own the hardware prefetcher leaves an
 * in-place pass over a large frame waiting on most lines. */
#define IMF_PREFETCH_AHEAD 256
#define IMF_PREFETCH(p) __builtin_prefetch((p) + IMF_PREFETCH_AHEAD, 1)

#define IMF_UNIT_PERCENT 1
#define IMF_UNIT_PIXELS 2

/* True when entry i ends a settings array: a null key, or an empty key for
 * every kind that stops there (all but "crop"). */
int imf_settings_end(const char *key, int stop_at_empty);

/* Case-insensitive equality of a key or word; null never matches. */
int imf_word_is(const char *text, const char *word);

/* The field that a key "r", "g" or "b" (any case) names, or null: the
 * channel keys of swap_colors and coloration. */
static inline int *imf_rgb_field(const char *key, int *r, int *g, int *b)
{
    return imf_word_is(key, "r") ? r : imf_word_is(key, "g") ? g : imf_word_is(key, "b") ? b : NULL;
}

/* Decimal integer read as atoi does (leading blanks, a sign, digits, anything
 * after ignored, no digits gives 0); -1 for a null text or a number outside
 * the int range. */
int imf_parse_int(const char *text, int *out);

/* Decimal real read as atof does in the "C" locale, whatever the process's
 * locale; -1 for a null text, NaN or infinity. */
int imf_parse_double(const char *text, double *out);

/* Truncates toward zero; -1 for NaN or a value outside the int range. */
int imf_double_to_int(double value, int *out);

/* A transparency percentage: the real truncated to an int and clamped to
 * 0-100; -1 for a null text, NaN or infinity. */
int imf_parse_transparency(const char *text, int *out);

/* Degrees brought into [0, 360). */
int imf_parse_angle(const char *text, double *out);

/* IMF_UNIT_PIXELS for a text ending in "px" (any case), IMF_UNIT_PERCENT for
 * one ending in '%', 0 otherwise. */
int imf_length_unit(const char *text);

/* The unit that the last length among all values names; unit unchanged when
 * none does. For kinds whose lengths share one unit. */
void imf_scan_unit(const char *const *keys, const char *const *values, int *unit);

/* A length in pixels: the value itself for IMF_UNIT_PIXELS, else (percent)
 * size * value / 100 truncated toward zero, computed in 64 bits. */
int64_t imf_length_pixels(int64_t value, int unit, int64_t size);

/* A position "word-N", "word-N%", "word-Npx": the anchor (0, 1, 2) by the
 * leading word compared over its own length, left unchanged when none
 * matches; when the text holds a '-', the offset is the number after the
 * first '-' and the unit percent for a last character '%', else pixels.
 * -1 for a null text or an offset outside the int range. */
int imf_parse_position(const char *text, const char *const words[3], int *anchor, int *offset,
                       int *unit);

/* An image address written with "%p"; -1 when it does not parse. */
int imf_parse_image(const char *text, sn_image_t **out);

/* Colour text; 1 (nothing changed) for an empty text, -1 for a malformed one. */
int imf_parse_color(const char *text, uint32_t *out);

/* A zeroed record of size bytes with its head filled: the name, the destroy
 * that frees it, execute, and for a kind with settings set_settings and the
 * reserved operation that refuses. Null with "malloc FAILED! size:%d\n"
 * logged under the create function's name. */
imagefilter_t *imf_create(size_t size, const char *function, const char *name,
                          imagefilter_execute_fn execute, imagefilter_settings_fn set_settings);

/* The size predictions of the kinds that change the geometry (see
 * imagefilter_predict_size); -1 for a record that is not of the kind. */
int imf_resize_predict(const imagefilter_t *filter, int64_t *width, int64_t *height, int64_t *most);
int imf_crop_predict(const imagefilter_t *filter, int64_t *width, int64_t *height, int64_t *most);
int imf_rotate_predict(const imagefilter_t *filter, int64_t *width, int64_t *height, int64_t *most);

/* True when the image has a size, frames, and every frame allocated. */
int imf_image_ready(const sn_image_t *image);

/* Holds a working copy of an image (the watermark's tile, auto_contrast's
 * copy) until the run ends, whichever way it ends. */
struct ImfImageDeleter {
    void operator()(sn_image_t *image) const
    {
        sn_image_destroy(image);
    }
};
using ImfImage = std::unique_ptr<sn_image_t, ImfImageDeleter>;

/* The next side on resize's way from side to target: the target itself
 * unless that is a reduction steeper than 40 to 1, else side / 40 rounded
 * up, so that no pass scales by less than 1/40. */
int imf_resize_step(int side, int target);

/* The mean of red, green and blue, (R + G + B) / 3 truncated, of gray and
 * coloration. */
static inline uint32_t imf_mean3(uint32_t pixel)
{
    return (((pixel >> 8) & 0xFFu) + ((pixel >> 16) & 0xFFu) + (pixel >> 24)) / 3u;
}

#ifdef __SSE2__
/* The same for four pixels, each mean in the low 16 bits of its lane: the
 * sum (at most 765) sits in the low half of each 32-bit lane, so a 16-bit
 * high multiply by 21846 divides it by 3 exactly. */
static inline __m128i imf_mean3_x4(__m128i v)
{
    const __m128i byte = _mm_set1_epi32(0xFF), third = _mm_set1_epi32(21846);
    __m128i sum = _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(v, 8), byte),
                                _mm_and_si128(_mm_srli_epi32(v, 16), byte));
    sum = _mm_add_epi32(sum, _mm_srli_epi32(v, 24));
    return _mm_mulhi_epu16(sum, third);
}
#endif

/* A 32-bit Leptonica header of width x height that frames are lent to; the
 * guard detaches any lent buffer before destroying it, so that Leptonica never
 * frees a frame's pixels. */
struct Pix *imf_header_create(int width, int height);
void imf_header_lend(struct Pix *header, uint32_t *pixels);
void imf_header_destroy(struct Pix *header);

struct ImfHeader {
    struct Pix *pix;
    ImfHeader(int width, int height) : pix(imf_header_create(width, height)) {}
    ~ImfHeader()
    {
        imf_header_destroy(pix);
    }
    ImfHeader(const ImfHeader &) = delete;
    ImfHeader &operator=(const ImfHeader &) = delete;
};

/* Blends the overlay (ow x oh, rows orows) onto the picture (rows drows,
 * width x height) with its top-left corner at (x, y), clipped on every side:
 * e = alpha * (100 - transparency), d = ((25855 - e) * d + e * s) / 25856 for
 * red, green and blue; the picture's alpha stays. A transparency outside
 * 0-100 counts as the nearer end. */
void imf_blend(uint32_t *const *drows, int width, int height, uint32_t *const *orows, int ow,
               int oh, int64_t x, int64_t y, int transparency);

#endif
