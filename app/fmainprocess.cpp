// FMainProcess: the Step 4 page (still to come).
#include "fmainprocess.h"

FMainProcess::FMainProcess(FMain *mainWindow, QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_main(mainWindow)
{
}

FMainProcess::~FMainProcess() {}

bool FMainProcess::openLogFile()
{
    return true;
}

void FMainProcess::onBatchEvent(int, intptr_t, const char *) {}
