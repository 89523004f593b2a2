/*
 * Shared body of the reader fuzz targets: the input bytes go to a private file
 * in memory-backed storage and through the loader by content, as a user's
 * file would.
 */
#ifndef ZV_FUZZ_LOAD_H
#define ZV_FUZZ_LOAD_H

#include "base/sn_log.h"
#include "image/sn_image.h"
#include "image/sn_image_codec.h"

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

/* Frames above this many pixels are legal (the frame cap is far higher) but
 * take seconds to fill from a few hundred bytes of header; the fuzzer would
 * spend its time there and learn nothing. Their header path is still run.
 * The replay tests decode them whole: a kept input must reach every reader
 * path it reached when it was found, big or not. */
constexpr size_t k_max_fuzz_pixels = (size_t)1 << 22;

/* Set by libFuzzer's start-up hook, which the replay driver never calls. */
inline bool g_fuzzing = false;

} // namespace zvfuzz

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    zvfuzz::g_fuzzing = true;
    return 0;
}

namespace zvfuzz
{

/* Reads only the header through the format's own reader: the picture's pixel
 * count, or 0 when the header fails. */
inline size_t header_pixels(int format)
{
    const snimage_iformat_t *reader_format = snimage_find_iformat(format);
    sn_image_t *probe = sn_image_create(0, 0, 0);
    if (!reader_format || !probe)
        abort();
    probe->reader->path = strdup(g_path);
    probe->input_format = reader_format;
    size_t pixels = 0;
    if (reader_format->read_header(probe->reader) == 0)
        pixels = (size_t)probe->width * (size_t)probe->height;
    probe->frame_count = 0; /* no frame array was made */
    sn_image_destroy(probe);
    return pixels;
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
    if (g_fuzzing && format != 0 && header_pixels(format) > k_max_fuzz_pixels)
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
