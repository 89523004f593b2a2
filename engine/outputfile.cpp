/*
 * Putting one output on disk in a folder that others may write in. The
 * rules: the folder is opened once and every create, rename and check is
 * made relative to its descriptor; sub-folders are opened one by one, never
 * through a link; the file is created once, with O_EXCL and O_NOFOLLOW, mode
 * 0600, and written only through that descriptor, never opened by its name
 * again; it gets its final mode, is synced and takes its name in one step
 * that never replaces a file; a source may go only when that name holds
 * the very file written, whole.
 *
 *   outputfile_open_folder, outputfile_open_source_folder,
 *   outputfile_open_parent, outputfile_numbered_name, outputfile_create,
 *   outputfile_finish, outputfile_publish, outputfile_discard,
 *   outputfile_close, outputfile_default_mode, outputfile_sync_folder,
 *   outputfile_is_loaded, outputfile_race_hook (tests)
 */
#include "outputfile.h"

#include "base/sn_log.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

void (*outputfile_race_hook)(int stage, int folder, const char *temp) = nullptr;

namespace
{

/* Temporary output names: the prefix and suffix around the process id and
 * serial number, and the tries for a free one. */
const char k_temp_prefix[] = ".zandrevik-";
const char k_temp_suffix[] = ".part";
const int k_temp_attempts = 100;
std::atomic<unsigned> g_temp_serial{0};

/* Folders are only walked and named from, never read: O_PATH needs no read
 * right on them, as a create by path needs none. */
const int k_folder_flags = O_PATH | O_DIRECTORY | O_CLOEXEC;

void race(int stage, const outputfile_t *out)
{
    if (outputfile_race_hook)
        outputfile_race_hook(stage, out->folder, out->temp);
}

bool same_file(const struct stat *a, const struct stat *b)
{
    return a->st_dev == b->st_dev && a->st_ino == b->st_ino;
}

/* The name in folder stands for the file that was created and holds what
 * was written into it. */
bool holds(const outputfile_t *out, const char *name)
{
    struct stat at;
    return fstatat(out->folder, name, &at, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(at.st_mode) &&
           same_file(&at, &out->claimed) && at.st_size == out->size;
}

/* The umask, read without changing it: umask(2) can only be read by
 * setting it, and another thread creating a file meanwhile would get the
 * value set. The kernel reports it in the status file. */
mode_t read_umask(void)
{
    FILE *fp = fopen("/proc/self/status", "re");
    unsigned mask = 022;
    bool found = false;
    if (fp) {
        char line[256];
        while (fgets(line, sizeof line, fp))
            if (sscanf(line, "Umask: %o", &mask) == 1) {
                found = true;
                break;
            }
        fclose(fp);
    }
    if (!found) {
        mask = 022;
        sn_log(3, NULL, "outputfile_default_mode", __LINE__,
               "umask not readable FAILED! 022 is used\n");
    }
    return (mode_t)(mask & 0777);
}

} // namespace

int outputfile_open_folder(const char *path)
{
    if (!path) {
        sn_log(4, NULL, "outputfile_open_folder", __LINE__, "path is null FAILED!\n");
        return -1;
    }
    int fd = open(path[0] ? path : ".", k_folder_flags);
    if (fd < 0)
        sn_log(4, NULL, "outputfile_open_folder", __LINE__, "open folder FAILED! %s: %s\n", path,
               strerror(errno));
    return fd;
}

int outputfile_open_source_folder(const char *source)
{
    if (!source) {
        sn_log(4, NULL, "outputfile_open_source_folder", __LINE__, "source is null FAILED!\n");
        return -1;
    }
    const char *slash = strrchr(source, '/');
    if (!slash)
        return outputfile_open_folder("");
    if (slash == source)
        return outputfile_open_folder("/");
    char *folder = strndup(source, (size_t)(slash - source));
    if (!folder) {
        sn_log(4, NULL, "outputfile_open_source_folder", __LINE__, "malloc FAILED! size:%zu\n",
               (size_t)(slash - source) + 1);
        return -1;
    }
    int fd = outputfile_open_folder(folder);
    free(folder);
    return fd;
}

int outputfile_open_parent(int folder, const char *relative, const char *shown, const char **leaf)
{
    if (folder < 0 || !relative || !leaf) {
        sn_log(4, NULL, "outputfile_open_parent", __LINE__, "folder or name is null FAILED!\n");
        return -1;
    }
    int at = fcntl(folder, F_DUPFD_CLOEXEC, 0);
    if (at < 0) {
        sn_log(4, NULL, "outputfile_open_parent", __LINE__, "dup FAILED! %s: %s\n",
               shown ? shown : relative, strerror(errno));
        return -1;
    }
    const char *p = relative;
    for (const char *slash = strchr(p, '/'); slash; slash = strchr(p, '/')) {
        char part[256];
        size_t len = (size_t)(slash - p);
        if (len == 0 || len >= sizeof part) {
            close(at);
            sn_log(4, NULL, "outputfile_open_parent", __LINE__, "sub-folder name FAILED! %s\n",
                   shown ? shown : relative);
            return -1;
        }
        memcpy(part, p, len);
        part[len] = '\0';
        /* A link here could lead anywhere, and a racer can make one between
         * any two steps: a sub-folder is a real folder or the file fails. */
        int next = openat(at, part, k_folder_flags | O_NOFOLLOW);
        int err = errno;
        struct stat st;
        /* O_PATH with O_NOFOLLOW would hand back the link itself. */
        if (next >= 0 && (fstat(next, &st) != 0 || !S_ISDIR(st.st_mode))) {
            close(next);
            next = -1;
            err = ELOOP;
        }
        close(at);
        if (next < 0) {
            sn_log(4, NULL, "outputfile_open_parent", __LINE__, "open sub-folder FAILED! %s: %s\n",
                   shown ? shown : relative, strerror(err));
            return -1;
        }
        at = next;
        p = slash + 1;
    }
    *leaf = p;
    return at;
}

int outputfile_numbered_name(const char *name, long long n, char *out, size_t size)
{
    if (!name || !out || size == 0)
        return -1;
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

int outputfile_create(outputfile_t *out, int folder, const char *leaf, const char *shown)
{
    if (!out || folder < 0 || !leaf || !shown) {
        sn_log(4, NULL, "photobatch_proc", __LINE__, "output or name is null FAILED!\n");
        return -1;
    }
    out->folder = folder;
    out->fd = -1;
    out->temp[0] = '\0';
    out->number = 0;
    out->size = 0;

    /* The first member of the series that nothing holds now. A failure
     * reports this name; it is only taken when the file is published. */
    char name[256];
    for (long long n = 0;; n++) {
        if (outputfile_numbered_name(leaf, n, name, sizeof name) != 0) {
            sn_log(4, NULL, "photobatch_proc", __LINE__, "output name too long FAILED! %s\n",
                   shown);
            return -1;
        }
        struct stat st;
        if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            out->number = n;
            break;
        }
    }

    /* A private file for the writer. Its name starts with '.' and ends in
     * ".part", so that Add Folder passes it over, and holds the process id
     * and a serial number, so that it never meets an output name or another
     * run's leftover: a file that a killed run left under such a name is
     * ignored. Readable by its owner only until it is whole. */
    for (int attempt = 0; attempt < k_temp_attempts; attempt++) {
        unsigned serial = g_temp_serial.fetch_add(1, std::memory_order_relaxed);
        snprintf(out->temp, sizeof out->temp, "%s%ld-%u%s", k_temp_prefix, (long)getpid(), serial,
                 k_temp_suffix);
        int fd =
            openat(folder, out->temp, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            if (fstat(fd, &out->claimed) != 0) {
                int err = errno;
                unlinkat(folder, out->temp, 0);
                close(fd);
                sn_log(4, NULL, "photobatch_proc", __LINE__, "fstat FAILED! %s: %s\n", shown,
                       strerror(err));
                return -1;
            }
            out->fd = fd;
            race(OUTPUTFILE_STAGE_CREATED, out);
            return 0;
        }
        if (errno != EEXIST)
            break;
    }
    sn_log(4, NULL, "photobatch_proc", __LINE__, "create FAILED! %s: %s\n", shown, strerror(errno));
    return -1;
}

int outputfile_finish(outputfile_t *out, mode_t mode, const struct timespec *times,
                      const char *shown)
{
    if (!out || out->fd < 0 || !shown) {
        sn_log(4, NULL, "photobatch_proc", __LINE__, "output is null FAILED!\n");
        return -1;
    }
    race(OUTPUTFILE_STAGE_WRITTEN, out);
    if (fchmod(out->fd, mode & 07777) != 0 || (times && futimens(out->fd, times) != 0))
        sn_log(3, NULL, "photobatch_proc", __LINE__, "copy attributes FAILED! %s\n", shown);
    /* The result must be on the disk before it gets its name, and before
     * the source may go. */
    if (fsync(out->fd) != 0) {
        sn_log(4, NULL, "photobatch_proc", __LINE__, "fsync FAILED! %s\n", shown);
        return -1;
    }
    struct stat st;
    if (fstat(out->fd, &st) != 0) {
        sn_log(4, NULL, "photobatch_proc", __LINE__, "fstat FAILED! %s\n", shown);
        return -1;
    }
    out->size = st.st_size;
    if (!holds(out, out->temp)) {
        sn_log(4, NULL, "photobatch_proc", __LINE__, "temporary file replaced FAILED! %s\n",
               out->temp);
        return -1;
    }
    return 0;
}

int outputfile_publish(outputfile_t *out, const char *leaf, char *published, size_t size)
{
    if (!out || out->fd < 0 || !leaf || !published || size == 0) {
        sn_log(4, NULL, "photobatch_proc", __LINE__, "output or name is null FAILED!\n");
        return -1;
    }
    race(OUTPUTFILE_STAGE_PUBLISH, out);
    /* One step that never replaces a file: until then no final name shows
     * a partial file, whenever the program dies. */
    for (long long n = out->number;; n++) {
        if (outputfile_numbered_name(leaf, n, published, size) != 0) {
            sn_log(4, NULL, "photobatch_proc", __LINE__, "output name too long FAILED! %s\n", leaf);
            return -1;
        }
        int moved = renameat2(out->folder, out->temp, out->folder, published, RENAME_NOREPLACE);
        /* A file system without that flag: a hard link never replaces a name
         * either. */
        if (moved != 0 && (errno == EINVAL || errno == ENOSYS) &&
            linkat(out->folder, out->temp, out->folder, published, 0) == 0) {
            unlinkat(out->folder, out->temp, 0);
            moved = 0;
        }
        if (moved == 0)
            break;
        if (errno != EEXIST) {
            sn_log(4, NULL, "photobatch_proc", __LINE__, "create FAILED! %s: %s\n", published,
                   strerror(errno));
            return -1;
        }
    }
    out->temp[0] = '\0';
    /* The name was free, so whatever it holds came through the temporary
     * name: if a racer swapped or cut that before the rename, what now
     * stands there is not the output, and it goes again. */
    if (!holds(out, published)) {
        sn_log(4, NULL, "photobatch_proc", __LINE__, "output replaced FAILED! %s\n", published);
        unlinkat(out->folder, published, 0);
        return -1;
    }
    return 0;
}

void outputfile_discard(outputfile_t *out)
{
    if (!out)
        return;
    struct stat st;
    if (out->temp[0] && fstatat(out->folder, out->temp, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        same_file(&st, &out->claimed))
        unlinkat(out->folder, out->temp, 0);
    out->temp[0] = '\0';
    outputfile_close(out);
}

void outputfile_close(outputfile_t *out)
{
    if (out && out->fd >= 0) {
        close(out->fd);
        out->fd = -1;
    }
}

mode_t outputfile_default_mode(void)
{
    static const mode_t mask = read_umask();
    return 0666 & ~mask;
}

int outputfile_sync_folder(int folder)
{
    int fd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    int failed = fsync(fd) != 0;
    if (close(fd) != 0)
        failed = 1;
    return failed ? -1 : 0;
}

bool outputfile_is_loaded(const char *path, const struct stat *loaded)
{
    struct stat st;
    /* A rewrite in place with its size and modification time put back
     * (touch -r, rsync --inplace -t) still moves the change time, which no
     * program can set. */
    return path && loaded && lstat(path, &st) == 0 && S_ISREG(st.st_mode) &&
           same_file(&st, loaded) && st.st_size == loaded->st_size &&
           st.st_mtim.tv_sec == loaded->st_mtim.tv_sec &&
           st.st_mtim.tv_nsec == loaded->st_mtim.tv_nsec &&
           st.st_ctim.tv_sec == loaded->st_ctim.tv_sec &&
           st.st_ctim.tv_nsec == loaded->st_ctim.tv_nsec;
}
