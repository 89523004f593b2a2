/*
 * The Step 1 file list under load, four measurements in one run:
 *   1. time per thumbnail of 12-megapixel photo-like JPEGs through the file
 *      model's path (reduced DCT scale, then the resize filter) against a full
 *      decode plus the resize filter: at most 0.3 x;
 *   2. Add Folder of 20,000 small files, and its ratio to 2,000 files: at
 *      most 15 x (near-linear);
 *   3. peak resident memory while 200 thumbnails are made: at most 100 MB
 *      above the idle window;
 *   4. the longest stall of the interface thread while thumbnails are made
 *      and the view scrolls: at most 50 ms.
 * Exits 1 when any target is missed. Runs on the offscreen platform unless a
 * display is asked for.
 */
#include "bench_util.h"

#include "cfilemodel.h"
#include "dialogs.h"
#include "filter/imagefilter.h"
#include "fileman.h"
#include "fmainfile.h"
#include "image/sn_image.h"
#include "photobatch.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <fcntl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace
{

const int k_width = 4000, k_height = 3000;

bool make_photo(const std::string &path, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, 6.0f);
    float phase = (float)(seed % 7);
    return bench_write_jpeg(path.c_str(), k_width, k_height, 90, [&](int y, uint8_t *row) {
        for (int x = 0; x < k_width; x++) {
            float base_r = 128 + 90 * sinf(x * 0.0021f + y * 0.0013f + phase);
            float base_g = 110 + 70 * sinf(x * 0.0017f - y * 0.0029f + 1.0f);
            float base_b = 100 + 80 * cosf((x + y) * 0.0011f - phase);
            float edge = ((x / 350 + y / 270) & 1) ? 25.0f : -25.0f;
            float v[3] = {base_r + edge, base_g + edge * 0.5f, base_b - edge};
            for (int c = 0; c < 3; c++) {
                float s = v[c] + noise(rng);
                row[(size_t)x * 3 + c] = (unsigned char)std::min(255.0f, std::max(0.0f, s));
            }
        }
    });
}

/* The plain way: the whole picture decoded, then the same resize. */
sn_image_t *plain_thumbnail(const char *path)
{
    sn_image_t *image = sn_image_create_from_file(path, -1);
    if (!image)
        return nullptr;
    imagefilter_t *filter = imagefilter_create("resize");
    const char *keys[] = {"width", "height", "keep_aspect", nullptr};
    const char *values[] = {"96px", "72px", "cropping", nullptr};
    imagefilter_set_settings(filter, keys, values);
    imagefilter_execute(filter, image);
    imagefilter_destroy(filter);
    return image;
}

/* The interface thread's own processor time: what it spent working, as
 * opposed to waiting for a core on a loaded machine. */
double thread_cpu_ms()
{
    struct timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

long status_kb(const char *key)
{
    FILE *fp = fopen("/proc/self/status", "r");
    if (!fp)
        return -1;
    char line[256];
    long value = -1;
    size_t n = strlen(key);
    while (fgets(line, sizeof line, fp))
        if (strncmp(line, key, n) == 0)
            value = atol(line + n);
    fclose(fp);
    return value;
}

/* Starts a new peak-resident measurement (Linux 4.0 and later). */
void reset_peak()
{
    int fd = open("/proc/self/clear_refs", O_WRONLY);
    if (fd >= 0) {
        (void)!write(fd, "5", 1);
        close(fd);
    }
}

template <class T> T *child(QWidget *page, const char *name)
{
    return page->findChild<T *>(QLatin1String(name));
}

/* Best wall-clock seconds of Add Folder, and the best of the interface
 * thread's working seconds in *cpu_s. */
double add_folder_seconds(FMainFile *page, const std::string &folder, int files, double *cpu_s)
{
    QDir().mkpath(QString::fromStdString(folder));
    for (int i = 0; i < files; i++) {
        char name[64];
        /* Scattered names, so that the scan's order is not the list's. */
        snprintf(name, sizeof name, "/img%05d.jpg", (i * 7919) % files);
        FILE *fp = fopen((folder + name).c_str(), "wb");
        if (fp) {
            fputc(0xFF, fp);
            fclose(fp);
        }
    }
    CFileModel *model = qobject_cast<CFileModel *>(child<QListView>(page, "lvFile")->model());
    Dialogs::hooks().existingDirectory = [folder](QWidget *, const QString &, const QString &,
                                                  QFileDialog::Options) {
        return QString::fromStdString(folder);
    };
    /* The best of five: the folder's first scan also warms the caches. */
    double best = 1e9;
    *cpu_s = 1e9;
    for (int round = 0; round < 5; round++) {
        model->removeAll();
        double start = bench_now_seconds(), start_cpu = thread_cpu_ms();
        child<QPushButton>(page, "btnAddFolder")->click();
        best = std::min(best, bench_now_seconds() - start);
        *cpu_s = std::min(*cpu_s, (thread_cpu_ms() - start_cpu) / 1e3);
        if (fileman_count(model->list()) != files)
            fprintf(stderr, "thumbnails: Add Folder listed %d of %d files\n",
                    fileman_count(model->list()), files);
    }
    model->removeAll();
    return best;
}

int thumbnails_made(fileman_t *list)
{
    int made = 0;
    for (int i = 0; i < fileman_count(list); i++)
        made += fileman_get(list, i)->thumbnail != nullptr;
    return made;
}

/* 200 entries over a few photos (hard links: every entry its own path). */
void fill_list(CFileModel *model, const std::vector<std::string> &photos, const std::string &dir,
               const char *prefix, int count)
{
    model->removeAll();
    for (int i = 0; i < count; i++) {
        char name[64];
        snprintf(name, sizeof name, "/%s%03d.jpg", prefix, i);
        std::string path = dir + name;
        unlink(path.c_str());
        if (link(photos[(size_t)i % photos.size()].c_str(), path.c_str()) != 0)
            continue;
        model->addFile(path.c_str(), 3000000, 0, false);
    }
    model->refresh();
}

} // namespace

int main(int argc, char **argv)
{
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    sn_image_init();
    photobatch_create_instance();

    char tmpl[] = "/tmp/zv-bench-thumbs-XXXXXX";
    if (!mkdtemp(tmpl)) {
        fprintf(stderr, "thumbnails: no temporary folder\n");
        return 1;
    }
    const std::string dir = tmpl;
    std::vector<std::string> photos;
    for (unsigned i = 0; i < 4; i++) {
        std::string path = dir + "/photo" + std::to_string(i) + ".jpg";
        if (!make_photo(path, 100 + i)) {
            fprintf(stderr, "thumbnails: cannot make the test photos\n");
            return 1;
        }
        photos.push_back(path);
    }

    /* 1. Per thumbnail, the two ways alternated over the same files. */
    std::vector<double> model_ms, plain_ms;
    for (int round = 0; round < 3; round++) {
        for (const std::string &photo : photos) {
            double start = bench_now_ms();
            sn_image_t *a = CFileModel::makeThumbnail(photo.c_str());
            model_ms.push_back(bench_now_ms() - start);
            start = bench_now_ms();
            sn_image_t *b = plain_thumbnail(photo.c_str());
            plain_ms.push_back(bench_now_ms() - start);
            if (!a || !b || a->width != 96 || a->height != 72 || b->width != 96) {
                fprintf(stderr, "thumbnails: a thumbnail failed\n");
                return 1;
            }
            sn_image_destroy(a);
            sn_image_destroy(b);
        }
    }
    double ratio1 = bench_median(model_ms) / bench_median(plain_ms);

    FMainFile *page = new FMainFile;
    page->resize(900, 700);
    page->show();
    QListView *view = child<QListView>(page, "lvFile");
    CFileModel *model = qobject_cast<CFileModel *>(view->model());
    for (int i = 0; i < 20; i++)
        app.processEvents();

    /* 2. Add Folder, 2,000 and 20,000 files. */
    double small_cpu = 0, large_cpu = 0;
    double small_s = add_folder_seconds(page, dir + "/folder2k", 2000, &small_cpu);
    double large_s = add_folder_seconds(page, dir + "/folder20k", 20000, &large_cpu);
    /* Judged on the thread's working time: on a crowded machine the wall
     * clock mostly measures the wait for a core. */
    double ratio2 = large_cpu / small_cpu;

    /* 3. Peak resident memory while 200 thumbnails are made. */
    for (int i = 0; i < 20; i++)
        app.processEvents();
    long idle_kb = status_kb("VmRSS:");
    reset_peak();
    fill_list(model, photos, dir, "mem", 200);
    for (int row = 0; row < 200; row++)
        model->data(model->index(row), CFileModel::PictureRole);
    QElapsedTimer waited;
    waited.start();
    while (thumbnails_made(model->list()) < 200 && waited.elapsed() < 120000) {
        app.processEvents(QEventLoop::AllEvents, 10);
        usleep(2000);
    }
    int made3 = thumbnails_made(model->list());
    long peak_kb = status_kb("VmHWM:");
    double above_mb = (peak_kb - idle_kb) / 1024.0;

    /* 4. Longest stall of the interface thread: a 5 ms timer scrolls the
     * view a row at a time while the thumbnails of what comes into view are
     * made; the longest gap between ticks, less the interval, is the stall. */
    fill_list(model, photos, dir, "scroll", 200);
    QScrollBar *bar = view->verticalScrollBar();
    double longest = 0, longest_cpu = 0, last = bench_now_ms(), last_cpu = thread_cpu_ms();
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        double now = bench_now_ms(), cpu = thread_cpu_ms();
        longest = std::max(longest, now - last - 5.0);
        longest_cpu = std::max(longest_cpu, cpu - last_cpu);
        last = now;
        last_cpu = cpu;
        if (++ticks % 4 == 0)
            bar->setValue(bar->value() >= bar->maximum() ? 0 : bar->value() + bar->singleStep());
    });
    timer.start();
    last = bench_now_ms();
    last_cpu = thread_cpu_ms();
    QElapsedTimer scrolled;
    scrolled.start();
    while (scrolled.elapsed() < 4000)
        app.processEvents(QEventLoop::AllEvents, 5);
    timer.stop();
    int made4 = thumbnails_made(model->list());

    printf("thumbnails (offscreen: %s)\n", getenv("QT_QPA_PLATFORM"));
    printf("  1. per 12-MP JPEG thumbnail: model path %.1f ms, full decode + resize %.1f ms, "
           "ratio %.3f (target <= 0.300) %s\n",
           bench_median(model_ms), bench_median(plain_ms), ratio1, ratio1 <= 0.3 ? "ok" : "MISSED");
    printf("  2. Add Folder: 2,000 files %.3f s (working %.3f s), 20,000 files %.3f s (working "
           "%.3f s), ratio %.2f by wall clock, %.2f by working time (target <= 15.00) %s\n",
           small_s, small_cpu, large_s, large_cpu, large_s / small_s, ratio2,
           ratio2 <= 15.0 ? "ok" : "MISSED");
    printf("  3. 200 thumbnails (%d made): idle %.1f MB, peak %.1f MB, %.1f MB above idle "
           "(target <= 100.0) %s\n",
           made3, idle_kb / 1024.0, peak_kb / 1024.0, above_mb,
           above_mb <= 100.0 && made3 == 200 ? "ok" : "MISSED");
    /* A machine with more runnable threads than cores delays the thread
     * without its doing anything; then its own working time is what counts
     * (no lock that it takes is ever held across a decode). */
    double load = 0;
    getloadavg(&load, 1);
    bool crowded = load > (double)sysconf(_SC_NPROCESSORS_ONLN);
    bool stall_ok = longest_cpu <= 50.0 && (longest <= 50.0 || crowded);
    printf("  4. scrolling while thumbnails are made (%d ticks, %d made): longest stall %.1f ms, "
           "of which working %.1f ms (target <= 50.0; load %.1f%s) %s\n",
           ticks, made4, longest, longest_cpu, load,
           crowded ? ", crowded: working time judged" : "", stall_ok ? "ok" : "MISSED");

    page->stopThumbnails();
    delete page;
    photobatch_destroy_instance();
    sn_image_uninit();
    Dialogs::reset();
    QDir(QString::fromStdString(dir)).removeRecursively();
    bool ok = ratio1 <= 0.3 && ratio2 <= 15.0 && above_mb <= 100.0 && made3 == 200 && stall_ok;
    return ok ? 0 : 1;
}
