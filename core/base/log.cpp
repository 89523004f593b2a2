/*
 * Logging: level filter, line prefix and the three outputs (console, file,
 * UDP datagram), plus the small socket and host helpers.
 * Each thread formats into a line buffer of its own, so concurrent callers never
 * share one; each output receives the whole line in one call, so lines are never
 * torn or mixed (stdio locks the stream per call; a datagram is atomic).
 * Each output's handle is used and closed under that output's lock, so a target
 * closed on one thread never leaves another thread writing to a closed file or
 * sending from a socket whose number and address are being reused.
 */
#include "sn_log.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

namespace
{

std::atomic<unsigned> g_level{0};
std::atomic<int> g_mask{0};
std::atomic<FILE *> g_file{nullptr};
char *g_file_path = nullptr;
std::atomic<int> g_socket{-1};
struct sockaddr_in g_address;
std::mutex g_file_lock;
std::mutex g_socket_lock;

thread_local char t_line[SN_LOG_LINE_MAX + 1];

/* Appends at *len into the space left; advances only by what really landed. */
void line_vappend(char *buf, size_t *len, const char *format, va_list ap)
{
    size_t room = SN_LOG_LINE_MAX + 1 - *len;
    if (room <= 1)
        return;
    int n = vsnprintf(buf + *len, room, format, ap);
    if (n <= 0)
        return;
    *len += (size_t)n < room ? (size_t)n : room - 1;
}

void line_append(char *buf, size_t *len, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
void line_append(char *buf, size_t *len, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    line_vappend(buf, len, format, ap);
    va_end(ap);
}

void sn_log_write_console(const char *text, size_t len)
{
    fwrite(text, 1, len, stderr);
}

void sn_log_write_file(const char *text, size_t len)
{
    if (!g_file.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> hold(g_file_lock);
    FILE *fp = g_file.load(std::memory_order_relaxed);
    if (fp)
        fwrite(text, 1, len, fp);
}

void sn_log_write_udp(const char *text, size_t len)
{
    if (g_socket.load(std::memory_order_acquire) < 0)
        return;
    std::lock_guard<std::mutex> hold(g_socket_lock);
    int fd = g_socket.load(std::memory_order_relaxed);
    if (fd >= 0)
        sendto(fd, text, len, 0, (const struct sockaddr *)&g_address, sizeof g_address);
}

typedef void (*log_output_fn)(const char *, size_t);
const log_output_fn g_outputs[3] = {sn_log_write_console, sn_log_write_file, sn_log_write_udp};

} // namespace

int sn_log(unsigned level, const sn_log_module_t *module, const char *function, int line,
           const char *format, ...)
{
    if (module && level < module->level)
        return 0;
    if (level < g_level.load(std::memory_order_relaxed))
        return 0;
    int mask = g_mask.load(std::memory_order_acquire);
    if (!(mask & 7))
        return 0;

    char *buf = t_line;
    size_t len = 0;
    buf[0] = '\0';

    time_t now = time(nullptr);
    struct tm tm;
    if (localtime_r(&now, &tm))
        line_append(buf, &len, "[%02d:%02d:%02d]", tm.tm_hour, tm.tm_min, tm.tm_sec);
    if (module && module->name)
        line_append(buf, &len, "[%s]", module->name);
    line_append(buf, &len, "[%s]", function ? function : "");
    line_append(buf, &len, "(L%d) ", line);
    if (format) {
        va_list ap;
        va_start(ap, format);
        line_vappend(buf, &len, format, ap);
        va_end(ap);
    }

    for (int bit = 0; bit < 3; bit++) {
        if (mask & (1 << bit))
            g_outputs[bit](buf, len);
    }
    return 0;
}

int sn_log_set_level(unsigned level)
{
    if (level > 5)
        return -1;
    g_level.store(level, std::memory_order_relaxed);
    return 0;
}

unsigned sn_log_get_level(void)
{
    return g_level.load(std::memory_order_relaxed);
}

int sn_log_open_target(int flags, const char *text, int number)
{
    g_mask.fetch_or(flags, std::memory_order_acq_rel);

    if (flags & SN_LOG_TARGET_FILE) {
        sn_log_close_target(SN_LOG_TARGET_FILE);
        g_mask.fetch_or(flags, std::memory_order_acq_rel);
        if (!text)
            return -1;
        FILE *fp = fopen(text, number ? "a" : "wb");
        if (!fp)
            return -1;
        std::lock_guard<std::mutex> hold(g_file_lock);
        g_file_path = strdup(text);
        g_file.store(fp, std::memory_order_release);
        return 0;
    }

    if (flags & SN_LOG_TARGET_UDP) {
        if (!text)
            return -1;
        struct sockaddr_in address;
        memset(&address, 0, sizeof address);
        address.sin_family = AF_INET;
        address.sin_port = htons((uint16_t)number);
        if (inet_pton(AF_INET, text, &address.sin_addr) != 1)
            return -1;
        int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return -1;
        std::lock_guard<std::mutex> hold(g_socket_lock);
        int old = g_socket.exchange(-1, std::memory_order_acq_rel);
        if (old >= 0)
            close(old);
        g_address = address;
        g_socket.store(fd, std::memory_order_release);
        return 0;
    }
    return 0;
}

int sn_log_close_target(int flag)
{
    int old = g_mask.fetch_and(~flag, std::memory_order_acq_rel);
    if (!(old & flag))
        return -1;

    if (flag & old & SN_LOG_TARGET_FILE) {
        /* Lets lines already on their way from other threads land before the
         * file goes; the lock below only makes a later one go nowhere. */
        usleep(200 * 1000);
        std::lock_guard<std::mutex> hold(g_file_lock);
        FILE *fp = g_file.exchange(nullptr, std::memory_order_acq_rel);
        if (fp)
            fclose(fp);
        free(g_file_path);
        g_file_path = nullptr;
    }
    /* Both bits in one call close both, or the socket would stay open unseen. */
    if (flag & old & SN_LOG_TARGET_UDP) {
        std::lock_guard<std::mutex> hold(g_socket_lock);
        int fd = g_socket.exchange(-1, std::memory_order_acq_rel);
        if (fd >= 0)
            close(fd);
        memset(&g_address, 0, sizeof g_address);
    }
    return 0;
}

void sn_log_close_all(void)
{
    int mask = g_mask.load(std::memory_order_acquire);
    if (mask & SN_LOG_TARGET_FILE)
        sn_log_close_target(SN_LOG_TARGET_FILE);
    if (mask & SN_LOG_TARGET_UDP)
        sn_log_close_target(SN_LOG_TARGET_UDP);
    g_mask.store(0, std::memory_order_release);
}

void sn_log_exit(void)
{
    sn_log_close_all();
    g_level.store(0, std::memory_order_relaxed);
    g_mask.store(0, std::memory_order_release);
}

/* POSIX sockets need no library start-up. */
int sn_net_init(void)
{
    return 0;
}

void sn_net_uninit(void) {}

const char *sn_net_get_local_ip(void)
{
    static char ip[16];
    char host[256];
    snprintf(ip, sizeof ip, "127.0.0.1");
    if (gethostname(host, sizeof host) != 0)
        return ip;
    host[sizeof host - 1] = '\0';

    struct addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    struct addrinfo *list = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &list) != 0)
        return ip;
    for (struct addrinfo *ai = list; ai; ai = ai->ai_next) {
        char text[INET_ADDRSTRLEN];
        const struct sockaddr_in *sin = (const struct sockaddr_in *)ai->ai_addr;
        if (!inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text))
            continue;
        if (strncmp(text, "127.", 4) == 0)
            continue;
        snprintf(ip, sizeof ip, "%s", text);
        break;
    }
    freeaddrinfo(list);
    return ip;
}

long sn_get_timezone(void)
{
    tzset();
    return timezone;
}
