// FMainProcess: the Step 4 page, the batch run with its log and progress.
// Start, pause, resume and cancel steer the batch engine; each report of the
// batch worker becomes one log line for the view and the log file, carried
// to the interface thread by a queued signal.
#ifndef FMAINPROCESS_H
#define FMAINPROCESS_H

#include <stdint.h>
#include <stdio.h>

#include <atomic>
#include <functional>

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "fileman.h"
#include "outputconfig.h"
#include "photobatch.h"

class QTimer;
template <class Target> class WorkerRelay;
struct imagefilter;
typedef struct imagefilter imagefilter_t;

namespace Ui
{
class UFMainProcess;
}

// The clock of the log file's flush, in whole seconds; tests put in their
// own. Null restores the wall clock.
void fmainprocess_set_clock(int64_t (*clock)(void));

class FMainProcess : public QWidget
{
    Q_OBJECT

public:
    // Fills the list with the run's filters, the pipeline's edits that still
    // wait for their deferred apply applied first; the window hands in what
    // lists them from the Step 2 page. Only their number is used: the worker
    // configures each for its file.
    typedef std::function<void(QList<imagefilter_t *> &filters)> FilterBuilder;
    // The tabs that the page sends the user to.
    enum Step { StepFiles = 0, StepOutput = 2 };

    explicit FMainProcess(FilterBuilder buildFilters, QWidget *parent = nullptr,
                          Qt::WindowFlags flags = Qt::WindowFlags());
    ~FMainProcess() override;

    // (Re)opens the log file named by the settings and applies the line limit.
    bool openLogFile();
    // One report of the batch worker, on its thread; text lives only during
    // the call.
    void onBatchEvent(int event, intptr_t argument, const char *text);
    // Shows and writes every line the worker reported so far. The shutdown
    // calls it once the worker has stopped: its last lines are still queued
    // then, and the event loop that would deliver them has ended.
    void takeReports();
    // Writes out and closes the log file, for an end of the process without
    // this page's destruction.
    void closeLogFile();

signals:
    // A line was reported, in the markup of the view.
    void logUpdate(const QString &msg);
    void statusChanged();
    void progressChanged(int current);
    // The batch left or entered idle; the window hands it to every page.
    void busyChanged(bool busy);
    // The user is sent to a step (a Step) to set what the run lacks; the
    // window shows its tab.
    void showStep(int step);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_btnStartClicked();
    void on_btnCancelClicked();
    void on_btnOpenOutputFolderClicked();
    void on_logUpdate(const QString &msg);
    void on_statusChanged();
    void on_progressChanged(int current);
    void on_btnCopyClicked();
    void on_btnClearClicked();
    void on_chkDisableLogToggled(bool checked);
    void onTimer();
    void onShowPending();

private:
    void startBatch();
    bool engineAlive() const;
    void showLines(int budgetMs);
    void writeLine(const QString &msg);

    Ui::UFMainProcess *m_ui = nullptr;
    FilterBuilder m_buildFilters;
    photobatch_t *m_batch = nullptr;
    outputconfig_t *m_config = nullptr;
    fileman_t *m_list = nullptr;
    // Written on the interface thread before Start, read by the worker.
    std::atomic<int> m_filterCount{0};
    // The run's files that failed, counted by the worker's reports alone.
    int m_failedFiles = 0;
    bool m_fileFailed = false;
    FILE *m_logFile = nullptr;
    QTimer *m_timer = nullptr;
    int64_t m_firstUnflushed = 0;
    // Lines waiting for the view: a burst of reports is shown a slice at a
    // time so that the interface never waits on the view for long.
    QStringList m_pending;
    QTimer *m_showTimer = nullptr;
    // What the batch worker reports through.
    WorkerRelay<FMainProcess> *m_relay = nullptr;
    bool m_busy = false;
};

#endif
