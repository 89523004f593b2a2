/*
 * The codec interface: input and output format descriptors, the reader that
 * every image owns, the two format registries, and helpers shared by writers.
 */
#ifndef SN_IMAGE_CODEC_H
#define SN_IMAGE_CODEC_H

#include "image/sn_image.h"

#include <stdio.h>
#include <sys/stat.h>

/* How many leading bytes a probe is offered. */
#define SNIMAGE_PROBE_BYTES 32

typedef struct snimage_reader {
    char *path;        /* own copy; set only for images loaded from a file */
    FILE *source;      /* the loader's checked stream on path while it loads */
    sn_image_t *owner; /* the image that owns this reader */
    void *codec_state; /* set by read_header, released by close */
} snimage_reader_t;

typedef struct snimage_iformat {
    int id;
    const char *extensions; /* comma-separated, lower case, no dots */
    int (*probe)(snimage_reader_t *reader, const unsigned char *bytes, int count);
    int (*read_header)(snimage_reader_t *reader);
    int (*read_frames)(snimage_reader_t *reader, int first, int last);
    int (*close)(snimage_reader_t *reader);
    struct snimage_iformat *next;
} snimage_iformat_t;

typedef struct snimage_oformat {
    int id;
    const char *extensions;
    int (*write)(sn_image_t *image, const char *path, int first, int last,
                 const sn_image_write_params_t *params);
    /* The same into a descriptor the caller made and keeps: an empty file
     * opened for reading and writing, at offset 0. The writer never closes
     * it and never names a file; name only labels its messages. */
    int (*write_fd)(sn_image_t *image, int fd, const char *name, int first, int last,
                    const sn_image_write_params_t *params);
    struct snimage_oformat *next;
} snimage_oformat_t;

/* The codecs' descriptors (core/codec/). */
extern snimage_iformat_t snimage_memory_iformat;
extern snimage_iformat_t snimage_bmp_iformat;
extern snimage_oformat_t snimage_bmp_oformat;
extern snimage_iformat_t snimage_jpeg_iformat;
extern snimage_oformat_t snimage_jpeg_oformat;
extern snimage_iformat_t snimage_gif_iformat;
extern snimage_oformat_t snimage_gif_oformat;
extern snimage_iformat_t snimage_png_iformat;
extern snimage_oformat_t snimage_png_oformat;
extern snimage_iformat_t snimage_tiff_iformat;
extern snimage_oformat_t snimage_tiff_oformat;

void snimage_register_formats(void);
void snimage_register_iformat(snimage_iformat_t *format);
void snimage_register_oformat(snimage_oformat_t *format);
const snimage_iformat_t *snimage_next_iformat(const snimage_iformat_t *format);
const snimage_oformat_t *snimage_next_oformat(const snimage_oformat_t *format);
const snimage_iformat_t *snimage_find_iformat(int id);
const snimage_oformat_t *snimage_find_oformat(int id);
int snimage_match_extension(const char *path, const char *extensions);
const snimage_oformat_t *snimage_guess_oformat(const char *path);
const snimage_iformat_t *snimage_guess_iformat(const char *path);

/* Loads path like sn_image_create_from_file; *loaded (may be null) gets the
 * status of the file that was read, taken from its open descriptor, so that
 * the caller can tell later whether the name still stands for that file. */
sn_image_t *snimage_create_from_file_stat(const char *path, int last, struct stat *loaded);

/* A descriptor of the reader's own on its file, at the start: a copy of the
 * loader's, so that no probe or reader opens the name again (it may name a
 * pipe by now). A reader given only a path opens it without blocking, and a
 * regular file only. -1 on failure; the caller logs. */
int snimage_reader_open_fd(snimage_reader_t *reader);
/* The same as a stream; null on failure. */
FILE *snimage_reader_open_file(snimage_reader_t *reader);

/* Tests only: called with the path once the loader has opened and checked
 * the file, before any format looks at it. */
extern void (*snimage_opened_hook)(const char *path);

/* A writer's path entry: checks its arguments ("image or path is null\n"
 * under function, before anything is created), creates or truncates path,
 * hands the descriptor to write_fd and closes it. On failure ("fopen
 * FAILED! %s\n" under function when path cannot be opened) a regular file
 * or link left at path is removed, a device never; -1. */
int snimage_write_path(sn_image_t *image, const char *path, int first, int last,
                       const sn_image_write_params_t *params,
                       int (*write_fd)(sn_image_t *, int, const char *, int, int,
                                       const sn_image_write_params_t *),
                       const char *function);
/* The removal above, for a writer with a path entry of its own. */
void snimage_remove_partial(const char *path);

/* A stdio stream on a copy of fd, for the libraries that write through one;
 * closing the stream leaves fd open. Null with "fopen FAILED! %s\n" under
 * function. */
FILE *snimage_output_stream(int fd, const char *name, const char *function);
/* Writers' end of a stream: flushes, checks its error flag and closes it; on
 * a failure "write FAILED! %s\n" under the writer's name and -1. fp may be
 * null (nothing to close). */
int snimage_finish_output(FILE *fp, const char *name, const char *function);
/* True when the calling worker has been asked to stop (the program is
 * ending): a codec in the middle of a large picture gives up, logging
 * "<what> stopped: the worker is ending" at level 2 under function, and its
 * caller drops the file. False on any thread not opened by sn_thread. */
bool snimage_stopped(const char *function, const char *what);

#endif
