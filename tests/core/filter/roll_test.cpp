/*
 * The "roll" kind: the picture moves left and up with wrap-around; shifts
 * in pixels or percent, negative or larger than the picture.
 */
#include "filter_fixture.h"

#include <limits.h>

using fxt::Settings;

TEST(RollFilter, ShiftsWrapAroundBothWays)
{
    struct Case {
        const char *x, *y;
        int dx, dy; /* the pixel at (0, 0) comes from (dx, dy) */
    } cases[] = {
        {"10px", "0px", 10, 0},
        {"-10px", "0px", 90, 0},
        {"110px", "0px", 10, 0},
        {"0px", "3px", 0, 3},
        {"0px", "-1px", 0, 11},
        {"25px", "7px", 25, 7},
        {"50%", "25%", 50, 3},
        {"-250%", "0%", 50, 0},
        {"100px", "12px", 0, 0},
        {"-2147483648px", "2147483647px", 52, 7}, /* reduced at once, never looped */
    };
    /* 12 rows with a shift of 3 or 8 exercises several row cycles. */
    fxt::Image image = fxt::make(100, 12, fxt::pattern, 2);
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " " << c.y);
        fxt::Image out = fxt::run("roll", Settings{{"x", c.x}, {"y", c.y}}, image.get());
        ASSERT_NE(out, nullptr);
        for (int f = 0; f < 2; f++)
            for (int y = 0; y < 12; y++)
                for (int x = 0; x < 100; x++)
                    ASSERT_EQ(fxt::px(out.get(), x, y, f),
                              fxt::px(image.get(), (x + c.dx) % 100, (y + c.dy) % 12, f))
                        << x << "," << y;
    }
}

TEST(RollFilter, TheLastLengthDecidesTheUnitOfBoth)
{
    fxt::Image image = fxt::make(40, 10, fxt::pattern);
    /* "10%" comes last: x = 5 means 5 % of 40 = 2, y = 10 % of 10 = 1. */
    fxt::Image out = fxt::run("roll", Settings{{"x", "5px"}, {"y", "10%"}}, image.get());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(fxt::px(out.get(), 0, 0), fxt::px(image.get(), 2, 1));
}

TEST(RollFilter, MatchesImageMagick)
{
    if (!fxt::have_magick())
        GTEST_SKIP() << "ImageMagick is not installed";
    fxt::Image image = fxt::make(17, 9, fxt::pattern);
    /* ImageMagick's -roll moves right and down: ours moves left and up. */
    fxt::Image out = fxt::run("roll", Settings{{"x", "5px"}, {"y", "-4px"}}, image.get());
    zvtest::Rgba expected;
    ASSERT_TRUE(fxt::magick(image.get(), "-roll -5+4", &expected));
    fxt::expect_same(out.get(), expected);
}
