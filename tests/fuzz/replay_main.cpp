/*
 * Replays fuzz inputs without libFuzzer: every regular file in the folders
 * (or the files) named on the command line goes once through the target, in
 * name order, so that a regression test is deterministic.
 */
#include <dirent.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static bool read_all(const std::string &path, std::vector<uint8_t> *bytes)
{
    FILE *fp = fopen(path.c_str(), "rb");
    if (!fp)
        return false;
    bytes->clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, fp)) > 0)
        bytes->insert(bytes->end(), buf, buf + n);
    bool ok = !ferror(fp);
    fclose(fp);
    return ok;
}

static void collect(const std::string &path, std::vector<std::string> *files)
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
    while (struct dirent *entry = readdir(dir)) {
        if (entry->d_name[0] != '.')
            names.push_back(path + "/" + entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        if (stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            files->push_back(name);
    }
}

int main(int argc, char **argv)
{
    std::vector<std::string> files;
    for (int i = 1; i < argc; i++)
        collect(argv[i], &files);
    std::vector<uint8_t> bytes;
    for (const std::string &file : files) {
        if (!read_all(file, &bytes)) {
            fprintf(stderr, "replay: cannot read %s\n", file.c_str());
            return 1;
        }
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    printf("replay: %zu inputs\n", files.size());
    return 0;
}
