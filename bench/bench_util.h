/*
 * Shared pieces of the benchmarks: the monotonic clock they time with, the
 * resident memory they read, and the libjpeg writer that turns rows of a
 * generated photo-like frame into a test JPEG.
 */
#ifndef BENCH_UTIL_H
#define BENCH_UTIL_H

#include <stdint.h>
#include <stdio.h>
#include <time.h>

#include <jpeglib.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

/* Monotonic time, immune to clock changes during a run. */
inline double bench_now_seconds()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

inline double bench_now_ms()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

/* The resident set of this process in KiB, -1 when it cannot be read. */
inline long bench_resident_kib()
{
    FILE *f = fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kib = -1;
    while (fgets(line, sizeof line, f))
        if (sscanf(line, "VmRSS: %ld", &kib) == 1)
            break;
    fclose(f);
    return kib;
}

/* Writes a width x height RGB JPEG at quality to path; fill_row(y, row) fills
 * each row's width * 3 bytes, top row first. */
inline bool bench_write_jpeg(const char *path, int width, int height, int quality,
                             const std::function<void(int, uint8_t *)> &fill_row)
{
    FILE *fp = fopen(path, "wb");
    if (!fp)
        return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, fp);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row((size_t)width * 3);
    for (int y = 0; y < height; y++) {
        fill_row(y, row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return fclose(fp) == 0;
}

/* A photo-like width x height JPEG: smooth light and colour fields, edges
 * and per-pixel noise, so that the decoder, the encoder and the scaler do
 * real work; seed varies the picture. */
inline bool bench_write_photo(const std::string &path, unsigned seed, int width, int height)
{
    uint32_t state = 0x9E3779B9u ^ seed;
    return bench_write_jpeg(path.c_str(), width, height, 92, [&](int y, uint8_t *row) {
        for (int x = 0; x < width; x++) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            int noise = (int)(state & 31) - 16;
            int light = 60 + (x * 120) / width + (y * 60) / height;
            int band = ((x / 97 + y / 61 + (int)seed) & 3) * 18;
            int v[3] = {light + band + noise, light / 2 + ((x ^ y) & 63) + noise,
                        200 - light / 2 + band / 2 + noise};
            for (int c = 0; c < 3; c++)
                row[(size_t)x * 3 + c] = (uint8_t)std::min(255, std::max(0, v[c]));
        }
    });
}

/* The middle value of a set of timings (the upper one of an even count), 0
 * for none. */
inline double bench_median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

#endif
