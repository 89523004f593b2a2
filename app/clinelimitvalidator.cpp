// QIntValidator lets a number above its top through as Intermediate while it
// has no more digits than the top (so "20000" passes a top of 10000); a line
// limit is only ever typed upwards from its first digit, so anything above the
// top is refused at once.
#include "clinelimitvalidator.h"

CLineLimitValidator::CLineLimitValidator(int bottom, int top, QObject *parent)
    : QIntValidator(bottom, top, parent)
{
}

QValidator::State CLineLimitValidator::validate(QString &input, int &pos) const
{
    const State state = QIntValidator::validate(input, pos);
    if (state != Intermediate)
        return state;
    bool ok = false;
    const qlonglong value = locale().toLongLong(input, &ok);
    if (ok && value > top())
        return Invalid;
    return state;
}
