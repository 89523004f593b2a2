/*
 * Filter throughput on a 12-megapixel frame: each per-pixel kind in
 * megapixels per second (one core), and resize and quarter-turn rotation
 * against the bare Leptonica call on the same buffer, run in turns, with the
 * ratio of the fastest runs and of the medians against each one's target.
 */
#include "bench_util.h"

#include "filter/imagefilter.h"
#include "image/sn_image.h"

#include <leptonica/allheaders.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <vector>

namespace
{

const int kWidth = 4000, kHeight = 3000, kRuns = 9;
const double kMinMps = 300.0, kMaxRatio = 1.15;
/* Half size has a pass of its own. */
const double kMaxHalfRatio = 0.35;

sn_image_t *make_source()
{
    sn_image_t *image = sn_image_create(kWidth, kHeight, 1);
    if (!image || sn_image_allocate_frame(image, 0) != 0)
        return nullptr;
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; y++)
        for (int x = 0; x < kWidth; x++) {
            seed = seed * 1103515245u + 12345u;
            image->frames[0].rows[y][x] = (((uint32_t)(x ^ y) * 2654435761u) & ~0xFFu) | 0xFFu;
        }
    return image;
}

imagefilter_t *make_filter(const char *kind, const char *const *pairs)
{
    imagefilter_t *filter = imagefilter_create(kind);
    if (!filter || !pairs)
        return filter;
    const char *keys[8], *values[8];
    int n = 0;
    for (; pairs[2 * n]; n++) {
        keys[n] = pairs[2 * n];
        values[n] = pairs[2 * n + 1];
    }
    keys[n] = values[n] = nullptr;
    imagefilter_set_settings(filter, keys, values);
    return filter;
}

int failures = 0;

void per_pixel(sn_image_t *image, const char *label, const char *kind, const char *const *pairs)
{
    imagefilter_t *filter = make_filter(kind, pairs);
    double best = 1e30;
    for (int run = 0; run < kRuns; run++) {
        double t0 = bench_now_ms();
        if (imagefilter_execute(filter, image) != 0) {
            printf("%-28s FAILED to run\n", label);
            failures++;
            imagefilter_destroy(filter);
            return;
        }
        double t = bench_now_ms() - t0;
        best = t < best ? t : best;
    }
    imagefilter_destroy(filter);
    double mps = (double)kWidth * kHeight / 1e6 / (best / 1e3);
    int ok = mps >= kMinMps;
    failures += !ok;
    printf("%-28s %8.2f ms  %8.0f MP/s  %s\n", label, best, mps, ok ? "ok" : "BELOW 300 MP/s");
}

/* Times the filter on fresh copies against the bare Leptonica call, in turns. */
void against_leptonica(const sn_image_t *source, const char *label, const char *kind,
                       const char *const *pairs, PIX *(*bare)(PIX *), double target)
{
    imagefilter_t *filter = make_filter(kind, pairs);
    double best_filter = 1e30, best_bare = 1e30;
    std::vector<double> filter_times, bare_times;
    PIX *header = pixCreateHeader(kWidth, kHeight, 32);
    for (int run = 0; run < kRuns; run++) {
        sn_image_t *copy = sn_image_clone(source);
        double t0 = bench_now_ms();
        int result = imagefilter_execute(filter, copy);
        double t = bench_now_ms() - t0;
        sn_image_destroy(copy);
        if (result != 0) {
            printf("%-28s FAILED to run\n", label);
            failures++;
            break;
        }
        best_filter = t < best_filter ? t : best_filter;
        filter_times.push_back(t);

        copy = sn_image_clone(source);
        t0 = bench_now_ms();
        pixSetData(header, copy->frames[0].pixels);
        PIX *out = bare(header);
        pixSetData(header, nullptr);
        t = bench_now_ms() - t0;
        pixDestroy(&out);
        sn_image_destroy(copy);
        best_bare = t < best_bare ? t : best_bare;
        bare_times.push_back(t);
    }
    pixDestroy(&header);
    imagefilter_destroy(filter);
    double ratio = best_filter / best_bare;
    double median_ratio = bench_median(filter_times) / bench_median(bare_times);
    int ok = ratio <= target && median_ratio <= target;
    failures += !ok;
    printf("%-28s filter %8.2f ms  leptonica %8.2f ms  ratio %.3f (medians %.3f, target <= %.2f)"
           "  %s\n",
           label, best_filter, best_bare, ratio, median_ratio, target, ok ? "ok" : "ABOVE");
}

PIX *bare_half(PIX *pix)
{
    return pixScale(pix, 0.5f, 0.5f);
}

PIX *bare_quarter(PIX *pix)
{
    return pixScale(pix, 0.25f, 0.25f);
}

PIX *bare_third(PIX *pix)
{
    return pixScale(pix, (float)(kWidth / 3) / kWidth, (float)(kHeight / 3) / kHeight);
}

PIX *bare_quarter_turn(PIX *pix)
{
    return pixRotateOrth(pix, 1);
}

PIX *bare_half_turn(PIX *pix)
{
    return pixRotateOrth(pix, 2);
}

} // namespace

int main()
{
    sn_image_init();
    sn_image_t *image = make_source();
    if (!image) {
        fprintf(stderr, "cannot make the source image\n");
        return 1;
    }
    printf("%d x %d, best of %d runs, one core\n", kWidth, kHeight, kRuns);
    static const char *const swap[] = {"r", "b", "b", "r", nullptr};
    static const char *const tint[] = {"r", "255", "g", "128", "b", "0", nullptr};
    static const char *const flip_v[] = {"vertical", "1", nullptr};
    static const char *const flip_h[] = {"horizontal", "1", nullptr};
    static const char *const flip_both[] = {"vertical", "1", "horizontal", "1", nullptr};
    static const char *const roll_x[] = {"x", "123px", nullptr};
    static const char *const roll_y[] = {"y", "45px", nullptr};
    static const char *const roll_xy[] = {"x", "123px", "y", "45px", nullptr};
    per_pixel(image, "gray", "gray", nullptr);
    per_pixel(image, "negative", "negative", nullptr);
    per_pixel(image, "swap_colors r<->b", "swap_colors", swap);
    per_pixel(image, "coloration 255,128,0", "coloration", tint);
    per_pixel(image, "flip vertical", "flip", flip_v);
    per_pixel(image, "flip horizontal", "flip", flip_h);
    per_pixel(image, "flip both", "flip", flip_both);
    per_pixel(image, "roll x", "roll", roll_x);
    per_pixel(image, "roll y", "roll", roll_y);
    per_pixel(image, "roll x and y", "roll", roll_xy);

    sn_image_t *source = make_source();
    static const char *const half[] = {"width", "50%", "height", "50%", nullptr};
    static const char *const quarter[] = {"width", "25%", "height", "25%", nullptr};
    static const char *const third[] = {"width", "1333px", "height", "1000px", nullptr};
    static const char *const turn90[] = {"angle", "90", nullptr};
    static const char *const turn180[] = {"angle", "-180", nullptr};
    against_leptonica(source, "resize 50%", "resize", half, bare_half, kMaxHalfRatio);
    against_leptonica(source, "resize 25%", "resize", quarter, bare_quarter, kMaxRatio);
    against_leptonica(source, "resize 1333 x 1000", "resize", third, bare_third, kMaxRatio);
    against_leptonica(source, "rotate 90", "rotate", turn90, bare_quarter_turn, kMaxRatio);
    against_leptonica(source, "rotate -180", "rotate", turn180, bare_half_turn, kMaxRatio);

    sn_image_destroy(source);
    sn_image_destroy(image);
    printf("%s\n", failures ? "SOME TARGETS MISSED" : "all targets met");
    return failures ? 1 : 0;
}
