// folderScan: Add Folder's walk through a folder and all folders below it,
// and the extensions that make a file a photo.
#ifndef FOLDERSCAN_H
#define FOLDERSCAN_H

#include <sys/stat.h>

#include <functional>

// True when name ends in one of the photo extensions (.bmp, .jpg, .jpeg,
// .tif, .tiff, .gif, .png), in any case.
bool isSupportedImageFile(const char *name);

// Calls found(path, status) for every photo in folder and below it, in the
// order the folders list them. Each folder is entered once: a link back up
// the tree names one already seen and is not followed again. Paths longer
// than 1022 bytes are skipped, not cut. Returns the number of photos found.
int folderScan(const char *folder,
               const std::function<void(const char *, const struct stat &)> &found);

#endif
