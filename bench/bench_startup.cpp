/*
 * Start-up time: from the moment a process is spawned to its main window
 * shown and painted, for Zandrevik and for a bare Qt program that shows an
 * empty QMainWindow (startup/startup_bare_window, linked against Qt alone),
 * in the same run on the offscreen platform, interleaved so that both see the
 * same machine. Target: at most 2 x the bare program, in the median and
 * fastest against fastest. Also the resident memory of each idle window, and,
 * for reference, Zandrevik started with its skin's style sheet taken away
 * (everything else as it is), which shows what the style sheet costs.
 */
#include "bench_util.h"

#include "startup.h"
#include "startup/startup_child.h"

#include <fcntl.h>
#include <libgen.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

extern char **environ;

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

/* Spawns program, with mode as its argument unless null, and reads what it
 * reports. */
static Sample spawn_child(const char *program, const char *mode)
{
    Sample sample;
    int fds[2];
    if (pipe(fds) != 0)
        return sample;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    /* Qt's start-up notes would drown the report. */
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char *args[] = {const_cast<char *>(program), const_cast<char *>(mode), nullptr};
    pid_t pid;
    const double started = bench_now_ms();
    int rc = posix_spawn(&pid, program, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return sample;
    }
    FILE *in = fdopen(fds[0], "r");
    char line[128];
    while (in && fgets(line, sizeof line, in)) {
        double shown;
        long rss;
        if (sscanf(line, "shown %lf", &shown) == 1)
            sample.startup_ms = shown - started;
        else if (sscanf(line, "rss %ld", &rss) == 1)
            sample.rss_kib = rss;
    }
    if (in)
        fclose(in);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        sample.startup_ms = -1;
    return sample;
}

int main(int argc, char **argv)
{
    if (argc > 1 && strcmp(argv[1], "--app") == 0)
        return child_app(1, argv, true);
    if (argc > 1 && strcmp(argv[1], "--app-unstyled") == 0)
        return child_app(1, argv, false);

    /* The children run offscreen and keep their settings out of the home. */
    char data[] = "/tmp/zv_bench_startup_XXXXXX";
    if (!mkdtemp(data)) {
        fprintf(stderr, "bench_startup: no temporary folder\n");
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_DATA_HOME", data, 1);
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        fprintf(stderr, "bench_startup: cannot find itself\n");
        return 1;
    }
    self[n] = '\0';
    char folder[4096];
    memcpy(folder, self, (size_t)n + 1);
    const std::string bare_program = std::string(dirname(folder)) + "/startup_bare_window";
    if (access(bare_program.c_str(), X_OK) != 0) {
        fprintf(stderr, "bench_startup: %s not found\n", bare_program.c_str());
        return 1;
    }

    /* A first run of each warms the page cache and the font cache. */
    spawn_child(bare_program.c_str(), nullptr);
    spawn_child(self, "--app");
    spawn_child(self, "--app-unstyled");
    std::vector<double> app_ms, bare_ms, unstyled_ms;
    long app_rss = -1, bare_rss = -1;
    for (int round = 0; round < k_rounds; round++) {
        Sample bare = spawn_child(bare_program.c_str(), nullptr);
        Sample app = spawn_child(self, "--app");
        Sample unstyled = spawn_child(self, "--app-unstyled");
        if (bare.startup_ms < 0 || app.startup_ms < 0 || unstyled.startup_ms < 0) {
            fprintf(stderr, "bench_startup: a child failed\n");
            return 1;
        }
        bare_ms.push_back(bare.startup_ms);
        app_ms.push_back(app.startup_ms);
        unstyled_ms.push_back(unstyled.startup_ms);
        app_rss = std::max(app_rss, app.rss_kib);
        bare_rss = std::max(bare_rss, bare.rss_kib);
    }
    std::string cleanup = std::string("rm -rf '") + data + "'";
    if (system(cleanup.c_str()) != 0)
        fprintf(stderr, "bench_startup: %s left behind\n", data);

    const double app_median = bench_median(app_ms), bare_median = bench_median(bare_ms);
    const double ratio = app_median / bare_median;
    printf("startup to window shown and painted (median of %d, offscreen): zandrevik %.1f ms, "
           "bare QMainWindow %.1f ms\n",
           k_rounds, app_median, bare_median);
    const double best_ratio = *std::min_element(app_ms.begin(), app_ms.end()) /
                              *std::min_element(bare_ms.begin(), bare_ms.end());
    printf("ratio %.2f x (target <= %.1f x): %s; fastest against fastest %.2f x\n", ratio,
           k_target_ratio, ratio <= k_target_ratio ? "met" : "MISSED", best_ratio);
    const double unstyled_median = bench_median(unstyled_ms);
    printf("for reference, zandrevik without its style sheet %.1f ms (%.2f x the bare window; "
           "the style sheet costs %.1f ms)\n",
           unstyled_median, unstyled_median / bare_median, app_median - unstyled_median);
    printf("idle resident memory: zandrevik %.1f MiB, bare QMainWindow %.1f MiB\n",
           app_rss / 1024.0, bare_rss / 1024.0);
    return ratio <= k_target_ratio ? 0 : 1;
}
