/*
 * JPEG codec: files made by ImageMagick decode like djpeg, the writer's files
 * read back in ImageMagick with the quality asked for, and broken or
 * unwritable files fail cleanly with a logged "FAILED!".
 */
#include "zv_test.h"

#include "codec_fixture.h"

#include "base/sn_log.h"
#include "base/sn_thread.h"
#include "image/sn_image.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <atomic>
#include <fstream>
#include <sstream>

namespace
{

using zvtest::quote;
using zvtest::run;

class JpegTest : public cfx::CodecTest
{
protected:
    void SetUp() override
    {
        if (!zvtest::have_tool("convert") || !zvtest::have_tool("djpeg") ||
            !zvtest::have_tool("jpegtran"))
            GTEST_SKIP() << "ImageMagick, djpeg and jpegtran are needed";
        /* A photo-like source: smooth colour areas with fine detail, odd sizes
         * so that partial blocks and chroma subsampling edges are decoded. */
        source_ = dir_.file("source.png");
        ASSERT_EQ(0, run("convert -size 61x43 -seed 7 plasma:fractal " + quote(source_)));
    }

    std::string make(const std::string &name, const std::string &args)
    {
        std::string path = dir_.file(name);
        EXPECT_EQ(0, run("convert " + quote(source_) + " " + args + " " + quote(path)));
        return path;
    }

    zvtest::TempDir dir_;
    std::string source_;
};

/* djpeg's PNM output: P6 (RGB) or P5 (grey) with maxval 255. */
struct Pnm {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> bytes;
};

bool djpeg_decode(const std::string &jpeg, const std::string &out, Pnm *pnm)
{
    if (run("djpeg -pnm -outfile " + quote(out) + " " + quote(jpeg)) != 0)
        return false;
    std::vector<uint8_t> data = zvtest::read_file(out);
    std::string head(data.begin(), data.begin() + std::min<size_t>(data.size(), 64));
    std::istringstream in(head);
    std::string magic;
    int maxval = 0;
    in >> magic >> pnm->width >> pnm->height >> maxval;
    if ((magic != "P6" && magic != "P5") || maxval != 255)
        return false;
    pnm->channels = magic == "P6" ? 3 : 1;
    size_t start = (size_t)in.tellg() + 1;
    size_t size = (size_t)pnm->width * (size_t)pnm->height * (size_t)pnm->channels;
    if (data.size() < start + size)
        return false;
    pnm->bytes.assign(data.begin() + (long)start, data.begin() + (long)(start + size));
    return true;
}

int channel_diff(int a, int b)
{
    return abs(a - b);
}

TEST_F(JpegTest, DecodesLikeDjpeg)
{
    struct Case {
        const char *name;
        const char *args;
        int channels;
    } cases[] = {
        {"baseline.jpg", "-quality 90", 3},
        {"progressive.jpg", "-quality 80 -interlace Plane", 3},
        {"gray.jpg", "-colorspace Gray -quality 85", 1},
        {"full-chroma.jpg", "-sampling-factor 1x1 -quality 95", 3},
        {"restart.jpg", "-define jpeg:restart-interval=2 -quality 70", 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = make(c.name, c.args);
        Pnm ref;
        ASSERT_TRUE(djpeg_decode(path, path + ".pnm", &ref));
        ASSERT_EQ(c.channels, ref.channels);

        sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(SN_IMAGE_FORMAT_JPEG, image->format);
        EXPECT_EQ(1, image->frame_count);
        EXPECT_EQ(0, image->has_alpha);
        ASSERT_EQ(ref.width, image->width);
        ASSERT_EQ(ref.height, image->height);
        int worst = 0, alpha_wrong = 0;
        for (int y = 0; y < image->height; y++) {
            for (int x = 0; x < image->width; x++) {
                uint32_t p = image->frames[0].rows[y][x];
                const uint8_t *q = &ref.bytes[((size_t)y * ref.width + x) * ref.channels];
                int r = q[0], g = q[ref.channels == 3 ? 1 : 0], b = q[ref.channels == 3 ? 2 : 0];
                worst = std::max({worst, channel_diff(SN_PIXEL_R(p), r),
                                  channel_diff(SN_PIXEL_G(p), g), channel_diff(SN_PIXEL_B(p), b)});
                alpha_wrong += SN_PIXEL_A(p) != 255;
            }
        }
        EXPECT_LE(worst, 1);
        EXPECT_EQ(0, alpha_wrong);
        sn_image_destroy(image);
    }
}

TEST_F(JpegTest, ContentDecidesNotTheName)
{
    std::string path = dir_.file("photo.png");
    ASSERT_EQ(0, run("convert " + quote(source_) + " JPEG:" + quote(path)));
    ASSERT_EQ(0, run("identify " + quote(path) + " | grep -q JPEG"));
    EXPECT_EQ(SN_IMAGE_FORMAT_JPEG, sn_image_guess_format(path.c_str()));
    sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(SN_IMAGE_FORMAT_JPEG, image->format);
    sn_image_destroy(image);
}

TEST_F(JpegTest, CmykFileFailsCleanly)
{
    zvtest::LogCapture log;
    std::string path = make("cmyk.jpg", "-colorspace CMYK");
    EXPECT_EQ(nullptr, sn_image_create_from_file(path.c_str(), -1));
    EXPECT_TRUE(log.contains("FAILED!"));
}

/* Sets one big-endian 16-bit field of the first start-of-frame segment. */
bool patch_sof(std::vector<uint8_t> *bytes, size_t field, unsigned value)
{
    std::vector<uint8_t> &b = *bytes;
    for (size_t i = 2; i + 9 < b.size(); i++) {
        if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) {
            b[i + field] = (uint8_t)(value >> 8);
            b[i + field + 1] = (uint8_t)value;
            return true;
        }
    }
    return false;
}

/* Comment segments of at least n bytes in all, right after the start of
 * image: a file as big as its claimed picture needs, whose scan data is still
 * what it was. */
std::vector<uint8_t> padded(std::vector<uint8_t> b, size_t n)
{
    std::vector<uint8_t> pad;
    while (pad.size() < n) {
        pad.insert(pad.end(), {0xFF, 0xFE, 0xFF, 0xFF});
        pad.insert(pad.end(), 0xFFFF - 2, 'z');
    }
    b.insert(b.begin() + 2, pad.begin(), pad.end());
    return b;
}

TEST_F(JpegTest, BrokenFilesFailAndTheNextLoads)
{
    std::string good = make("good.jpg", "-quality 85");
    std::string progressive = make("good-progressive.jpg", "-interlace Plane -quality 95");
    std::vector<uint8_t> bytes = zvtest::read_file(good);
    std::vector<uint8_t> pbytes = zvtest::read_file(progressive);
    ASSERT_GT(bytes.size(), 400u);

    std::vector<uint8_t> huge = bytes, zero = bytes, wide = bytes;
    /* SOF: FF Cx, length (2), precision (1), height (2) at +5, width (2) at +7. */
    ASSERT_TRUE(patch_sof(&huge, 5, 65000) && patch_sof(&huge, 7, 65000));
    ASSERT_TRUE(patch_sof(&zero, 5, 0));
    ASSERT_TRUE(patch_sof(&wide, 7, 0));
    /* Within the frame cap, so only the cut can stop it: a progressive file is
     * read whole before any frame memory is taken. Padded to the size such a
     * picture needs at least (a bit per block), or its header is refused. */
    std::vector<uint8_t> big_cut(pbytes.begin(), pbytes.begin() + pbytes.size() / 2);
    ASSERT_TRUE(patch_sof(&big_cut, 5, 14000) && patch_sof(&big_cut, 7, 14000));
    big_cut = padded(big_cut, 1750 * 1750 / 8);
    /* A frame within the cap whose coefficients (6 bytes a pixel at full
     * chroma) are not: the library's memory is capped too. */
    std::vector<uint8_t> big_coefficients = big_cut;
    ASSERT_TRUE(patch_sof(&big_coefficients, 5, 20000) && patch_sof(&big_coefficients, 7, 20000));
    big_coefficients = padded(big_coefficients, 2500 * 2500 / 8);
    /* The first (DC) scan repeated until there are more scans than any
     * encoder writes: each repeat is only a warning about the progression,
     * together they must stop. */
    size_t first_sos = 0, after = 0;
    for (size_t i = 2; i + 1 < pbytes.size(); i++) {
        if (pbytes[i] != 0xFF || (pbytes[i + 1] != 0xDA && pbytes[i + 1] != 0xC4))
            continue;
        if (!first_sos && pbytes[i + 1] == 0xDA) {
            first_sos = i;
        } else if (first_sos) {
            after = i;
            break;
        }
    }
    ASSERT_GT(after, first_sos);
    std::vector<uint8_t> many_scans(pbytes.begin(), pbytes.begin() + (long)after);
    for (int i = 0; i < 600; i++)
        many_scans.insert(many_scans.end(), pbytes.begin() + (long)first_sos,
                          pbytes.begin() + (long)after);
    many_scans.insert(many_scans.end(), pbytes.begin() + (long)after, pbytes.end());
    std::vector<uint8_t> garbage(bytes.begin(), bytes.begin() + 2);
    garbage.resize(300, 0x5A);

    std::vector<cfx::BrokenCase> cases = {
        {"empty", {}, "unknown file type!"},
        {"one byte", {0xFF}, "unknown file type!"},
        {"wrong magic", {'Z', 'V', 0xD8, 0xFF, 0xE0, 0, 0x10}, "unknown file type!"},
        {"marker then garbage", garbage, "FAILED!"},
        {"cut in the header", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 100), "FAILED!"},
        {"cut in the data", std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2),
         "Premature end of JPEG file"},
        {"cut before the end marker", std::vector<uint8_t>(bytes.begin(), bytes.end() - 2),
         "FAILED!"},
        {"progressive cut",
         std::vector<uint8_t>(pbytes.begin(), pbytes.begin() + pbytes.size() * 2 / 3), "FAILED!"},
        {"huge dimensions", huge, "frame size FAILED!"},
        {"large progressive cut", big_cut, "corrupt data FAILED!"},
        {"progressive beyond the memory cap", big_coefficients, "libjpeg FAILED!"},
        {"endless progressive scans", many_scans, "too many scans FAILED!"},
        {"zero height", zero, "FAILED!"},
        {"zero width", wide, "FAILED!"},
    };
    cfx::expect_broken_files_fail(dir_, ".jpg", cases, good, 61);
}

/* The offset of the n-th (from 0) two-byte marker ff xx with xx in [lo, hi]. */
size_t find_marker(const std::vector<uint8_t> &b, uint8_t lo, uint8_t hi, int n = 0)
{
    for (size_t i = 2; i + 1 < b.size(); i++)
        if (b[i] == 0xFF && b[i + 1] >= lo && b[i + 1] <= hi && n-- == 0)
            return i;
    return 0;
}

/* Every warning that means lost picture data fails the read: the library
 * would pad the picture with grey and the batch would write it as whole. A
 * 23170 x 23170 header over a few hundred bytes of scan data decoded 2 GB of
 * grey in seconds; it must be refused before it fills its frame. */
TEST_F(JpegTest, DataLossWarningsFailTheRead)
{
    std::string good = make("good.jpg", "-quality 85");
    std::vector<uint8_t> bytes = zvtest::read_file(good);
    size_t sos = find_marker(bytes, 0xDA, 0xDA);
    ASSERT_GT(sos, 0u);

    std::vector<uint8_t> half_scan(bytes.begin(), bytes.begin() + (long)(sos + bytes.size()) / 2);
    half_scan.insert(half_scan.end(), {0xFF, 0xD9});
    std::vector<uint8_t> marker_inside = bytes;
    size_t middle = (sos + bytes.size()) / 2;
    marker_inside[middle] = 0xFF;
    marker_inside[middle + 1] = 0xC4; /* a table marker where data should be */

    /* A restart marker whose number is out of sequence: the decoder must
     * resynchronise, dropping the data in between. */
    std::string restart_path = dir_.file("restart.jpg");
    ASSERT_EQ(0, run("jpegtran -restart 1 -outfile " + quote(restart_path) + " " + quote(good)));
    std::vector<uint8_t> restart = zvtest::read_file(restart_path);
    size_t rst = find_marker(restart, 0xD0, 0xD7, 1);
    ASSERT_GT(rst, 0u);
    restart[rst + 1] = (uint8_t)(0xD0 + ((restart[rst + 1] - 0xD0 + 4) & 7));

    std::vector<uint8_t> tiny =
        zvtest::read_file(make("tiny.jpg", "-strip -resize 8x8! -quality 50"));
    std::vector<uint8_t> tiny_p =
        zvtest::read_file(make("tiny-p.jpg", "-strip -resize 8x8! -quality 50 -interlace Plane"));
    ASSERT_LT(tiny.size(), 1024u);
    ASSERT_TRUE(patch_sof(&tiny, 5, 23170) && patch_sof(&tiny, 7, 23170));
    ASSERT_TRUE(patch_sof(&tiny_p, 5, 23170) && patch_sof(&tiny_p, 7, 23170));

    std::vector<cfx::BrokenCase> cases = {
        {"scan cut in half, end marker kept", half_scan, "corrupt data FAILED!",
         "premature end of data segment"},
        {"marker inside the scan data", marker_inside, "corrupt data FAILED!"},
        {"restart marker out of sequence", restart, "corrupt data FAILED!"},
        /* Refused at the header: a bit per block is more than the file has. */
        {"huge header over a tiny scan", tiny, "image size FAILED!"},
        {"huge progressive header over a tiny scan", tiny_p, "image size FAILED!"},
        /* As big as such a picture needs, the data still runs out at once. */
        {"huge padded header over a tiny scan", padded(tiny, 2897 * 2897 / 8),
         "corrupt data FAILED!"},
    };
    cfx::expect_broken_files_fail(dir_, ".jpg", cases, good, 61);

    for (const auto &c : {std::make_pair("tiny", tiny), std::make_pair("tiny-p", tiny_p)}) {
        SCOPED_TRACE(c.first);
        std::string path = dir_.file(std::string(c.first) + "-huge.jpg");
        ASSERT_TRUE(zvtest::write_file(path, c.second));
        cfx::ChildLoad load = cfx::load_in_child(path);
        ASSERT_TRUE(load.ran);
        EXPECT_FALSE(load.loaded);
        EXPECT_LT(load.peak_kib, cfx::k_refusal_peak_kib);
    }
}

/* A corrupt-data warning that is not the end of the file keeps the picture. */
TEST_F(JpegTest, CorruptDataWarningStillLoads)
{
    std::string good = make("warn.jpg", "-quality 85");
    std::vector<uint8_t> bytes = zvtest::read_file(good);
    /* Stray bytes between two header segments: the library warns about
     * extraneous data and decodes the picture whole. */
    size_t at = 2;
    while (at + 1 < bytes.size() && !(bytes[at] == 0xFF && bytes[at + 1] == 0xDB))
        at++;
    ASSERT_LT(at + 1, bytes.size());
    bytes.insert(bytes.begin() + (long)at, {0x12, 0x34});
    ASSERT_TRUE(zvtest::write_file(good, bytes));
    zvtest::LogCapture log;
    sn_image_t *image = sn_image_create_from_file(good.c_str(), -1);
    ASSERT_NE(nullptr, image);
    EXPECT_TRUE(log.contains("extraneous bytes"));
    EXPECT_FALSE(log.contains("FAILED!"));
    sn_image_destroy(image);
}

sn_image_t *make_image(int width, int height, uint8_t alpha)
{
    sn_image_t *image = sn_image_create(width, height, 1);
    if (!image || sn_image_allocate_frame(image, 0) != 0)
        return image;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            image->frames[0].rows[y][x] =
                SN_PIXEL(alpha, (x * 255) / width, (y * 255) / height, ((x + y) * 7) & 255);
    return image;
}

double mean_error(const sn_image_t *image, const zvtest::Rgba &back)
{
    double sum = 0;
    for (int y = 0; y < image->height; y++) {
        for (int x = 0; x < image->width; x++) {
            uint32_t a = image->frames[0].rows[y][x], b = back.at(x, y);
            sum += channel_diff(SN_PIXEL_R(a), SN_PIXEL_R(b)) +
                   channel_diff(SN_PIXEL_G(a), SN_PIXEL_G(b)) +
                   channel_diff(SN_PIXEL_B(a), SN_PIXEL_B(b));
        }
    }
    return sum / (3.0 * image->width * image->height);
}

std::string identify(const std::string &path, const std::string &format)
{
    std::string out = path + ".txt";
    run("identify -format " + quote(format) + " " + quote(path) + " > " + quote(out));
    std::vector<uint8_t> text = zvtest::read_file(out);
    return std::string(text.begin(), text.end());
}

TEST_F(JpegTest, WriterHonoursQualityAndDropsAlpha)
{
    /* Half-transparent on purpose: JPEG keeps no alpha. */
    sn_image_t *image = make_image(96, 64, 0x80);
    ASSERT_NE(nullptr, image);
    image->has_alpha = 1;

    sn_image_write_params_t low = {20, 24, 0, 0}, high = {98, 24, 0, 0};
    std::string low_path = dir_.file("low.jpg"), high_path = dir_.file("high.jpg"),
                default_path = dir_.file("default.JPEG");
    ASSERT_EQ(0, sn_image_save(image, low_path.c_str(), SN_IMAGE_FORMAT_JPEG, &low));
    ASSERT_EQ(0, sn_image_save(image, high_path.c_str(), SN_IMAGE_FORMAT_JPEG, &high));
    ASSERT_EQ(0, sn_image_save(image, default_path.c_str(), 0, nullptr));

    EXPECT_EQ("96 64 8 JPEG sRGB srgb",
              identify(high_path, "%w %h %z %m %[colorspace] %[channels]"));
    EXPECT_EQ("90", identify(default_path, "%Q"));
    EXPECT_EQ("20", identify(low_path, "%Q"));

    zvtest::Rgba lo, hi;
    ASSERT_TRUE(zvtest::magick_decode(low_path, &lo));
    ASSERT_TRUE(zvtest::magick_decode(high_path, &hi));
    EXPECT_GT(zvtest::read_file(high_path).size(), zvtest::read_file(low_path).size());
    double lo_err = mean_error(image, lo), hi_err = mean_error(image, hi);
    EXPECT_LT(hi_err, lo_err);
    EXPECT_LT(hi_err, 5.0);
    int transparent = 0;
    for (size_t i = 3; i < hi.pixels.size(); i += 4)
        transparent += hi.pixels[i] != 255;
    EXPECT_EQ(0, transparent);

    /* Our own reader sees the same picture ImageMagick does. */
    sn_image_t *back = sn_image_create_from_file(high_path.c_str(), -1);
    ASSERT_NE(nullptr, back);
    EXPECT_LT(mean_error(back, hi), 1.0);
    sn_image_destroy(back);
    sn_image_destroy(image);
}

TEST_F(JpegTest, FailedWriteRemovesThePartialFile)
{
    sn_image_t *image = make_image(512, 512, 255);
    ASSERT_NE(nullptr, image);
    zvtest::LogCapture log;

    std::string missing = dir_.file("no-such-folder/out.jpg");
    EXPECT_EQ(-1, sn_image_save(image, missing.c_str(), SN_IMAGE_FORMAT_JPEG, nullptr));
    EXPECT_TRUE(log.contains("fopen FAILED!"));

    /* A file-size limit makes the library's writes fail part-way. */
    std::string path = dir_.file("cut.jpg");
    log.clear();
    int rc = 0;
    ASSERT_NO_FATAL_FAILURE(
        cfx::save_with_size_limit(image, path, SN_IMAGE_FORMAT_JPEG, 2048, &rc));
    EXPECT_EQ(-1, rc);
    EXPECT_TRUE(log.contains("FAILED!"));
    EXPECT_FALSE(zvtest::file_exists(path));
    sn_image_destroy(image);
}

} // namespace

namespace
{

struct StoppedLoad {
    std::string path;
    bool ask_stop = false;
    std::atomic<int> asked{0};
    std::atomic<int> done{0};
    std::atomic<int> loaded{-1};
};

int stopped_load_proc(void *param, const std::atomic<int> *)
{
    StoppedLoad *job = (StoppedLoad *)param;
    while (job->ask_stop && !sn_thread_stop_asked())
        sn_thread_sleep(600000);
    sn_image_t *image = sn_image_create_from_file(job->path.c_str(), -1);
    job->loaded.store(image ? 1 : 0);
    sn_image_destroy(image);
    job->done.store(1);
    return 0;
}

} // namespace

/* A worker asked to stop (the program is ending) does not finish a decode
 * first; the same worker not asked decodes the file. */
TEST_F(JpegTest, ADecodeStopsOnAWorkerAskedToStop)
{
    const std::string jpeg = make("stop.jpg", "-quality 90");
    for (bool ask : {false, true}) {
        SCOPED_TRACE(ask ? "asked to stop" : "running");
        StoppedLoad job;
        job.path = jpeg;
        job.ask_stop = ask;
        zvtest::LogCapture cap;
        sn_thread_t *t = sn_thread_open("loader", -1, 0, stopped_load_proc, &job);
        ASSERT_NE(t, nullptr);
        if (ask)
            sn_thread_ask_stop(t);
        ASSERT_TRUE(zvtest::wait_for([&] { return job.done.load() == 1; }));
        EXPECT_EQ(job.loaded.load(), ask ? 0 : 1);
        EXPECT_EQ(cap.contains("decode stopped: the worker is ending"), ask);
        sn_thread_close(t, 5000);
    }
}
