/*
 * Tests of the stamp-text helpers: size and date texts, keyword expansion
 * (examples, escapes, counters, dates, overlong output) and the text picture,
 * drawn on a worker thread as the preview and batch workers do.
 */
#include <gtest/gtest.h>

#include <locale.h>
#include <string.h>
#include <time.h>
#include <utime.h>

#include <string>
#include <thread>
#include <vector>

#include <QGuiApplication>

#include "stamptext.h"
#include "zv_test.h"

namespace
{

const char *const kSource = "C:/Photos/2012/img.01.jpg";

std::string expand(const char *text, const char *path = kSource, int index = 0, size_t size = 4096)
{
    std::vector<char> buffer(size);
    EXPECT_EQ(0, expand_stamp_keywords(text, path, index, buffer.data(), size));
    return std::string(buffer.data());
}

TEST(FormatFileSize, Table)
{
    struct Case {
        int64_t bytes;
        const char *text;
    } cases[] = {
        {0, "0B"},
        {1023, "1023B"},
        {1024, "1KB"},
        {1048575, "1023KB"},
        {1048576, "1.000MB"},
        {1100000, "1.048MB"},
        {1572864, "1.500MB"},
        {1073741823, "1023.999MB"},
        {1073741824, "1.000GB"},
        {5000000000LL, "4.656GB"},
        {1099511627775LL, "1023.999GB"},
        {1099511627776LL, ""},
        {INT64_MAX, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(QString(c.text), format_file_size(c.bytes));
    }
}

TEST(FormatFileDate, MonthDayYear)
{
    struct tm time = {};
    time.tm_year = 2012 - 1900;
    time.tm_mon = 8;
    time.tm_mday = 1;
    EXPECT_EQ(QString("Sep-01-2012"), format_file_date(&time));
    time.tm_mon = 11;
    time.tm_mday = 31;
    time.tm_year = 1999 - 1900;
    EXPECT_EQ(QString("Dec-31-1999"), format_file_date(&time));
    EXPECT_TRUE(format_file_date(NULL).isEmpty());
}

TEST(ExpandStampKeywords, ExamplesAndPieces)
{
    struct Case {
        const char *text;
        const char *path;
        const char *expected;
    } cases[] = {
        {"<Filename><Extension>", kSource, "img.01.jpg"},
        {"Taken in <Foldername> (<Path>)", kSource, "Taken in 2012 (C:/Photos/2012)"},
        {"<COUNTER 5:1:3> of <Unknown>!", kSource, "005 of !"},
        {"a\\<b> <Filename>", kSource, "a<b> img.01"},
        {"<Filename", kSource, "img.01"},
        {"x<Filename>\\<y", kSource, "ximg.01\\"},
        {"<Pathway>|<fileNAME>", kSource, "C:/Photos/2012|img.01"},
        {"no keywords at all", kSource, "no keywords at all"},
        {"", kSource, ""},
        {"\\<only", kSource, "<only"},
        {"[<Path>][<Foldername>][<Filename>][<Extension>]", "img.jpg", "[][][img][.jpg]"},
        {"[<Path>][<Foldername>][<Filename>][<Extension>]", "", "[][][][]"},
        {"[<Path>][<Foldername>][<Filename>][<Extension>]", "C:/img.jpg", "[C:][][img][.jpg]"},
        {"[<Filename>][<Extension>]", "/a.b/noext", "[noext][]"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(std::string(c.expected), expand(c.text, c.path));
    }
}

TEST(ExpandStampKeywords, Counter)
{
    struct Case {
        const char *text;
        int index;
        const char *expected;
    } cases[] = {
        {"<Counter 7:3:4>", 0, "0007"}, {"<Counter 1:1>", 0, ""},
        {"<Counter 1:1:0>", 0, "1"},    {"<Counter 1:2:3>", 4, "009"},
        {"<Counter -5:1:2>", 0, "-5"},  {"<Counter 0:2147483647:1>", 3, "6442450941"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(std::string(c.expected), expand(c.text, kSource, c.index));
    }
}

TEST(ExpandStampKeywords, CopyrightIsUtf8)
{
    QString text = QString::fromUtf8(expand("<Copyright> 2012").c_str());
    EXPECT_EQ(QString(QChar(0x00A9)) + " 2012", text);
}

TEST(ExpandStampKeywords, DatetimeUsesThePhotosModificationTime)
{
    zvtest::TempDir dir;
    std::string photo = dir.file("photo.jpg");
    ASSERT_TRUE(zvtest::write_file(photo, std::string("x")));
    struct tm moment = {};
    moment.tm_year = 2012 - 1900;
    moment.tm_mon = 8;
    moment.tm_mday = 1;
    moment.tm_hour = 15;
    moment.tm_min = 4;
    moment.tm_sec = 5;
    moment.tm_isdst = -1;
    struct utimbuf times;
    times.actime = times.modtime = mktime(&moment);
    ASSERT_EQ(0, utime(photo.c_str(), &times));

    struct Case {
        const char *text;
        const char *expected;
    } cases[] = {
        /* The first keyword sees "Photo" in the second; the second finds no
         * pattern from its own '<' on. */
        {"<Datetime MMM-DD-YYYY> <Datetime Photo>", "Sep-01-2012 "},
        {"<Datetime Photo YYYY-MM-DD HH-MM-SS 24>", "2012-09-01 15-04-05"},
        {"<Datetime Photo DD-MM-YY HH-MM>", "01-09-12 03-04 PM"},
        {"<Datetime Photo YY-MMM-DD>", "12-Sep-01"},
        {"<Datetime Photo>", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(std::string(c.expected), expand(c.text, photo.c_str()));
    }

    /* Without "Photo" (or without a readable file) the moment is now. */
    char year[8];
    time_t now = time(NULL);
    struct tm local;
    localtime_r(&now, &local);
    strftime(year, sizeof year, "%Y", &local);
    EXPECT_EQ(std::string(year), expand("<Datetime YYYY-MM-DD>", photo.c_str()).substr(0, 4));
    EXPECT_EQ(std::string(year), expand("<Datetime Photo YYYY-MM-DD>", "/no/such").substr(0, 4));
}

/* The 1023-byte margin: a pass starts only while fewer than size - 1023 bytes
 * are written (3073 stop the next pass, 3072 do not). */
TEST(ExpandStampKeywords, MarginBeforeEachPass)
{
    for (int literal : {3065, 3066}) {
        SCOPED_TRACE(literal);
        std::string text = std::string((size_t)literal, 'a') + "<Filename>x<Extension>";
        std::string out = expand(text.c_str());
        std::string head = std::string((size_t)literal, 'a') + "img.01x";
        EXPECT_EQ(literal == 3065 ? head + ".jpg" : head, out);
    }
}

/* Every overlong pass is cut at the buffer: the bytes after it stay untouched
 * and the output ends with a NUL inside it. */
TEST(ExpandStampKeywords, OverlongOutputIsCutAndTerminated)
{
    std::string long_folder = "/" + std::string(3000, 'f');
    std::string long_path = long_folder + "/name.jpg";
    std::string long_literal(5000, 'a');
    std::string escaped = "\\<" + std::string(5000, 'b');
    struct Case {
        std::string text;
        std::string path;
        size_t size;
        std::string expected;
    } cases[] = {
        {long_literal, kSource, 4096, std::string(4095, 'a')},
        {escaped, kSource, 4096, "<" + std::string(4094, 'b')},
        {"<Path><Path>", long_path, 4096, (long_folder + long_folder).substr(0, 4095)},
        /* Padding stops at 1023 digits, as in output names. */
        {"<Counter 1:1:100000>", kSource, 4096, std::string(1022, '0') + "1"},
        {"<Counter 1:1:100000>", kSource, 512, std::string(511, '0')},
        {"<Counter 1:1:2147483647>", kSource, 64, std::string(63, '0')},
        {"<Filename><Extension>", kSource, 8, "img.01."},
        {"<Filename>", kSource, 1, ""},
        {"abc", kSource, 2, "a"},
    };
    const char canary = '\x5A';
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40) + " / " + std::to_string(c.size));
        std::vector<char> buffer(c.size + 64, canary);
        EXPECT_EQ(0,
                  expand_stamp_keywords(c.text.c_str(), c.path.c_str(), 0, buffer.data(), c.size));
        EXPECT_EQ('\0', buffer[c.size - 1]);
        EXPECT_EQ(c.expected, std::string(buffer.data()));
        for (size_t i = c.size; i < buffer.size(); i++)
            ASSERT_EQ(canary, buffer[i]) << "written past the buffer at " << i;
    }
}

TEST(ExpandStampKeywords, BadArguments)
{
    char out[16];
    memset(out, 'x', sizeof out);
    EXPECT_EQ(0, expand_stamp_keywords(NULL, kSource, 0, out, sizeof out));
    EXPECT_EQ('\0', out[0]);
    EXPECT_EQ(0, expand_stamp_keywords("<Filename>|", NULL, 0, out, sizeof out));
    EXPECT_STREQ("|", out);
    EXPECT_EQ(-1, expand_stamp_keywords("a", kSource, 0, NULL, 16));
    EXPECT_EQ(-1, expand_stamp_keywords("a", kSource, 0, out, 0));
}

TEST(RenderTextImage, EmptyTextGivesNull)
{
    EXPECT_EQ(nullptr, render_text_image(QString(), QFont("DejaVu Sans", 20), Qt::red));
    char out[16];
    expand_stamp_keywords("", kSource, 0, out, sizeof out);
    EXPECT_EQ(nullptr, render_text_image(QString::fromUtf8(out), QFont(), Qt::red));
}

/* Drawn on another thread: transparent background, straight alpha so that the
 * anti-aliased edge keeps the text's colour. */
TEST(RenderTextImage, StraightAlphaOffTheInterfaceThread)
{
    struct Case {
        QColor color;
    } cases[] = {{QColor(255, 0, 0)},
                 {QColor(0, 0, 255)},
                 {QColor(255, 255, 255)},
                 {QColor(200, 100, 50)},
                 {QColor(0, 128, 255, 128)}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.color.name(QColor::HexArgb).toStdString());
        sn_image_t *image = nullptr;
        std::thread worker([&] {
            QFont font("DejaVu Sans", 28);
            font.setStyleStrategy(QFont::PreferAntialias);
            image = render_text_image(QString("Zandrevik 2012"), font, c.color);
        });
        worker.join();
        ASSERT_NE(nullptr, image);
        EXPECT_EQ(1, image->frame_count);
        EXPECT_EQ(1, image->has_alpha);
        EXPECT_GT(image->width, image->height);
        int full = 0, partial = 0, clear = 0;
        for (int y = 0; y < image->height; y++) {
            const uint8_t *bytes = reinterpret_cast<const uint8_t *>(image->frames[0].rows[y]);
            for (int x = 0; x < image->width; x++, bytes += 4) {
                /* Bytes in memory: alpha, red, green, blue. */
                int a = bytes[0], r = bytes[1], g = bytes[2], b = bytes[3];
                if (a == 0) {
                    clear++;
                    ASSERT_EQ(0, r | g | b) << "transparent pixels are black";
                    continue;
                }
                ASSERT_LE(a, c.color.alpha());
                (a == c.color.alpha() ? full : partial)++;
                ASSERT_EQ(c.color.red(), r) << "at " << x << "," << y << " alpha " << a;
                ASSERT_EQ(c.color.green(), g) << "at " << x << "," << y << " alpha " << a;
                ASSERT_EQ(c.color.blue(), b) << "at " << x << "," << y << " alpha " << a;
            }
        }
        EXPECT_GT(full, 0);
        EXPECT_GT(partial, 0);
        EXPECT_GT(clear, full);
        sn_image_destroy(image);
    }
}

TEST(CurrentTimeMs, WallClockInSixtyFourBits)
{
    /* time() reads a coarse clock that can trail the wall clock by a tick,
     * so the bounds come from the precise clock, truncated to milliseconds. */
    auto wall_ms = [] {
        struct timespec ts;
        clock_gettime(CLOCK_REALTIME, &ts);
        return (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
    };
    int64_t before = wall_ms();
    int64_t now = current_time_ms();
    int64_t after = wall_ms();
    EXPECT_GT(now, (int64_t)INT32_MAX);
    EXPECT_GE(now, before);
    EXPECT_LE(now, after);
    EXPECT_GE(current_time_ms(), now);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    /* Qt takes the environment's locale; month names are the C library's. */
    setlocale(LC_TIME, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
