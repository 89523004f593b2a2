/*
 * Shared test helpers: temporary folders, running an independent tool
 * (ImageMagick), decoding with it for cross-checks, and catching log lines
 * on a real UDP socket.
 */
#ifndef ZV_TEST_H
#define ZV_TEST_H

#include "image/sn_image.h"

#include <stdint.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zvtest
{

/* Owns an image for the length of a test. */
struct ImageDeleter {
    void operator()(sn_image_t *image) const
    {
        if (image)
            sn_image_destroy(image);
    }
};
using ImagePtr = std::unique_ptr<sn_image_t, ImageDeleter>;

/* A fresh folder under $ZV_TEST_TMP (or /tmp), removed with everything in it. */
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const
    {
        return path_;
    }
    std::string file(const std::string &name) const
    {
        return path_ + "/" + name;
    }

private:
    std::string path_;
};

/* Runs a shell command; returns its exit status (-1 when it could not run). */
int run(const std::string &command);
bool have_tool(const char *name);
std::string quote(const std::string &text);

bool write_file(const std::string &path, const std::vector<uint8_t> &bytes);
bool write_file(const std::string &path, const std::string &text);
std::vector<uint8_t> read_file(const std::string &path);
bool file_exists(const std::string &path);

/* An image decoded by ImageMagick: 8-bit R, G, B, A per pixel, top row first. */
struct Rgba {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    uint32_t at(int x, int y) const; /* as an sn_image pixel word */
};
bool magick_decode(const std::string &path, Rgba *out);

/* True when a and b are both there, of one size, with the same frame 0. */
bool same_pixels(const sn_image_t *a, const sn_image_t *b);

/* A one-frame image whose pixel (x, y) is fill(x, y), has_alpha as given;
 * null when it cannot be made. */
sn_image_t *make_image(int width, int height, bool alpha,
                       const std::function<uint32_t(int x, int y)> &fill);

/* A small black 8 x 6 JPEG at path, the photo of tests that only need one. */
bool write_small_jpeg(const std::string &path);

/* A UDP socket bound to an ephemeral port of 127.0.0.1 with a large receive
 * buffer; the port goes to *port. -1 when it cannot be had. */
int bind_loopback_udp(int *port);

/* Receives every log line as a datagram on 127.0.0.1 (an ephemeral port) while
 * it lives; the datagram target points at it and the level is set to 0. */
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;
    int port() const
    {
        return port_;
    }
    /* Datagrams that have arrived so far, in order. */
    const std::vector<std::string> &lines();
    /* True when a line received so far contains text. */
    bool contains(const std::string &text);
    void clear();

private:
    void drain();
    int fd_ = -1;
    int port_ = 0;
    std::vector<std::string> lines_;
};

/* Puts LC_NUMERIC into a German (comma decimal point) locale built with
 * localedef under dir, as a Qt application in the user's locale would run,
 * and puts "C" back on destruction. skip_reason() is empty when the comma
 * locale is in force, or says why it is not. failed() means the test must
 * fail rather than skip: the folder for the locale could not be made, or,
 * under CI=true, the locale could not be made at all. */
class CommaLocale
{
public:
    explicit CommaLocale(const TempDir &dir);
    ~CommaLocale();
    CommaLocale(const CommaLocale &) = delete;
    CommaLocale &operator=(const CommaLocale &) = delete;
    bool failed() const
    {
        return failed_;
    }
    const std::string &skip_reason() const
    {
        return skip_;
    }

private:
    void make(const TempDir &dir);
    bool failed_ = false;
    std::string skip_;
};

/* Polls pred every millisecond until it holds (true) or timeout_ms passes
 * (false): how a test waits on a worker's events without a fixed sleep. */
template <class Pred> bool wait_for(Pred pred, int timeout_ms = 10000)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace zvtest

#endif
