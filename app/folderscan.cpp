// folderScan: the recursive walk of Add Folder, one open folder at a time,
// with the set of the folders already entered.
#include "folderscan.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <set>
#include <utility>

namespace
{

// A path longer than this would not fit the scan's 1024-byte buffer with its
// terminator; such a path is skipped rather than cut into another name.
const size_t k_max_path = 1022;

typedef std::set<std::pair<dev_t, ino_t>> visited_set;

typedef std::function<void(const char *, const struct stat &)> found_fn;

int scanTree(const char *folder, const found_fn &found, visited_set *visited)
{
    DIR *dir = opendir(folder);
    if (!dir)
        return 0;
    char *path = (char *)malloc(k_max_path + 2);
    if (!path) {
        closedir(dir);
        return 0;
    }
    int count = 0;
    struct dirent *entry;
    while ((entry = readdir(dir)) != nullptr) {
        if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0)
            continue;
        int length = snprintf(path, k_max_path + 2, "%s/%s", folder, entry->d_name);
        if (length < 0 || (size_t)length > k_max_path)
            continue;
        // Relative to the open folder: no walk down the whole path per file.
        struct stat st;
        if (fstatat(dirfd(dir), entry->d_name, &st, 0) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            // A link back up the tree names a folder already seen: following
            // it again would never end.
            if (visited->insert(std::make_pair(st.st_dev, st.st_ino)).second)
                count += scanTree(path, found, visited);
        } else if (isSupportedImageFile(entry->d_name)) {
            found(path, st);
            count++;
        }
    }
    free(path);
    closedir(dir);
    return count;
}

} // namespace

bool isSupportedImageFile(const char *name)
{
    static const char *const extensions[] = {".bmp",  ".jpg", ".jpeg", ".tif",
                                             ".tiff", ".gif", ".png"};
    if (!name)
        return false;
    const char *dot = strrchr(name, '.');
    if (!dot)
        return false;
    for (const char *extension : extensions)
        if (strcasecmp(dot, extension) == 0)
            return true;
    return false;
}

int folderScan(const char *folder, const found_fn &found)
{
    if (!folder || !found)
        return 0;
    visited_set visited;
    struct stat st;
    if (stat(folder, &st) == 0)
        visited.insert(std::make_pair(st.st_dev, st.st_ino));
    return scanTree(folder, found, &visited);
}
