/*
 * Small helpers shared by the filter tests: images made from a pixel
 * function, settings arrays from literal pairs, and a round trip through
 * ImageMagick for independent expected pixels.
 */
#ifndef FILTER_FIXTURE_H
#define FILTER_FIXTURE_H

#include "filter/imagefilter.h"
#include "image/sn_image.h"
#include "zv_test.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fxt
{

using Image = zvtest::ImagePtr;

struct FilterDeleter {
    void operator()(imagefilter_t *filter) const
    {
        if (filter)
            imagefilter_destroy(filter);
    }
};
using Filter = std::unique_ptr<imagefilter_t, FilterDeleter>;

using PixelFn = std::function<uint32_t(int x, int y)>;

inline Image make(int width, int height, const PixelFn &fn, int frames = 1)
{
    Image image(sn_image_create(width, height, frames));
    if (!image)
        return image;
    for (int i = 0; i < frames; i++) {
        if (sn_image_allocate_frame(image.get(), i) != 0)
            return Image();
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                image->frames[i].rows[y][x] = fn(x, y);
    }
    return image;
}

inline Image solid(int width, int height, uint32_t word)
{
    return make(width, height, [word](int, int) { return word; });
}

/* A picture where every pixel differs: alpha, red, green, blue from x and y. */
inline uint32_t pattern(int x, int y)
{
    return SN_PIXEL((x * 7 + y * 3 + 40) & 0xFF, (x * 13 + y) & 0xFF, (y * 17 + x * 2) & 0xFF,
                    (x * y + 5) & 0xFF);
}

inline uint32_t px(const sn_image_t *image, int x, int y, int frame = 0)
{
    return image->frames[frame].rows[y][x];
}

/* Key and value arrays ending with a null key, as the operations keep them. */
struct Settings {
    std::vector<const char *> keys;
    std::vector<const char *> values;
    Settings(std::initializer_list<std::pair<const char *, const char *>> pairs)
    {
        for (const auto &p : pairs) {
            keys.push_back(p.first);
            values.push_back(p.second);
        }
        keys.push_back(nullptr);
        values.push_back(nullptr);
    }
};

inline int set(imagefilter_t *filter, const Settings &settings)
{
    return imagefilter_set_settings(filter, settings.keys.data(), settings.values.data());
}

inline Filter make_filter(const char *kind, const Settings &settings)
{
    Filter filter(imagefilter_create(kind));
    if (filter && settings.keys[0] && set(filter.get(), settings) != 0)
        ADD_FAILURE() << "settings of " << kind << " refused";
    return filter;
}

/* Runs one filter on a fresh copy of source and returns the result. */
inline Image run(const char *kind, const Settings &settings, const sn_image_t *source)
{
    Filter filter = make_filter(kind, settings);
    Image copy(sn_image_clone(source));
    if (!filter || !copy || imagefilter_execute(filter.get(), copy.get()) != 0)
        return Image();
    return copy;
}

inline std::string address(const sn_image_t *image)
{
    char text[64];
    snprintf(text, sizeof text, "%p", (const void *)image);
    return text;
}

/* Writes image as a PAM file, lets ImageMagick apply args, decodes the result. */
inline bool magick(const sn_image_t *image, const std::string &args, zvtest::Rgba *out)
{
    zvtest::TempDir dir;
    std::string header = "P7\nWIDTH " + std::to_string(image->width) + "\nHEIGHT " +
                         std::to_string(image->height) +
                         "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (int y = 0; y < image->height; y++) {
        for (int x = 0; x < image->width; x++) {
            uint32_t p = px(image, x, y);
            bytes.push_back(SN_PIXEL_R(p));
            bytes.push_back(SN_PIXEL_G(p));
            bytes.push_back(SN_PIXEL_B(p));
            bytes.push_back(SN_PIXEL_A(p));
        }
    }
    std::string in = dir.file("in.pam"), result = dir.file("out.pam");
    if (!zvtest::write_file(in, bytes))
        return false;
    if (zvtest::run("/usr/bin/convert " + zvtest::quote(in) + " " + args + " " +
                    zvtest::quote(result) + " 2>/dev/null") != 0)
        return false;
    return zvtest::magick_decode(result, out);
}

inline bool have_magick()
{
    return zvtest::run("test -x /usr/bin/convert") == 0;
}

/* Compares every pixel of image with ImageMagick's result. */
inline void expect_same(const sn_image_t *image, const zvtest::Rgba &expected)
{
    ASSERT_EQ(image->width, expected.width);
    ASSERT_EQ(image->height, expected.height);
    int mismatches = 0;
    for (int y = 0; y < image->height && mismatches < 5; y++)
        for (int x = 0; x < image->width && mismatches < 5; x++)
            if (px(image, x, y) != expected.at(x, y)) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") " << std::hex << px(image, x, y)
                              << " != " << expected.at(x, y);
                mismatches++;
            }
}

} // namespace fxt

#endif
