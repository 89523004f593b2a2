/*
 * The "stamp" kind: placement at each anchor with pixel and percent offsets,
 * the clamp into the picture, and the blend by alpha and transparency.
 */
#include "filter_fixture.h"

using fxt::Settings;

static const uint32_t kPicture = SN_PIXEL(0xFF, 200, 100, 50);
static const uint32_t kInk = SN_PIXEL(0xFF, 0, 0, 0);

/* The rectangle of the picture that the stamp changed. */
struct Box {
    int left = -1, top = -1, right = -1, bottom = -1;
};

static Box changed(const sn_image_t *image)
{
    Box box;
    for (int y = 0; y < image->height; y++)
        for (int x = 0; x < image->width; x++)
            if (fxt::px(image, x, y) != kPicture) {
                if (box.left < 0 || x < box.left)
                    box.left = x;
                if (box.top < 0 || y < box.top)
                    box.top = y;
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

TEST(StampFilter, LandsWhereEachAnchorPutsIt)
{
    fxt::Image stamp = fxt::solid(100, 50, kInk);
    const std::string address = fxt::address(stamp.get());
    struct Case {
        const char *x_pos, *y_pos;
        int left, top; /* of the stamp on a 400 x 300 picture */
    } cases[] = {
        {"left-0px", "top-0px", 0, 0},
        {"left-10px", "top-20px", 10, 20},
        {"middle-0px", "middle-0px", 150, 125},
        {"middle-10%", "middle--10%", 190, 95}, /* 10 % of 400, -10 % of 300 */
        {"right-0px", "bottom-0px", 299, 249},  /* one pixel short of the edge */
        {"right-20px", "bottom-30px", 280, 220},
        {"right-25%", "bottom-50%", 200, 100},
        {"left-390px", "top-290px", 299, 249}, /* clamped into the picture */
        {"right-500px", "bottom-900px", 0, 0}, /* clamped at the near edge */
        {"left-0%", "top-100%", 0, 249},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x_pos << " " << c.y_pos);
        fxt::Image picture = fxt::solid(400, 300, kPicture);
        fxt::Image out = fxt::run(
            "stamp",
            Settings{{"stamp_image", address.c_str()}, {"x_pos", c.x_pos}, {"y_pos", c.y_pos}},
            picture.get());
        ASSERT_NE(out, nullptr);
        Box box = changed(out.get());
        EXPECT_EQ(box.left, c.left);
        EXPECT_EQ(box.top, c.top);
        EXPECT_EQ(box.right, c.left + 99);
        EXPECT_EQ(box.bottom, c.top + 49);
    }
}

TEST(StampFilter, PositionWithoutDashChangesOnlyTheAnchor)
{
    fxt::Image stamp = fxt::solid(10, 10, kInk);
    const std::string address = fxt::address(stamp.get());
    fxt::Filter filter = fxt::make_filter(
        "stamp",
        Settings{{"stamp_image", address.c_str()}, {"x_pos", "left-5px"}, {"y_pos", "top-3px"}});
    ASSERT_EQ(fxt::set(filter.get(), Settings{{"x_pos", "right"}, {"y_pos", "nowhere-7px"}}), 0);
    fxt::Image picture = fxt::solid(100, 60, kPicture);
    ASSERT_EQ(imagefilter_execute(filter.get(), picture.get()), 0);
    Box box = changed(picture.get());
    EXPECT_EQ(box.left, 100 - 10 - 5); /* right anchor, the old 5 px */
    EXPECT_EQ(box.top, 7);             /* top kept, the new 7 px */
}

TEST(StampFilter, LargerStampIsPlacedAtTheOriginAndCut)
{
    fxt::Image stamp = fxt::make(50, 40, fxt::pattern);
    const std::string address = fxt::address(stamp.get());
    fxt::Image picture = fxt::solid(30, 20, SN_PIXEL(0xFF, 0, 0, 0));
    fxt::Image out = fxt::run(
        "stamp",
        Settings{{"stamp_image", address.c_str()}, {"x_pos", "right-0px"}, {"y_pos", "bottom-0px"}},
        picture.get());
    ASSERT_NE(out, nullptr);
    /* Black below: each channel is e * s / 25856 with e = alpha * 100. */
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 30; x++) {
            uint32_t s = fxt::px(stamp.get(), x, y), e = SN_PIXEL_A(s) * 100;
            uint32_t want = SN_PIXEL(0xFF, e * SN_PIXEL_R(s) / 25856, e * SN_PIXEL_G(s) / 25856,
                                     e * SN_PIXEL_B(s) / 25856);
            ASSERT_EQ(fxt::px(out.get(), x, y), want) << x << "," << y;
        }
}

TEST(StampFilter, BlendFollowsAlphaAndTransparency)
{
    struct Case {
        uint32_t stamp;
        const char *transparency;
        uint32_t expected; /* onto kPicture */
    } cases[] = {
        /* Opaque at 0 %: 25500/25856 of the stamp, 355/25856 of the picture. */
        {SN_PIXEL(0xFF, 0, 0, 0), "0", SN_PIXEL(0xFF, 2, 1, 0)},
        {SN_PIXEL(0xFF, 255, 255, 255), "0", SN_PIXEL(0xFF, 254, 252, 252)},
        /* 50 %: e = 12750; (13105 * 200 + 12750 * 0) / 25856 = 101. */
        {SN_PIXEL(0xFF, 0, 0, 0), "50", SN_PIXEL(0xFF, 101, 50, 25)},
        {SN_PIXEL(0xFF, 0, 0, 0), "50.9", SN_PIXEL(0xFF, 101, 50, 25)},
        {SN_PIXEL(0, 0, 0, 0), "0", kPicture},      /* transparent pixel: unchanged */
        {SN_PIXEL(0xFF, 0, 0, 0), "100", kPicture}, /* invisible stamp */
        {SN_PIXEL(0xFF, 0, 0, 0), "250", kPicture}, /* clamped to 100 */
        {SN_PIXEL(0xFF, 0, 0, 0), "-40", SN_PIXEL(0xFF, 2, 1, 0)}, /* clamped to 0 */
        /* alpha 0x80, transparency 0: e = 12800; (13055 * 200) / 25856 = 100. */
        {SN_PIXEL(0x80, 0, 0, 0), "0", SN_PIXEL(0xFF, 100, 50, 25)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.stamp << " " << c.transparency);
        fxt::Image stamp = fxt::solid(2, 2, c.stamp);
        const std::string address = fxt::address(stamp.get());
        fxt::Image picture = fxt::solid(6, 6, kPicture);
        fxt::Image out = fxt::run("stamp",
                                  Settings{{"stamp_image", address.c_str()},
                                           {"transparency", c.transparency},
                                           {"x_pos", "left-1px"},
                                           {"y_pos", "top-1px"}},
                                  picture.get());
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(fxt::px(out.get(), 1, 1), c.expected);
        EXPECT_EQ(fxt::px(out.get(), 2, 2), c.expected);
        EXPECT_EQ(fxt::px(out.get(), 0, 0), kPicture);
        EXPECT_EQ(fxt::px(out.get(), 3, 3), kPicture);
    }
}

TEST(StampFilter, MissingOrEmptyStampFails)
{
    fxt::Image picture = fxt::solid(10, 10, kPicture);
    fxt::Filter filter(imagefilter_create("stamp"));
    EXPECT_EQ(imagefilter_execute(filter.get(), picture.get()), -1);

    fxt::Image empty(sn_image_create(0, 5, 1));
    const std::string address = fxt::address(empty.get());
    ASSERT_EQ(fxt::set(filter.get(), Settings{{"stamp_image", address.c_str()}}), 0);
    EXPECT_EQ(imagefilter_execute(filter.get(), picture.get()), -1);
    EXPECT_EQ(fxt::px(picture.get(), 0, 0), kPicture);
}

TEST(StampFilter, EveryFrameIsStamped)
{
    fxt::Image stamp = fxt::solid(2, 2, SN_PIXEL(0xFF, 0, 0, 0));
    const std::string address = fxt::address(stamp.get());
    fxt::Image picture = fxt::make(
        5, 5, [](int, int) { return kPicture; }, 3);
    fxt::Image out = fxt::run("stamp", Settings{{"stamp_image", address.c_str()}}, picture.get());
    ASSERT_NE(out, nullptr);
    for (int f = 0; f < 3; f++)
        EXPECT_EQ(fxt::px(out.get(), 0, 0, f), SN_PIXEL(0xFF, 2, 1, 0)) << f;
}
