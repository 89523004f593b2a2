// The roll operation and its settings widget: x and y as "%dpx" or "%d%%"
// after the one unit of both.
#include "roll.h"

#include "ui_optroll.h"

#include <QRadioButton>
#include <QSpinBox>

COperation_roll::COperation_roll() : CParamOperation("roll", "roll", {"x", "y"}) {}

QWidget *COperation_roll::createWidget(QWidget *parent)
{
    return new COperationWidget_roll(this, parent);
}

COperationWidget_roll::COperationWidget_roll(COperation_roll *operation, QWidget *parent)
    : COperationWidget(parent), m_ui(new Ui::OptRoll), m_operation(operation)
{
    m_ui->setupUi(this);
    // The boxes show the unit they are limited by from the start.
    applyUnit();
    connect(m_ui->rbPercents, &QRadioButton::toggled, this,
            &COperationWidget_roll::on_ratioButtonToggled);
    connect(m_ui->rbPixels, &QRadioButton::toggled, this,
            &COperationWidget_roll::on_ratioButtonToggled);
    connect(m_ui->sbHorizontal, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &COperationWidget_roll::on_spinBoxValueChanged);
    connect(m_ui->sbVertical, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &COperationWidget_roll::on_spinBoxValueChanged);
    m_deadline = -1;
    updateParams();
    startTick();
}

COperationWidget_roll::~COperationWidget_roll()
{
    delete m_ui;
}

void COperationWidget_roll::updateParams()
{
    const bool percent = m_ui->rbPercents->isChecked();
    m_operation->publishValues(
        {operation_length_text(m_ui->sbHorizontal->value(), percent).toStdString(),
         operation_length_text(m_ui->sbVertical->value(), percent).toStdString()});
    m_operation->notifyChanged();
}

void COperationWidget_roll::applyUnit()
{
    // The number stays; only its range follows the unit (250 px become 100 %).
    const bool percent = m_ui->rbPercents->isChecked();
    for (QSpinBox *box : {m_ui->sbHorizontal, m_ui->sbVertical}) {
        box->setRange(0, percent ? 100 : 65536);
        box->setSuffix(percent ? QStringLiteral("%") : QStringLiteral(" px"));
    }
}

bool COperationWidget_roll::loadParams(const OperationParamList &params)
{
    for (const auto &pair : params) {
        QSpinBox *box = pair.first == QLatin1String("x")   ? m_ui->sbHorizontal
                        : pair.first == QLatin1String("y") ? m_ui->sbVertical
                                                           : nullptr;
        if (!box)
            continue;
        // The unit first, so that the number is limited by its own unit only.
        if (pair.second.contains(QLatin1Char('%')))
            m_ui->rbPercents->setChecked(true);
        else
            m_ui->rbPixels->setChecked(true);
        box->setValue(operation_text_int(pair.second));
    }
    updateParams();
    return true;
}

void COperationWidget_roll::on_ratioButtonToggled(bool)
{
    applyUnit();
    updateParams();
}

void COperationWidget_roll::on_spinBoxValueChanged(int)
{
    deferApply();
}

CAbstractOperation *operation_create_roll()
{
    return new COperation_roll;
}
