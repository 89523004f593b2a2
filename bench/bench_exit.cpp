/*
 * Exit time: from the moment the main window has gone (its close button
 * clicked) to the moment the process has ended, for the real program in
 * child processes, with 24-megapixel photos listed and a log file set:
 * idle, just after a run, and during a run. Targets: 0.3 s idle and 0.5 s
 * when a run is or was going, in the median of the rounds. Each child's log
 * file is read afterwards: its run's last line must be there.
 */
#include "bench_child.h"

#include "appsettings.h"
#include "dialogs.h"
#include "fmain.h"
#include "fmainfile.h"
#include "fmainoutput.h"
#include "fmainprocess.h"
#include "fmainworkflow.h"
#include "outputconfig.h"
#include "photobatch.h"
#include "startup.h"

#include <stdlib.h>
#include <string.h>

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <string>
#include <vector>

static const int k_rounds = 5;
static const int k_photos = 3;
/* 6000 x 4000: a 24-megapixel camera's frame. */
static const int k_photo_width = 6000, k_photo_height = 4000;
/* Listed photos get their thumbnails and the preview its first file before
 * the user, idle, closes the window. */
static const int k_idle_wait_ms = 3000;
/* During a run the window is closed this long after the run started: the
 * worker is inside its first 24-MP file. */
static const int k_into_run_ms = 400;
static const double k_idle_target_ms = 300, k_run_target_ms = 500;

namespace
{

struct Mode {
    const char *name;
    const char *arg;
    double target_ms;
    /* The line the log file must end with, as the Step 4 page writes it. */
    const char *last_line;
};

const Mode k_modes[] = {
    {"idle", "--idle", k_idle_target_ms, nullptr},
    {"just after a run", "--after-run", k_run_target_ms, "Processing completed"},
    {"during a run", "--during-run", k_run_target_ms, "Processing canceled"},
};

/* Says when the window it watches is hidden: that is when it is gone for
 * the user. */
class GoneProbe : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Hide) {
            m_seen = true;
            printf("gone %.3f\n", bench_now_ms());
            fflush(stdout);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

void close_as_a_person_does(FMain &window)
{
    QPushButton *close = window.findChild<QPushButton *>(QStringLiteral("btnTBClose"));
    if (close)
        close->click();
    else
        window.close();
}

int child(int argc, char **argv, const std::string &mode, const std::string &folder)
{
    StartupHooks hooks;
    hooks.applicationCreated = [&folder]() {
        const std::string log = folder + "/zandrevik.log";
        qstrncpy(g_appsettings.log_filename, log.c_str(), sizeof g_appsettings.log_filename);
        /* The list is not asked about at the close, nor the empty pipeline. */
        g_appsettings.disable_all_confirms = 1;
        QStringList photos;
        for (int i = 0; i < k_photos; i++)
            photos << QString::fromStdString(folder + "/photo" + std::to_string(i) + ".jpg");
        Dialogs::hooks().openFileNames = [photos](QWidget *, const QString &, const QString &,
                                                  const QString &) { return photos; };
    };
    hooks.shown = [mode, folder](FMain &window) {
        window.installEventFilter(new GoneProbe);
        outputconfig_t *config = photobatch_get_outputconfig(photobatch_get_instance());
        const std::string out = folder + "/out";
        outputconfig_lock(config);
        qstrncpy(config->output_folder, out.c_str(), sizeof config->output_folder);
        config->use_source_folder = 0;
        outputconfig_unlock(config);
        window.outputPage()->loadConfig();
        window.workflowPage()->insertOperation("gray", 0, nullptr);
        window.filePage()->findChild<QPushButton *>(QStringLiteral("btnAddPic"))->click();
        // The user looks at Step 2 once, so the preview has the file too.
        window.tabWidget()->setCurrentIndex(1);
        QPushButton *start =
            window.processPage()->findChild<QPushButton *>(QStringLiteral("btnStart"));
        if (mode == "--idle") {
            QTimer::singleShot(k_idle_wait_ms, &window,
                               [&window]() { close_as_a_person_does(window); });
            return;
        }
        QTimer::singleShot(k_idle_wait_ms, &window, [&window, start, mode]() {
            if (mode == "--during-run") {
                QObject::connect(&window, &FMain::busyChanged, &window, [&window](bool busy) {
                    if (busy)
                        QTimer::singleShot(k_into_run_ms, &window,
                                           [&window]() { close_as_a_person_does(window); });
                });
            } else {
                QObject::connect(&window, &FMain::busyChanged, &window, [&window](bool busy) {
                    if (!busy)
                        QTimer::singleShot(200, &window,
                                           [&window]() { close_as_a_person_does(window); });
                });
            }
            start->click();
        });
    };
    return runApplication(argc, argv, hooks);
}

/* Runs one child in mode over folder; the milliseconds from its window gone
 * to its end, or -1. */
double spawn_child(const std::string &self, const char *mode, const std::string &folder)
{
    double gone = -1;
    const BenchChild run = bench_run_child(
        {self, mode, folder}, [&gone](const char *line) { sscanf(line, "gone %lf", &gone); });
    if (!run.ok || gone < 0)
        return -1;
    return run.ended_ms - gone;
}

/* The last non-empty line of the log file starts with what the mode's
 * run ends with. */
bool log_ends_well(const std::string &path, const char *last_line)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return last_line == nullptr;
    std::string last;
    char line[4096];
    while (fgets(line, sizeof line, f)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        if (!text.empty())
            last = text;
    }
    fclose(f);
    return !last_line || last.compare(0, strlen(last_line), last_line) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && strncmp(argv[1], "--", 2) == 0)
        return child(1, argv, argv[1], argv[2]);

    std::string data, self;
    if (!bench_child_setup("bench_exit", &data, &self))
        return 1;

    const std::string photos = std::string(data) + "/photos";
    if (system(("mkdir -p '" + photos + "'").c_str()) != 0)
        return 1;
    for (int i = 0; i < k_photos; i++)
        if (!bench_write_photo(photos + "/photo" + std::to_string(i) + ".jpg", (unsigned)i,
                               k_photo_width, k_photo_height)) {
            fprintf(stderr, "bench_exit: cannot write the photos\n");
            return 1;
        }

    bool met = true, logs = true;
    printf("exit time, window gone to process ended (median of %d, offscreen, %d photos of "
           "%d x %d listed, a log file set):\n",
           k_rounds, k_photos, k_photo_width, k_photo_height);
    for (const Mode &mode : k_modes) {
        std::vector<double> times;
        for (int round = 0; round < k_rounds; round++) {
            system(("rm -rf '" + photos + "/out' '" + photos + "/zandrevik.log'").c_str());
            const double ms = spawn_child(self, mode.arg, photos);
            if (ms < 0) {
                fprintf(stderr, "bench_exit: a child failed (%s)\n", mode.name);
                return 1;
            }
            if (!log_ends_well(photos + "/zandrevik.log", mode.last_line))
                logs = false;
            times.push_back(ms);
        }
        const double median = bench_median(times);
        const double worst = *std::max_element(times.begin(), times.end());
        const bool ok = median <= mode.target_ms;
        met = met && ok;
        printf("  %-17s %7.1f ms (slowest %.1f ms; target <= %.0f ms, %.2f x it): %s\n", mode.name,
               median, worst, mode.target_ms, median / mode.target_ms, ok ? "met" : "MISSED");
    }
    printf("log file's last line after each exit: %s\n",
           logs ? "as written by the run" : "MISSING");
    bench_child_cleanup("bench_exit", data);
    return met && logs ? 0 : 1;
}
