// FMainProcess: the Step 4 page. The start questions and the commands to the
// batch engine, the worker's reports turned into log lines (signals queued to
// the interface thread), the log view with its line limit, the log file and
// its flush timer, the progress bar and the busy state of the main window.
#include "fmainprocess.h"

#include "appsettings.h"
#include "askedquestion.h"
#include "dialogs.h"
#include "stagebound.h"
#include "stylemsg.h"
#include "ui_ufmainprocess.h"
#include "workerrelay.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

namespace
{

int64_t wall_clock_seconds()
{
    return (int64_t)time(nullptr);
}

int64_t (*g_clock)(void) = wall_clock_seconds;

// A slice of the interface thread that one showing of queued lines may take.
const int k_show_budget_ms = 5;

typedef WorkerRelay<FMainProcess> BatchRelay;

void batchEventCallback(void *target, int event, intptr_t argument, const char *text)
{
    static_cast<BatchRelay *>(target)->deliver(
        [&](FMainProcess *page) { page->onBatchEvent(event, argument, text); });
}

// A path or name as the view shows it: its '<' and '&' must not be read as
// markup.
QString escaped(const char *text)
{
    return QString::fromUtf8(text ? text : "").toHtmlEscaped();
}

// The text of a log line for the log file: without its colour wrapper, and
// with what the view needed escaped given back as it was.
QString plainText(const QString &line)
{
    QString text = line;
    int open = line.indexOf(QLatin1Char('>'));
    if (open >= 0) {
        int close = line.indexOf(QLatin1String("</font>"), open + 1);
        text = close >= 0 ? line.mid(open + 1, close - open - 1) : line.mid(open + 1);
    }
    if (!text.contains(QLatin1Char('&')))
        return text;
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

} // namespace

void fmainprocess_set_clock(int64_t (*clock)(void))
{
    g_clock = clock ? clock : wall_clock_seconds;
}

FMainProcess::FMainProcess(FilterBuilder buildFilters, QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_ui(new Ui::UFMainProcess), m_buildFilters(std::move(buildFilters))
{
    m_ui->setupUi(this);

    connect(m_ui->btnStart, &QPushButton::clicked, this, &FMainProcess::on_btnStartClicked);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &FMainProcess::on_btnCancelClicked);
    connect(m_ui->btnOpenOutputFolder, &QPushButton::clicked, this,
            &FMainProcess::on_btnOpenOutputFolderClicked);
    connect(this, &FMainProcess::logUpdate, this, &FMainProcess::on_logUpdate);
    connect(this, &FMainProcess::statusChanged, this, &FMainProcess::on_statusChanged);
    connect(this, &FMainProcess::progressChanged, this, &FMainProcess::on_progressChanged);
    connect(m_ui->chkDisableLog, &QCheckBox::toggled, this, &FMainProcess::on_chkDisableLogToggled);
    connect(m_ui->btnClear, &QPushButton::clicked, this, &FMainProcess::on_btnClearClicked);
    connect(m_ui->btnCopy, &QPushButton::clicked, this, &FMainProcess::on_btnCopyClicked);

    // After the connection on purpose: a stored "off" toggles the box and so
    // saves the settings once.
    m_ui->chkDisableLog->setChecked(g_appsettings.disable_log_display != 0);

    m_ui->edtLog->setReadOnly(true);
    m_ui->edtLog->ensureCursorVisible();

    m_showTimer = new QTimer(this);
    m_showTimer->setSingleShot(true);
    m_showTimer->setInterval(0);
    connect(m_showTimer, &QTimer::timeout, this, &FMainProcess::onShowPending);

    m_logFile = nullptr;
    openLogFile();

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("flushTimer"));
    connect(m_timer, &QTimer::timeout, this, &FMainProcess::onTimer);
    m_timer->start(1000);

    m_relay = new BatchRelay(this);
    m_batch = photobatch_get_instance();
    if (m_batch) {
        photobatch_set_process_callback(m_batch, batchEventCallback, m_relay);
        m_config = photobatch_get_outputconfig(m_batch);
        m_list = photobatch_get_fileman(m_batch);
    }
    m_filterCount.store(0, std::memory_order_release);

    on_statusChanged();
}

FMainProcess::~FMainProcess()
{
    const bool alive = engineAlive();
    if (alive)
        photobatch_set_process_callback(m_batch, nullptr, nullptr);
    m_relay->detach();
    // A worker that still lives may have taken the relay just before it was
    // unregistered: then the relay stays, without its page. Once the engine
    // is gone its worker has ended.
    if (!alive)
        delete m_relay;
    m_relay = nullptr;
    if (m_logFile)
        fclose(m_logFile);
    delete m_ui;
}

bool FMainProcess::engineAlive() const
{
    // After the shutdown step has destroyed the engine, reports still queued
    // for this page must not reach into it.
    return m_batch && photobatch_get_instance() == m_batch;
}

// Only a regular file: opening a FIFO for writing would block start-up
// until a reader came (so the open does not block), and a device or a folder
// is no log. The descriptor is checked, not the name, which may change.
static FILE *openRegularForAppend(const char *path)
{
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    FILE *file = fdopen(fd, "ab");
    if (!file)
        close(fd);
    return file;
}

bool FMainProcess::openLogFile()
{
    if (m_logFile) {
        fclose(m_logFile);
        m_logFile = nullptr;
    }
    m_firstUnflushed = 0;

    int limit = g_appsettings.max_log_lines;
    m_ui->edtLog->document()->setMaximumBlockCount(limit > 0 ? limit : 0);

    if (g_appsettings.log_filename[0] == '\0')
        return true;
    m_logFile = openRegularForAppend(g_appsettings.log_filename);
    if (m_logFile)
        return true;
    StyleMsg::critical(this, tr("Zandrevik"), QStringLiteral("Open Log File FAILED!"),
                       QDialogButtonBox::Ok);
    return false;
}

void FMainProcess::onBatchEvent(int event, intptr_t argument, const char *text)
{
    // Only this page's own engine is read here: during shutdown the
    // process-wide instance is already forgotten while its worker still
    // reports the end of a run.
    int files = m_list ? fileman_count(m_list) : 0;
    int current = m_batch ? photobatch_get_current(m_batch) : 0;
    int filters = m_filterCount.load(std::memory_order_acquire);
    QString line;
    switch (event) {
    case PHOTOBATCH_EVENT_STARTED:
        if (!argument)
            m_failedFiles = 0;
        line =
            QStringLiteral("<font color=blue>%1 processing, files count:%2, filter count%3</font>")
                .arg(argument ? QStringLiteral("Resume") : QStringLiteral("Start"))
                .arg(files)
                .arg(filters);
        emit statusChanged();
        break;
    case PHOTOBATCH_EVENT_PAUSED:
        line =
            QStringLiteral("<font color=blue>Pause processing, file count:%1, processed:%2</font>")
                .arg(files)
                .arg(current);
        emit statusChanged();
        break;
    case PHOTOBATCH_EVENT_FINISHED:
        line =
            QStringLiteral("<font color=blue>Processing %1, file count:%2, processed:%3%4</font>")
                .arg(argument ? QStringLiteral("completed") : QStringLiteral("canceled"))
                .arg(files)
                .arg(current)
                .arg(m_failedFiles ? QStringLiteral(", failed:%1").arg(m_failedFiles) : QString());
        emit statusChanged();
        break;
    case PHOTOBATCH_EVENT_FILE:
        m_fileFailed = false;
        line = QStringLiteral("Start Processing file: ") + escaped((const char *)argument);
        break;
    case PHOTOBATCH_EVENT_WRITTEN:
        line = QStringLiteral("Processsing file complete, writed to:") + escaped(text);
        emit progressChanged(current);
        break;
    case PHOTOBATCH_EVENT_FAILED:
        // A file counts once, however many of its steps failed; a read with
        // no path had no file begun.
        if (!m_fileFailed || (argument == PHOTOBATCH_FAILED_READ && !text))
            m_failedFiles++;
        m_fileFailed = argument != PHOTOBATCH_FAILED_READ || text;
        if (argument == PHOTOBATCH_FAILED_READ)
            line = text ? QStringLiteral("<font color=red>Read file FAILED! ") + escaped(text) +
                              QStringLiteral("</font>")
                        : QStringLiteral("<font color=red>Read file FAILED!</font>");
        else if (argument == PHOTOBATCH_FAILED_WRITE)
            line = QStringLiteral("<font color=red>Write file FAILED! ") + escaped(text) +
                   QStringLiteral("</font>");
        else if (argument == PHOTOBATCH_FAILED_FILTER)
            line = QStringLiteral("<font color=red>Apply filter [") + escaped(text) +
                   QStringLiteral("] FAILED!</font>");
        else if (argument == PHOTOBATCH_FAILED_GROWTH)
            line = QStringLiteral("<font color=red>Apply filter [") + escaped(text) +
                   QStringLiteral("] FAILED! ") +
                   tr("the picture would exceed %1 megapixels and %2 times the photo")
                       .arg(STAGE_MIN_BOUND_PIXELS / (1024 * 1024))
                       .arg(STAGE_GROWTH_FACTOR)
                       .toHtmlEscaped() +
                   QStringLiteral("</font>");
        else if (argument == PHOTOBATCH_FAILED_TOO_LARGE)
            line = QStringLiteral("<font color=red>Apply filter [") + escaped(text) +
                   QStringLiteral("] FAILED! ") +
                   tr("the picture or text would be too large").toHtmlEscaped() +
                   QStringLiteral("</font>");
        else
            return;
        break;
    case PHOTOBATCH_EVENT_KEPT: {
        // The output was written: the file does not count as failed. The
        // engine names the reason by its code, the page says it in the
        // reader's words.
        QString why;
        if (argument == PHOTOBATCH_KEPT_FILTER_FAILED)
            why = tr("a filter failed");
        else if (argument == PHOTOBATCH_KEPT_NOT_SYNCED)
            why = tr("the output folder could not be synced");
        else if (argument == PHOTOBATCH_KEPT_CHANGED)
            why = tr("changed since it was loaded");
        else if (argument == PHOTOBATCH_KEPT_NOT_DELETED)
            why = tr("it could not be deleted");
        else
            return;
        line = QStringLiteral("<font color=red>") +
               tr("Source kept: %1 (%2)").arg(escaped(text), why.toHtmlEscaped()) +
               QStringLiteral("</font>");
        break;
    }
    default:
        return;
    }
    emit logUpdate(line);
}

void FMainProcess::takeReports()
{
    // The worker's lines wait in the event queue as queued calls of
    // on_logUpdate, in the order they were reported.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void FMainProcess::closeLogFile()
{
    if (m_logFile)
        fclose(m_logFile);
    m_logFile = nullptr;
}

void FMainProcess::on_btnStartClicked()
{
    if (!engineAlive())
        return;
    int status = photobatch_get_status(m_batch);
    if (status == PHOTOBATCH_STATUS_RUNNING) {
        photobatch_pause(m_batch);
        return;
    }
    if (status == PHOTOBATCH_STATUS_PAUSED) {
        photobatch_resume(m_batch);
        return;
    }
    startBatch();
}

void FMainProcess::startBatch()
{
    outputconfig_t settings;
    if (outputconfig_copy(m_config, &settings) != 0)
        return;
    settings.output_folder[OUTPUTCONFIG_TEXT_SIZE - 1] = '\0';
    QString folder = QString::fromUtf8(settings.output_folder);

    // Without a folder the outputs would land in whatever the program's
    // working folder happens to be; that is said before anything is asked.
    if (!settings.use_source_folder && folder.isEmpty()) {
        StyleMsg::information(nullptr, tr("Zandrevik"),
                              tr("No output folder is set, please choose one first!"),
                              QDialogButtonBox::Ok);
        emit showStep(StepOutput);
        return;
    }

    if (!settings.use_source_folder && !QFileInfo(folder).isDir()) {
        if (!askedQuestionGoesOn(nullptr, tr("Zandrevik"),
                                 tr("Output folder does not exist, do you want to create it?"),
                                 &g_appsettings.ask_create_output_folder))
            return;
        QDir().mkpath(folder);
    }

    if (fileman_count(m_list) == 0) {
        StyleMsg::information(nullptr, tr("Zandrevik"),
                              tr("File list is empty, please select some photo files first!"),
                              QDialogButtonBox::Ok);
        emit showStep(StepFiles);
        return;
    }

    QList<imagefilter_t *> filters;
    if (m_buildFilters)
        m_buildFilters(filters);
    m_filterCount.store(filters.size(), std::memory_order_release);

    if (filters.isEmpty() &&
        !askedQuestionGoesOn(nullptr, tr("Zandrevik"), tr("No filter selected, is this your want?"),
                             &g_appsettings.ask_empty_filterlist))
        return;

    photobatch_start(m_batch);
    // The worker is running once the command is taken: the other pages hold
    // still from here, even for a run that ends before its first report is
    // shown.
    on_statusChanged();
}

void FMainProcess::on_btnCancelClicked()
{
    if (engineAlive())
        photobatch_stop(m_batch);
}

void FMainProcess::on_btnOpenOutputFolderClicked()
{
    if (!m_config)
        return;
    outputconfig_t settings;
    if (outputconfig_copy(m_config, &settings) != 0)
        return;
    settings.output_folder[OUTPUTCONFIG_TEXT_SIZE - 1] = '\0';
    if (settings.output_folder[0] == '\0')
        return;
    const QString folder = QString::fromUtf8(settings.output_folder);
    // A desktop without a file manager opens nothing and says nothing.
    if (!Dialogs::openUrl(QUrl::fromLocalFile(folder)))
        StyleMsg::critical(this, tr("Zandrevik"),
                           tr("The output folder could not be opened:\n%1").arg(folder),
                           QDialogButtonBox::Ok);
}

void FMainProcess::on_logUpdate(const QString &msg)
{
    writeLine(msg);
}

void FMainProcess::writeLine(const QString &msg)
{
    if (g_appsettings.disable_log_display == 0) {
        m_pending.append(msg);
        if (!m_showTimer->isActive())
            m_showTimer->start();
    }
    if (m_logFile) {
        QByteArray text = plainText(msg).toUtf8();
        if (!text.isEmpty()) {
            fwrite(text.constData(), 1, (size_t)text.size(), m_logFile);
            fwrite("\r\n", 1, 2, m_logFile);
            if (m_firstUnflushed == 0)
                m_firstUnflushed = g_clock();
        }
    }
}

void FMainProcess::onShowPending()
{
    showLines(k_show_budget_ms);
    if (!m_pending.isEmpty())
        m_showTimer->start();
}

void FMainProcess::showLines(int budgetMs)
{
    if (m_pending.isEmpty())
        return;
    QTextEdit *view = m_ui->edtLog;
    QTextDocument *doc = view->document();
    int limit = doc->maximumBlockCount();
    // Lines that the limit would push out at once are never drawn.
    if (limit > 0 && m_pending.size() >= limit) {
        m_pending.erase(m_pending.begin(), m_pending.end() - limit);
        doc->clear();
    }
    QScrollBar *bar = view->verticalScrollBar();
    bool atEnd = bar->value() >= bar->maximum();
    QElapsedTimer clock;
    clock.start();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    int shown = 0;
    while (shown < m_pending.size()) {
        if (!doc->isEmpty())
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        // Each line starts from the plain format: a red line never colours
        // the next one.
        cursor.setCharFormat(QTextCharFormat());
        cursor.insertHtml(m_pending.at(shown));
        shown++;
        if (budgetMs >= 0 && clock.elapsed() >= budgetMs)
            break;
    }
    cursor.endEditBlock();
    m_pending.erase(m_pending.begin(), m_pending.begin() + shown);
    if (atEnd)
        bar->setValue(bar->maximum());
}

void FMainProcess::on_statusChanged()
{
    if (!engineAlive())
        return;
    int status = photobatch_get_status(m_batch);
    int files = fileman_count(m_list);
    switch (status) {
    case PHOTOBATCH_STATUS_RUNNING:
        m_ui->btnStart->setText(tr("Pause Process"));
        m_ui->btnCancel->setEnabled(true);
        m_ui->progressBar->setRange(0, files);
        break;
    case PHOTOBATCH_STATUS_PAUSED:
        m_ui->btnStart->setText(tr("Resume Process"));
        m_ui->btnCancel->setEnabled(true);
        m_ui->progressBar->setRange(0, files);
        break;
    default:
        m_ui->btnStart->setText(tr("Start Process"));
        m_ui->btnCancel->setEnabled(false);
        break;
    }
    bool busy = status != PHOTOBATCH_STATUS_IDLE;
    if (busy != m_busy) {
        m_busy = busy;
        emit busyChanged(busy);
    }
}

void FMainProcess::on_progressChanged(int current)
{
    if (!engineAlive())
        return;
    int files = fileman_count(m_list);
    if (m_ui->progressBar->maximum() != files)
        m_ui->progressBar->setRange(0, files);
    m_ui->progressBar->setValue(current + 1);
}

void FMainProcess::on_btnCopyClicked()
{
    showLines(-1);
    QTextEdit *view = m_ui->edtLog;
    if (view->textCursor().hasSelection()) {
        view->copy();
        return;
    }
    view->selectAll();
    view->copy();
    QTextCursor cursor = view->textCursor();
    cursor.clearSelection();
    view->setTextCursor(cursor);
}

void FMainProcess::on_btnClearClicked()
{
    m_pending.clear();
    m_ui->edtLog->clear();
}

void FMainProcess::on_chkDisableLogToggled(bool checked)
{
    g_appsettings.disable_log_display = checked ? 1 : 0;
    appsettings_save_default();
}

void FMainProcess::onTimer()
{
    if (m_firstUnflushed != 0 && g_clock() - m_firstUnflushed > 2) {
        if (m_logFile)
            fflush(m_logFile);
        m_firstUnflushed = 0;
    }
}

void FMainProcess::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
}

void FMainProcess::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        // The form's texts are the idle ones; a run keeps its own.
        on_statusChanged();
    }
}
