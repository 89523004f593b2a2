/*
 * The format vocabulary and registries, loading and guessing by content,
 * saving by id or by extension, and the in-memory format, with the exact
 * messages of each failure.
 */
#include "image/sn_image.h"
#include "image/sn_image_codec.h"
#include "zv_test.h"

#include <gtest/gtest.h>

#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

using image_ptr = zvtest::ImagePtr;

/* A 2 x 2 24-bit BMP: bottom row blue, white; top row red, green. */
std::vector<uint8_t> small_bmp()
{
    const uint8_t bytes[70] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0,
                               0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0,
                               0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               /* rows, bottom first, each padded to 8 bytes */
                               0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};
    return std::vector<uint8_t>(bytes, bytes + sizeof bytes);
}

image_ptr white_image(int width, int height)
{
    image_ptr image(sn_image_create(width, height, 1));
    if (image && sn_image_allocate_frame(image.get(), 0) == 0)
        memset(image->frames[0].pixels, 0xFF, (size_t)width * (size_t)height * 4);
    return image;
}

class FormatTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sn_image_init();
    }
    zvtest::TempDir dir;
};

TEST_F(FormatTest, NamesExtensionsAndIds)
{
    struct Case {
        int id;
        const char *name, *ext;
    } cases[] = {{0, "UNKNOWN", ""},  {1, "UNKNOWN", ""},   {2, "BMP", ".bmp"},
                 {3, "JPG", ".jpg"},  {4, "GIF", ".gif"},   {5, "PNG", ".png"},
                 {6, "TIFF", ".tif"}, {7, "TGA", ".tga"},   {8, "UNKNOWN", ""},
                 {17, "UNKNOWN", ""}, {18, "RAW", ".raw"},  {19, "UNKNOWN", ""},
                 {-1, "UNKNOWN", ""}, {1000, "UNKNOWN", ""}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_STREQ(sn_image_format_name(c.id), c.name);
        EXPECT_STREQ(sn_image_format_ext(c.id), c.ext);
    }
    struct Name {
        const char *name;
        int id;
    } names[] = {{"BMP", 2}, {"JPG", 3},     {"GIF", 4}, {"PNG", 5},  {"TIFF", 6},
                 {"TGA", 7}, {"RAW", 18},    {"jpg", 0}, {"JPEG", 0}, {"Tiff", 0},
                 {"", 0},    {"UNKNOWN", 0}, {"BMP ", 0}};
    for (const Name &n : names) {
        SCOPED_TRACE(n.name);
        EXPECT_EQ(sn_image_format_from_name(n.name), n.id);
    }
    EXPECT_EQ(sn_image_format_from_name(nullptr), 0);
}

TEST_F(FormatTest, RegistriesHoldEveryCodecInOrderOnce)
{
    sn_image_init(); /* a second registration changes nothing */
    std::vector<int> in, out;
    for (const snimage_iformat_t *f = snimage_next_iformat(nullptr); f; f = snimage_next_iformat(f))
        in.push_back(f->id);
    for (const snimage_oformat_t *f = snimage_next_oformat(nullptr); f; f = snimage_next_oformat(f))
        out.push_back(f->id);
    EXPECT_EQ(in, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(out, (std::vector<int>{2, 3, 4, 5, 6}));
    EXPECT_EQ(snimage_find_iformat(1), &snimage_memory_iformat);
    EXPECT_EQ(snimage_find_iformat(2), &snimage_bmp_iformat);
    EXPECT_EQ(snimage_find_oformat(2), &snimage_bmp_oformat);
    EXPECT_EQ(snimage_find_oformat(1), nullptr);
    EXPECT_EQ(snimage_find_oformat(7), nullptr);
    EXPECT_EQ(snimage_find_iformat(18), nullptr);
    EXPECT_STREQ(snimage_find_iformat(3)->extensions, "jpeg,jpg");
    EXPECT_STREQ(snimage_find_iformat(6)->extensions, "tiff,tif");
    EXPECT_STREQ(snimage_memory_iformat.extensions, "");
}

TEST_F(FormatTest, ExtensionMatching)
{
    const std::string long_item(40, 'x');
    struct Case {
        const char *path, *list;
        int result;
    } cases[] = {
        {"a.jpg", "jpeg,jpg", 0}, {"a.JPEG", "jpeg,jpg", 0},  {"dir.x/a.Jpg", "jpeg,jpg", 0},
        {"a.jp", "jpeg,jpg", -1}, {"a.jpgx", "jpeg,jpg", -1}, {"noext", "bmp", -1},
        {"a.tar.bmp", "bmp", 0},  {"a.bmp.png", "bmp", -1},   {"a.", "bmp", -1},
        {"a.bmp", "", -1},        {"a.tif", "tiff,tif", 0},   {"a.", "", -1},
        {"/x/.bmp", "bmp", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.path << " in " << c.list);
        EXPECT_EQ(snimage_match_extension(c.path, c.list), c.result);
    }
    /* Items longer than 31 characters never match. */
    std::string list = long_item + ",bmp";
    EXPECT_EQ(snimage_match_extension(("a." + long_item).c_str(), list.c_str()), -1);
    EXPECT_EQ(snimage_match_extension("a.bmp", list.c_str()), 0);

    EXPECT_EQ(snimage_guess_oformat("OUT.BMP"), &snimage_bmp_oformat);
    EXPECT_EQ(snimage_guess_oformat("out.tga"), nullptr);
    EXPECT_EQ(snimage_guess_oformat("out"), nullptr);
}

TEST_F(FormatTest, LoadingGoesByContentNotByName)
{
    std::string path = dir.file("really-a-bmp.png");
    ASSERT_TRUE(zvtest::write_file(path, small_bmp()));
    zvtest::LogCapture log;
    image_ptr image(sn_image_create_from_file(path.c_str(), -1));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->format, SN_IMAGE_FORMAT_BMP);
    EXPECT_EQ(image->input_format, &snimage_bmp_iformat);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->frame_count, 1);
    ASSERT_NE(image->reader, nullptr);
    EXPECT_STREQ(image->reader->path, path.c_str());
    EXPECT_EQ(image->reader->owner, image.get());
    EXPECT_EQ(image->reader->codec_state, nullptr); /* closed before it is handed out */
    EXPECT_EQ(image->frames[0].rows[0][0], SN_PIXEL(0xFF, 0xFF, 0, 0));
    EXPECT_EQ(image->frames[0].rows[0][1], SN_PIXEL(0xFF, 0, 0xFF, 0));
    EXPECT_EQ(image->frames[0].rows[1][0], SN_PIXEL(0xFF, 0, 0, 0xFF));
    EXPECT_EQ(image->frames[0].rows[1][1], 0xFFFFFFFFu);
    EXPECT_TRUE(log.contains("[sn_image_create_from_file]"));
    EXPECT_TRUE(log.contains("matched file format 2, extensions:bmp\n"));

    EXPECT_EQ(sn_image_guess_format(path.c_str()), SN_IMAGE_FORMAT_BMP);
    EXPECT_TRUE(log.contains("[snimage_guess_iformat]"));

    /* A last frame past the file's count reads them all. */
    image_ptr again(sn_image_create_from_file(path.c_str(), 5));
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again->frames[0].rows, nullptr);
}

TEST_F(FormatTest, LoadingFailuresAndTheirMessages)
{
    struct Case {
        const char *name;
        std::vector<uint8_t> bytes;
        bool create;
        const char *message;
    } cases[] = {
        {"missing.bmp", {}, false, "fopen FAILED! "},
        {"empty.bmp", {}, true, "unknown file type!\n"},
        {"text.bmp", {'h', 'e', 'l', 'l', 'o'}, true, "unknown file type!\n"},
        {"b.bmp", {'B'}, true, "unknown file type!\n"},
        {"short.bmp",
         {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0},
         true,
         "read_header FAILED!\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.file(c.name);
        if (c.create) {
            ASSERT_TRUE(zvtest::write_file(path, c.bytes));
        }
        zvtest::LogCapture log;
        EXPECT_EQ(sn_image_create_from_file(path.c_str(), -1), nullptr);
        EXPECT_TRUE(log.contains("[sn_image_create_from_file]"));
        EXPECT_TRUE(log.contains(c.message));
        EXPECT_TRUE(log.contains("FAILED!") || std::string(c.message) == "unknown file type!\n");
        if (!c.create) {
            EXPECT_TRUE(log.contains("fopen FAILED! " + path + "\n"));
            EXPECT_EQ(sn_image_guess_format(path.c_str()), 0);
        }
    }
    EXPECT_EQ(sn_image_guess_format(dir.file("empty.bmp").c_str()), 0);
    EXPECT_EQ(sn_image_create_from_file(nullptr, -1), nullptr);
}

/* A named pipe in the file list used to block the loader in its open until
 * a writer came, and the batch worker with it. The loads run in a child that
 * an alarm ends, so that a regression fails the test instead of hanging it. */
TEST_F(FormatTest, PathsThatAreNotRegularFilesAreRefusedWithoutOpening)
{
    std::string fifo = dir.file("pipe.png");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    std::string folder = dir.file("folder.jpg");
    ASSERT_EQ(0, mkdir(folder.c_str(), 0700));
    const std::string paths[] = {fifo, folder, "/dev/null", "/dev/zero"};
    for (const std::string &path : paths) {
        SCOPED_TRACE(path);
        zvtest::LogCapture log;
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            alarm(10);
            bool refused = sn_image_create_from_file(path.c_str(), -1) == nullptr &&
                           sn_image_guess_format(path.c_str()) == 0;
            _exit(refused ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        ASSERT_TRUE(WIFEXITED(status)) << "the load blocked or crashed";
        EXPECT_EQ(0, WEXITSTATUS(status));
        EXPECT_TRUE(zvtest::wait_for(
            [&] { return log.contains("not a regular file FAILED! " + path + "\n"); }));
    }
}

/* Puts a named pipe in the place of the opened file, as another program
 * could between the loader's check and the formats' look at the file. */
static std::string g_swap_path;
static void swap_for_pipe(const char *path)
{
    std::string fifo = g_swap_path + ".fifo";
    if (mkfifo(fifo.c_str(), 0600) == 0)
        rename(fifo.c_str(), path);
}

/* The probes and readers used to open the name again (the GIF probe for
 * every file not claimed before it), and a pipe swapped in after the check
 * blocked them for good. They read the file that was opened and checked. */
TEST_F(FormatTest, AFileSwappedForAPipeAfterItsCheckIsReadFromTheOpenedFile)
{
    const int formats[] = {SN_IMAGE_FORMAT_BMP, SN_IMAGE_FORMAT_JPEG, SN_IMAGE_FORMAT_GIF,
                           SN_IMAGE_FORMAT_PNG, SN_IMAGE_FORMAT_TIFF};
    image_ptr white = white_image(5, 3);
    ASSERT_NE(white, nullptr);
    sn_image_write_params_t params = {90, 24, 0, 0};
    for (int format : formats) {
        SCOPED_TRACE(sn_image_format_name(format));
        std::string path = dir.file(std::string("swapped") + sn_image_format_ext(format));
        ASSERT_EQ(0, sn_image_save(white.get(), path.c_str(), format, &params));
        g_swap_path = path;
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            alarm(10);
            snimage_opened_hook = swap_for_pipe;
            image_ptr image(sn_image_create_from_file(path.c_str(), -1));
            snimage_opened_hook = nullptr;
            struct stat st;
            bool ok = image && image->format == format && image->width == 5 && image->height == 3 &&
                      image->frames[0].rows[2][4] == 0xFFFFFFFFu && lstat(path.c_str(), &st) == 0 &&
                      S_ISFIFO(st.st_mode) && sn_image_guess_format(path.c_str()) == 0;
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        ASSERT_TRUE(WIFEXITED(status)) << "the load blocked or crashed";
        EXPECT_EQ(0, WEXITSTATUS(status));
        unlink(path.c_str());
    }
}

TEST_F(FormatTest, SavingByIdOrByExtension)
{
    image_ptr image = white_image(3, 2);
    struct Case {
        const char *name;
        int id;
    } cases[] = {{"a.bmp", 0}, {"b.BMP", 0}, {"c.Bmp", 0}, {"d.png", 2}, {"e", 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.file(c.name);
        ASSERT_EQ(sn_image_save(image.get(), path.c_str(), c.id, nullptr), 0);
        EXPECT_EQ(sn_image_guess_format(path.c_str()), SN_IMAGE_FORMAT_BMP);
    }
}

TEST_F(FormatTest, SavingWithoutAWriterFails)
{
    image_ptr image = white_image(3, 2);
    struct Case {
        const char *name;
        int id;
    } cases[] = {{"a.tga", 0}, {"a.raw", 0},  {"noext", 0}, {"a.bmp", 1},
                 {"a.bmp", 7}, {"a.bmp", 18}, {"a.bmp", 99}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.id);
        std::string path = dir.file(c.name);
        zvtest::LogCapture log;
        EXPECT_EQ(sn_image_save(image.get(), path.c_str(), c.id, nullptr), -1);
        char want[512];
        snprintf(want, sizeof want, "unknown output format, file:%s, format:%d\n", path.c_str(),
                 c.id);
        EXPECT_TRUE(log.contains("[sn_image_save]"));
        EXPECT_TRUE(log.contains(want));
        EXPECT_FALSE(zvtest::file_exists(path));
    }
    /* An image without a frame has nothing to write. */
    image_ptr empty(sn_image_create(3, 2, 1));
    EXPECT_EQ(sn_image_save(empty.get(), dir.file("x.bmp").c_str(), 0, nullptr), -1);
}

TEST_F(FormatTest, InMemoryFormat)
{
    image_ptr image(sn_image_create(3, 2, 3));
    snimage_reader_t *reader = image->reader;
    const snimage_iformat_t *f = image->input_format;
    ASSERT_EQ(f, &snimage_memory_iformat);
    const unsigned char bytes[4] = {'B', 'M', 0, 0};
    EXPECT_EQ(f->probe(reader, bytes, 4), -1);
    EXPECT_EQ(f->read_header(reader), 0);
    EXPECT_EQ(f->close(reader), 0);

    EXPECT_EQ(f->read_frames(reader, -1, 0), -1);
    EXPECT_EQ(f->read_frames(reader, 0, 3), -1);
    /* A frame already there is left as it is. */
    ASSERT_EQ(sn_image_allocate_frame(image.get(), 1), 0);
    memset(image->frames[1].pixels, 0x12, 3 * 2 * 4);
    ASSERT_EQ(f->read_frames(reader, 0, 2), 0);
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(image->frames[0].pixels[i], 0xFFFFFFFFu);
        EXPECT_EQ(image->frames[1].pixels[i], 0x12121212u);
        EXPECT_EQ(image->frames[2].pixels[i], 0xFFFFFFFFu);
    }

    image_ptr flat(sn_image_create(0, 2, 1));
    EXPECT_EQ(flat->input_format->read_frames(flat->reader, 0, 0), -1);
}

} // namespace
