/*
 * Output naming: (source, index, settings, template) -> exact output path for
 * every keyword, the folder choices and separators, the length limits; and
 * the output keys of a profile.
 */
#include "outputconfig.h"

#include "image/sn_image.h"
#include "zv_test.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <utime.h>

#include <string>

namespace
{

/* 2021-03-04 17:06:07 UTC, a Thursday afternoon. */
const time_t k_photo_time = 1614877567;

struct ConfigGuard {
    outputconfig_t *config = outputconfig_create();
    ~ConfigGuard()
    {
        outputconfig_destroy(config);
    }
};

class OutputNaming : public testing::Test
{
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        sn_image_init();
        photo_ = dir_.file("photos/IMG_7.jpg");
        mkdir(dir_.file("photos").c_str(), 0755);
        ASSERT_TRUE(zvtest::write_file(photo_, std::string("not an image")));
        struct utimbuf times = {k_photo_time, k_photo_time};
        ASSERT_EQ(utime(photo_.c_str(), &times), 0);
    }

    std::string name(outputconfig_t *c, const std::string &source, int index)
    {
        char buf[OUTPUTCONFIG_TEXT_SIZE];
        const char *n = outputconfig_get_write_name(c, source.c_str(), index, buf, sizeof buf);
        return n ? std::string(n) : std::string("<null>");
    }

    zvtest::TempDir dir_;
    std::string photo_;
};

struct Case {
    const char *source; /* "@" stands for the temporary photo with a known date */
    int index;
    const char *folder;
    int use_source_folder;
    const char *tmpl;
    int format;
    const char *expected; /* "@" stands for the photo's folder */
};

std::string substitute(const char *text, const std::string &value)
{
    std::string s(text);
    size_t at = s.find('@');
    if (at != std::string::npos)
        s.replace(at, 1, value);
    return s;
}

} // namespace

TEST_F(OutputNaming, KeywordTable)
{
    const int JPG = SN_IMAGE_FORMAT_JPEG, PNG = SN_IMAGE_FORMAT_PNG, BMP = SN_IMAGE_FORMAT_BMP;
    const Case cases[] = {
        {"C:/pics/IMG_01.jpg", 4, "D:/out", 0, "<Filename>_<Counter 1:2:3>", PNG,
         "D:/out/IMG_01_009.png"},
        {"C:/pics/IMG_01.jpg", 4, "D:/out", 0, "<Extension>", JPG, "D:/out/.jpg.jpg"},
        {"C:/pics/IMG_01.jpg", 4, "D:/out", 0, "<Unknown>", JPG, "D:/out/(4).jpg"},
        {"C:/pics/IMG_01.jpg", 4, "D:/out/", 0, "", JPG, "D:/out/IMG_01.jpg"},
        {"C:/pics/IMG_01.jpg", 4, "D://out///", 0, "", BMP, "D:/out/IMG_01.bmp"},
        {"C:/pics/IMG_01.jpg", 0, "", 0, "", JPG, "IMG_01.jpg"},
        {"C:/pics/IMG_01.jpg", 0, "D:/out", 1, "", PNG, "C:/pics/IMG_01.png"},
        {"C:/pics/IMG_01.jpg", 0, "D:/out", 0, "", 0, "D:/out/IMG_01"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "<FILENAME>-<foldername>", JPG, "/o/IMG_01-pics.jpg"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "pre<Filename>mid<Extension>post", JPG,
         "/o/preIMG_01mid.jpgpost.jpg"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "plain name", JPG, "/o/plain name.jpg"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "a<Counter 1:1:4", JPG, "/o/a0001.jpg"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "a<Filename", JPG, "/o/aIMG_01.jpg"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "a<Counter", JPG, "/o/a.jpg"},
        {"C:/pics/IMG_01.jpg", 2, "/o", 0, "<Counter 5:-1:0>", JPG, "/o/3.jpg"},
        {"C:/pics/IMG_01.jpg", 2, "/o", 0, "<Counter  7 : 1:2>", JPG, "/o/(2).jpg"},
        {"C:/pics/IMG_01.jpg", 2, "/o", 0, "<Counter x>", JPG, "/o/(2).jpg"},
        {"C:/pics/IMG_01.jpg", 2, "/o", 0, "<Counter 2147483647:2147483647:12>", JPG,
         "/o/006442450941.jpg"},
        {"C:/pics/IMG_01.jpg", 1, "/o", 0, "<Counter 0:1:3>-<Counter 100:10:1>", JPG,
         "/o/001-110.jpg"},
        {"archive.tar.gz", 0, "/o", 0, "<Filename>|<Extension>|<Foldername>|", 0,
         "/o/archive.tar|.gz||"},
        {"noslash", 3, "", 1, "", JPG, "noslash.jpg"},
        {"/root.jpg", 3, "", 1, "<Foldername>x", JPG, "/x.jpg"},
        /* A name may go into sub-folders, but never reaches out of its
         * folder, and names a file. */
        {"C:/pics/IMG_01.jpg", 0, "C:", 0, "/", 0, "<null>"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "../<Filename>", JPG, "<null>"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "<Filename>/x", JPG, "/o/IMG_01/x.jpg"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 1, "/etc/<Filename>", JPG, "C:/pics/etc/IMG_01.jpg"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "sub/<Filename>", JPG, "/o/sub/IMG_01.jpg"},
        {"C:/pics/IMG_01.jpg", 2, "/o", 0, "a//b/<Filename>_<Counter 1:1:3>", JPG,
         "/o/a/b/IMG_01_003.jpg"},
        {"C:/pics/IMG_01.jpg", 0, "", 0, "/sub/<Filename>", JPG, "sub/IMG_01.jpg"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "a/../../x", JPG, "<null>"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "./x", JPG, "<null>"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "x/..", JPG, "<null>"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "x/.", 0, "<null>"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "sub/", 0, "<null>"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "sub/", JPG, "<null>"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "a.b/..c", JPG, "/o/a.b/..c.jpg"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "..", 0, "<null>"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, ".", 0, "<null>"},
        {"C:/pics/IMG_01.jpg", 0, "/o", 0, "..", JPG, "/o/...jpg"},
        {"C:/pics/../IMG_01.jpg", 0, "/o", 0, "<Foldername>", JPG, "/o/...jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo MMM-DD-YYYY>", JPG, "/o/Mar-04-2021.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo MMM-DD-YY>", JPG, "/o/Mar-04-21.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo DD-MMM-YYYY>", JPG, "/o/04-Mar-2021.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo DD-MMM-YY>", JPG, "/o/04-Mar-21.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo YYYY-MMM-DD>", JPG, "/o/2021-Mar-04.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo YY-MMM-DD>", JPG, "/o/21-Mar-04.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo MM-DD-YYYY>", JPG, "/o/03-04-2021.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo MM-DD-YY>", JPG, "/o/03-04-21.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo DD-MM-YYYY>", JPG, "/o/04-03-2021.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo DD-MM-YY>", JPG, "/o/04-03-21.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo YYYY-MM-DD>", JPG, "/o/2021-03-04.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo YY-MM-DD>", JPG, "/o/21-03-04.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo YYYY-MM-DD HH-MM-SS 24>", JPG,
         "/o/2021-03-04 17-06-07.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo YYYY-MM-DD HH-MM-SS>", JPG,
         "/o/2021-03-04 05-06-07 PM.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo HH-MM 24>", JPG, "/o/ 17-06.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo HH-MM>", JPG, "/o/ 05-06 PM.jpg"},
        {"@", 0, "/o", 0, "<Datetime Photo>", JPG, "/o/(0).jpg"},
        /* The words are looked for up to the end of the template, past '>'. */
        {"@", 0, "/o", 0, "<Datetime>_<Filename> Photo DD-MM-YY", JPG,
         "/o/04-03-21_IMG_7 Photo DD-MM-YY.jpg"},
        /* Case counts for the words. */
        {"@", 0, "/o", 0, "<Datetime photo yyyy-mm-dd>", JPG, "/o/(0).jpg"},
        {"@", 0, "/o", 1, "<Foldername>-<Datetime Photo YYYY-MM-DD HH-MM 24>", JPG,
         "@/photos-2021-03-04 17-06.jpg"},
    };
    std::string photo_folder = dir_.file("photos");
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << " | " << c.tmpl << " | " << c.folder);
        ConfigGuard g;
        strcpy(g.config->output_folder, c.folder);
        strcpy(g.config->filename_template, c.tmpl);
        g.config->use_source_folder = c.use_source_folder;
        g.config->format = c.format;
        std::string source = substitute(c.source, photo_);
        EXPECT_EQ(name(g.config, source, c.index), substitute(c.expected, photo_folder));
    }
}

TEST_F(OutputNaming, KeepSourceFormatTakesTheSuffixOfTheSourceContent)
{
    /* A 1x1 GIF under a name that says otherwise: the content decides. */
    const uint8_t gif[] = {'G', 'I', 'F', '8', '9',  'a',  1,    0,    1, 0, 0x80, 0,
                           0,   0,   0,   0,   0xFF, 0xFF, 0xFF, 0x2C, 0, 0, 0,    0,
                           1,   0,   1,   0,   0,    2,    2,    0x44, 1, 0, 0x3B};
    std::string source = dir_.file("photos/shot.jpg");
    ASSERT_TRUE(zvtest::write_file(source, std::vector<uint8_t>(gif, gif + sizeof gif)));
    struct Case {
        const std::string &source;
        int keep_source_format;
        const char *expected;
    } cases[] = {
        {source, 1, "/o/shot.gif"},
        {source, 0, "/o/shot.png"},
        /* Content that no reader knows: no suffix. */
        {photo_, 1, "/o/IMG_7"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.source);
        ConfigGuard g;
        strcpy(g.config->output_folder, "/o");
        g.config->format = SN_IMAGE_FORMAT_PNG;
        g.config->keep_source_format = c.keep_source_format;
        EXPECT_EQ(name(g.config, c.source, 0), c.expected);
    }
}

TEST_F(OutputNaming, DatetimeWithoutPhotoIsNow)
{
    ConfigGuard g;
    strcpy(g.config->output_folder, "/o");
    strcpy(g.config->filename_template, "<Datetime YYYY-MM-DD HH-MM-SS 24>");
    g.config->format = SN_IMAGE_FORMAT_JPEG;
    char before[64], after[64];
    time_t t0 = time(nullptr);
    std::string got = name(g.config, photo_, 0);
    time_t t1 = time(nullptr);
    strftime(before, sizeof before, "/o/%Y-%m-%d %H-%M-%S.jpg", gmtime(&t0));
    strftime(after, sizeof after, "/o/%Y-%m-%d %H-%M-%S.jpg", gmtime(&t1));
    EXPECT_TRUE(got == before || got == after) << got;
}

TEST_F(OutputNaming, NamesThatWouldNotFitFail)
{
    ConfigGuard g;
    strcpy(g.config->output_folder, "/o");
    g.config->format = SN_IMAGE_FORMAT_BMP;
    /* "/o/" + stem + ".bmp" is exactly 1023 characters with a 1016-byte stem. */
    std::string stem(1016, 'a');
    strcpy(g.config->filename_template, stem.c_str());
    EXPECT_EQ(name(g.config, "/s/x.jpg", 0).size(), 1023u);
    strcpy(g.config->filename_template, (stem + "a").c_str());
    EXPECT_EQ(name(g.config, "/s/x.jpg", 0), "<null>");

    /* Expansion far beyond the working buffer. */
    std::string many;
    for (int i = 0; i < 100; i++)
        many += "<Filename>";
    strcpy(g.config->filename_template, many.c_str());
    std::string long_base = "/s/" + std::string(200, 'b') + ".jpg";
    EXPECT_EQ(name(g.config, long_base, 0), "<null>");

    /* A huge digit count is clamped, and then too long, not a crash. */
    strcpy(g.config->filename_template, "<Counter 1:1:2000000000>");
    EXPECT_EQ(name(g.config, "/s/x.jpg", 0), "<null>");
    strcpy(g.config->filename_template, "<Counter 1:1:1017>");
    EXPECT_EQ(name(g.config, "/s/x.jpg", 0), "<null>");

    /* Folder parts in a name are refused as such. */
    {
        zvtest::LogCapture log;
        strcpy(g.config->filename_template, "../<Filename>");
        EXPECT_EQ(name(g.config, "/s/x.jpg", 0), "<null>");
        EXPECT_TRUE(zvtest::wait_for([&] {
            return log.contains("output name has folder parts FAILED! ori:/s/x.jpg, name:../x\n");
        }));
        /* The batch shows the refused name, and opens the part below the
         * folder of an accepted one. */
        char shown[OUTPUTCONFIG_TEXT_SIZE], below[OUTPUTCONFIG_TEXT_SIZE];
        EXPECT_EQ(outputconfig_get_write_names(g.config, "/s/x.jpg", 0, shown, sizeof shown, below,
                                               sizeof below),
                  nullptr);
        EXPECT_STREQ(shown, "/o/../x.bmp");
        strcpy(g.config->filename_template, "//a//<Filename>");
        EXPECT_STREQ(outputconfig_get_write_names(g.config, "/s/x.jpg", 0, shown, sizeof shown,
                                                  below, sizeof below),
                     "/o/a/x.bmp");
        EXPECT_STREQ(below, "a/x.bmp");
    }

    /* A buffer too small for the result is refused, not overrun. */
    strcpy(g.config->filename_template, "");
    char small[8];
    EXPECT_EQ(outputconfig_get_write_name(g.config, "/s/x.jpg", 0, small, sizeof small), nullptr);
    char fits[9];
    EXPECT_STREQ(outputconfig_get_write_name(g.config, "/s/x.jpg", 0, fits, sizeof fits),
                 "/o/x.bmp");
    EXPECT_EQ(outputconfig_get_write_name(nullptr, "/s/x.jpg", 0, fits, sizeof fits), nullptr);
}

TEST_F(OutputNaming, EachCallerKeepsItsOwnResult)
{
    ConfigGuard g;
    strcpy(g.config->output_folder, "/o");
    g.config->format = SN_IMAGE_FORMAT_PNG;
    char first[OUTPUTCONFIG_TEXT_SIZE], second[OUTPUTCONFIG_TEXT_SIZE];
    const char *a = outputconfig_get_write_name(g.config, "/s/one.jpg", 0, first, sizeof first);
    const char *b = outputconfig_get_write_name(g.config, "/s/two.jpg", 1, second, sizeof second);
    EXPECT_STREQ(a, "/o/one.png");
    EXPECT_STREQ(b, "/o/two.png");
}

TEST(OutputProfile, SavedKeysReadBackAndMergeWithTheFile)
{
    zvtest::TempDir dir;
    std::string profile = dir.file("p.zvp");
    ASSERT_TRUE(zvtest::write_file(profile, std::string("operation_count = 2\r\n")));
    ConfigGuard out;
    strcpy(out.config->output_folder, "/out/dir");
    strcpy(out.config->filename_template, "<Filename>_<Counter 1:1:3>");
    out.config->use_source_folder = 1;
    out.config->format = SN_IMAGE_FORMAT_PNG;
    out.config->quality = 77;
    out.config->transparent = 1;
    out.config->keep_source_format = 1;
    out.config->keep_attribute = 1;
    out.config->delete_source = 1;
    ASSERT_EQ(outputconfig_save(out.config, profile.c_str()), 0);

    std::vector<uint8_t> bytes = zvtest::read_file(profile);
    std::string text(bytes.begin(), bytes.end());
    for (const char *line : {"operation_count = 2\r\n", "output_folder = \"/out/dir\"\r\n",
                             "output_use_source_folder = true\r\n",
                             "output_filename_template = \"<Filename>_<Counter 1:1:3>\"\r\n",
                             "output_format = \"PNG\"\r\n", "output_quality_factor = 77\r\n",
                             "output_transparent = 1\r\n", "output_keep_source_format = true\r\n",
                             "output_keep_attribute = true\r\n", "output_delete_source = true\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    ConfigGuard in;
    ASSERT_EQ(outputconfig_load(in.config, profile.c_str()), 0);
    EXPECT_STREQ(in.config->output_folder, "/out/dir");
    EXPECT_STREQ(in.config->filename_template, "<Filename>_<Counter 1:1:3>");
    EXPECT_EQ(in.config->use_source_folder, 1);
    EXPECT_EQ(in.config->format, SN_IMAGE_FORMAT_PNG);
    EXPECT_EQ(in.config->quality, 77);
    EXPECT_EQ(in.config->transparent, 1);
    EXPECT_EQ(in.config->keep_source_format, 1);
    EXPECT_EQ(in.config->keep_attribute, 1);
    EXPECT_EQ(in.config->delete_source, 1);
}

TEST(OutputProfile, MissingKeysResetNumbersAndKeepTexts)
{
    zvtest::TempDir dir;
    struct Case {
        const char *file;
        int format;
        int quality;
    } cases[] = {
        {"operation_count = 0\r\n", SN_IMAGE_FORMAT_JPEG, 98},
        {"output_format = \"JPEG\"\r\n", SN_IMAGE_FORMAT_JPEG, 98},
        {"output_format = \"PNG\"\r\n", SN_IMAGE_FORMAT_PNG, 98},
        {"output_format = \"GIF\"\r\noutput_quality_factor = 12\r\n", SN_IMAGE_FORMAT_GIF, 12},
        {"output_format = \"png\"\r\n", SN_IMAGE_FORMAT_JPEG, 98},
        {"output_format = \"TGA\"\r\n", SN_IMAGE_FORMAT_JPEG, 98},
        /* Stored with another type than the one read: the reset value. */
        {"output_format = 5\r\noutput_quality_factor = \"50\"\r\n", SN_IMAGE_FORMAT_JPEG, 98},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        std::string profile = dir.file("p.zvp");
        ASSERT_TRUE(zvtest::write_file(profile, std::string(c.file)));
        ConfigGuard g;
        strcpy(g.config->output_folder, "/kept");
        strcpy(g.config->filename_template, "kept<Filename>");
        g.config->use_source_folder = g.config->transparent = 1;
        g.config->keep_source_format = g.config->keep_attribute = g.config->delete_source = 1;
        g.config->quality = 5;
        ASSERT_EQ(outputconfig_load(g.config, profile.c_str()), 0);
        EXPECT_EQ(g.config->format, c.format);
        EXPECT_EQ(g.config->quality, c.quality);
        EXPECT_STREQ(g.config->output_folder, "/kept");
        EXPECT_STREQ(g.config->filename_template, "kept<Filename>");
        EXPECT_EQ(g.config->use_source_folder + g.config->transparent +
                      g.config->keep_source_format + g.config->keep_attribute +
                      g.config->delete_source,
                  0);
    }
}

TEST(OutputProfile, AFileThatDoesNotLoadChangesNothing)
{
    zvtest::TempDir dir;
    ConfigGuard g;
    strcpy(g.config->output_folder, "/kept");
    g.config->quality = 5;
    g.config->delete_source = 1;
    EXPECT_EQ(outputconfig_load(g.config, dir.file("missing.zvp").c_str()), -1);
    std::string empty = dir.file("empty.zvp");
    ASSERT_TRUE(zvtest::write_file(empty, std::string()));
    EXPECT_EQ(outputconfig_load(g.config, empty.c_str()), -1);
    EXPECT_STREQ(g.config->output_folder, "/kept");
    EXPECT_EQ(g.config->quality, 5);
    EXPECT_EQ(g.config->delete_source, 1);
    EXPECT_EQ(outputconfig_save(g.config, dir.file("no/such/folder/p.zvp").c_str()), -1);
}
