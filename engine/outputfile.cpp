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
 *   outputfile_folder_holds, outputfile_open_parent, outputfile_numbered_name,
 *   outputfile_series_create, outputfile_series_destroy, outputfile_create,
 *   outputfile_finish, outputfile_publish, outputfile_discard,
 *   outputfile_close, outputfile_default_mode, outputfile_sync_folder,
 *   outputfile_is_loaded, outputfile_race_hook (tests)
 */
#include "outputfile.h"

#include "base/sn_log.h"

#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
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

/* One name of a series in one folder, and the number its last search
 * ended at; the name follows the record in the same block. */
struct series_entry {
    series_entry *next;
    dev_t dev;
    ino_t ino;
    size_t hash;
    long long number;
    const char *leaf;
};

/* A power of two; the table doubles when it holds twice as many names. */
const size_t k_series_buckets = 64;

size_t series_hash(const struct stat *folder, const char *leaf)
{
    /* FNV-1a over the name, seeded with the folder's identity. */
    uint64_t h = 14695981039346656037ull ^ (uint64_t)folder->st_dev;
    h = (h ^ (uint64_t)folder->st_ino) * 1099511628211ull;
    for (const unsigned char *p = (const unsigned char *)leaf; *p; p++)
        h = (h ^ *p) * 1099511628211ull;
    return (size_t)(h ^ (h >> 32));
}

} // namespace

struct outputfile_series {
    series_entry **buckets;
    size_t bucket_count;
    size_t count;
};

namespace
{

series_entry *series_find(const outputfile_series_t *series, const struct stat *folder,
                          const char *leaf, size_t hash)
{
    for (series_entry *e = series->buckets[hash & (series->bucket_count - 1)]; e; e = e->next)
        if (e->hash == hash && e->dev == folder->st_dev && e->ino == folder->st_ino &&
            strcmp(e->leaf, leaf) == 0)
            return e;
    return nullptr;
}

/* Doubles the table; a table that cannot grow stays as it is, only
 * slower. */
void series_grow(outputfile_series_t *series)
{
    if (series->bucket_count > SIZE_MAX / 2 / sizeof(series_entry *))
        return;
    size_t count = series->bucket_count * 2;
    series_entry **buckets = (series_entry **)calloc(count, sizeof(series_entry *));
    if (!buckets)
        return;
    for (size_t i = 0; i < series->bucket_count; i++)
        for (series_entry *e = series->buckets[i], *next; e; e = next) {
            next = e->next;
            e->next = buckets[e->hash & (count - 1)];
            buckets[e->hash & (count - 1)] = e;
        }
    free(series->buckets);
    series->buckets = buckets;
    series->bucket_count = count;
}

/* Remembers that the search for leaf in folder ended at number. A name
 * taken once needs no memory: its next search costs one look more. */
void series_note(outputfile_series_t *series, const struct stat *folder, const char *leaf,
                 long long number)
{
    if (number <= 0)
        return;
    size_t hash = series_hash(folder, leaf);
    series_entry *e = series_find(series, folder, leaf, hash);
    if (e) {
        e->number = number;
        return;
    }
    size_t len = strlen(leaf);
    if (len > SIZE_MAX - sizeof(series_entry) - 1)
        return;
    size_t bytes = sizeof(series_entry) + len + 1;
    e = (series_entry *)malloc(bytes);
    if (!e) {
        sn_log(3, NULL, "outputfile_create", __LINE__,
               "malloc FAILED! size:%zu, the next search starts at the name\n", bytes);
        return;
    }
    char *name = (char *)(e + 1);
    memcpy(name, leaf, len + 1);
    e->leaf = name;
    e->dev = folder->st_dev;
    e->ino = folder->st_ino;
    e->hash = hash;
    e->number = number;
    e->next = series->buckets[hash & (series->bucket_count - 1)];
    series->buckets[hash & (series->bucket_count - 1)] = e;
    if (++series->count > series->bucket_count * 2)
        series_grow(series);
}

} // namespace

outputfile_series_t *outputfile_series_create(void)
{
    outputfile_series_t *series = (outputfile_series_t *)calloc(1, sizeof *series);
    if (series)
        series->buckets = (series_entry **)calloc(k_series_buckets, sizeof(series_entry *));
    if (!series || !series->buckets) {
        sn_log(4, NULL, "outputfile_series_create", __LINE__, "malloc FAILED! size:%zu\n",
               k_series_buckets * sizeof(series_entry *));
        free(series);
        return nullptr;
    }
    series->bucket_count = k_series_buckets;
    return series;
}

void outputfile_series_destroy(outputfile_series_t *series)
{
    if (!series)
        return;
    for (size_t i = 0; i < series->bucket_count; i++)
        for (series_entry *e = series->buckets[i], *next; e; e = next) {
            next = e->next;
            free(e);
        }
    free(series->buckets);
    free(series);
}

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

bool outputfile_folder_holds(int folder, const char *source, const struct stat *loaded)
{
    if (folder < 0 || !source || !loaded) {
        sn_log(4, NULL, "outputfile_folder_holds", __LINE__, "folder or source is null FAILED!\n");
        return false;
    }
    const char *slash = strrchr(source, '/');
    const char *leaf = slash ? slash + 1 : source;
    /* Followed: a source that is a link was loaded through it, and its
     * output goes beside the link. */
    struct stat st;
    if (fstatat(folder, leaf, &st, 0) != 0 || !same_file(&st, loaded)) {
        sn_log(4, NULL, "outputfile_folder_holds", __LINE__,
               "folder changed during the load FAILED! %s\n", source);
        return false;
    }
    return true;
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

int outputfile_create(outputfile_t *out, int folder, const char *leaf, const char *shown,
                      outputfile_series_t *series)
{
    if (!out || folder < 0 || !leaf || !shown) {
        sn_log(4, NULL, "outputfile_create", __LINE__, "output or name is null FAILED!\n");
        return -1;
    }
    out->folder = folder;
    out->fd = -1;
    out->temp[0] = '\0';
    out->number = 0;
    out->size = 0;

    /* The first member of the series that nothing holds now, from where
     * this run's last search for it ended: searching from the name itself
     * for every photo made one name for thousands of photos quadratic. A
     * failure reports this name; it is only taken when the file is
     * published. */
    struct stat at;
    if (series && fstat(folder, &at) != 0)
        series = nullptr;
    long long start = 0;
    if (series) {
        series_entry *e = series_find(series, &at, leaf, series_hash(&at, leaf));
        if (e)
            start = e->number;
    }
    char name[256];
    for (long long n = start;; n++) {
        if (outputfile_numbered_name(leaf, n, name, sizeof name) != 0) {
            sn_log(4, NULL, "outputfile_create", __LINE__, "output name too long FAILED! %s\n",
                   shown);
            return -1;
        }
        struct stat st;
        if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            out->number = n;
            if (series)
                series_note(series, &at, leaf, n);
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
                sn_log(4, NULL, "outputfile_create", __LINE__, "fstat FAILED! %s: %s\n", shown,
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
    sn_log(4, NULL, "outputfile_create", __LINE__, "create FAILED! %s: %s\n", shown,
           strerror(errno));
    return -1;
}

int outputfile_finish(outputfile_t *out, mode_t mode, const struct timespec *times,
                      const char *shown)
{
    if (!out || out->fd < 0 || !shown) {
        sn_log(4, NULL, "outputfile_finish", __LINE__, "output is null FAILED!\n");
        return -1;
    }
    race(OUTPUTFILE_STAGE_WRITTEN, out);
    /* Never a set-user-ID or set-group-ID bit on a file this process
     * owns (root's, for a batch run as root over another user's photos),
     * nor the sticky bit: cp -p leaves them out when it cannot keep the
     * owner. */
    if (fchmod(out->fd, mode & 0777) != 0 || (times && futimens(out->fd, times) != 0))
        sn_log(3, NULL, "outputfile_finish", __LINE__, "copy attributes FAILED! %s\n", shown);
    /* The result must be on the disk before it gets its name, and before
     * the source may go. */
    if (fsync(out->fd) != 0) {
        sn_log(4, NULL, "outputfile_finish", __LINE__, "fsync FAILED! %s\n", shown);
        return -1;
    }
    struct stat st;
    if (fstat(out->fd, &st) != 0) {
        sn_log(4, NULL, "outputfile_finish", __LINE__, "fstat FAILED! %s\n", shown);
        return -1;
    }
    out->size = st.st_size;
    if (!holds(out, out->temp)) {
        sn_log(4, NULL, "outputfile_finish", __LINE__, "temporary file replaced FAILED! %s\n",
               out->temp);
        return -1;
    }
    return 0;
}

int outputfile_publish(outputfile_t *out, const char *leaf, char *published, size_t size)
{
    if (!out || out->fd < 0 || !leaf || !published || size == 0) {
        sn_log(4, NULL, "outputfile_publish", __LINE__, "output or name is null FAILED!\n");
        return -1;
    }
    race(OUTPUTFILE_STAGE_PUBLISH, out);
    /* One step that never replaces a file: until then no final name shows
     * a partial file, whenever the program dies. */
    for (long long n = out->number;; n++) {
        if (outputfile_numbered_name(leaf, n, published, size) != 0) {
            sn_log(4, NULL, "outputfile_publish", __LINE__, "output name too long FAILED! %s\n",
                   leaf);
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
            sn_log(4, NULL, "outputfile_publish", __LINE__, "create FAILED! %s: %s\n", published,
                   strerror(errno));
            return -1;
        }
    }
    out->temp[0] = '\0';
    /* The name was free, so whatever it holds came through the temporary
     * name: if a racer swapped or cut that before the rename, what now
     * stands there is not the output, and it goes again. */
    if (!holds(out, published)) {
        sn_log(4, NULL, "outputfile_publish", __LINE__, "output replaced FAILED! %s\n", published);
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
