/*
 * Settings store: the exact bytes the writer produces (and its merge with the
 * file on disk), what the reader accepts and refuses, strings of any content,
 * the accessors' rules, and a save that fails without touching the old file.
 */
#include "base/sn_log.h"
#include "base/sn_setting.h"
#include "zv_test.h"

#include <dirent.h>
#include <locale.h>
#include <math.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace
{

struct Store {
    sn_setting_t *s = sn_setting_create();
    ~Store()
    {
        sn_setting_destroy(s);
    }
    operator sn_setting_t *() const
    {
        return s;
    }
};

std::string read_text(const std::string &path)
{
    std::vector<uint8_t> bytes = zvtest::read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

/* The store as the writer puts it, saved to a fresh file (nothing merged). */
std::string dump(const zvtest::TempDir &dir, const sn_setting_t *store)
{
    static int counter = 0;
    std::string path = dir.file("dump" + std::to_string(counter++) + ".conf");
    EXPECT_EQ(sn_setting_save(store, path.c_str()), 0);
    return read_text(path);
}

int load_text(const zvtest::TempDir &dir, sn_setting_t *store, const std::string &text)
{
    std::string path = dir.file("in.conf");
    EXPECT_TRUE(zvtest::write_file(path, text));
    return sn_setting_load(store, path.c_str());
}

bool is_empty(const sn_setting_t *store)
{
    intptr_t cursor = 0;
    int session = 0;
    return !sn_setting_next_key(store, nullptr, &cursor) &&
           !sn_setting_next_session(store, &session);
}

time_t local_time(int year, int mon, int day, int hour, int min, int sec)
{
    struct tm tm = {};
    tm.tm_year = year - 1900;
    tm.tm_mon = mon;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = min;
    tm.tm_sec = sec;
    tm.tm_isdst = -1;
    return mktime(&tm);
}

} // namespace

TEST(Setting, WrittenFormOfEveryTypeAndSessionOrder)
{
    zvtest::TempDir dir;
    Store store;
    time_t when = local_time(2026, 8, 3, 4, 5, 6);
    ASSERT_EQ(sn_setting_set_bool(store, nullptr, "b", 5), 0);
    ASSERT_EQ(sn_setting_set_bool(store, nullptr, "f", 0), 0);
    ASSERT_EQ(sn_setting_set_int(store, nullptr, "i", 42), 0);
    ASSERT_EQ(sn_setting_set_int(store, nullptr, "n", -7), 0);
    ASSERT_EQ(sn_setting_set_double(store, nullptr, "d", 3.14159), 0);
    ASSERT_EQ(sn_setting_set_string(store, nullptr, "s", "hello world"), 0);
    ASSERT_EQ(sn_setting_set_time(store, nullptr, "t", when), 0);
    ASSERT_EQ(sn_setting_set_int(store, "beta", "y", 2), 0);
    ASSERT_EQ(sn_setting_set_int(store, "alpha", "x", 1), 0);
    ASSERT_EQ(sn_setting_set_string(store, "beta", "z", ""), 0);

    const std::string expected = "t = 2026-8-3T4:5:6\r\n"
                                 "s = \"hello world\"\r\n"
                                 "d = 3.1416\r\n"
                                 "n = -7\r\n"
                                 "i = 42\r\n"
                                 "f = false\r\n"
                                 "b = true\r\n"
                                 "\r\n[beta]\r\n"
                                 "z = \"\"\r\n"
                                 "y = 2\r\n"
                                 "\r\n[alpha]\r\n"
                                 "x = 1\r\n";
    std::string path = dir.file("a.conf");
    ASSERT_EQ(sn_setting_save(store, path.c_str()), 0);
    EXPECT_EQ(read_text(path), expected);

    Store back;
    ASSERT_EQ(sn_setting_load(back, path.c_str()), 0);
    int v = 0;
    double d = 0;
    time_t t = 0;
    EXPECT_EQ(sn_setting_get_bool(back, nullptr, "b", &v), 0);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(sn_setting_get_bool(back, nullptr, "f", &v), 0);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(sn_setting_get_int(back, nullptr, "n", &v), 0);
    EXPECT_EQ(v, -7);
    EXPECT_EQ(sn_setting_get_double(back, nullptr, "d", &d), 0);
    EXPECT_DOUBLE_EQ(d, 3.1416);
    EXPECT_EQ(sn_setting_get_time(back, nullptr, "t", &t), 0);
    EXPECT_EQ(t, when);
    EXPECT_STREQ(sn_setting_get_string(back, nullptr, "s"), "hello world");
    EXPECT_STREQ(sn_setting_get_string(back, "beta", "z"), "");
    EXPECT_EQ(sn_setting_get_int(back, "alpha", "x", &v), 0);
    EXPECT_EQ(v, 1);
    /* Loaded lists hold the file's lines in reverse, so a dump of the loaded
     * store inverts each session again. */
    EXPECT_EQ(dump(dir, back), "b = true\r\nf = false\r\ni = 42\r\nn = -7\r\nd = 3.1416\r\n"
                               "s = \"hello world\"\r\nt = 2026-8-3T4:5:6\r\n"
                               "\r\n[beta]\r\ny = 2\r\nz = \"\"\r\n"
                               "\r\n[alpha]\r\nx = 1\r\n");
}

TEST(Setting, SaveMergesWithTheFileOnDisk)
{
    zvtest::TempDir dir;
    std::string path = dir.file("merge.conf");
    ASSERT_TRUE(zvtest::write_file(path, "# written by hand\n"
                                         "k2 = 5\n"
                                         "k3 = \"kept\"\n"
                                         "[other]\n"
                                         "o1 = 1\n"
                                         "o2 = 'q'\n"
                                         "[mine]\n"
                                         "m1 = 2\n"
                                         "m2 = 3\n"
                                         "[gone]\n"
                                         "g = 1\n"));
    Store store;
    sn_setting_set_int(store, nullptr, "k1", 10);
    sn_setting_set_int(store, nullptr, "k2", 20);
    sn_setting_set_int(store, "mine", "m2", 30);
    sn_setting_set_int(store, "mine", "m4", 40);
    sn_setting_set_int(store, "gone", "g", 9);
    sn_setting_set_int(store, "new", "n", 1);

    /* Keys only the file had come first in each session (reversed); a file
     * session that the store overrides whole moves to the end. */
    const std::string expected = "k3 = \"kept\"\r\n"
                                 "k2 = 20\r\n"
                                 "k1 = 10\r\n"
                                 "\r\n[other]\r\n"
                                 "o2 = 'q'\r\n"
                                 "o1 = 1\r\n"
                                 "\r\n[mine]\r\n"
                                 "m1 = 2\r\n"
                                 "m4 = 40\r\n"
                                 "m2 = 30\r\n"
                                 "\r\n[gone]\r\n"
                                 "g = 9\r\n"
                                 "\r\n[new]\r\n"
                                 "n = 1\r\n";
    ASSERT_EQ(sn_setting_save(store, path.c_str()), 0);
    EXPECT_EQ(read_text(path), expected);
    /* Saving again over its own output keeps every key; the keys only the
     * file has turn round once more, the store's stay in place. */
    ASSERT_EQ(sn_setting_save(store, path.c_str()), 0);
    std::string again = expected;
    const std::string turned = "o2 = 'q'\r\no1 = 1\r\n";
    again.replace(again.find(turned), turned.size(), "o1 = 1\r\no2 = 'q'\r\n");
    EXPECT_EQ(read_text(path), again);

    /* A file that does not load is replaced by the store's content (its
     * bytes are kept aside, below). */
    ASSERT_TRUE(zvtest::write_file(path, "a = 1\nbroken = letters\n"));
    Store small;
    sn_setting_set_int(small, nullptr, "x", 1);
    ASSERT_EQ(sn_setting_save(small, path.c_str()), 0);
    EXPECT_EQ(read_text(path), "x = 1\r\n");
}

/* A save over a file that does not load whole used to drop every key the
 * caller did not set, without a word: the file's bytes are kept beside it as
 * "<name>.bak" first, and an older backup is never overwritten. */
TEST(Setting, SaveKeepsAFileThatDoesNotLoadAsBak)
{
    std::string sessions;
    for (int i = 1; i <= 128; i++)
        sessions += "[s" + std::to_string(i) + "]\nk = 1\n";
    std::string big = "a = 1\n#" + std::string(SN_SETTING_FILE_MAX, 'x') + "\n";
    struct Case {
        const char *name;
        std::string text;
    } cases[] = {
        {"refused line", "keep = 1\nbroken = letters\nother = 2\n"},
        {"open quote", "keep = 1\ns = \"open\nother = 2\n"},
        {"over 1 MiB", big},
        {"128th session", sessions},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        zvtest::TempDir dir;
        std::string path = dir.file("app.conf");
        ASSERT_TRUE(zvtest::write_file(path, c.text));
        Store store;
        ASSERT_EQ(sn_setting_set_int(store, nullptr, "x", 1), 0);
        zvtest::LogCapture log;
        ASSERT_EQ(sn_setting_save(store, path.c_str()), 0);
        EXPECT_EQ(read_text(path + ".bak"), c.text);
        EXPECT_TRUE(log.contains("its bytes are kept as " + path + ".bak\n"));
        Store back;
        ASSERT_EQ(sn_setting_load(back, path.c_str()), 0);
        int v = 0;
        EXPECT_EQ(sn_setting_get_int(back, nullptr, "x", &v), 0);
    }

    zvtest::TempDir dir;
    std::string path = dir.file("app.conf");
    Store store;
    ASSERT_EQ(sn_setting_set_int(store, nullptr, "x", 1), 0);
    /* A file that loads, a missing one and an empty one leave no backup. */
    ASSERT_EQ(sn_setting_save(store, path.c_str()), 0);
    ASSERT_TRUE(zvtest::write_file(dir.file("empty.conf"), ""));
    ASSERT_EQ(sn_setting_save(store, dir.file("empty.conf").c_str()), 0);
    ASSERT_EQ(sn_setting_save(store, path.c_str()), 0);
    EXPECT_FALSE(zvtest::file_exists(path + ".bak"));
    EXPECT_FALSE(zvtest::file_exists(dir.file("empty.conf.bak")));
    /* A second unreadable file goes beside the first backup. */
    ASSERT_TRUE(zvtest::write_file(path, "first = bad\n"));
    ASSERT_EQ(sn_setting_save(store, path.c_str()), 0);
    ASSERT_TRUE(zvtest::write_file(path, "second = bad\n"));
    ASSERT_EQ(sn_setting_save(store, path.c_str()), 0);
    EXPECT_EQ(read_text(path + ".bak"), "first = bad\n");
    EXPECT_EQ(read_text(path + ".bak.2"), "second = bad\n");
    /* When no backup can be made (every name taken), the file stays. */
    for (int n = 3; n <= 9; n++)
        ASSERT_TRUE(zvtest::write_file(path + ".bak." + std::to_string(n), "older\n"));
    ASSERT_TRUE(zvtest::write_file(path, "third = bad\n"));
    EXPECT_EQ(sn_setting_save(store, path.c_str()), -1);
    EXPECT_EQ(read_text(path), "third = bad\n");
    EXPECT_EQ(read_text(path + ".bak"), "first = bad\n");
}

TEST(Setting, KeyGivenTwiceKeepsItsValueAcrossASave)
{
    zvtest::TempDir dir;
    std::string path = dir.file("twice.conf");
    ASSERT_TRUE(zvtest::write_file(path, "k = 1\nk = 2\n[s]\nd = 1\nd = 2\ne = 3\n"));
    Store store;
    sn_setting_set_int(store, nullptr, "mine", 5);
    ASSERT_EQ(sn_setting_save(store, path.c_str()), 0);
    EXPECT_EQ(read_text(path), "k = 2\r\nmine = 5\r\n\r\n[s]\r\ne = 3\r\nd = 2\r\n");
    Store back;
    ASSERT_EQ(sn_setting_load(back, path.c_str()), 0);
    int k = 0, d = 0;
    EXPECT_EQ(sn_setting_get_int(back, nullptr, "k", &k), 0);
    EXPECT_EQ(sn_setting_get_int(back, "s", "d", &d), 0);
    EXPECT_EQ(k, 2);
    EXPECT_EQ(d, 2);
}

/* Qt applications run in the user's locale, where the decimal point may be a
 * comma; the file keeps '.' both ways. */
TEST(Setting, DecimalPointWhateverTheLocale)
{
    zvtest::TempDir dir;
    zvtest::CommaLocale comma(dir);
    ASSERT_FALSE(comma.failed()) << comma.skip_reason();
    if (!comma.skip_reason().empty())
        GTEST_SKIP() << comma.skip_reason();
    char probe[16];
    snprintf(probe, sizeof probe, "%.1f", 2.5);
    ASSERT_STREQ(probe, "2,5") << "the locale is in force";

    Store store;
    ASSERT_EQ(sn_setting_set_double(store, nullptr, "d", 2.5), 0);
    EXPECT_EQ(dump(dir, store), "d = 2.5000\r\n");
    Store back;
    ASSERT_EQ(load_text(dir, back, "d = 1.25\n"), 0);
    double d = 0;
    EXPECT_EQ(sn_setting_get_double(back, nullptr, "d", &d), 0);
    EXPECT_DOUBLE_EQ(d, 1.25);
}

TEST(Setting, ReaderAcceptsWhatHandsWrite)
{
    struct Case {
        const char *name;
        const char *input;
        const char *canonical;
    } cases[] = {
        {"CR only", "a = 1\rb = 2\r", "b = 2\r\na = 1\r\n"},
        {"LF only, blanks, comments", "  # c\n\n\ta = 1 # one\n# two\n\nb=2\n",
         "b = 2\r\na = 1\r\n"},
        {"mixed line ends", "a = 1\r\n\rb = 2\n\r\nc = 3", "c = 3\r\nb = 2\r\na = 1\r\n"},
        {"blanks and = in any mix", "a==  =1\r\nb =\t= 2\r\nc\t3\r\nd= =\t=4\r\n",
         "d = 4\r\nc = 3\r\nb = 2\r\na = 1\r\n"},
        {"typing",
         "i = 007\nd = 2.5\nB = TRUE\nf = False\ns = \"a # b 'c'\"\nq = 'single'\n"
         "t = 2026-8-3T4:5:6\nn = -12\ne = 12abc\n",
         "e = 12\r\nn = -12\r\nt = 2026-8-3T4:5:6\r\nq = 'single'\r\ns = \"a # b 'c'\"\r\n"
         "f = false\r\nB = true\r\nd = 2.5000\r\ni = 7\r\n"},
        {"text after a closing quote", "s = \"x\" tail\n", "s = \"x\"\r\n"},
        {"key given twice: only the line lookups find", "k = 1\nk = 2\n", "k = 2\r\n"},
        {"bracket line without ]", "[s]\na = 1\n[broken\nb = 2\n", "\r\n[s]\r\nb = 2\r\na = 1\r\n"},
        {"empty session name", "[]\nx = 1\n[] tail ignored\ny = 2\n",
         "\r\n[]\r\ny = 2\r\nx = 1\r\n"},
        {"session met twice", "[s]\na = 1\n[t]\nb = 2\n[s]\nc = 3\n",
         "\r\n[s]\r\nc = 3\r\na = 1\r\n\r\n[t]\r\nb = 2\r\n"},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "a = 1\n",
         "a = 1\r\n"},
        {"byte-order mark before a session", "\xEF\xBB\xBF[s]\na = 1\n", "\r\n[s]\r\na = 1\r\n"},
        {"old backslashes stay", "p = \"C:\\dir\\sub\"\nu = \"\\\\srv\\share\"\n",
         "u = \"\\\\srv\\share\"\r\np = \"C:\\dir\\sub\"\r\n"},
    };
    zvtest::TempDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Store store;
        ASSERT_EQ(load_text(dir, store, c.input), 0);
        EXPECT_EQ(dump(dir, store), c.canonical);
    }

    Store store;
    ASSERT_EQ(load_text(dir, store, "k = 1\nk = 2\nt = 2026-8-3T4:5:6\np = \"C:\\dir\"\n"), 0);
    int v = 0;
    EXPECT_EQ(sn_setting_get_int(store, nullptr, "k", &v), 0);
    EXPECT_EQ(v, 2);
    time_t t = 0;
    EXPECT_EQ(sn_setting_get_time(store, nullptr, "t", &t), 0);
    struct tm tm;
    localtime_r(&t, &tm);
    EXPECT_EQ(tm.tm_mon, 8) << "month 8 is September";
    EXPECT_STREQ(sn_setting_get_string(store, nullptr, "p"), "C:\\dir");
}

TEST(Setting, ReaderRefusesAndLeavesTheStoreEmpty)
{
    struct Case {
        const char *name;
        std::string input;
    } cases[] = {
        {"letters", "a = 1\nb = abc\n"},
        {"empty value", "a = 1\nb =\n"},
        {"sign alone", "b = +5\n"},
        {"key only", "a = 1\njustakey\n"},
        {"bad time", "t = 2026-8\n"},
        {"key of 128", std::string(128, 'k') + " = 1\n"},
        /* Used to end the load with success, dropping every later key. */
        {"open quote", "a = 1\nb = \"open\nc = 3\n"},
        {"open single quote", "a = 1\nb = 'open\nc = 3\n"},
        /* The setters refuse such keys; the reader does too. */
        {"double quote in a key", "k\"ey\" = 1\n"},
        {"single quote in a key", "it's = 1\n"},
        /* Used to put its keys into the session before it. */
        {"session name of 255", "[s]\na = 1\n[" + std::string(255, 'n') + "]\nb = 2\n"},
        /* Years and fields that do not fit an int (the first overflowed in
         * the reader). */
        {"year past int", "t = 2147483648-1-1T0:0:0\n"},
        {"year far past int", "t = 99999999999999999999-1-1T0:0:0\n"},
        {"year below int", "t = 1-1-1T0:0:0\nu = 0-1-1T0:0:-2147483649\n"},
        {"time past the calendar", "t = 2147483647-11-1T0:0:2147483647\n"},
        {"empty file", ""},
        /* A NUL cut its line short: the rest of a number vanished and the
         * shorter one loaded as if the file held it. */
        {"NUL in a number", std::string("a = 9\0\nb = 2\n", 13)},
        {"NUL in a value", std::string("a = \"/photos/out\0put\"\n", 22)},
        {"only a comment", "# nothing\n"},
    };
    zvtest::TempDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Store store;
        ASSERT_EQ(load_text(dir, store, "old = 1\n[s]\nx = 2\n"), 0);
        if (std::string(c.name) == "only a comment") {
            /* Loads (there is a file), with nothing in it. */
            EXPECT_EQ(load_text(dir, store, c.input), 0);
        } else {
            EXPECT_EQ(load_text(dir, store, c.input), -1);
        }
        EXPECT_TRUE(is_empty(store));
    }
    Store store;
    EXPECT_EQ(sn_setting_load(store, dir.file("missing.conf").c_str()), -1);
    EXPECT_EQ(load_text(dir, store, std::string(127, 'k') + " = 1\n"), 0);
}

/* A named pipe given as the settings file used to block the load in its
 * open; the load runs in a child that an alarm ends if it blocks. */
TEST(Setting, LoadRefusesAPipeWithoutBlocking)
{
    zvtest::TempDir dir;
    std::string fifo = dir.file("pipe.conf");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(10);
        sn_setting_t *store = sn_setting_create();
        int rc = sn_setting_load(store, fifo.c_str());
        sn_setting_destroy(store);
        _exit(rc == -1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status)) << "the load blocked";
    EXPECT_EQ(0, WEXITSTATUS(status));
}

TEST(Setting, FileSizeLimit)
{
    zvtest::TempDir dir;
    const std::string line = "a = 1\n#";
    std::string exact = line + std::string(SN_SETTING_FILE_MAX - line.size(), 'x');
    ASSERT_EQ(exact.size(), (size_t)SN_SETTING_FILE_MAX);
    Store store;
    EXPECT_EQ(load_text(dir, store, exact), 0);
    EXPECT_EQ(sn_setting_get_type(store, nullptr, "a"), SN_SETTING_TYPE_INT);
    EXPECT_EQ(load_text(dir, store, exact + "x"), -1);
    EXPECT_TRUE(is_empty(store));
}

TEST(Setting, SessionTableHolds127)
{
    zvtest::TempDir dir;
    std::string text;
    for (int i = 1; i <= 128; i++)
        text += "[s" + std::to_string(i) + "]\nk = " + std::to_string(i) + "\n";
    zvtest::LogCapture cap;
    Store store;
    EXPECT_EQ(load_text(dir, store, text), -1);
    EXPECT_TRUE(cap.contains("read session name FAILED! [s128]\n"));
    int v = 0;
    EXPECT_EQ(sn_setting_get_int(store, "s127", "k", &v), 0);
    EXPECT_EQ(v, 127);
    EXPECT_EQ(sn_setting_get_type(store, "s128", "k"), 0);

    /* A header name of 254 characters opens a session; a longer one fails
     * the load (see the reader's refusals). */
    std::string n254(254, 'n');
    Store headers;
    ASSERT_EQ(load_text(dir, headers, "[" + n254 + "]\na = 1\n"), 0);
    EXPECT_EQ(sn_setting_get_type(headers, n254.c_str(), "a"), SN_SETTING_TYPE_INT);

    Store set;
    for (int i = 1; i <= 127; i++)
        ASSERT_EQ(sn_setting_set_int(set, ("s" + std::to_string(i)).c_str(), "k", i), 0);
    EXPECT_EQ(sn_setting_set_int(set, "s128", "k", 128), -1);
    EXPECT_EQ(sn_setting_set_int(set, nullptr, "k", 0), 0) << "the default session is apart";
    /* A session whose last entry goes frees its slot. */
    EXPECT_EQ(sn_setting_remove(set, "s5", "k"), 0);
    EXPECT_EQ(sn_setting_set_int(set, "s128", "k", 128), 0);
    int cursor = 0;
    std::vector<std::string> names;
    while (const char *name = sn_setting_next_session(set, &cursor))
        names.push_back(name);
    ASSERT_EQ(names.size(), 127u);
    EXPECT_EQ(names[3], "s4");
    EXPECT_EQ(names[4], "s128") << "the freed slot is reused";
    EXPECT_EQ(sn_setting_next_session(set, &cursor), nullptr);
}

TEST(Setting, EveryStringReadsBackUnchanged)
{
    const char *values[] = {
        "plain",
        "with \"double\" quotes",
        "it's",
        "back\\slash",
        "ends in a backslash\\",
        "\\\\",
        "\\",
        "\"",
        "\\\"",
        "\\\\\"x\\",
        "#hash # and more",
        "a'b\"c\\'d\\\"e",
        "'",
        "",
        "  padded  ",
    };
    zvtest::TempDir dir;
    std::string path = dir.file("strings.conf");
    Store store;
    int n = 0;
    for (const char *value : values)
        ASSERT_EQ(sn_setting_set_string(store, nullptr, ("v" + std::to_string(n++)).c_str(), value),
                  0);
    sn_setting_set_int(store, "after", "last", 1);
    ASSERT_EQ(sn_setting_save(store, path.c_str()), 0);

    Store back;
    ASSERT_EQ(sn_setting_load(back, path.c_str()), 0);
    n = 0;
    for (const char *value : values) {
        SCOPED_TRACE(value);
        EXPECT_STREQ(sn_setting_get_string(back, nullptr, ("v" + std::to_string(n++)).c_str()),
                     value);
    }
    int v = 0;
    EXPECT_EQ(sn_setting_get_int(back, "after", "last", &v), 0) << "nothing stopped the reading";

    /* Only backslash runs before a quote of the value's kind are doubled. */
    Store one;
    sn_setting_set_string(one, nullptr, "s", "say \"hi\"\\ C:\\x");
    EXPECT_EQ(dump(dir, one), "s = \"say \\\"hi\\\"\\ C:\\x\"\r\n");
    Store two;
    sn_setting_set_string(two, nullptr, "s", "end\\");
    EXPECT_EQ(dump(dir, two), "s = \"end\\\\\"\r\n");

    /* Single-quoted values follow the same rule and survive a save. */
    Store quoted;
    ASSERT_EQ(load_text(dir, quoted, "q = 'it\\'s \"x\" \\\\'\nafter = 1\n"), 0);
    EXPECT_EQ(sn_setting_get_type(quoted, nullptr, "q"), SN_SETTING_TYPE_QUOTED);
    EXPECT_EQ(sn_setting_get_string(quoted, nullptr, "q"), nullptr);
    EXPECT_EQ(dump(dir, quoted), "after = 1\r\nq = 'it\\'s \"x\" \\\\'\r\n");
}

TEST(Setting, AccessorsRules)
{
    zvtest::LogCapture cap;
    Store store;
    int v = 0;
    double d = 0;
    time_t t = 0;
    EXPECT_EQ(sn_setting_get_int(store, nullptr, "none", &v), -1);
    EXPECT_EQ(sn_setting_get_type(store, "nosession", "none"), 0);

    /* A time whose year would not read back is refused. */
    EXPECT_EQ(sn_setting_set_time(store, nullptr, "late", (time_t)INT64_MAX / 2), -1);
    EXPECT_EQ(sn_setting_get_type(store, nullptr, "late"), 0);

    ASSERT_EQ(sn_setting_set_string(store, nullptr, "s", "keep"), 0);
    EXPECT_EQ(sn_setting_set_int(store, nullptr, "s", 1), -1);
    EXPECT_STREQ(sn_setting_get_string(store, nullptr, "s"), "keep");
    EXPECT_EQ(sn_setting_get_int(store, nullptr, "s", &v), -1);
    EXPECT_EQ(sn_setting_get_bool(store, nullptr, "s", &v), -1);
    EXPECT_EQ(sn_setting_get_double(store, nullptr, "s", &d), -1);
    EXPECT_EQ(sn_setting_get_time(store, nullptr, "s", &t), -1);
    ASSERT_EQ(sn_setting_set_string(store, nullptr, "s", "changed"), 0);
    EXPECT_STREQ(sn_setting_get_string(store, nullptr, "s"), "changed");

    ASSERT_EQ(sn_setting_set_string(store, nullptr, "cut\r\nrest", "first\r\nsecond"), 0);
    EXPECT_STREQ(sn_setting_get_string(store, nullptr, "cut"), "first");
    ASSERT_EQ(sn_setting_set_int(store, "S", "k", 1), 0);
    EXPECT_EQ(sn_setting_get_type(store, "s", "k"), 0) << "names are case-sensitive";
    EXPECT_EQ(sn_setting_get_type(store, "S", "K"), 0);
    EXPECT_EQ(sn_setting_set_double(store, nullptr, "nan", NAN), -1);

    std::string key127(127, 'k'), key128(128, 'k');
    std::string name254(254, 'n'), name255(255, 'n');
    EXPECT_EQ(sn_setting_set_int(store, nullptr, key127.c_str(), 1), 0);
    EXPECT_EQ(sn_setting_set_int(store, nullptr, key128.c_str(), 1), -1);
    EXPECT_EQ(sn_setting_set_string(store, nullptr, key128.c_str(), "x"), -1);
    EXPECT_EQ(sn_setting_set_int(store, name254.c_str(), "k", 1), 0);
    EXPECT_EQ(sn_setting_set_int(store, name255.c_str(), "k", 1), -1);
    for (const char *key : {"a b", "a=b", "a#b", "it's", "q\"", "[k", "tab\tkey", "cr\rkey"}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(sn_setting_set_int(store, nullptr, key, 1), -1);
    }
    for (const char *name : {"a]b", "a#b", "it's", "line\nbreak"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(sn_setting_set_int(store, name, "k", 1), -1);
    }

    /* Keys come most recently added first; the cursor ends at -1. */
    Store order;
    sn_setting_set_int(order, "sec", "first", 1);
    sn_setting_set_int(order, "sec", "second", 2);
    sn_setting_set_int(order, "sec", "third", 3);
    sn_setting_set_int(order, "sec", "first", 4);
    intptr_t cursor = 0;
    std::vector<std::string> keys;
    while (const char *key = sn_setting_next_key(order, "sec", &cursor))
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"third", "second", "first"}));
    EXPECT_EQ(cursor, -1);
    cursor = 0;
    EXPECT_EQ(sn_setting_next_key(order, "absent", &cursor), nullptr);

    EXPECT_EQ(sn_setting_remove(order, "sec", "none"), -1);
    for (const char *key : {"first", "second", "third"})
        EXPECT_EQ(sn_setting_remove(order, "sec", key), 0);
    int session = 0;
    EXPECT_EQ(sn_setting_next_session(order, &session), nullptr);

    cap.clear();
    sn_setting_set_time(order, nullptr, "t", 0);
    sn_setting_set_double(order, "x", "d", 1.5);
    sn_setting_print(order);
    EXPECT_TRUE(cap.contains("################################ session 0, default "
                             "################################\n"));
    EXPECT_TRUE(cap.contains("################################ session 1, name:x "
                             "################################\n"));
    EXPECT_TRUE(cap.contains("name:d,type:3,value:1.50\n"));
    EXPECT_TRUE(cap.contains("name:t,type:5,value:"));
}

TEST(Setting, FailedSaveLeavesTheOldFile)
{
    zvtest::TempDir dir;
    std::string path = dir.file("keep.conf");
    const std::string old = "old = 1\r\n";
    ASSERT_TRUE(zvtest::write_file(path, old));
    chmod(path.c_str(), 0640);
    Store store;
    for (int i = 0; i < 200; i++)
        sn_setting_set_string(store, nullptr, ("key" + std::to_string(i)).c_str(),
                              "a value long enough to pass the limit");

    /* A file-size limit makes the write fail part way, as a full disk would. */
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int result = sn_setting_save(store, path.c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(read_text(path), old);

    std::vector<std::string> names;
    DIR *d = opendir(dir.path().c_str());
    ASSERT_NE(d, nullptr);
    while (struct dirent *e = readdir(d))
        if (e->d_name[0] != '.')
            names.push_back(e->d_name);
    closedir(d);
    EXPECT_EQ(names, (std::vector<std::string>{"keep.conf"})) << "no temporary file is left";

    EXPECT_EQ(sn_setting_save(store, dir.file("no/such/dir.conf").c_str()), -1);

    /* Nor is a file written that would be too large to load again. */
    Store huge;
    sn_setting_set_string(huge, nullptr, "big", std::string(SN_SETTING_FILE_MAX, 'x').c_str());
    EXPECT_EQ(sn_setting_save(huge, path.c_str()), -1);
    EXPECT_EQ(read_text(path), old);

    /* A save that succeeds keeps the file's permissions. */
    ASSERT_EQ(sn_setting_save(store, path.c_str()), 0);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(Setting, SaveThroughASymbolicLinkWritesTheFileBehindIt)
{
    zvtest::TempDir dir;
    std::string target = dir.file("real.conf"), link = dir.file("link.conf");
    ASSERT_TRUE(zvtest::write_file(target, "other = 1\n"));
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    Store store;
    sn_setting_set_int(store, nullptr, "mine", 2);
    ASSERT_EQ(sn_setting_save(store, link.c_str()), 0);
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(read_text(target), "other = 1\r\nmine = 2\r\n");
}

TEST(Setting, LoadLogsTheEndOfTheText)
{
    zvtest::TempDir dir;
    zvtest::LogCapture cap;
    Store store;
    ASSERT_EQ(load_text(dir, store, "a = 1\n"), 0);
    EXPECT_TRUE(cap.contains("get_line, find start FAILED!\n"));
    EXPECT_TRUE(cap.contains("parse_line, name:a\n"));
    EXPECT_TRUE(cap.contains("parse_line, integer:1\n"));
}
