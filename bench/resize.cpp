/*
 * sn_image_resize of a 12-megapixel frame to half size against a bare pixScale
 * of the same buffer: best of several runs each, and their ratio, for an opaque
 * image and for one with a real alpha channel. Half size has a pass of its
 * own: at most 0.35 of pixScale.
 */
#include "bench_util.h"

#include "image/sn_image.h"

#include <leptonica/allheaders.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

namespace
{

const int kWidth = 4000, kHeight = 3000, kRuns = 9;

sn_image_t *make_source(int with_alpha)
{
    sn_image_t *image = sn_image_create(kWidth, kHeight, 1);
    if (!image || sn_image_allocate_frame(image, 0) != 0)
        return nullptr;
    image->has_alpha = with_alpha;
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; y++)
        for (int x = 0; x < kWidth; x++) {
            seed = seed * 1103515245u + 12345u;
            uint32_t alpha = with_alpha ? ((x / 64) & 1 ? 0u : (seed >> 24)) : 0xFFu;
            image->frames[0].rows[y][x] = (((uint32_t)(x ^ y) * 2654435761u) & ~0xFFu) | alpha;
        }
    return image;
}

/* One timed run on a fresh copy, so that both sides start from the same
 * allocator and cache state: a bare pixScale of the copy's buffer, or
 * sn_image_resize of the copy (which also frees the old buffer). */
double timed_run(const sn_image_t *image, bool bare)
{
    sn_image_t *copy = sn_image_clone(image);
    if (!copy)
        return -1;
    double t = -1;
    if (bare) {
        PIX *header = pixCreateHeader(kWidth, kHeight, 32);
        pixSetData(header, (l_uint32 *)copy->frames[0].pixels);
        double t0 = bench_now_ms();
        PIX *out = pixScale(header, 0.5f, 0.5f);
        pixDestroy(&out);
        t = bench_now_ms() - t0;
        pixSetData(header, nullptr);
        pixDestroy(&header);
        sn_image_destroy(copy);
    } else {
        double t0 = bench_now_ms();
        int rc = sn_image_resize(copy, kWidth / 2, kHeight / 2);
        sn_image_destroy(copy);
        t = bench_now_ms() - t0;
        if (rc != 0)
            return -1;
    }
    return t;
}

} // namespace

int main()
{
    sn_image_init();
    int worst = 0;
    for (int with_alpha = 0; with_alpha <= 1; with_alpha++) {
        sn_image_t *image = make_source(with_alpha);
        if (!image) {
            fprintf(stderr, "cannot make the source image\n");
            return 1;
        }
        /* Alternate the two so that a change of machine load hits both alike;
         * keep the best of each. */
        double bare = 1e30, ours = 1e30;
        for (int i = 0; i < kRuns; i++) {
            double b = timed_run(image, true), o = timed_run(image, false);
            if (b < 0 || o < 0) {
                fprintf(stderr, "resize failed\n");
                return 1;
            }
            bare = b < bare ? b : bare;
            ours = o < ours ? o : ours;
        }
        double ratio = ours / bare;
        printf("resize %dx%d -> %dx%d %s: pixScale %.2f ms, sn_image_resize %.2f ms, "
               "ratio %.3f (limit 0.35)\n",
               kWidth, kHeight, kWidth / 2, kHeight / 2, with_alpha ? "with alpha" : "opaque", bare,
               ours, ratio);
        /* At half size the alpha bytes are averaged straight from the frame,
         * so the limit binds both cases. */
        if (ratio > 0.35)
            worst = 1;
        sn_image_destroy(image);
    }
    return worst;
}
