// FMainFile: the Step 1 page (still to come).
#include "fmainfile.h"

FMainFile::FMainFile(QWidget *parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

FMainFile::~FMainFile() {}

void FMainFile::updateFileInfo() {}

void FMainFile::stopThumbnails() {}

void FMainFile::askSaveFileList(bool *cancel)
{
    if (cancel)
        *cancel = false;
}

bool FMainFile::saveFileList()
{
    return false;
}

void FMainFile::setBusy(bool) {}

void FMainFile::on_btnLoadClicked() {}

void FMainFile::on_btnSaveClicked() {}
