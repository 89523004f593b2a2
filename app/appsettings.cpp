// The application settings block and its file: nine keys in the default
// session, seven integers and two double-quoted texts.
#include "appsettings.h"

#include "base/sn_log.h"
#include "base/sn_setting.h"

#include <string.h>

appsettings_t g_appsettings;

static char s_path[1024];

struct IntKey {
    const char *key;
    int32_t appsettings_t::*field;
};

static const IntKey k_int_keys[] = {
    {"disable_all_confirms", &appsettings_t::disable_all_confirms},
    {"ask_save_filelist", &appsettings_t::ask_save_filelist},
    {"ask_save_filelist_overwrite", &appsettings_t::ask_save_filelist_overwrite},
    {"ask_create_output_folder", &appsettings_t::ask_create_output_folder},
    {"ask_empty_filterlist", &appsettings_t::ask_empty_filterlist},
    {"disable_log_display", &appsettings_t::disable_log_display},
    {"max_log_lines", &appsettings_t::max_log_lines},
};

bool appsettings_asks(int32_t flag)
{
    return g_appsettings.disable_all_confirms == 0 && flag != 0;
}

void copy_utf8_text(char *dest, size_t size, const char *text)
{
    if (!dest || size == 0)
        return;
    if (!text)
        text = "";
    size_t len = strnlen(text, size);
    if (len >= size) {
        len = size - 1;
        while (len > 0 && ((unsigned char)text[len] & 0xC0) == 0x80)
            len--;
    }
    memcpy(dest, text, len);
    dest[len] = '\0';
}

static void copy_text(char *dest, const char *text)
{
    copy_utf8_text(dest, sizeof g_appsettings.log_filename, text);
}

// The reader stops quietly at a NUL byte or an open quote, so damaged or
// foreign bytes can "load" as nothing at all; that must not zero every
// question and the log limit.
static bool is_empty(const sn_setting_t *store)
{
    intptr_t key_cursor = 0;
    int session_cursor = 0;
    return !sn_setting_next_key(store, nullptr, &key_cursor) &&
           !sn_setting_next_session(store, &session_cursor);
}

void appsettings_set_defaults(appsettings_t *settings)
{
    if (!settings)
        return;
    memset(settings, 0, sizeof(*settings));
    settings->ask_save_filelist = 1;
    settings->ask_save_filelist_overwrite = 1;
    settings->ask_create_output_folder = 1;
    settings->ask_empty_filterlist = 1;
    settings->max_log_lines = 800;
}

const char *appsettings_path(void)
{
    return s_path;
}

int appsettings_init(const char *path)
{
    copy_text(s_path, path);
    appsettings_set_defaults(&g_appsettings);
    return appsettings_load(s_path);
}

int appsettings_load(const char *path)
{
    if (!path || !*path) {
        sn_log(4, nullptr, "appsettings_load", __LINE__, "no path FAILED!\n");
        return -1;
    }
    sn_setting_t *store = sn_setting_create();
    if (!store)
        return -1;
    if (sn_setting_load(store, path) != 0 || is_empty(store)) {
        sn_setting_destroy(store);
        return -1;
    }
    // A file that loads replaces the whole block: a key it lacks reads 0.
    appsettings_t loaded;
    memset(&loaded, 0, sizeof(loaded));
    for (const IntKey &k : k_int_keys) {
        int value = 0;
        if (sn_setting_get_int(store, nullptr, k.key, &value) == 0)
            loaded.*k.field = value;
    }
    copy_text(loaded.log_filename, sn_setting_get_string(store, nullptr, "log_filename"));
    copy_text(loaded.lang_filename, sn_setting_get_string(store, nullptr, "lang_filename"));
    sn_setting_destroy(store);
    g_appsettings = loaded;
    return 0;
}

int appsettings_save(const char *path)
{
    if (!path || !*path) {
        sn_log(4, nullptr, "appsettings_save", __LINE__, "no path FAILED!\n");
        return -1;
    }
    sn_setting_t *store = sn_setting_create();
    if (!store)
        return -1;
    int rc = 0;
    for (const IntKey &k : k_int_keys) {
        if (sn_setting_set_int(store, nullptr, k.key, g_appsettings.*k.field) != 0)
            rc = -1;
    }
    if (sn_setting_set_string(store, nullptr, "log_filename", g_appsettings.log_filename) != 0 ||
        sn_setting_set_string(store, nullptr, "lang_filename", g_appsettings.lang_filename) != 0)
        rc = -1;
    if (rc == 0 && sn_setting_save(store, path) != 0)
        rc = -1;
    sn_setting_destroy(store);
    return rc;
}

int appsettings_save_default(void)
{
    return appsettings_save(s_path);
}
