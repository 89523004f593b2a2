/*
 * The "flip" kind: mirror top to bottom, left to right, or both (a half
 * turn), checked by hand and against ImageMagick's -flip and -flop.
 */
#include "filter_fixture.h"

using fxt::Settings;

TEST(FlipFilter, MirrorsEachWay)
{
    struct Case {
        const char *vertical;
        const char *horizontal;
        int mirror_x, mirror_y;
    } cases[] = {
        {"0", "0", 0, 0}, {"1", "0", 0, 1},  {"0", "1", 1, 0},
        {"1", "1", 1, 1}, {"-1", "2", 1, 0}, /* only a value above 0 switches a flip on */
    };
    /* Odd and even sides: the middle row or column stays put. */
    for (int w : {1, 6, 7})
        for (int h : {1, 4, 5})
            for (const Case &c : cases) {
                SCOPED_TRACE(testing::Message()
                             << w << "x" << h << " v=" << c.vertical << " h=" << c.horizontal);
                fxt::Image image = fxt::make(w, h, fxt::pattern, 2);
                fxt::Image out = fxt::run(
                    "flip", Settings{{"vertical", c.vertical}, {"horizontal", c.horizontal}},
                    image.get());
                ASSERT_NE(out, nullptr);
                for (int f = 0; f < 2; f++)
                    for (int y = 0; y < h; y++)
                        for (int x = 0; x < w; x++) {
                            int sx = c.mirror_x ? w - 1 - x : x, sy = c.mirror_y ? h - 1 - y : y;
                            ASSERT_EQ(fxt::px(out.get(), x, y, f), fxt::px(image.get(), sx, sy, f));
                        }
            }
}

TEST(FlipFilter, MatchesImageMagick)
{
    if (!fxt::have_magick())
        GTEST_SKIP() << "ImageMagick is not installed";
    fxt::Image image = fxt::make(13, 8, fxt::pattern);
    struct Case {
        const char *vertical, *horizontal, *args;
    } cases[] = {{"1", "0", "-flip"}, {"0", "1", "-flop"}, {"1", "1", "-flip -flop"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args);
        fxt::Image out = fxt::run(
            "flip", Settings{{"vertical", c.vertical}, {"horizontal", c.horizontal}}, image.get());
        zvtest::Rgba expected;
        ASSERT_TRUE(fxt::magick(image.get(), c.args, &expected));
        fxt::expect_same(out.get(), expected);
    }
}
