// The coloration operation and its settings widget: r, g and b as decimal
// channel values of the tint.
#include "coloration.h"

#include "dialogs.h"
#include "ui_optcoloration.h"

#include <QPushButton>

#include <algorithm>

COperation_coloration::COperation_coloration()
    : CParamOperation("coloration", "coloration", {"r", "g", "b"}), m_color(255, 153, 0, 255)
{
}

QWidget *COperation_coloration::createWidget(QWidget *parent)
{
    return new COperationWidget_coloration(this, parent);
}

COperationWidget_coloration::COperationWidget_coloration(COperation_coloration *operation,
                                                         QWidget *parent)
    : COperationWidget(parent), m_ui(new Ui::OptColoration), m_operation(operation)
{
    m_ui->setupUi(this);
    connect(m_ui->btnColor, &QPushButton::clicked, this,
            &COperationWidget_coloration::on_btnColorClicked);
    updateParams();
}

COperationWidget_coloration::~COperationWidget_coloration()
{
    delete m_ui;
}

void COperationWidget_coloration::updateParams()
{
    const QColor color = m_operation->color();
    m_ui->lbColor->setStyleSheet(QStringLiteral("background-color: %1;").arg(color.name()));
    m_operation->publishValues({QString::number(color.red()).toStdString(),
                                QString::number(color.green()).toStdString(),
                                QString::number(color.blue()).toStdString()});
    m_operation->notifyChanged();
}

bool COperationWidget_coloration::loadParams(const OperationParamList &params)
{
    QColor color = m_operation->color();
    for (const auto &pair : params) {
        // A channel outside 0..255 is brought to the nearest end.
        const int value = std::min(255, std::max(0, operation_text_int(pair.second)));
        if (pair.first == QLatin1String("r"))
            color.setRed(value);
        else if (pair.first == QLatin1String("g"))
            color.setGreen(value);
        else if (pair.first == QLatin1String("b"))
            color.setBlue(value);
    }
    m_operation->setColor(color);
    updateParams();
    return true;
}

void COperationWidget_coloration::on_btnColorClicked()
{
    const QColor color = Dialogs::getColor(m_operation->color(), nullptr, QString());
    if (!color.isValid())
        return;
    m_operation->setColor(color);
    updateParams();
}

CAbstractOperation *operation_create_coloration()
{
    return new COperation_coloration;
}
