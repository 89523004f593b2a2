// FInputCounter: the modal keyword dialog that composes a <Counter ...> keyword
// for the caller's string.
#ifndef FINPUTCOUNTER_H
#define FINPUTCOUNTER_H

#include "styledialog.h"

#include <QString>

namespace Ui
{
class UInputCounter;
}

class FInputCounter : public StyleDialog
{
    Q_OBJECT

public:
    // result receives the keyword when the dialog is accepted; it is left
    // as it was otherwise.
    explicit FInputCounter(QString *result, QWidget *parent = nullptr);
    ~FInputCounter() override;

private slots:
    void on_btnCancelClicked();
    void on_btnOkClicked();

private:
    Ui::UInputCounter *m_ui;
    QString *m_result;
};

#endif
