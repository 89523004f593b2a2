/*
 * The "rotate" kind: quarter turns (checked against ImageMagick), angles
 * reduced modulo 360, free angles onto the turned bounding box with the
 * background colour in the corners.
 */
#include "filter_fixture.h"

#include <string.h>

using fxt::Settings;

static bool same_pixels(const sn_image_t *a, const sn_image_t *b)
{
    return a->width == b->width && a->height == b->height &&
           memcmp(a->frames[0].pixels, b->frames[0].pixels, (size_t)a->width * a->height * 4) == 0;
}

TEST(RotateFilter, QuarterTurnsMatchImageMagick)
{
    if (!fxt::have_magick())
        GTEST_SKIP() << "ImageMagick is not installed";
    fxt::Image image = fxt::make(30, 20, fxt::pattern);
    struct Case {
        const char *angle, *args;
    } cases[] = {{"90", "-rotate 90"},   {"180", "-rotate 180"}, {"270", "-rotate 270"},
                 {"-90", "-rotate 270"}, {"450", "-rotate 90"},  {"-540", "-rotate 180"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.angle);
        fxt::Image out = fxt::run("rotate", Settings{{"angle", c.angle}}, image.get());
        ASSERT_NE(out, nullptr);
        zvtest::Rgba expected;
        ASSERT_TRUE(fxt::magick(image.get(), c.args, &expected));
        fxt::expect_same(out.get(), expected);
    }
}

TEST(RotateFilter, QuarterTurnSizesAndCorners)
{
    fxt::Image image = fxt::make(300, 200, fxt::pattern);
    fxt::Image turned = fxt::run("rotate", Settings{{"angle", "90"}}, image.get());
    ASSERT_NE(turned, nullptr);
    EXPECT_EQ(turned->width, 200);
    EXPECT_EQ(turned->height, 300);
    /* Clockwise: the bottom-left corner comes to the top-left. */
    EXPECT_EQ(fxt::px(turned.get(), 0, 0), fxt::px(image.get(), 0, 199));
    fxt::Image half = fxt::run("rotate", Settings{{"angle", "180"}}, image.get());
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->width, 300);
    EXPECT_EQ(fxt::px(half.get(), 0, 0), fxt::px(image.get(), 299, 199));
}

TEST(RotateFilter, WholeTurnsAndTinyAnglesLeaveThePicture)
{
    fxt::Image image = fxt::make(40, 30, fxt::pattern);
    for (const char *angle : {"0", "360", "-360", "720", "0.05"}) {
        SCOPED_TRACE(angle);
        fxt::Image out = fxt::run(
            "rotate", Settings{{"angle", angle}, {"background_color", "0x00000000"}}, image.get());
        ASSERT_NE(out, nullptr);
        EXPECT_TRUE(same_pixels(out.get(), image.get()));
    }
}

TEST(RotateFilter, FreeAngleGrowsToTheTurnedBoxWithTheFill)
{
    const uint32_t inside = SN_PIXEL(0xFF, 10, 200, 30);
    fxt::Image image = fxt::solid(100, 50, inside);
    struct Case {
        const char *angle, *fill;
        int width, height, has_alpha;
    } cases[] = {
        /* 100 cos 30 + 50 sin 30 = 111.6, 100 sin 30 + 50 cos 30 = 93.3, plus the ring. */
        {"30", "0xFF0000FF", 115, 97, 0},
        {"-330", "0x00000000", 115, 97, 1},
        {"45", "0x0000FF80", 109, 110, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.angle);
        uint32_t fill;
        ASSERT_EQ(sn_color_parse(c.fill, &fill), 0);
        fxt::Image out = fxt::run(
            "rotate", Settings{{"angle", c.angle}, {"background_color", c.fill}}, image.get());
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->width, c.width);
        EXPECT_EQ(out->height, c.height);
        EXPECT_EQ(out->has_alpha, c.has_alpha);
        const int w = out->width, h = out->height;
        for (auto corner : {std::make_pair(0, 0), std::make_pair(w - 1, 0),
                            std::make_pair(0, h - 1), std::make_pair(w - 1, h - 1)})
            EXPECT_EQ(fxt::px(out.get(), corner.first, corner.second), fill);
        EXPECT_EQ(fxt::px(out.get(), w / 2, h / 2), inside);
    }
}
