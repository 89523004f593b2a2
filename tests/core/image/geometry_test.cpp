/*
 * Crop, padding, resize and rotation: exact pixels for the copying operations
 * and the quarter turns, sizes and fill for free angles, alpha kept by resize,
 * and failures that leave the image untouched.
 */
#include "image/sn_image.h"
#include "zv_test.h"

#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

#include <math.h>
#include <string.h>

#include <algorithm>
#include <memory>

namespace
{

using image_ptr = zvtest::ImagePtr;

/* A distinct, opaque word for every position. */
uint32_t pattern(int x, int y)
{
    return SN_PIXEL(0xFF, x & 0xFF, y & 0xFF, (x * 7 + y * 13) & 0xFF);
}

image_ptr make_image(int width, int height, int frames = 1)
{
    image_ptr image(sn_image_create(width, height, frames));
    if (!image)
        return image;
    for (int i = 0; i < frames; i++) {
        if (sn_image_allocate_frame(image.get(), i) != 0)
            return nullptr;
        uint32_t **rows = sn_image_get_frame(image.get(), i);
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                rows[y][x] = pattern(x, y) ^ ((uint32_t)i << 8);
    }
    return image;
}

bool same_pixels(const sn_image_t *a, const sn_image_t *b)
{
    if (a->width != b->width || a->height != b->height || a->frame_count != b->frame_count)
        return false;
    for (int i = 0; i < a->frame_count; i++)
        if (memcmp(a->frames[i].pixels, b->frames[i].pixels,
                   (size_t)a->width * (size_t)a->height * 4) != 0)
            return false;
    return true;
}

class GeometryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sn_image_init();
    }
};

TEST_F(GeometryTest, CropCopiesTheRectangleOfEveryFrame)
{
    image_ptr image = make_image(20, 10, 2);
    ASSERT_EQ(sn_image_crop(image.get(), 3, 4, 12, 5), 0);
    EXPECT_EQ(image->width, 12);
    EXPECT_EQ(image->height, 5);
    for (int i = 0; i < 2; i++)
        for (int y = 0; y < 5; y++)
            for (int x = 0; x < 12; x++)
                ASSERT_EQ(image->frames[i].rows[y][x], pattern(x + 3, y + 4) ^ ((uint32_t)i << 8));
}

TEST_F(GeometryTest, CropToTheFullImageIsIdentical)
{
    image_ptr image = make_image(17, 9);
    image_ptr copy(sn_image_clone(image.get()));
    ASSERT_EQ(sn_image_crop(image.get(), 0, 0, 17, 9), 0);
    EXPECT_TRUE(same_pixels(image.get(), copy.get()));
}

TEST_F(GeometryTest, CropOutsideTheImageFailsAndChangesNothing)
{
    image_ptr image = make_image(17, 9);
    image_ptr copy(sn_image_clone(image.get()));
    struct Case {
        int left, top, width, height;
        const char *message;
    } cases[] = {
        {5, 0, 13, 9, "FAILED!"}, /* one pixel wider than what is left */
        {0, 1, 17, 9, "FAILED!"},
        {-1, 0, 4, 4, "FAILED!"},
        {0, 0, 0, 4, "width:0, height:4\n"},
        {0, 0, 4, -2, "width:4, height:-2\n"},
        {0x7FFFFFF0, 0, 100, 1, "FAILED!"}, /* left + width overflows an int */
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.left << "," << c.top << "," << c.width << "," << c.height);
        zvtest::LogCapture log;
        EXPECT_EQ(sn_image_crop(image.get(), c.left, c.top, c.width, c.height), -1);
        EXPECT_TRUE(log.contains("[sn_image_crop]"));
        EXPECT_TRUE(log.contains(c.message));
        EXPECT_TRUE(same_pixels(image.get(), copy.get()));
    }
}

TEST_F(GeometryTest, PaddingFillsTheMarginsAndKeepsThePicture)
{
    image_ptr image = make_image(6, 4);
    const uint32_t fill = 0x11223344u;
    ASSERT_EQ(sn_image_padding(image.get(), 2, 1, 3, 4, fill), 0);
    ASSERT_EQ(image->width, 11);
    ASSERT_EQ(image->height, 9);
    for (int y = 0; y < 9; y++)
        for (int x = 0; x < 11; x++) {
            bool inside = x >= 2 && x < 8 && y >= 1 && y < 5;
            ASSERT_EQ(image->frames[0].rows[y][x], inside ? pattern(x - 2, y - 1) : fill)
                << x << "," << y;
        }
    EXPECT_EQ(image->has_alpha, 1); /* 0x44 is not opaque */
}

TEST_F(GeometryTest, PaddingAlphaFollowsTheColour)
{
    struct Case {
        uint32_t color;
        int has_alpha;
    } cases[] = {{0xFFFFFFFFu, 0}, {0x000000FFu, 0}, {0xFFFFFF00u, 1}, {0u, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.color);
        image_ptr image = make_image(3, 3);
        ASSERT_EQ(sn_image_padding(image.get(), 1, 1, 1, 1, c.color), 0);
        EXPECT_EQ(image->has_alpha, c.has_alpha);
    }
}

TEST_F(GeometryTest, PaddingByZeroIsIdenticalAndNegativeFails)
{
    image_ptr image = make_image(8, 5);
    image_ptr copy(sn_image_clone(image.get()));
    ASSERT_EQ(sn_image_padding(image.get(), 0, 0, 0, 0, 0), 0);
    EXPECT_TRUE(same_pixels(image.get(), copy.get()));

    zvtest::LogCapture log;
    EXPECT_EQ(sn_image_padding(image.get(), 0, -1, 0, 0, 0), -1);
    EXPECT_TRUE(log.contains("left:0, top:-1, right:0, bottom:0\n"));
    /* Margins whose sum overflows or whose frame is too big are refused. */
    EXPECT_EQ(sn_image_padding(image.get(), 0x7FFFFFFF, 0, 0, 0, 0), -1);
    EXPECT_EQ(sn_image_padding(image.get(), 50000, 50000, 0, 0, 0), -1);
    EXPECT_TRUE(log.contains("FAILED!"));
    EXPECT_TRUE(same_pixels(image.get(), copy.get()));
}

TEST_F(GeometryTest, QuarterTurnsArePixelExact)
{
    const int W = 300, H = 200;
    struct Case {
        double angle;
        int width, height;
    } cases[] = {{90, H, W}, {180, W, H}, {270, H, W}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.angle);
        image_ptr image = make_image(W, H);
        ASSERT_EQ(sn_image_rotate(image.get(), c.angle, 0), 0);
        ASSERT_EQ(image->width, c.width);
        ASSERT_EQ(image->height, c.height);
        EXPECT_EQ(image->has_alpha, 1); /* fill 0 is transparent whatever the angle */
        uint32_t **rows = image->frames[0].rows;
        for (int y = 0; y < c.height; y++)
            for (int x = 0; x < c.width; x++) {
                /* Clockwise: the old bottom-left corner becomes the top-left. */
                uint32_t want = c.angle == 90    ? pattern(y, H - 1 - x)
                                : c.angle == 180 ? pattern(W - 1 - x, H - 1 - y)
                                                 : pattern(W - 1 - y, x);
                ASSERT_EQ(rows[y][x], want) << x << "," << y;
            }
    }
}

TEST_F(GeometryTest, Rotate180TakesTheOriginFromTheLastPixel)
{
    image_ptr image = make_image(300, 200);
    ASSERT_EQ(sn_image_rotate(image.get(), 180, 0xFFFFFFFFu), 0);
    EXPECT_EQ(image->frames[0].rows[0][0], pattern(299, 199));
    EXPECT_EQ(image->has_alpha, 0);
}

TEST_F(GeometryTest, FreeAngleGrowsToTheTurnedBoundingBox)
{
    image_ptr image(sn_image_create(100, 50, 1));
    ASSERT_EQ(sn_image_allocate_frame(image.get(), 0), 0);
    const uint32_t red = SN_PIXEL(0xFF, 0xFF, 0, 0);
    for (int i = 0; i < 100 * 50; i++)
        image->frames[0].pixels[i] = red;
    const uint32_t fill = 0x00FF0080u;
    ASSERT_EQ(sn_image_rotate(image.get(), 30, fill), 0);
    ASSERT_EQ(image->width, 115);
    ASSERT_EQ(image->height, 97);
    EXPECT_EQ(image->has_alpha, 1);
    uint32_t **rows = image->frames[0].rows;
    EXPECT_EQ(rows[0][0], fill);
    EXPECT_EQ(rows[0][114], fill);
    EXPECT_EQ(rows[96][0], fill);
    EXPECT_EQ(rows[96][114], fill);
    EXPECT_EQ(rows[48][57], red);
    /* The frame's corners land inside: the top-left one near (8, 2), a ring of
     * about two pixels of fill from the edge. */
    int filled_rows = 0;
    for (int y = 0; y < 97; y++) {
        int reds = 0;
        for (int x = 0; x < 115; x++)
            reds += rows[y][x] == red;
        filled_rows += reds > 0;
    }
    EXPECT_GE(filled_rows, 90);
}

TEST_F(GeometryTest, PositiveAnglesTurnClockwise)
{
    /* A dark line through the middle row: turned clockwise, its right half goes
     * down the screen. */
    const int W = 101, H = 61;
    image_ptr image(sn_image_create(W, H, 1));
    ASSERT_EQ(sn_image_allocate_frame(image.get(), 0), 0);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            image->frames[0].rows[y][x] =
                y >= H / 2 - 1 && y <= H / 2 + 1 ? SN_PIXEL(0xFF, 0, 0, 0) : 0xFFFFFFFFu;
    ASSERT_EQ(sn_image_rotate(image.get(), 30, 0xFFFFFFFFu), 0);
    int cx = image->width / 2, cy = image->height / 2;
    uint32_t **rows = image->frames[0].rows;
    /* 35 pixels right of the centre along the turned line: dy = 35 * tan 30 = 20. */
    EXPECT_LT(SN_PIXEL_R(rows[cy + 20][cx + 35]), 0x40u);
    EXPECT_EQ(rows[cy - 20][cx + 35], 0xFFFFFFFFu);
}

TEST_F(GeometryTest, TinyAnglesLeaveTheImageUnchanged)
{
    image_ptr image = make_image(40, 30);
    image_ptr copy(sn_image_clone(image.get()));
    for (double angle : {0.0, 0.05, -0.05}) {
        SCOPED_TRACE(angle);
        ASSERT_EQ(sn_image_rotate(image.get(), angle, 0xFFFFFFFFu), 0);
        EXPECT_TRUE(same_pixels(image.get(), copy.get()));
    }
    EXPECT_EQ(image->has_alpha, 0);
    ASSERT_EQ(sn_image_rotate(image.get(), 0.05, 0x10203000u), 0);
    EXPECT_EQ(image->has_alpha, 1);
}

/* NaN and infinities are refused with the image untouched (NaN used to
 * reach a float-to-int conversion); angles of a turn or more are reduced
 * before anything is converted, so 1e308 is a finite turn and 450 the
 * quarter turn that 90 is. */
TEST_F(GeometryTest, RotationRefusesNonFiniteAnglesAndReducesHugeOnes)
{
    image_ptr copy = make_image(30, 20);
    for (double angle : {NAN, INFINITY, -INFINITY}) {
        SCOPED_TRACE(angle);
        image_ptr image(sn_image_clone(copy.get()));
        zvtest::LogCapture log;
        EXPECT_EQ(sn_image_rotate(image.get(), angle, 0), -1);
        EXPECT_TRUE(log.contains("angle FAILED!"));
        EXPECT_TRUE(same_pixels(image.get(), copy.get()));
    }
    struct Case {
        double angle, same_as;
    } cases[] = {{450, 90},
                 {-630, -270},
                 {720, 0},
                 {1e308, fmod(1e308, 360.0)},
                 {-1e308, fmod(-1e308, 360.0)},
                 {390.5, 30.5}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.angle);
        image_ptr turned(sn_image_clone(copy.get()));
        image_ptr want(sn_image_clone(copy.get()));
        ASSERT_EQ(sn_image_rotate(turned.get(), c.angle, 0xFFFFFFFFu), 0);
        ASSERT_EQ(sn_image_rotate(want.get(), c.same_as, 0xFFFFFFFFu), 0);
        EXPECT_TRUE(same_pixels(turned.get(), want.get()));
    }
}

TEST_F(GeometryTest, RotationOfASinglePixelStillHasAFillRing)
{
    image_ptr image(sn_image_create(1, 1, 1));
    ASSERT_EQ(sn_image_allocate_frame(image.get(), 0), 0);
    image->frames[0].pixels[0] = 0x123456FFu;
    ASSERT_EQ(sn_image_rotate(image.get(), 45, 0), 0);
    EXPECT_EQ(image->width, 4);
    EXPECT_EQ(image->height, 5);
    EXPECT_EQ(image->frames[0].rows[0][0], 0u);
}

TEST_F(GeometryTest, RotationRefusesACanvasTooBigToAllocate)
{
    /* 2^31 bytes is the frame limit; a 23000 x 23000 frame turned by 45 degrees
     * needs a canvas of about 32500 squared pixels. */
    image_ptr image(sn_image_create(23000, 23000, 0));
    zvtest::LogCapture log;
    EXPECT_EQ(sn_image_rotate(image.get(), 45, 0), -1);
    EXPECT_TRUE(log.contains("FAILED!"));
    EXPECT_EQ(image->width, 23000);
}

/* What a turn will cost is known before it is made: at least the turned
 * picture, the frame itself for a quarter turn or none, and nothing for a
 * turn that is refused. A thin frame turned by 45 degrees costs about
 * (w + h)^2 / 2. */
TEST_F(GeometryTest, RotationPixelsForetellTheTurn)
{
    const struct {
        int width, height;
        double angle;
    } turns[] = {{100, 50, 30}, {1, 1, 45},    {600, 10, 45},  {37, 91, -200.5},
                 {40, 30, 90},  {40, 30, 450}, {40, 30, 0.05}, {40, 30, 0}};
    for (const auto &t : turns) {
        SCOPED_TRACE(std::to_string(t.width) + "x" + std::to_string(t.height) + " by " +
                     std::to_string(t.angle));
        image_ptr image = make_image(t.width, t.height);
        const size_t foretold = sn_image_rotation_pixels(t.width, t.height, t.angle);
        ASSERT_EQ(sn_image_rotate(image.get(), t.angle, 0), 0);
        EXPECT_GE(foretold, (size_t)image->width * (size_t)image->height);
        EXPECT_GE(foretold, (size_t)t.width * (size_t)t.height);
        if (image->width * image->height == t.width * t.height)
            EXPECT_EQ(foretold, (size_t)t.width * (size_t)t.height);
        else
            EXPECT_LE(foretold, (size_t)(std::max(t.width, image->width) + 40) *
                                    (size_t)(std::max(t.height, image->height) + 40));
    }
    /* The canvas holds the turned box and the frame: 6032 x 4982. */
    EXPECT_GE(sn_image_rotation_pixels(6000, 1000, 45), (size_t)(7000 * 7000 / 2));
    EXPECT_LE(sn_image_rotation_pixels(6000, 1000, 45), (size_t)6032 * 5000);
    EXPECT_EQ(sn_image_rotation_pixels(23000, 23000, 45) > (size_t)INT32_MAX / 4, true);
    EXPECT_EQ(sn_image_rotation_pixels(30, 20, NAN), 0u);
    EXPECT_EQ(sn_image_rotation_pixels(0, 20, 45), 0u);
}

TEST_F(GeometryTest, ResizeScalesEveryFrameAsPixScaleDoes)
{
    image_ptr image = make_image(64, 48, 2);
    for (int i = 0; i < 64 * 48; i++)
        image->frames[1].pixels[i] = image->frames[0].pixels[i];
    /* The colour through a bare Leptonica header, for comparison. */
    PIX *header = pixCreateHeader(64, 48, 32);
    ASSERT_NE(header, nullptr);
    pixSetData(header, (l_uint32 *)image->frames[0].pixels);
    PIX *direct = pixScale(header, 24.0f / 64.0f, 20.0f / 48.0f);
    pixSetData(header, nullptr);
    pixDestroy(&header);
    ASSERT_NE(direct, nullptr);

    ASSERT_EQ(sn_image_resize(image.get(), 24, 20), 0);
    ASSERT_EQ(image->width, 24);
    ASSERT_EQ(image->height, 20);
    const uint32_t *want = (const uint32_t *)pixGetData(direct);
    for (int f = 0; f < 2; f++)
        for (int i = 0; i < 24 * 20; i++) {
            ASSERT_EQ(image->frames[f].pixels[i] >> 8, want[i] >> 8) << f << ":" << i;
            ASSERT_EQ(SN_PIXEL_A(image->frames[f].pixels[i]), 0xFFu);
        }
    for (int y = 0; y < 20; y++)
        ASSERT_EQ(image->frames[0].rows[y], image->frames[0].pixels + y * 24);
    pixDestroy(&direct);
}

TEST_F(GeometryTest, ResizedAlphaIsThePlaneScaledWithoutSharpening)
{
    /* 62 x 38 to half size takes the 2 x 2 shortcut, which must give the same bytes. */
    struct Case {
        int W, H, width, height;
    } cases[] = {{61, 37, 30, 18}, {61, 37, 22, 14}, {61, 37, 50, 30},
                 {61, 37, 97, 59}, {61, 37, 61, 20}, {62, 38, 31, 19}};
    for (const Case &c : cases) {
        const int W = c.W, H = c.H;
        SCOPED_TRACE(testing::Message() << W << "x" << H << " -> " << c.width << "x" << c.height);
        image_ptr image = make_image(W, H);
        image->has_alpha = 1;
        PIX *plane = pixCreate(W, H, 8);
        ASSERT_NE(plane, nullptr);
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                uint32_t a = (uint32_t)((x * 37 + y * 91) % 256);
                image->frames[0].rows[y][x] = (image->frames[0].rows[y][x] & ~0xFFu) | a;
                pixSetPixel(plane, x, y, a);
            }
        PIX *want = pixScaleGeneral(plane, (float)c.width / W, (float)c.height / H, 0.0f, 0);
        ASSERT_NE(want, nullptr);
        ASSERT_EQ(sn_image_resize(image.get(), c.width, c.height), 0);
        ASSERT_EQ(image->width, pixGetWidth(want));
        ASSERT_EQ(image->height, pixGetHeight(want));
        for (int y = 0; y < image->height; y++)
            for (int x = 0; x < image->width; x++) {
                l_uint32 a = 0;
                pixGetPixel(want, x, y, &a);
                ASSERT_EQ(SN_PIXEL_A(image->frames[0].rows[y][x]), a) << x << "," << y;
            }
        pixDestroy(&want);
        pixDestroy(&plane);
    }
}

TEST_F(GeometryTest, SteepReductionsReachTheTargetAndMatchPixScaleAboveTheLimit)
{
    /* Leptonica alone gives 1 x 1 for the first two. At a factor of 0.02 and
     * above the result is a bare pixScale's, byte for byte. */
    struct Case {
        int W, H, width, height, has_alpha;
        bool like_pixscale;
    } cases[] = {
        {10000, 10, 100, 1, 1, false}, {5000, 5000, 50, 50, 0, false},
        {10, 10000, 1, 200, 1, false}, {10000, 10, 201, 1, 0, true},
        {3000, 40, 61, 20, 0, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.W << "x" << c.H << " -> " << c.width << "x" << c.height);
        image_ptr image = make_image(c.W, c.H);
        ASSERT_NE(image, nullptr);
        image->has_alpha = c.has_alpha;
        PIX *direct = nullptr;
        if (c.like_pixscale) {
            PIX *header = pixCreateHeader(c.W, c.H, 32);
            pixSetData(header, (l_uint32 *)image->frames[0].pixels);
            direct = pixScale(header, (float)c.width / c.W, (float)c.height / c.H);
            pixSetData(header, nullptr);
            pixDestroy(&header);
            ASSERT_NE(direct, nullptr);
        }
        ASSERT_EQ(sn_image_resize(image.get(), c.width, c.height), 0);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        if (direct) {
            const uint32_t *want = (const uint32_t *)pixGetData(direct);
            for (int i = 0; i < c.width * c.height; i++)
                ASSERT_EQ(image->frames[0].pixels[i], want[i] | 0xFFu) << i;
            pixDestroy(&direct);
        }
    }
}

TEST_F(GeometryTest, ResizeKeepsAlpha)
{
    struct Case {
        int width, height;
    } cases[] = {{20, 10}, {30, 15}, {70, 35}, {80, 40}, {200, 100}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        /* Left half fully transparent, right half half-transparent. */
        image_ptr image(sn_image_create(80, 40, 1));
        ASSERT_EQ(sn_image_allocate_frame(image.get(), 0), 0);
        image->has_alpha = 1;
        for (int y = 0; y < 40; y++)
            for (int x = 0; x < 80; x++)
                image->frames[0].rows[y][x] =
                    x < 40 ? SN_PIXEL(0, 0x10, 0x20, 0x30) : SN_PIXEL(0x80, 0xF0, 0xE0, 0xD0);
        ASSERT_EQ(sn_image_resize(image.get(), c.width, c.height), 0);
        ASSERT_EQ(image->width, c.width);
        ASSERT_EQ(image->height, c.height);
        uint32_t **rows = image->frames[0].rows;
        for (int y = 0; y < c.height; y++) {
            ASSERT_EQ(SN_PIXEL_A(rows[y][0]), 0u);
            ASSERT_EQ(SN_PIXEL_A(rows[y][c.width / 2 - 2 - c.width / 10]), 0u);
            ASSERT_NEAR((int)SN_PIXEL_A(rows[y][c.width / 2 + 2 + c.width / 10]), 0x80, 1);
            ASSERT_NEAR((int)SN_PIXEL_A(rows[y][c.width - 1]), 0x80, 1);
        }
        EXPECT_EQ(image->has_alpha, 1);
    }
}

TEST_F(GeometryTest, ResizeOfAnOpaqueImageStaysOpaque)
{
    for (int size : {33, 50, 90, 150}) {
        SCOPED_TRACE(size);
        image_ptr image = make_image(100, 60);
        ASSERT_EQ(sn_image_resize(image.get(), size, size / 2), 0);
        for (int i = 0; i < size * (size / 2); i++)
            ASSERT_EQ(SN_PIXEL_A(image->frames[0].pixels[i]), 0xFFu);
    }
}

TEST_F(GeometryTest, ResizeToTheSameSizeAndBadSizes)
{
    image_ptr image = make_image(31, 17);
    image_ptr copy(sn_image_clone(image.get()));
    ASSERT_EQ(sn_image_resize(image.get(), 31, 17), 0);
    EXPECT_TRUE(same_pixels(image.get(), copy.get()));

    zvtest::LogCapture log;
    EXPECT_EQ(sn_image_resize(image.get(), 0, 5), -1);
    EXPECT_TRUE(log.contains("[sn_image_resize]"));
    EXPECT_TRUE(log.contains("width:0, height:5\n"));
    EXPECT_EQ(sn_image_resize(image.get(), 5, -3), -1);
    EXPECT_TRUE(log.contains("width:5, height:-3\n"));
    /* An upscale past the frame limit is refused before anything is made. */
    log.clear();
    EXPECT_EQ(sn_image_resize(image.get(), 100000, 100000), -1);
    EXPECT_TRUE(log.contains("FAILED!"));
    EXPECT_TRUE(same_pixels(image.get(), copy.get()));
}

TEST_F(GeometryTest, OperationsOnAnImageWithoutFramesOnlyChangeItsSize)
{
    image_ptr image(sn_image_create(10, 10, 1));
    EXPECT_EQ(sn_image_crop(image.get(), 0, 0, 5, 5), 0);
    EXPECT_EQ(image->width, 5);
    EXPECT_EQ(image->frames[0].rows, nullptr);
}

TEST_F(GeometryTest, RandomSequencesKeepTheFrameConsistent)
{
    /* Small and odd sizes, every kind of step: the frame must always be one
     * buffer of width x height with its rows in place (the sanitizer build
     * checks every access). */
    uint32_t seed = 2024;
    auto next = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return (int)((seed >> 8) % (uint32_t)n);
    };
    for (int round = 0; round < 60; round++) {
        image_ptr image = make_image(1 + next(40), 1 + next(40));
        image->has_alpha = next(2);
        for (int step = 0; step < 4; step++) {
            int w = image->width, h = image->height;
            switch (next(4)) {
            case 0:
                ASSERT_EQ(sn_image_resize(image.get(), 1 + next(60), 1 + next(60)), 0);
                break;
            case 1: {
                const double angles[] = {90, 180, 270, 1, 30, 45, 89.5, 135, 200, 359, -10};
                ASSERT_EQ(sn_image_rotate(image.get(), angles[next(11)], next(2) ? 0 : 0xFFFFFFFFu),
                          0);
                break;
            }
            case 2: {
                int cw = 1 + next(w), ch = 1 + next(h);
                ASSERT_EQ(sn_image_crop(image.get(), next(w - cw + 1), next(h - ch + 1), cw, ch),
                          0);
                break;
            }
            default:
                ASSERT_EQ(sn_image_padding(image.get(), next(5), next(5), next(5), next(5), 0x80u),
                          0);
            }
            ASSERT_GT(image->width, 0);
            ASSERT_GT(image->height, 0);
            for (int y = 0; y < image->height; y++)
                ASSERT_EQ(image->frames[0].rows[y],
                          image->frames[0].pixels + (size_t)y * (size_t)image->width);
            volatile uint32_t sum = 0;
            for (int i = 0; i < image->width * image->height; i++)
                sum = sum + image->frames[0].pixels[i];
        }
    }
}

} // namespace
