// FMain: the main window. The four step pages in a tab widget under the
// File, Tool and Help menus; profiles; the busy state of a running batch,
// handed to every page; and the ordered stop of the workers at shutdown.
#ifndef FMAIN_H
#define FMAIN_H

#include "stylewin.h"

class QAction;
class QEvent;
class QTabWidget;
class QVBoxLayout;
class FMainFile;
class FMainWorkflow;
class FMainOutput;
class FMainProcess;
class FAbout;
struct photobatch;

class FMain : public StyleWin
{
    Q_OBJECT

public:
    explicit FMain(QWidget *parent = nullptr);
    ~FMain() override;

    // Stops the preview, thumbnail and batch workers: all three are asked at
    // once and waited for within timeoutMs in all, so that one inside a long
    // filter does not hold up the others. True once all have ended and the
    // engine is freed. False when one is still inside a filter: nothing that
    // it may use has been freed, and the process must end without the
    // window's destruction (main does so). Acts once; main calls it after
    // the event loop with the exit's bound.
    bool stopWorkers(int timeoutMs = 120000);
    // Writes out and closes the Step 4 log file, for an end without the
    // window's destruction.
    void closeLogFile();

    // False when the batch engine's worker could not be started: the window
    // then holds no pages and start-up ends with a message.
    bool engineStarted() const
    {
        return m_batch != nullptr;
    }
    // How the constructor starts the batch engine (0 / -1); tests replace it
    // to see a failure. Null restores the real one.
    static void setEngineStarter(int (*start)(void));

    // The pipeline and the output settings into one profile file; false, after
    // a message, when either part could not be written.
    bool saveProfile(const QString &path);
    // Both parts from a profile file; a part that does not load stays as it is.
    void loadProfile(const QString &path);

    QTabWidget *tabWidget() const
    {
        return m_tabWidget;
    }
    FMainFile *filePage() const
    {
        return m_file;
    }
    // The pages exist from the constructor on; null only when the engine did
    // not start.
    FMainWorkflow *workflowPage() const
    {
        return m_workflow;
    }
    FMainOutput *outputPage() const
    {
        return m_output;
    }
    FMainProcess *processPage() const
    {
        return m_process;
    }
    bool isBusy() const
    {
        return m_busy;
    }

signals:
    // True while the batch is not idle.
    void busyChanged(bool busy);

public slots:
    void setBusy(bool busy);
    // File > Exit, and the signals that end a session: off the screen, then
    // the event loop ends.
    void onExit();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void onOptions();
    void onHomePage();
    void onHelpFile();
    void onAbout();
    void onLoadProfile();
    void onSaveProfile();
    void onTabWiegetCurrentChanged(int index);

private:
    void createActions();
    void createMenus();

    QVBoxLayout *m_verticalLayout = nullptr;
    QTabWidget *m_tabWidget = nullptr;
    FMainFile *m_file = nullptr;
    FMainWorkflow *m_workflow = nullptr;
    FMainOutput *m_output = nullptr;
    FMainProcess *m_process = nullptr;
    QAction *m_actExit = nullptr;
    QAction *m_actHelpFile = nullptr;
    QAction *m_actHomePage = nullptr;
    QAction *m_actAbout = nullptr;
    QAction *m_actOptions = nullptr;
    QAction *m_actLoadProfile = nullptr;
    QAction *m_actSaveProfile = nullptr;
    FAbout *m_about = nullptr;
    // The engine this window created, until stopWorkers destroys it.
    struct photobatch *m_batch = nullptr;
    bool m_busy = false;
    bool m_workersStopped = false;
    bool m_workersEnded = true;
};

#endif
