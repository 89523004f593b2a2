/*
 * The batch engine: the process-wide record with its file list and output
 * settings, the command post of the interface thread, and the worker that
 * loads, filters and saves each file under a name that nobody else holds.
 *
 *   photobatch_create, photobatch_ask_exit, photobatch_destroy,
 *   photobatch_*_instance
 *   photobatch_set_process_callback, photobatch_set_filter_callback,
 *   photobatch_clear_filter_callback
 *   photobatch_get_*, photobatch_start/stop/pause/resume, photobatch_notify
 *   photobatch_proc (the worker)
 */
#include "photobatch.h"
#include "outputfile.h"
#include "stagebound.h"

#include "base/sn_log.h"
#include "base/sn_thread.h"
#include "filter/imagefilter.h"
#include "image/sn_image.h"
#include "image/sn_image_codec.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QByteArray>

namespace
{

std::atomic<photobatch_t *> g_instance{nullptr};

/* The worker is woken for each command, so it takes one within about a
 * millisecond: a fine poll answers the poster at once, still 1 s at most. */
const int k_post_polls = 1000;
const int k_post_poll_ms = 1;
const int k_idle_ms = 50;
/* An engine that never ran: its idle worker ends as soon as it is woken. */
const int k_unused_exit_ms = 2000;

/* A clear of the filter callback waits for a call in progress; polled, as
 * the posters do. */
const int k_clear_poll_ms = 1;

/* Set on the worker while it is inside the filter callback: a clear made
 * from within the call must not wait for itself. */
thread_local int t_in_filter_call = 0;

void sleep_ms(int ms)
{
    struct timespec ts = {ms / 1000, (long)(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

int post_command(photobatch_t *batch, int command)
{
    if (!batch)
        return -1;
    /* Clear the result first: a worker that answers at once must never find
     * its answer wiped by the poster. */
    batch->result.store(0, std::memory_order_release);
    batch->command.store(command, std::memory_order_release);
    sn_thread_wake(batch->thread);
    for (int i = 0; i < k_post_polls; i++) {
        sleep_ms(k_post_poll_ms);
        if (batch->command.load(std::memory_order_acquire) == 0)
            return batch->result.load(std::memory_order_acquire);
    }
    return -1;
}

void collect_filters(photobatch_t *batch, const QString &path, int index,
                     QList<imagefilter_t *> &filters)
{
    filter_list_callback_t callback;
    void *owner;
    {
        sn_thread_mutex_guard guard(batch->mutex);
        callback = batch->filter_callback;
        owner = batch->filter_owner;
        if (callback)
            batch->filter_calls++;
    }
    filters.clear();
    if (!callback)
        return;
    /* Called outside the lock: the callback may take its own locks, and a
     * set or clear meanwhile only waits for the count. */
    t_in_filter_call++;
    callback(owner, path, index, filters);
    t_in_filter_call--;
    sn_thread_mutex_guard guard(batch->mutex);
    batch->filter_calls--;
}

/* The run's output folder, opened once per run (at its start, or when the
 * first file needs it after "use the source's folder" was turned off): a
 * folder that is a link is followed then, and every name of the run is made
 * from that descriptor, whatever the path becomes meanwhile. */
int run_folder(photobatch_t *batch)
{
    if (!batch->output_dir_tried) {
        batch->output_dir_tried = 1;
        batch->output_dir = outputfile_open_folder(batch->output_dir_path);
    }
    return batch->output_dir;
}

/* A new run takes the folder as the settings name it now, and searches
 * every output name afresh. */
void begin_run_folder(photobatch_t *batch)
{
    if (batch->output_dir >= 0)
        close(batch->output_dir);
    batch->output_dir = -1;
    batch->output_dir_tried = 0;
    outputfile_series_destroy(batch->series);
    batch->series = outputfile_series_create();
    outputconfig_lock(batch->outputconfig);
    memcpy(batch->output_dir_path, batch->outputconfig->output_folder,
           sizeof batch->output_dir_path);
    int use_source_folder = batch->outputconfig->use_source_folder;
    outputconfig_unlock(batch->outputconfig);
    batch->output_dir_path[sizeof batch->output_dir_path - 1] = '\0';
    /* Resolved now, at the start: a link the user chose is followed here,
     * not wherever it may point later in the run. */
    if (!use_source_folder)
        run_folder(batch);
}

void end_run_folder(photobatch_t *batch)
{
    if (batch->output_dir >= 0)
        close(batch->output_dir);
    batch->output_dir = -1;
    batch->output_dir_tried = 0;
    outputfile_series_destroy(batch->series);
    batch->series = nullptr;
}

/* The output's name as shown: the output path with its last component
 * replaced by published. */
void shown_name(const char *wanted, const char *published, char *out, size_t size)
{
    const char *slash = strrchr(wanted, '/');
    int head = slash ? (int)(slash - wanted + 1) : 0;
    snprintf(out, size, "%.*s%s", head, wanted, published);
}

/* Why a source that delete-source would remove stays (a reason code of
 * event 7), or 0 when it may go. Only when the output's folder entry is on
 * the disk and the name still stands for the photo that was loaded. */
int reason_to_keep(const char *source, const struct stat *loaded, int filter_failed, int folder,
                   const char *output)
{
    /* After a failed filter the output is not what the user asked for: it
     * is written, but the original must not go. */
    if (filter_failed) {
        sn_log(3, NULL, "process_file", __LINE__, "a filter failed, source kept: %s\n", source);
        return PHOTOBATCH_KEPT_FILTER_FAILED;
    }
    if (outputfile_sync_folder(folder) != 0) {
        sn_log(4, NULL, "process_file", __LINE__, "fsync FAILED! folder of %s, source kept\n",
               output);
        return PHOTOBATCH_KEPT_NOT_SYNCED;
    }
    /* Replaced or changed since its load: that is not the photo whose
     * output was just written. */
    if (!outputfile_is_loaded(source, loaded)) {
        sn_log(4, NULL, "process_file", __LINE__,
               "source changed since its load, kept FAILED! %s\n", source);
        return PHOTOBATCH_KEPT_CHANGED;
    }
    return 0;
}

/* The output's temporary file is made, published and removed under
 * out_lock, and only while the exit has not been asked: an exit that gives
 * the worker up (give_up_worker) then either finds the file registered and
 * removes it, or came first, and no file is made or published after it.
 * The lock is never held while the file is written. Returns -1, logged by
 * the output's own steps, or at once when the exit was asked. */
int create_output(photobatch_t *batch, outputfile_t *out, int folder, const char *leaf,
                  const char *shown)
{
    sn_thread_mutex_guard guard(batch->out_lock);
    if (sn_thread_stop_asked() || outputfile_create(out, folder, leaf, shown, batch->series) != 0)
        return -1;
    batch->out_in_flight = out;
    return 0;
}

int publish_output(photobatch_t *batch, outputfile_t *out, const char *leaf, char *published,
                   size_t size)
{
    sn_thread_mutex_guard guard(batch->out_lock);
    if (sn_thread_stop_asked())
        return -1;
    return outputfile_publish(out, leaf, published, size);
}

/* Closes the output, removing its temporary file when it was not published. */
void end_output(photobatch_t *batch, outputfile_t *out, bool published)
{
    sn_thread_mutex_guard guard(batch->out_lock);
    if (published)
        outputfile_close(out);
    else
        outputfile_discard(out);
    batch->out_in_flight = nullptr;
}

/* The destroyer's side when the worker did not end in time: it is still
 * inside a filter (or a write that blocks). Its temporary file goes now: the
 * process may end before the worker runs again. The worker's descriptors
 * are its own and stay open (closing one under it could hand its number to
 * another file); the name goes only while it is still the file that was
 * created, as outputfile_discard does. The worker reports nothing more: a
 * report may no longer reach anyone. */
void give_up_worker(photobatch_t *batch)
{
    {
        sn_thread_mutex_guard guard(batch->mutex);
        batch->given_up = 1;
        batch->process_callback = nullptr;
        batch->process_target = nullptr;
        batch->filter_callback = nullptr;
        batch->filter_owner = nullptr;
    }
    sn_thread_mutex_guard guard(batch->out_lock);
    const outputfile_t *out = batch->out_in_flight;
    struct stat st;
    if (out && out->temp[0] && fstatat(out->folder, out->temp, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        st.st_dev == out->claimed.st_dev && st.st_ino == out->claimed.st_ino &&
        unlinkat(out->folder, out->temp, 0) != 0)
        sn_log(4, NULL, "photobatch_destroy", __LINE__, "unlink FAILED! %s\n", out->temp);
    sn_log(4, NULL, "photobatch_destroy", __LINE__,
           "worker did not end FAILED! its file given up, the record left to it\n");
}

/* The program is ending and its worker was asked to stop: the file in hand
 * is dropped wherever it was (decode, filters or save), neither written nor
 * failed, its source untouched; the exit then ends the run as cancelled. */
bool dropped_for_exit(const char *source)
{
    if (!sn_thread_stop_asked())
        return false;
    sn_log(2, NULL, "process_file", __LINE__, "exit: dropped before its end: %s\n", source);
    return true;
}

/* How one step of a file ends: on to the next step, the file finished here
 * (written, or failed and reported), or given up for the exit. */
enum file_step { STEP_GO_ON, STEP_DONE, STEP_DROPPED };

/* One file in hand, shared by the steps of process_file. The guard owns the
 * source text, the image and the folder descriptors (the source's and the
 * output's): whichever step ends the file, leaving process_file releases
 * what is still held. */
struct file_job {
    photobatch_t *batch;
    int index;
    char *source = nullptr;
    sn_image_t *image = nullptr;
    /* With "use the source's folder": the folder the source was loaded
     * from, or -1. */
    int source_folder = -1;
    /* The folder the output is made in. */
    int folder = -1;
    struct stat loaded;
    int filter_failed = 0;
    /* Taken as the file begins. */
    outputconfig_t settings;
    char wanted[OUTPUTCONFIG_TEXT_SIZE];
    char relative[OUTPUTCONFIG_TEXT_SIZE];
    const char *leaf = nullptr;
    outputfile_t out;
    /* The output's name as the user reads it. */
    char output[OUTPUTCONFIG_TEXT_SIZE];

    file_job(photobatch_t *b, int i) : batch(b), index(i)
    {
        memset(&out, 0, sizeof out);
        out.fd = -1;
    }
    ~file_job()
    {
        drop_image();
        close_folder();
        if (source_folder >= 0)
            close(source_folder);
        free(source);
    }
    file_job(const file_job &) = delete;
    file_job &operator=(const file_job &) = delete;

    void drop_image()
    {
        if (image)
            sn_image_destroy(image);
        image = nullptr;
    }
    void close_folder()
    {
        if (folder >= 0)
            close(folder);
        folder = -1;
    }
};

/* Loads the source and runs the file's filters on it. */
file_step load_and_filter(file_job &job)
{
    photobatch_t *batch = job.batch;
    job.source = fileman_copy_path(batch->fileman, job.index);
    if (!job.source) {
        photobatch_notify(batch, PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_READ, nullptr);
        return STEP_DONE;
    }
    /* One consistent copy of the settings serves the whole file. */
    outputconfig_copy(batch->outputconfig, &job.settings);
    /* "Use the source's folder" writes beside the file that was loaded:
     * its folder is taken before the load, and kept only when the load
     * went through it, so that a folder swapped for a link meanwhile or
     * later never sends the output to the link's target. */
    if (job.settings.use_source_folder)
        job.source_folder = outputfile_open_source_folder(job.source);
    photobatch_notify(batch, PHOTOBATCH_EVENT_FILE, (intptr_t)job.source, nullptr);

    job.image = snimage_create_from_file_stat(job.source, -1, &job.loaded);
    if (!job.image) {
        if (dropped_for_exit(job.source))
            return STEP_DROPPED;
        photobatch_notify(batch, PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_READ, job.source);
        return STEP_DONE;
    }
    if (job.source_folder >= 0 &&
        !outputfile_folder_holds(job.source_folder, job.source, &job.loaded)) {
        close(job.source_folder);
        job.source_folder = -1;
    }

    QList<imagefilter_t *> filters;
    collect_filters(batch, QString::fromUtf8(job.source), job.index, filters);
    const size_t bound = stage_bytes_bound(stage_image_bytes(job.image));
    /* Judged from the settings before any filter runs. */
    const int over =
        stage_first_past_bound(filters, filters.size(), job.image, bound, "process_file");
    if (over) {
        photobatch_notify(batch, PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_GROWTH,
                          imagefilter_get_name(filters.at(over - 1)));
        return STEP_DONE;
    }
    /* The bound is this file's: no way out of the loop leaves it set. */
    struct bound_guard {
        bound_guard(size_t b)
        {
            sn_image_set_growth_bound(b);
        }
        ~bound_guard()
        {
            sn_image_set_growth_bound(0);
        }
    } bound_set(bound);
    for (imagefilter_t *filter : qAsConst(filters)) {
        if (!filter)
            continue;
        /* Asked before or during a filter: none begins after it. */
        const int refused = !sn_thread_stop_asked() && imagefilter_execute(filter, job.image) != 0;
        if (dropped_for_exit(job.source))
            return STEP_DROPPED;
        if (refused && !sn_image_growth_refused()) {
            job.filter_failed = 1;
            photobatch_notify(batch, PHOTOBATCH_EVENT_FAILED,
                              imagefilter_refusal() == IMAGEFILTER_REFUSED_TOO_LARGE
                                  ? PHOTOBATCH_FAILED_TOO_LARGE
                                  : PHOTOBATCH_FAILED_FILTER,
                              imagefilter_get_name(filter));
        }
        if (stage_image_bytes(job.image) > bound || sn_image_growth_refused()) {
            sn_image_set_growth_bound(0);
            sn_log(4, NULL, "process_file", __LINE__,
                   "picture over its bound FAILED! width:%d, height:%d, bound:%zu, filter:%s\n",
                   job.image->width, job.image->height, bound, imagefilter_get_name(filter));
            photobatch_notify(batch, PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_GROWTH,
                              imagefilter_get_name(filter));
            return STEP_DONE;
        }
    }
    return STEP_GO_ON;
}

/* Makes the output's name and claims a private temporary file beside it. */
file_step name_and_create(file_job &job)
{
    photobatch_t *batch = job.batch;
    outputconfig_t &settings = job.settings;
    /* Its names are made in the run's folder. */
    if (!settings.use_source_folder)
        memcpy(settings.output_folder, batch->output_dir_path, sizeof settings.output_folder);
    const char *made =
        outputconfig_get_write_names(&settings, job.source, job.index, job.wanted,
                                     sizeof job.wanted, job.relative, sizeof job.relative);
    int base = -1;
    if (made)
        base = settings.use_source_folder ? job.source_folder : run_folder(batch);
    if (base >= 0)
        job.folder = outputfile_open_parent(base, job.relative, job.wanted, &job.leaf);
    if (job.folder < 0 || create_output(batch, &job.out, job.folder, job.leaf, job.wanted) != 0) {
        if (dropped_for_exit(job.source))
            return STEP_DROPPED;
        /* A name that could not be made at all has no text of its own to
         * show; a refused one shows itself. */
        if (made && job.folder >= 0)
            outputfile_numbered_name(job.wanted, job.out.number, job.output, sizeof job.output);
        else
            snprintf(job.output, sizeof job.output, "%s", job.wanted[0] ? job.wanted : job.source);
        photobatch_notify(batch, PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_WRITE, job.output);
        return STEP_DONE;
    }
    /* A failure reports the name the file was meant for. */
    char claimed[NAME_MAX + 1];
    outputfile_numbered_name(job.leaf, job.out.number, claimed, sizeof claimed);
    shown_name(job.wanted, claimed, job.output, sizeof job.output);
    return STEP_GO_ON;
}

/* Writes the picture into the temporary file, gives it its attributes and
 * its name. */
file_step save_and_publish(file_job &job)
{
    const outputconfig_t &settings = job.settings;
    sn_image_write_params_t params;
    params.quality = settings.quality;
    params.bits = job.image->has_alpha == 1 ? 32 : 24;
    params.reserved = 0;
    params.transparent = settings.transparent;
    int format = settings.keep_source_format ? sn_image_guess_format(job.source) : settings.format;
    int failed = sn_image_save_fd(job.image, job.out.fd, job.output, format, &params) != 0;
    /* Its memory is not needed past the save. */
    job.drop_image();

    mode_t mode = outputfile_default_mode();
    struct timespec times[2];
    bool keep_times = false;
    if (!failed && settings.keep_attribute) {
        struct stat st;
        if (stat(job.source, &st) == 0) {
            times[0] = st.st_atim;
            times[1] = st.st_mtim;
            keep_times = true;
            /* outputfile_finish keeps the permission bits of it. */
            mode = st.st_mode;
        }
    }
    if (!failed && outputfile_finish(&job.out, mode, keep_times ? times : nullptr, job.output) != 0)
        failed = 1;
    char published[NAME_MAX + 1];
    if (!failed && publish_output(job.batch, &job.out, job.leaf, published, sizeof published) != 0)
        failed = 1;
    if (failed) {
        /* A save given up for the exit leaves no temporary file either, and
         * a file whose save was done when the exit came is not published. */
        const bool dropped = dropped_for_exit(job.source);
        end_output(job.batch, &job.out, false);
        job.close_folder();
        if (dropped)
            return STEP_DROPPED;
        photobatch_notify(job.batch, PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_WRITE, job.output);
        return STEP_DONE;
    }
    end_output(job.batch, &job.out, true);
    shown_name(job.wanted, published, job.output, sizeof job.output);
    return STEP_GO_ON;
}

/* With delete source on, removes the source unless something says it must
 * stay; reports the file written and, when kept, why. */
void keep_or_delete(file_job &job)
{
    int kept = 0;
    if (job.settings.delete_source) {
        kept = reason_to_keep(job.source, &job.loaded, job.filter_failed, job.folder, job.output);
        if (!kept && unlink(job.source) != 0) {
            sn_log(4, NULL, "process_file", __LINE__, "unlink FAILED! %s\n", job.source);
            kept = PHOTOBATCH_KEPT_NOT_DELETED;
        }
    }
    job.close_folder();
    photobatch_notify(job.batch, PHOTOBATCH_EVENT_WRITTEN, (intptr_t)job.source, job.output);
    if (kept)
        photobatch_notify(job.batch, PHOTOBATCH_EVENT_KEPT, kept, job.source);
}

/* Returns false when the file was dropped for the exit. */
bool process_file(photobatch_t *batch, int index)
{
    file_job job(batch, index);
    file_step step = load_and_filter(job);
    if (step == STEP_GO_ON)
        step = name_and_create(job);
    if (step == STEP_GO_ON)
        step = save_and_publish(job);
    if (step == STEP_GO_ON)
        keep_or_delete(job);
    return step != STEP_DROPPED;
}

/* Acts on one command; returns 1 when the worker must end. */
int handle_command(photobatch_t *batch, int command)
{
    int status = batch->status.load(std::memory_order_acquire);
    sn_log(2, NULL, "photobatch_proc", __LINE__, "recv command:%d, current status:%d\n", command,
           status);
    int result = 0;
    switch (command) {
    case PHOTOBATCH_COMMAND_START:
        if (status != PHOTOBATCH_STATUS_IDLE) {
            result = -1;
            break;
        }
        batch->status.store(PHOTOBATCH_STATUS_RUNNING, std::memory_order_release);
        batch->total.store(fileman_count(batch->fileman), std::memory_order_release);
        begin_run_folder(batch);
        {
            /* The operations prepare their filters once per run. */
            QList<imagefilter_t *> filters;
            collect_filters(batch, QString(), -1, filters);
        }
        batch->current.store(0, std::memory_order_release);
        photobatch_notify(batch, PHOTOBATCH_EVENT_STARTED, 0, nullptr);
        break;
    case PHOTOBATCH_COMMAND_STOP:
        batch->status.store(PHOTOBATCH_STATUS_IDLE, std::memory_order_release);
        end_run_folder(batch);
        sn_image_cache_release();
        photobatch_notify(batch, PHOTOBATCH_EVENT_FINISHED, 0, nullptr);
        break;
    case PHOTOBATCH_COMMAND_PAUSE:
        if (status != PHOTOBATCH_STATUS_RUNNING) {
            result = -1;
            break;
        }
        batch->status.store(PHOTOBATCH_STATUS_PAUSED, std::memory_order_release);
        photobatch_notify(batch, PHOTOBATCH_EVENT_PAUSED, 0, nullptr);
        break;
    case PHOTOBATCH_COMMAND_RESUME:
        if (status != PHOTOBATCH_STATUS_PAUSED) {
            result = -1;
            break;
        }
        batch->status.store(PHOTOBATCH_STATUS_RUNNING, std::memory_order_release);
        photobatch_notify(batch, PHOTOBATCH_EVENT_STARTED, 1, nullptr);
        break;
    case PHOTOBATCH_COMMAND_EXIT: {
        sn_log(2, NULL, "photobatch_proc", __LINE__, "exit!\n");
        /* A run in progress ends as if stopped, so its page hears of it;
         * unless the destroyer has given this worker up: then the status
         * stays, and the destroyer's caller, which reads it, reports. */
        bool ended = false;
        {
            sn_thread_mutex_guard guard(batch->mutex);
            if (!batch->given_up && status != PHOTOBATCH_STATUS_IDLE) {
                batch->status.store(PHOTOBATCH_STATUS_IDLE, std::memory_order_release);
                ended = true;
            }
        }
        if (ended)
            photobatch_notify(batch, PHOTOBATCH_EVENT_FINISHED, 0, nullptr);
        end_run_folder(batch);
        return 1;
    }
    default:
        break;
    }
    batch->result.store(result, std::memory_order_release);
    /* Clear only the command taken: one posted meanwhile stays for the next
     * turn of the loop. */
    batch->command.compare_exchange_strong(command, 0, std::memory_order_acq_rel);
    return 0;
}

} // namespace

int photobatch_proc(void *param, const std::atomic<int> *stop)
{
    photobatch_t *batch = (photobatch_t *)param;
    /* Photo after photo needs blocks of the same sizes: keep them for the run. */
    sn_image_cache_enable();
    for (;;) {
        int command = batch->command.load(std::memory_order_acquire);
        if (command != 0 && handle_command(batch, command)) {
            batch->result.store(0, std::memory_order_release);
            batch->command.compare_exchange_strong(command, 0, std::memory_order_acq_rel);
            /* Last touch of the record: the destroyer may free it now. */
            batch->exited.store(1, std::memory_order_release);
            return 0;
        }
        if (batch->status.load(std::memory_order_acquire) != PHOTOBATCH_STATUS_RUNNING) {
            sn_thread_sleep(k_idle_ms);
            continue;
        }
        int current = batch->current.load(std::memory_order_acquire);
        /* A file dropped for the exit is not counted; the exit ends the run. */
        if (!process_file(batch, current))
            continue;
        current++;
        batch->current.store(current, std::memory_order_release);
        /* >= : a list that shrank during the run must not keep it going. */
        if (current >= batch->total.load(std::memory_order_acquire)) {
            batch->status.store(PHOTOBATCH_STATUS_IDLE, std::memory_order_release);
            end_run_folder(batch);
            sn_image_cache_release();
            photobatch_notify(batch, PHOTOBATCH_EVENT_FINISHED, 1, nullptr);
        }
    }
}

photobatch_t *photobatch_create(void)
{
    photobatch_t *batch = (photobatch_t *)calloc(1, sizeof(photobatch_t));
    if (!batch) {
        sn_log(4, NULL, "photobatch_create", __LINE__, "malloc FAILED! size:%d\n",
               (int)sizeof(photobatch_t));
        return nullptr;
    }
    batch->output_dir = -1;
    /* The list, the settings and the lock exist before the worker can look
     * at them. */
    batch->mutex = sn_thread_mutex_create();
    batch->out_lock = sn_thread_mutex_create();
    batch->fileman = fileman_create();
    batch->outputconfig = outputconfig_create();
    if (!batch->mutex || !batch->out_lock || !batch->fileman || !batch->outputconfig) {
        sn_log(4, NULL, "photobatch_create", __LINE__, "create list or settings FAILED!\n");
        photobatch_destroy(batch, 0);
        return nullptr;
    }
    char name[64];
    snprintf(name, sizeof name, "thrdPhotoBatchProc%p", (void *)batch);
    batch->thread = sn_thread_open(name, -1, 0, photobatch_proc, batch);
    if (!batch->thread) {
        sn_log(4, NULL, "photobatch_create", __LINE__, "open thread task_proc FAILED!\n");
        photobatch_destroy(batch, 0);
        return nullptr;
    }
    return batch;
}

void photobatch_ask_exit(photobatch_t *batch)
{
    if (!batch || !batch->thread)
        return;
    batch->result.store(0, std::memory_order_release);
    batch->command.store(PHOTOBATCH_COMMAND_EXIT, std::memory_order_release);
    /* The stop word, which the decode, the save and the steps between the
     * filters look at; it also wakes an idle worker. */
    sn_thread_ask_stop(batch->thread);
}

int photobatch_destroy(photobatch_t *batch, int timeout_ms)
{
    if (!batch)
        return 0;
    if (batch->thread) {
        photobatch_ask_exit(batch);
        /* The close returns as soon as the worker has ended. */
        sn_thread_close(batch->thread, timeout_ms < 0 ? 0 : timeout_ms);
        batch->thread = nullptr;
        if (!batch->exited.load(std::memory_order_acquire)) {
            give_up_worker(batch);
            return -1;
        }
    } else if (batch->given_up && !batch->exited.load(std::memory_order_acquire)) {
        /* Given up before and still at work: the record stays its. */
        return -1;
    }
    end_run_folder(batch);
    fileman_destroy(batch->fileman);
    outputconfig_destroy(batch->outputconfig);
    sn_thread_mutex_destroy(batch->out_lock);
    sn_thread_mutex_destroy(batch->mutex);
    free(batch);
    return 0;
}

int photobatch_create_instance(void)
{
    if (g_instance.load(std::memory_order_acquire))
        return -1;
    photobatch_t *batch = photobatch_create();
    if (!batch)
        return -1;
    photobatch_t *expected = nullptr;
    if (!g_instance.compare_exchange_strong(expected, batch, std::memory_order_acq_rel)) {
        photobatch_destroy(batch, k_unused_exit_ms);
        return -1;
    }
    return 0;
}

photobatch_t *photobatch_get_instance(void)
{
    return g_instance.load(std::memory_order_acquire);
}

int photobatch_destroy_instance(int timeout_ms)
{
    photobatch_t *batch = g_instance.exchange(nullptr, std::memory_order_acq_rel);
    return photobatch_destroy(batch, timeout_ms);
}

void photobatch_set_process_callback(photobatch_t *batch, photobatch_process_callback_t callback,
                                     void *target)
{
    if (!batch)
        return;
    sn_thread_mutex_guard guard(batch->mutex);
    batch->process_callback = callback;
    batch->process_target = target;
}

void photobatch_set_filter_callback(photobatch_t *batch, filter_list_callback_t callback,
                                    void *owner)
{
    if (!batch)
        return;
    sn_thread_mutex_guard guard(batch->mutex);
    batch->filter_callback = callback;
    batch->filter_owner = owner;
}

int photobatch_clear_filter_callback(photobatch_t *batch, void *owner)
{
    if (!batch)
        return -1;
    sn_thread_mutex_lock(batch->mutex);
    if (batch->filter_owner != owner) {
        sn_thread_mutex_unlock(batch->mutex);
        return -1;
    }
    batch->filter_callback = nullptr;
    batch->filter_owner = nullptr;
    /* The worker calls outside the lock: the owner may go only once a call
     * it had copied has returned. No new call can start, the callback being
     * gone. */
    while (batch->filter_calls > t_in_filter_call) {
        sn_thread_mutex_unlock(batch->mutex);
        sn_thread_sleep(k_clear_poll_ms);
        sn_thread_mutex_lock(batch->mutex);
    }
    sn_thread_mutex_unlock(batch->mutex);
    return 0;
}

fileman_t *photobatch_get_fileman(photobatch_t *batch)
{
    return batch->fileman;
}

outputconfig_t *photobatch_get_outputconfig(photobatch_t *batch)
{
    return batch->outputconfig;
}

int photobatch_get_status(photobatch_t *batch)
{
    return batch->status.load(std::memory_order_acquire);
}

int photobatch_get_current(photobatch_t *batch)
{
    return batch->current.load(std::memory_order_acquire);
}

int photobatch_start(photobatch_t *batch)
{
    return post_command(batch, PHOTOBATCH_COMMAND_START);
}

int photobatch_stop(photobatch_t *batch)
{
    return post_command(batch, PHOTOBATCH_COMMAND_STOP);
}

int photobatch_pause(photobatch_t *batch)
{
    return post_command(batch, PHOTOBATCH_COMMAND_PAUSE);
}

int photobatch_resume(photobatch_t *batch)
{
    return post_command(batch, PHOTOBATCH_COMMAND_RESUME);
}

void photobatch_notify(photobatch_t *batch, int event, intptr_t argument, const char *text)
{
    if (!batch)
        return;
    photobatch_process_callback_t callback;
    void *target;
    {
        sn_thread_mutex_guard guard(batch->mutex);
        callback = batch->process_callback;
        target = batch->process_target;
    }
    if (callback)
        callback(target, event, argument, text);
}
