// FInputCounter: start, step and digits composed into "<Counter s:t:d>".
#include "finputcounter.h"

#include "styletitle.h"
#include "ui_uinputcounter.h"

#include <QPushButton>

FInputCounter::FInputCounter(QString *result, QWidget *parent)
    : StyleDialog(1, true, parent), m_ui(new Ui::UInputCounter), m_result(result)
{
    m_ui->setupUi(contentWidget());
    titleBar()->setTitle(tr("Counter - Zandrevik"));
    connect(m_ui->btnOK, &QPushButton::clicked, this, &FInputCounter::on_btnOkClicked);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &FInputCounter::on_btnCancelClicked);
}

FInputCounter::~FInputCounter()
{
    delete m_ui;
}

void FInputCounter::on_btnCancelClicked()
{
    reject();
}

void FInputCounter::on_btnOkClicked()
{
    // A number still being typed counts as entered.
    m_ui->sbStart->interpretText();
    m_ui->sbStep->interpretText();
    m_ui->sbDigits->interpretText();
    if (m_result)
        *m_result = QStringLiteral("<Counter %1:%2:%3>")
                        .arg(m_ui->sbStart->value())
                        .arg(m_ui->sbStep->value())
                        .arg(m_ui->sbDigits->value());
    accept();
}
