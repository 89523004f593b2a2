/*
 * The "resize" kind: targets in pixels and percent, and the aspect modes
 * exact, padding, cropping, fixed width and fixed height, down to one-pixel
 * sides.
 */
#include "filter/imf_common.h"
#include "filter_fixture.h"

#include <limits.h>
#include <string.h>

using fxt::Settings;

TEST(ResizeFilter, EachAspectModeGivesItsSize)
{
    struct Case {
        int w, h;
        Settings settings;
        int out_w, out_h;
    } cases[] = {
        {1000,
         500,
         {{"width", "400px"}, {"height", "400px"}, {"keep_aspect", "padding"}},
         400,
         400},
        {1000,
         500,
         {{"width", "100px"}, {"height", "100px"}, {"keep_aspect", "cropping"}},
         100,
         100},
        {1000, 500, {{"width", "50%"}, {"height", "50%"}}, 500, 250},
        {1000, 500, {{"width", "123px"}, {"height", "45px"}, {"keep_aspect", "none"}}, 123, 45},
        {1000,
         500,
         {{"width", "200px"}, {"height", "7px"}, {"keep_aspect", "fixed_width"}},
         200,
         100},
        {1000,
         500,
         {{"width", "9px"}, {"height", "50px"}, {"keep_aspect", "FIXED_HEIGHT"}},
         100,
         50},
        {1000, 500, {{"width", "1000px"}, {"height", "500px"}}, 1000, 500},
        /* Thin sides keep at least one pixel. */
        {10000,
         10,
         {{"width", "100px"}, {"height", "100px"}, {"keep_aspect", "padding"}},
         100,
         100},
        {10000,
         10,
         {{"width", "100px"}, {"height", "1px"}, {"keep_aspect", "fixed_width"}},
         100,
         1},
        {10,
         10000,
         {{"width", "1px"}, {"height", "100px"}, {"keep_aspect", "fixed_height"}},
         1,
         100},
        {10,
         10000,
         {{"width", "100px"}, {"height", "100px"}, {"keep_aspect", "cropping"}},
         100,
         100},
        {50, 30, {{"width", "1%"}, {"height", "1%"}}, 1, 1},
        /* Fit by height: 600 x 300 into 500 x 100 is 200 x 100 plus 150 columns each side. */
        {600, 300, {{"width", "500px"}, {"height", "100px"}, {"keep_aspect", "padding"}}, 500, 100},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.w << "x" << c.h << " -> " << c.out_w << "x" << c.out_h);
        fxt::Image image = fxt::solid(c.w, c.h, SN_PIXEL(0xFF, 10, 20, 30));
        fxt::Image out = fxt::run("resize", c.settings, image.get());
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->width, c.out_w);
        EXPECT_EQ(out->height, c.out_h);
    }
}

TEST(ResizeFilter, ExactAndFixedModesScaleEachQuarterInPlace)
{
    /* Four coloured quarters: after scaling, the middle of each quarter of
     * the result still shows its colour, whatever the aspect. */
    const uint32_t colours[4] = {SN_PIXEL(0xFF, 255, 0, 0), SN_PIXEL(0xFF, 0, 255, 0),
                                 SN_PIXEL(0xFF, 0, 0, 255), SN_PIXEL(0xFF, 255, 255, 255)};
    struct Case {
        int w, h;
        Settings settings;
        int out_w, out_h;
    } cases[] = {
        {1000, 500, {{"width", "123px"}, {"height", "45px"}}, 123, 45},
        {1000, 500, {{"width", "200px"}, {"keep_aspect", "fixed_width"}}, 200, 100},
        {1000, 500, {{"height", "50px"}, {"keep_aspect", "fixed_height"}}, 100, 50},
        {1000, 500, {{"width", "30%"}, {"height", "70%"}}, 300, 350},
        {40, 20, {{"width", "200px"}, {"height", "300px"}}, 200, 300},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.w << "x" << c.h << " -> " << c.out_w << "x" << c.out_h);
        const int w = c.w, h = c.h;
        fxt::Image image =
            fxt::make(w, h, [&](int x, int y) { return colours[(x >= w / 2) + 2 * (y >= h / 2)]; });
        fxt::Image out = fxt::run("resize", c.settings, image.get());
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(out->width, c.out_w);
        ASSERT_EQ(out->height, c.out_h);
        for (int q = 0; q < 4; q++)
            EXPECT_EQ(
                fxt::px(out.get(), (q % 2 * 2 + 1) * c.out_w / 4, (q / 2 * 2 + 1) * c.out_h / 4),
                colours[q])
                << "quarter " << q;
    }
}

TEST(ResizeFilter, PaddingCentresThePictureInTheColour)
{
    struct Case {
        int w, h, tw, th;
        int left, top, fw, fh; /* where the scaled picture lies */
    } cases[] = {
        {1000, 500, 400, 400, 0, 100, 400, 200}, {600, 300, 500, 100, 150, 0, 200, 100},
        {10000, 10, 100, 100, 0, 49, 100, 1}, /* the odd row goes to the bottom */
        {100, 300, 51, 100, 9, 0, 33, 100},   /* 18 columns left over: 9 and 9 */
        {100, 300, 52, 100, 9, 0, 33, 100},   /* 19: 9 left, 10 right */
    };
    const uint32_t inside = SN_PIXEL(0xFF, 10, 20, 30), pad = SN_PIXEL(0x80, 0xFF, 0, 0);
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " in " << c.tw << "x" << c.th);
        fxt::Image image = fxt::solid(c.w, c.h, inside);
        std::string tw = std::to_string(c.tw) + "px", th = std::to_string(c.th) + "px";
        fxt::Image out = fxt::run("resize",
                                  Settings{{"width", tw.c_str()},
                                           {"height", th.c_str()},
                                           {"keep_aspect", "padding"},
                                           {"padding_color", "0x0000FF80"}},
                                  image.get());
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(out->width, c.tw);
        ASSERT_EQ(out->height, c.th);
        EXPECT_EQ(out->has_alpha, 1); /* the padding colour is not opaque */
        for (int y = 0; y < c.th; y++)
            for (int x = 0; x < c.tw; x++) {
                bool in = x >= c.left && x < c.left + c.fw && y >= c.top && y < c.top + c.fh;
                ASSERT_EQ(fxt::px(out.get(), x, y), in ? inside : pad) << x << "," << y;
            }
    }
}

TEST(ResizeFilter, CroppingCutsTheMiddleOfTheCover)
{
    /* 1000 x 500 covering 100 x 100 scales to 200 x 100 and keeps columns 50-149. */
    fxt::Image image = fxt::make(1000, 500, [](int x, int) {
        return x < 375   ? SN_PIXEL(0xFF, 255, 0, 0)
               : x < 625 ? SN_PIXEL(0xFF, 0, 255, 0)
                         : SN_PIXEL(0xFF, 0, 0, 255);
    });
    fxt::Image out = fxt::run(
        "resize", Settings{{"width", "100px"}, {"height", "100px"}, {"keep_aspect", "cropping"}},
        image.get());
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(out->width, 100);
    /* Scaled columns 50-74 red, 75-124 green, 125-149 blue: 25, 50, 25 after the cut. */
    EXPECT_EQ(fxt::px(out.get(), 10, 50), SN_PIXEL(0xFF, 255, 0, 0));
    EXPECT_EQ(fxt::px(out.get(), 50, 50), SN_PIXEL(0xFF, 0, 255, 0));
    EXPECT_EQ(fxt::px(out.get(), 90, 50), SN_PIXEL(0xFF, 0, 0, 255));
    EXPECT_EQ(SN_PIXEL_G(fxt::px(out.get(), 20, 50)), 0u);
    EXPECT_EQ(SN_PIXEL_R(fxt::px(out.get(), 30, 50)), 0u);
}

TEST(ResizeFilter, UnitAndValuesPersistAcrossCalls)
{
    fxt::Filter filter = fxt::make_filter("resize", Settings{{"width", "50%"}, {"height", "20%"}});
    /* A later call without lengths keeps percent; an empty colour is ignored. */
    ASSERT_EQ(fxt::set(filter.get(), Settings{{"keep_aspect", "none"}, {"padding_color", ""}}), 0);
    fxt::Image image = fxt::solid(300, 100, 0xFFFFFFFF);
    ASSERT_EQ(imagefilter_execute(filter.get(), image.get()), 0);
    EXPECT_EQ(image->width, 150);
    EXPECT_EQ(image->height, 20);
    /* A refused height keeps what came before it in the same call. */
    EXPECT_EQ(fxt::set(filter.get(), Settings{{"width", "10px"}, {"height", "0px"}}), -1);
    ASSERT_EQ(imagefilter_execute(filter.get(), image.get()), 0);
    EXPECT_EQ(image->width, 10);
    EXPECT_EQ(image->height, 20); /* the old 20, now read in pixels */
}

TEST(ResizeFilter, TransparentAreasStayTransparent)
{
    fxt::Image image = fxt::make(200, 100, [](int x, int) {
        return x < 100 ? SN_PIXEL(0, 0, 0, 0) : SN_PIXEL(0xFF, 9, 9, 9);
    });
    image->has_alpha = 1;
    fxt::Image out =
        fxt::run("resize", Settings{{"width", "50px"}, {"height", "25px"}}, image.get());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(SN_PIXEL_A(fxt::px(out.get(), 5, 10)), 0u);
    EXPECT_EQ(SN_PIXEL_A(fxt::px(out.get(), 45, 10)), 0xFFu);
}

TEST(ResizeFilter, TargetsBeyondTheFrameLimitFail)
{
    fxt::Image image = fxt::solid(100, 100, 0xFFFFFFFF);
    fxt::Image out = fxt::run(
        "resize", Settings{{"width", "2000000000%"}, {"height", "2000000000%"}}, image.get());
    EXPECT_EQ(out, nullptr);
}

TEST(ResizeFilter, NoPassReducesMoreThanFortyToOne)
{
    struct Case {
        int side, target, next;
    } cases[] = {
        {1000, 25, 25},
        {1000, 24, 25},
        {4001, 100, 101},
        {40, 1, 1},
        {41, 1, 2},
        {79, 1, 2},
        {119, 2, 3},
        {159, 3, 4},
        {100, 5000, 5000},
        {7, 7, 7},
        {INT_MAX, 1, (int)(((int64_t)INT_MAX + 39) / 40)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.side << " -> " << c.target);
        EXPECT_EQ(imf_resize_step(c.side, c.target), c.next);
    }
    /* Steep reductions to thin sides still end at the exact target. */
    fxt::Image image = fxt::solid(79, 119, SN_PIXEL(0xFF, 10, 20, 30));
    fxt::Image out = fxt::run("resize", Settings{{"width", "1px"}, {"height", "2px"}}, image.get());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->width, 1);
    EXPECT_EQ(out->height, 2);
    EXPECT_EQ(fxt::px(out.get(), 0, 1), SN_PIXEL(0xFF, 10, 20, 30));
}

/* A padding that fails after the scaling used to return -1 with the image
 * already scaled: a failed filter leaves the image exactly as it was. The
 * fitted picture (30000 x 30) is small; padded to 30000 x 20000 it is past
 * the frame limit. */
TEST(ResizeFilter, FailedPaddingLeavesTheImageAsItWas)
{
    fxt::Image image = fxt::make(1000, 1, fxt::pattern);
    fxt::Image before(sn_image_clone(image.get()));
    fxt::Filter filter = fxt::make_filter("resize", Settings{{"width", "30000px"},
                                                             {"height", "20000px"},
                                                             {"keep_aspect", "padding"},
                                                             {"padding_color", "0x0000FF80"}});
    ASSERT_NE(filter, nullptr);
    zvtest::LogCapture log;
    EXPECT_EQ(imagefilter_execute(filter.get(), image.get()), -1);
    EXPECT_TRUE(log.contains("FAILED!"));
    ASSERT_EQ(image->width, 1000);
    ASSERT_EQ(image->height, 1);
    EXPECT_EQ(image->has_alpha, before->has_alpha);
    EXPECT_EQ(0, memcmp(image->frames[0].pixels, before->frames[0].pixels, 1000 * 4));

    /* The same chain within the limit still pads. */
    ASSERT_EQ(fxt::set(filter.get(), Settings{{"width", "2000px"}, {"height", "50px"}}), 0);
    ASSERT_EQ(imagefilter_execute(filter.get(), image.get()), 0);
    EXPECT_EQ(image->width, 2000);
    EXPECT_EQ(image->height, 50);
    EXPECT_EQ(image->has_alpha, 1);
}
