/*
 * Logging: the line format, the level and module filters, the three outputs
 * (datagrams received on a real UDP socket), truncation, and many threads
 * logging at once without torn or mixed lines.
 */
#include "base/sn_log.h"
#include "zv_test.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace
{

class LogTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        sn_log_exit();
    }
};

/* The "[hh:mm:ss]" prefix with the current time's fields. */
bool time_prefix_ok(const std::string &line)
{
    static const std::regex re(R"(^\[([01]\d|2[0-3]):[0-5]\d:[0-5]\d\])");
    return std::regex_search(line, re);
}

TEST_F(LogTest, DatagramCarriesTheExactLine)
{
    zvtest::LogCapture cap;
    sn_log(4, NULL, "bmp_read_header", 123, "fopen FAILED! %s\n", "/x/y.bmp");
    sn_log_module_t module = {"batch", 0};
    sn_log(1, &module, "task_proc", 7, "recv exit signal!\n");
    const auto &lines = cap.lines();
    ASSERT_EQ(lines.size(), 2u);

    /* Exact bytes after the time: no blank between the brackets, one after
     * the line number, no NUL and nothing added at the end. */
    ASSERT_EQ(lines[0].size(), 10 + strlen("[bmp_read_header](L123) fopen FAILED! /x/y.bmp\n"));
    EXPECT_TRUE(time_prefix_ok(lines[0])) << lines[0];
    EXPECT_EQ(lines[0].substr(10), "[bmp_read_header](L123) fopen FAILED! /x/y.bmp\n");
    EXPECT_EQ(lines[1].substr(10), "[batch][task_proc](L7) recv exit signal!\n");
    EXPECT_EQ(lines[0].find('\0'), std::string::npos);
}

TEST_F(LogTest, LevelsAndModulesFilter)
{
    zvtest::LogCapture cap;
    struct Case {
        unsigned global;
        unsigned module_level; /* 99: no module record */
        unsigned level;
        bool passes;
    } cases[] = {
        {0, 99, 0, true},  {0, 99, 5, true}, {2, 99, 1, false}, {2, 99, 2, true},
        {5, 99, 4, false}, {0, 3, 2, false}, {0, 3, 3, true},   {4, 1, 3, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "global " << c.global << " module " << c.module_level
                                        << " level " << c.level);
        cap.clear();
        ASSERT_EQ(sn_log_set_level(c.global), 0);
        sn_log_module_t module = {"m", c.module_level};
        sn_log(c.level, c.module_level == 99 ? NULL : &module, "f", 1, "x\n");
        EXPECT_EQ(cap.lines().size(), c.passes ? 1u : 0u);
    }
}

TEST_F(LogTest, SetLevelRefusesAboveFive)
{
    ASSERT_EQ(sn_log_set_level(3), 0);
    EXPECT_EQ(sn_log_set_level(6), -1);
    EXPECT_EQ(sn_log_get_level(), 3u);
}

TEST_F(LogTest, LongMessageIsCutWithThePrefixIntact)
{
    zvtest::LogCapture cap;
    std::string big(20000, 'z');
    sn_log(4, NULL, "fn", 42, "%s", big.c_str());
    const auto &lines = cap.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), (size_t)SN_LOG_LINE_MAX);
    EXPECT_EQ(lines[0].substr(10, 10), "[fn](L42) ");
    EXPECT_EQ(lines[0].back(), 'z');
}

TEST_F(LogTest, ClosingTargetsThatAreNotOpen)
{
    EXPECT_EQ(sn_log_close_target(SN_LOG_TARGET_FILE), -1);
    {
        zvtest::LogCapture cap;
        EXPECT_EQ(sn_log_close_target(SN_LOG_TARGET_UDP), 0);
        EXPECT_EQ(sn_log_close_target(SN_LOG_TARGET_UDP), -1);
        sn_log(4, NULL, "f", 1, "after close\n");
        EXPECT_TRUE(cap.lines().empty());
    }
    EXPECT_EQ(sn_log_open_target(SN_LOG_TARGET_UDP, NULL, 1), -1);
}

/* Descriptors open in this process. */
size_t open_descriptors()
{
    size_t n = 0;
    if (DIR *d = opendir("/proc/self/fd")) {
        while (readdir(d))
            n++;
        closedir(d);
    }
    return n;
}

TEST_F(LogTest, ClosingBothTargetsInOneCallReleasesBoth)
{
    zvtest::TempDir dir;
    size_t before = open_descriptors();
    ASSERT_EQ(sn_log_open_target(SN_LOG_TARGET_FILE, dir.file("both.txt").c_str(), 0), 0);
    ASSERT_EQ(sn_log_open_target(SN_LOG_TARGET_UDP, "127.0.0.1", 9), 0);
    EXPECT_EQ(open_descriptors(), before + 2);
    EXPECT_EQ(sn_log_close_target(SN_LOG_TARGET_FILE | SN_LOG_TARGET_UDP), 0);
    EXPECT_EQ(open_descriptors(), before);
    EXPECT_EQ(sn_log_close_target(SN_LOG_TARGET_UDP), -1);
}

TEST_F(LogTest, FileTargetWritesAndAppends)
{
    zvtest::TempDir dir;
    std::string path = dir.file("log.txt");
    ASSERT_EQ(sn_log_open_target(SN_LOG_TARGET_FILE, path.c_str(), 0), 0);
    sn_log(4, NULL, "first", 1, "one\n");
    ASSERT_EQ(sn_log_close_target(SN_LOG_TARGET_FILE), 0);
    ASSERT_EQ(sn_log_open_target(SN_LOG_TARGET_FILE, path.c_str(), 1), 0);
    sn_log(4, NULL, "second", 2, "two\n");
    sn_log_close_all();

    std::ifstream in(path);
    std::string a, b, rest;
    ASSERT_TRUE(std::getline(in, a) && std::getline(in, b));
    EXPECT_FALSE(std::getline(in, rest));
    EXPECT_EQ(a.substr(10), "[first](L1) one");
    EXPECT_EQ(b.substr(10), "[second](L2) two");

    /* A path that cannot be opened fails but keeps the file bit: later lines
     * simply go nowhere. */
    EXPECT_EQ(sn_log_open_target(SN_LOG_TARGET_FILE, dir.file("no/such/dir/x").c_str(), 0), -1);
    sn_log(4, NULL, "f", 1, "dropped\n");
    EXPECT_EQ(sn_log_close_target(SN_LOG_TARGET_FILE), 0);
}

TEST_F(LogTest, ConsoleTargetWritesToStandardError)
{
    zvtest::TempDir dir;
    std::string path = dir.file("stderr.txt");
    fflush(stderr);
    int saved = dup(2);
    FILE *fp = fopen(path.c_str(), "wb");
    ASSERT_NE(fp, nullptr);
    dup2(fileno(fp), 2);
    sn_log_open_target(SN_LOG_TARGET_CONSOLE, NULL, 0);
    sn_log(2, NULL, "console", 9, "to stderr %d\n", 5);
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    fclose(fp);

    std::ifstream in(path);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line.substr(10), "[console](L9) to stderr 5");
}

/* Every thread logs its own numbered lines; each output must receive every
 * line whole, never two lines mixed into one. */
TEST_F(LogTest, ManyThreadsNeverTearOrMixLines)
{
    const int threads = 8, per_thread = 300;
    zvtest::TempDir dir;
    std::string path = dir.file("mt.txt");

    int port = 0;
    int fd = zvtest::bind_loopback_udp(&port);
    ASSERT_GE(fd, 0);

    std::vector<std::string> datagrams;
    std::atomic<bool> done{false};
    std::thread receiver([&] {
        char buf[SN_LOG_LINE_MAX + 1];
        for (;;) {
            struct pollfd p = {fd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) {
                if (done.load(std::memory_order_acquire))
                    break;
                continue;
            }
            ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n > 0)
                datagrams.emplace_back(buf, (size_t)n);
        }
    });

    ASSERT_EQ(sn_log_open_target(SN_LOG_TARGET_FILE, path.c_str(), 0), 0);
    ASSERT_EQ(sn_log_open_target(SN_LOG_TARGET_UDP, "127.0.0.1", port), 0);
    std::string padding(200, 'p');
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; t++) {
        workers.emplace_back([t, &padding] {
            for (int i = 0; i < per_thread; i++)
                sn_log(2, NULL, "worker", t, "thread %d line %d %s end\n", t, i, padding.c_str());
        });
    }
    for (auto &w : workers)
        w.join();
    sn_log_close_all();
    done.store(true, std::memory_order_release);
    receiver.join();
    close(fd);

    const std::regex line_re(
        R"(\[\d\d:\d\d:\d\d\]\[worker\]\(L(\d)\) thread (\d) line (\d+) p{200} end\n)");
    /* The file must hold every line; loopback UDP may drop datagrams when the
     * receiver falls behind, so there only what arrives must be whole. */
    auto check = [&](const std::vector<std::string> &lines, const char *what, bool all) {
        SCOPED_TRACE(what);
        std::set<std::pair<int, int>> seen;
        for (const std::string &line : lines) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(line, m, line_re)) << line;
            ASSERT_EQ(m[1], m[2]);
            seen.insert({std::stoi(m[2]), std::stoi(m[3])});
        }
        EXPECT_EQ(seen.size(), lines.size()) << "a line arrived twice";
        if (all)
            EXPECT_EQ(lines.size(), (size_t)threads * per_thread);
        else
            EXPECT_GT(lines.size(), 0u);
    };

    std::vector<std::string> file_lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        file_lines.push_back(line + "\n");
    check(file_lines, "file", true);
    check(datagrams, "datagrams", false);
}

/* Targets closed and reopened while another thread logs: that thread must
 * never write through a closed file or send from a socket whose number and
 * address are being reused (the sanitizers see either at once). */
TEST_F(LogTest, TargetsCloseWhileAnotherThreadLogs)
{
    zvtest::TempDir dir;
    std::string path = dir.file("busy.txt");
    int port = 0;
    int fd = zvtest::bind_loopback_udp(&port);
    ASSERT_GE(fd, 0);

    std::atomic<bool> done{false};
    std::atomic<long> lines{0};
    std::thread writer([&] {
        while (!done.load(std::memory_order_acquire)) {
            sn_log(2, NULL, "busy", 1, "line\n");
            lines.fetch_add(1, std::memory_order_relaxed);
        }
    });
    auto wait_for_lines = [&] {
        long seen = lines.load(std::memory_order_relaxed);
        for (int i = 0; i < 2000 && lines.load(std::memory_order_relaxed) < seen + 50; i++)
            usleep(1000);
    };
    for (int round = 0; round < 300; round++) {
        ASSERT_EQ(sn_log_open_target(SN_LOG_TARGET_UDP, "127.0.0.1", port), 0);
        wait_for_lines();
        ASSERT_EQ(sn_log_close_target(SN_LOG_TARGET_UDP), 0);
    }
    for (int round = 0; round < 3; round++) {
        ASSERT_EQ(sn_log_open_target(SN_LOG_TARGET_FILE, path.c_str(), 1), 0);
        wait_for_lines();
        ASSERT_EQ(sn_log_close_target(SN_LOG_TARGET_FILE), 0);
    }
    done.store(true, std::memory_order_release);
    writer.join();
    close(fd);

    /* Every line that reached the file is whole. */
    std::ifstream in(path);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        EXPECT_EQ(line.substr(10), "[busy](L1) line");
        count++;
    }
    EXPECT_GT(count, 0);
}

TEST(Net, HelpersAnswer)
{
    EXPECT_EQ(sn_net_init(), 0);
    const char *ip = sn_net_get_local_ip();
    ASSERT_NE(ip, nullptr);
    struct in_addr addr;
    EXPECT_EQ(inet_pton(AF_INET, ip, &addr), 1) << ip;
    sn_net_uninit();
}

} // namespace
