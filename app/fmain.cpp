// FMain: construction of the engine and the four pages, menus, profiles,
// tab routing, the busy state and the ordered stop of the workers.
#include "fmain.h"

#include "appinfo.h"
#include "appresources.h"
#include "appsettings.h"
#include "dialogs.h"
#include "fabout.h"
#include "fmainfile.h"
#include "fmainoutput.h"
#include "fmainprocess.h"
#include "fmainworkflow.h"
#include "foptions.h"
#include "outputconfig.h"
#include "photobatch.h"
#include "preview.h"
#include "startfolder.h"
#include "stylemsg.h"
#include "styletitle.h"

#include "base/sn_setting.h"

#include <limits.h>
#include <string.h>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

static int (*s_engineStarter)(void) = photobatch_create_instance;

void FMain::setEngineStarter(int (*start)(void))
{
    s_engineStarter = start ? start : photobatch_create_instance;
}

FMain::FMain(QWidget *parent) : StyleWin(7, true, parent)
{
    initAppResources();
    titleBar()->setTitle(tr("Zandrevik"));
    resize(800, 600);

    // Every page works on the engine's list and settings: without its worker
    // there is nothing to build, and start-up reports the failure.
    if (s_engineStarter() == 0)
        m_batch = photobatch_get_instance();

    m_verticalLayout = new QVBoxLayout(contentWidget());
    m_verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    m_verticalLayout->setSpacing(6);
    m_verticalLayout->setContentsMargins(0, 0, 0, 0);
    m_tabWidget = new QTabWidget(contentWidget());
    m_tabWidget->setObjectName(QStringLiteral("tabWidget"));
    m_verticalLayout->addWidget(m_tabWidget);
    if (!m_batch)
        return;

    // The pages in the order of their steps, each inside the tab widget's
    // stack (a page made without a parent and added afterwards would have
    // its style worked out twice): the Step 2 page starts the preview worker
    // and gives the batch its filters, the Step 4 page takes the batch's
    // reports and opens the log file, so every worker runs before the window
    // is shown.
    QWidget *stack =
        m_tabWidget->findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly);
    m_file = new FMainFile(stack);
    m_tabWidget->addTab(m_file, tr("Step1: Select Files"));
    m_workflow = new FMainWorkflow(stack);
    m_tabWidget->addTab(m_workflow, tr("Step2: Add Operations"));
    m_output = new FMainOutput(stack);
    m_tabWidget->addTab(m_output, tr("Step3: Configure Output"));
    m_process = new FMainProcess(
        [this](QList<imagefilter_t *> &filters) {
            // An edit still waiting for its deferred apply belongs to this run.
            m_workflow->applyPendingEdits();
            m_workflow->listFilters(filters);
        },
        stack);
    m_tabWidget->addTab(m_process, tr("Step4: Start Process"));

    connect(m_tabWidget, &QTabWidget::currentChanged, this, &FMain::onTabWiegetCurrentChanged);
    connect(m_process, &FMainProcess::busyChanged, this, &FMain::setBusy);
    connect(m_process, &FMainProcess::showStep, m_tabWidget, &QTabWidget::setCurrentIndex);
    connect(this, &FMain::busyChanged, m_file, &FMainFile::setBusy);
    connect(this, &FMain::busyChanged, m_workflow, &FMainWorkflow::setBusy);
    connect(this, &FMain::busyChanged, m_output, &FMainOutput::setBusy);

    createActions();
    createMenus();
}

FMain::~FMain()
{
    stopWorkers();
}

void FMain::createActions()
{
    m_actLoadProfile =
        new QAction(QIcon(QStringLiteral(":/zandrevik/open.png")), tr("&Load Profile..."), this);
    connect(m_actLoadProfile, &QAction::triggered, this, &FMain::onLoadProfile);
    m_actSaveProfile =
        new QAction(QIcon(QStringLiteral(":/zandrevik/save.png")), tr("&Save Profile..."), this);
    connect(m_actSaveProfile, &QAction::triggered, this, &FMain::onSaveProfile);
    m_actExit = new QAction(QIcon(QStringLiteral(":/zandrevik/exit.png")), tr("E&xit"), this);
    connect(m_actExit, &QAction::triggered, this, &FMain::onExit);
    m_actOptions =
        new QAction(QIcon(QStringLiteral(":/zandrevik/options.png")), tr("&Settings..."), this);
    connect(m_actOptions, &QAction::triggered, this, &FMain::onOptions);
    m_actHelpFile =
        new QAction(QIcon(QStringLiteral(":/zandrevik/help.png")), tr("&Help File"), this);
    connect(m_actHelpFile, &QAction::triggered, this, &FMain::onHelpFile);
    m_actHomePage =
        new QAction(QIcon(QStringLiteral(":/zandrevik/homepage.png")), tr("Home &Page"), this);
    connect(m_actHomePage, &QAction::triggered, this, &FMain::onHomePage);
    m_actAbout = new QAction(QIcon(QStringLiteral(":/zandrevik/about.png")), tr("&About..."), this);
    connect(m_actAbout, &QAction::triggered, this, &FMain::onAbout);
}

void FMain::createMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(m_actLoadProfile);
    file->addAction(m_actSaveProfile);
    file->addSeparator();
    file->addAction(m_actExit);
    QMenu *tool = menuBar()->addMenu(tr("&Tool"));
    tool->addAction(m_actOptions);
    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->addAction(m_actHelpFile);
    help->addAction(m_actHomePage);
    help->addSeparator();
    help->addAction(m_actAbout);
}

// What is left of the deadline, in whole milliseconds.
static int remainingMs(const QDeadlineTimer &deadline)
{
    const qint64 left = deadline.remainingTime();
    return left < 0 ? 0 : (int)qMin<qint64>(left, INT_MAX);
}

bool FMain::stopWorkers(int timeoutMs)
{
    if (m_workersStopped)
        return m_workersEnded;
    m_workersStopped = true;
    if (!m_batch)
        return true;
    const QDeadlineTimer deadline(timeoutMs);
    // An edit typed just before the end is kept like any other.
    m_workflow->applyPendingEdits();
    // Asked before anyone is waited for: each worker leaves its decode or
    // save at once and its run after the filter at work, all at the same
    // time. The thumbnail worker's tasks are short once asked.
    preview_ask_exit(m_workflow->previewEngine());
    photobatch_ask_exit(m_batch);
    bool ended = m_workflow->stopPreview(remainingMs(deadline));
    ended = m_file->stopThumbnails(remainingMs(deadline)) && ended;
    photobatch_t *batch = m_batch;
    m_batch = nullptr;
    const bool batchEnded = photobatch_destroy_instance(remainingMs(deadline)) == 0;
    // What the batch worker reported while it stopped never reaches the
    // ended event loop; the page takes it from its own queue.
    m_process->takeReports();
    // A worker given up inside a filter reports nothing more, and its run
    // is still going as far as its record says (it is left in place): the
    // run ends here as cancelled, after every line the worker did report.
    if (!batchEnded && photobatch_get_status(batch) != PHOTOBATCH_STATUS_IDLE)
        m_process->onBatchEvent(PHOTOBATCH_EVENT_FINISHED, 0, nullptr);
    m_workersEnded = ended && batchEnded;
    return m_workersEnded;
}

void FMain::closeLogFile()
{
    if (m_process)
        m_process->closeLogFile();
}

void FMain::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    m_actLoadProfile->setEnabled(!busy);
    emit busyChanged(busy);
}

bool FMain::saveProfile(const QString &path)
{
    if (!m_batch)
        return false;
    // Both parts are written even when the first fails: each stands alone
    // when the file is loaded again.
    bool saved = m_workflow->saveProfile(path);
    if (outputconfig_save(photobatch_get_outputconfig(m_batch),
                          QFile::encodeName(path).constData()) != 0)
        saved = false;
    if (!saved)
        StyleMsg::critical(this, tr("Zandrevik"), tr("Save profile FAILED!\n%1").arg(path));
    return saved;
}

// A profile holds the pipeline's count or an output key; a photo list or
// any other file holds neither and must not reach either part.
static bool isProfile(const QString &path)
{
    sn_setting_t *store = sn_setting_create();
    if (!store)
        return false;
    bool found = false;
    if (sn_setting_load(store, QFile::encodeName(path).constData()) == 0) {
        int count = 0;
        found = sn_setting_get_int(store, nullptr, "operation_count", &count) == 0;
        intptr_t cursor = 0;
        for (const char *key = sn_setting_next_key(store, nullptr, &cursor); key && !found;
             key = sn_setting_next_key(store, nullptr, &cursor))
            found = strncmp(key, "output_", 7) == 0;
    }
    sn_setting_destroy(store);
    return found;
}

void FMain::loadProfile(const QString &path)
{
    if (!m_batch)
        return;
    if (!isProfile(path)) {
        StyleMsg::critical(this, tr("Zandrevik"), tr("Load profile FAILED!\n%1").arg(path));
        return;
    }
    m_workflow->loadProfile(path);
    outputconfig_load(photobatch_get_outputconfig(m_batch), QFile::encodeName(path).constData());
    m_output->loadConfig();
}

void FMain::resizeEvent(QResizeEvent *event)
{
    StyleWin::resizeEvent(event);
}

void FMain::closeEvent(QCloseEvent *event)
{
    if (m_file && appsettings_asks(g_appsettings.ask_save_filelist)) {
        bool cancel = false;
        m_file->askSaveFileList(&cancel);
        if (cancel) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void FMain::changeEvent(QEvent *event)
{
    StyleWin::changeEvent(event);
}

void FMain::onExit()
{
    // Off the screen before the event loop ends: the workers may take a
    // moment to stop.
    hide();
    QCoreApplication::quit();
}

void FMain::onOptions()
{
    FOptions options(this);
    if (options.exec() == QDialog::Accepted) {
        if (m_process)
            m_process->openLogFile();
    }
}

void FMain::onHomePage()
{
    // A desktop without a browser opens nothing and says nothing.
    if (!Dialogs::openUrl(QUrl(QStringLiteral(ZV_HOME_PAGE_URL))))
        StyleMsg::critical(
            this, tr("Zandrevik"),
            tr("The home page could not be opened:\n%1").arg(QStringLiteral(ZV_HOME_PAGE_URL)),
            QDialogButtonBox::Ok);
}

void FMain::onHelpFile()
{
    if (!Dialogs::openUrl(QUrl(QStringLiteral(ZV_HELP_URL))))
        StyleMsg::critical(
            this, tr("Zandrevik"),
            tr("The help file could not be opened:\n%1").arg(QStringLiteral(ZV_HELP_URL)),
            QDialogButtonBox::Ok);
}

void FMain::onAbout()
{
    if (!m_about)
        m_about = new FAbout(this);
    m_about->exec();
}

void FMain::onLoadProfile()
{
    const QString path = Dialogs::getOpenFileName(this, tr("Load Profile"),
                                                  StartFolder::forKind(StartFolder::Profile),
                                                  tr("All Files (*);;Profile File (*.pbp)"));
    if (path.isEmpty())
        return;
    StartFolder::remember(StartFolder::Profile, path);
    loadProfile(path);
}

void FMain::onSaveProfile()
{
    const QString path = Dialogs::getSaveFileName(
        this, tr("Save Profile - Zandrevik"),
        StartFolder::proposedName(StartFolder::Profile, QStringLiteral("Zandrevik.zvp")),
        tr("Zandrevik Profile File (*.zvp);;All Files (*)"));
    if (path.isEmpty())
        return;
    StartFolder::remember(StartFolder::Profile, path);
    saveProfile(path);
}

void FMain::onTabWiegetCurrentChanged(int index)
{
    switch (index) {
    case 0:
        m_file->updateFileInfo();
        break;
    case 1:
        m_workflow->updatePreviewFile();
        break;
    case 2:
        m_output->updateConfig();
        break;
    default:
        break;
    }
}
