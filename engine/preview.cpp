/*
 * preview: preview_create, preview_ask_exit, preview_destroy, preview_enable,
 * preview_disable,
 * preview_update_file, preview_invalidate, preview_set_stage,
 * preview_wait_idle, preview_lock_image, preview_unlock_image and the worker preview_proc.
 * Leans on sn_thread (worker, mutexes), the file list of the batch engine,
 * sn_image (load, clone) and imagefilter (the owner's filters).
 */
#include "preview.h"
#include "stagebound.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <new>

#include "base/sn_log.h"
#include "base/sn_thread.h"
#include "filter/imagefilter.h"

namespace
{

const int k_idle_ms = 50;
/* Kept blocks wait this long for the next photo before they go back. */
const int k_release_ms = 1000;
const int k_post_sleep_ms = 5;
/* How long a poster waits for the worker to take its command. */
const int k_post_timeout_ms = 5000;
const int k_no_stage = PREVIEW_STAGE_COUNT; /* "dirty" when nothing was invalidated */
const size_t k_default_budget = (size_t)1 << 30;

int command_bit(int command)
{
    return 1 << command;
}

void sleep_ms(int milliseconds)
{
    struct timespec span = {milliseconds / 1000, (long)(milliseconds % 1000) * 1000000L};
    while (nanosleep(&span, &span) != 0 && errno == EINTR) {
    }
}

void wake_worker(preview_t *preview)
{
    sem_post(&preview->wake);
}

/* The monotonic time milliseconds from now, for sem_clockwait. */
struct timespec deadline_after(int milliseconds)
{
    struct timespec until;
    clock_gettime(CLOCK_MONOTONIC, &until);
    until.tv_sec += milliseconds / 1000;
    until.tv_nsec += (long)(milliseconds % 1000) * 1000000L;
    until.tv_sec += until.tv_nsec / 1000000000L;
    until.tv_nsec %= 1000000000L;
    return until;
}

/* Waits up to milliseconds for a wake-up, then takes every other pending one,
 * so that a burst of schedules costs one cycle. */
void idle_wait(preview_t *preview, int milliseconds)
{
    const struct timespec until = deadline_after(milliseconds);
    while (sem_clockwait(&preview->wake, CLOCK_MONOTONIC, &until) != 0 && errno == EINTR) {
    }
    while (sem_trywait(&preview->wake) == 0) {
    }
}

size_t default_budget(void)
{
    long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || page_size <= 0)
        return k_default_budget;
    size_t quarter = (size_t)pages / 4 * (size_t)page_size;
    return quarter < k_default_budget ? quarter : k_default_budget;
}

void notify(preview_t *preview, int event, intptr_t value1, intptr_t value2)
{
    if (preview->notify)
        preview->notify(preview->owner, event, value1, value2);
}

/* Enable and disable cancel each other, so the later one wins; every other
 * pending command stays. */
void set_command(preview_t *preview, int command)
{
    int bit = command_bit(command);
    int cancel = command == PREVIEW_COMMAND_ENABLE    ? command_bit(PREVIEW_COMMAND_DISABLE)
                 : command == PREVIEW_COMMAND_DISABLE ? command_bit(PREVIEW_COMMAND_ENABLE)
                                                      : 0;
    int old = preview->command.load(std::memory_order_acquire);
    while (!preview->command.compare_exchange_weak(old, (old | bit) & ~cancel,
                                                   std::memory_order_acq_rel)) {
    }
}

/* Tells a poster waiting in wait_taken to look at the command bits again. */
void commands_taken(preview_t *preview)
{
    sem_post(&preview->taken);
}

/* Waits until the worker has taken a command posted with its result cleared:
 * the result, or -1 on time-out. The worker says when it has cleared bits,
 * so that the poster goes on as soon as its own bit is gone. What earlier
 * commands left is taken first: a post made after that follows a clear that
 * the first look may have missed. */
int wait_taken(preview_t *preview, int command)
{
    int bit = command_bit(command);
    const struct timespec until = deadline_after(k_post_timeout_ms);
    while (sem_trywait(&preview->taken) == 0) {
    }
    for (;;) {
        if (!(preview->command.load(std::memory_order_acquire) & bit))
            return preview->result.load(std::memory_order_acquire);
        if (sem_clockwait(&preview->taken, CLOCK_MONOTONIC, &until) != 0 && errno != EINTR)
            return (preview->command.load(std::memory_order_acquire) & bit)
                       ? -1
                       : preview->result.load(std::memory_order_acquire);
    }
}

int post_command(preview_t *preview, int command, bool wait)
{
    set_command(preview, command);
    if (wait)
        preview->result.store(0, std::memory_order_release);
    wake_worker(preview);
    return wait ? wait_taken(preview, command) : 0;
}

/* Makes every stage from `from` on pending. The schedule starts at the first
 * stage that is not valid, never past it, so that no run starts from a stage
 * that was never computed. */
void schedule_locked(preview_t *preview, int from, bool have_source, bool changed)
{
    if (from < 0 || !have_source)
        from = 0;
    if (changed) {
        preview->generation++;
        if (from < preview->dirty)
            preview->dirty = from;
        if (preview->last >= from)
            preview->last = from - 1;
    }
    if (preview->next >= 0 && preview->next <= from)
        return;
    int start = preview->last + 1 < from ? preview->last + 1 : from;
    preview->next = start;
}

bool have_source(preview_t *preview)
{
    return preview->source_stored.load(std::memory_order_acquire);
}

/* Takes stages first..64 out of their slots under the mutex and frees them
 * after it, so that the display never waits for the freeing. */
void release_stages(preview_t *preview, int first)
{
    sn_image_t *old[PREVIEW_STAGE_COUNT] = {};
    sn_thread_mutex_lock(preview->mutex);
    for (int i = first; i < PREVIEW_STAGE_COUNT; i++) {
        old[i] = preview->images[i];
        preview->images[i] = NULL;
    }
    if (first == 0)
        preview->source_stored.store(false, std::memory_order_release);
    sn_thread_mutex_unlock(preview->mutex);
    for (int i = first; i < PREVIEW_STAGE_COUNT; i++) {
        sn_image_destroy(old[i]);
        preview->stage_bytes[i] = 0;
    }
}

/* Returns the image it replaced, for the caller to free outside the mutex. */
sn_image_t *store_stage(preview_t *preview, int stage, sn_image_t *image)
{
    sn_thread_mutex_lock(preview->mutex);
    sn_image_t *old = preview->images[stage];
    preview->images[stage] = image;
    if (stage == 0)
        preview->source_stored.store(image != NULL, std::memory_order_release);
    sn_thread_mutex_unlock(preview->mutex);
    preview->stage_bytes[stage] = stage_image_bytes(image);
    return old;
}

size_t kept_bytes(const preview_t *preview)
{
    size_t total = 0;
    for (size_t bytes : preview->stage_bytes)
        total += bytes;
    return total;
}

/* index, when given, takes the list place the path was copied from. */
char *current_path(preview_t *preview, int *index = NULL)
{
    const int current = fileman_get_current(preview->fileman);
    if (index)
        *index = current;
    return fileman_copy_path(preview->fileman, current);
}

/* The stages of another file must not stand under this file's path: they go,
 * and with them the cached path, before anything else of the new file. */
void forget_file(preview_t *preview)
{
    release_stages(preview, 0);
    free(preview->cached_path);
    preview->cached_path = NULL;
}

void file_check(preview_t *preview)
{
    char *path = current_path(preview);
    if (!path)
        return;
    bool same = preview->cached_path && strcmp(preview->cached_path, path) == 0;
    free(path);
    if (same)
        return;
    forget_file(preview);
    sn_thread_mutex_lock(preview->schedule_mutex);
    preview->last = -1;
    schedule_locked(preview, 0, false, true);
    sn_thread_mutex_unlock(preview->schedule_mutex);
}

bool file_state(const char *path, int64_t *mtime_ns, int64_t *size)
{
    struct stat status;
    if (stat(path, &status) != 0) {
        *mtime_ns = -1;
        *size = -1;
        return false;
    }
    *mtime_ns = (int64_t)status.st_mtim.tv_sec * 1000000000 + status.st_mtim.tv_nsec;
    *size = (int64_t)status.st_size;
    return true;
}

void forget_failure(preview_t *preview)
{
    free(preview->failed_path);
    preview->failed_path = NULL;
}

/* mtime_ns and size are the file's state from before the load was tried: a
 * file replaced while it was being read counts as changed. */
void remember_failure(preview_t *preview, const char *path, unsigned generation, int64_t mtime_ns,
                      int64_t size)
{
    forget_failure(preview);
    preview->failed_path = strdup(path);
    preview->failed_generation = generation;
    preview->failed_mtime_ns = mtime_ns;
    preview->failed_size = size;
}

/* True while the file that failed to load is still selected, unchanged on
 * disk, and neither file nor pipeline changed since. */
bool failure_stands(preview_t *preview, const char *path, unsigned generation)
{
    if (!preview->failed_path || strcmp(preview->failed_path, path) != 0 ||
        preview->failed_generation != generation)
        return false;
    int64_t mtime_ns, size;
    file_state(path, &mtime_ns, &size);
    return mtime_ns == preview->failed_mtime_ns && size == preview->failed_size;
}

void destroy_filters(QList<imagefilter_t *> &filters)
{
    for (imagefilter_t *filter : filters)
        if (filter)
            imagefilter_destroy(filter);
    filters.clear();
}

/* Makes room for a stage of `bytes` at `stage`. Stages after it derive from
 * the stage being replaced, so they are stale and go first. */
bool within_budget(preview_t *preview, int stage, size_t bytes)
{
    size_t others = kept_bytes(preview) - preview->stage_bytes[stage];
    if (others + bytes <= preview->memory_budget)
        return true;
    if (stage + 1 < PREVIEW_STAGE_COUNT)
        release_stages(preview, stage + 1);
    others = kept_bytes(preview) - preview->stage_bytes[stage];
    return others + bytes <= preview->memory_budget;
}

/* Records that stage is stored: it extends the valid prefix when nothing
 * before it changed during the run. */
void stage_stored(preview_t *preview, int stage)
{
    sn_thread_mutex_lock(preview->schedule_mutex);
    if (stage < preview->dirty && preview->last == stage - 1)
        preview->last = stage;
    sn_thread_mutex_unlock(preview->schedule_mutex);
}

/* A schedule that the run has met (its stages stored valid) is done; one made
 * during the run for a stage it computed with the old filters stays. */
void run_ended(preview_t *preview)
{
    sn_thread_mutex_lock(preview->schedule_mutex);
    if (preview->next >= 0 && preview->next <= preview->last)
        preview->next = preview->last + 1;
    if (preview->next > PREVIEW_MAX_STAGE)
        preview->next = -1;
    preview->dirty = k_no_stage;
    sn_thread_mutex_unlock(preview->schedule_mutex);
}

void run(preview_t *preview, char *path, int index)
{
    /* The failure check looks at the disk, so it runs without the lock; a
     * change made meanwhile is seen in the next cycle. */
    sn_thread_mutex_lock(preview->schedule_mutex);
    unsigned generation = preview->generation;
    sn_thread_mutex_unlock(preview->schedule_mutex);
    if (failure_stands(preview, path, generation))
        return;

    sn_thread_mutex_lock(preview->schedule_mutex);
    int from = preview->next;
    if (from > preview->last + 1)
        from = preview->last + 1;
    generation = preview->generation;
    if (from < 0) {
        sn_thread_mutex_unlock(preview->schedule_mutex);
        return;
    }
    preview->next = -1;
    preview->dirty = k_no_stage;
    /* An interrupt posted together with this schedule was meant for the run
     * before it, not for the run that computes it. */
    preview->command.fetch_and(~command_bit(PREVIEW_COMMAND_INTERRUPT), std::memory_order_acq_rel);
    sn_thread_mutex_unlock(preview->schedule_mutex);
    commands_taken(preview);

    if (!preview->cached_path || strcmp(preview->cached_path, path) != 0) {
        /* Another file became current without a re-check: none of the
         * stages stands for it any more. */
        if (preview->cached_path) {
            forget_file(preview);
            sn_thread_mutex_lock(preview->schedule_mutex);
            preview->last = -1;
            sn_thread_mutex_unlock(preview->schedule_mutex);
        }
        from = 0;
    }
    /* A stage is computed from the one before it; start where that exists. */
    while (from > 0 && !preview->images[from - 1])
        from--;

    QList<imagefilter_t *> filters;
    if (preview->filters_callback)
        preview->filters_callback(preview->owner, QString::fromUtf8(path), index, filters);
    int count = 0;
    while (count < filters.size() && filters[count])
        count++;
    notify(preview, PREVIEW_EVENT_RUN_BEGIN, (intptr_t)path, count);

    if (from == 0) {
        /* Decoded outside the preview mutex: the display keeps showing the
         * old stages meanwhile, and the swap below is a pointer store. */
        int64_t mtime_ns, size;
        file_state(path, &mtime_ns, &size);
        sn_image_t *source = sn_image_create_from_file(path, -1);
        if (!source) {
            notify(preview, PREVIEW_EVENT_RUN_END, PREVIEW_END_FAILED, 0);
            destroy_filters(filters);
            remember_failure(preview, path, generation, mtime_ns, size);
            sn_thread_mutex_lock(preview->schedule_mutex);
            preview->last = -1;
            if (preview->next < 0)
                preview->next = 0;
            preview->dirty = k_no_stage;
            sn_thread_mutex_unlock(preview->schedule_mutex);
            return;
        }
        forget_failure(preview);
        sn_image_destroy(store_stage(preview, 0, source));
        free(preview->cached_path);
        preview->cached_path = strdup(path);
        stage_stored(preview, 0);
        from = 1;
    }

    /* The image a stage replaced is freed after the next notification: the
     * owner hears of the new stage without waiting for a large free, and it is
     * gone before the next stage's memory is counted. */
    sn_image_t *replaced = NULL;
    int stage = from;
    /* Judged before the work: a chain that would grow past the photo's
     * bound by the stage the display needs is refused before any stage of it
     * is made, where each stage within the bound could cost seconds. */
    int needed = preview->wanted.load(std::memory_order_acquire);
    needed = needed < count ? needed : count;
    needed = needed < PREVIEW_MAX_STAGE ? needed : PREVIEW_MAX_STAGE;
    const int over =
        stage_first_past_bound(filters, needed, preview->images[0],
                               stage_bytes_bound(preview->stage_bytes[0]), "preview_proc");
    if (over >= stage) {
        notify(preview, PREVIEW_EVENT_RUN_END, PREVIEW_END_FAILED, over);
        stage = PREVIEW_MAX_STAGE + 1;
    }
    while (stage <= count && stage <= preview->wanted.load(std::memory_order_acquire) &&
           stage <= PREVIEW_MAX_STAGE) {
        sn_image_destroy(replaced);
        replaced = NULL;
        int commands = preview->command.load(std::memory_order_acquire);
        if (commands & command_bit(PREVIEW_COMMAND_EXIT)) {
            notify(preview, PREVIEW_EVENT_RUN_END, PREVIEW_END_INTERRUPTED, stage);
            break;
        }
        if (commands & command_bit(PREVIEW_COMMAND_INTERRUPT)) {
            notify(preview, PREVIEW_EVENT_RUN_END, PREVIEW_END_INTERRUPTED, stage);
            preview->command.fetch_and(~command_bit(PREVIEW_COMMAND_INTERRUPT),
                                       std::memory_order_acq_rel);
            commands_taken(preview);
            break;
        }
        notify(preview, PREVIEW_EVENT_STAGE_BEGIN, stage, 0);
        const sn_image_t *input = preview->images[stage - 1];
        if (!within_budget(preview, stage, preview->stage_bytes[stage - 1])) {
            sn_log(3, NULL, "preview_proc", __LINE__,
                   "stage %d over the memory budget FAILED! kept:%zu, budget:%zu\n", stage,
                   kept_bytes(preview), preview->memory_budget);
            notify(preview, PREVIEW_EVENT_RUN_END, PREVIEW_END_FAILED, stage);
            break;
        }
        sn_image_t *copy = sn_image_clone(input);
        if (!copy) {
            notify(preview, PREVIEW_EVENT_RUN_END, PREVIEW_END_FAILED, stage);
            break;
        }
        /* A filter that fails leaves its stage equal to the one before. */
        const size_t bound = stage_bytes_bound(preview->stage_bytes[0]);
        sn_image_set_growth_bound(bound);
        imagefilter_execute(filters[stage - 1], copy);
        const bool refused = sn_image_growth_refused();
        sn_image_set_growth_bound(0);
        /* An enlarged stage must fit the budget beside the others, and no
         * stage may outgrow the photo's bound (a chain of rotations). */
        const size_t grown = stage_image_bytes(copy);
        if (refused || grown > bound || !within_budget(preview, stage, grown)) {
            sn_log(3, NULL, "preview_proc", __LINE__,
                   "stage %d over its bound FAILED! bytes:%zu, kept:%zu, budget:%zu\n", stage,
                   grown, kept_bytes(preview), preview->memory_budget);
            sn_image_destroy(copy);
            notify(preview, PREVIEW_EVENT_RUN_END, PREVIEW_END_FAILED, stage);
            break;
        }
        replaced = store_stage(preview, stage, copy);
        stage_stored(preview, stage);
        notify(preview, PREVIEW_EVENT_STAGE_DONE, 0, stage);
        stage++;
    }
    notify(preview, PREVIEW_EVENT_RUN_END, PREVIEW_END_DONE, over >= from ? from : stage);
    sn_image_destroy(replaced);
    destroy_filters(filters);
    run_ended(preview);
}

bool work_pending(preview_t *preview)
{
    sn_thread_mutex_lock(preview->schedule_mutex);
    bool pending = preview->next >= 0;
    sn_thread_mutex_unlock(preview->schedule_mutex);
    return pending;
}

void free_record(preview_t *preview)
{
    for (sn_image_t *image : preview->images)
        sn_image_destroy(image);
    free(preview->cached_path);
    free(preview->failed_path);
    sn_thread_mutex_destroy(preview->schedule_mutex);
    sn_thread_mutex_destroy(preview->mutex);
    sem_destroy(&preview->taken);
    sem_destroy(&preview->wake);
    delete preview;
}

} // namespace

int preview_proc(void *param, const std::atomic<int> *stop)
{
    (void)stop; /* the worker ends on its exit command only */
    preview_t *preview = (preview_t *)param;
    const int taken_bits =
        command_bit(PREVIEW_COMMAND_ENABLE) | command_bit(PREVIEW_COMMAND_INTERRUPT) |
        command_bit(PREVIEW_COMMAND_DISABLE) | command_bit(PREVIEW_COMMAND_UPDATE_FILE);
    /* Blocks freed in a run are kept for its next stages and the next photo,
     * and given back once the worker has had nothing to do for a while. */
    sn_image_cache_enable();
    struct timespec last_run = {0, 0};
    bool kept = false;
    for (;;) {
        int commands = preview->command.load(std::memory_order_acquire);
        if (commands & command_bit(PREVIEW_COMMAND_EXIT)) {
            sn_log(2, NULL, "preview_proc", __LINE__, "exit!\n");
            /* Last touch of the record: the destroyer may free it now. */
            preview->exited.store(1, std::memory_order_release);
            return 0;
        }
        if (commands & command_bit(PREVIEW_COMMAND_ENABLE))
            preview->enabled.store(1, std::memory_order_release);
        if (commands & command_bit(PREVIEW_COMMAND_DISABLE))
            preview->enabled.store(0, std::memory_order_release);
        if (commands & command_bit(PREVIEW_COMMAND_UPDATE_FILE))
            file_check(preview);
        /* Clears only what was taken: a command posted meanwhile stays. */
        if (commands & taken_bits) {
            preview->command.fetch_and(~(commands & taken_bits), std::memory_order_acq_rel);
            commands_taken(preview);
        }

        if (preview->enabled.load(std::memory_order_acquire) && work_pending(preview)) {
            int index = -1;
            char *path = current_path(preview, &index);
            if (path) {
                /* Counted before the filters are asked for: a waiter that
                 * took an operation out of the pipeline and then sees this
                 * count unchanged knows that no run can hold its filters. */
                preview->runs_begun.fetch_add(1, std::memory_order_seq_cst);
                run(preview, path, index);
                clock_gettime(CLOCK_MONOTONIC, &last_run);
                kept = true;
                preview->runs_ended.fetch_add(1, std::memory_order_seq_cst);
                free(path);
            }
        }
        if (preview->command.load(std::memory_order_acquire) & command_bit(PREVIEW_COMMAND_EXIT))
            continue;
        if (kept) {
            struct timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            long long idle_ms = (now.tv_sec - last_run.tv_sec) * 1000LL +
                                (now.tv_nsec - last_run.tv_nsec) / 1000000LL;
            if (idle_ms >= k_release_ms && !work_pending(preview)) {
                sn_image_cache_release();
                kept = false;
            }
        }
        idle_wait(preview, k_idle_ms);
    }
}

preview_t *preview_create(preview_notify_callback_t notify, filter_list_callback_t filters_callback,
                          void *owner)
{
    preview_t *preview = new (std::nothrow) preview_t();
    if (!preview) {
        sn_log(4, NULL, "preview_create", __LINE__, "malloc FAILED! size:%d\n",
               (int)sizeof(preview_t));
        return NULL;
    }
    preview->notify = notify;
    preview->filters_callback = filters_callback;
    preview->owner = owner;
    if (sem_init(&preview->wake, 0, 0) != 0) {
        sn_log(4, NULL, "preview_create", __LINE__, "sem_init FAILED!\n");
        delete preview;
        return NULL;
    }
    if (sem_init(&preview->taken, 0, 0) != 0) {
        sn_log(4, NULL, "preview_create", __LINE__, "sem_init FAILED!\n");
        sem_destroy(&preview->wake);
        delete preview;
        return NULL;
    }
    preview->mutex = sn_thread_mutex_create();
    preview->schedule_mutex = sn_thread_mutex_create();
    if (!preview->mutex || !preview->schedule_mutex) {
        sn_log(4, NULL, "preview_create", __LINE__, "sn_thread_mutex_create FAILED!\n");
        free_record(preview);
        return NULL;
    }
    photobatch_t *batch = photobatch_get_instance();
    preview->fileman = batch ? photobatch_get_fileman(batch) : NULL;
    preview->memory_budget = default_budget();
    preview->wanted.store(PREVIEW_STAGE_COUNT, std::memory_order_relaxed);
    preview->next = -1;
    preview->last = -1;
    preview->dirty = k_no_stage;

    char name[64];
    snprintf(name, sizeof name, "thrdPreviewProc%p", (void *)preview);
    preview->thread = sn_thread_open(name, -1, 0, preview_proc, preview);
    if (!preview->thread) {
        sn_log(4, NULL, "preview_create", __LINE__, "open thread task_proc FAILED!\n");
        free_record(preview);
        return NULL;
    }
    return preview;
}

void preview_ask_exit(preview_t *preview)
{
    if (!preview || !preview->thread)
        return;
    preview->command.fetch_or(command_bit(PREVIEW_COMMAND_EXIT), std::memory_order_acq_rel);
    /* A decode in progress ends at its next row; a run ends before its next
     * stage. */
    sn_thread_ask_stop(preview->thread);
    wake_worker(preview);
}

int preview_destroy(preview_t *preview, int timeout_ms)
{
    if (!preview)
        return 0;
    if (preview->thread) {
        preview_ask_exit(preview);
        sn_thread_close(preview->thread, timeout_ms < 0 ? 0 : timeout_ms);
        preview->thread = NULL;
        /* A worker still inside a filter may touch the record later; leaving
         * it in place beats freeing memory under a running thread. */
        if (!preview->exited.load(std::memory_order_acquire)) {
            sn_log(4, NULL, "preview_destroy", __LINE__,
                   "worker did not end FAILED! record left in place\n");
            return -1;
        }
    }
    free_record(preview);
    return 0;
}

int preview_enable(preview_t *preview)
{
    if (!preview)
        return -1;
    return post_command(preview, PREVIEW_COMMAND_ENABLE, true);
}

int preview_disable(preview_t *preview)
{
    if (!preview)
        return -1;
    return post_command(preview, PREVIEW_COMMAND_DISABLE, true);
}

int preview_update_file(preview_t *preview)
{
    if (!preview)
        return -1;
    return post_command(preview, PREVIEW_COMMAND_UPDATE_FILE, false);
}

int preview_invalidate(preview_t *preview, int from, int wait)
{
    if (!preview)
        return -1;
    bool source = have_source(preview);
    sn_thread_mutex_lock(preview->schedule_mutex);
    bool absorbed = preview->next >= 0 && preview->next <= (from < 0 ? 0 : from);
    bool interrupt = wait != 0 && !absorbed;
    /* The interrupt goes in before the schedule, under the same lock that
     * the worker takes the schedule under: a run that has the new schedule
     * has the interrupt cleared with it, so it never cuts its own work. */
    if (interrupt) {
        set_command(preview, PREVIEW_COMMAND_INTERRUPT);
        preview->result.store(0, std::memory_order_release);
    }
    schedule_locked(preview, from, source, true);
    sn_thread_mutex_unlock(preview->schedule_mutex);
    wake_worker(preview);
    if (interrupt && wait > 0)
        wait_taken(preview, PREVIEW_COMMAND_INTERRUPT);
    return 0;
}

int preview_set_stage(preview_t *preview, int stage)
{
    if (!preview)
        return -1;
    preview->wanted.store(stage, std::memory_order_release);
    bool source = have_source(preview);
    sn_thread_mutex_lock(preview->schedule_mutex);
    if (stage > preview->last)
        schedule_locked(preview, preview->last + 1, source, false);
    sn_thread_mutex_unlock(preview->schedule_mutex);
    wake_worker(preview);
    return 0;
}

int preview_wait_idle(preview_t *preview, int timeout_ms)
{
    if (!preview)
        return -1;
    const unsigned begun = preview->runs_begun.load(std::memory_order_seq_cst);
    auto outside = [&] {
        return (int)(begun - preview->runs_ended.load(std::memory_order_seq_cst)) <= 0;
    };
    if (outside())
        return 0;
    if (timeout_ms <= 0)
        return -1;
    /* The run is cut before its next stage; what it had still to compute is
     * scheduled again from the first stage not valid, so the cut costs the
     * display nothing but the wait. */
    bool source = have_source(preview);
    sn_thread_mutex_lock(preview->schedule_mutex);
    set_command(preview, PREVIEW_COMMAND_INTERRUPT);
    int resume = preview->last + 1;
    if (resume <= PREVIEW_MAX_STAGE && resume <= preview->wanted.load(std::memory_order_acquire))
        schedule_locked(preview, resume, source, false);
    sn_thread_mutex_unlock(preview->schedule_mutex);
    wake_worker(preview);
    for (int waited = 0; waited < timeout_ms; waited += k_post_sleep_ms) {
        if (outside())
            return 0;
        sleep_ms(k_post_sleep_ms);
    }
    if (outside())
        return 0;
    sn_log(3, NULL, "preview_wait_idle", __LINE__, "run still going after %d ms FAILED!\n",
           timeout_ms);
    return -1;
}

sn_image_t *preview_lock_image(preview_t *preview, int stage)
{
    if (!preview || stage < 0 || stage > PREVIEW_MAX_STAGE)
        return NULL;
    sn_thread_mutex_lock(preview->mutex);
    sn_image_t *image = preview->images[stage];
    if (!image)
        sn_thread_mutex_unlock(preview->mutex);
    return image;
}

void preview_unlock_image(preview_t *preview)
{
    if (preview)
        sn_thread_mutex_unlock(preview->mutex);
}
