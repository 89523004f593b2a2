/*
 * Preview latency: the time from a settings change at the last of five
 * operations to the new final stage on a 12-megapixel photo, against one clone
 * of that image plus one run of that filter. Only the stale stage should be
 * recomputed, so the two stay within 1.2x of each other.
 *
 * Usage: bench_preview [rounds]   (default 15; medians are reported)
 */
#include "bench_util.h"

#include "preview.h"

#include "base/sn_log.h"
#include "filter/imagefilter.h"
#include "image/sn_image.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace
{

const int k_width = 4000;
const int k_height = 3000;
const int k_ops = 5;

imagefilter_t *make_coloration(int r, int g, int b)
{
    imagefilter_t *filter = imagefilter_create("coloration");
    std::string rv = std::to_string(r), gv = std::to_string(g), bv = std::to_string(b);
    const char *keys[] = {"r", "g", "b", nullptr};
    const char *values[] = {rv.c_str(), gv.c_str(), bv.c_str(), nullptr};
    if (filter)
        imagefilter_set_settings(filter, keys, values);
    return filter;
}

struct Bench {
    std::mutex mutex; /* the pipeline's, and the end-of-run count's */
    std::condition_variable cv;
    int tint[k_ops] = {200, 180, 160, 140, 120};
    int finished = 0; /* runs that ended with stage 6 */

    static void notify(void *owner, int event, intptr_t value1, intptr_t value2)
    {
        Bench *self = (Bench *)owner;
        if (event == PREVIEW_EVENT_RUN_END && value1 == PREVIEW_END_DONE && value2 == k_ops + 1) {
            std::lock_guard<std::mutex> lock(self->mutex);
            self->finished++;
            self->cv.notify_all();
        }
    }
    static void filters(void *owner, const QString &, int, QList<imagefilter_t *> &list)
    {
        Bench *self = (Bench *)owner;
        std::lock_guard<std::mutex> lock(self->mutex);
        list.clear();
        for (int i = 0; i < k_ops; i++)
            list.append(make_coloration(self->tint[i], 255 - self->tint[i], 90));
    }
    bool wait_finished(int count)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return cv.wait_for(lock, std::chrono::seconds(60), [&] { return finished >= count; });
    }
};

bool write_source(const std::string &path)
{
    sn_image_t *image = sn_image_create(k_width, k_height, 1);
    if (!image || sn_image_allocate_frame(image, 0) != 0)
        return false;
    for (int y = 0; y < k_height; y++) {
        uint32_t *row = image->frames[0].rows[y];
        for (int x = 0; x < k_width; x++)
            row[x] = SN_PIXEL(255, (x + y) & 0xFF, (x * 3) & 0xFF, (y * 5) & 0xFF);
    }
    sn_image_write_params_t params = {90, 24, 0, 0};
    int rc = sn_image_save(image, path.c_str(), SN_IMAGE_FORMAT_BMP, &params);
    sn_image_destroy(image);
    return rc == 0;
}

} // namespace

int main(int argc, char **argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 15;
    if (rounds < 1)
        rounds = 1;
    sn_log_set_level(3);
    sn_image_init();
    char folder[] = "/tmp/bench_preview_XXXXXX";
    if (!mkdtemp(folder) || photobatch_create_instance() != 0) {
        fprintf(stderr, "setup FAILED\n");
        return 1;
    }
    std::string path = std::string(folder) + "/photo.bmp";
    if (!write_source(path)) {
        fprintf(stderr, "writing the source FAILED\n");
        return 1;
    }
    fileman_t *list = photobatch_get_fileman(photobatch_get_instance());
    fileman_add(list, path.c_str(), 0, 0);
    fileman_set_current(list, 0);

    Bench bench;
    preview_t *preview = preview_create(&Bench::notify, &Bench::filters, &bench);
    if (!preview || preview_enable(preview) != 0) {
        fprintf(stderr, "preview FAILED\n");
        return 1;
    }
    preview_set_stage(preview, PREVIEW_STAGE_COUNT);
    if (!bench.wait_finished(1)) {
        fprintf(stderr, "first run FAILED\n");
        return 1;
    }

    /* The reference: one clone of the stage before the last plus one run of
     * the same kind of filter on it, freed outside the timing. Rounds of the
     * two alternate, so that the load of the machine weighs on both alike. */
    sn_image_t *input = preview_lock_image(preview, k_ops - 1);
    sn_image_t *before = input ? sn_image_clone(input) : NULL;
    if (input)
        preview_unlock_image(preview);
    if (!before) {
        fprintf(stderr, "stage copy FAILED\n");
        return 1;
    }
    imagefilter_t *filter = make_coloration(77, 178, 90);
    std::vector<double> change, reference;
    for (int i = 0; i < rounds; i++) {
        double start = bench_now_seconds();
        sn_image_t *copy = sn_image_clone(before);
        imagefilter_execute(filter, copy);
        reference.push_back(bench_now_seconds() - start);
        sn_image_destroy(copy);

        {
            std::lock_guard<std::mutex> lock(bench.mutex);
            bench.tint[k_ops - 1] = (bench.tint[k_ops - 1] + 37) % 256;
        }
        start = bench_now_seconds();
        preview_invalidate(preview, k_ops, 0);
        if (!bench.wait_finished(i + 2)) {
            fprintf(stderr, "run %d FAILED\n", i);
            return 1;
        }
        change.push_back(bench_now_seconds() - start);
    }
    imagefilter_destroy(filter);
    sn_image_destroy(before);

    double c = bench_median(change), r = bench_median(reference);
    printf("preview: %dx%d, %d operations, %d rounds (medians)\n", k_width, k_height, k_ops,
           rounds);
    printf("  change at the last operation -> new final stage: %8.2f ms\n", c * 1e3);
    printf("  one clone + one run of that filter:              %8.2f ms\n", r * 1e3);
    printf("  ratio: %.2f (at most 1.20) %s\n", c / r, c / r <= 1.2 ? "PASS" : "FAIL");

    preview_destroy(preview);
    photobatch_destroy_instance();
    remove(path.c_str());
    rmdir(folder);
    sn_image_uninit();
    return 0;
}
