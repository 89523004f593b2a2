// The flip operation and its settings widget: "1" or "0" per direction.
#include "flip.h"

#include "ui_optflip.h"

#include <QCheckBox>

COperation_flip::COperation_flip() : CParamOperation("flip", "flip", {"horizontal", "vertical"}) {}

QWidget *COperation_flip::createWidget(QWidget *parent)
{
    return new COperationWidget_flip(this, parent);
}

COperationWidget_flip::COperationWidget_flip(COperation_flip *operation, QWidget *parent)
    : COperationWidget(parent), m_ui(new Ui::OptFlip), m_operation(operation)
{
    m_ui->setupUi(this);
    connect(m_ui->chbHorizontal, &QCheckBox::stateChanged, this,
            &COperationWidget_flip::on_checkBoxStateChanged);
    connect(m_ui->chbVertical, &QCheckBox::stateChanged, this,
            &COperationWidget_flip::on_checkBoxStateChanged);
    updateParams();
}

COperationWidget_flip::~COperationWidget_flip()
{
    delete m_ui;
}

void COperationWidget_flip::updateParams()
{
    m_operation->publishValues(
        {m_ui->chbHorizontal->isChecked() ? "1" : "0", m_ui->chbVertical->isChecked() ? "1" : "0"});
    m_operation->notifyChanged();
}

bool COperationWidget_flip::loadParams(const OperationParamList &params)
{
    for (const auto &pair : params) {
        if (pair.first == QLatin1String("horizontal"))
            m_ui->chbHorizontal->setChecked(operation_text_int(pair.second) == 1);
        else if (pair.first == QLatin1String("vertical"))
            m_ui->chbVertical->setChecked(operation_text_int(pair.second) == 1);
    }
    updateParams();
    return true;
}

void COperationWidget_flip::on_checkBoxStateChanged(int)
{
    updateParams();
}

CAbstractOperation *operation_create_flip()
{
    return new COperation_flip;
}
