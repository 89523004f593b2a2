/*
 * The filter engine: the registry of kinds, dispatch, the end-of-array rules
 * of the settings, and the one reading of setting values (integers, reals,
 * angles, lengths, positions, colours, image addresses).
 */
#include "filter/imf_common.h"
#include "filter_fixture.h"

#include <limits.h>
#include <locale.h>
#include <stdlib.h>
#include <string.h>

#include <thread>

using fxt::Settings;

static const char *const kKinds[] = {
    "resize",   "flip",        "rotate",     "crop",          "roll",  "gray",     "equalize",
    "negative", "swap_colors", "coloration", "auto_contrast", "stamp", "watermark"};

/* Runs first in this executable, so that the threads meet the unbuilt list. */
TEST(FilterEngine, FirstCreationsFromManyThreadsBuildOneRegistry)
{
    std::vector<std::thread> threads;
    std::vector<int> made(8, 0);
    for (int t = 0; t < 8; t++)
        threads.emplace_back([t, &made] {
            for (const char *kind : kKinds) {
                imagefilter_t *filter = imagefilter_create(kind);
                if (filter && strcmp(imagefilter_get_name(filter), kind) == 0)
                    made[t]++;
                if (filter)
                    imagefilter_destroy(filter);
            }
        });
    for (auto &thread : threads)
        thread.join();
    for (int count : made)
        EXPECT_EQ(count, 13);
}

TEST(FilterEngine, KindsAreFoundByNameWithoutRegardToCase)
{
    struct Case {
        const char *asked;
        const char *name; /* null: no such kind */
    } cases[] = {
        {"RESIZE", "resize"},
        {"Swap_Colors", "swap_colors"},
        {"watermark", "watermark"},
        {"blur", nullptr},
        {"", nullptr},
        {"resize ", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.asked);
        fxt::Filter filter(imagefilter_create(c.asked));
        if (!c.name) {
            EXPECT_EQ(filter, nullptr);
            continue;
        }
        ASSERT_NE(filter, nullptr);
        EXPECT_STREQ(imagefilter_get_name(filter.get()), c.name);
    }
    EXPECT_EQ(imagefilter_create(nullptr), nullptr);
}

TEST(FilterEngine, KindsWithoutSettingsRefuseThemAndStillRun)
{
    fxt::Image image = fxt::make(4, 3, fxt::pattern);
    for (const char *kind : kKinds) {
        SCOPED_TRACE(kind);
        fxt::Filter filter(imagefilter_create(kind));
        ASSERT_NE(filter, nullptr);
        const bool none = !strcmp(kind, "gray") || !strcmp(kind, "equalize") ||
                          !strcmp(kind, "negative") || !strcmp(kind, "auto_contrast");
        Settings empty{};
        EXPECT_EQ(fxt::set(filter.get(), empty), none ? -1 : 0);
        EXPECT_EQ(imagefilter_reserved(filter.get(), 1, 2), -1);
        if (none) {
            fxt::Image copy(sn_image_clone(image.get()));
            EXPECT_EQ(imagefilter_execute(filter.get(), copy.get()), 0);
        }
    }
}

TEST(FilterEngine, ExecuteRefusesImagesWithoutPixels)
{
    fxt::Image no_frames(sn_image_create(4, 4, 0));
    fxt::Image unallocated(sn_image_create(4, 4, 1));
    fxt::Image zero_height(sn_image_create(4, 0, 1));
    for (const char *kind : kKinds) {
        SCOPED_TRACE(kind);
        fxt::Filter filter(imagefilter_create(kind));
        EXPECT_EQ(imagefilter_execute(filter.get(), nullptr), -1);
        EXPECT_EQ(imagefilter_execute(filter.get(), no_frames.get()), -1);
        EXPECT_EQ(imagefilter_execute(filter.get(), unallocated.get()), -1);
        EXPECT_EQ(imagefilter_execute(filter.get(), zero_height.get()), -1);
    }
}

TEST(FilterSettings, FirstNullKeyKeepsEveryDefault)
{
    fxt::Image image = fxt::make(6, 4, fxt::pattern);
    for (const char *kind : {"flip", "roll", "rotate", "swap_colors", "crop"}) {
        SCOPED_TRACE(kind);
        fxt::Filter filter(imagefilter_create(kind));
        const char *keys[] = {nullptr, "x"};
        const char *values[] = {nullptr, "3px"};
        EXPECT_EQ(imagefilter_set_settings(filter.get(), keys, values), 0);
    }
    /* Defaults of roll and flip leave the picture as it was. */
    for (const char *kind : {"flip", "roll", "swap_colors", "rotate"}) {
        fxt::Image out = fxt::run(kind, Settings{}, image.get());
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(memcmp(out->frames[0].pixels, image->frames[0].pixels, 6 * 4 * 4), 0) << kind;
    }
}

TEST(FilterSettings, EmptyKeyEndsTheArrayForAllButCrop)
{
    fxt::Image image = fxt::make(10, 6, fxt::pattern);
    /* roll: the y shift after the empty key is never read. */
    fxt::Image rolled =
        fxt::run("roll", Settings{{"x", "2px"}, {"", ""}, {"y", "3px"}}, image.get());
    ASSERT_NE(rolled, nullptr);
    EXPECT_EQ(fxt::px(rolled.get(), 0, 0), fxt::px(image.get(), 2, 0));

    /* Also the unit scan stops there: "50%" after it does not turn x into percent. */
    rolled = fxt::run("roll", Settings{{"x", "1"}, {"", ""}, {"y", "50%"}}, image.get());
    ASSERT_NE(rolled, nullptr);
    EXPECT_EQ(fxt::px(rolled.get(), 0, 0), fxt::px(image.get(), 1, 0));

    /* crop: the empty key is logged as unknown and the keys after it count. */
    zvtest::LogCapture log;
    fxt::Filter crop(imagefilter_create("crop"));
    Settings settings{{"crop_by", "left_top_width_height"},
                      {"", "x"},
                      {"width", "4px"},
                      {"height", "2px"},
                      {"left", "1px"},
                      {"top", "1px"}};
    ASSERT_EQ(fxt::set(crop.get(), settings), 0);
    EXPECT_TRUE(log.contains("FAILED! name:, value:x"));
    EXPECT_TRUE(log.contains("ret:0, name:width, value_str:4px"));
}

TEST(FilterSettings, NothingAfterAnEmptyKeyIsReadByAnyKindButCrop)
{
    fxt::Image image = fxt::make(12, 8, fxt::pattern);
    const std::string address = fxt::address(image.get());
    struct Case {
        const char *kind, *key, *value;
    } cases[] = {
        {"resize", "width", "10px"},
        {"flip", "horizontal", "1"},
        {"rotate", "angle", "90"},
        {"roll", "x", "3px"},
        {"swap_colors", "r", "b"},
        {"coloration", "r", "0"},
        {"stamp", "stamp_image", address.c_str()},
        {"watermark", "watermark_image", address.c_str()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        fxt::Filter plain(imagefilter_create(c.kind));
        fxt::Filter cut(imagefilter_create(c.kind));
        ASSERT_EQ(fxt::set(cut.get(), Settings{{"", "1"}, {c.key, c.value}}), 0);
        fxt::Image a(sn_image_clone(image.get())), b(sn_image_clone(image.get()));
        int ra = imagefilter_execute(plain.get(), a.get());
        int rb = imagefilter_execute(cut.get(), b.get());
        ASSERT_EQ(ra, rb);
        ASSERT_EQ(a->width, b->width);
        ASSERT_EQ(a->height, b->height);
        EXPECT_EQ(
            memcmp(a->frames[0].pixels, b->frames[0].pixels, (size_t)a->width * a->height * 4), 0);
        /* Without the empty key the same setting does change the result. */
        fxt::Filter full(imagefilter_create(c.kind));
        ASSERT_EQ(fxt::set(full.get(), Settings{{c.key, c.value}}), 0);
        fxt::Image d(sn_image_clone(image.get()));
        int rd = imagefilter_execute(full.get(), d.get());
        EXPECT_TRUE(rd != ra || d->width != a->width ||
                    memcmp(a->frames[0].pixels, d->frames[0].pixels,
                           (size_t)a->width * a->height * 4) != 0);
    }
}

TEST(FilterSettings, IntegersReadAsAtoiWithinTheIntRange)
{
    struct Case {
        const char *text;
        int ok;
        int value;
    } cases[] = {
        {"42", 0, 42},
        {"  -7px", 0, -7},
        {"+3%", 0, 3},
        {"abc", 0, 0},
        {"", 0, 0},
        {"12.9", 0, 12},
        {"2147483647", 0, INT_MAX},
        {"-2147483648", 0, INT_MIN},
        {"2147483648", -1, 0},
        {"-99999999999999999999", -1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        int value = 0;
        ASSERT_EQ(imf_parse_int(c.text, &value), c.ok);
        if (c.ok == 0) {
            EXPECT_EQ(value, c.value);
        }
    }
    int value;
    EXPECT_EQ(imf_parse_int(nullptr, &value), -1);
}

TEST(FilterSettings, RealsAnglesAndTheirConversion)
{
    double d;
    EXPECT_EQ(imf_parse_double("12.75", &d), 0);
    EXPECT_DOUBLE_EQ(d, 12.75);
    EXPECT_EQ(imf_parse_double("nan", &d), -1);
    EXPECT_EQ(imf_parse_double("1e999", &d), -1);

    int i;
    EXPECT_EQ(imf_double_to_int(-3.9, &i), 0);
    EXPECT_EQ(i, -3);
    EXPECT_EQ(imf_double_to_int(3e9, &i), -1);
    EXPECT_EQ(imf_double_to_int(-3e9, &i), -1);

    struct Case {
        const char *text;
        double angle;
    } angles[] = {{"-90", 270}, {"360", 0}, {"720.5", 0.5}, {"-1e12", 80}, {"45", 45}};
    for (const Case &c : angles) {
        SCOPED_TRACE(c.text);
        ASSERT_EQ(imf_parse_angle(c.text, &d), 0);
        EXPECT_NEAR(d, c.angle, 1e-6);
    }
}

/* A Qt application runs in the user's locale, where the decimal point may be
 * a comma; angles, transparencies and spaces are still read with '.'. */
TEST(FilterSettings, RealsKeepTheirFractionInACommaLocale)
{
    zvtest::TempDir dir;
    zvtest::CommaLocale comma(dir);
    ASSERT_FALSE(comma.failed()) << comma.skip_reason();
    if (!comma.skip_reason().empty())
        GTEST_SKIP() << comma.skip_reason();
    ASSERT_EQ(atof("2.5"), 2.0) << "the locale is in force";

    double d;
    ASSERT_EQ(imf_parse_double("12.75", &d), 0);
    EXPECT_DOUBLE_EQ(d, 12.75);
    ASSERT_EQ(imf_parse_angle("-0.5", &d), 0);
    EXPECT_DOUBLE_EQ(d, 359.5);
    /* 90.5 degrees is a free turn onto a larger box, not a quarter turn. */
    fxt::Image image = fxt::solid(30, 20, 0xFFFFFFFF);
    fxt::Image out = fxt::run("rotate", Settings{{"angle", "90.50"}}, image.get());
    ASSERT_NE(out, nullptr);
    EXPECT_GT(out->width, 20);
}

TEST(FilterSettings, LengthsTakeTheirUnitFromTheEnding)
{
    struct Case {
        const char *text;
        int unit;
    } cases[] = {{"10px", IMF_UNIT_PIXELS},
                 {"10PX", IMF_UNIT_PIXELS},
                 {"50%", IMF_UNIT_PERCENT},
                 {"10", 0},
                 {"padding", 0},
                 {"0xFFFFFFFF", 0}};
    for (const Case &c : cases)
        EXPECT_EQ(imf_length_unit(c.text), c.unit) << c.text;

    /* Percent of a side, truncated toward zero, in 64 bits. */
    EXPECT_EQ(imf_length_pixels(50, IMF_UNIT_PERCENT, 201), 100);
    EXPECT_EQ(imf_length_pixels(-50, IMF_UNIT_PERCENT, 201), -100);
    EXPECT_EQ(imf_length_pixels(INT_MAX, IMF_UNIT_PERCENT, 40000), (int64_t)INT_MAX * 400);
    EXPECT_EQ(imf_length_pixels(77, IMF_UNIT_PIXELS, 10), 77);
}

TEST(FilterSettings, PositionsGiveAnchorOffsetAndUnit)
{
    static const char *const x_words[3] = {"left", "middle", "right"};
    struct Case {
        const char *text;
        int anchor, offset, unit; /* expected, starting from 0, 99, 0 */
    } cases[] = {
        {"left-12px", 0, 12, IMF_UNIT_PIXELS},
        {"middle-5%", 1, 5, IMF_UNIT_PERCENT},
        {"right-0px", 2, 0, IMF_UNIT_PIXELS},
        {"RIGHT-7", 2, 7, IMF_UNIT_PIXELS},
        {"middle--4px", 1, -4, IMF_UNIT_PIXELS}, /* a second '-' makes it negative */
        {"right", 2, 99, 0},                     /* no '-': only the anchor */
        {"centre-3px", 0, 3, IMF_UNIT_PIXELS},   /* unknown word: anchor kept */
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        int anchor = 0, offset = 99, unit = 0;
        ASSERT_EQ(imf_parse_position(c.text, x_words, &anchor, &offset, &unit), 0);
        EXPECT_EQ(anchor, c.anchor);
        EXPECT_EQ(offset, c.offset);
        EXPECT_EQ(unit, c.unit);
    }
}

TEST(FilterSettings, ColoursAndImageAddresses)
{
    uint32_t word = 7;
    char text[11];
    sn_color_format(SN_PIXEL(0x80, 0x11, 0x22, 0x33), text);
    EXPECT_STREQ(text, "0x33221180");
    EXPECT_EQ(imf_parse_color(text, &word), 0);
    EXPECT_EQ(word, SN_PIXEL(0x80, 0x11, 0x22, 0x33));
    EXPECT_EQ(imf_parse_color("", &word), 1);
    EXPECT_EQ(word, SN_PIXEL(0x80, 0x11, 0x22, 0x33));
    EXPECT_EQ(imf_parse_color("0xZZ", &word), -1);

    fxt::Image image = fxt::solid(2, 2, 0xFFFFFFFF);
    sn_image_t *read = nullptr;
    EXPECT_EQ(imf_parse_image(fxt::address(image.get()).c_str(), &read), 0);
    EXPECT_EQ(read, image.get());
    EXPECT_EQ(imf_parse_image("not an address", &read), -1);
}

TEST(FilterSettings, InvalidValuesGiveMinusOneAndLeaveTheFilterUsable)
{
    fxt::Image image = fxt::make(5, 3, fxt::pattern);
    struct Case {
        const char *kind;
        const char *key;
        const char *value;
    } cases[] = {
        {"resize", "width", "0px"},
        {"resize", "height", "-5px"},
        {"resize", "padding_color", "0xG"},
        {"rotate", "angle", "nan"},
        {"rotate", "background_color", "white"},
        {"roll", "x", "99999999999px"},
        {"flip", "horizontal", "3000000000"},
        {"coloration", "r", "99999999999"},
        {"stamp", "stamp_image", "nothing"},
        {"stamp", "transparency", "inf"},
        {"watermark", "x_space", "1e30"},
        {"watermark", "rotation", "-inf"},
        {"crop", "left", "99999999999px"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + c.key + "=" + c.value);
        fxt::Filter filter(imagefilter_create(c.kind));
        ASSERT_NE(filter, nullptr);
        EXPECT_EQ(fxt::set(filter.get(), Settings{{c.key, c.value}}), -1);
        /* Still configurable and runnable with sound values afterwards. */
        EXPECT_EQ(fxt::set(filter.get(), Settings{}), 0);
        /* The refused value changed nothing: it runs as a fresh filter does. */
        fxt::Filter fresh(imagefilter_create(c.kind));
        fxt::Image a(sn_image_clone(image.get())), b(sn_image_clone(image.get()));
        ASSERT_EQ(imagefilter_execute(filter.get(), a.get()),
                  imagefilter_execute(fresh.get(), b.get()));
        ASSERT_EQ(a->width, b->width);
        ASSERT_EQ(a->height, b->height);
        EXPECT_EQ(
            memcmp(a->frames[0].pixels, b->frames[0].pixels, (size_t)a->width * a->height * 4), 0);
    }
    fxt::Filter roll(imagefilter_create("roll"));
    EXPECT_EQ(fxt::set(roll.get(), Settings{{"x", "1px"}}), 0);
    EXPECT_EQ(fxt::set(roll.get(), Settings{{"x", "99999999999px"}}), -1);
    fxt::Image copy(sn_image_clone(image.get()));
    EXPECT_EQ(imagefilter_execute(roll.get(), copy.get()), 0);
    EXPECT_EQ(fxt::px(copy.get(), 0, 0), fxt::px(image.get(), 1, 0));
}

/* The size a run would give, told from the settings alone, is the size the
 * run gives: every resize mode (the scale before a crop counts among what is
 * made), crops inside, across and outside the picture, quarter and free
 * turns, and the kinds that keep the size. A run that fails keeps it. */
TEST(FilterEngine, PredictedSizesAreTheSizesTheRunsGive)
{
    struct Case {
        const char *kind;
        Settings settings;
        int width, height;
        int64_t most; /* the largest frame made, when it is not the result */
    } cases[] = {
        {"resize",
         {{"width", "400px"}, {"height", "400px"}, {"keep_aspect", "padding"}},
         1000,
         500,
         0},
        {"resize",
         {{"width", "100px"}, {"height", "100px"}, {"keep_aspect", "cropping"}},
         1000,
         500,
         200 * 100},
        {"resize", {{"width", "50%"}, {"height", "50%"}}, 1000, 500, 0},
        {"resize", {{"width", "200px"}, {"keep_aspect", "fixed_width"}}, 1000, 500, 0},
        {"resize", {{"height", "30px"}, {"keep_aspect", "fixed_height"}}, 1000, 500, 0},
        {"resize", {{"width", "3px"}, {"height", "2px"}}, 1000, 500, 0},
        {"resize", {{"width", "10000%"}, {"height", "10000%"}}, 640, 480, 0},
        {"crop",
         {{"left", "10px"}, {"top", "20%"}, {"right", "5px"}, {"bottom", "10%"}},
         200,
         100,
         0},
        {"crop",
         {{"crop_by", "width_height_offset"},
          {"width", "50%"},
          {"height", "50%"},
          {"x_offset", "0px"},
          {"y_offset", "50%"}},
         200,
         100,
         0},
        {"crop", {{"left", "60%"}, {"right", "60%"}}, 200, 100, 0},
        {"rotate", {{"angle", "90"}}, 30, 20, 0},
        {"rotate", {{"angle", "-90"}}, 30, 20, 0},
        {"rotate", {{"angle", "180"}}, 30, 20, 0},
        {"rotate", {{"angle", "33.3"}}, 301, 203, -1},
        {"rotate", {{"angle", "-45"}}, 64, 48, -1},
        {"rotate", {{"angle", "0.0001"}}, 64, 48, 0},
        {"rotate", {{"angle", "720"}}, 64, 48, 0},
        {"flip", {{"vertical", "1"}}, 30, 20, 0},
        {"roll", {{"x", "7px"}}, 30, 20, 0},
        {"gray", {}, 30, 20, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + (c.settings.keys[0] ? c.settings.values[0] : ""));
        fxt::Filter filter = fxt::make_filter(c.kind, c.settings);
        ASSERT_TRUE(filter);
        int64_t width = c.width, height = c.height, most = 0;
        ASSERT_EQ(imagefilter_predict_size(filter.get(), &width, &height, &most), 0);
        if (width * height > (int64_t)64 * 1024 * 1024) {
            /* Not run: the prediction alone says it, without gigabytes. */
            EXPECT_EQ(width, (int64_t)c.width * 100);
            EXPECT_EQ(height, (int64_t)c.height * 100);
            EXPECT_EQ(most, width * height);
            continue;
        }
        fxt::Image image = fxt::solid(c.width, c.height, SN_PIXEL(255, 1, 2, 3));
        imagefilter_execute(filter.get(), image.get());
        EXPECT_EQ(width, image->width);
        EXPECT_EQ(height, image->height);
        if (c.most > 0)
            EXPECT_EQ(most, c.most);
        else if (c.most < 0) /* a free turn's canvas is larger than its result */
            EXPECT_GT(most, width * height);
        else
            EXPECT_EQ(most, width * height);
    }
}

/* A filter of no kind that can tell (another record under a known name, or
 * a name of its own) gives no size; a picture without pixels gives none. */
TEST(FilterEngine, SizesThatCannotBeToldAreNotGuessed)
{
    imagefilter_t foreign = {"resize", nullptr, nullptr, nullptr, nullptr};
    imagefilter_t other = {"blur", nullptr, nullptr, nullptr, nullptr};
    int64_t width = 10, height = 10, most = 0;
    EXPECT_EQ(imagefilter_predict_size(&foreign, &width, &height, &most), -1);
    EXPECT_EQ(imagefilter_predict_size(&other, &width, &height, &most), -1);
    fxt::Filter gray(imagefilter_create("gray"));
    width = 0;
    EXPECT_EQ(imagefilter_predict_size(gray.get(), &width, &height, &most), -1);
    EXPECT_EQ(imagefilter_predict_size(nullptr, &width, &height, &most), -1);
}
