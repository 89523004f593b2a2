// FMainWorkflow: the pipeline and its changes, the settings view, the
// filter lists of the two workers, and the stage shown by the preview (the
// profile's operation sessions are in fmainworkflowprofile.cpp).
#include "fmainworkflow.h"

#include "base/sn_log.h"
#include "base/sn_thread.h"
#include "coperationwidgetguide.h"
#include "cwidgetworkflow.h"
#include "filter/imagefilter.h"
#include "foperationselect.h"
#include "photobatch.h"
#include "preview.h"
#include "stamptext.h"
#include "stylemsg.h"
#include "ui_fmainworkflow.h"
#include "workerrelay.h"

#include <QEvent>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>

namespace
{

// How often operations out of the pipeline look for the preview worker to be
// done with their filters.
const int k_retireTickMs = 10;
const int k_relayoutTickMs = 50;
const int k_relayoutDelayMs = 30;

} // namespace

// The preview worker's relay outlives the page when the worker does not end,
// so that a late call finds no page instead of a freed one.
typedef WorkerRelay<FMainWorkflow> PreviewRelay;

FMainWorkflow::FMainWorkflow(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_ui(new Ui::UFMainWorkflow)
{
    m_ui->setupUi(this);
    m_selected = -1;
    m_ui->frmLine1->setProperty("IsLine", true);
    m_ui->frmLine2->setProperty("IsLine", true);

    m_strip = new CWidgetWorkflow(&m_operations, m_ui->saWorkflow);
    m_strip->setObjectName(QStringLiteral("widgetWorkflowStrip"));
    m_ui->saWorkflow->setWidget(m_strip);
    m_ui->saWorkflow->setStyleSheet(QStringLiteral("background-color: transparent;"));
    // The area holds the whole strip inside its frame, and grows by the
    // horizontal scroll bar while a long pipeline needs it, so that the bar
    // never covers the titles.
    m_ui->saWorkflow->horizontalScrollBar()->installEventFilter(this);
    fitStripArea();

    connect(m_ui->btnAdd, &QPushButton::clicked, this, &FMainWorkflow::on_btnAddClicked);
    connect(m_ui->btnRemove, &QPushButton::clicked, this, &FMainWorkflow::on_btnRemoveClicked);
    connect(m_ui->btnMoveLeft, &QPushButton::clicked, this, &FMainWorkflow::on_btnMoveLeftClicked);
    connect(m_ui->btnMoveRight, &QPushButton::clicked, this,
            &FMainWorkflow::on_btnMoveRightClicked);
    connect(m_strip, &CWidgetWorkflow::CurrentIndexChanged, this,
            &FMainWorkflow::on_CurrentIndexChanged);
    connect(m_strip, &CWidgetWorkflow::MoveRequested, this, &FMainWorkflow::on_MoveRequested);
    connect(m_ui->twPreview, &QTabWidget::currentChanged, this,
            &FMainWorkflow::on_twPreviewCurrentChanged);
    connect(this, &FMainWorkflow::previewChanged, m_ui->widgetPreview,
            &QWidgetPreview::on_previewChange);
    connect(m_ui->btnPreviewPrevious, &QToolButton::clicked, this,
            &FMainWorkflow::on_btnPreviewPreviousClicked);
    connect(m_ui->btnPreviewNext, &QToolButton::clicked, this,
            &FMainWorkflow::on_btnPreviewNextClicked);
    connect(m_ui->btnPreviewRefresh, &QToolButton::clicked, this,
            &FMainWorkflow::on_btnPreviewRefreshClicked);
    connect(m_ui->btnPreviewFitWindow, &QToolButton::clicked, this,
            &FMainWorkflow::on_btnPreviewFitWindowClicked);
    connect(m_ui->btnPreviewFullSize, &QToolButton::clicked, this,
            &FMainWorkflow::on_btnPreviewFullSizeClicked);
    connect(m_ui->btnPreviewZoomIn, &QToolButton::clicked, this,
            &FMainWorkflow::on_btnPreviewZoomInClicked);
    connect(m_ui->btnPreviewZoomOut, &QToolButton::clicked, this,
            &FMainWorkflow::on_btnPreviewZoomOutClicked);
    // The worker emits this bare; the stage is chosen here, on the interface
    // thread, which alone owns the tab, the selection and the count.
    connect(this, &FMainWorkflow::previewRunEnded, this, &FMainWorkflow::on_previewRunEnded,
            Qt::QueuedConnection);

    m_guide = new COperationWidget_guide(m_ui->widgetConfigContent);
    // The scroll area sizes the pane; the shown panel follows it.
    m_ui->widgetConfigContent->installEventFilter(this);
    updateOperationView();

    m_mutex = sn_thread_mutex_create();
    photobatch_set_filter_callback(photobatch_get_instance(), batchFiltersCallback, this);

    m_relay = new PreviewRelay(this);
    m_preview = preview_create(previewStatusCallback, previewFiltersCallback, m_relay);
    if (m_preview)
        preview_enable(m_preview);
    m_ui->widgetPreview->setPreview(m_preview);

    on_twPreviewCurrentChanged(m_ui->twPreview->currentIndex());

    m_resizePending = false;
    m_timerId = startTimer(k_relayoutTickMs);

    m_ui->chkStopRefresh->hide();
    m_ui->btnPreviewRefresh->hide();
    m_ui->btnPreviewFitWindow->hide();
    m_ui->btnPreviewFullSize->hide();
    m_ui->btnPreviewZoomIn->hide();
    m_ui->btnPreviewZoomOut->hide();
    m_ui->hsPreviewZoom->changeSize(0, 0);
    m_ui->hsPreviewBrowse->changeSize(0, 0);
}

FMainWorkflow::~FMainWorkflow()
{
    stopPreview();
    // A hook set over this page's callback (a test's) stays.
    photobatch_clear_filter_callback(photobatch_get_instance(), this);

    m_relay->detach();
    if (m_workerLeftRunning) {
        // The worker may still run filters made from these operations and
        // call back through the relay: the relay stays, without its page, and
        // so do the operations and the mutex.
        m_operations.clear();
        m_retired.clear();
    } else {
        qDeleteAll(m_operations);
        m_operations.clear();
        qDeleteAll(m_retired);
        m_retired.clear();
        sn_thread_mutex_destroy(m_mutex);
        delete m_relay;
    }
    m_mutex = nullptr;
    m_relay = nullptr;
    delete m_ui;
}

bool FMainWorkflow::stopPreview(int timeoutMs)
{
    if (!m_preview)
        return !m_workerLeftRunning;
    // The display lets go of the engine first: a stage it is copying ends.
    m_ui->widgetPreview->setPreview(nullptr);
    if (preview_destroy(m_preview, timeoutMs) != 0)
        m_workerLeftRunning = true;
    m_preview = nullptr;
    if (!m_workerLeftRunning) {
        qDeleteAll(m_retired);
        m_retired.clear();
    }
    return !m_workerLeftRunning;
}

void FMainWorkflow::updatePreviewFile()
{
    if (m_preview)
        preview_update_file(m_preview);
}

void FMainWorkflow::setBusy(bool busy)
{
    m_busy = busy;
    m_ui->btnAdd->setEnabled(!busy);
    m_ui->btnRemove->setEnabled(!busy);
    m_ui->btnMoveLeft->setEnabled(!busy);
    m_ui->btnMoveRight->setEnabled(!busy);
    m_strip->setDragEnabled(!busy);
}

// ---- the settings view and the stages -------------------------------------

void FMainWorkflow::updateOperationView()
{
    const bool none = m_selected < 0 || m_selected >= m_operations.count();
    if (none) {
        m_guide->show();
        fitSettings(m_guide);
        m_ui->lbConfigDesc->setText(tr("Guide"));
    }
    for (int i = 0; i < m_operations.count(); i++) {
        CAbstractOperation *operation = m_operations.at(i);
        if (i == m_selected) {
            m_guide->hide();
            QWidget *widget = operation->getWidget(m_ui->widgetConfigContent);
            widget->show();
            fitSettings(widget);
            const operation_info_t *info = operation->info();
            m_ui->lbConfigDesc->setText(
                info ? info->title() + QStringLiteral(": ") + info->description() : QString());
        } else if (operation->widget()) {
            operation->widget()->hide();
        }
    }
}

void FMainWorkflow::fitSettings(QWidget *shown)
{
    // The pane is as large as its scroll area shows, but never smaller than
    // the panel needs: a small window scrolls the panel instead of laying
    // its controls over each other. Wrapped text needs its height at the
    // width it gets.
    QWidget *pane = m_ui->widgetConfigContent;
    QSize needed = shown->minimumSizeHint().expandedTo(QSize(0, 0));
    if (shown->hasHeightForWidth()) {
        const int width = qMax(m_ui->saConfigContent->viewport()->width(), needed.width());
        needed.setHeight(shown->heightForWidth(width));
    }
    pane->setMinimumSize(needed);
    // The preview beside gives way to the panel: the area is never narrower
    // than the panel and the vertical bar that a low window may need.
    QScrollArea *area = m_ui->saConfigContent;
    area->setMinimumWidth(needed.width() + 2 * area->frameWidth() +
                          area->verticalScrollBar()->sizeHint().width());
    shown->resize(pane->size());
}

void FMainWorkflow::fitStripArea()
{
    QScrollArea *area = m_ui->saWorkflow;
    QScrollBar *bar = area->horizontalScrollBar();
    area->ensurePolished();
    int height = m_strip->maximumHeight() + 2 * area->frameWidth();
    if (bar->isVisibleTo(area))
        height += bar->sizeHint().height();
    area->setFixedHeight(height);
}

bool FMainWorkflow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->widgetConfigContent && event->type() == QEvent::Resize) {
        m_resizeTime = current_time_ms();
        m_resizePending = true;
    } else if (watched == m_ui->saWorkflow->horizontalScrollBar() &&
               (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        fitStripArea();
    }
    return QWidget::eventFilter(watched, event);
}

int FMainWorkflow::visibleStage() const
{
    switch (m_ui->twPreview->currentIndex()) {
    case 0:
        return 0;
    case 1:
        return m_selected + 1;
    case 2:
        return m_operations.count();
    default:
        return -1;
    }
}

void FMainWorkflow::on_twPreviewCurrentChanged(int index)
{
    (void)index; // the tab visible now decides, as in the status callback
    const int stage = visibleStage();
    if (stage < 0)
        return;
    if (m_preview)
        preview_set_stage(m_preview, stage);
    emit previewChanged(stage);
}

void FMainWorkflow::on_previewRunEnded()
{
    deleteRetired();
    const int stage = visibleStage();
    if (stage >= 0)
        emit previewChanged(stage);
}

void FMainWorkflow::on_CurrentIndexChanged(int index)
{
    m_selected = index;
    m_strip->setCurrentIndex(index);
    if (m_ui->twPreview->currentIndex() == 1) {
        if (m_preview)
            preview_set_stage(m_preview, index + 1);
        emit previewChanged(index + 1);
    }
    updateOperationView();
}

// ---- changes of the pipeline ----------------------------------------------

void FMainWorkflow::showUnknownKind()
{
    if (m_loadingProfile > 0) {
        if (m_unknownShown)
            return;
        m_unknownShown = true;
    }
    StyleMsg::critical(this, tr("Zandrevik"), QStringLiteral("internal ERROR! filter is NULL!"),
                       QDialogButtonBox::Ok);
}

void FMainWorkflow::insertOperation(const char *name, int index, const OperationParamList *params)
{
    const operation_info_t *info =
        name ? operation_registry_find(QString::fromUtf8(name)) : nullptr;
    CAbstractOperation *operation = info && info->create ? info->create() : nullptr;
    if (!operation) {
        showUnknownKind();
        return;
    }
    insertCreated(operation, index, params);
}

void FMainWorkflow::insertCreated(CAbstractOperation *operation, int index,
                                  const OperationParamList *params)
{
    operation->setChangeCallback(operationChangedCallback, this);
    operation->getWidget(m_ui->widgetConfigContent);
    if (params)
        operation->setParams(*params);

    sn_thread_mutex_lock(m_mutex);
    if (index <= 0)
        m_operations.prepend(operation);
    else if (index >= m_operations.count())
        m_operations.append(operation);
    else
        m_operations.insert(index, operation);
    sn_thread_mutex_unlock(m_mutex);

    updateOperationView();
    on_twPreviewCurrentChanged(m_ui->twPreview->currentIndex());
    // A profile's operations come one after another: none of them waits for
    // the worker to take its interrupt.
    if (m_preview)
        preview_invalidate(m_preview, index + 1, m_loadingProfile > 0 ? -1 : 1);
    on_CurrentIndexChanged(index);
}

void FMainWorkflow::retire(const QList<CAbstractOperation *> &operations)
{
    for (CAbstractOperation *operation : operations) {
        if (operation->widget())
            operation->widget()->hide();
        m_retired.append(operation);
    }
    deleteRetired();
    if (!m_retired.isEmpty() && !m_retireTimerId && !m_workerLeftRunning)
        m_retireTimerId = startTimer(k_retireTickMs);
}

void FMainWorkflow::deleteRetired()
{
    if (m_retired.isEmpty() || m_workerLeftRunning)
        return;
    // They are out of the list already, so a run that begins now cannot get
    // their filters; only a run that began before may still hold some, and
    // it is only looked at, never waited for.
    if (m_preview && preview_wait_idle(m_preview, 0) != 0)
        return;
    qDeleteAll(m_retired);
    m_retired.clear();
}

void FMainWorkflow::on_btnAddClicked()
{
    if (m_busy)
        return;
    QString name;
    FOperationSelect dialog(&name, this);
    if (dialog.exec() != QDialog::Accepted || name.isEmpty())
        return;
    const bool selected = m_selected >= 0 && m_selected < m_operations.count();
    insertOperation(name.toUtf8().constData(), selected ? m_selected + 1 : m_operations.count(),
                    nullptr);
}

void FMainWorkflow::on_btnRemoveClicked()
{
    if (m_busy || m_selected < 0 || m_selected >= m_operations.count())
        return;
    sn_thread_mutex_lock(m_mutex);
    CAbstractOperation *operation = m_operations.takeAt(m_selected);
    sn_thread_mutex_unlock(m_mutex);
    const int from = m_selected + 1;

    if (m_selected >= m_operations.count())
        on_CurrentIndexChanged(m_operations.count() - 1);
    m_strip->setCurrentIndex(m_selected);
    updateOperationView();
    on_twPreviewCurrentChanged(m_ui->twPreview->currentIndex());
    // The run in progress is cut before its next stage, unwaited; the removed
    // operation goes once that run has let its filters go.
    if (m_preview)
        preview_invalidate(m_preview, from, -1);
    retire({operation});
}

void FMainWorkflow::on_MoveRequested(int oldIndex, int newIndex)
{
    const int count = m_operations.count();
    if (m_busy || oldIndex == newIndex || oldIndex < 0 || newIndex < 0 || oldIndex >= count ||
        newIndex >= count)
        return;
    sn_thread_mutex_lock(m_mutex);
    m_operations.move(oldIndex, newIndex);
    sn_thread_mutex_unlock(m_mutex);
    on_CurrentIndexChanged(newIndex);
    if (m_preview)
        preview_invalidate(m_preview, std::min(oldIndex, newIndex) + 1, 1);
}

void FMainWorkflow::on_btnMoveRightClicked()
{
    if (m_selected >= 0 && m_selected < m_operations.count() - 1)
        on_MoveRequested(m_selected, m_selected + 1);
}

void FMainWorkflow::on_btnMoveLeftClicked()
{
    if (m_selected > 0 && m_selected < m_operations.count())
        on_MoveRequested(m_selected, m_selected - 1);
}

// The hidden buttons of the preview row do nothing.
void FMainWorkflow::on_btnPreviewRefreshClicked() {}
void FMainWorkflow::on_btnPreviewFitWindowClicked() {}
void FMainWorkflow::on_btnPreviewFullSizeClicked() {}
void FMainWorkflow::on_btnPreviewZoomInClicked() {}
void FMainWorkflow::on_btnPreviewZoomOutClicked() {}

void FMainWorkflow::on_btnPreviewPreviousClicked()
{
    fileman_t *list = photobatch_get_fileman(photobatch_get_instance());
    fileman_set_current(list, fileman_get_current(list) - 1);
    updatePreviewFile();
}

void FMainWorkflow::on_btnPreviewNextClicked()
{
    fileman_t *list = photobatch_get_fileman(photobatch_get_instance());
    fileman_set_current(list, fileman_get_current(list) + 1);
    updatePreviewFile();
}

// ---- callbacks -------------------------------------------------------------

void FMainWorkflow::operationChangedCallback(void *context, CAbstractOperation *operation)
{
    FMainWorkflow *self = static_cast<FMainWorkflow *>(context);
    if (!self->m_preview)
        return;
    const int index = self->m_operations.indexOf(operation);
    preview_invalidate(self->m_preview, index < 0 ? 0 : index + 1, 0);
}

void FMainWorkflow::batchFiltersCallback(void *owner, const QString &path, int index,
                                         QList<imagefilter_t *> &filters)
{
    static_cast<FMainWorkflow *>(owner)->buildFilters(path, filters, index);
}

void FMainWorkflow::previewFiltersCallback(void *owner, const QString &path, int index,
                                           QList<imagefilter_t *> &filters)
{
    filters.clear();
    static_cast<PreviewRelay *>(owner)->deliver(
        [&](FMainWorkflow *page) { page->buildPreviewFilters(path, filters, index); });
}

void FMainWorkflow::previewStatusCallback(void *owner, int event, intptr_t value1, intptr_t value2)
{
    static_cast<PreviewRelay *>(owner)->deliver([&](FMainWorkflow *page) {
        if (event == PREVIEW_EVENT_RUN_END && value1 == PREVIEW_END_DONE)
            emit page->previewRunEnded();
        else if (event == PREVIEW_EVENT_STAGE_DONE)
            emit page->previewStageDone((int)value2);
    });
}

// Edits still waiting for their deferred apply take effect now: what is
// saved or run next is what the controls show.
void FMainWorkflow::applyPendingEdits()
{
    for (CAbstractOperation *operation : qAsConst(m_operations)) {
        if (COperationWidget *widget = qobject_cast<COperationWidget *>(operation->widget()))
            widget->applyPending();
    }
}

void FMainWorkflow::buildPreviewFilters(const QString &sourcePath, QList<imagefilter_t *> &filters,
                                        int index)
{
    filters.clear();
    sn_thread_mutex_guard guard(m_mutex);
    // Read only: a non-const walk would detach the list, a write from the
    // worker while the interface thread reads it.
    for (CAbstractOperation *operation : qAsConst(m_operations)) {
        imagefilter_t *filter = operation->createFilter(sourcePath, index);
        if (!filter)
            break;
        filters.append(filter);
    }
}

void FMainWorkflow::buildFilters(const QString &sourcePath, QList<imagefilter_t *> &filters,
                                 int index)
{
    filters.clear();
    sn_thread_mutex_guard guard(m_mutex);
    for (CAbstractOperation *operation : qAsConst(m_operations)) {
        imagefilter_t *filter = operation->getFilter(sourcePath, index);
        if (!filter)
            break;
        filters.append(filter);
    }
}

void FMainWorkflow::listFilters(QList<imagefilter_t *> &filters)
{
    filters.clear();
    sn_thread_mutex_guard guard(m_mutex);
    for (CAbstractOperation *operation : qAsConst(m_operations)) {
        imagefilter_t *filter = operation->keptFilter();
        if (!filter)
            break;
        filters.append(filter);
    }
}

// ---- re-layout and language --------------------------------------------------

void FMainWorkflow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_resizeTime = current_time_ms();
    m_resizePending = true;
}

void FMainWorkflow::timerEvent(QTimerEvent *event)
{
    if (m_retireTimerId && event->timerId() == m_retireTimerId) {
        deleteRetired();
        if (m_retired.isEmpty() || m_workerLeftRunning) {
            killTimer(m_retireTimerId);
            m_retireTimerId = 0;
        }
        return;
    }
    if (event->timerId() != m_timerId) {
        QWidget::timerEvent(event);
        return;
    }
    if (m_resizePending && current_time_ms() - m_resizeTime > k_relayoutDelayMs) {
        updateOperationView();
        m_resizePending = false;
    }
}

void FMainWorkflow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        // The caption is the page's own text: it follows the language at once.
        updateOperationView();
    }
}
