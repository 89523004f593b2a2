// FMainOutput: the Step 3 page (still to come).
#include "fmainoutput.h"

FMainOutput::FMainOutput(QWidget *parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

FMainOutput::~FMainOutput() {}

void FMainOutput::updateConfig() {}

void FMainOutput::loadConfig() {}

void FMainOutput::setBusy(bool) {}
