// FInputCounter: still to come; it composes nothing yet.
#include "finputcounter.h"

FInputCounter::FInputCounter(QString *result, QWidget *parent)
    : StyleDialog(1, false, parent), m_result(result)
{
}

FInputCounter::~FInputCounter() {}
