/*
 * The "watermark" kind: the tile lattice with spacing and offsets (offsets
 * far away reduced by whole periods), quarter and free rotation, the blend
 * with transparency, and a tile image that is never changed.
 */
#include "filter_fixture.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

using fxt::Settings;

static const uint32_t kPicture = SN_PIXEL(0xFF, 200, 100, 50);

/* The blend of one opaque-or-not tile pixel onto kPicture. */
static uint32_t blended(uint32_t s, int transparency)
{
    uint32_t e = SN_PIXEL_A(s) * (100 - transparency);
    if (e == 0)
        return kPicture;
    uint32_t f = 25855 - e;
    return SN_PIXEL(0xFF, (f * 200 + e * SN_PIXEL_R(s)) / 25856,
                    (f * 100 + e * SN_PIXEL_G(s)) / 25856, (f * 50 + e * SN_PIXEL_B(s)) / 25856);
}

static fxt::Image watermark(const sn_image_t *tile, int w, int h, Settings extra)
{
    const std::string address = fxt::address(tile);
    fxt::Filter filter =
        fxt::make_filter("watermark", Settings{{"watermark_image", address.c_str()}});
    if (extra.keys[0] && fxt::set(filter.get(), extra) != 0)
        return fxt::Image();
    fxt::Image picture = fxt::solid(w, h, kPicture);
    if (imagefilter_execute(filter.get(), picture.get()) != 0)
        return fxt::Image();
    return picture;
}

TEST(WatermarkFilter, SpacingLeavesGapsBetweenTiles)
{
    /* A 50 x 20 tile with x_space 10 becomes 60 x 20 laid at -60, 0, 60, ...:
     * columns 5-54, 65-114, ... carry the tile, every row band is covered. */
    fxt::Image tile = fxt::solid(50, 20, SN_PIXEL(0xFF, 0, 0, 0));
    fxt::Image out = watermark(tile.get(), 200, 70, Settings{{"x_space", "10"}, {"y_space", "0"}});
    ASSERT_NE(out, nullptr);
    const uint32_t ink = blended(SN_PIXEL(0xFF, 0, 0, 0), 0);
    for (int y = 0; y < 70; y++)
        for (int x = 0; x < 200; x++) {
            int c = x % 60;
            ASSERT_EQ(fxt::px(out.get(), x, y), c >= 5 && c <= 54 ? ink : kPicture)
                << x << "," << y;
        }
}

/* A spacing far wider than the picture is a cell that holds the tile in its
 * middle, out of sight: nothing is drawn and no padded tile is made (it
 * would be 40 GB). Turned, the tile is padded before it turns, so such a
 * spacing is refused; one within the bound still turns. */
TEST(WatermarkFilter, WideSpacingIsLaidOutNotPadded)
{
    fxt::Image tile = fxt::solid(50, 20, SN_PIXEL(0xFF, 0, 0, 0));
    fxt::Image out =
        watermark(tile.get(), 200, 70, Settings{{"x_space", "100000"}, {"y_space", "100000"}});
    ASSERT_NE(out, nullptr);
    for (int y = 0; y < 70; y++)
        for (int x = 0; x < 200; x++)
            ASSERT_EQ(fxt::px(out.get(), x, y), kPicture) << x << "," << y;
    /* Half the spacing before the first tile, as a padded tile would. */
    out = watermark(tile.get(), 200, 70,
                    Settings{{"x_space", "100"}, {"y_space", "40"}, {"x_offset", "-50"}});
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(fxt::px(out.get(), 0, 20), blended(SN_PIXEL(0xFF, 0, 0, 0), 0));
    EXPECT_EQ(fxt::px(out.get(), 49, 39), blended(SN_PIXEL(0xFF, 0, 0, 0), 0));
    EXPECT_EQ(fxt::px(out.get(), 50, 20), kPicture);
    EXPECT_EQ(fxt::px(out.get(), 0, 19), kPicture);

    zvtest::LogCapture log;
    EXPECT_EQ(watermark(tile.get(), 200, 70,
                        Settings{{"x_space", "10000"}, {"y_space", "10000"}, {"rotation", "30"}}),
              nullptr);
    EXPECT_TRUE(log.contains("spaced tile FAILED!"));
    EXPECT_NE(watermark(tile.get(), 200, 70,
                        Settings{{"x_space", "100"}, {"y_space", "100"}, {"rotation", "30"}}),
              nullptr);
}

/* A long thin tile turned by 45 degrees covers about (w + h)^2 / 2 pixels:
 * a 6000 x 1000 tile (a 600 x 100 picture at 1000 %) would make a 24 M
 * pixel picture for every photo, and is refused before anything is copied.
 * A tile a person uses turned, and the thin one upright, are drawn. */
TEST(WatermarkFilter, TurnedTileIsBoundedAfterItsTurn)
{
    const struct {
        int width, height;
        const char *rotation, *x_space;
        bool drawn;
    } cases[] = {
        {6000, 1000, "45", "0", false}, {6000, 1000, "-30", "0", false},
        {11300, 19, "45", "0", false},  {2000, 1000, "45", "4000", false},
        {6000, 1000, "0", "0", true},   {400, 120, "45", "40", true},
        {800, 200, "45", "0", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " turned " +
                     c.rotation + ", x_space " + c.x_space);
        fxt::Image tile = fxt::solid(c.width, c.height, SN_PIXEL(0xFF, 0, 0, 0));
        zvtest::LogCapture log;
        fxt::Image out = watermark(tile.get(), 64, 48,
                                   Settings{{"rotation", c.rotation}, {"x_space", c.x_space}});
        EXPECT_EQ(out != nullptr, c.drawn);
        EXPECT_EQ(log.contains("turned tile FAILED!"), !c.drawn);
        bool inked = false;
        for (int y = 0; out && y < 48 && !inked; y++)
            for (int x = 0; x < 64 && !inked; x++)
                inked = fxt::px(out.get(), x, y) != kPicture;
        EXPECT_EQ(inked, c.drawn);
    }
}

TEST(WatermarkFilter, LatticeFollowsOffsetsAndSpaces)
{
    fxt::Image tile = fxt::make(10, 6, fxt::pattern);
    struct Case {
        Settings settings;
        int period_x, period_y, pad_x, pad_y, shift_x, shift_y;
    } cases[] = {
        {{}, 10, 6, 0, 0, 0, 0},
        {{{"x_offset", "7"}, {"y_offset", "2.9"}}, 10, 6, 0, 0, 7, 2},
        {{{"x_offset", "-3"}, {"y_offset", "-4"}}, 10, 6, 0, 0, 7, 2},
        /* Far offsets are the same lattice, reduced by whole periods at once. */
        {{{"x_offset", "1000000007"}, {"y_offset", "-2000000000"}}, 10, 6, 0, 0, 7, 4},
        {{{"x_space", "4"}, {"y_space", "3"}, {"x_offset", "1"}}, 14, 8, 2, 1, 1, 0},
        {{{"x_space", "-8"}, {"y_space", "2"}}, 10, 8, 0, 1, 0, 0}, /* negative space: none */
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.period_x << "x" << c.period_y << " shift " << c.shift_x
                                        << "," << c.shift_y);
        fxt::Image out = watermark(tile.get(), 37, 23, c.settings);
        ASSERT_NE(out, nullptr);
        for (int y = 0; y < 23; y++)
            for (int x = 0; x < 37; x++) {
                int tx = ((x - c.shift_x) % c.period_x + c.period_x) % c.period_x - c.pad_x;
                int ty = ((y - c.shift_y) % c.period_y + c.period_y) % c.period_y - c.pad_y;
                bool on = tx >= 0 && tx < 10 && ty >= 0 && ty < 6;
                ASSERT_EQ(fxt::px(out.get(), x, y),
                          on ? blended(fxt::px(tile.get(), tx, ty), 0) : kPicture)
                    << x << "," << y;
            }
    }
}

TEST(WatermarkFilter, TransparencyIsClampedAndApplied)
{
    fxt::Image tile = fxt::solid(3, 3, SN_PIXEL(0xFF, 0, 0, 0));
    struct Case {
        const char *transparency;
        int effective;
    } cases[] = {{"0", 0}, {"50", 50}, {"75.8", 75}, {"100", 100}, {"130", 100}, {"-5", 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.transparency);
        fxt::Image out = watermark(tile.get(), 8, 8, Settings{{"transparency", c.transparency}});
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(fxt::px(out.get(), 4, 5), blended(SN_PIXEL(0xFF, 0, 0, 0), c.effective));
    }
}

TEST(WatermarkFilter, QuarterTurnLaysTheTurnedTileOnAPlainGrid)
{
    fxt::Image tile = fxt::make(12, 5, fxt::pattern);
    /* 450 degrees is a quarter turn too: angles count modulo 360. */
    for (const char *rotation : {"90", "-270", "450"}) {
        SCOPED_TRACE(rotation);
        fxt::Image out = watermark(tile.get(), 23, 31, Settings{{"rotation", rotation}});
        ASSERT_NE(out, nullptr);
        /* Turned clockwise the tile is 5 x 12: its (u, v) is the old (v, 4 - u). */
        for (int y = 0; y < 31; y++)
            for (int x = 0; x < 23; x++) {
                int u = x % 5, v = y % 12;
                ASSERT_EQ(fxt::px(out.get(), x, y), blended(fxt::px(tile.get(), v, 4 - u), 0))
                    << x << "," << y;
            }
    }
}

TEST(WatermarkFilter, FreeRotationInterlocksAndRepeatsExactly)
{
    fxt::Image tile =
        fxt::make(30, 12, [](int x, int y) { return SN_PIXEL(0xFF, x * 8, y * 20, 90); });
    fxt::Image before(sn_image_clone(tile.get()));
    const std::string address = fxt::address(tile.get());
    fxt::Filter filter =
        fxt::make_filter("watermark", Settings{{"watermark_image", address.c_str()},
                                               {"rotation", "30"},
                                               {"x_space", "6"},
                                               {"y_space", "6"},
                                               {"transparency", "20"}});
    fxt::Image first = fxt::solid(160, 120, kPicture), second = fxt::solid(160, 120, kPicture);
    ASSERT_EQ(imagefilter_execute(filter.get(), first.get()), 0);
    ASSERT_EQ(imagefilter_execute(filter.get(), second.get()), 0);
    EXPECT_EQ(memcmp(first->frames[0].pixels, second->frames[0].pixels, 160 * 120 * 4), 0);
    /* The tile given stays as it was: size, alpha flag and every pixel. */
    ASSERT_EQ(tile->width, 30);
    ASSERT_EQ(tile->height, 12);
    EXPECT_EQ(tile->has_alpha, before->has_alpha);
    EXPECT_EQ(memcmp(tile->frames[0].pixels, before->frames[0].pixels, 30 * 12 * 4), 0);
    /* Turned tiles cover the picture in every region: no empty band remains. */
    int changed = 0;
    for (int y = 0; y < 120; y += 20)
        for (int x = 0; x < 160; x += 20) {
            int hit = 0;
            for (int j = 0; j < 20 && !hit; j++)
                for (int k = 0; k < 20 && !hit; k++)
                    hit = fxt::px(first.get(), x + k, y + j) != kPicture;
            changed += hit;
        }
    EXPECT_EQ(changed, 8 * 6);
}

TEST(WatermarkFilter, MissingOrEmptyTileFails)
{
    fxt::Filter filter(imagefilter_create("watermark"));
    fxt::Image picture = fxt::solid(10, 10, kPicture);
    EXPECT_EQ(imagefilter_execute(filter.get(), picture.get()), -1);
    fxt::Image empty(sn_image_create(4, 0, 1));
    const std::string address = fxt::address(empty.get());
    ASSERT_EQ(fxt::set(filter.get(), Settings{{"watermark_image", address.c_str()}}), 0);
    EXPECT_EQ(imagefilter_execute(filter.get(), picture.get()), -1);
    /* A one-pixel tile covers everything and ends. */
    fxt::Image dot = fxt::solid(1, 1, SN_PIXEL(0xFF, 0, 0, 0));
    fxt::Image out = watermark(dot.get(), 9, 7, Settings{{"y_offset", "-2147483648"}});
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(fxt::px(out.get(), 8, 6), blended(SN_PIXEL(0xFF, 0, 0, 0), 0));
}

/* The lattice of turned tiles, laid out here straight from its definition:
 * corrections U, X, Y from the padded tile's sides and the angle folded into
 * 0-90 degrees (sides traded in the second and fourth quarter), rows of
 * tiles stepping by th - Y, tiles by tw - U, row m shifted by m X; before a
 * row's first tile, tiles one period tw - trunc(U) apart back to the left
 * edge. */
static fxt::Image expected_lattice(const sn_image_t *tile, int w, int h, double rotation, int space,
                                   int x_offset, int y_offset)
{
    fxt::Image turned(sn_image_clone(tile));
    sn_image_padding(turned.get(), space / 2, space / 2, space / 2, space / 2, 0);
    double p = turned->width, q = turned->height, a = rotation;
    if (rotation > 270) {
        a -= 270;
        std::swap(p, q);
    } else if (rotation > 180) {
        a -= 180;
    } else if (rotation > 90) {
        a -= 90;
        std::swap(p, q);
    }
    double r = a * 3.14159265 / 180, s = sin(r), k = cos(r);
    double u = (q - p * s / k) * s;
    if (u < 0)
        u = p * k - q * k * k / s;
    double lx = q * k > p * s ? p * k - u : p * k;
    double ly = std::min(q * k, p * s);
    sn_image_rotate(turned.get(), rotation, 0);
    int tw = turned->width, th = turned->height;
    fxt::Image picture = fxt::solid(w, h, kPicture);
    std::vector<std::pair<int, int>> corners;
    const int period = tw - (int)u;
    int m = 0;
    for (int y = y_offset - th; y < h; y = (int)(y + th - ly), m++) {
        const int first = ((int)(m * lx) % period) - tw + x_offset;
        for (int x = first - period; x + tw > 0; x -= period)
            corners.emplace_back(x, y);
        for (int x = first; x < w; x = (int)(x + tw - u))
            corners.emplace_back(x, y);
    }
    for (const auto &corner : corners)
        for (int x = corner.first, y = corner.second, j = 0; j < th; j++)
            for (int i = 0; i < tw; i++) {
                if (x + i < 0 || y + j < 0 || x + i >= w || y + j >= h)
                    continue;
                uint32_t &d = picture->frames[0].rows[y + j][x + i];
                uint32_t sp = fxt::px(turned.get(), i, j), e = SN_PIXEL_A(sp) * 100;
                if (e == 0)
                    continue;
                uint32_t f = 25855 - e;
                d = SN_PIXEL(SN_PIXEL_A(d), (f * SN_PIXEL_R(d) + e * SN_PIXEL_R(sp)) / 25856,
                             (f * SN_PIXEL_G(d) + e * SN_PIXEL_G(sp)) / 25856,
                             (f * SN_PIXEL_B(d) + e * SN_PIXEL_B(sp)) / 25856);
            }
    return picture;
}

TEST(WatermarkFilter, TurnedTilesInterlockInEveryQuarter)
{
    fxt::Image tile =
        fxt::make(40, 16, [](int x, int y) { return SN_PIXEL(0xFF, x * 6, y * 15, 255 - x * 3); });
    const std::string address = fxt::address(tile.get());
    for (const char *rotation : {"30", "75", "120", "200", "300", "-45"}) {
        SCOPED_TRACE(rotation);
        fxt::Image out = watermark(tile.get(), 150, 110,
                                   Settings{{"rotation", rotation},
                                            {"x_space", "4"},
                                            {"y_space", "4"},
                                            {"x_offset", "9"},
                                            {"y_offset", "5"}});
        ASSERT_NE(out, nullptr);
        double angle = atof(rotation);
        if (angle < 0)
            angle += 360;
        fxt::Image want = expected_lattice(tile.get(), 150, 110, angle, 4, 9, 5);
        int mismatches = 0;
        for (int y = 0; y < 110; y++)
            for (int x = 0; x < 150; x++)
                mismatches += fxt::px(out.get(), x, y) != fxt::px(want.get(), x, y);
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(WatermarkFilter, TurnedRowsReachTheLeftEdgeWhateverTheOffset)
{
    /* A row's shift plus the x offset used to start some rows well inside
     * the picture: the left columns stayed bare where the inside is covered. */
    fxt::Image tile = fxt::solid(40, 16, SN_PIXEL(0xFF, 0, 0, 0));
    for (const char *rotation : {"30", "60"})
        for (const char *x_offset : {"18", "30"}) {
            SCOPED_TRACE(testing::Message() << rotation << " " << x_offset);
            fxt::Image out = watermark(tile.get(), 300, 200,
                                       Settings{{"rotation", rotation}, {"x_offset", x_offset}});
            ASSERT_NE(out, nullptr);
            auto bare = [&](int x0) {
                int n = 0;
                for (int y = 0; y < 200; y++)
                    for (int x = x0; x < x0 + 10; x++)
                        n += fxt::px(out.get(), x, y) == kPicture;
                return n;
            };
            int inside = 0;
            for (int x0 = 60; x0 < 240; x0 += 5)
                inside = std::max(inside, bare(x0));
            EXPECT_LE(bare(0), inside * 3 / 2);
        }
}
