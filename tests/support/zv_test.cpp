/*
 * Shared test helpers: temporary folders, tools, files, ImageMagick decoding
 * and the UDP log catcher.
 */
#include "zv_test.h"

#include "base/sn_log.h"

#include <arpa/inet.h>
#include <locale.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace zvtest
{

TempDir::TempDir()
{
    const char *base = getenv("ZV_TEST_TMP");
    std::string root = base && *base ? base : "/tmp";
    mkdir(root.c_str(), 0755);
    std::string templ = root + "/zvtest-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()))
        path_ = buf.data();
}

TempDir::~TempDir()
{
    if (!path_.empty()) {
        /* Folders a test made read-only must not survive the clean-up. */
        run("chmod -R u+rwx " + quote(path_) + " 2>/dev/null; rm -rf " + quote(path_));
    }
}

int run(const std::string &command)
{
    int status = system(command.c_str());
    if (status == -1)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quote(const std::string &text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

bool have_tool(const char *name)
{
    return run(std::string("command -v ") + name + " >/dev/null 2>&1") == 0;
}

bool write_file(const std::string &path, const std::vector<uint8_t> &bytes)
{
    FILE *fp = fopen(path.c_str(), "wb");
    if (!fp)
        return false;
    /* An empty vector's data() may be null, which fwrite must not get. */
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), fp) == bytes.size();
    return fclose(fp) == 0 && ok;
}

bool write_file(const std::string &path, const std::string &text)
{
    return write_file(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> read_file(const std::string &path)
{
    std::vector<uint8_t> bytes;
    FILE *fp = fopen(path.c_str(), "rb");
    if (!fp)
        return bytes;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, fp)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    fclose(fp);
    return bytes;
}

bool file_exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

uint32_t Rgba::at(int x, int y) const
{
    const uint8_t *p = &pixels[((size_t)y * (size_t)width + (size_t)x) * 4];
    return (uint32_t)p[3] | ((uint32_t)p[0] << 8) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 24);
}

bool magick_decode(const std::string &path, Rgba *out)
{
    char tmpl[] = "/tmp/zvmagick-XXXXXX";
    int fd = mkstemp(tmpl);
    if (fd < 0)
        return false;
    close(fd);
    std::string raw = tmpl;
    std::string src = quote(path + "[0]");
    std::string size_file = raw + ".size";
    bool ok =
        run("identify -format '%w %h' " + src + " > " + quote(size_file) + " 2>/dev/null") == 0 &&
        run("convert " + src + " -depth 8 rgba:" + quote(raw) + " 2>/dev/null") == 0;
    if (ok) {
        std::ifstream in(size_file);
        ok = static_cast<bool>(in >> out->width >> out->height);
        out->pixels = read_file(raw);
        ok = ok && out->pixels.size() == (size_t)out->width * (size_t)out->height * 4;
    }
    unlink(raw.c_str());
    unlink(size_file.c_str());
    return ok;
}

int bind_loopback_udp(int *port)
{
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    struct sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int size = 8 << 20;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    socklen_t len = sizeof address;
    if (bind(fd, (struct sockaddr *)&address, sizeof address) != 0 ||
        getsockname(fd, (struct sockaddr *)&address, &len) != 0) {
        close(fd);
        return -1;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

LogCapture::LogCapture()
{
    fd_ = bind_loopback_udp(&port_);
    sn_log_set_level(0);
    sn_log_open_target(SN_LOG_TARGET_UDP, "127.0.0.1", port_);
}

LogCapture::~LogCapture()
{
    sn_log_close_target(SN_LOG_TARGET_UDP);
    if (fd_ >= 0)
        close(fd_);
}

void LogCapture::drain()
{
    char buf[65536];
    for (;;) {
        ssize_t n = recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
        if (n < 0)
            break;
        lines_.emplace_back(buf, (size_t)n);
    }
}

const std::vector<std::string> &LogCapture::lines()
{
    drain();
    return lines_;
}

bool LogCapture::contains(const std::string &text)
{
    drain();
    for (const std::string &line : lines_)
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

void LogCapture::clear()
{
    drain();
    lines_.clear();
}

CommaLocale::CommaLocale(const TempDir &dir)
{
    make(dir);
    /* CI installs what the locale needs (scripts/install-deps.sh), so there a
     * missing locale is a fault of the machine, not a case to pass over. */
    const char *ci = getenv("CI");
    if (!skip_.empty() && ci && strcmp(ci, "true") == 0)
        failed_ = true;
}

void CommaLocale::make(const TempDir &dir)
{
    if (!have_tool("localedef")) {
        skip_ = "no localedef";
        return;
    }
    const std::string locales = dir.file("locales");
    if (run("mkdir -p " + quote(locales)) != 0) {
        skip_ = "cannot make the locale folder";
        failed_ = true;
        return;
    }
    if (run("localedef -i de_DE -f UTF-8 " + quote(locales + "/de_DE.UTF-8") +
            " >/dev/null 2>&1") != 0) {
        skip_ = "cannot build a comma locale";
        return;
    }
    setenv("LOCPATH", locales.c_str(), 1);
    if (!setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        skip_ = "comma locale not usable";
}

CommaLocale::~CommaLocale()
{
    setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
}

sn_image_t *make_image(int width, int height, bool alpha,
                       const std::function<uint32_t(int x, int y)> &fill)
{
    sn_image_t *image = sn_image_create(width, height, 1);
    if (!image || sn_image_allocate_frame(image, 0) != 0) {
        sn_image_destroy(image);
        return nullptr;
    }
    image->has_alpha = alpha ? 1 : 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            image->frames[0].rows[y][x] = fill(x, y);
    return image;
}

bool write_small_jpeg(const std::string &path)
{
    ImagePtr image(sn_image_create(8, 6, 1));
    if (!image || sn_image_allocate_frame(image.get(), 0) != 0)
        return false;
    sn_image_write_params_t params;
    memset(&params, 0, sizeof params);
    params.quality = 90;
    params.bits = 24;
    return sn_image_save(image.get(), path.c_str(), SN_IMAGE_FORMAT_JPEG, &params) == 0;
}

bool same_pixels(const sn_image_t *a, const sn_image_t *b)
{
    if (!a || !b || a->width != b->width || a->height != b->height || a->frame_count < 1 ||
        b->frame_count < 1)
        return false;
    for (int y = 0; y < a->height; y++)
        if (memcmp(a->frames[0].rows[y], b->frames[0].rows[y], (size_t)a->width * 4) != 0)
            return false;
    return true;
}

} // namespace zvtest
