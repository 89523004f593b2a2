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
#ifdef __SSE2__
        /* Four pixels a step. */
        const __m128i byte = _mm_set1_epi32(0xFF);
        for (; end - p >= 16; p += 16) {
            IMF_PREFETCH(p);
            for (int k = 0; k < 16; k += 4) {
                __m128i v = _mm_loadu_si128((const __m128i *)(p + k));
                __m128i a = imf_mean3_x4(v);
                __m128i out = _mm_or_si128(_mm_slli_epi32(a, 8), _mm_slli_epi32(a, 16));
                out = _mm_or_si128(out, _mm_slli_epi32(a, 24));
                _mm_storeu_si128((__m128i *)(p + k), _mm_or_si128(out, _mm_and_si128(v, byte)));
            }
        }
#endif
        for (; p != end; p++) {
            uint32_t v = *p;
            *p = (v & 0xFFu) | (imf_mean3(v) * 0x01010100u);
        }
    }
    return 0;
}

imagefilter_t *imagefilter_gray_create(void)
{
    return imf_create(sizeof(imagefilter_t), "imagefilter_gray_create", "gray", imf_gray_execute,
                      NULL);
}
