/*
 * sn_setting: the typed key/value store (a default session and up to 127
 * named ones) and its text file, which saving merges with the file on disk so
 * that keys written by someone else survive. No lock: one thread at a time.
 */
#ifndef SN_SETTING_H
#define SN_SETTING_H

#include <stdint.h>
#include <time.h>

#define SN_SETTING_TYPE_BOOL 1
#define SN_SETTING_TYPE_INT 2
#define SN_SETTING_TYPE_DOUBLE 3
#define SN_SETTING_TYPE_STRING 4
#define SN_SETTING_TYPE_TIME 5
#define SN_SETTING_TYPE_QUOTED 6 /* single-quoted string, kept as read */

#define SN_SETTING_MAX_SESSIONS 127
/* Keys are shorter than this; session names are at most SN_SETTING_NAME_MAX. */
#define SN_SETTING_KEY_MAX 128
#define SN_SETTING_NAME_MAX 254
#define SN_SETTING_FILE_MAX 1048576

typedef struct sn_setting sn_setting_t;

/* The session argument is a session name, or null for the default session.
 * Unless said otherwise calls return 0, or -1 on failure. */
sn_setting_t *sn_setting_create(void);
void sn_setting_destroy(sn_setting_t *setting);

/* Replaces the whole content with the file's. */
int sn_setting_load(sn_setting_t *setting, const char *path);
/* Rewrites the file, merged with what it holds now; the old file stays as it
 * was when the new one cannot be written whole. A file that does not load
 * whole is first copied to "<name>.bak" (".bak.2" to ".bak.9" when taken);
 * when no copy can be made the save fails and the file stays. */
int sn_setting_save(const sn_setting_t *setting, const char *path);

/* Getters: -1 (or null) when the key is absent or of another type. */
int sn_setting_get_bool(const sn_setting_t *setting, const char *session, const char *key,
                        int *value);
int sn_setting_get_int(const sn_setting_t *setting, const char *session, const char *key,
                       int *value);
int sn_setting_get_double(const sn_setting_t *setting, const char *session, const char *key,
                          double *value);
int sn_setting_get_time(const sn_setting_t *setting, const char *session, const char *key,
                        time_t *value);
/* The store's own text, valid until the entry changes or the store goes. */
const char *sn_setting_get_string(const sn_setting_t *setting, const char *session,
                                  const char *key);

/* Setters replace the value of an entry of the same type, fail on another
 * type, and otherwise add the entry (and the session, when new). */
int sn_setting_set_bool(sn_setting_t *setting, const char *session, const char *key, int value);
int sn_setting_set_int(sn_setting_t *setting, const char *session, const char *key, int value);
int sn_setting_set_double(sn_setting_t *setting, const char *session, const char *key,
                          double value);
int sn_setting_set_time(sn_setting_t *setting, const char *session, const char *key, time_t value);
/* Keeps copies of key and text, each cut at its first CR or LF. */
int sn_setting_set_string(sn_setting_t *setting, const char *session, const char *key,
                          const char *text);

/* The entry's SN_SETTING_TYPE_*, 0 when absent. */
int sn_setting_get_type(const sn_setting_t *setting, const char *session, const char *key);
int sn_setting_remove(sn_setting_t *setting, const char *session, const char *key);

/* Keys of a session, most recently added first (for a loaded file, the
 * reverse of the file's order). *cursor is 0 to start and -1 after the last
 * key; returns null at the end or for a session that does not exist. The
 * cursor is invalid once an entry of the session is removed. */
const char *sn_setting_next_key(const sn_setting_t *setting, const char *session, intptr_t *cursor);
/* Names of the sessions in use, slot by slot; *cursor is 0 to start. */
const char *sn_setting_next_session(const sn_setting_t *setting, int *cursor);

/* Logs the whole content at level 2. */
void sn_setting_print(const sn_setting_t *setting);

#endif
