// FInputDatetime: still to come; it composes nothing yet.
#include "finputdatetime.h"

FInputDatetime::FInputDatetime(QString *result, QWidget *parent)
    : StyleDialog(1, false, parent), m_result(result)
{
}

FInputDatetime::~FInputDatetime() {}
