/*
 * TIFF codec: files made by ImageMagick decode as ImageMagick decodes them
 * (alpha kinds included), grey with alpha keeps the file's own alpha at 8 and
 * 16 bits, written files read back losslessly, and damaged files (a cut
 * colour map among them) fail cleanly.
 */
#include "image/sn_image.h"
#include "zv_test.h"

#include "codec_fixture.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace
{

using zvtest::quote;
using zvtest::run;

/* 8-bit sources, so that the files made from them are 8-bit too. */
class TiffTest : public cfx::MagickSourceTest
{
protected:
    TiffTest()
    {
        source_tail = " -depth 8";
    }
};

TEST_F(TiffTest, DecodesLikeImageMagick)
{
    std::string src = source();
    std::string alpha = alpha_source();
    enum Alpha { kOpaque, kAssociated, kUnassociated };
    struct Case {
        const char *name;
        std::string args;
        Alpha alpha;
        int tolerance;
    } cases[] = {
        {"rgb.tif", quote(src) + " -compress None", kOpaque, 0},
        {"gray.tif", quote(src) + " -colorspace Gray -compress None", kOpaque, 0},
        {"lzw.tif", quote(src) + " -compress LZW", kOpaque, 0},
        {"deflate.tif", quote(src) + " -compress Zip", kOpaque, 0},
        /* libtiff takes the high byte of 16-bit map entries; ImageMagick rounds. */
        {"palette.tif", quote(src) + " -colors 16 -type Palette -compress None", kOpaque, 1},
        {"rgb16.tif", quote(src) + " -depth 16 -compress None", kOpaque, 1},
        {"tiles.tif", quote(src) + " -define tiff:tile-geometry=16x16 -compress LZW", kOpaque, 0},
        {"jpeg.tif", quote(src) + " -compress JPEG -quality 90", kOpaque, 6},
        /* Un-premultiplying rounds here, ImageMagick truncates. */
        {"associated.tif", quote(alpha) + " -alpha on -define tiff:alpha=associated -compress Zip",
         kAssociated, 1},
        {"unassociated.tif",
         quote(alpha) + " -alpha on -define tiff:alpha=unassociated -compress None", kUnassociated,
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = make(c.name, c.args);
        zvtest::Rgba want;
        ASSERT_TRUE(zvtest::magick_decode(path, &want));

        sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(SN_IMAGE_FORMAT_TIFF, image->format);
        EXPECT_EQ(c.alpha == kOpaque ? 0 : 1, image->has_alpha);
        ASSERT_EQ(want.width, image->width);
        ASSERT_EQ(want.height, image->height);
        int bad = 0, worst = 0, translucent = 0;
        for (int y = 0; y < image->height; y++)
            for (int x = 0; x < image->width; x++) {
                uint32_t expect = want.at(x, y);
                if (c.alpha == kUnassociated) {
                    /* Unassociated alpha keeps its stored colours, not
                     * darkened ones, and its transparency. */
                    translucent += SN_PIXEL_A(expect) > 0 && SN_PIXEL_A(expect) < 255;
                } else if (c.alpha == kOpaque) {
                    expect |= 0xFFu;
                } else if (SN_PIXEL_A(expect) == 0) {
                    expect = 0; /* no colour survives a zero alpha */
                }
                int d = cfx::channel_diff(image->frames[0].rows[y][x], expect);
                worst = d > worst ? d : worst;
                bad += d > c.tolerance;
            }
        EXPECT_EQ(0, bad) << "worst difference " << worst;
        if (c.alpha == kUnassociated) {
            EXPECT_GT(translucent, 0);
        }
        sn_image_destroy(image);
    }
}

/* Every orientation comes out as the tag says, as ImageMagick's auto-orient
 * turns it; 5 to 8 trade the stored sides. Gray with alpha keeps its alpha. */
TEST_F(TiffTest, OrientationsAndGrayAlpha)
{
    std::string src = make("small.png", "-seed 5 -size 13x7 plasma:fractal -depth 8");
    const char *names[8] = {"TopLeft", "TopRight", "BottomRight", "BottomLeft",
                            "LeftTop", "RightTop", "RightBottom", "LeftBottom"};
    for (int o = 1; o <= 8; o++) {
        SCOPED_TRACE(names[o - 1]);
        std::string path = make("orient" + std::to_string(o) + ".tif",
                                quote(src) + " -orient " + names[o - 1] + " -compress None");
        std::string turned =
            make("orient" + std::to_string(o) + ".png", quote(path) + " -auto-orient");
        zvtest::Rgba want;
        ASSERT_TRUE(zvtest::magick_decode(turned, &want));
        ASSERT_EQ(o >= 5 ? 7 : 13, want.width);
        sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
        ASSERT_NE(nullptr, image);
        ASSERT_EQ(want.width, image->width);
        ASSERT_EQ(want.height, image->height);
        int bad = 0;
        for (int y = 0; y < image->height; y++)
            for (int x = 0; x < image->width; x++)
                bad += image->frames[0].rows[y][x] != want.at(x, y);
        EXPECT_EQ(0, bad);
        sn_image_destroy(image);
    }

    std::string gray_alpha =
        make("gray-alpha.tif", quote(alpha_source()) + " -colorspace Gray -compress None");
    zvtest::Rgba want;
    ASSERT_TRUE(zvtest::magick_decode(gray_alpha, &want));
    sn_image_t *image = sn_image_create_from_file(gray_alpha.c_str(), -1);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(1, image->has_alpha);
    int bad = 0, translucent = 0;
    for (int y = 0; y < image->height; y++)
        for (int x = 0; x < image->width; x++) {
            bad += image->frames[0].rows[y][x] != want.at(x, y);
            translucent += SN_PIXEL_A(want.at(x, y)) < 255;
        }
    EXPECT_EQ(0, bad);
    EXPECT_GT(translucent, 0);
    sn_image_destroy(image);
}

TEST_F(TiffTest, BigEndianFilesAreNotClaimed)
{
    std::string path =
        make("big.tif", "-define tiff:endian=msb " + quote(source()) + " -compress None");
    std::vector<uint8_t> bytes = zvtest::read_file(path);
    ASSERT_GE(bytes.size(), 2u);
    ASSERT_EQ('M', bytes[0]);
    zvtest::LogCapture log;
    EXPECT_EQ(nullptr, sn_image_create_from_file(path.c_str(), -1));
    EXPECT_TRUE(log.contains("unknown file type!"));
    EXPECT_EQ(0, sn_image_guess_format(path.c_str()));
}

/* Offset of the value of tag in the first directory of a little-endian
 * classic TIFF, or 0. */
size_t tag_value(const std::vector<uint8_t> &b, int tag)
{
    auto u16 = [&](size_t p) { return (size_t)(b[p] | b[p + 1] << 8); };
    auto u32 = [&](size_t p) { return u16(p) | u16(p + 2) << 16; };
    if (b.size() < 8)
        return 0;
    size_t ifd = u32(4);
    if (ifd + 2 > b.size())
        return 0;
    size_t count = u16(ifd);
    for (size_t i = 0; i < count && ifd + 2 + i * 12 + 12 <= b.size(); i++) {
        size_t e = ifd + 2 + i * 12;
        if ((int)u16(e) == tag)
            return e + 8;
    }
    return 0;
}

void put_value(std::vector<uint8_t> &b, size_t at, int type, uint32_t value)
{
    b[at] = (uint8_t)value;
    b[at + 1] = (uint8_t)(value >> 8);
    if (type == 4) {
        b[at + 2] = (uint8_t)(value >> 16);
        b[at + 3] = (uint8_t)(value >> 24);
    }
}

TEST_F(TiffTest, DamagedFilesFailAndTheNextFileLoads)
{
    std::string good = make("good.tif", quote(source()) + " -compress LZW");
    std::vector<uint8_t> bytes = zvtest::read_file(good);
    size_t width_at = tag_value(bytes, 256);
    size_t height_at = tag_value(bytes, 257);
    ASSERT_GT(width_at, 0u);
    ASSERT_GT(height_at, 0u);
    int width_type = bytes[width_at - 6];
    int height_type = bytes[height_at - 6];

    std::vector<cfx::BrokenCase> cases;
    /* Cuts in the header, the strip data and the directory (a cut in the
     * trailing colorimetry values only loses those tags, so none is made
     * there). */
    size_t ifd = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | (size_t)bytes[7] << 24;
    ASSERT_LT(ifd + 40, bytes.size());
    for (size_t cut : {(size_t)3, (size_t)8, (size_t)40, bytes.size() / 2, ifd + 1, ifd + 40})
        cases.push_back({"cut-" + std::to_string(cut),
                         std::vector<uint8_t>(bytes.begin(), bytes.begin() + (long)cut),
                         cut < 4 ? "unknown file type!" : "FAILED!"});
    cases.push_back({"empty", {}, "unknown file type!"});
    std::vector<uint8_t> magic = bytes;
    magic[2] = '+';
    cases.push_back({"magic", magic, "unknown file type!"});
    std::vector<uint8_t> huge = bytes;
    put_value(huge, width_at, width_type, width_type == 4 ? 0x7FFFFFFFu : 0xFFFFu);
    put_value(huge, height_at, height_type, width_type == 4 ? 0x7FFFFFFFu : 0xFFFFu);
    cases.push_back({"huge", huge, "FAILED!"});
    std::vector<uint8_t> zero = bytes;
    put_value(zero, width_at, width_type, 0);
    cases.push_back({"zero", zero, "FAILED!"});
    /* Within the frame cap but far beyond what the file holds: the first
     * strip it cannot decode ends the read. */
    std::vector<uint8_t> tall = bytes;
    put_value(tall, height_at, height_type, 20000);
    cases.push_back({"tall", tall, "FAILED!", "[libtiff]"}); /* the library's own report too */
    /* A colour kind the RGBA reader does not handle (LogL without its
     * compression): refused before a frame is made. */
    std::vector<uint8_t> logl = bytes;
    size_t photometric_at = tag_value(bytes, 262);
    ASSERT_GT(photometric_at, 0u);
    put_value(logl, photometric_at, 3, 32844);
    cases.push_back({"logl", logl, "TIFFReadRGBAImage FAILED!\n"});

    cfx::expect_broken_files_fail(dir, ".tif", cases, good, 40);
}

/* An 8-bit palette file whose ColorMap lies past its end, so that libtiff
 * cannot read it whole and would decode the indices as grey: refused. (With
 * fewer bits libtiff itself refuses a palette without its map.) */
TEST_F(TiffTest, PaletteWithACutColorMapFails)
{
    std::string good =
        make("palette.tif", quote(source()) + " -colors 200 -type Palette -compress None");
    std::vector<uint8_t> bytes = zvtest::read_file(good);
    size_t map_at = tag_value(bytes, 320);
    ASSERT_GT(map_at, 0u);
    std::vector<uint8_t> cut = bytes;
    put_value(cut, map_at, 4, (uint32_t)bytes.size() - 64);
    cfx::expect_broken_files_fail(dir, ".tif", {{"cut-colormap", cut, "ColorMap FAILED!"}}, good,
                                  40);
}

/* The file's own grey and alpha samples at pixel (x, y), scaled to 8 bits
 * and rounded, read by scanline. */
struct GreyAlpha {
    int width = 0, height = 0;
    std::vector<int> grey, alpha;
};

bool read_grey_alpha_samples(const std::string &path, GreyAlpha *out)
{
    TIFF *tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return false;
    uint32_t w = 0, h = 0;
    uint16_t bits = 0, samples = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    bool ok = samples == 2 && (bits == 8 || bits == 16) && !TIFFIsTiled(tif);
    std::vector<uint8_t> line(ok ? (size_t)TIFFScanlineSize(tif) : 0);
    out->width = (int)w;
    out->height = (int)h;
    for (uint32_t y = 0; ok && y < h; y++) {
        ok = TIFFReadScanline(tif, line.data(), y, 0) == 1;
        for (uint32_t x = 0; ok && x < w; x++) {
            int g, a;
            if (bits == 16) {
                const uint16_t *p = (const uint16_t *)(void *)line.data() + x * 2;
                g = (p[0] * 255 + 32767) / 65535;
                a = (p[1] * 255 + 32767) / 65535;
            } else {
                g = line[x * 2];
                a = line[x * 2 + 1];
            }
            out->grey.push_back(g);
            out->alpha.push_back(a);
        }
    }
    TIFFClose(tif);
    return ok;
}

/* Grey with alpha at 8 and 16 bits, associated and unassociated: every
 * alpha within 1 of the file's own, and the grey too (associated grey is
 * compared premultiplied, as stored). A tiled copy of each decodes the same. */
TEST_F(TiffTest, GreyAlphaKeepsTheFilesAlpha)
{
    std::string src = alpha_source();
    for (int depth : {8, 16})
        for (const char *kind : {"unassociated", "associated"}) {
            const std::string name = std::string(kind) + std::to_string(depth);
            SCOPED_TRACE(name);
            const std::string args = quote(src) + " -colorspace Gray -alpha on -depth " +
                                     std::to_string(depth) + " -define tiff:alpha=" + kind +
                                     " -compress Zip -define tiff:predictor=2";
            std::string path = make(name + ".tif", args);
            std::string tiled =
                make(name + "-tiled.tif", args + " -define tiff:tile-geometry=16x16");
            GreyAlpha want;
            ASSERT_TRUE(read_grey_alpha_samples(path, &want));
            const bool associated = kind[0] == 'a';
            for (const std::string &file : {path, tiled}) {
                sn_image_t *image = sn_image_create_from_file(file.c_str(), -1);
                ASSERT_NE(nullptr, image);
                EXPECT_EQ(1, image->has_alpha);
                ASSERT_EQ(want.width, image->width);
                ASSERT_EQ(want.height, image->height);
                int bad = 0, translucent = 0;
                for (int y = 0; y < want.height; y++)
                    for (int x = 0; x < want.width; x++) {
                        const uint32_t p = image->frames[0].rows[y][x];
                        const int i = y * want.width + x;
                        const int a = (int)SN_PIXEL_A(p), g = (int)SN_PIXEL_R(p);
                        const int shown = associated ? (g * a + 127) / 255 : g;
                        bad += abs(a - want.alpha[i]) > 1 || abs(shown - want.grey[i]) > 1 ||
                               SN_PIXEL_G(p) != SN_PIXEL_R(p) || SN_PIXEL_B(p) != SN_PIXEL_R(p);
                        translucent += want.alpha[i] < 250;
                    }
                EXPECT_EQ(0, bad) << file;
                EXPECT_GT(translucent, 0);
                sn_image_destroy(image);
            }
        }
}

sn_image_t *pattern(int width, int height, bool alpha)
{
    return zvtest::make_image(width, height, alpha, [alpha](int x, int y) {
        return SN_PIXEL(alpha ? (x * 37 + y) & 0xFF : 255, (x * 7) & 0xFF, (y * 11) & 0xFF,
                        (x * y) & 0xFF);
    });
}

TEST_F(TiffTest, WritesLosslessLittleEndianFiles)
{
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha ? "rgba" : "rgb");
        sn_image_t *image = pattern(33, 21, alpha);
        ASSERT_NE(nullptr, image);
        std::string path = dir.file(alpha ? "rgba.tif" : "rgb.tif");
        ASSERT_EQ(0, sn_image_save(image, path.c_str(), SN_IMAGE_FORMAT_TIFF, nullptr));
        std::vector<uint8_t> bytes = zvtest::read_file(path);
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_EQ(0, memcmp(bytes.data(), "II*\0", 4));
        EXPECT_EQ("33 21 8", cfx::identify_first(path, "%w %h %z"));
        size_t samples = tag_value(bytes, 277);
        ASSERT_GT(samples, 0u);
        EXPECT_EQ(alpha ? 4 : 3, bytes[samples]);
        /* The fourth sample is declared unassociated alpha (2). */
        size_t extra = tag_value(bytes, 338);
        if (alpha) {
            ASSERT_GT(extra, 0u);
            EXPECT_EQ(2, bytes[extra]);
        } else {
            EXPECT_EQ(0u, extra);
        }
        size_t compression = tag_value(bytes, 259);
        if (compression) {
            EXPECT_EQ(1, bytes[compression]); /* uncompressed */
        }

        zvtest::Rgba got;
        ASSERT_TRUE(zvtest::magick_decode(path, &got));
        int bad = 0;
        for (int y = 0; y < 21; y++)
            for (int x = 0; x < 33; x++)
                bad += got.at(x, y) != image->frames[0].rows[y][x];
        EXPECT_EQ(0, bad);

        /* Its own files read back with their alpha and their colours. */
        sn_image_t *back = sn_image_create_from_file(path.c_str(), -1);
        ASSERT_NE(nullptr, back);
        EXPECT_EQ(alpha ? 1 : 0, back->has_alpha);
        bad = 0;
        for (int y = 0; y < 21; y++)
            for (int x = 0; x < 33; x++)
                bad += back->frames[0].rows[y][x] != image->frames[0].rows[y][x];
        EXPECT_EQ(0, bad);
        sn_image_destroy(back);
        sn_image_destroy(image);
    }
}

TEST_F(TiffTest, FailedWritesLeaveNoFile)
{
    sn_image_t *image = pattern(300, 300, false);
    ASSERT_NE(nullptr, image);
    std::string missing = dir.file("no/such/dir/out.tif");
    std::string full = dir.file("full.tif");
    ASSERT_EQ(0, symlink("/dev/full", full.c_str()));
    for (const std::string &path : {missing, full}) {
        SCOPED_TRACE(path);
        zvtest::LogCapture log;
        EXPECT_EQ(-1, sn_image_save(image, path.c_str(), SN_IMAGE_FORMAT_TIFF, nullptr));
        EXPECT_TRUE(log.contains(path == missing ? "TIFFOpen FAILED!\n" : "FAILED!"));
        EXPECT_FALSE(zvtest::file_exists(path));
    }
    sn_image_destroy(image);
}

} // namespace
