// FMainProcess: the Step 4 page, the batch run with its log and progress.
#ifndef FMAINPROCESS_H
#define FMAINPROCESS_H

#include <stdint.h>

#include <QWidget>

class FMain;

class FMainProcess : public QWidget
{
    Q_OBJECT

public:
    explicit FMainProcess(FMain *mainWindow, QWidget *parent = nullptr,
                          Qt::WindowFlags flags = Qt::WindowFlags());
    ~FMainProcess() override;

    // (Re)opens the log file named by the settings and applies the line limit.
    bool openLogFile();
    // One report of the batch worker, on its thread; text lives only during
    // the call.
    void onBatchEvent(int event, intptr_t argument, const char *text);

signals:
    // The batch left or entered idle; the window hands it to every page.
    void busyChanged(bool busy);

private:
    FMain *m_main;
};

#endif
