// FMainWorkflow: the Step 2 page. It owns the pipeline of operations under
// the pipeline mutex, shows it on the strip with the settings of the
// selected operation, answers the workers' filter-list callbacks, writes and
// reads the pipeline part of profiles, and owns the stage preview.
#ifndef FMAINWORKFLOW_H
#define FMAINWORKFLOW_H

#include "operation.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <stdint.h>

struct imagefilter;
typedef struct imagefilter imagefilter_t;
struct preview;
typedef struct preview preview_t;
struct sn_thread_mutex;
typedef struct sn_thread_mutex sn_thread_mutex_t;

namespace Ui
{
class UFMainWorkflow;
}
class CWidgetWorkflow;
class COperationWidget_guide;
template <class Target> class WorkerRelay;

class FMainWorkflow : public QWidget
{
    Q_OBJECT

public:
    explicit FMainWorkflow(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~FMainWorkflow() override;

    // Creates an operation of the kind and inserts it at index; params (or
    // null) are a profile's pairs for it.
    void insertOperation(const char *name, int index, const OperationParamList *params);
    // Every operation's edit that still waits for its deferred apply is
    // applied now.
    void applyPendingEdits();
    // The pipeline part of a profile, with the pending edits applied first.
    bool saveProfile(const QString &path);
    bool loadProfile(const QString &path);
    // The kept filters of the pipeline for one file, the index-th of the
    // list (-1 for none) that a text's counter counts with (batch worker).
    void buildFilters(const QString &sourcePath, QList<imagefilter_t *> &filters, int index = -1);
    // The same kept filters, left as they are: what the Step 4 page counts
    // before a run, without drawing a text on the interface thread.
    void listFilters(QList<imagefilter_t *> &filters);
    // New filters, one per operation (preview worker).
    void buildPreviewFilters(const QString &sourcePath, QList<imagefilter_t *> &filters,
                             int index = -1);
    // The preview re-checks the current file.
    void updatePreviewFile();
    // Stops the preview worker, waiting up to timeoutMs; once, at shutdown.
    // False when it is still inside a filter: the operations then stay.
    bool stopPreview(int timeoutMs = 5000);

    // The pipeline as the interface thread sees it (read without the mutex).
    const QList<CAbstractOperation *> &operations() const
    {
        return m_operations;
    }
    int selectedIndex() const
    {
        return m_selected;
    }
    preview_t *previewEngine() const
    {
        return m_preview;
    }

signals:
    // The stage the preview widget is to show.
    void previewChanged(int index);
    // Emitted on the preview worker, delivered queued: a run's stage loop
    // ended, or stage was stored.
    void previewRunEnded();
    void previewStageDone(int stage);

public slots:
    // While the batch is not idle the pipeline's structure stays as it is.
    void setBusy(bool busy);

private slots:
    void on_btnRemoveClicked();
    void on_btnAddClicked();
    void on_btnMoveRightClicked();
    void on_btnMoveLeftClicked();
    void on_CurrentIndexChanged(int index);
    void on_MoveRequested(int oldIndex, int newIndex);
    void on_btnPreviewRefreshClicked();
    void on_btnPreviewFitWindowClicked();
    void on_btnPreviewFullSizeClicked();
    void on_btnPreviewZoomInClicked();
    void on_btnPreviewZoomOutClicked();
    void on_btnPreviewPreviousClicked();
    void on_btnPreviewNextClicked();
    void on_twPreviewCurrentChanged(int index);
    void on_previewRunEnded();

protected:
    void timerEvent(QTimerEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The test inserts operations of kinds of its own (insertCreated): the
    // registry makes only the real ones.
    friend class FMainWorkflowTest;

    // Sizes the settings pane and the panel shown in it.
    void fitSettings(QWidget *shown);
    // The strip's area: the strip whole, and room for its scroll bar.
    void fitStripArea();

    // insertOperation from step 2 on, for an operation already made.
    void insertCreated(CAbstractOperation *operation, int index, const OperationParamList *params);
    static void operationChangedCallback(void *context, CAbstractOperation *operation);
    static void batchFiltersCallback(void *owner, const QString &path, int index,
                                     QList<imagefilter_t *> &filters);
    static void previewFiltersCallback(void *owner, const QString &path, int index,
                                       QList<imagefilter_t *> &filters);
    static void previewStatusCallback(void *owner, int event, intptr_t value1, intptr_t value2);

    void updateOperationView();
    // The stage that the visible tab stands for; -1 for no tab.
    int visibleStage() const;
    // Deletes operations that have left the pipeline once no preview run can
    // still hold filters made from them; until then they are kept hidden and
    // looked at again on a short timer, so that the interface never waits
    // for the worker.
    void retire(const QList<CAbstractOperation *> &operations);
    void deleteRetired();
    void showUnknownKind();

    Ui::UFMainWorkflow *m_ui;
    int m_selected = -1;
    CWidgetWorkflow *m_strip = nullptr;
    COperationWidget_guide *m_guide = nullptr;
    QList<CAbstractOperation *> m_operations;
    sn_thread_mutex_t *m_mutex = nullptr;
    preview_t *m_preview = nullptr;
    bool m_resizePending = false;
    int m_timerId = 0;
    int64_t m_resizeTime = 0;

    QList<CAbstractOperation *> m_retired;
    int m_retireTimerId = 0;
    // What the preview worker calls back through.
    WorkerRelay<FMainWorkflow> *m_relay = nullptr;
    bool m_busy = false;
    // The preview worker did not end: nothing it may touch is ever freed.
    bool m_workerLeftRunning = false;
    // While a profile loads, one unknown kind's box stands for all of them.
    int m_loadingProfile = 0;
    bool m_unknownShown = false;
};

#endif
