/*
 * The image object: creation, frames and their row layout, cloning, the
 * frame-size check that guards every allocation, and the colour text.
 */
#include "image/sn_image.h"
#include "image/sn_image_codec.h"
#include "zv_test.h"

#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <string>

namespace
{

using image_ptr = zvtest::ImagePtr;

class ImageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sn_image_init();
    }
};

TEST_F(ImageTest, CreateMakesAZeroedImageWithItsReader)
{
    image_ptr image(sn_image_create(7, 5, 2));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 7);
    EXPECT_EQ(image->height, 5);
    EXPECT_EQ(image->frame_count, 2);
    EXPECT_EQ(image->format, 0);
    EXPECT_EQ(image->has_alpha, 0);
    EXPECT_EQ(image->input_format, &snimage_memory_iformat);
    ASSERT_NE(image->reader, nullptr);
    EXPECT_EQ(image->reader->owner, image.get());
    EXPECT_EQ(image->reader->path, nullptr);
    EXPECT_EQ(image->reader->codec_state, nullptr);
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(image->frames[i].rows, nullptr);
        EXPECT_EQ(image->frames[i].pixels, nullptr);
    }

    image_ptr none(sn_image_create(7, 5, 0));
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->frames, nullptr);
    EXPECT_EQ(sn_image_create(7, 5, -1), nullptr);
}

TEST_F(ImageTest, FramesAreOneBufferWithRowsIntoIt)
{
    image_ptr image(sn_image_create(7, 5, 2));
    ASSERT_EQ(sn_image_allocate_frame(image.get(), 1), 0);
    uint32_t **rows = sn_image_get_frame(image.get(), 1);
    ASSERT_NE(rows, nullptr);
    for (int y = 0; y < 5; y++)
        EXPECT_EQ(rows[y], image->frames[1].pixels + y * 7);
    EXPECT_EQ(sn_image_get_frame(image.get(), 0), nullptr); /* not allocated yet */

    /* Indices outside 0 .. count - 1. */
    EXPECT_EQ(sn_image_get_frame(image.get(), 2), nullptr);
    EXPECT_EQ(sn_image_get_frame(image.get(), -1), nullptr);
    EXPECT_EQ(sn_image_allocate_frame(image.get(), 2), -1);
    EXPECT_EQ(sn_image_allocate_frame(image.get(), -1), -1);

    sn_image_free_frame(image.get(), 1);
    EXPECT_EQ(image->frames[1].rows, nullptr);
    EXPECT_EQ(sn_image_get_frame(image.get(), 1), nullptr);
    sn_image_free_frame(image.get(), 5); /* ignored */
}

TEST_F(ImageTest, FrameSizesAreCheckedBeforeAnyAllocation)
{
    struct Case {
        int width, height, result;
    } cases[] = {
        {1, 1, 0},          {0, 1, -1},        {1, 0, -1},         {-3, 4, -1},
        {4, -3, -1},        {23170, 23170, 0}, {23171, 23171, -1}, {0x7FFFFFFF, 2, -1},
        {65536, 65536, -1}, {536870911, 1, 0}, {536870912, 1, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        zvtest::LogCapture log;
        size_t bytes = 0;
        EXPECT_EQ(sn_image_check_size("caller", c.width, c.height, &bytes), c.result);
        if (c.result == 0) {
            EXPECT_EQ(bytes, (size_t)c.width * (size_t)c.height * 4);
            EXPECT_TRUE(log.lines().empty());
        } else {
            char want[128];
            snprintf(want, sizeof want, "[caller]");
            EXPECT_TRUE(log.contains(want));
            snprintf(want, sizeof want, "frame size FAILED! width:%d, height:%d\n", c.width,
                     c.height);
            EXPECT_TRUE(log.contains(want));
        }
    }

    size_t out = 0;
    EXPECT_EQ(sn_size_mul((size_t)1 << 40, (size_t)1 << 30, &out), -1);
    EXPECT_EQ(sn_size_mul((size_t)1 << 40, 8, &out), 0);
    EXPECT_EQ(out, (size_t)1 << 43);
    EXPECT_EQ(sn_size_mul(0, (size_t)-1, &out), 0);
    EXPECT_EQ(out, 0u);

    /* A refused frame leaves the record as it was. */
    sn_image_frame_t frame;
    uint32_t *marker_rows[1] = {nullptr};
    frame.rows = marker_rows;
    frame.pixels = nullptr;
    EXPECT_EQ(snimage_allocate_frame(&frame, 100000, 100000), -1);
    EXPECT_EQ(frame.rows, marker_rows);
    image_ptr huge(sn_image_create(100000, 100000, 1));
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(sn_image_allocate_frame(huge.get(), 0), -1);
    EXPECT_EQ(huge->frames[0].rows, nullptr);
}

TEST_F(ImageTest, CloneIsADeepCopy)
{
    image_ptr image(sn_image_create(4, 3, 2));
    ASSERT_EQ(sn_image_allocate_frame(image.get(), 0), 0);
    for (int i = 0; i < 12; i++)
        image->frames[0].pixels[i] = 0x01020300u + (uint32_t)i;
    image->has_alpha = 1;
    image->format = SN_IMAGE_FORMAT_BMP;

    image_ptr copy(sn_image_clone(image.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->width, 4);
    EXPECT_EQ(copy->height, 3);
    EXPECT_EQ(copy->frame_count, 2);
    EXPECT_EQ(copy->has_alpha, 1);
    EXPECT_EQ(copy->format, 0);
    EXPECT_EQ(copy->input_format, &snimage_memory_iformat);
    EXPECT_EQ(copy->reader->owner, copy.get());
    ASSERT_NE(copy->frames[0].pixels, image->frames[0].pixels);
    EXPECT_EQ(memcmp(copy->frames[0].pixels, image->frames[0].pixels, 48), 0);
    for (int y = 0; y < 3; y++)
        EXPECT_EQ(copy->frames[0].rows[y], copy->frames[0].pixels + y * 4);
    EXPECT_EQ(copy->frames[1].rows, nullptr); /* an unallocated frame stays so */

    copy->frames[0].pixels[5] = 0;
    EXPECT_EQ(image->frames[0].pixels[5], 0x01020305u);
    EXPECT_EQ(sn_image_clone(nullptr), nullptr);
}

TEST_F(ImageTest, ColourText)
{
    struct Case {
        uint32_t word;
        const char *text;
    } cases[] = {
        {0xFFFFFFFFu, "0xFFFFFFFF"},
        {0x00000000u, "0x00000000"},
        {SN_PIXEL(0x80, 0x11, 0x22, 0x33), "0x33221180"},
        {SN_PIXEL(0xFF, 0xFF, 0, 0), "0x0000FFFF"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        char text[11];
        sn_color_format(c.word, text);
        EXPECT_STREQ(text, c.text);
        uint32_t back = 0;
        ASSERT_EQ(sn_color_parse(text, &back), 0);
        EXPECT_EQ(back, c.word);
    }
    /* Pixel order: alpha is the lowest byte of the word. */
    uint32_t red = SN_PIXEL(0xFF, 0xFF, 0, 0);
    const unsigned char *bytes = (const unsigned char *)&red;
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFF);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[3], 0);
    EXPECT_TRUE(SN_COLOR_IS_OPAQUE(0xFFFFFFFFu));
    EXPECT_FALSE(SN_COLOR_IS_OPAQUE(0xFFFFFFFEu));

    uint32_t word = 7;
    EXPECT_EQ(sn_color_parse("ff", &word), 0);
    EXPECT_EQ(word, 0xFFu);
    for (const char *bad : {"", "0xZZ", "0x1FFFFFFFF", "0x12 ", "red"}) {
        SCOPED_TRACE(bad);
        word = 7;
        EXPECT_EQ(sn_color_parse(bad, &word), -1);
        EXPECT_EQ(word, 7u);
    }
    EXPECT_EQ(sn_color_parse(nullptr, &word), -1);
}

} // namespace
