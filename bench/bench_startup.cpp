/*
 * Start-up time: from the moment a process is spawned to its main window
 * shown and painted, for Zandrevik and for a bare Qt program whose window
 * draws the same kinds of widgets with Qt's own style
 * (startup/startup_bare_window, linked against Qt alone), in the same run on
 * the offscreen platform, taking turns so that each sees the same machine.
 * Target: the median at most 2 x the bare window's. An empty QMainWindow
 * measures Qt's own start alone, not the widgets any such window must make
 * and draw: it is printed beside, for reference. Also the resident memory of
 * each idle window, and Zandrevik started with its skin's style sheet taken
 * away (everything else as it is): what the style sheet costs.
 */
#include "bench_child.h"

#include "startup.h"
#include "startup/startup_child.h"

#include <libgen.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

static const double k_target_ratio = 2.0;
static const int k_rounds = 11;

static int child_app(int argc, char **argv, bool styled)
{
    StartupHooks hooks;
    hooks.applicationCreated = []() { startup_watch_first_paint(); };
    if (!styled)
        hooks.skinLoaded = []() { qApp->setStyleSheet(QString()); };
    return runApplication(argc, argv, hooks);
}

struct Sample {
    double startup_ms = -1;
    long rss_kib = -1;
};

/* Runs program, with mode as its argument unless null, and reads what it
 * reports. */
static Sample spawn_child(const std::string &program, const char *mode)
{
    Sample sample;
    std::vector<std::string> args = {program};
    if (mode)
        args.push_back(mode);
    double shown = -1;
    const BenchChild run = bench_run_child(args, [&shown, &sample](const char *line) {
        long rss;
        if (sscanf(line, "shown %lf", &shown) != 1 && sscanf(line, "rss %ld", &rss) == 1)
            sample.rss_kib = rss;
    });
    if (run.ok && shown >= 0)
        sample.startup_ms = shown - run.spawned_ms;
    return sample;
}

static double fastest(const std::vector<double> &values)
{
    return *std::min_element(values.begin(), values.end());
}

int main(int argc, char **argv)
{
    if (argc > 1 && strcmp(argv[1], "--app") == 0)
        return child_app(1, argv, true);
    if (argc > 1 && strcmp(argv[1], "--app-unstyled") == 0)
        return child_app(1, argv, false);

    std::string data, self;
    if (!bench_child_setup("bench_startup", &data, &self))
        return 1;
    std::vector<char> folder(self.begin(), self.end());
    folder.push_back('\0');
    const std::string bare_program = std::string(dirname(folder.data())) + "/startup_bare_window";
    if (access(bare_program.c_str(), X_OK) != 0) {
        fprintf(stderr, "bench_startup: %s not found\n", bare_program.c_str());
        return 1;
    }

    struct Child {
        const std::string &program;
        const char *mode;
        std::vector<double> ms;
        long rss_kib;
    } children[] = {
        {bare_program, nullptr, {}, -1},
        {self, "--app", {}, -1},
        {self, "--app-unstyled", {}, -1},
        {bare_program, "--empty", {}, -1},
    };
    Child &bare = children[0], &app = children[1], &unstyled = children[2], &empty = children[3];
    /* A first run of each warms the page cache and the font cache; then they
     * take turns, so that each sees the same machine. */
    for (Child &child : children)
        spawn_child(child.program, child.mode);
    for (int round = 0; round < k_rounds; round++)
        for (Child &child : children) {
            const Sample sample = spawn_child(child.program, child.mode);
            if (sample.startup_ms < 0) {
                fprintf(stderr, "bench_startup: a child failed (%s)\n",
                        child.mode ? child.mode : "bare window");
                return 1;
            }
            child.ms.push_back(sample.startup_ms);
            child.rss_kib = std::max(child.rss_kib, sample.rss_kib);
        }
    bench_child_cleanup("bench_startup", data);

    const double app_median = bench_median(app.ms), bare_median = bench_median(bare.ms);
    const double ratio = app_median / bare_median;
    printf("startup to window shown and painted (median of %d, offscreen): zandrevik %.1f ms, "
           "bare window of the same kinds of widgets %.1f ms\n",
           k_rounds, app_median, bare_median);
    printf("ratio %.2f x (target <= %.1f x): %s; fastest against fastest %.2f x\n", ratio,
           k_target_ratio, ratio <= k_target_ratio ? "met" : "MISSED",
           fastest(app.ms) / fastest(bare.ms));
    const double unstyled_median = bench_median(unstyled.ms);
    printf("zandrevik without its style sheet %.1f ms (%.2f x the bare window): the style sheet "
           "costs %.1f ms, %.0f %% of the start-up\n",
           unstyled_median, unstyled_median / bare_median, app_median - unstyled_median,
           100.0 * (app_median - unstyled_median) / app_median);
    const double empty_median = bench_median(empty.ms);
    printf("for reference, an empty QMainWindow %.1f ms (zandrevik %.2f x it)\n", empty_median,
           app_median / empty_median);
    printf("idle resident memory: zandrevik %.1f MiB, bare window %.1f MiB\n", app.rss_kib / 1024.0,
           bare.rss_kib / 1024.0);
    return ratio <= k_target_ratio ? 0 : 1;
}
