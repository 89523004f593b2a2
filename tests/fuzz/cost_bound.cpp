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
#include "child_cost.h"
#include "image/sn_image.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

const double k_max_cpu_seconds = 2.0;
const long k_max_peak_kib = 512L * 1024 * k_memory_factor;

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

/* 10 when the file loaded, 11 when it was refused. */
ChildCost load_in_child(const std::string &path, double cpu_limit)
{
    return cost_in_child(
        [&path]() {
            sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
            return image ? 10 : 11;
        },
        cpu_limit);
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
        ChildCost cost = load_in_child(file, cpu_limit);
        bool ok = cost.ended && (cost.code == 10 || cost.code == 11) && cost.cpu <= cpu_limit &&
                  cost.peak_kib <= k_max_peak_kib;
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
