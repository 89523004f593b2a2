/*
 * GIF codec: files made by ImageMagick decode as ImageMagick decodes them,
 * written files read back within their palette, and damaged files fail
 * cleanly.
 */
#include "image/sn_image.h"
#include "image/sn_image_codec.h"
#include "zv_test.h"

#include "codec_fixture.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace
{

using zvtest::quote;
using zvtest::run;

using GifTest = cfx::MagickSourceTest;

/* ImageMagick's decode of one frame of a file, uncoalesced: the frame's own
 * image at its own size. */
bool magick_frame(const std::string &path, int index, zvtest::Rgba *out)
{
    zvtest::TempDir tmp;
    std::string frame = tmp.file("frame.png");
    if (run("convert " + quote(path + "[" + std::to_string(index) + "]") + " +repage " +
            quote(frame) + " 2>/dev/null") != 0)
        return false;
    return zvtest::magick_decode(frame, out);
}

int frames_in(const std::string &path)
{
    zvtest::TempDir tmp;
    std::string out = tmp.file("n");
    run("identify -format '%n\\n' " + quote(path) + " 2>/dev/null | head -1 > " + quote(out));
    std::ifstream in(out);
    int n = 0;
    in >> n;
    return n;
}

/* Where the first image descriptor of a GIF starts, or 0. */
size_t image_descriptor(const std::vector<uint8_t> &b)
{
    if (b.size() < 13)
        return 0;
    size_t p = 13;
    if (b[10] & 0x80)
        p += 3u << ((b[10] & 7) + 1);
    while (p < b.size()) {
        if (b[p] == 0x2C)
            return p;
        if (b[p] != 0x21 || p + 2 >= b.size())
            return 0;
        p += 2;
        while (p < b.size() && b[p] != 0)
            p += b[p] + 1u;
        p++;
    }
    return 0;
}

uint32_t white_clear()
{
    return SN_PIXEL(0, 255, 255, 255);
}

TEST_F(GifTest, DecodesLikeImageMagick)
{
    std::string src = source();
    std::string alpha = alpha_source();
    std::string flop = make("flop.png", quote(src) + " -flop");
    std::string gray = make("gray.png", quote(src) + " -negate");
    struct Case {
        const char *name;
        std::string args;
        int has_alpha;
    } cases[] = {
        {"plain.gif", quote(src) + " -colors 64", 0},
        {"interlaced.gif", quote(src) + " -colors 64 -interlace GIF", 0},
        {"transparent.gif", quote(alpha) + " -colors 32", 1},
        {"animated.gif",
         "-delay 10 " + quote(src) + " " + quote(flop) + " " + quote(gray) + " -colors 32 -loop 0",
         0},
        {"local-maps.gif",
         "\\( " + quote(src) + " -colors 8 \\) \\( " + quote(flop) + " -colors 16 \\)", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = make(c.name, c.args);
        int last = frames_in(path) - 1;
        ASSERT_GE(last, 0);
        zvtest::Rgba want;
        ASSERT_TRUE(magick_frame(path, last, &want));

        sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(SN_IMAGE_FORMAT_GIF, image->format);
        EXPECT_EQ(1, image->frame_count);
        EXPECT_EQ(c.has_alpha, image->has_alpha);
        ASSERT_EQ(want.width, image->width);
        ASSERT_EQ(want.height, image->height);
        int bad = 0, clear = 0;
        for (int y = 0; y < image->height; y++)
            for (int x = 0; x < image->width; x++) {
                uint32_t expect = want.at(x, y);
                if (SN_PIXEL_A(expect) == 0) {
                    expect = white_clear();
                    clear++;
                }
                bad += image->frames[0].rows[y][x] != expect;
            }
        EXPECT_EQ(0, bad);
        if (c.has_alpha) {
            EXPECT_GT(clear, 0);
        }
        sn_image_destroy(image);
    }
}

/* The frame takes the first image's size; every later image is drawn over
 * the ones before it at its own offset from the first image, clipped to the
 * frame, and its transparent pixels leave what lies below. */
TEST_F(GifTest, LaterImagesAreDrawnAtTheirPlacesOverTheEarlierOnes)
{
    const uint32_t red = SN_PIXEL(255, 255, 0, 0), blue = SN_PIXEL(255, 0, 0, 255);
    struct Rect {
        int x, y, w, h;
    };
    struct Case {
        const char *name;
        std::string args;
        int width, height;
        std::vector<Rect> blue; /* over a red picture */
    } cases[] = {
        {"larger.gif", "-size 8x6 xc:red -size 20x16 xc:blue", 8, 6, {{0, 0, 8, 6}}},
        {"smaller.gif",
         "-size 20x16 xc:red \\( -size 8x6 xc:blue -repage +5+3 \\)",
         20,
         16,
         {{5, 3, 8, 6}}},
        {"wider.gif", "-size 10x10 xc:red -size 30x4 xc:blue", 10, 10, {{0, 0, 10, 4}}},
        /* The first image's own offset is the frame's origin: a later image
         * to its upper left lands partly outside. */
        {"first-offset.gif",
         "\\( -size 10x10 xc:red -repage 20x20+4+4 \\) "
         "\\( -size 12x12 xc:blue -repage 20x20+0+0 \\)",
         10,
         10,
         {{0, 0, 8, 8}}},
        {"see-through-patch.gif",
         "-size 10x10 xc:red \\( -size 10x10 xc:none -fill blue -draw 'point 2,3' "
         "-draw 'point 7,8' \\)",
         10,
         10,
         {{2, 3, 1, 1}, {7, 8, 1, 1}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = make(c.name, c.args);
        sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
        ASSERT_NE(nullptr, image);
        ASSERT_EQ(c.width, image->width);
        ASSERT_EQ(c.height, image->height);
        EXPECT_EQ(0, image->has_alpha);
        int bad = 0;
        for (int y = 0; y < c.height; y++)
            for (int x = 0; x < c.width; x++) {
                uint32_t expect = red;
                for (const Rect &r : c.blue)
                    if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h)
                        expect = blue;
                bad += image->frames[0].rows[y][x] != expect;
            }
        EXPECT_EQ(0, bad);
        sn_image_destroy(image);
    }
}

/* An animation optimised the way encoders store them (each later image only
 * the patch that changes, unchanged pixels transparent) loads as its last
 * displayed picture, as ImageMagick composes it. */
TEST_F(GifTest, OptimisedAnimationLoadsAsItsLastPicture)
{
    std::string src = source();
    std::string path =
        make("optimised.gif", "-delay 10 " + quote(src) + " \\( " + quote(src) +
                                  " -fill blue -draw 'rectangle 5,4 14,9' \\) \\( " + quote(src) +
                                  " -fill yellow -draw 'rectangle 20,12 33,25' " +
                                  "-fill blue -draw 'rectangle 5,4 14,9' \\) -colors 32 " +
                                  "-layers OptimizeTransparency -loop 0");
    ASSERT_EQ(3, frames_in(path));
    std::string last = dir.file("last.png");
    ASSERT_EQ(0, run("convert " + quote(path) + " -coalesce " + quote(last) + ".%d.png"));
    zvtest::Rgba want;
    ASSERT_TRUE(zvtest::magick_decode(last + ".2.png", &want));

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

TEST_F(GifTest, DamagedFilesFailAndTheNextFileLoads)
{
    std::string good = make("good.gif", quote(source()) + " -colors 64");
    std::vector<uint8_t> bytes = zvtest::read_file(good);
    size_t d = image_descriptor(bytes);
    ASSERT_GT(d, 0u);

    std::vector<cfx::BrokenCase> cases;
    /* Cut inside the screen descriptor or its map, the library's open fails
     * and no reader claims the file. */
    for (size_t cut : {(size_t)4, (size_t)13, d + 4, d + 12, bytes.size() / 2, bytes.size() - 1})
        cases.push_back({"cut-" + std::to_string(cut),
                         std::vector<uint8_t>(bytes.begin(), bytes.begin() + (long)cut),
                         cut <= 13 ? "unknown file type!" : "FAILED!"});
    cases.push_back({"empty", {}, "unknown file type!"});
    std::vector<uint8_t> magic = bytes;
    memcpy(magic.data(), "XIF", 3);
    cases.push_back({"magic", magic, "unknown file type!"});
    std::vector<uint8_t> huge = bytes;
    huge[d + 5] = huge[d + 6] = huge[d + 7] = huge[d + 8] = 0xFF;
    cases.push_back({"huge", huge, "frame size FAILED!"});
    /* Within the frame cap, but more pixels than the file's bytes can code. */
    std::vector<uint8_t> unbacked = bytes;
    unbacked[d + 5] = unbacked[d + 7] = 0x20;
    unbacked[d + 6] = unbacked[d + 8] = 0x4E; /* 20000 x 20000 */
    cases.push_back({"unbacked", unbacked, "image size FAILED!"});
    std::vector<uint8_t> zero = bytes;
    zero[d + 5] = zero[d + 6] = 0;
    cases.push_back({"zero", zero, "frame size FAILED!"});
    std::vector<uint8_t> noimage(bytes.begin(), bytes.begin() + (long)d);
    noimage.push_back(0x3B);
    cases.push_back({"no-image", noimage, "FAILED!"});

    cfx::expect_broken_files_fail(dir, ".gif", cases, good, 40);
}

/* A GIF written byte by byte: a global map of map_entries colours (grey
 * levels 0x30, 0x60, ...), the given extension bytes, and one image of 2-bit
 * indexes. The LZW codes are 3-bit literals, a clear code before every pair,
 * so the table never grows. */
std::vector<uint8_t> tiny_gif(int width, int height, int map_entries,
                              const std::vector<uint8_t> &extension,
                              const std::vector<uint8_t> &indexes)
{
    int bits = 0;
    while ((1 << (bits + 1)) < map_entries)
        bits++;
    std::vector<uint8_t> b = {'G',
                              'I',
                              'F',
                              '8',
                              '9',
                              'a',
                              (uint8_t)width,
                              (uint8_t)(width >> 8),
                              (uint8_t)height,
                              (uint8_t)(height >> 8),
                              (uint8_t)(0x80 | bits),
                              0,
                              0};
    for (int i = 0; i < map_entries; i++)
        b.insert(b.end(), 3, (uint8_t)(0x30 * (i + 1)));
    b.insert(b.end(), extension.begin(), extension.end());
    b.insert(b.end(), {0x2C, 0, 0, 0, 0, (uint8_t)width, (uint8_t)(width >> 8), (uint8_t)height,
                       (uint8_t)(height >> 8), 0, 2});
    std::vector<int> codes;
    for (size_t i = 0; i < indexes.size(); i++) {
        if (i % 2 == 0)
            codes.push_back(4);
        codes.push_back(indexes[i]);
    }
    codes.push_back(5);
    std::vector<uint8_t> data((codes.size() * 3 + 7) / 8, 0);
    for (size_t i = 0; i < codes.size(); i++)
        for (int k = 0; k < 3; k++)
            if (codes[i] >> k & 1)
                data[(i * 3 + k) / 8] |= (uint8_t)(1 << ((i * 3 + k) % 8));
    for (size_t at = 0; at < data.size(); at += 255) {
        size_t n = data.size() - at < 255 ? data.size() - at : 255;
        b.push_back((uint8_t)n);
        b.insert(b.end(), data.begin() + (long)at, data.begin() + (long)(at + n));
    }
    b.push_back(0);
    b.push_back(0x3B);
    return b;
}

/* Image data that ends (with its end code) before the last row, in a file
 * that is otherwise whole: the rows never decoded used to come out as index
 * 0 and the file loaded as if complete. */
TEST_F(GifTest, ImageDataThatEndsEarlyIsRefused)
{
    std::string good = make("good.gif", quote(source()) + " -colors 64");
    const std::vector<uint8_t> two_rows = {0, 1, 2, 3, 3, 2, 1, 0};
    std::vector<cfx::BrokenCase> cases = {
        {"two-of-four-rows", tiny_gif(4, 4, 4, {}, two_rows), "DGifGetLine FAILED!"},
        {"one-pixel-short", tiny_gif(3, 1, 4, {}, {0, 1}), "DGifGetLine FAILED!"},
    };
    cfx::expect_broken_files_fail(dir, ".gif", cases, good, 40);
    /* The same maker with every pixel present loads. */
    std::string whole = dir.file("whole.gif");
    ASSERT_TRUE(zvtest::write_file(whole, tiny_gif(4, 2, 4, {}, two_rows)));
    sn_image_t *image = sn_image_create_from_file(whole.c_str(), -1);
    ASSERT_NE(nullptr, image);
    sn_image_destroy(image);
}

TEST_F(GifTest, IndexesAndControlBlocksOfHandMadeFiles)
{
    auto grey = [](int v) { return SN_PIXEL(255, v, v, v); };
    const uint32_t black = SN_PIXEL(255, 0, 0, 0);
    struct Case {
        const char *name;
        int map_entries;
        std::vector<uint8_t> extension;
        int has_alpha;
        std::vector<uint32_t> want; /* for indexes 0, 1, 2, 3 */
    } cases[] = {
        /* Indexes past a two-colour map are not looked up in it. */
        {"short-map", 2, {}, 0, {grey(0x30), grey(0x60), black, black}},
        {"full-map", 4, {}, 0, {grey(0x30), grey(0x60), grey(0x90), grey(0xC0)}},
        /* The transparent index is the control block's last byte, whatever
         * the block's length; a block too short for one declares none. */
        {"control-5",
         4,
         {0x21, 0xF9, 5, 1, 0, 0, 0, 1, 0},
         1,
         {grey(0x30), white_clear(), grey(0x90), grey(0xC0)}},
        {"control-3",
         4,
         {0x21, 0xF9, 3, 1, 0, 2, 0},
         0,
         {grey(0x30), grey(0x60), grey(0x90), grey(0xC0)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.file(std::string(c.name) + ".gif");
        ASSERT_TRUE(
            zvtest::write_file(path, tiny_gif(4, 1, c.map_entries, c.extension, {0, 1, 2, 3})));
        sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(c.has_alpha, image->has_alpha);
        for (int x = 0; x < 4; x++)
            EXPECT_EQ(c.want[x], image->frames[0].rows[0][x]) << "index " << x;
        sn_image_destroy(image);
    }
}

/* First must be the count of images decoded so far, last -1 or at most
 * 4095; a second read has no frame to go to. */
TEST_F(GifTest, FrameRangeOfTheReader)
{
    std::string path = make("two.gif", "-size 6x4 xc:red -size 6x4 xc:blue");
    const snimage_iformat_t *gif = snimage_find_iformat(SN_IMAGE_FORMAT_GIF);
    ASSERT_NE(nullptr, gif);
    struct Case {
        int first, last, result;
    } cases[] = {{0, -1, 0},    {0, 0, 0},   {0, 4095, 0}, {0, -2, 0},
                 {0, 4096, -1}, {1, -1, -1}, {-1, -1, -1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + "," + std::to_string(c.last));
        sn_image_t *image = sn_image_create(0, 0, 1);
        ASSERT_NE(nullptr, image);
        image->reader->path = strdup(path.c_str());
        image->input_format = gif;
        ASSERT_EQ(0, gif->read_header(image->reader));
        EXPECT_EQ(c.result, gif->read_frames(image->reader, c.first, c.last));
        EXPECT_EQ(c.result == 0, image->frames[0].rows != nullptr);
        if (c.result == 0) {
            EXPECT_EQ(SN_PIXEL(255, 0, 0, 255), image->frames[0].rows[3][5]);
            /* Both images were decoded; no frame follows frame 0. */
            EXPECT_EQ(-1, gif->read_frames(image->reader, 2, -1));
            EXPECT_EQ(-1, gif->read_frames(image->reader, 0, -1));
        }
        sn_image_destroy(image);
    }
}

sn_image_t *quadrants(int width, int height, bool alpha)
{
    sn_image_t *image = sn_image_create(width, height, 1);
    if (!image || sn_image_allocate_frame(image, 0) != 0)
        return nullptr;
    image->has_alpha = alpha ? 1 : 0;
    const uint32_t colors[4] = {SN_PIXEL(255, 255, 0, 0), SN_PIXEL(255, 0, 255, 0),
                                SN_PIXEL(255, 0, 0, 255), SN_PIXEL(255, 17, 34, 51)};
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            uint32_t p = colors[(y >= height / 2) * 2 + (x >= width / 2)];
            if (alpha && x % 3 == 0)
                p = (p & ~0xFFu) | (x % 2 ? 40u : 127u);
            else if (alpha)
                p = (p & ~0xFFu) | (x % 2 ? 128u : 250u);
            image->frames[0].rows[y][x] = p;
        }
    return image;
}

TEST_F(GifTest, WritesFewColoursExactlyAndPaintsSeeThroughPixelsWhite)
{
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha ? "alpha" : "opaque");
        sn_image_t *image = quadrants(21, 13, alpha);
        ASSERT_NE(nullptr, image);
        std::string path = dir.file(alpha ? "alpha-out.gif" : "out.gif");
        ASSERT_EQ(0, sn_image_save(image, path.c_str(), SN_IMAGE_FORMAT_GIF, nullptr));

        /* Made like every other output file, under the user's umask. */
        mode_t mask = umask(0);
        umask(mask);
        struct stat st;
        ASSERT_EQ(0, stat(path.c_str(), &st));
        EXPECT_EQ(0666u & ~(unsigned)mask, st.st_mode & 0777u);
        std::vector<uint8_t> bytes = zvtest::read_file(path);
        ASSERT_GE(bytes.size(), 6u);
        EXPECT_EQ("GIF87a", std::string(bytes.begin(), bytes.begin() + 6));
        /* A global map of 256 entries, and the colour resolution in bits:
         * 2 for the four colours, 3 when white joins them for the
         * see-through pixels. */
        ASSERT_GE(bytes.size(), 13u + 768 + 8);
        EXPECT_EQ(0x80 | 7, bytes[10] & 0x87);
        EXPECT_EQ(alpha ? 3 : 2, ((bytes[10] >> 4) & 7) + 1);
        /* The control block declares no transparent index. */
        const uint8_t *gce = &bytes[13 + 768];
        EXPECT_EQ(0x21, gce[0]);
        EXPECT_EQ(0xF9, gce[1]);
        EXPECT_EQ(4, gce[2]);
        EXPECT_EQ(0, gce[3] & 1);
        /* The screen is the picture's size with background 0; one image
         * descriptor at (0, 0) of that size, not interlaced, no local map;
         * the terminator closes the file. */
        const uint8_t screen[] = {21, 0, 13, 0};
        EXPECT_EQ(0, memcmp(&bytes[6], screen, 4));
        EXPECT_EQ(0, bytes[11]);
        const uint8_t descriptor[] = {0x2C, 0, 0, 0, 0, 21, 0, 13, 0, 0};
        EXPECT_EQ(0, memcmp(gce + 8, descriptor, sizeof descriptor));
        EXPECT_EQ(0x3B, bytes.back());
        EXPECT_EQ("21 13 8", cfx::identify_first(path, "%w %h %z"));
        zvtest::Rgba got;
        ASSERT_TRUE(zvtest::magick_decode(path, &got));
        int bad = 0;
        for (int y = 0; y < 13; y++)
            for (int x = 0; x < 21; x++) {
                uint32_t p = image->frames[0].rows[y][x];
                uint32_t expect =
                    SN_PIXEL_A(p) < 128 && alpha ? SN_PIXEL(255, 255, 255, 255) : (p | 0xFFu);
                bad += got.at(x, y) != expect;
            }
        EXPECT_EQ(0, bad);

        /* Nothing in the file is declared transparent. */
        sn_image_t *back = sn_image_create_from_file(path.c_str(), -1);
        ASSERT_NE(nullptr, back);
        EXPECT_EQ(0, back->has_alpha);
        sn_image_destroy(back);
        sn_image_destroy(image);
    }
}

TEST_F(GifTest, QuantisesManyColoursIntoThePalette)
{
    sn_image_t *image = sn_image_create(64, 48, 1);
    ASSERT_NE(nullptr, image);
    ASSERT_EQ(0, sn_image_allocate_frame(image, 0));
    uint32_t seed = 12345;
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 64; x++) {
            seed = seed * 1103515245u + 12345u;
            int noise = (int)(seed >> 27) - 16;
            auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
            image->frames[0].rows[y][x] =
                SN_PIXEL(255, clamp(x * 4 + noise), clamp(y * 5 - noise), clamp(255 - x * 2 - y));
        }
    std::string path = dir.file("many.gif");
    ASSERT_EQ(0, sn_image_save(image, path.c_str(), SN_IMAGE_FORMAT_GIF, nullptr));
    EXPECT_EQ("64 48 8", cfx::identify_first(path, "%w %h %z"));
    zvtest::Rgba got;
    ASSERT_TRUE(zvtest::magick_decode(path, &got));
    long total = 0;
    int worst = 0;
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 64; x++) {
            uint32_t a = image->frames[0].rows[y][x], b = got.at(x, y);
            int d[3] = {abs((int)SN_PIXEL_R(a) - (int)SN_PIXEL_R(b)),
                        abs((int)SN_PIXEL_G(a) - (int)SN_PIXEL_G(b)),
                        abs((int)SN_PIXEL_B(a) - (int)SN_PIXEL_B(b))};
            for (int v : d) {
                total += v;
                worst = v > worst ? v : worst;
            }
        }
    EXPECT_LT(total / (64.0 * 48 * 3), 12.0);
    EXPECT_LT(worst, 96);
    sn_image_destroy(image);
}

TEST_F(GifTest, FailedWritesLeaveNoFile)
{
    sn_image_t *image = quadrants(8, 8, false);
    ASSERT_NE(nullptr, image);
    std::string missing = dir.file("no/such/dir/out.gif");
    std::string full = dir.file("full.gif");
    ASSERT_EQ(0, symlink("/dev/full", full.c_str()));
    for (const std::string &path : {missing, full}) {
        SCOPED_TRACE(path);
        zvtest::LogCapture log;
        EXPECT_EQ(-1, sn_image_save(image, path.c_str(), SN_IMAGE_FORMAT_GIF, nullptr));
        EXPECT_TRUE(log.contains("FAILED!"));
        EXPECT_FALSE(zvtest::file_exists(path));
    }
    /* A name that cannot be opened for writing (here a link to itself) is
     * not the writer's: it stays. */
    std::string loop = dir.file("loop.gif");
    ASSERT_EQ(0, symlink("loop.gif", loop.c_str()));
    EXPECT_EQ(-1, sn_image_save(image, loop.c_str(), SN_IMAGE_FORMAT_GIF, nullptr));
    struct stat st;
    EXPECT_EQ(0, lstat(loop.c_str(), &st));
    sn_image_destroy(image);

    /* GIF sizes are 16-bit: a wider picture is refused, and nothing written. */
    sn_image_t *wide = sn_image_create(65536, 1, 1);
    ASSERT_NE(nullptr, wide);
    ASSERT_EQ(0, sn_image_allocate_frame(wide, 0));
    memset(wide->frames[0].pixels, 0xFF, 65536 * 4);
    std::string wide_path = dir.file("wide.gif");
    zvtest::LogCapture log;
    EXPECT_EQ(-1, sn_image_save(wide, wide_path.c_str(), SN_IMAGE_FORMAT_GIF, nullptr));
    EXPECT_TRUE(log.contains("image size FAILED!"));
    EXPECT_FALSE(zvtest::file_exists(wide_path));
    sn_image_destroy(wide);
}

} // namespace
