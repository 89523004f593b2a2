/*
 * The one-pass reductions by 2, 4, 8 and 16 against Leptonica's pixScale at
 * 0.5, 0.25, 0.125 and 0.0625, byte for byte: odd and even sides down to the
 * smallest that still reduce, a 12-megapixel frame, grey and colour, noise that
 * drives the sharpening into both clamps, with alpha (averaged, never
 * sharpened) and without (opaque).
 */
#include "image/sn_image.h"
#include "zv_test.h"

#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

#include <string.h>

#include <vector>

namespace
{

struct Case {
    int width, height;
    bool grey, alpha;
    int halvings;
};

/* Noise over smooth fields and hard steps: every colour byte takes values
 * near 0 and 255, where the sharpened value is clamped. */
std::vector<uint32_t> make_pixels(const Case &c, uint32_t seed)
{
    std::vector<uint32_t> pixels((size_t)c.width * (size_t)c.height);
    uint32_t state = 0x9E3779B9u ^ seed;
    for (int y = 0; y < c.height; y++)
        for (int x = 0; x < c.width; x++) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            uint32_t v = state;
            if (((x / 5) + (y / 3)) & 1)
                v = (v & 0x1F1F1F1Fu) | (((x + y) & 8) ? 0xE0E0E0E0u : 0u);
            if (c.grey)
                v = (v & 0xFFu) | ((v >> 24) * 0x01010100u);
            pixels[(size_t)y * (size_t)c.width + x] = c.alpha ? v : v | 0xFFu;
        }
    return pixels;
}

/* What Leptonica gives: pixScale's colour, and alpha as the 8-bit plane
 * scaled without sharpening (opaque without alpha). */
std::vector<uint32_t> leptonica_halves(const std::vector<uint32_t> &pixels, const Case &c)
{
    std::vector<uint32_t> out;
    const float factor = 1.0f / (float)(1 << c.halvings);
    const int w = c.width >> c.halvings, h = c.height >> c.halvings;
    PIX *header = pixCreateHeader(c.width, c.height, 32);
    PIX *plane = pixCreate(c.width, c.height, 8);
    if (!header || !plane)
        return out;
    pixSetData(header, (l_uint32 *)pixels.data());
    PIX *colour = pixScale(header, factor, factor);
    pixSetData(header, nullptr);
    pixDestroy(&header);
    for (int y = 0; y < c.height; y++)
        for (int x = 0; x < c.width; x++)
            pixSetPixel(plane, x, y, pixels[(size_t)y * (size_t)c.width + x] & 0xFFu);
    PIX *alpha = pixScaleGeneral(plane, factor, factor, 0.0f, 0);
    pixDestroy(&plane);
    if (colour && alpha && pixGetWidth(colour) == w && pixGetHeight(colour) == h &&
        pixGetWidth(alpha) == w && pixGetHeight(alpha) == h) {
        const uint32_t *data = (const uint32_t *)pixGetData(colour);
        out.resize((size_t)w * (size_t)h);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                l_uint32 a = 0xFF;
                if (c.alpha)
                    pixGetPixel(alpha, x, y, &a);
                size_t i = (size_t)y * (size_t)w + x;
                out[i] = (data[i] & ~0xFFu) | a;
            }
    }
    pixDestroy(&colour);
    pixDestroy(&alpha);
    return out;
}

/* The first differing pixel, or -1. */
long long first_difference(const uint32_t *a, const std::vector<uint32_t> &b)
{
    for (size_t i = 0; i < b.size(); i++)
        if (a[i] != b[i])
            return (long long)i;
    return -1;
}

TEST(HalfSizeTest, EqualsPixScaleOverATableOfSizesAndFactors)
{
    sn_image_init();
    /* 4000 x 3000 gives a result past 4 MB, whose new memory is advised as
     * huge pages. */
    const Case cases[] = {
        {2, 2, false, false, 1},     {3, 2, false, true, 1},        {2, 3, true, false, 1},
        {3, 3, false, false, 1},     {4, 4, false, true, 1},        {5, 7, true, true, 1},
        {2, 9, false, false, 1},     {9, 2, false, true, 1},        {6, 6, false, false, 1},
        {7, 5, false, true, 1},      {17, 31, true, false, 1},      {64, 48, false, false, 1},
        {64, 48, false, true, 1},    {127, 255, false, true, 1},    {130, 66, true, true, 1},
        {301, 199, false, false, 1}, {4001, 3001, false, false, 1}, {4, 4, false, false, 2},
        {7, 5, false, true, 2},      {11, 13, true, false, 2},      {12, 4, false, true, 2},
        {64, 48, false, true, 2},    {301, 199, false, true, 2},    {8, 8, false, true, 3},
        {15, 9, true, false, 3},     {64, 48, false, true, 3},      {303, 201, false, false, 3},
        {16, 16, false, true, 4},    {31, 17, false, false, 4},     {64, 48, true, true, 4},
        {333, 250, false, true, 4},  {2000, 1500, false, true, 2},  {4000, 3000, false, true, 1}};
    uint32_t seed = 1;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " / " << (1 << c.halvings)
                                        << (c.grey ? " grey" : "") << (c.alpha ? " alpha" : ""));
        std::vector<uint32_t> pixels = make_pixels(c, seed++);
        std::vector<uint32_t> want = leptonica_halves(pixels, c);
        const int w = c.width >> c.halvings, h = c.height >> c.halvings;
        ASSERT_EQ(want.size(), (size_t)w * (size_t)h);
        std::vector<uint32_t> got(want.size());
        ASSERT_EQ(
            snimage_scale_halves(pixels.data(), c.width, c.height, c.alpha, c.halvings, got.data()),
            0);
        EXPECT_EQ(first_difference(got.data(), want), -1);

        /* Exact multiples reach the pass through the resize of an image. */
        if (w << c.halvings != c.width || h << c.halvings != c.height)
            continue;
        zvtest::ImagePtr image(sn_image_create(c.width, c.height, 1));
        ASSERT_TRUE(image);
        ASSERT_EQ(sn_image_allocate_frame(image.get(), 0), 0);
        image->has_alpha = c.alpha;
        memcpy(image->frames[0].pixels, pixels.data(), pixels.size() * 4);
        ASSERT_EQ(sn_image_resize(image.get(), w, h), 0);
        ASSERT_EQ(image->width, w);
        ASSERT_EQ(image->height, h);
        EXPECT_EQ(first_difference(image->frames[0].pixels, want), -1);
    }
}

TEST(HalfSizeTest, SidesTooShortAndFactorsOutOfRangeAreRefused)
{
    sn_image_init();
    uint32_t pixels[64];
    uint32_t out[16];
    for (uint32_t &p : pixels)
        p = 0xFFFFFFFFu;
    memset(out, 0, sizeof out);
    zvtest::LogCapture log;
    EXPECT_EQ(snimage_scale_halves(pixels, 1, 5, 0, 1, out), -1);
    EXPECT_EQ(snimage_scale_halves(pixels, 5, 1, 0, 1, out), -1);
    EXPECT_EQ(snimage_scale_halves(pixels, 3, 8, 0, 2, out), -1);
    EXPECT_EQ(snimage_scale_halves(pixels, 8, 8, 0, 5, out), -1);
    EXPECT_EQ(snimage_scale_halves(pixels, 8, 8, 0, 0, out), -1);
    EXPECT_TRUE(log.contains("FAILED!"));
    EXPECT_EQ(out[0], 0u);
}

} // namespace
