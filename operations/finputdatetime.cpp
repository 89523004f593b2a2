// FInputDatetime: the date source, date pattern and time pattern composed
// into "<Datetime ...>". The pattern items stay untranslated: the keyword
// carries the item's text, and the expander knows only the English patterns.
#include "finputdatetime.h"

#include "styletitle.h"
#include "ui_uinputdatetime.h"

#include <QPushButton>

FInputDatetime::FInputDatetime(QString *result, QWidget *parent)
    : StyleDialog(1, true, parent), m_ui(new Ui::UInputDatetime), m_result(result)
{
    m_ui->setupUi(contentWidget());
    titleBar()->setTitle(tr("Datetime - Zandrevik"));
    connect(m_ui->btnOK, &QPushButton::clicked, this, &FInputDatetime::on_btnOkClicked);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &FInputDatetime::on_btnCancelClicked);
}

FInputDatetime::~FInputDatetime()
{
    delete m_ui;
}

void FInputDatetime::on_btnCancelClicked()
{
    reject();
}

void FInputDatetime::on_btnOkClicked()
{
    if (m_result) {
        QString keyword = QStringLiteral("<Datetime ");
        if (m_ui->cmbUse->currentIndex() == 0)
            keyword += QStringLiteral("Photo ");
        keyword += m_ui->cmbDate->currentText();
        switch (m_ui->cmbTimeFormat->currentIndex()) {
        case 0:
            keyword += QLatin1Char(' ') + m_ui->cmbTime->currentText() + QStringLiteral("24");
            break;
        case 1:
            keyword += QLatin1Char(' ') + m_ui->cmbTime->currentText();
            break;
        default:
            break;
        }
        keyword += QLatin1Char('>');
        m_result->append(keyword);
    }
    accept();
}
