/*
 * Pieces shared by the codec tests: the fixture that starts the image library
 * and makes ImageMagick sources in a temporary folder, identify's view of a
 * file, the largest channel difference of two pixels, a save under a
 * file-size limit, the loop that feeds broken files to the reader and
 * loads a good one after each, and a load in a child whose peak memory is
 * read back.
 */
#ifndef CODEC_FIXTURE_H
#define CODEC_FIXTURE_H

#include "image/sn_image.h"
#include "zv_test.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

namespace cfx
{

class CodecTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        sn_image_init();
    }
};

/* Sources made by ImageMagick's convert: a noisy colour picture and the same
 * with alpha from 0 to 255 across it, so that every level is seen.
 * source_tail is added to both command lines. */
class MagickSourceTest : public CodecTest
{
protected:
    void SetUp() override
    {
        if (!zvtest::have_tool("convert"))
            GTEST_SKIP() << "ImageMagick convert is needed";
    }
    std::string make(const std::string &name, const std::string &args)
    {
        std::string path = dir.file(name);
        EXPECT_EQ(0, zvtest::run("convert " + args + " " + zvtest::quote(path) + " 2>/dev/null"))
            << args;
        return path;
    }
    std::string source()
    {
        return make("src.png",
                    "-seed 3 -size 40x30 gradient:red-blue +noise Gaussian" + source_tail);
    }
    std::string alpha_source()
    {
        std::string src = source();
        return make("alpha.png", zvtest::quote(src) +
                                     " \\( -size 30x40 gradient:white-black -rotate 90 \\) "
                                     "-alpha off -compose CopyOpacity -composite" +
                                     source_tail);
    }
    zvtest::TempDir dir;
    std::string source_tail;
};

/* ImageMagick's identify -format of the first image in path. */
inline std::string identify_first(const std::string &path, const char *format)
{
    zvtest::TempDir tmp;
    std::string out = tmp.file("id");
    zvtest::run(std::string("identify -format '") + format + "' " + zvtest::quote(path + "[0]") +
                " > " + zvtest::quote(out) + " 2>/dev/null");
    std::vector<uint8_t> b = zvtest::read_file(out);
    return std::string(b.begin(), b.end());
}

/* Largest difference of any of the four channels of two pixel words. */
inline int channel_diff(uint32_t a, uint32_t b)
{
    int d = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        int v = abs((int)((a >> shift) & 0xFF) - (int)((b >> shift) & 0xFF));
        d = v > d ? v : d;
    }
    return d;
}

/* Saves image to path with the process's file-size limit at limit bytes, so
 * that the library's writes fail part-way; *rc is the save's result. */
inline void save_with_size_limit(sn_image_t *image, const std::string &path, int format,
                                 rlim_t limit_bytes, int *rc)
{
    struct rlimit old_limit, limit;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &old_limit));
    limit = old_limit;
    limit.rlim_cur = limit_bytes;
    void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limit));
    *rc = sn_image_save(image, path.c_str(), format, nullptr);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    signal(SIGXFSZ, old_handler);
}

/* A broken file, the log text its load must produce, and optionally a second
 * text that must be logged too. */
struct BrokenCase {
    BrokenCase(std::string name_, std::vector<uint8_t> bytes_, std::string message_,
               std::string also_ = std::string())
        : name(std::move(name_)), bytes(std::move(bytes_)), message(std::move(message_)),
          also(std::move(also_))
    {
    }
    std::string name;
    std::vector<uint8_t> bytes;
    std::string message;
    std::string also;
};

/* Each case, written to dir as its name plus extension, loads as null with
 * its message logged, and the good file loads right after it (good_width
 * wide, with has_alpha good_alpha unless that is -1): a failed read leaves
 * nothing behind that spoils the next. */
inline void expect_broken_files_fail(const zvtest::TempDir &dir, const std::string &extension,
                                     const std::vector<BrokenCase> &cases, const std::string &good,
                                     int good_width, int good_alpha = -1)
{
    for (const BrokenCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.file(c.name + extension);
        ASSERT_TRUE(zvtest::write_file(path, c.bytes));
        zvtest::LogCapture log;
        EXPECT_EQ(nullptr, sn_image_create_from_file(path.c_str(), -1));
        EXPECT_TRUE(log.contains(c.message));
        if (!c.also.empty()) {
            EXPECT_TRUE(log.contains(c.also));
        }

        sn_image_t *next = sn_image_create_from_file(good.c_str(), -1);
        ASSERT_NE(nullptr, next);
        EXPECT_EQ(good_width, next->width);
        if (good_alpha >= 0) {
            EXPECT_EQ(good_alpha, next->has_alpha);
        }
        sn_image_destroy(next);
    }
}

/* Loads path in a child process and reads back what the load cost: whether
 * it gave an image, and the child's peak resident memory in KiB. A load that
 * allocates and fills a frame it cannot decode shows here. */
struct ChildLoad {
    bool ran = false;
    bool loaded = false;
    long peak_kib = 0;
};

inline ChildLoad load_in_child(const std::string &path)
{
    ChildLoad result;
    pid_t child = fork();
    if (child < 0)
        return result;
    if (child == 0) {
        sn_image_t *image = sn_image_create_from_file(path.c_str(), -1);
        _exit(image ? 1 : 0);
    }
    int status = 0;
    struct rusage usage;
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status))
        return result;
    result.ran = true;
    result.loaded = WEXITSTATUS(status) == 1;
    result.peak_kib = usage.ru_maxrss;
    return result;
}

/* Far below any frame these tests' hostile headers claim, far above what a
 * test process takes with the sanitizers on. */
const long k_refusal_peak_kib = 400L * 1024;

} // namespace cfx

#endif
