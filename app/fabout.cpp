// FAbout: the about box (still to come).
#include "fabout.h"

FAbout::FAbout(QWidget *parent) : StyleDialog(1, false, parent) {}

FAbout::~FAbout() {}
