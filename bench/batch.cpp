/*
 * Batch throughput: N photo-like 12-megapixel JPEGs resized to 50 % and
 * written as JPEG quality 90 by (a) the batch worker, (b) a bare Leptonica
 * program and (c) ImageMagick's convert on one thread, each in a child process
 * so that its peak resident memory is its own (wait4's ru_maxrss). (a) and (b)
 * run in turns over several rounds, each timed inside its child over the work
 * alone: the worker from its start command to its finish event, the bare
 * program from its first read to its last write. Then the worker's cost per
 * megapixel on 48-megapixel photos against 1-megapixel ones, in turns, and its
 * idle memory after a run of 24-megapixel photos against that before the run.
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
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace
{

const int k_width = 4000;
const int k_height = 3000;
const int k_rounds = 5;
const double k_target_time = 0.55, k_target_scaling = 1.15, k_target_idle_mib = 100.0;

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

/* What a worker child reports to the parent, in memory both share. */
struct WorkerReport {
    double busy_seconds;    /* from the start command to the finish event, or the bare loop */
    double process_seconds; /* from the start event to the finish event */
    double idle_before_mib, idle_after_mib;
};

WorkerReport *g_report = nullptr;

double resident_mib()
{
    return (double)bench_resident_kib() / 1024.0;
}

struct WorkerRun {
    std::atomic<int> finished{0};
    std::atomic<int> failures{0};
    double started = 0, running = 0, ended = 0;
    imagefilter_t *filter = nullptr;
};

void worker_events(void *target, int event, intptr_t argument, const char *text)
{
    WorkerRun *run = (WorkerRun *)target;
    if (event == PHOTOBATCH_EVENT_STARTED)
        run->running = bench_now_seconds();
    if (event == PHOTOBATCH_EVENT_FAILED)
        run->failures.fetch_add(1);
    if (event == PHOTOBATCH_EVENT_FINISHED) {
        run->ended = bench_now_seconds();
        run->finished.store(1, std::memory_order_release);
    }
}

void worker_filters(void *owner, const QString &path, int, QList<imagefilter_t *> &filters)
{
    filters.clear();
    filters.append(((WorkerRun *)owner)->filter);
}

int run_worker(const std::vector<std::string> &inputs, const std::string &out, bool idle)
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
    /* Idle memory is read once the worker has slept a little with nothing to do. */
    if (idle) {
        usleep(200000);
        g_report->idle_before_mib = resident_mib();
    }
    run.started = bench_now_seconds();
    if (photobatch_start(batch) != 0)
        return 1;
    while (!run.finished.load(std::memory_order_acquire))
        usleep(1000);
    g_report->busy_seconds = run.ended - run.started;
    g_report->process_seconds = run.ended - run.running;
    if (idle) {
        usleep(200000);
        g_report->idle_after_mib = resident_mib();
    }
    photobatch_destroy(batch);
    imagefilter_destroy(run.filter);
    sn_image_uninit();
    return run.failures.load() == 0 ? 0 : 1;
}

int run_leptonica(const std::vector<std::string> &inputs, const std::string &out)
{
    double started = bench_now_seconds();
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
    g_report->busy_seconds = bench_now_seconds() - started;
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

double fastest(const std::vector<double> &values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

/* The worker on a batch in a child; its report fills *report. With idle, the
 * child also reads its idle memory before and after the run. */
Measure worker_child(const std::vector<std::string> &inputs, const std::string &out,
                     WorkerReport *report, bool idle = false)
{
    *g_report = WorkerReport{0, 0, 0, 0};
    Measure m = in_child([&]() { return run_worker(inputs, out, idle); });
    *report = *g_report;
    return m;
}

/* count names for one photo of width x height: written once, linked count times. */
bool photo_copies(const std::string &folder, const char *stem, int width, int height, int count,
                  std::vector<std::string> *paths)
{
    std::string first = folder + "/" + stem + "_0.jpg";
    if (!bench_write_photo(first, 7u, width, height))
        return false;
    paths->push_back(first);
    for (int i = 1; i < count; i++) {
        std::string path = folder + "/" + stem + "_" + std::to_string(i) + ".jpg";
        if (link(first.c_str(), path.c_str()) != 0)
            return false;
        paths->push_back(path);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    int files = argc > 1 ? atoi(argv[1]) : 8;
    if (files < 1 || files > 1000) {
        fprintf(stderr, "usage: %s [files 1-1000]\n", argv[0]);
        return 2;
    }
    g_report = (WorkerReport *)mmap(nullptr, sizeof(WorkerReport), PROT_READ | PROT_WRITE,
                                    MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (g_report == MAP_FAILED) {
        perror("mmap");
        return 1;
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
        if (!bench_write_photo(path, (unsigned)i, k_width, k_height)) {
            fprintf(stderr, "could not write %s\n", path.c_str());
            remove_tree(root);
            return 1;
        }
        inputs.push_back(path);
    }

    /* The worker and the bare program in turns; every round writes anew. */
    std::vector<double> worker_times, bare_times;
    Measure a, b;
    bool ok = true;
    for (int round = 0; round < k_rounds && ok; round++) {
        remove_tree(out_a);
        remove_tree(out_b);
        mkdir(out_a.c_str(), 0755);
        mkdir(out_b.c_str(), 0755);
        WorkerReport report;
        a = worker_child(inputs, out_a, &report);
        worker_times.push_back(report.busy_seconds);
        *g_report = WorkerReport{0, 0, 0, 0};
        b = in_child([&]() { return run_leptonica(inputs, out_b); });
        bare_times.push_back(g_report->busy_seconds);
        ok = a.ok && b.ok;
    }
    bool convert = have_convert();
    Measure c;
    if (convert)
        c = run_convert(inputs, out_c);

    printf("bench_batch: %d JPEG files of %dx%d (q92, noisy), resize 50%% + JPEG q90\n", files,
           k_width, k_height);
    printf("%-34s %10s %10s %14s\n", "", "s/file", "MP/s", "peak RSS MiB");
    a.seconds = bench_median(worker_times);
    b.seconds = bench_median(bare_times);
    print_row("(a) batch worker (median)", a, files);
    print_row("(b) Leptonica pixRead/pixScale", b, files);
    if (convert)
        print_row("(c) convert -limit thread 1", c, files);
    else
        printf("%-34s %10s\n", "(c) convert -limit thread 1", "not installed");
    char ac[64] = "n/a";
    if (convert && a.ok && c.ok)
        snprintf(ac, sizeof ac, "%.2f", a.seconds / c.seconds);
    if (!ok) {
        printf("ratios: n/a (a run failed)\n");
        remove_tree(root);
        return 1;
    }
    double time_ratio = a.seconds / b.seconds;
    double fastest_ratio = fastest(worker_times) / fastest(bare_times);
    printf("ratios: a/b time %.2f median, %.2f fastest (target <= %.2f), a/c time %s, "
           "a/b memory %.2f\n",
           time_ratio, fastest_ratio, k_target_time, ac, a.peak_mib / b.peak_mib);
    bool met = time_ratio <= k_target_time && fastest_ratio <= k_target_time;

    /* Cost per megapixel: 48-megapixel photos against 1-megapixel ones, from
     * the start event on, so that the worker's wait for the command, the same
     * at any size, does not count. */
    std::string small_in = root + "/in1", large_in = root + "/in48";
    mkdir(small_in.c_str(), 0755);
    mkdir(large_in.c_str(), 0755);
    std::vector<std::string> small, large;
    const int small_w = 1200, small_h = 834, large_w = 8000, large_h = 6000;
    if (!photo_copies(small_in, "one", small_w, small_h, files, &small) ||
        !photo_copies(large_in, "large", large_w, large_h, files, &large)) {
        fprintf(stderr, "could not write the scaling photos\n");
        remove_tree(root);
        return 1;
    }
    std::vector<double> small_cost, large_cost;
    for (int round = 0; round < k_rounds && ok; round++) {
        WorkerReport report;
        remove_tree(out_a);
        mkdir(out_a.c_str(), 0755);
        ok = worker_child(small, out_a, &report).ok;
        small_cost.push_back(report.process_seconds * 1e3 / (files * small_w * small_h / 1e6));
        remove_tree(out_a);
        mkdir(out_a.c_str(), 0755);
        ok = ok && worker_child(large, out_a, &report).ok;
        large_cost.push_back(report.process_seconds * 1e3 / (files * large_w * large_h / 1e6));
    }
    if (ok) {
        double scaling = bench_median(large_cost) / bench_median(small_cost);
        double scaling_fastest = fastest(large_cost) / fastest(small_cost);
        printf("cost per megapixel: 1 MP %.2f ms, 48 MP %.2f ms (medians); ratio %.2f median, "
               "%.2f fastest (target <= %.2f)\n",
               bench_median(small_cost), bench_median(large_cost), scaling, scaling_fastest,
               k_target_scaling);
        met = met && scaling <= k_target_scaling && scaling_fastest <= k_target_scaling;
    }

    /* Idle memory around a run of 24-megapixel photos. */
    std::string idle_in = root + "/in24";
    mkdir(idle_in.c_str(), 0755);
    std::vector<std::string> idle_inputs;
    WorkerReport report = {0, 0, 0, 0};
    if (ok) {
        remove_tree(large_in);
        ok = photo_copies(idle_in, "mid", 6000, 4000, files, &idle_inputs);
        remove_tree(out_a);
        mkdir(out_a.c_str(), 0755);
        ok = ok && worker_child(idle_inputs, out_a, &report, true).ok;
    }
    if (ok) {
        double grown = report.idle_after_mib - report.idle_before_mib;
        printf("idle memory around %d photos of 24 MP: %.1f MiB before, %.1f MiB after; "
               "grown %.1f MiB (target <= %.0f)\n",
               files, report.idle_before_mib, report.idle_after_mib, grown, k_target_idle_mib);
        met = met && grown <= k_target_idle_mib;
    }
    remove_tree(root);
    if (!ok) {
        printf("a worker run FAILED\n");
        return 1;
    }
    printf("%s\n", met ? "all targets met" : "SOME TARGETS MISSED");
    return met ? 0 : 1;
}
