/*
 * sn_log: the one logging call of every procedural module, and its three
 * outputs (standard error, a log file, one UDP datagram per line).
 * Also the socket-library start/stop that the datagram output needs.
 */
#ifndef SN_LOG_H
#define SN_LOG_H

#include <stddef.h>

#define SN_LOG_TARGET_CONSOLE 1
#define SN_LOG_TARGET_FILE 2
#define SN_LOG_TARGET_UDP 4

/* Longest line, without its NUL; longer lines are cut. */
#define SN_LOG_LINE_MAX 16383

typedef struct sn_log_module {
    const char *name;
    unsigned level;
} sn_log_module_t;

/* Formats "[hh:mm:ss][module][function](Lline) message" and hands it to each
 * enabled output. Never fails; returns 0. */
int sn_log(unsigned level, const sn_log_module_t *module, const char *function, int line,
           const char *format, ...) __attribute__((format(printf, 5, 6)));

int sn_log_set_level(unsigned level);
unsigned sn_log_get_level(void);

/* flags: one of SN_LOG_TARGET_*. File: text is the path, number != 0 appends.
 * Datagram: text is a dotted IPv4 address, number the port. */
int sn_log_open_target(int flags, const char *text, int number);
int sn_log_close_target(int flag);
void sn_log_close_all(void);
void sn_log_exit(void);

int sn_net_init(void);
void sn_net_uninit(void);
const char *sn_net_get_local_ip(void);
long sn_get_timezone(void);

#endif
