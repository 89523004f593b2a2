/*
 * Reduced-size JPEG loading: the scale chosen for a box, pixels as djpeg's
 * own scaled decode gives them, the file's full size reported, and broken
 * files failing cleanly.
 */
#include "zv_test.h"

#include "codec_fixture.h"

#include "codec/sn_jpeg_scaled.h"
#include "image/sn_image.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <sstream>

namespace
{

using zvtest::quote;
using zvtest::run;

class JpegScaledTest : public cfx::CodecTest
{
protected:
    void SetUp() override
    {
        if (!zvtest::have_tool("convert") || !zvtest::have_tool("djpeg"))
            GTEST_SKIP() << "ImageMagick and djpeg are needed";
    }
    std::string make(const std::string &name, const std::string &args)
    {
        std::string path = dir_.file(name);
        EXPECT_EQ(0, run("convert " + args + " " + quote(path)));
        return path;
    }
    zvtest::TempDir dir_;
};

/* djpeg -scale n/8 as RGB bytes. */
bool djpeg_scaled(const std::string &jpeg, int num, int *width, int *height,
                  std::vector<uint8_t> *rgb)
{
    std::string out = jpeg + ".ppm";
    if (run("djpeg -scale " + std::to_string(num) + "/8 -pnm -outfile " + quote(out) + " " +
            quote(jpeg)) != 0)
        return false;
    std::vector<uint8_t> data = zvtest::read_file(out);
    std::string head(data.begin(), data.begin() + std::min<size_t>(data.size(), 64));
    std::istringstream in(head);
    std::string magic;
    int maxval = 0;
    in >> magic >> *width >> *height >> maxval;
    if (magic != "P6" || maxval != 255)
        return false;
    size_t start = (size_t)in.tellg() + 1, size = (size_t)*width * (size_t)*height * 3;
    if (data.size() < start + size)
        return false;
    rgb->assign(data.begin() + (long)start, data.begin() + (long)(start + size));
    return true;
}

TEST_F(JpegScaledTest, SmallestScaleThatCoversTheBoxDecodesLikeDjpeg)
{
    std::string photo = make("photo.jpg", "-size 803x601 -seed 5 plasma:fractal -quality 88");
    std::string progressive =
        make("prog.jpg", "-size 803x601 -seed 6 plasma:fractal -interlace Plane -quality 80");
    std::string small = make("small.jpg", "-size 50x40 -seed 7 plasma:fractal");
    struct Case {
        const std::string *path;
        int min_width, min_height;
        int num; /* the scale djpeg is asked for: n/8 */
        int full_width, full_height;
    } cases[] = {
        {&photo, 96, 72, 1, 803, 601},   /* 101 x 76 covers the thumbnail box */
        {&photo, 0, 0, 1, 803, 601},     /* no box: the smallest scale */
        {&photo, 200, 150, 2, 803, 601}, /* 1/8 is too small, 2/8 gives 201 x 151 */
        {&photo, 220, 165, 3, 803, 601}, /* 2/8 is one row short in height */
        {&photo, 2000, 10, 8, 803, 601}, /* wider than the file: the whole picture */
        {&progressive, 96, 72, 1, 803, 601},
        {&small, 96, 72, 8, 50, 40}, /* smaller than the box: not enlarged */
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(*c.path + " " + std::to_string(c.min_width) + "x" +
                     std::to_string(c.min_height));
        int ref_w = 0, ref_h = 0;
        std::vector<uint8_t> ref;
        ASSERT_TRUE(djpeg_scaled(*c.path, c.num, &ref_w, &ref_h, &ref));
        int full_w = -1, full_h = -1;
        zvtest::ImagePtr image(
            sn_jpeg_load_scaled(c.path->c_str(), c.min_width, c.min_height, &full_w, &full_h));
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(c.full_width, full_w);
        EXPECT_EQ(c.full_height, full_h);
        EXPECT_EQ(SN_IMAGE_FORMAT_JPEG, image->format);
        EXPECT_EQ(0, image->has_alpha);
        ASSERT_EQ(ref_w, image->width);
        ASSERT_EQ(ref_h, image->height);
        int worst = 0, alpha_wrong = 0;
        for (int y = 0; y < ref_h; y++) {
            for (int x = 0; x < ref_w; x++) {
                uint32_t p = image->frames[0].rows[y][x];
                const uint8_t *q = &ref[((size_t)y * ref_w + x) * 3];
                worst = std::max({worst, abs((int)SN_PIXEL_R(p) - q[0]),
                                  abs((int)SN_PIXEL_G(p) - q[1]), abs((int)SN_PIXEL_B(p) - q[2])});
                alpha_wrong += SN_PIXEL_A(p) != 255;
            }
        }
        EXPECT_LE(worst, 1);
        EXPECT_EQ(0, alpha_wrong);
    }
}

TEST_F(JpegScaledTest, BrokenFilesFailWithoutAPicture)
{
    std::string photo = make("photo.jpg", "-size 320x240 -seed 5 plasma:fractal");
    std::vector<uint8_t> bytes = zvtest::read_file(photo);
    ASSERT_GT(bytes.size(), 1000u);
    std::string truncated = dir_.file("truncated.jpg");
    ASSERT_TRUE(zvtest::write_file(
        truncated, std::vector<uint8_t>(bytes.begin(), bytes.begin() + (long)bytes.size() / 2)));
    std::string text = dir_.file("text.jpg");
    ASSERT_TRUE(zvtest::write_file(text, std::string("not a picture at all")));
    std::string png = make("picture.png", "-size 20x20 xc:red");

    std::string pipe = dir_.file("pipe.jpg");
    ASSERT_EQ(0, mkfifo(pipe.c_str(), 0600));

    zvtest::LogCapture log;
    for (const std::string &path :
         {truncated, text, png, dir_.file("missing.jpg"), pipe, dir_.path()}) {
        SCOPED_TRACE(path);
        int w = -7, h = -7;
        EXPECT_EQ(nullptr, sn_jpeg_load_scaled(path.c_str(), 96, 72, &w, &h));
        EXPECT_EQ(-7, w);
    }
    EXPECT_EQ(nullptr, sn_jpeg_load_scaled(nullptr, 96, 72, nullptr, nullptr));
    EXPECT_TRUE(log.contains("[sn_jpeg_load_scaled]"));
}

} // namespace
