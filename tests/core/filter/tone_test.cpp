/*
 * The tone and colour kinds: gray, negative, swap_colors, coloration,
 * equalize and auto_contrast, pixel by pixel, every one keeping alpha.
 */
#include "filter_fixture.h"

#include <string.h>

using fxt::Settings;

TEST(ToneFilters, PerPixelKindsGiveTheStatedPixels)
{
    struct Case {
        const char *kind;
        Settings settings;
        uint32_t in;
        uint32_t out;
    } cases[] = {
        {"gray", {}, SN_PIXEL(0x40, 10, 20, 31), SN_PIXEL(0x40, 20, 20, 20)},
        {"gray", {}, SN_PIXEL(0, 255, 255, 254), SN_PIXEL(0, 254, 254, 254)},
        {"negative", {}, SN_PIXEL(0x7F, 0, 128, 255), SN_PIXEL(0x7F, 255, 127, 0)},
        {"coloration",
         {{"r", "255"}, {"g", "0"}, {"b", "0"}},
         SN_PIXEL(9, 30, 60, 90),
         SN_PIXEL(9, 60, 0, 0)},
        {"coloration", {}, SN_PIXEL(200, 10, 20, 31), SN_PIXEL(200, 20, 20, 20)},
        /* 60 * 128 / 255 = 30 (truncated); tints outside 0-255 are clamped. */
        {"coloration",
         {{"R", "128"}, {"g", "-40"}, {"b", "900"}},
         SN_PIXEL(1, 30, 60, 90),
         SN_PIXEL(1, 30, 0, 60)},
        {"swap_colors", {{"r", "b"}, {"b", "r"}}, SN_PIXEL(5, 10, 20, 30), SN_PIXEL(5, 30, 20, 10)},
        {"swap_colors", {}, SN_PIXEL(5, 10, 20, 30), SN_PIXEL(5, 10, 20, 30)},
        {"swap_colors",
         {{"R", "G"}, {"g", "g"}, {"b", "G"}},
         SN_PIXEL(5, 10, 20, 30),
         SN_PIXEL(5, 20, 20, 20)},
        /* An unknown word leaves that channel's mapping alone. */
        {"swap_colors", {{"r", "x"}, {"g", "b"}}, SN_PIXEL(5, 10, 20, 30), SN_PIXEL(5, 10, 30, 30)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        /* Odd sizes and two frames: every pixel of every frame changes. */
        fxt::Image image = fxt::make(
            7, 5, [&](int, int) { return c.in; }, 2);
        fxt::Filter filter(imagefilter_create(c.kind));
        ASSERT_NE(filter, nullptr);
        if (c.settings.keys[0]) {
            ASSERT_EQ(fxt::set(filter.get(), c.settings), 0);
        }
        ASSERT_EQ(imagefilter_execute(filter.get(), image.get()), 0);
        for (int f = 0; f < 2; f++)
            for (int y = 0; y < 5; y++)
                for (int x = 0; x < 7; x++)
                    ASSERT_EQ(fxt::px(image.get(), x, y, f), c.out) << x << "," << y;
    }
}

TEST(ToneFilters, SettingsAccumulateAcrossCalls)
{
    fxt::Filter filter(imagefilter_create("swap_colors"));
    ASSERT_EQ(fxt::set(filter.get(), Settings{{"r", "b"}}), 0);
    ASSERT_EQ(fxt::set(filter.get(), Settings{{"b", "r"}, {"size", "9"}}), 0);
    fxt::Image image = fxt::solid(3, 2, SN_PIXEL(1, 10, 20, 30));
    ASSERT_EQ(imagefilter_execute(filter.get(), image.get()), 0);
    EXPECT_EQ(fxt::px(image.get(), 2, 1), SN_PIXEL(1, 30, 20, 10));
}

TEST(ToneFilters, NegativeMatchesImageMagick)
{
    if (!fxt::have_magick())
        GTEST_SKIP() << "ImageMagick is not installed";
    fxt::Image image = fxt::make(23, 11, fxt::pattern);
    zvtest::Rgba expected;
    fxt::Image negative = fxt::run("negative", Settings{}, image.get());
    ASSERT_TRUE(fxt::magick(image.get(), "-channel RGB -negate", &expected));
    fxt::expect_same(negative.get(), expected);
}

/* A picture whose colours crowd into a narrow band, with varied alpha. */
static uint32_t narrow(int x, int y)
{
    int v = 100 + (x + y * 16) % 40;
    return SN_PIXEL((x * 37 + y * 11) & 0xFF, v, v + 5, v + 10);
}

TEST(ToneFilters, EqualizeAndAutoContrastSpreadTheColoursAndKeepAlpha)
{
    for (const char *kind : {"equalize", "auto_contrast"}) {
        SCOPED_TRACE(kind);
        fxt::Image image = fxt::make(16, 16, narrow);
        fxt::Image out = fxt::run(kind, Settings{}, image.get());
        ASSERT_NE(out, nullptr);
        int lo_in = 255, hi_in = 0, lo_out = 255, hi_out = 0;
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 16; x++) {
                uint32_t a = fxt::px(image.get(), x, y), b = fxt::px(out.get(), x, y);
                ASSERT_EQ(SN_PIXEL_A(b), SN_PIXEL_A(a)) << x << "," << y;
                lo_in = std::min(lo_in, (int)SN_PIXEL_R(a));
                hi_in = std::max(hi_in, (int)SN_PIXEL_R(a));
                lo_out = std::min(lo_out, (int)SN_PIXEL_R(b));
                hi_out = std::max(hi_out, (int)SN_PIXEL_R(b));
                /* The order of brightness stays. */
                if (x > 0) {
                    uint32_t pa = fxt::px(image.get(), x - 1, y), pb = fxt::px(out.get(), x - 1, y);
                    if (SN_PIXEL_R(pa) < SN_PIXEL_R(a)) {
                        EXPECT_LE(SN_PIXEL_R(pb), SN_PIXEL_R(b));
                    }
                }
            }
        EXPECT_GT(hi_out - lo_out, hi_in - lo_in + 20);
    }
}

TEST(ToneFilters, EqualizeAndAutoContrastLeaveAFlatPictureFlat)
{
    for (const char *kind : {"equalize", "auto_contrast"}) {
        SCOPED_TRACE(kind);
        fxt::Image image =
            fxt::make(9, 9, [](int x, int y) { return SN_PIXEL(x * 20 + y, 128, 128, 128); });
        fxt::Image out = fxt::run(kind, Settings{}, image.get());
        ASSERT_NE(out, nullptr);
        uint32_t first = fxt::px(out.get(), 0, 0) & 0xFFFFFF00u;
        for (int y = 0; y < 9; y++)
            for (int x = 0; x < 9; x++) {
                EXPECT_EQ(fxt::px(out.get(), x, y) & 0xFFFFFF00u, first);
                EXPECT_EQ(SN_PIXEL_A(fxt::px(out.get(), x, y)), (uint32_t)(x * 20 + y));
            }
    }
}

TEST(ToneFilters, EveryPixelFollowsTheFormula)
{
    /* 67 x 53 covers the four-pixel steps and the tail of every row count. */
    fxt::Image image = fxt::make(67, 53, [](int x, int y) {
        return SN_PIXEL((x * 5 + y) & 0xFF, (x * 29 + y * 7) & 0xFF, (x * 3 + y * 31) & 0xFF,
                        (x * y * 11 + 200) & 0xFF);
    });
    struct Case {
        const char *kind;
        Settings settings;
        uint32_t (*formula)(uint32_t);
    } cases[] = {
        {"gray",
         {},
         [](uint32_t p) {
             uint32_t a = (SN_PIXEL_R(p) + SN_PIXEL_G(p) + SN_PIXEL_B(p)) / 3;
             return SN_PIXEL(SN_PIXEL_A(p), a, a, a);
         }},
        {"coloration",
         {{"r", "37"}, {"g", "200"}, {"b", "255"}},
         [](uint32_t p) {
             uint32_t a = (SN_PIXEL_R(p) + SN_PIXEL_G(p) + SN_PIXEL_B(p)) / 3;
             return SN_PIXEL(SN_PIXEL_A(p), a * 37 / 255, a * 200 / 255, a * 255 / 255);
         }},
        {"swap_colors",
         {{"r", "g"}, {"g", "b"}, {"b", "r"}},
         [](uint32_t p) {
             return SN_PIXEL(SN_PIXEL_A(p), SN_PIXEL_G(p), SN_PIXEL_B(p), SN_PIXEL_R(p));
         }},
        {"negative",
         {},
         [](uint32_t p) {
             return SN_PIXEL(SN_PIXEL_A(p), 255 - SN_PIXEL_R(p), 255 - SN_PIXEL_G(p),
                             255 - SN_PIXEL_B(p));
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        fxt::Image out = fxt::run(c.kind, c.settings, image.get());
        ASSERT_NE(out, nullptr);
        for (int y = 0; y < 53; y++)
            for (int x = 0; x < 67; x++)
                ASSERT_EQ(fxt::px(out.get(), x, y), c.formula(fxt::px(image.get(), x, y)))
                    << x << "," << y;
    }
}
