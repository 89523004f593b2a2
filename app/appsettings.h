// The application settings: one process-wide block of the user's
// preferences, read from and written to "Zandrevik.conf" in the data folder.
#ifndef APPSETTINGS_H
#define APPSETTINGS_H

#include <stddef.h>
#include <stdint.h>

typedef struct appsettings {
    int32_t disable_all_confirms;
    int32_t ask_save_filelist;
    int32_t ask_save_filelist_overwrite;
    int32_t ask_create_output_folder;
    int32_t ask_empty_filterlist;
    int32_t disable_log_display;
    int32_t max_log_lines;
    char log_filename[1024];
    char lang_filename[1024];
} appsettings_t;

// Read and written in place by the interface thread only.
extern appsettings_t g_appsettings;

// Keeps path, sets the defaults, then loads the file over them.
int appsettings_init(const char *path);
int appsettings_load(const char *path);
int appsettings_save(const char *path);
int appsettings_save_default(void);
// The path kept by appsettings_init ("" before it).
const char *appsettings_path(void);
// The defaults of a first start: questions on, 800 log lines, no texts.
void appsettings_set_defaults(appsettings_t *settings);
// Whether the question behind flag (one of the ask_ fields) is asked: its
// own flag is set and no setting turns all of them off.
bool appsettings_asks(int32_t flag);
// Copies text (null reads as "") into a field of size bytes, NUL included.
// A longer text is cut before the UTF-8 sequence that would cross the end,
// so that a cut path or name never ends in half a character.
void copy_utf8_text(char *dest, size_t size, const char *text);

#endif
