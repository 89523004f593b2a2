/*
 * Shared body of the reader fuzz targets: the input bytes go to a private file
 * in memory-backed storage and through the loader by content, as a user's
 * file would.
 */
#ifndef ZV_FUZZ_LOAD_H
#define ZV_FUZZ_LOAD_H

#include "base/sn_log.h"
#include "image/sn_image.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace zvfuzz
{

inline char g_path[256];

inline void remove_input(void)
{
    if (g_path[0])
        unlink(g_path);
}

/* Once per process: the formats, and a log that formats every line (so that
 * the messages' arguments are exercised too) but writes it nowhere visible. */
inline void setup(const char *name)
{
    if (g_path[0])
        return;
    const char *dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    snprintf(g_path, sizeof g_path, "%s/zvfuzz-%s-%ld", dir, name, (long)getpid());
    atexit(remove_input);
    sn_log_close_all();
    sn_log_set_level(0);
    sn_log_open_target(SN_LOG_TARGET_FILE, "/dev/null", 1);
    sn_image_init();
}

/* Loads the bytes as a file and releases the image. Inputs that another
 * reader would claim are skipped when format is not 0, so that a target's
 * time goes to its own reader. */
inline int load(const char *name, int format, const uint8_t *data, size_t size)
{
    setup(name);
    FILE *fp = fopen(g_path, "wb");
    if (!fp)
        abort();
    if (size && fwrite(data, 1, size, fp) != size)
        abort();
    if (fclose(fp) != 0)
        abort();
    if (format != 0 && sn_image_guess_format(g_path) != format)
        return 0;
    sn_image_t *image = sn_image_create_from_file(g_path, -1);
    if (image) {
        /* Touch every pixel, so that rows the reader never wrote are seen by
         * the sanitizers as uninitialised or out of bounds. */
        volatile uint32_t sum = 0;
        for (int f = 0; f < image->frame_count; f++) {
            uint32_t **rows = sn_image_get_frame(image, f);
            for (int y = 0; rows && y < image->height; y++)
                for (int x = 0; x < image->width; x++)
                    sum = sum + rows[y][x];
        }
        sn_image_destroy(image);
    }
    return 0;
}

} // namespace zvfuzz

#endif
