/*
 * preview: the worker that computes the stage images of the current source
 * file (stage 0 the source, stage k the image after the first k filters, up to
 * stage 64), recomputing only what a change made stale, and the lock under
 * which the interface copies one stage for display.
 */
#ifndef PREVIEW_H
#define PREVIEW_H

#include <semaphore.h>
#include <stddef.h>
#include <stdint.h>

#include <atomic>

#include "fileman.h"
#include "image/sn_image.h"
#include "photobatch.h"

#define PREVIEW_MAX_STAGE 64
#define PREVIEW_STAGE_COUNT (PREVIEW_MAX_STAGE + 1)

typedef enum preview_command {
    PREVIEW_COMMAND_NONE = 0,
    PREVIEW_COMMAND_ENABLE = 1,
    PREVIEW_COMMAND_INTERRUPT = 2,
    PREVIEW_COMMAND_DISABLE = 3,
    PREVIEW_COMMAND_UPDATE_FILE = 4,
    PREVIEW_COMMAND_EXIT = 5,
} preview_command_t;

typedef enum preview_event {
    PREVIEW_EVENT_RUN_BEGIN = 1,   /* source path (text valid during the call), filter count */
    PREVIEW_EVENT_RUN_END = 2,     /* one of the codes below, a stage */
    PREVIEW_EVENT_STAGE_BEGIN = 3, /* stage, 0 */
    PREVIEW_EVENT_STAGE_DONE = 4,  /* 0, stage */
} preview_event_t;

/* Codes of PREVIEW_EVENT_RUN_END. 1 with stage 0: the source did not load;
 * 1 with stage d: stage d could not be made (no memory, or over the budget);
 * 2: interrupted before stage d. Both are followed by 0 with the first stage
 * not computed, which alone tells the owner that new stages are ready. */
#define PREVIEW_END_DONE 0
#define PREVIEW_END_FAILED 1
#define PREVIEW_END_INTERRUPTED 2

/* Called on the worker thread. */
typedef void (*preview_notify_callback_t)(void *owner, int event, intptr_t value1, intptr_t value2);

struct sn_thread;
struct sn_thread_mutex;

typedef struct preview {
    preview_notify_callback_t notify;
    filter_list_callback_t filters_callback;
    void *owner;
    fileman_t *fileman; /* the batch engine's list, borrowed */

    /* Guarded by mutex: the worker replaces slots under it, the interface
     * reads them under it; the worker reads its own slots without it. */
    sn_image_t *images[PREVIEW_STAGE_COUNT];
    struct sn_thread_mutex *mutex;
    /* Whether images[0] holds a source, written with the slot: the schedule
     * asks it without the mutex, which the display may hold for as long as
     * it copies a large stage out. */
    std::atomic<bool> source_stored;

    /* Worker only. cached_path is the file whose stage 0 stands in images[0];
     * null while no source is loaded. stage_bytes mirrors the slots. */
    char *cached_path;
    size_t stage_bytes[PREVIEW_STAGE_COUNT];
    /* Stage images are kept within this many bytes (1 GiB, or a quarter of
     * the physical memory when that is less). */
    size_t memory_budget;

    /* The schedule, guarded by schedule_mutex (never held with mutex).
     * last: stages 0..last are valid for the current file and pipeline.
     * next: the stage the next run starts from; -1 when nothing is pending.
     * dirty: the lowest stage invalidated since the current run began, so the
     * run knows which of the stages it stores are already stale.
     * generation: counts changes of file or pipeline. */
    struct sn_thread_mutex *schedule_mutex;
    int last;
    int next;
    int dirty;
    unsigned generation;

    /* A source that failed to load is tried again only when the file on disk,
     * the selection or the pipeline changes. Worker only. */
    char *failed_path;
    unsigned failed_generation;
    int64_t failed_mtime_ns;
    int64_t failed_size;

    struct sn_thread *thread;
    sem_t wake;  /* posted with every command and schedule; the idle wait ends early */
    sem_t taken; /* posted by the worker whenever it has cleared command bits */
    /* Pending commands as a set: bit (1 << command). Posters set their bit,
     * the worker clears the bits it has taken; exit stays set. */
    std::atomic<int> command;
    std::atomic<int> result; /* cleared by the poster, never written by the worker */
    std::atomic<int> enabled;
    std::atomic<int> wanted;
    std::atomic<int> exited; /* set by the worker as the last thing it touches */
    /* Runs begun and runs ended (filters destroyed); equal while the worker
     * is outside any run. Written by the worker only. */
    std::atomic<unsigned> runs_begun;
    std::atomic<unsigned> runs_ended;
} preview_t;

preview_t *preview_create(preview_notify_callback_t notify, filter_list_callback_t filters_callback,
                          void *owner);
/* Asks the worker to end and returns at once: a run ends before its next
 * stage, a decode at its next row, a filter at work only once it is done. */
void preview_ask_exit(preview_t *preview);
/* Ends the worker, asked as preview_ask_exit does and waited for up to
 * timeout_ms (5 s unless given), and frees the record: 0. -1 when the worker did not end (a
 * filter at work): the record is then left in place, and whatever the worker
 * may still touch (the owner, the filters it was given) must not be freed
 * either. */
int preview_destroy(preview_t *preview, int timeout_ms = 5000);

/* Post a command and wait up to 1000 x 5 ms for the worker to take it: 0, or
 * -1 on time-out (the command stays posted). */
int preview_enable(preview_t *preview);
int preview_disable(preview_t *preview);
/* Re-check the current file; posted without waiting. */
int preview_update_file(preview_t *preview);

/* Schedule a recomputation from stage from; with wait > 0 also interrupt the
 * run in progress and wait for the worker to take the interrupt, with wait < 0
 * interrupt it without waiting. 0. */
int preview_invalidate(preview_t *preview, int from, int wait);
/* The last stage the display needs; schedules what is missing up to it. 0. */
int preview_set_stage(preview_t *preview, int stage);

/* Returns once every run that had begun when it was called has ended, its
 * filters destroyed, so that nothing those filters borrowed is in use. With
 * timeout_ms > 0 such a run is interrupted before its next stage (the stages
 * it had yet to compute stay scheduled) and waited for in 5 ms steps: 0, or
 * -1 on time-out. With 0 it only looks: 0 when no such run is going, else -1. */
int preview_wait_idle(preview_t *preview, int timeout_ms);

/* Takes the preview mutex and returns the stage's image, or releases it again
 * and returns null when the stage has none (or is outside 0..64). */
sn_image_t *preview_lock_image(preview_t *preview, int stage);
void preview_unlock_image(preview_t *preview);

/* The worker's thread procedure. */
int preview_proc(void *param, const std::atomic<int> *stop);

#endif
