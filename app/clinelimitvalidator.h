// CLineLimitValidator: the integer validator of the log line limit, which
// refuses a keystroke that makes the number larger than its top.
#ifndef CLINELIMITVALIDATOR_H
#define CLINELIMITVALIDATOR_H

#include <QIntValidator>

class CLineLimitValidator : public QIntValidator
{
public:
    CLineLimitValidator(int bottom, int top, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;
};

#endif
