/*
 * outputfile: how the batch worker puts one finished picture on disk without
 * trusting the names of a folder others may write in: the run's folder
 * descriptor or the one its source was loaded from, the sub-folders of a
 * name, the temporary file, publishing it under the first free name (from
 * where the run's last search for that name ended) and the checks that
 * decide whether its source may go.
 */
#ifndef OUTPUTFILE_H
#define OUTPUTFILE_H

#include <stddef.h>
#include <sys/stat.h>
#include <sys/types.h>

/* One output in the making. folder is the caller's; fd and the temporary
 * name belong to the record from outputfile_create to outputfile_close. */
typedef struct outputfile {
    int folder;          /* the folder the name is made in */
    int fd;              /* the temporary file, or -1 */
    char temp[64];       /* its name in folder */
    struct stat claimed; /* the temporary file as created */
    long long number;    /* "(n)" of the first name found free, 0 for none */
    off_t size;          /* its size once written */
} outputfile_t;

/* Opens path as a run's output folder, following a link the user chose
 * ("" is the working folder). The descriptor, or -1 (logged). */
int outputfile_open_folder(const char *path);
/* Opens the folder of source, the file a name is made beside. Taken
 * before the source is loaded: the descriptor stands for that folder
 * whatever its path leads to later. */
int outputfile_open_source_folder(const char *source);
/* The last component of source in folder is the file that was loaded (the
 * same inode): the folder the load went through. Logged when not. */
bool outputfile_folder_holds(int folder, const char *source, const struct stat *loaded);

/* Walks the sub-folders of relative ("a/b/name") down from folder, never
 * through a link; *leaf gets the last component. A new descriptor, or -1
 * logged with shown, the output path the user reads. */
int outputfile_open_parent(int folder, const char *relative, const char *shown, const char **leaf);

/* Member n of name's numbered series: name itself for 0, else name with
 * "(n)" before the last '.' of its last component, or at its end. */
int outputfile_numbered_name(const char *name, long long n, char *out, size_t size);

/* Where a run's searches for free names have got to, one number per name
 * in each folder, so that the next photo of the same name goes on from
 * there rather than from "(1)". Only a hint: the create and the rename
 * still decide whether a name is free. */
typedef struct outputfile_series outputfile_series_t;
outputfile_series_t *outputfile_series_create(void);
void outputfile_series_destroy(outputfile_series_t *series);

/* Finds the first free member of leaf's series in folder, from the number
 * series remembers for it on (from the name itself when series is null or
 * knows none), and creates a private temporary file beside it. 0, or -1
 * (logged with shown). */
int outputfile_create(outputfile_t *out, int folder, const char *leaf, const char *shown,
                      outputfile_series_t *series);
/* After the writer: gives the file its mode (the permission bits only: a
 * set-user-ID, set-group-ID or sticky bit is left out) and, when times is
 * not null, its times; puts it on the disk; checks that the temporary name still
 * stands for it. 0 / -1 (logged with shown). */
int outputfile_finish(outputfile_t *out, mode_t mode, const struct timespec *times,
                      const char *shown);
/* Gives the finished file the first free name of leaf's series from the
 * number found at create on, and checks that the name now holds this very
 * file, whole. The name taken goes to published. 0 / -1 (logged). */
int outputfile_publish(outputfile_t *out, const char *leaf, char *published, size_t size);
/* Removes the temporary file if it is still this record's; closes. */
void outputfile_discard(outputfile_t *out);
void outputfile_close(outputfile_t *out);

/* The mode a plain create gives a new file under this process's umask. */
mode_t outputfile_default_mode(void);
/* Syncs the folder's entries to the disk. 0 / -1. */
int outputfile_sync_folder(int folder);

/* path still names the very file that was loaded, unchanged since: the same
 * inode, size, modification and change times. */
bool outputfile_is_loaded(const char *path, const struct stat *loaded);

/* Tests only: called at each moment a racer in the folder could act, with
 * the folder and the temporary name. */
enum {
    OUTPUTFILE_STAGE_CREATED = 0, /* the temporary file exists, empty */
    OUTPUTFILE_STAGE_WRITTEN = 1, /* the writer has finished */
    OUTPUTFILE_STAGE_PUBLISH = 2, /* checked, about to take its name */
};
extern void (*outputfile_race_hook)(int stage, int folder, const char *temp);

#endif
