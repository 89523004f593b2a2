// FInputDatetime: the modal keyword dialog that composes a <Datetime ...> keyword
// for the caller's string.
#ifndef FINPUTDATETIME_H
#define FINPUTDATETIME_H

#include "styledialog.h"

#include <QString>

namespace Ui
{
class UInputDatetime;
}

class FInputDatetime : public StyleDialog
{
    Q_OBJECT

public:
    // result receives the keyword when the dialog is accepted; it is left
    // as it was otherwise.
    explicit FInputDatetime(QString *result, QWidget *parent = nullptr);
    ~FInputDatetime() override;

private slots:
    void on_btnCancelClicked();
    void on_btnOkClicked();

private:
    Ui::UInputDatetime *m_ui;
    QString *m_result;
};

#endif
