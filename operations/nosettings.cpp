// auto_contrast, equalize, gray and negative: the filter of the kind's own
// name without settings, and the "no settings" widget.
#include "nosettings.h"

#include "filter/imagefilter.h"
#include "ui_optdummy.h"

#include <QEvent>

COperationWidget_dummy::COperationWidget_dummy(QWidget *parent)
    : QWidget(parent), m_ui(new Ui::OptDummy)
{
    m_ui->setupUi(this);
}

COperationWidget_dummy::~COperationWidget_dummy()
{
    delete m_ui;
}

void COperationWidget_dummy::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        m_ui->retranslateUi(this);
    QWidget::changeEvent(event);
}

imagefilter_t *CPlainOperation::keptFilter()
{
    if (!m_filter)
        m_filter = imagefilter_create(m_kind);
    return m_filter;
}

imagefilter_t *CPlainOperation::getFilter(const QString &, int)
{
    return keptFilter();
}

imagefilter_t *CPlainOperation::createFilter(const QString &, int)
{
    return imagefilter_create(m_kind);
}

CAbstractOperation *operation_create_auto_contrast()
{
    return new COperation_auto_contrast;
}

CAbstractOperation *operation_create_equalize()
{
    return new COperation_equalize;
}

CAbstractOperation *operation_create_gray()
{
    return new COperation_gray;
}

CAbstractOperation *operation_create_negative()
{
    return new COperation_negative;
}
