// FOptions: the settings dialog (still to come).
#include "foptions.h"

FOptions::FOptions(QWidget *parent) : StyleDialog(1, false, parent) {}

FOptions::~FOptions() {}
