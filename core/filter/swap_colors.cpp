/*
 * "swap_colors": each output channel takes the input byte that r, g and b
 * name (1 red, 2 green, 3 blue); alpha stays. Each pixel is read whole
 * before it is written, so the frame is changed in place in one pass.
 */
#include "filter/imf_common.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

typedef struct imf_swap_colors {
    imagefilter_t head;
    int r;
    int g;
    int b;
} imf_swap_colors_t;

static int imf_swap_colors_set_settings(imagefilter_t *filter, const char *const *keys,
                                        const char *const *values)
{
    imf_swap_colors_t *self = (imf_swap_colors_t *)filter;
    for (int i = 0; !imf_settings_end(keys[i], 1); i++) {
        int *field = imf_rgb_field(keys[i], &self->r, &self->g, &self->b);
        if (!field)
            continue;
        if (imf_word_is(values[i], "r"))
            *field = 1;
        else if (imf_word_is(values[i], "g"))
            *field = 2;
        else if (imf_word_is(values[i], "b"))
            *field = 3;
    }
    return 0;
}

static int imf_swap_colors_execute(imagefilter_t *filter, sn_image_t *image)
{
    const imf_swap_colors_t *self = (const imf_swap_colors_t *)filter;
    if (!imf_image_ready(image))
        return -1;
    if (self->r == 1 && self->g == 2 && self->b == 3)
        return 0;
    /* Byte index n of the pixel sits at bit 8n of the word. */
    const unsigned sr = 8u * (unsigned)self->r, sg = 8u * (unsigned)self->g,
                   sb = 8u * (unsigned)self->b;
    const size_t count = (size_t)image->width * (size_t)image->height;
    for (int i = 0; i < image->frame_count; i++) {
        uint32_t *p = image->frames[i].pixels;
        uint32_t *end = p + count;
#ifdef __SSE2__
        const __m128i byte = _mm_set1_epi32(0xFF);
        const __m128i cr = _mm_cvtsi32_si128((int)sr), cg = _mm_cvtsi32_si128((int)sg),
                      cb = _mm_cvtsi32_si128((int)sb);
        for (; end - p >= 16; p += 16) {
            IMF_PREFETCH(p);
            for (int k = 0; k < 16; k += 4) {
                __m128i v = _mm_loadu_si128((const __m128i *)(p + k));
                __m128i r = _mm_slli_epi32(_mm_and_si128(_mm_srl_epi32(v, cr), byte), 8);
                __m128i g = _mm_slli_epi32(_mm_and_si128(_mm_srl_epi32(v, cg), byte), 16);
                __m128i b = _mm_slli_epi32(_mm_srl_epi32(v, cb), 24);
                __m128i out =
                    _mm_or_si128(_mm_or_si128(r, g), _mm_or_si128(b, _mm_and_si128(v, byte)));
                _mm_storeu_si128((__m128i *)(p + k), out);
            }
        }
#endif
        for (; p != end; p++) {
            uint32_t v = *p;
            *p = (v & 0xFFu) | (((v >> sr) & 0xFFu) << 8) | (((v >> sg) & 0xFFu) << 16) |
                 (((v >> sb) & 0xFFu) << 24);
        }
    }
    return 0;
}

imagefilter_t *imagefilter_swap_colors_create(void)
{
    imf_swap_colors_t *self = (imf_swap_colors_t *)imf_create(
        sizeof *self, "imagefilter_swap_colors_create", "swap_colors", imf_swap_colors_execute,
        imf_swap_colors_set_settings);
    if (!self)
        return NULL;
    self->r = 1;
    self->g = 2;
    self->b = 3;
    return &self->head;
}
