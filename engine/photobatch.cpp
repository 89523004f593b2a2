/*
 * The batch engine: the process-wide record with its file list and output
 * settings, the command post of the interface thread, and the worker that
 * loads, filters and saves each file under a name that nobody else holds.
 *
 *   photobatch_create, photobatch_destroy, photobatch_*_instance
 *   photobatch_set_process_callback, photobatch_set_filter_callback,
 *   photobatch_clear_filter_callback
 *   photobatch_get_*, photobatch_start/stop/pause/resume, photobatch_notify
 *   photobatch_proc (the worker)
 */
#include "photobatch.h"
#include "stagebound.h"

#include "base/sn_log.h"
#include "base/sn_thread.h"
#include "filter/imagefilter.h"
#include "image/sn_image.h"
#include "image/sn_image_codec.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
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
/* The file in hand may be a large save on a slow disk: wait long for it, but
 * not forever; a worker that never ends is left alone rather than freed under
 * its feet. */
const int k_exit_wait_ms = 120000;

/* Temporary output names: the prefix and suffix, room for the process id and
 * serial number between them, and the tries for a free one. */
const char k_temp_prefix[] = ".zandrevik-";
const char k_temp_suffix[] = ".part";
const size_t k_temp_extra = 64;
const int k_temp_attempts = 100;
std::atomic<unsigned> g_temp_serial{0};

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
    }
    filters.clear();
    if (callback)
        callback(owner, path, index, filters);
}

/* Member n of name's numbered series: name itself for 0, else name with
 * "(n)" before the last '.' of its last component, or at its end. */
int numbered_name(const char *name, long long n, char *out, size_t size)
{
    if (n == 0) {
        if (strlen(name) >= size)
            return -1;
        strcpy(out, name);
        return 0;
    }
    const char *slash = strrchr(name, '/');
    const char *dot = strrchr(slash ? slash : name, '.');
    size_t head = dot ? (size_t)(dot - name) : strlen(name);
    int len = snprintf(out, size, "%.*s(%lld)%s", (int)head, name, n, dot ? dot : "");
    return len > 0 && (size_t)len < size ? 0 : -1;
}

/* The first name of wanted's numbered series that nothing holds now, and its
 * number (0 for wanted itself). A failure reports this name; the name is
 * only taken when the finished file is published. */
int first_free_name(const char *wanted, char *out, size_t size, long long *number)
{
    for (long long n = 0;; n++) {
        if (numbered_name(wanted, n, out, size) != 0) {
            /* The caller's failure report covers a name too long as it stands. */
            if (n > 0)
                sn_log(4, NULL, "photobatch_proc", __LINE__, "output name too long FAILED! %s\n",
                       wanted);
            return -1;
        }
        struct stat st;
        if (lstat(out, &st) != 0) {
            *number = n;
            return 0;
        }
    }
}

/* Creates a private file beside name for the writer. Its name starts with
 * '.' and ends in ".part", so that Add Folder passes it over, and holds the
 * process id and a serial number, so that it never meets an output name or
 * another run's leftover: a file that a killed run left under such a name is
 * ignored. Returns the open descriptor; the file's identity goes to *claimed
 * so that only that file is ever removed or published. */
int create_temp(const char *name, char *temp, size_t size, struct stat *claimed)
{
    const char *slash = strrchr(name, '/');
    int folder_len = slash ? (int)(slash - name + 1) : 0;
    for (int attempt = 0; attempt < k_temp_attempts; attempt++) {
        unsigned serial = g_temp_serial.fetch_add(1, std::memory_order_relaxed);
        int len = snprintf(temp, size, "%.*s%s%ld-%u%s", folder_len, name, k_temp_prefix,
                           (long)getpid(), serial, k_temp_suffix);
        if (len < 0 || (size_t)len >= size) {
            sn_log(4, NULL, "photobatch_proc", __LINE__, "output name too long FAILED! %s\n", name);
            return -1;
        }
        int fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (fstat(fd, claimed) != 0) {
                close(fd);
                unlink(temp);
                sn_log(4, NULL, "photobatch_proc", __LINE__, "fstat FAILED! %s\n", temp);
                return -1;
            }
            return fd;
        }
        if (errno != EEXIST)
            break;
    }
    sn_log(4, NULL, "photobatch_proc", __LINE__, "create FAILED! %s: %s\n", name, strerror(errno));
    return -1;
}

bool is_claimed(const char *path, const struct stat *claimed)
{
    struct stat st;
    return lstat(path, &st) == 0 && st.st_dev == claimed->st_dev && st.st_ino == claimed->st_ino;
}

/* Removes what a failed save left, but only the file this run created. */
void discard_output(const char *path, const struct stat *claimed)
{
    if (is_claimed(path, claimed))
        unlink(path);
}

/* Gives the finished temporary file the first free name of wanted's series
 * from number on, in one step that never replaces a file: until then no
 * final name shows a partial file, whenever the program dies. */
int publish_output(const char *temp, const char *wanted, long long number, char *out, size_t size)
{
    for (long long n = number;; n++) {
        if (numbered_name(wanted, n, out, size) != 0) {
            sn_log(4, NULL, "photobatch_proc", __LINE__, "output name too long FAILED! %s\n",
                   wanted);
            return -1;
        }
        if (renameat2(AT_FDCWD, temp, AT_FDCWD, out, RENAME_NOREPLACE) == 0)
            return 0;
        /* A file system without that flag: a hard link never replaces a name
         * either. */
        if ((errno == EINVAL || errno == ENOSYS) && link(temp, out) == 0) {
            unlink(temp);
            return 0;
        }
        if (errno != EEXIST) {
            sn_log(4, NULL, "photobatch_proc", __LINE__, "create FAILED! %s: %s\n", out,
                   strerror(errno));
            return -1;
        }
    }
}

/* The name still stands for the very file that was loaded, unchanged since:
 * only then may it go. */
bool is_loaded_file(const char *path, const struct stat *loaded)
{
    struct stat st;
    return lstat(path, &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == loaded->st_dev &&
           st.st_ino == loaded->st_ino && st.st_size == loaded->st_size &&
           st.st_mtim.tv_sec == loaded->st_mtim.tv_sec &&
           st.st_mtim.tv_nsec == loaded->st_mtim.tv_nsec;
}

int sync_path(const char *path, int flags)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0)
        return -1;
    int failed = fsync(fd) != 0;
    if (close(fd) != 0)
        failed = 1;
    return failed ? -1 : 0;
}

/* The folder part of path, for syncing the new directory entry. */
int sync_folder_of(const char *path)
{
    const char *slash = strrchr(path, '/');
    if (!slash)
        return sync_path(".", O_DIRECTORY);
    if (slash == path)
        return sync_path("/", O_DIRECTORY);
    char *folder = strndup(path, (size_t)(slash - path));
    if (!folder)
        return -1;
    int r = sync_path(folder, O_DIRECTORY);
    free(folder);
    return r;
}

void process_file(photobatch_t *batch, int index)
{
    char *source = fileman_copy_path(batch->fileman, index);
    if (!source) {
        photobatch_notify(batch, PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_READ, nullptr);
        return;
    }
    photobatch_notify(batch, PHOTOBATCH_EVENT_FILE, (intptr_t)source, nullptr);

    struct stat loaded;
    sn_image_t *image = snimage_create_from_file_stat(source, -1, &loaded);
    if (!image) {
        photobatch_notify(batch, PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_READ, source);
        free(source);
        return;
    }

    QList<imagefilter_t *> filters;
    collect_filters(batch, QString::fromUtf8(source), index, filters);
    int filter_failed = 0;
    const size_t bound = stage_bytes_bound(stage_image_bytes(image));
    for (imagefilter_t *filter : qAsConst(filters)) {
        if (!filter)
            continue;
        if (imagefilter_execute(filter, image) != 0) {
            filter_failed = 1;
            photobatch_notify(batch, PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_FILTER,
                              imagefilter_get_name(filter));
        }
        if (stage_image_bytes(image) > bound) {
            sn_log(4, NULL, "process_file", __LINE__,
                   "picture over its bound FAILED! width:%d, height:%d, bound:%zu, filter:%s\n",
                   image->width, image->height, bound, imagefilter_get_name(filter));
            photobatch_notify(batch, PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_GROWTH,
                              imagefilter_get_name(filter));
            sn_image_destroy(image);
            free(source);
            return;
        }
    }

    /* One consistent copy of the settings serves the whole file. */
    outputconfig_t settings;
    outputconfig_copy(batch->outputconfig, &settings);
    char wanted[OUTPUTCONFIG_TEXT_SIZE];
    char output[OUTPUTCONFIG_TEXT_SIZE];
    char temp[OUTPUTCONFIG_TEXT_SIZE + k_temp_extra];
    struct stat claimed;
    long long number = 0;
    int fd = -1;
    const char *made = outputconfig_get_write_name(&settings, source, index, wanted, sizeof wanted);
    if (!made || first_free_name(wanted, output, sizeof output, &number) != 0 ||
        (fd = create_temp(output, temp, sizeof temp, &claimed)) < 0) {
        /* A name that could not be made has no text of its own to show. */
        photobatch_notify(batch, PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_WRITE,
                          made ? wanted : source);
        sn_image_destroy(image);
        free(source);
        return;
    }

    sn_image_write_params_t params;
    params.quality = settings.quality;
    params.bits = image->has_alpha == 1 ? 32 : 24;
    params.reserved = 0;
    params.transparent = settings.transparent;
    int format = settings.keep_source_format ? sn_image_guess_format(source) : settings.format;
    int failed = sn_image_save(image, temp, format, &params) != 0;
    sn_image_destroy(image);

    if (!failed && settings.keep_attribute) {
        struct stat st;
        if (stat(source, &st) == 0) {
            struct timespec times[2] = {st.st_atim, st.st_mtim};
            if (utimensat(AT_FDCWD, temp, times, 0) != 0 || chmod(temp, st.st_mode & 07777) != 0)
                sn_log(3, NULL, "photobatch_proc", __LINE__, "copy attributes FAILED! %s\n",
                       output);
        }
    }
    /* The result must be on the disk before it gets its name, and before
     * the source may go. */
    if (!failed && fsync(fd) != 0) {
        sn_log(4, NULL, "photobatch_proc", __LINE__, "fsync FAILED! %s\n", output);
        failed = 1;
    }
    close(fd);
    if (!failed && !is_claimed(temp, &claimed)) {
        sn_log(4, NULL, "photobatch_proc", __LINE__, "temporary file replaced FAILED! %s\n", temp);
        failed = 1;
    }
    /* A failure reports the name the file was meant for. */
    char published[OUTPUTCONFIG_TEXT_SIZE];
    if (!failed && publish_output(temp, wanted, number, published, sizeof published) != 0)
        failed = 1;
    if (failed) {
        discard_output(temp, &claimed);
        photobatch_notify(batch, PHOTOBATCH_EVENT_FAILED, PHOTOBATCH_FAILED_WRITE, output);
        free(source);
        return;
    }
    strcpy(output, published);
    /* After a failed filter the output is not what the user asked for: it
     * is written, but the original must not go. */
    if (settings.delete_source && filter_failed) {
        sn_log(3, NULL, "photobatch_proc", __LINE__, "a filter failed, source kept: %s\n", source);
    } else if (settings.delete_source) {
        if (sync_folder_of(output) != 0)
            sn_log(4, NULL, "photobatch_proc", __LINE__,
                   "fsync FAILED! folder of %s, source kept\n", output);
        else if (!is_loaded_file(source, &loaded))
            /* Replaced or changed since its load: that is not the photo
             * whose output was just written. */
            sn_log(4, NULL, "photobatch_proc", __LINE__,
                   "source changed since its load, kept FAILED! %s\n", source);
        else if (unlink(source) != 0)
            sn_log(4, NULL, "photobatch_proc", __LINE__, "unlink FAILED! %s\n", source);
    }
    photobatch_notify(batch, PHOTOBATCH_EVENT_WRITTEN, (intptr_t)source, output);
    free(source);
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
    case PHOTOBATCH_COMMAND_EXIT:
        sn_log(2, NULL, "photobatch_proc", __LINE__, "exit!\n");
        /* A run in progress ends as if stopped, so its page hears of it. */
        if (status != PHOTOBATCH_STATUS_IDLE) {
            batch->status.store(PHOTOBATCH_STATUS_IDLE, std::memory_order_release);
            photobatch_notify(batch, PHOTOBATCH_EVENT_FINISHED, 0, nullptr);
        }
        return 1;
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
        process_file(batch, current);
        current++;
        batch->current.store(current, std::memory_order_release);
        /* >= : a list that shrank during the run must not keep it going. */
        if (current >= batch->total.load(std::memory_order_acquire)) {
            batch->status.store(PHOTOBATCH_STATUS_IDLE, std::memory_order_release);
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
    /* The list, the settings and the lock exist before the worker can look
     * at them. */
    batch->mutex = sn_thread_mutex_create();
    batch->fileman = fileman_create();
    batch->outputconfig = outputconfig_create();
    if (!batch->mutex || !batch->fileman || !batch->outputconfig) {
        sn_log(4, NULL, "photobatch_create", __LINE__, "create list or settings FAILED!\n");
        photobatch_destroy(batch);
        return nullptr;
    }
    char name[64];
    snprintf(name, sizeof name, "thrdPhotoBatchProc%p", (void *)batch);
    batch->thread = sn_thread_open(name, -1, 0, photobatch_proc, batch);
    if (!batch->thread) {
        sn_log(4, NULL, "photobatch_create", __LINE__, "open thread task_proc FAILED!\n");
        photobatch_destroy(batch);
        return nullptr;
    }
    return batch;
}

void photobatch_destroy(photobatch_t *batch)
{
    if (!batch)
        return;
    if (batch->thread) {
        batch->result.store(0, std::memory_order_release);
        batch->command.store(PHOTOBATCH_COMMAND_EXIT, std::memory_order_release);
        sn_thread_wake(batch->thread);
        int waited = 0;
        while (!batch->exited.load(std::memory_order_acquire) && waited < k_exit_wait_ms) {
            sleep_ms(1);
            waited += 1;
        }
        if (!batch->exited.load(std::memory_order_acquire)) {
            sn_log(4, NULL, "photobatch_destroy", __LINE__,
                   "worker did not end FAILED! record left in place\n");
            return;
        }
        sn_thread_close(batch->thread, 2000);
        batch->thread = nullptr;
    }
    fileman_destroy(batch->fileman);
    outputconfig_destroy(batch->outputconfig);
    sn_thread_mutex_destroy(batch->mutex);
    free(batch);
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
        photobatch_destroy(batch);
        return -1;
    }
    return 0;
}

photobatch_t *photobatch_get_instance(void)
{
    return g_instance.load(std::memory_order_acquire);
}

void photobatch_destroy_instance(void)
{
    photobatch_t *batch = g_instance.exchange(nullptr, std::memory_order_acq_rel);
    photobatch_destroy(batch);
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
    sn_thread_mutex_guard guard(batch->mutex);
    if (batch->filter_owner != owner)
        return -1;
    batch->filter_callback = nullptr;
    batch->filter_owner = nullptr;
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
