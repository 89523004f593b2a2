/*
 * Output naming: N outputs that all ask for one name, each given the first
 * free "(n)" by outputfile_create and published, as the batch worker does
 * for a run whose template makes one name: with the run's memory of where
 * its last search for the name ended, against a search from the name itself
 * for every output (the earlier way, quadratic in the run). Target: the cost
 * per output at N outputs is at most twice that at N / 8, that is the search
 * no longer grows with the run.
 *
 * Usage: bench_naming [outputs]   (default 8000)
 */
#include "bench_util.h"
#include "outputfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace
{

const double k_target_ratio = 2.0;

void empty_folder(const std::string &folder)
{
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (struct dirent *entry = readdir(dir))
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            names.push_back(entry->d_name);
    closedir(dir);
    for (const std::string &name : names)
        unlink((folder + "/" + name).c_str());
}

/* Seconds per output for count outputs of one name in an empty folder;
 * negative on a failure. */
double per_output(const std::string &folder, int count, bool remember)
{
    empty_folder(folder);
    int dir = outputfile_open_folder(folder.c_str());
    if (dir < 0)
        return -1;
    outputfile_series_t *series = remember ? outputfile_series_create() : nullptr;
    double start = bench_now_seconds();
    bool ok = true;
    for (int i = 0; i < count && ok; i++) {
        outputfile_t out;
        char published[256];
        ok = outputfile_create(&out, dir, "photo.jpg", "photo.jpg", series) == 0 &&
             outputfile_publish(&out, "photo.jpg", published, sizeof published) == 0;
        outputfile_close(&out);
    }
    double seconds = bench_now_seconds() - start;
    outputfile_series_destroy(series);
    close(dir);
    empty_folder(folder);
    return ok ? seconds / count : -1;
}

} // namespace

int main(int argc, char **argv)
{
    int outputs = argc > 1 ? atoi(argv[1]) : 8000;
    if (outputs < 8 || outputs > 1000000) {
        fprintf(stderr, "usage: %s [outputs 8-1000000]\n", argv[0]);
        return 2;
    }
    const char *tmp = getenv("TMPDIR");
    std::string root = std::string(tmp && *tmp ? tmp : "/tmp") + "/zv_bench_naming_XXXXXX";
    std::vector<char> name(root.begin(), root.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {
        perror("mkdtemp");
        return 1;
    }
    root = name.data();

    const int small = outputs / 8;
    double now_small = per_output(root, small, true);
    double now_large = per_output(root, outputs, true);
    /* The earlier way, at sizes that end in seconds. */
    double then_small = per_output(root, small, false);
    double then_large = per_output(root, small * 2, false);
    rmdir(root.c_str());
    if (now_small <= 0 || now_large <= 0 || then_small <= 0 || then_large <= 0) {
        printf("bench_naming: a create or publish failed\n");
        return 1;
    }

    printf("bench_naming: outputs of one name, each under the first free \"(n)\"\n");
    printf("  with the run's memory:   %7d outputs %8.1f us each, %7d outputs %8.1f us each "
           "(%.2f s in all)\n",
           small, now_small * 1e6, outputs, now_large * 1e6, now_large * outputs);
    printf("  searched from the name:  %7d outputs %8.1f us each, %7d outputs %8.1f us each\n",
           small, then_small * 1e6, small * 2, then_large * 1e6);
    double ratio = now_large / now_small;
    printf("ratio per output %d / %d: %.2f (target <= %.1f)\n", outputs, small, ratio,
           k_target_ratio);
    return ratio <= k_target_ratio ? 0 : 1;
}
