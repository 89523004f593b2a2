/*
 * JPEG decode cost: the codec's load of a 12-megapixel photo-like JPEG
 * against a bare libjpeg-turbo decode of the same file to the 4-byte pixels
 * of a new picture, run side by side. Fails (exit 1) when the load costs more
 * than 1.1 x that bare decode. The bare decode to 3-byte RGB rows is printed
 * beside it: an image here holds 32 bits a pixel, so the load writes a third
 * more fresh memory than that one, and on a machine where first touching a
 * page costs much (as a virtual machine's may) that alone parts the two.
 * Usage: bench_jpeg_decode [rounds]
 */
#include "bench_util.h"

#include "base/sn_log.h"
#include "image/sn_image.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <jpeglib.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

namespace
{

const int k_width = 4000, k_height = 3000;

/* Smooth colour fields with edges and sensor-like noise, so that the entropy
 * data is about as dense as a real photo's at quality 90. */
bool make_photo(const char *path)
{
    std::mt19937 rng(12345);
    std::normal_distribution<float> noise(0.0f, 6.0f);
    return bench_write_jpeg(path, k_width, k_height, 90, [&](int y, uint8_t *row) {
        for (int x = 0; x < k_width; x++) {
            float base_r = 128 + 90 * sinf(x * 0.0021f + y * 0.0013f);
            float base_g = 110 + 70 * sinf(x * 0.0017f - y * 0.0029f + 1.0f);
            float base_b = 100 + 80 * cosf((x + y) * 0.0011f);
            float edge = ((x / 350 + y / 270) & 1) ? 25.0f : -25.0f;
            float v[3] = {base_r + edge, base_g + edge * 0.5f, base_b - edge};
            for (int c = 0; c < 3; c++) {
                float s = v[c] + noise(rng);
                row[(size_t)x * 3 + c] = (unsigned char)std::min(255.0f, std::max(0.0f, s));
            }
        }
    });
}

/* The references: a bare decode of the same file to pixels of bytes each
 * (4: A,R,G,B as the codec asks for, 3: RGB). With whole is true the rows are
 * those of a freshly allocated picture, which is what any decoder that hands
 * out an image pays (the memory's first touch included); without it one
 * reused, cache-hot row takes every line, which shows the library's decoding
 * work alone. */
double bare_decode(const char *path, int bytes, bool whole, unsigned *checksum)
{
    double start = bench_now_ms();
    FILE *fp = fopen(path, "rb");
    if (!fp)
        return -1;
    struct jpeg_decompress_struct cinfo;
    struct jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, fp);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = bytes == 4 ? JCS_EXT_ARGB : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    size_t stride = (size_t)cinfo.output_width * (size_t)bytes;
    size_t lines = whole ? cinfo.output_height : 1;
    unsigned char *pixels = (unsigned char *)malloc(stride * lines);
    std::vector<JSAMPROW> rows(cinfo.output_height);
    for (size_t y = 0; pixels && y < rows.size(); y++)
        rows[y] = pixels + (whole ? y * stride : 0);
    while (pixels && cinfo.output_scanline < cinfo.output_height) {
        JDIMENSION at = cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &rows[at], cinfo.output_height - at);
    }
    unsigned sum = pixels ? pixels[(lines / 2) * stride + stride / 2] : 0;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    fclose(fp);
    free(pixels);
    *checksum += sum;
    return pixels ? bench_now_ms() - start : -1;
}

double codec_load(const char *path, unsigned *checksum)
{
    double start = bench_now_ms();
    sn_image_t *image = sn_image_create_from_file(path, -1);
    if (!image)
        return -1;
    *checksum += image->frames[0].rows[image->height / 2][image->width / 2];
    sn_image_destroy(image);
    return bench_now_ms() - start;
}

} // namespace

int main(int argc, char **argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 9;
    if (rounds < 1)
        rounds = 1;
    sn_image_init();

    char path[] = "/tmp/zv-bench-jpeg-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 || close(fd) != 0 || !make_photo(path)) {
        fprintf(stderr, "jpeg_decode: cannot make the test photo\n");
        return 1;
    }

    /* Interleaved rounds, so that load from other processes hits both sides;
     * the minimum of each side is the least disturbed run. */
    std::vector<double> bare, rgb, row, codec;
    unsigned checksum = 0;
    bare_decode(path, 4, false, &checksum); /* warm the page cache */
    for (int i = 0; i < rounds; i++) {
        double b = bare_decode(path, 4, true, &checksum);
        double c = codec_load(path, &checksum);
        double g = bare_decode(path, 3, true, &checksum);
        double r = bare_decode(path, 4, false, &checksum);
        if (b < 0 || c < 0 || g < 0 || r < 0) {
            fprintf(stderr, "jpeg_decode: decode failed\n");
            unlink(path);
            return 1;
        }
        bare.push_back(b);
        codec.push_back(c);
        rgb.push_back(g);
        row.push_back(r);
    }
    unlink(path);
    std::sort(bare.begin(), bare.end());
    std::sort(codec.begin(), codec.end());
    std::sort(rgb.begin(), rgb.end());
    std::sort(row.begin(), row.end());
    double ratio = codec[0] / bare[0];
    printf("jpeg_decode %dx%d, %d rounds (checksum %u)\n", k_width, k_height, rounds, checksum);
    printf("  bare libjpeg-turbo to ARGB pixels: min %.1f ms, median %.1f ms\n", bare[0],
           bare[bare.size() / 2]);
    printf("  same to RGB rows (3 bytes):        min %.1f ms, median %.1f ms\n", rgb[0],
           rgb[rgb.size() / 2]);
    printf("  ARGB, one reused row (no image):   min %.1f ms, median %.1f ms\n", row[0],
           row[row.size() / 2]);
    printf("  sn_image_create_from_file:         min %.1f ms, median %.1f ms\n", codec[0],
           codec[codec.size() / 2]);
    printf("  ratio to the bare ARGB decode (min / min): %.3f (limit 1.100); "
           "to RGB rows: %.3f; to one reused row: %.3f\n",
           ratio, codec[0] / rgb[0], codec[0] / row[0]);
    return ratio <= 1.10 ? 0 : 1;
}
