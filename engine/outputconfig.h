/*
 * outputconfig: where the results of a batch run go, how they are named (the
 * file-name template and its keywords), their format and quality, and what
 * happens to the sources; also the output keys of a profile.
 */
#ifndef OUTPUTCONFIG_H
#define OUTPUTCONFIG_H

#include <stddef.h>

/* Texts and output paths hold at most 1023 characters. */
#define OUTPUTCONFIG_TEXT_SIZE 1024

struct sn_thread_mutex;

typedef struct outputconfig {
    char output_folder[OUTPUTCONFIG_TEXT_SIZE];
    int use_source_folder;
    /* The file-name template; empty when renaming is off. */
    char filename_template[OUTPUTCONFIG_TEXT_SIZE];
    int format;  /* output format id */
    int quality; /* 0-100, JPEG */
    int transparent;
    int keep_source_format;
    int keep_attribute;
    int delete_source;
    /* Guards the fields above against a worker copying them half-edited. */
    struct sn_thread_mutex *mutex;
} outputconfig_t;

outputconfig_t *outputconfig_create(void);
void outputconfig_destroy(outputconfig_t *config);

/* The interface thread holds the lock while it edits fields in place; nothing
 * else may be called while it is held. */
void outputconfig_lock(outputconfig_t *config);
void outputconfig_unlock(outputconfig_t *config);
/* Copies the settings (not the lock) into copy under the lock; 0 / -1. */
int outputconfig_copy(outputconfig_t *config, outputconfig_t *copy);

int outputconfig_save(outputconfig_t *config, const char *path);
int outputconfig_load(outputconfig_t *config, const char *path);

/* Builds the output path of source_path, the file at view index index, into
 * the caller's buffer name (each caller its own) and returns it; null for a
 * null argument or when the path would not fit in 1023 characters or in
 * name_size bytes. The template may name sub-folders of the output folder;
 * a name that would leave it (a "." or ".." component) or that names no
 * file (an empty last component) is refused. Does not look at existing
 * files. */
const char *outputconfig_get_write_name(outputconfig_t *config, const char *source_path, int index,
                                        char *name, size_t name_size);
/* The same, with the part of the path below the output folder (no leading
 * '/') into relative when it is not null. On a refusal name still holds the
 * refused path, or "" when none could be made. */
const char *outputconfig_get_write_names(outputconfig_t *config, const char *source_path, int index,
                                         char *name, size_t name_size, char *relative,
                                         size_t relative_size);

/* One <Counter ...> or <Datetime ...> keyword expanded as in output names, for
 * the stamp texts that share them. keyword is its '<', followed by the rest of
 * the text; the result goes into out, cut to size bytes and terminated. Its
 * length. */
size_t outputconfig_expand_counter(const char *keyword, int index, char *out, size_t size);
size_t outputconfig_expand_datetime(const char *keyword, const char *source_path, char *out,
                                    size_t size);

#endif
