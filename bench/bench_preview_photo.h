/*
 * The set-up the Step 2 page benchmarks share: a batch engine whose file
 * list holds one generated photo-like JPEG in a temporary folder, selected,
 * so that the page's preview works on it; and the tidy-up afterwards.
 */
#ifndef BENCH_PREVIEW_PHOTO_H
#define BENCH_PREVIEW_PHOTO_H

#include "base/sn_log.h"
#include "bench_util.h"
#include "image/sn_image.h"
#include "fileman.h"
#include "photobatch.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

/* What both do before their QApplication: the rounds from the first
 * argument (at least one), offscreen unless a platform is set, the engine's
 * log at level 3 and the image module. */
inline int bench_preview_begin(int argc, char **argv, int default_rounds)
{
    int rounds = argc > 1 ? atoi(argv[1]) : default_rounds;
    if (rounds < 1)
        rounds = 1;
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    sn_log_set_level(3);
    sn_image_init();
    return rounds;
}

struct BenchPreviewPhoto {
    std::string folder;
    std::string path;
};

/* Makes the engine and the photo under /tmp/<name>_XXXXXX; false (with a
 * message) when either cannot be made. */
inline bool bench_preview_photo_create(BenchPreviewPhoto *photo, const char *name, int width,
                                       int height)
{
    std::string pattern = std::string("/tmp/") + name + "_XXXXXX";
    if (!mkdtemp(&pattern[0]) || photobatch_create_instance() != 0) {
        fprintf(stderr, "setup FAILED\n");
        return false;
    }
    photo->folder = pattern;
    photo->path = pattern + "/photo.jpg";
    if (!bench_write_jpeg(photo->path.c_str(), width, height, 90,
                          [width, height](int y, uint8_t *row) {
                              for (int x = 0; x < width; x++) {
                                  row[x * 3] = (uint8_t)(x * 255 / width);
                                  row[x * 3 + 1] = (uint8_t)(y * 255 / height);
                                  row[x * 3 + 2] = (uint8_t)((x ^ y) & 0xFF);
                              }
                          })) {
        fprintf(stderr, "writing the photo FAILED\n");
        return false;
    }
    fileman_t *list = photobatch_get_fileman(photobatch_get_instance());
    fileman_add(list, photo->path.c_str(), 0, 0);
    fileman_set_current(list, 0);
    return true;
}

inline void bench_preview_photo_destroy(const BenchPreviewPhoto &photo)
{
    photobatch_destroy_instance();
    if (!photo.path.empty())
        remove(photo.path.c_str());
    if (!photo.folder.empty())
        rmdir(photo.folder.c_str());
}

#endif
