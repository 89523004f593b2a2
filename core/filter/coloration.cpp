/*
 * "coloration": every pixel's mean brightness tinted by a colour (r, g, b,
 * each 0-255; the default white equals gray). Alpha stays. One pass over each
 * frame's buffer, in place, through three 256-entry tables built per run.
 */
#include "filter/imf_common.h"

typedef struct imf_coloration {
    imagefilter_t head;
    int r;
    int g;
    int b;
} imf_coloration_t;

static int imf_clamp_tint(int value)
{
    return value < 0 ? 0 : value > 255 ? 255 : value;
}

static int imf_coloration_set_settings(imagefilter_t *filter, const char *const *keys,
                                       const char *const *values)
{
    imf_coloration_t *self = (imf_coloration_t *)filter;
    for (int i = 0; !imf_settings_end(keys[i], 1); i++) {
        int *field = imf_rgb_field(keys[i], &self->r, &self->g, &self->b);
        if (!field)
            continue;
        int value;
        if (imf_parse_int(values[i], &value) != 0) {
            sn_log(4, NULL, "imf_coloration_set_settings", __LINE__, "FAILED! name:%s, value:%s\n",
                   keys[i], values[i] ? values[i] : "(null)");
            return -1;
        }
        /* A tint byte above 255 would spill into the next channel. */
        *field = imf_clamp_tint(value);
    }
    return 0;
}

static int imf_coloration_execute(imagefilter_t *filter, sn_image_t *image)
{
    const imf_coloration_t *self = (const imf_coloration_t *)filter;
    if (!imf_image_ready(image))
        return -1;
    uint32_t table[256];
    const uint32_t r = (uint32_t)imf_clamp_tint(self->r), g = (uint32_t)imf_clamp_tint(self->g),
                   b = (uint32_t)imf_clamp_tint(self->b);
    for (uint32_t a = 0; a < 256; a++)
        table[a] = ((a * r / 255u) << 8) | ((a * g / 255u) << 16) | ((a * b / 255u) << 24);
    const size_t count = (size_t)image->width * (size_t)image->height;
    for (int i = 0; i < image->frame_count; i++) {
        uint32_t *p = image->frames[i].pixels;
        uint32_t *end = p + count;
#ifdef __SSE2__
        /* Four pixels a step, in the low 16 bits of each lane: the mean as
         * in gray, then x / 255 for x = mean * tint (at most 65025) exactly
         * as ((x + 1) * 257) >> 16. */
        const __m128i byte = _mm_set1_epi32(0xFF), one = _mm_set1_epi32(1),
                      by257 = _mm_set1_epi32(257);
        const __m128i tr = _mm_set1_epi32((int)r), tg = _mm_set1_epi32((int)g),
                      tb = _mm_set1_epi32((int)b);
        for (; end - p >= 16; p += 16) {
            IMF_PREFETCH(p);
            for (int k = 0; k < 16; k += 4) {
                __m128i v = _mm_loadu_si128((const __m128i *)(p + k));
                __m128i a = imf_mean3_x4(v);
                __m128i cr = _mm_mulhi_epu16(_mm_add_epi32(_mm_mullo_epi16(a, tr), one), by257);
                __m128i cg = _mm_mulhi_epu16(_mm_add_epi32(_mm_mullo_epi16(a, tg), one), by257);
                __m128i cb = _mm_mulhi_epu16(_mm_add_epi32(_mm_mullo_epi16(a, tb), one), by257);
                __m128i out = _mm_or_si128(_mm_slli_epi32(cr, 8), _mm_slli_epi32(cg, 16));
                out =
                    _mm_or_si128(out, _mm_or_si128(_mm_slli_epi32(cb, 24), _mm_and_si128(v, byte)));
                _mm_storeu_si128((__m128i *)(p + k), out);
            }
        }
#endif
        for (; p != end; p++) {
            uint32_t v = *p;
            *p = (v & 0xFFu) | table[imf_mean3(v)];
        }
    }
    return 0;
}

imagefilter_t *imagefilter_coloration_create(void)
{
    imf_coloration_t *self =
        (imf_coloration_t *)imf_create(sizeof *self, "imagefilter_coloration_create", "coloration",
                                       imf_coloration_execute, imf_coloration_set_settings);
    if (!self)
        return NULL;
    self->r = self->g = self->b = 255;
    return &self->head;
}
