/*
 * photobatch: the process-wide batch engine record, its command protocol,
 * states and events, and the two callback types the workers report through.
 */
#ifndef PHOTOBATCH_H
#define PHOTOBATCH_H

#include <stdint.h>

#include <atomic>

#include <QList>
#include <QString>

#include "fileman.h"
#include "outputconfig.h"

struct imagefilter;
typedef struct imagefilter imagefilter_t;

/* Fills filters with the pipeline's filters for one source file, in pipeline
 * order; called on a worker thread. index is the file's place in the list, the
 * one its output name counts with (-1 when no file is meant), so that a text's
 * counter agrees with the names. The filters stay owned by the pipeline. */
typedef void (*filter_list_callback_t)(void *owner, const QString &source_path, int index,
                                       QList<imagefilter_t *> &filters);

/* Called on the worker thread; text is valid only during the call. */
typedef void (*photobatch_process_callback_t)(void *target, int event, intptr_t argument,
                                              const char *text);

typedef enum photobatch_command {
    PHOTOBATCH_COMMAND_NONE = 0,
    PHOTOBATCH_COMMAND_START = 1,
    PHOTOBATCH_COMMAND_STOP = 2,
    PHOTOBATCH_COMMAND_PAUSE = 3,
    PHOTOBATCH_COMMAND_RESUME = 4,
    PHOTOBATCH_COMMAND_EXIT = 5,
} photobatch_command_t;

typedef enum photobatch_status {
    PHOTOBATCH_STATUS_IDLE = 0,
    PHOTOBATCH_STATUS_RUNNING = 1,
    PHOTOBATCH_STATUS_PAUSED = 2,
} photobatch_status_t;

typedef enum photobatch_event {
    PHOTOBATCH_EVENT_STARTED = 1,  /* argument 0 started, 1 resumed */
    PHOTOBATCH_EVENT_PAUSED = 2,   /* argument 0 */
    PHOTOBATCH_EVENT_FINISHED = 3, /* argument 1 all files done, 0 stopped */
    PHOTOBATCH_EVENT_FILE = 4,     /* argument: the source path's address */
    PHOTOBATCH_EVENT_WRITTEN = 5,  /* argument: source path's address; text: output path */
    PHOTOBATCH_EVENT_FAILED = 6,   /* argument: one of the failure codes below */
    /* Right after event 5: with delete source on, the source was kept.
     * argument: why, one of the reason codes below; text: the source path. */
    PHOTOBATCH_EVENT_KEPT = 7,
} photobatch_event_t;

/* Reasons of event 7, turned into the user's language by the page. */
#define PHOTOBATCH_KEPT_FILTER_FAILED 1 /* a filter failed on the photo */
#define PHOTOBATCH_KEPT_NOT_SYNCED 2    /* the output folder could not be synced */
#define PHOTOBATCH_KEPT_CHANGED 3       /* changed since it was loaded */
#define PHOTOBATCH_KEPT_NOT_DELETED 4   /* the delete failed */

/* Failure codes of event 6 and their texts: the source path, or none, for a
 * read; the output path for a write (the source's when no name could be
 * made); the filter's kind name for a filter, and for a filter whose picture
 * would grow past its bound (stagebound.h), which ends the file unwritten. */
#define PHOTOBATCH_FAILED_READ 1
#define PHOTOBATCH_FAILED_WRITE 2
#define PHOTOBATCH_FAILED_FILTER 3
#define PHOTOBATCH_FAILED_GROWTH 4
/* A stamp or watermark whose picture or text was refused as too large to
 * draw (the text is the filter's kind name); the file goes on as after any
 * failed filter. */
#define PHOTOBATCH_FAILED_TOO_LARGE 5

struct sn_thread;
struct sn_thread_mutex;
struct outputfile;
struct outputfile_series;

typedef struct photobatch {
    fileman_t *fileman;           /* owned */
    outputconfig_t *outputconfig; /* owned */
    /* The two callback pairs are set by the interface and copied by the
     * worker under the mutex before each call. filter_calls counts the
     * filter callbacks in progress, under the mutex, so that a clear can
     * wait for them. */
    filter_list_callback_t filter_callback;
    void *filter_owner;
    int filter_calls;
    photobatch_process_callback_t process_callback;
    void *process_target;
    struct sn_thread_mutex *mutex;
    struct sn_thread *thread;
    /* Words shared by the two threads. status is written by the worker only;
     * command is written by the poster and cleared by the worker after it has
     * stored result. */
    std::atomic<int> status;
    std::atomic<int> command;
    std::atomic<int> result;
    std::atomic<int> total;   /* files in the list when the run started */
    std::atomic<int> current; /* view index of the file in hand */
    std::atomic<int> exited;  /* set by the worker as the last thing it touches */
    /* Set under the mutex when the destroyer gives up a worker still inside
     * a filter: from then on the worker reports nothing and leaves status
     * alone. */
    int given_up;
    /* The temporary file of the file in hand, from its creation to its
     * publication or removal; under out_lock, which the worker holds only
     * while it creates, publishes or removes that file (never while it
     * writes it), so that an exit which gives the worker up can remove it. */
    struct sn_thread_mutex *out_lock;
    struct outputfile *out_in_flight;
    /* The worker's own: the run's output folder, opened once per run (-1
     * when not yet, or when it could not be), the path it was opened by,
     * and whether it was tried. */
    int output_dir;
    int output_dir_tried;
    char output_dir_path[OUTPUTCONFIG_TEXT_SIZE];
    /* Where the run's searches for free output names have got to (null
     * between runs, or when it could not be made). */
    struct outputfile_series *series;
} photobatch_t;

photobatch_t *photobatch_create(void);
/* Asks the worker to end and returns at once. The file in hand is given up
 * at the next row of its decode or save, or after the filter at work (a
 * filter cannot be interrupted): nothing of it is written, its source is
 * untouched, and a run in progress ends as cancelled. */
void photobatch_ask_exit(photobatch_t *batch);
/* Asks the worker to end as photobatch_ask_exit does, waits up to
 * timeout_ms for it (unless given, as long as a large file's filter can
 * take: 2 minutes), then frees everything: 0. -1 when the worker is still
 * inside a filter then: it is given up. Its temporary file is removed and it
 * can create or publish no other; it reports nothing more, its status stays
 * as it was, and the record is left to it: whatever it may still touch (the
 * filters it was given, the pictures they borrow) must not be freed either,
 * and the caller ends the process. Destroyed again once it has ended, the
 * record is freed. */
int photobatch_destroy(photobatch_t *batch, int timeout_ms = 120000);

int photobatch_create_instance(void);
photobatch_t *photobatch_get_instance(void);
/* Forgets the instance and destroys it with photobatch_destroy's result. */
int photobatch_destroy_instance(int timeout_ms = 120000);

void photobatch_set_process_callback(photobatch_t *batch, photobatch_process_callback_t callback,
                                     void *target);
void photobatch_set_filter_callback(photobatch_t *batch, filter_list_callback_t callback,
                                    void *owner);
/* Clears the filter callback if owner still holds it, and returns once no
 * call of it is in progress (on another thread): 0, or -1 when someone else
 * had set theirs meanwhile (theirs stays). */
int photobatch_clear_filter_callback(photobatch_t *batch, void *owner);

fileman_t *photobatch_get_fileman(photobatch_t *batch);
outputconfig_t *photobatch_get_outputconfig(photobatch_t *batch);
int photobatch_get_status(photobatch_t *batch);
int photobatch_get_current(photobatch_t *batch);

/* Post a command and wait up to 1 s (1000 polls of 1 ms; the worker is
 * woken for it) for the worker to take it; the worker's result (0 / -1), or
 * -1 on time-out. */
int photobatch_start(photobatch_t *batch);
int photobatch_stop(photobatch_t *batch);
int photobatch_pause(photobatch_t *batch);
int photobatch_resume(photobatch_t *batch);

void photobatch_notify(photobatch_t *batch, int event, intptr_t argument, const char *text);

/* The worker's thread procedure. */
int photobatch_proc(void *param, const std::atomic<int> *stop);

#endif
