/*
 * The BMP codec: files of every depth and header made by ImageMagick and
 * compared pixel by pixel with ImageMagick's own decode; byte-level cases from
 * a tiny writer (top-down rows, short colour tables, bit fields, zero alpha);
 * broken and hostile files; and the 24-bit writer, its exact bytes and its
 * failures.
 */
#include "image/sn_image.h"
#include "image/sn_image_codec.h"
#include "zv_test.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

using image_ptr = zvtest::ImagePtr;

void put16(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    b[at] = (uint8_t)v;
    b[at + 1] = (uint8_t)(v >> 8);
}

void put32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = (uint8_t)(v >> (8 * i));
}

uint32_t get32(const std::vector<uint8_t> &b, size_t at)
{
    return (uint32_t)b[at] | ((uint32_t)b[at + 1] << 8) | ((uint32_t)b[at + 2] << 16) |
           ((uint32_t)b[at + 3] << 24);
}

/* ImageMagick writes only 40- and 124-byte headers, bottom-up. These turn
 * one of its files into the other layouts, for ImageMagick to decode again. */
enum Layout { kAsWritten, kV4Header, kTopDown };

void relayout(std::vector<uint8_t> &b, Layout layout)
{
    if (layout == kV4Header) {
        /* A V5 header less its last 16 bytes (intent and colour profile) is V4. */
        ASSERT_EQ(get32(b, 14), 124u);
        b.erase(b.begin() + 14 + 108, b.begin() + 14 + 124);
        put32(b, 14, 108);
        put32(b, 10, get32(b, 10) - 16);
        put32(b, 2, (uint32_t)b.size());
    } else if (layout == kTopDown) {
        int32_t width = (int32_t)get32(b, 18), height = (int32_t)get32(b, 22);
        size_t bits = b[28] | (b[29] << 8);
        size_t row = (((size_t)width * bits + 7) / 8 + 3) & ~(size_t)3;
        size_t off = get32(b, 10);
        ASSERT_GT(height, 0);
        ASSERT_GE(b.size(), off + row * (size_t)height);
        for (int32_t i = 0, j = height - 1; i < j; i++, j--)
            std::swap_ranges(b.begin() + off + row * i, b.begin() + off + row * (i + 1),
                             b.begin() + off + row * j);
        put32(b, 22, (uint32_t)-height);
    }
}

/* A tiny BMP writer for the cases no encoder at hand produces. Rows are given
 * in file order, each already padded to its row size. */
struct BmpSpec {
    int width = 1;
    int height = 1; /* negative: top-down */
    int bits = 24;
    uint32_t info_size = 40;
    uint32_t compression = 0;
    uint32_t clr_used = 0;
    std::vector<uint32_t> palette; /* 0x00RRGGBB entries */
    std::vector<uint32_t> masks;   /* after a 40-byte header, or inside a larger one */
    std::vector<uint8_t> rows;
};

std::vector<uint8_t> make_bmp(const BmpSpec &s)
{
    size_t masks_after = s.info_size == 40 ? s.masks.size() * 4 : 0;
    size_t table = 14 + s.info_size + masks_after;
    size_t off = table + s.palette.size() * 4;
    std::vector<uint8_t> b(off, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, (uint32_t)(off + s.rows.size()));
    put32(b, 10, (uint32_t)off);
    put32(b, 14, s.info_size);
    put32(b, 18, (uint32_t)s.width);
    put32(b, 22, (uint32_t)s.height);
    put16(b, 26, 1);
    put16(b, 28, (uint32_t)s.bits);
    put32(b, 30, s.compression);
    put32(b, 34, (uint32_t)s.rows.size());
    put32(b, 46, s.clr_used);
    for (size_t i = 0; i < s.masks.size(); i++)
        put32(b, 54 + 4 * i, s.masks[i]);
    for (size_t i = 0; i < s.palette.size(); i++)
        put32(b, table + 4 * i, s.palette[i]);
    b.insert(b.end(), s.rows.begin(), s.rows.end());
    return b;
}

class BmpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sn_image_init();
    }
    image_ptr load_bytes(const std::vector<uint8_t> &bytes, const char *name = "t.bmp")
    {
        std::string path = dir.file(name);
        EXPECT_TRUE(zvtest::write_file(path, bytes));
        return image_ptr(sn_image_create_from_file(path.c_str(), -1));
    }
    /* The reader and ImageMagick agree on every pixel of path. */
    /* compare_alpha 2: a 1-bit alpha, which ImageMagick widens to 128 rather
     * than 255; only whether a pixel is transparent is compared. */
    void expect_same_as_magick(const std::string &path, int compare_alpha)
    {
        image_ptr image(sn_image_create_from_file(path.c_str(), -1));
        ASSERT_NE(image, nullptr);
        zvtest::Rgba want;
        ASSERT_TRUE(zvtest::magick_decode(path, &want));
        ASSERT_EQ(image->width, want.width);
        ASSERT_EQ(image->height, want.height);
        EXPECT_EQ(image->format, SN_IMAGE_FORMAT_BMP);
        bool transparent = false;
        for (int y = 0; y < want.height; y++)
            for (int x = 0; x < want.width; x++)
                transparent = transparent || SN_PIXEL_A(want.at(x, y)) != 0xFFu;
        EXPECT_EQ(image->has_alpha, transparent ? 1 : 0);
        uint32_t mask = compare_alpha == 1 ? 0xFFFFFFFFu : 0xFFFFFF00u;
        for (int y = 0; y < want.height; y++)
            for (int x = 0; x < want.width; x++) {
                uint32_t got = image->frames[0].rows[y][x];
                ASSERT_EQ(got & mask, want.at(x, y) & mask) << x << "," << y;
                if (compare_alpha == 2) {
                    ASSERT_EQ(SN_PIXEL_A(got), SN_PIXEL_A(want.at(x, y)) ? 0xFFu : 0u);
                }
            }
        if (!compare_alpha) {
            for (int i = 0; i < want.width * want.height; i++)
                ASSERT_EQ(SN_PIXEL_A(image->frames[0].pixels[i]), 0xFFu);
        }
    }
    zvtest::TempDir dir;
};

TEST_F(BmpTest, EveryDepthAndHeaderMatchesImageMagick)
{
    if (!zvtest::have_tool("convert"))
        GTEST_SKIP() << "ImageMagick is not installed";
    std::string opaque = dir.file("opaque.png"), alpha = dir.file("alpha.png");
    ASSERT_EQ(zvtest::run("convert -seed 7 -size 37x23 plasma:fractal " + zvtest::quote(opaque)),
              0);
    /* Alpha of every level, with a fully transparent band. */
    ASSERT_EQ(zvtest::run("convert " + zvtest::quote(opaque) +
                          " \\( -size 37x23 gradient:white-black -fill black -draw "
                          "'rectangle 0,0 5,22' \\) -alpha off -compose copy-opacity -composite " +
                          zvtest::quote(alpha)),
              0);
    struct Case {
        const char *source;
        const char *options;
        int bits;
        uint32_t info_size;
        uint32_t compression;
        int alpha;
        Layout layout;
    } cases[] = {
        {"opaque", "BMP3:", 24, 40, 0, 0, kAsWritten},
        {"opaque", "BMP:", 24, 124, 0, 0, kAsWritten},
        {"opaque", "-colors 2 -type Palette -compress None BMP3:", 1, 40, 0, 0, kAsWritten},
        {"opaque", "-colors 2 -type Palette -compress None BMP:", 1, 124, 0, 0, kAsWritten},
        {"opaque", "-colors 16 -type Palette -compress None BMP3:", 4, 40, 0, 0, kAsWritten},
        {"opaque", "-colors 200 -type Palette -compress None BMP3:", 8, 40, 0, 0, kAsWritten},
        {"opaque", "-colors 200 -type Palette -compress None BMP:", 8, 124, 0, 0, kAsWritten},
        {"opaque", "-define bmp:subtype=RGB555 BMP:", 16, 124, 3, 0, kAsWritten},
        {"opaque", "-define bmp:subtype=RGB565 BMP:", 16, 124, 3, 0, kAsWritten},
        {"alpha", "-define bmp:subtype=ARGB1555 BMP:", 16, 124, 3, 2, kAsWritten},
        {"alpha", "BMP:", 32, 124, 3, 1, kAsWritten},
        {"alpha", "-define bmp3:alpha=true BMP3:", 32, 40, 0, 1, kAsWritten},
        {"opaque", "BMP:", 24, 108, 0, 0, kV4Header},
        {"opaque", "-colors 16 -type Palette -compress None BMP:", 4, 108, 0, 0, kV4Header},
        {"alpha", "BMP:", 32, 108, 3, 1, kV4Header},
        {"opaque", "BMP3:", 24, 40, 0, 0, kTopDown},
        {"opaque", "-colors 2 -type Palette -compress None BMP3:", 1, 40, 0, 0, kTopDown},
        {"opaque", "-colors 200 -type Palette -compress None BMP:", 8, 124, 0, 0, kTopDown},
        {"opaque", "-define bmp:subtype=RGB565 BMP:", 16, 124, 3, 0, kTopDown},
        {"alpha", "-define bmp3:alpha=true BMP3:", 32, 40, 0, 1, kTopDown},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.options);
        std::string path = dir.file("fixture.bmp");
        std::string source = c.source == std::string("alpha") ? alpha : opaque;
        ASSERT_EQ(
            zvtest::run("convert " + zvtest::quote(source) + " " + c.options + zvtest::quote(path)),
            0);
        std::vector<uint8_t> bytes = zvtest::read_file(path);
        ASSERT_GE(bytes.size(), 54u);
        relayout(bytes, c.layout);
        ASSERT_TRUE(zvtest::write_file(path, bytes));
        ASSERT_EQ(bytes[28], c.bits) << "the encoder wrote another depth";
        ASSERT_EQ(get32(bytes, 14), c.info_size);
        ASSERT_EQ(get32(bytes, 30), c.compression);
        expect_same_as_magick(path, c.alpha);
    }
}

TEST_F(BmpTest, TopDownRowsMatchTheBottomUpFile)
{
    /* 3 x 2 pixels, 24 and 8 bits, stored both ways. */
    const uint8_t top[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};
    const uint8_t bottom[] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};
    BmpSpec up, down;
    up.width = down.width = 3;
    up.height = 2;
    down.height = -2;
    up.rows.assign(bottom, bottom + 12);
    up.rows.insert(up.rows.end(), top, top + 12);
    down.rows.assign(top, top + 12);
    down.rows.insert(down.rows.end(), bottom, bottom + 12);
    image_ptr a = load_bytes(make_bmp(up), "up.bmp");
    image_ptr b = load_bytes(make_bmp(down), "down.bmp");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->height, 2);
    EXPECT_EQ(b->frames[0].rows[0][0], SN_PIXEL(0xFF, 3, 2, 1));
    EXPECT_EQ(b->frames[0].rows[1][2], SN_PIXEL(0xFF, 18, 17, 16));
    EXPECT_EQ(memcmp(a->frames[0].pixels, b->frames[0].pixels, 6 * 4), 0);

    BmpSpec pal;
    pal.width = 2;
    pal.height = -3;
    pal.bits = 8;
    pal.clr_used = 4;
    pal.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    pal.rows = {1, 2, 0, 0, 3, 0, 0, 0, 2, 1, 0, 0};
    image_ptr c = load_bytes(make_bmp(pal), "pal.bmp");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->frames[0].rows[0][0], SN_PIXEL(0xFF, 0xFF, 0, 0));
    EXPECT_EQ(c->frames[0].rows[0][1], SN_PIXEL(0xFF, 0, 0xFF, 0));
    EXPECT_EQ(c->frames[0].rows[1][0], SN_PIXEL(0xFF, 0, 0, 0xFF));
    EXPECT_EQ(c->frames[0].rows[2][1], SN_PIXEL(0xFF, 0xFF, 0, 0));
}

TEST_F(BmpTest, RowPaddingOfNarrowImages)
{
    struct Case {
        int width;
        size_t row_size;
    } cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.width);
        BmpSpec s;
        s.width = c.width;
        s.height = 2;
        for (int y = 0; y < 2; y++) {
            for (int x = 0; x < c.width; x++) {
                s.rows.push_back((uint8_t)(x + 10 * y));
                s.rows.push_back(0x80);
                s.rows.push_back(0xC0);
            }
            while (s.rows.size() % c.row_size)
                s.rows.push_back(0xEE); /* pad bytes are ignored */
        }
        ASSERT_EQ(s.rows.size(), 2 * c.row_size);
        image_ptr image = load_bytes(make_bmp(s));
        ASSERT_NE(image, nullptr);
        for (int x = 0; x < c.width; x++) {
            EXPECT_EQ(image->frames[0].rows[1][x], SN_PIXEL(0xFF, 0xC0, 0x80, x));
            EXPECT_EQ(image->frames[0].rows[0][x], SN_PIXEL(0xFF, 0xC0, 0x80, x + 10));
        }
    }
}

TEST_F(BmpTest, PackedIndicesAndShortColourTables)
{
    std::vector<uint32_t> sixteen;
    for (uint32_t i = 0; i < 16; i++)
        sixteen.push_back(i * 0x101010u);
    /* 4 bits: the first pixel in the high nibble. */
    BmpSpec four;
    four.width = 3;
    four.bits = 4;
    four.palette = sixteen;
    four.rows = {0x1F, 0x70, 0, 0};
    image_ptr a = load_bytes(make_bmp(four));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->frames[0].rows[0][0], SN_PIXEL(0xFF, 0x10, 0x10, 0x10));
    EXPECT_EQ(a->frames[0].rows[0][1], SN_PIXEL(0xFF, 0xF0, 0xF0, 0xF0));
    EXPECT_EQ(a->frames[0].rows[0][2], SN_PIXEL(0xFF, 0x70, 0x70, 0x70));

    /* 1 bit: the first pixel in the most significant bit. */
    BmpSpec one;
    one.width = 10;
    one.bits = 1;
    one.palette = {0x102030, 0xA0B0C0};
    one.rows = {0xA0, 0x40, 0, 0};
    image_ptr b = load_bytes(make_bmp(one));
    ASSERT_NE(b, nullptr);
    const int bits[10] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    for (int x = 0; x < 10; x++)
        EXPECT_EQ(b->frames[0].rows[0][x],
                  bits[x] ? SN_PIXEL(0xFF, 0xA0, 0xB0, 0xC0) : SN_PIXEL(0xFF, 0x10, 0x20, 0x30))
            << x;

    /* biClrUsed 2: two entries, the pixels straight after them; an index past
     * the table is opaque black, never leftover memory. */
    BmpSpec eight;
    eight.width = 4;
    eight.bits = 8;
    eight.clr_used = 2;
    eight.palette = {0xFF0000, 0x00FF00};
    eight.rows = {0, 1, 200, 2};
    image_ptr c = load_bytes(make_bmp(eight));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->frames[0].rows[0][0], SN_PIXEL(0xFF, 0xFF, 0, 0));
    EXPECT_EQ(c->frames[0].rows[0][1], SN_PIXEL(0xFF, 0, 0xFF, 0));
    EXPECT_EQ(c->frames[0].rows[0][2], SN_PIXEL(0xFF, 0, 0, 0));
    EXPECT_EQ(c->frames[0].rows[0][3], SN_PIXEL(0xFF, 0, 0, 0));

    /* biClrUsed 0 means 256 entries. */
    BmpSpec full = eight;
    full.clr_used = 0;
    full.palette.assign(256, 0x00000000u);
    full.palette[200] = 0x123456;
    image_ptr d = load_bytes(make_bmp(full));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->frames[0].rows[0][2], SN_PIXEL(0xFF, 0x12, 0x34, 0x56));

    /* A V4 header (108 bytes): the table follows the header, not offset 54. */
    BmpSpec v4 = eight;
    v4.info_size = 108;
    image_ptr e = load_bytes(make_bmp(v4));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->frames[0].rows[0][1], SN_PIXEL(0xFF, 0, 0xFF, 0));

    /* biClrUsed above 256 reads no more than the indices can reach. */
    BmpSpec many = eight;
    many.clr_used = 100000;
    many.palette.assign(256, 0x00808080u);
    image_ptr f = load_bytes(make_bmp(many));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->frames[0].rows[0][2], SN_PIXEL(0xFF, 0x80, 0x80, 0x80));
}

TEST_F(BmpTest, SixteenAndThirtyTwoBitLayouts)
{
    /* 16 bits without bit fields: 5-5-5, widened so that 31 is 255. */
    BmpSpec rgb555;
    rgb555.width = 2;
    rgb555.bits = 16;
    rgb555.rows = {0x1F, 0x00, 0xE0, 0xFF}; /* blue 31; red 31 green 31 and bit 15 */
    image_ptr a = load_bytes(make_bmp(rgb555));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->frames[0].rows[0][0], SN_PIXEL(0xFF, 0, 0, 0xFF));
    EXPECT_EQ(a->frames[0].rows[0][1], SN_PIXEL(0xFF, 0xFF, 0xFF, 0));

    /* Bit fields after a 40-byte header: 5-6-5; 16 >> 1 in 5 bits is 0x84. */
    BmpSpec rgb565 = rgb555;
    rgb565.compression = 3;
    rgb565.masks = {0xF800, 0x07E0, 0x001F};
    rgb565.rows = {0x10, 0x84, 0x00, 0x00}; /* red 16, green 32, blue 16 */
    image_ptr b = load_bytes(make_bmp(rgb565));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->frames[0].rows[0][0], SN_PIXEL(0xFF, 0x84, 0x82, 0x84));

    /* 32 bits, no mask, every fourth byte 0: opaque. */
    BmpSpec zero;
    zero.width = 2;
    zero.bits = 32;
    zero.rows = {1, 2, 3, 0, 4, 5, 6, 0};
    image_ptr c = load_bytes(make_bmp(zero));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->frames[0].rows[0][0], SN_PIXEL(0xFF, 3, 2, 1));
    EXPECT_EQ(c->frames[0].rows[0][1], SN_PIXEL(0xFF, 6, 5, 4));
    EXPECT_EQ(c->has_alpha, 0);

    /* ... but one non-zero fourth byte makes them all alpha. */
    zero.rows[7] = 0x80;
    image_ptr d = load_bytes(make_bmp(zero));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->frames[0].rows[0][0], SN_PIXEL(0, 3, 2, 1));
    EXPECT_EQ(d->has_alpha, 1);
    EXPECT_EQ(d->frames[0].rows[0][1], SN_PIXEL(0x80, 6, 5, 4));

    /* Bit fields without an alpha mask: the fourth byte is not alpha. */
    BmpSpec xrgb = zero;
    xrgb.info_size = 124;
    xrgb.compression = 3;
    xrgb.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    image_ptr e = load_bytes(make_bmp(xrgb));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->frames[0].rows[0][1], SN_PIXEL(0xFF, 6, 5, 4));

    /* A mask that is not one run of bits: only its lowest run is used. */
    BmpSpec stray = xrgb;
    stray.masks = {0x80FF0000, 0x0000FF00, 0x000000FF, 0};
    stray.rows = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x7F, 0x80};
    image_ptr f = load_bytes(make_bmp(stray));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->frames[0].rows[0][0], 0xFFFFFFFFu);
    EXPECT_EQ(f->frames[0].rows[0][1], SN_PIXEL(0xFF, 0x7F, 0, 0));
}

TEST_F(BmpTest, UnsupportedEncodingsFailWithTheirMessage)
{
    struct Case {
        int bits;
        uint32_t compression;
        const char *message;
    } cases[] = {
        {8, 1, "biCompression (1) is unsupported.\n"},
        {4, 2, "biCompression (2) is unsupported.\n"},
        {24, 3, "biCompression (3) is unsupported.\n"},
        {24, 4, "biCompression (4) is unsupported.\n"},
        {7, 0, "biBitCount (7) not supported.\n"},
        {0, 0, "biBitCount (0) not supported.\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        BmpSpec s;
        s.width = 4;
        s.bits = c.bits;
        s.compression = c.compression;
        s.rows.assign(64, 0);
        zvtest::LogCapture log;
        EXPECT_EQ(load_bytes(make_bmp(s)), nullptr);
        EXPECT_TRUE(log.contains("[bmp_read_frames]"));
        EXPECT_TRUE(log.contains(c.message));
        EXPECT_TRUE(log.contains("read_frames FAILED!\n"));
    }
}

TEST_F(BmpTest, RunLengthFilesFromImageMagickAreRefused)
{
    if (!zvtest::have_tool("convert"))
        GTEST_SKIP() << "ImageMagick is not installed";
    std::string path = dir.file("rle.bmp");
    ASSERT_EQ(zvtest::run("convert -seed 3 -size 30x20 plasma:fractal -colors 100 -type Palette "
                          "-compress RLE BMP3:" +
                          zvtest::quote(path)),
              0);
    ASSERT_EQ(get32(zvtest::read_file(path), 30), 1u);
    zvtest::LogCapture log;
    EXPECT_EQ(sn_image_create_from_file(path.c_str(), -1), nullptr);
    EXPECT_TRUE(log.contains("biCompression (1) is unsupported.\n"));
}

TEST_F(BmpTest, BrokenFilesFailWithoutCrashing)
{
    BmpSpec s;
    s.width = 5;
    s.height = 4;
    s.bits = 8;
    s.palette.assign(256, 0x336699);
    s.rows.assign(4 * 8, 7);
    const std::vector<uint8_t> good = make_bmp(s);
    ASSERT_NE(load_bytes(good), nullptr);

    struct Cut {
        size_t length;
        const char *message;
    } cuts[] = {
        {2, "read BmpFileHead FAILED!\n"},
        {13, "read BmpFileHead FAILED!\n"},
        {14, "read BmpInfoHead FAILED!\n"},
        {53, "read BmpInfoHead FAILED!\n"},
        {54, "read line (3) FAILED! ret:0, BytesPerLine:8\n"},
        {54 + 1024, "read line (3) FAILED! ret:0, BytesPerLine:8\n"},
        {54 + 1024 + 5, "read line (3) FAILED! ret:5, BytesPerLine:8\n"},
        {good.size() - 1, "read line (0) FAILED! ret:7, BytesPerLine:8\n"},
    };
    for (const Cut &c : cuts) {
        SCOPED_TRACE(c.length);
        zvtest::LogCapture log;
        std::vector<uint8_t> bytes(good.begin(), good.begin() + (long)c.length);
        EXPECT_EQ(load_bytes(bytes), nullptr);
        EXPECT_TRUE(log.contains(c.message));
    }

    /* Empty: no format claims it. */
    {
        zvtest::LogCapture log;
        EXPECT_EQ(load_bytes({}), nullptr);
        EXPECT_TRUE(log.contains("unknown file type!\n"));
    }

    /* Hostile dimensions fail in the header, before any allocation. */
    struct Dim {
        int32_t width, height;
    } dims[] = {{0, 4},          {5, 0},         {-5, 4},        {100000, 100000},
                {0x7FFFFFFF, 1}, {1, INT32_MIN}, {30000, -30000}};
    for (const Dim &d : dims) {
        SCOPED_TRACE(testing::Message() << d.width << "x" << d.height);
        std::vector<uint8_t> bytes = good;
        put32(bytes, 18, (uint32_t)d.width);
        put32(bytes, 22, (uint32_t)d.height);
        zvtest::LogCapture log;
        EXPECT_EQ(load_bytes(bytes), nullptr);
        EXPECT_TRUE(log.contains("FAILED!"));
        EXPECT_TRUE(log.contains("read_header FAILED!\n"));
    }

    /* A large but allowed size with too few bytes fails before the frame is
     * allocated. */
    {
        std::vector<uint8_t> bytes = good;
        put32(bytes, 18, 20000);
        put32(bytes, 22, 20000);
        zvtest::LogCapture log;
        EXPECT_EQ(load_bytes(bytes), nullptr);
        EXPECT_TRUE(log.contains("read line (19999) FAILED! ret:32, BytesPerLine:20000\n"));
        EXPECT_FALSE(log.contains("biBitCount:"));
    }

    /* An OS/2 core header and a pixel offset past the end. */
    {
        std::vector<uint8_t> bytes = good;
        put32(bytes, 14, 12);
        zvtest::LogCapture log;
        EXPECT_EQ(load_bytes(bytes), nullptr);
        EXPECT_TRUE(log.contains("biSize (12) is unsupported FAILED!\n"));
    }
    {
        std::vector<uint8_t> bytes = good;
        put32(bytes, 10, 0xFFFFFFF0u);
        EXPECT_EQ(load_bytes(bytes), nullptr);
    }
}

TEST_F(BmpTest, CorruptHeadersNeverCrash)
{
    BmpSpec s;
    s.width = 6;
    s.height = 3;
    s.bits = 4;
    s.palette.assign(16, 0x445566);
    s.rows.assign(3 * 4, 0x12);
    const std::vector<uint8_t> good = make_bmp(s);
    uint32_t seed = 99;
    for (int round = 0; round < 300; round++) {
        std::vector<uint8_t> bytes = good;
        for (int k = 0; k < 3; k++) {
            seed = seed * 1103515245u + 12345u;
            size_t at = 2 + (seed >> 8) % 60;
            seed = seed * 1103515245u + 12345u;
            bytes[at] = (uint8_t)(seed >> 16);
        }
        image_ptr image = load_bytes(bytes);
        if (image) {
            ASSERT_GT(image->width, 0);
            ASSERT_GT(image->height, 0);
            ASSERT_NE(image->frames[0].rows, nullptr);
        }
    }
}

TEST_F(BmpTest, WriterProducesTheExactHeader)
{
    image_ptr image(sn_image_create(5, 3, 1));
    ASSERT_EQ(sn_image_allocate_frame(image.get(), 0), 0);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 5; x++)
            image->frames[0].rows[y][x] = SN_PIXEL(0x40, x, y, 0xAB);
    std::string path = dir.file("out.bmp");
    ASSERT_EQ(sn_image_save(image.get(), path.c_str(), SN_IMAGE_FORMAT_BMP, nullptr), 0);
    std::vector<uint8_t> b = zvtest::read_file(path);
    ASSERT_EQ(b.size(), 102u);
    const uint8_t head[54] = {'B', 'M', 102, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, /* file header */
                              40,  0,   0,   0, 5, 0, 0, 0, 3, 0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0,
                              48,  0,   0,   0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(b.data(), head, 54), 0);
    /* The first stored row is the bottom one: blue, green, red, then one pad. */
    EXPECT_EQ(b[54], 0xAB);
    EXPECT_EQ(b[55], 2);
    EXPECT_EQ(b[56], 0);
    EXPECT_EQ(b[54 + 3 * 4 + 2], 4);

    image_ptr back(sn_image_create_from_file(path.c_str(), -1));
    ASSERT_NE(back, nullptr);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 5; x++)
            EXPECT_EQ(back->frames[0].rows[y][x], SN_PIXEL(0xFF, x, y, 0xAB)); /* alpha dropped */
}

TEST_F(BmpTest, WriterRoundTripsAnImageMagickFile)
{
    if (!zvtest::have_tool("convert"))
        GTEST_SKIP() << "ImageMagick is not installed";
    std::string in = dir.file("in.bmp"), out = dir.file("out.bmp");
    ASSERT_EQ(zvtest::run("convert -seed 11 -size 33x17 plasma:fractal BMP3:" + zvtest::quote(in)),
              0);
    image_ptr image(sn_image_create_from_file(in.c_str(), -1));
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(sn_image_save(image.get(), out.c_str(), 0, nullptr), 0);
    EXPECT_EQ(zvtest::read_file(in), zvtest::read_file(out));
    expect_same_as_magick(out, 0);
}

TEST_F(BmpTest, WriterFailuresLeaveNoFile)
{
    image_ptr image(sn_image_create(300, 200, 1));
    ASSERT_EQ(sn_image_allocate_frame(image.get(), 0), 0);
    memset(image->frames[0].pixels, 0x5A, 300 * 200 * 4);

    {
        zvtest::LogCapture log;
        std::string path = dir.file("missing/out.bmp");
        EXPECT_EQ(sn_image_save(image.get(), path.c_str(), SN_IMAGE_FORMAT_BMP, nullptr), -1);
        EXPECT_TRUE(log.contains("[bmp_write]"));
        EXPECT_TRUE(log.contains("fopen FAILED! " + path + "\n"));
    }
    {
        /* A full disk: the error shows at the latest when the file is closed,
         * and the device itself is left alone. */
        zvtest::LogCapture log;
        EXPECT_EQ(sn_image_save(image.get(), "/dev/full", SN_IMAGE_FORMAT_BMP, nullptr), -1);
        EXPECT_TRUE(log.contains("FAILED!"));
        struct stat st;
        ASSERT_EQ(stat("/dev/full", &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
    {
        /* A file-size limit: the partial file is removed. */
        std::string path = dir.file("limited.bmp");
        struct rlimit old;
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit small = old;
        small.rlim_cur = 10000;
        void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        zvtest::LogCapture log;
        int rc = sn_image_save(image.get(), path.c_str(), SN_IMAGE_FORMAT_BMP, nullptr);
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, previous);
        EXPECT_EQ(rc, -1);
        EXPECT_TRUE(log.contains("FAILED!"));
        EXPECT_FALSE(zvtest::file_exists(path));
    }
}

} // namespace
