/*
 * Cost bound of the readers, a regression guard: every file of the folders
 * named on the command line (the fuzz corpora, their hostile seeds and the
 * crashers kept so far) is loaded by content in a child process of its own,
 * and the child's CPU time and peak memory (getrusage through wait4) must
 * stay within 2 s and 512 MB, whether the file loads or is refused. A reader
 * that allocates and fills what a header claims, or decodes for seconds
 * before it finds the data missing, shows here even when it ends by refusing.
 */
#include "base/sn_log.h"
#include "image/sn_image.h"

#include <dirent.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define ZV_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZV_ASAN 1
#endif
#endif

namespace
{

const double k_max_cpu_seconds = 2.0;
/* AddressSanitizer's shadow memory, redzones and quarantine inflate the
 * resident size of what a load allocates, so under it the memory bound is
 * loosened to twice its size; the CPU bound is the same in every build. */
#ifdef ZV_ASAN
const long k_max_peak_kib = 1024L * 1024;
#else
const long k_max_peak_kib = 512L * 1024;
#endif

void collect(const std::string &path, std::vector<std::string> *files)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return; /* a folder that has no inputs yet */
    if (S_ISREG(st.st_mode)) {
        files->push_back(path);
        return;
    }
    if (!S_ISDIR(st.st_mode))
        return;
    DIR *dir = opendir(path.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (struct dirent *entry = readdir(dir))
        if (entry->d_name[0] != '.')
            names.push_back(path + "/" + entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string &name : names)
        collect(name, files);
}

struct Cost {
    bool ended = false; /* exited by itself */
    bool loaded = false;
    double cpu = 0;
    long peak_kib = 0;
};

/* A child that spins is stopped a little past the bound, one that blocks
 * at a few times it, so that a regression fails fast instead of running
 * into the test's time-out. */
Cost load_in_child(const std::string &path, double cpu_limit)
{
    const rlim_t cpu_cap = (rlim_t)cpu_limit + 1;
    Cost cost;
    fflush(stdout);
    pid_t child = fork();
    if (child < 0) {
        perror("fork");
        return cost;
    }
    if (child == 0) {
        alarm((unsigned)cpu_cap * 3);
        struct rlimit cpu = {cpu_cap, cpu_cap};
        setrlimit(RLIMIT_CPU, &cpu);
        sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
        _exit(image ? 10 : 11);
    }
    int status = 0;
    struct rusage usage;
    if (wait4(child, &status, 0, &usage) != child)
        return cost;
    cost.ended = WIFEXITED(status) && (WEXITSTATUS(status) == 10 || WEXITSTATUS(status) == 11);
    cost.loaded = cost.ended && WEXITSTATUS(status) == 10;
    cost.cpu = (double)usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
               (double)usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    cost.peak_kib = usage.ru_maxrss;
    return cost;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> files;
    for (int i = 1; i < argc; i++)
        collect(argv[i], &files);
    if (files.empty()) {
        fprintf(stderr, "cost_bound: no input files\n");
        return 1;
    }
    /* The children log nowhere: the lines are still formatted. */
    sn_log_close_all();
    sn_log_set_level(0);
    sn_log_open_target(SN_LOG_TARGET_FILE, "/dev/null", 1);
    sn_image_init();

    const double cpu_limit = k_max_cpu_seconds;
    int failures = 0;
    double worst_cpu = 0;
    long worst_peak = 0;
    for (const std::string &file : files) {
        Cost cost = load_in_child(file, cpu_limit);
        bool ok = cost.ended && cost.cpu <= cpu_limit && cost.peak_kib <= k_max_peak_kib;
        worst_cpu = std::max(worst_cpu, cost.cpu);
        worst_peak = std::max(worst_peak, cost.peak_kib);
        if (!ok) {
            failures++;
            fflush(stdout);
            fprintf(stderr,
                    "cost_bound: %s: %s, cpu %.2f s (limit %.1f), peak %ld KiB (limit %ld)\n",
                    file.c_str(), cost.ended ? "over its bound" : "did not end by itself", cost.cpu,
                    cpu_limit, cost.peak_kib, k_max_peak_kib);
        }
    }
    printf("cost_bound: %zu files, worst cpu %.3f s, worst peak %ld KiB, %d over\n", files.size(),
           worst_cpu, worst_peak, failures);
    return failures ? 1 : 0;
}
