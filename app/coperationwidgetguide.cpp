// COperationWidget_guide: the guide text on its form.
#include "coperationwidgetguide.h"

#include "ui_optguide.h"

#include <QEvent>

COperationWidget_guide::COperationWidget_guide(QWidget *parent)
    : QWidget(parent), m_ui(new Ui::OptGuide)
{
    m_ui->setupUi(this);
}

COperationWidget_guide::~COperationWidget_guide()
{
    delete m_ui;
}

void COperationWidget_guide::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        m_ui->retranslateUi(this);
}
