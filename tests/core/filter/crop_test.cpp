/*
 * The "crop" kind: its three ways of giving the rectangle, the unit of each
 * pair of keys, the clamping into the picture, and its log lines.
 */
#include "filter_fixture.h"

using fxt::Settings;

TEST(CropFilter, RectangleByEachMode)
{
    struct Case {
        const char *name;
        Settings settings;
        int left, top, width, height; /* width 0: fails */
    } cases[] = {
        {"offset all 50%",
         {{"crop_by", "width_height_offset"},
          {"width", "50%"},
          {"height", "50%"},
          {"x_offset", "50%"},
          {"y_offset", "50%"}},
         50,
         25,
         100,
         50},
        {"margins 60% and 60% leave nothing",
         {{"crop_by", "left_top_right_bottom"}, {"left", "60%"}, {"right", "60%"}},
         0,
         0,
         0,
         0},
        {"centre at x 0 keeps the width",
         {{"crop_by", "width_height_offset"},
          {"width", "100px"},
          {"height", "40px"},
          {"x_offset", "0px"},
          {"y_offset", "50px"}},
         0,
         30,
         100,
         40},
        {"each pair's last value sets its unit",
         {{"left", "10px"}, {"top", "10%"}, {"right", "10%"}, {"bottom", "0px"}},
         20,
         10,
         170,
         90},
        {"left, top, width, height",
         {{"crop_by", "LEFT_TOP_WIDTH_HEIGHT"},
          {"left", "30px"},
          {"top", "5px"},
          {"width", "20%"},
          {"height", "20%"}},
         30,
         5,
         40,
         20},
        {"width cut at the right edge",
         {{"crop_by", "left_top_width_height"},
          {"left", "150px"},
          {"top", "0px"},
          {"width", "100px"},
          {"height", "100px"}},
         150,
         0,
         50,
         100},
        {"negative left becomes 0, width kept",
         {{"crop_by", "left_top_width_height"},
          {"left", "-20px"},
          {"top", "-5px"},
          {"width", "30px"},
          {"height", "10px"}},
         0,
         0,
         30,
         10},
        {"left outside",
         {{"crop_by", "left_top_width_height"},
          {"left", "200px"},
          {"width", "10px"},
          {"height", "10px"}},
         0,
         0,
         0,
         0},
        {"no settings: the whole picture", {}, 0, 0, 200, 100},
        {"unknown mode word keeps the mode",
         {{"crop_by", "diagonal"},
          {"left", "1px"},
          {"top", "2px"},
          {"right", "3px"},
          {"bottom", "4px"}},
         1,
         2,
         196,
         94},
    };
    fxt::Image image = fxt::make(200, 100, fxt::pattern);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fxt::Filter filter = fxt::make_filter("crop", c.settings);
        fxt::Image copy(sn_image_clone(image.get()));
        int result = imagefilter_execute(filter.get(), copy.get());
        if (c.width == 0) {
            EXPECT_EQ(result, -1);
            EXPECT_EQ(copy->width, 200);
            continue;
        }
        ASSERT_EQ(result, 0);
        ASSERT_EQ(copy->width, c.width);
        ASSERT_EQ(copy->height, c.height);
        for (int y = 0; y < c.height; y++)
            for (int x = 0; x < c.width; x++)
                ASSERT_EQ(fxt::px(copy.get(), x, y), fxt::px(image.get(), c.left + x, c.top + y));
    }
}

TEST(CropFilter, MatchesImageMagick)
{
    if (!fxt::have_magick())
        GTEST_SKIP() << "ImageMagick is not installed";
    fxt::Image image = fxt::make(64, 48, fxt::pattern);
    fxt::Image out = fxt::run("crop",
                              Settings{{"crop_by", "left_top_width_height"},
                                       {"left", "16px"},
                                       {"top", "7px"},
                                       {"width", "50%"},
                                       {"height", "50%"}},
                              image.get());
    zvtest::Rgba expected;
    ASSERT_TRUE(fxt::magick(image.get(), "-crop 32x24+16+7 +repage", &expected));
    fxt::expect_same(out.get(), expected);
}

TEST(CropFilter, LogsKnownAndUnknownKeys)
{
    zvtest::LogCapture log;
    fxt::Filter filter(imagefilter_create("crop"));
    ASSERT_EQ(fxt::set(filter.get(), Settings{{"Left", "5px"}, {"colour", "red"}}), 0);
    EXPECT_TRUE(log.contains("ret:0, name:Left, value_str:5px"));
    EXPECT_TRUE(log.contains("FAILED! name:colour, value:red"));
    fxt::Image image = fxt::solid(20, 10, 0xFFFFFFFF);
    ASSERT_EQ(imagefilter_execute(filter.get(), image.get()), 0);
    EXPECT_TRUE(log.contains("img_width:20, img_height:10"));
    EXPECT_TRUE(log.contains("left:5, top:0, width:15, height:10"));
}
