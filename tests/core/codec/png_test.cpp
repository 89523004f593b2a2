/*
 * PNG codec: every colour type and depth made by ImageMagick decodes like
 * ImageMagick, the writer's RGB/RGBA files read back unchanged, and broken or
 * unwritable files fail cleanly with a logged "FAILED!".
 */
#include "zv_test.h"

#include "codec_fixture.h"

#include "base/sn_log.h"
#include "image/sn_image.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <zlib.h>

namespace
{

using zvtest::quote;
using zvtest::run;

class PngTest : public cfx::CodecTest
{
protected:
    void SetUp() override
    {
        if (!zvtest::have_tool("convert"))
            GTEST_SKIP() << "ImageMagick is needed";
        /* Colour detail plus an alpha ramp with fully transparent and fully
         * opaque areas; odd sizes so that packed rows end mid-byte. */
        rgb_ = dir_.file("rgb-source.png");
        rgba_ = dir_.file("rgba-source.png");
        ASSERT_EQ(0, run("convert -size 37x29 -seed 3 plasma:fractal PNG24:" + quote(rgb_)));
        ASSERT_EQ(0, run("convert " + quote(rgb_) +
                         " \\( -size 37x29 gradient:white-black -level 20%,80% \\)"
                         " -alpha off -compose CopyOpacity -composite PNG32:" +
                         quote(rgba_)));
    }

    zvtest::TempDir dir_;
    std::string rgb_, rgba_;
};

std::string identify(const std::string &path, const std::string &format)
{
    std::string out = path + ".txt";
    run("identify -format " + quote(format) + " " + quote(path) + " > " + quote(out));
    std::vector<uint8_t> text = zvtest::read_file(out);
    return std::string(text.begin(), text.end());
}

/* Largest difference of any channel between the frame and the reference. */
int worst_diff(const sn_image_t *image, const zvtest::Rgba &ref)
{
    int worst = 0;
    for (int y = 0; y < image->height; y++) {
        for (int x = 0; x < image->width; x++) {
            worst = std::max(worst, cfx::channel_diff(image->frames[0].rows[y][x], ref.at(x, y)));
        }
    }
    return worst;
}

TEST_F(PngTest, DecodesEveryKindLikeImageMagick)
{
    struct Case {
        const char *name;
        bool alpha_source;
        const char *args;
        const char *ihdr; /* bit depth and colour type that the file must have */
        int has_alpha;
        int tolerance; /* 16-bit samples: the high byte against a rounded one */
    } cases[] = {
        {"rgb", false, "PNG24:", "8 2", 0, 0},
        {"rgba", true, "PNG32:", "8 6", 1, 0},
        {"palette", false, "-colors 40 PNG8:", "8 3", 0, 0},
        {"palette-trns", true, "-colors 40 PNG8:", "8 3", 1, 0},
        {"gray1", false,
         "-colorspace Gray -define png:bit-depth=1 -define png:color-type=0 PNG:", "1 0", 0, 0},
        {"gray2", false,
         "-colorspace Gray -define png:bit-depth=2 -define png:color-type=0 PNG:", "2 0", 0, 0},
        {"gray4", false,
         "-colorspace Gray -define png:bit-depth=4 -define png:color-type=0 PNG:", "4 0", 0, 0},
        {"gray8", false,
         "-colorspace Gray -define png:bit-depth=8 -define png:color-type=0 PNG:", "8 0", 0, 0},
        {"gray16", false, "-colorspace Gray -depth 16 -define png:color-type=0 PNG:", "16 0", 0, 1},
        {"gray-alpha", true, "-colorspace Gray -define png:color-type=4 PNG:", "8 4", 1, 0},
        {"rgb16", false, "-depth 16 PNG48:", "16 2", 0, 1},
        {"rgba16-adam7", true, "-depth 16 -interlace PNG PNG64:", "16 6", 1, 1},
        {"rgba-adam7", true, "-interlace PNG PNG32:", "8 6", 1, 0},
        {"palette-adam7", false, "-colors 16 -interlace PNG PNG8:", "8 3", 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir_.file(std::string(c.name) + ".png");
        ASSERT_EQ(
            0, run("convert " + quote(c.alpha_source ? rgba_ : rgb_) + " " + c.args + quote(path)));
        ASSERT_EQ(c.ihdr, identify(path, "%[png:IHDR.bit-depth-orig] %[png:IHDR.color-type-orig]"));

        zvtest::Rgba ref;
        ASSERT_TRUE(zvtest::magick_decode(path, &ref));
        sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(SN_IMAGE_FORMAT_PNG, image->format);
        EXPECT_EQ(1, image->frame_count);
        EXPECT_EQ(c.has_alpha, image->has_alpha);
        ASSERT_EQ(ref.width, image->width);
        ASSERT_EQ(ref.height, image->height);
        EXPECT_LE(worst_diff(image, ref), c.tolerance);
        sn_image_destroy(image);
    }
}

TEST_F(PngTest, InterlacedLoadsLikeItsPlainTwin)
{
    std::string plain = dir_.file("plain.png"), adam7 = dir_.file("adam7.png");
    ASSERT_EQ(0, run("convert " + quote(rgba_) + " PNG32:" + quote(plain)));
    ASSERT_EQ(0, run("convert " + quote(rgba_) + " -interlace PNG PNG32:" + quote(adam7)));
    ASSERT_EQ("1", identify(adam7, "%[png:IHDR.interlace_method]").substr(0, 1));
    sn_image_t *a = sn_image_create_from_file(plain.c_str(), -1);
    sn_image_t *b = sn_image_create_from_file(adam7.c_str(), -1);
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    ASSERT_EQ(a->width, b->width);
    ASSERT_EQ(a->height, b->height);
    EXPECT_EQ(0, memcmp(a->frames[0].pixels, b->frames[0].pixels,
                        (size_t)a->width * (size_t)a->height * 4));
    sn_image_destroy(a);
    sn_image_destroy(b);
}

sn_image_t *make_image(int width, int height)
{
    sn_image_t *image = sn_image_create(width, height, 1);
    if (!image || sn_image_allocate_frame(image, 0) != 0)
        return image;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            image->frames[0].rows[y][x] = SN_PIXEL((x * 37 + y * 11) & 255, (x * 255) / width,
                                                   (y * 255) / height, (x * y) & 255);
    return image;
}

TEST_F(PngTest, WriterIsLosslessAndChoosesRgbOrRgba)
{
    struct Case {
        const char *name;
        int has_alpha;
        int transparent;
        bool null_params;
        const char *ihdr;
    } cases[] = {
        {"opaque", 0, 0, false, "8 2"},
        {"opaque-null-params", 0, 0, true, "8 2"},
        {"transparent-asked", 0, 1, false, "8 6"},
        {"has-alpha", 1, 0, false, "8 6"},
    };
    sn_image_t *image = make_image(53, 31);
    ASSERT_NE(nullptr, image);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        image->has_alpha = c.has_alpha;
        sn_image_write_params_t params = {90, 32, 0, c.transparent};
        std::string path = dir_.file(std::string(c.name) + ".png");
        ASSERT_EQ(0, sn_image_save(image, path.c_str(), 0, c.null_params ? nullptr : &params));
        EXPECT_EQ(c.ihdr, identify(path, "%[png:IHDR.bit-depth-orig] %[png:IHDR.color-type-orig]"));

        zvtest::Rgba back;
        ASSERT_TRUE(zvtest::magick_decode(path, &back));
        ASSERT_EQ(53, back.width);
        ASSERT_EQ(31, back.height);
        bool rgba = c.ihdr[2] == '6';
        int wrong = 0;
        for (int y = 0; y < 31; y++) {
            for (int x = 0; x < 53; x++) {
                uint32_t p = image->frames[0].rows[y][x];
                uint32_t want = rgba ? p : (p | 0xFFu);
                wrong += back.at(x, y) != want;
            }
        }
        EXPECT_EQ(0, wrong);

        sn_image_t *again = sn_image_create_from_file(path.c_str(), -1);
        ASSERT_NE(nullptr, again);
        EXPECT_EQ(rgba ? 1 : 0, again->has_alpha);
        EXPECT_EQ(0, worst_diff(again, back));
        sn_image_destroy(again);
    }
    sn_image_destroy(image);
}

TEST_F(PngTest, FailedWriteRemovesThePartialFile)
{
    sn_image_t *image = make_image(400, 400);
    ASSERT_NE(nullptr, image);
    zvtest::LogCapture log;
    std::string missing = dir_.file("no-such-folder/out.png");
    EXPECT_EQ(-1, sn_image_save(image, missing.c_str(), SN_IMAGE_FORMAT_PNG, nullptr));
    EXPECT_TRUE(log.contains("fopen FAILED!"));

    /* A file-size limit makes the library's writes fail part-way. */
    std::string path = dir_.file("cut.png");
    log.clear();
    int rc = 0;
    ASSERT_NO_FATAL_FAILURE(cfx::save_with_size_limit(image, path, SN_IMAGE_FORMAT_PNG, 4096, &rc));
    EXPECT_EQ(-1, rc);
    EXPECT_TRUE(log.contains("FAILED!"));
    EXPECT_FALSE(zvtest::file_exists(path));
    sn_image_destroy(image);
}

/* Rewrites the IHDR's width and height and its CRC, so that only the numbers
 * are wrong. */
std::vector<uint8_t> with_ihdr_size(std::vector<uint8_t> bytes, uint32_t width, uint32_t height)
{
    auto put = [&](size_t at, uint32_t v) {
        bytes[at] = (uint8_t)(v >> 24);
        bytes[at + 1] = (uint8_t)(v >> 16);
        bytes[at + 2] = (uint8_t)(v >> 8);
        bytes[at + 3] = (uint8_t)v;
    };
    put(16, width);
    put(20, height);
    uLong crc = crc32(0L, &bytes[12], 17); /* type + 13 data bytes */
    put(29, (uint32_t)crc);
    return bytes;
}

TEST_F(PngTest, BrokenFilesFailAndTheNextLoads)
{
    std::string good = dir_.file("good.png");
    ASSERT_EQ(0, run("convert " + quote(rgba_) + " PNG32:" + quote(good)));
    std::vector<uint8_t> bytes = zvtest::read_file(good);
    ASSERT_GT(bytes.size(), 200u);
    ASSERT_EQ(0, memcmp(&bytes[12], "IHDR", 4));
    std::string adam7 = dir_.file("adam7.png");
    ASSERT_EQ(0, run("convert " + quote(rgba_) + " -interlace PNG PNG32:" + quote(adam7)));
    std::vector<uint8_t> abytes = zvtest::read_file(adam7);

    std::vector<uint8_t> bad_crc = bytes;
    bad_crc[29] ^= 0x55;
    std::vector<uint8_t> wrong_magic = bytes;
    wrong_magic[1] = 'Q';
    auto cut = [](const std::vector<uint8_t> &b, size_t n) {
        return std::vector<uint8_t>(b.begin(), b.begin() + (long)n);
    };

    std::vector<cfx::BrokenCase> cases = {
        {"empty", {}, "unknown file type!"},
        {"three bytes", cut(bytes, 3), "unknown file type!"},
        {"wrong magic", wrong_magic, "unknown file type!"},
        {"signature only", cut(bytes, 8), "FAILED!"},
        {"cut in the header", cut(bytes, 20), "FAILED!"},
        {"cut in the data", cut(bytes, bytes.size() / 2), "FAILED!"},
        {"cut before the end chunk", cut(bytes, bytes.size() - 12), "FAILED!"},
        {"interlaced cut", cut(abytes, abytes.size() * 2 / 3), "FAILED!"},
        {"bad header crc", bad_crc, "FAILED!"},
        {"huge dimensions", with_ihdr_size(bytes, 60000, 60000), "frame size FAILED!"},
        /* Within the frame cap, but more rows than deflate can code in the
         * file's bytes: refused before a frame is allocated. */
        {"more rows than the data can hold", with_ihdr_size(bytes, 20000, 20000),
         "image size FAILED!"},
        {"beyond the library limit", with_ihdr_size(bytes, 0x7FFFFFFF, 1), "FAILED!"},
        /* A 4 MB frame that only libpng's own width limit refuses. */
        {"over the library's user limit", with_ihdr_size(bytes, 1000001, 1), "exceeds user limit"},
        {"zero width", with_ihdr_size(bytes, 0, 29), "FAILED!"},
        {"zero height", with_ihdr_size(bytes, 37, 0), "FAILED!"},
    };
    cfx::expect_broken_files_fail(dir_, ".png", cases, good, 37, 1);
}

/* 44 bytes: the signature, a 1 x 1 gray header and the start of an
 * ancillary chunk that claims a length near 2 GiB. */
std::vector<uint8_t> huge_chunk_png(const char type[4])
{
    std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto put32 = [&](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            b.push_back((uint8_t)(v >> shift));
    };
    put32(13);
    const uint8_t ihdr[17] = {'I', 'H', 'D', 'R', 0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0};
    b.insert(b.end(), ihdr, ihdr + sizeof ihdr);
    put32((uint32_t)crc32(0L, ihdr, sizeof ihdr));
    put32(0x7FFFFFF0u);
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), {'k', 'e', 'y'});
    return b;
}

/* libpng used to allocate and clear the length a text or sPLT chunk claims
 * before it found the file short: 2 GiB and several seconds for 44 bytes.
 * Each load runs in a child whose peak memory is read back. */
TEST_F(PngTest, HugeAncillaryChunkIsRefusedWithoutItsAllocation)
{
    std::string good = dir_.file("good.png");
    ASSERT_EQ(0, run("convert " + quote(rgba_) + " PNG32:" + quote(good)));
    for (const char *type : {"tEXt", "zTXt", "iTXt", "sPLT", "prVt"}) {
        SCOPED_TRACE(type);
        std::vector<uint8_t> bytes = huge_chunk_png(type);
        ASSERT_EQ(44u, bytes.size());
        std::string path = dir_.file(std::string("huge-") + type + ".png");
        ASSERT_TRUE(zvtest::write_file(path, bytes));
        cfx::ChildLoad load = cfx::load_in_child(path);
        ASSERT_TRUE(load.ran);
        EXPECT_FALSE(load.loaded);
        EXPECT_LT(load.peak_kib, cfx::k_refusal_peak_kib);
    }
    cfx::expect_broken_files_fail(dir_, ".png", {{"huge text", huge_chunk_png("tEXt"), "FAILED!"}},
                                  good, 37, 1);
}

} // namespace
