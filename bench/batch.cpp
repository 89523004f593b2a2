/*
 * Batch throughput: N photo-like 12-megapixel JPEGs resized to 50 % and
 * written as JPEG quality 90 by (a) the batch worker, (b) a bare Leptonica
 * program and (c) ImageMagick's convert on one thread, each in a child process
 * so that its peak resident memory is its own (wait4's ru_maxrss).
 *
 * Usage: bench_batch [files]   (default 8)
 */
#include "bench_util.h"
#include "photobatch.h"

#include "base/sn_log.h"
#include "filter/imagefilter.h"
#include "image/sn_image.h"

#include <allheaders.h>
#include <jpeglib.h>

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace
{

const int k_width = 4000;
const int k_height = 3000;

/* A photo-like frame: smooth light and colour fields, edges, and per-pixel
 * noise, so that the encoder and the scaler do real work. */
bool write_photo(const std::string &path, unsigned seed)
{
    uint32_t state = 0x9E3779B9u ^ seed;
    return bench_write_jpeg(path.c_str(), k_width, k_height, 92, [&](int y, uint8_t *row) {
        for (int x = 0; x < k_width; x++) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            int noise = (int)(state & 31) - 16;
            int light = 60 + (x * 120) / k_width + (y * 60) / k_height;
            int band = ((x / 97 + y / 61 + (int)seed) & 3) * 18;
            int r = light + band + noise;
            int g = light / 2 + ((x ^ y) & 63) + noise;
            int b = 200 - light / 2 + band / 2 + noise;
            uint8_t *p = &row[(size_t)x * 3];
            p[0] = (uint8_t)(r < 0 ? 0 : r > 255 ? 255 : r);
            p[1] = (uint8_t)(g < 0 ? 0 : g > 255 ? 255 : g);
            p[2] = (uint8_t)(b < 0 ? 0 : b > 255 ? 255 : b);
        }
    });
}

struct Measure {
    bool ok = false;
    double seconds = 0;
    double peak_mib = 0;
};

/* Runs body in a child process; its exit status 0 means success. */
Measure in_child(const std::function<int()> &body)
{
    Measure m;
    double t0 = bench_now_seconds();
    pid_t pid = fork();
    if (pid < 0)
        return m;
    if (pid == 0)
        _exit(body());
    int status = 0;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid)
        return m;
    m.seconds = bench_now_seconds() - t0;
    m.peak_mib = (double)usage.ru_maxrss / 1024.0;
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return m;
}

struct WorkerRun {
    std::atomic<int> finished{0};
    std::atomic<int> failures{0};
    imagefilter_t *filter = nullptr;
};

void worker_events(void *target, int event, intptr_t argument, const char *text)
{
    WorkerRun *run = (WorkerRun *)target;
    if (event == PHOTOBATCH_EVENT_FAILED)
        run->failures.fetch_add(1);
    if (event == PHOTOBATCH_EVENT_FINISHED)
        run->finished.store(1, std::memory_order_release);
}

void worker_filters(void *owner, const QString &path, int, QList<imagefilter_t *> &filters)
{
    filters.clear();
    filters.append(((WorkerRun *)owner)->filter);
}

int run_worker(const std::vector<std::string> &inputs, const std::string &out)
{
    sn_image_init();
    WorkerRun run;
    run.filter = imagefilter_create("resize");
    const char *keys[] = {"width", "height", nullptr};
    const char *values[] = {"50%", "50%", nullptr};
    if (!run.filter || imagefilter_set_settings(run.filter, keys, values) != 0)
        return 1;
    photobatch_t *batch = photobatch_create();
    if (!batch)
        return 1;
    outputconfig_t *config = photobatch_get_outputconfig(batch);
    snprintf(config->output_folder, sizeof config->output_folder, "%s", out.c_str());
    config->format = SN_IMAGE_FORMAT_JPEG;
    config->quality = 90;
    for (const std::string &in : inputs)
        fileman_add(photobatch_get_fileman(batch), in.c_str(), 0, 0);
    photobatch_set_process_callback(batch, worker_events, &run);
    photobatch_set_filter_callback(batch, worker_filters, &run);
    if (photobatch_start(batch) != 0)
        return 1;
    while (!run.finished.load(std::memory_order_acquire))
        usleep(1000);
    photobatch_destroy(batch);
    imagefilter_destroy(run.filter);
    sn_image_uninit();
    return run.failures.load() == 0 ? 0 : 1;
}

int run_leptonica(const std::vector<std::string> &inputs, const std::string &out)
{
    for (size_t i = 0; i < inputs.size(); i++) {
        PIX *pix = pixRead(inputs[i].c_str());
        if (!pix)
            return 1;
        PIX *half = pixScale(pix, 0.5f, 0.5f);
        pixDestroy(&pix);
        if (!half)
            return 1;
        std::string path = out + "/" + std::to_string(i) + ".jpg";
        int failed = pixWriteJpeg(path.c_str(), half, 90, 0) != 0;
        pixDestroy(&half);
        if (failed)
            return 1;
    }
    return 0;
}

/* One convert process per file, as a user would run it; peak is the largest. */
Measure run_convert(const std::vector<std::string> &inputs, const std::string &out)
{
    Measure total;
    total.ok = true;
    for (size_t i = 0; i < inputs.size() && total.ok; i++) {
        std::string path = out + "/" + std::to_string(i) + ".jpg";
        Measure m = in_child([&]() {
            execlp("convert", "convert", "-limit", "thread", "1", inputs[i].c_str(), "-resize",
                   "50%", "-quality", "90", path.c_str(), (char *)nullptr);
            return 127;
        });
        total.ok = m.ok;
        total.seconds += m.seconds;
        if (m.peak_mib > total.peak_mib)
            total.peak_mib = m.peak_mib;
    }
    return total;
}

bool have_convert()
{
    return system("convert -version >/dev/null 2>&1") == 0;
}

void remove_tree(const std::string &path)
{
    std::string command = "rm -rf '" + path + "'";
    if (system(command.c_str()) != 0)
        fprintf(stderr, "could not remove %s\n", path.c_str());
}

void print_row(const char *label, const Measure &m, int files)
{
    if (!m.ok) {
        printf("%-34s %10s\n", label, "FAILED");
        return;
    }
    double mp = (double)k_width * k_height * files / 1e6;
    printf("%-34s %10.3f %10.1f %14.1f\n", label, m.seconds / files, mp / m.seconds, m.peak_mib);
}

} // namespace

int main(int argc, char **argv)
{
    int files = argc > 1 ? atoi(argv[1]) : 8;
    if (files < 1 || files > 1000) {
        fprintf(stderr, "usage: %s [files 1-1000]\n", argv[0]);
        return 2;
    }
    const char *tmp = getenv("TMPDIR");
    std::string root = std::string(tmp && *tmp ? tmp : "/tmp") + "/zv_bench_batch_XXXXXX";
    std::vector<char> name(root.begin(), root.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {
        perror("mkdtemp");
        return 1;
    }
    root = name.data();
    std::string in = root + "/in", out_a = root + "/a", out_b = root + "/b", out_c = root + "/c";
    for (const std::string &d : {in, out_a, out_b, out_c})
        mkdir(d.c_str(), 0755);

    std::vector<std::string> inputs;
    for (int i = 0; i < files; i++) {
        std::string path = in + "/photo_" + std::to_string(i) + ".jpg";
        if (!write_photo(path, (unsigned)i)) {
            fprintf(stderr, "could not write %s\n", path.c_str());
            remove_tree(root);
            return 1;
        }
        inputs.push_back(path);
    }

    Measure a = in_child([&]() { return run_worker(inputs, out_a); });
    Measure b = in_child([&]() { return run_leptonica(inputs, out_b); });
    bool convert = have_convert();
    Measure c;
    if (convert)
        c = run_convert(inputs, out_c);

    printf("bench_batch: %d JPEG files of %dx%d (q92, noisy), resize 50%% + JPEG q90\n", files,
           k_width, k_height);
    printf("%-34s %10s %10s %14s\n", "", "s/file", "MP/s", "peak RSS MiB");
    print_row("(a) batch worker", a, files);
    print_row("(b) Leptonica pixRead/pixScale", b, files);
    if (convert)
        print_row("(c) convert -limit thread 1", c, files);
    else
        printf("%-34s %10s\n", "(c) convert -limit thread 1", "not installed");

    remove_tree(root);
    char ac[64] = "n/a";
    if (convert && a.ok && c.ok)
        snprintf(ac, sizeof ac, "%.2f", a.seconds / c.seconds);
    if (a.ok && b.ok)
        printf("ratios: a/b time %.2f (target <= 1.15), a/c time %s (target <= 0.5), "
               "a/b memory %.2f (target <= 1.3)\n",
               a.seconds / b.seconds, ac, a.peak_mib / b.peak_mib);
    else
        printf("ratios: n/a (a run failed)\n");
    return a.ok && b.ok ? 0 : 1;
}
