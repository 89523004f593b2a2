// The rotate operation and its settings widget: the angle with two decimals
// and the background colour text, both written together on a change.
#include "rotate.h"

#include "dialogs.h"
#include "ui_optrotate.h"

#include <QDoubleSpinBox>
#include <QPushButton>
#include <QRadioButton>

COperation_rotate::COperation_rotate()
    : CParamOperation("rotate", "rotate", {"angle", "background_color"}), m_appliedColor(Qt::white),
      m_color(Qt::white)
{
}

QWidget *COperation_rotate::createWidget(QWidget *parent)
{
    return new COperationWidget_rotate(this, parent);
}

COperationWidget_rotate::COperationWidget_rotate(COperation_rotate *operation, QWidget *parent)
    : COperationWidget(parent), m_ui(new Ui::OptRotate), m_operation(operation)
{
    m_ui->setupUi(this);
    for (QRadioButton *radio : {m_ui->rbl90, m_ui->rbr90, m_ui->rbr180, m_ui->rbFree})
        connect(radio, &QRadioButton::toggled, this,
                &COperationWidget_rotate::on_ratioButtonToggled);
    connect(m_ui->sbDegrees, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &COperationWidget_rotate::on_dspinBoxValueChanged);
    connect(m_ui->btnColor, &QPushButton::clicked, this,
            &COperationWidget_rotate::on_btnColorClicked);
    m_ui->lbColor->setStyleSheet(
        QStringLiteral("background-color: %1;").arg(m_operation->color().name()));
    m_deadline = -1;
    updateParams();
    startTick();
}

COperationWidget_rotate::~COperationWidget_rotate()
{
    delete m_ui;
}

void COperationWidget_rotate::updateParams()
{
    double angle = m_ui->sbDegrees->value();
    if (m_ui->rbl90->isChecked())
        angle = -90;
    else if (m_ui->rbr90->isChecked())
        angle = 90;
    else if (m_ui->rbr180->isChecked())
        angle = 180;
    if (m_operation->isApplied(angle))
        return;
    m_operation->setApplied(angle);
    m_operation->publishValues({operation_real_text(angle, 2).toStdString(),
                                operation_color_text(m_operation->color()).toStdString()});
    m_operation->notifyChanged();
}

bool COperationWidget_rotate::loadParams(const OperationParamList &params)
{
    for (const auto &pair : params) {
        if (pair.first == QLatin1String("angle")) {
            const double angle = operation_text_real(pair.second);
            if (angle == -90) {
                m_ui->rbl90->setChecked(true);
            } else if (angle == 90) {
                m_ui->rbr90->setChecked(true);
            } else if (angle == 180) {
                m_ui->rbr180->setChecked(true);
            } else {
                m_ui->rbFree->setChecked(true);
                m_ui->sbDegrees->setValue(angle);
            }
        } else if (pair.first == QLatin1String("background_color")) {
            QColor color = m_operation->color();
            operation_color_read(pair.second, &color);
            m_operation->setColor(color);
        }
    }
    // The swatch follows the loaded colour, so that it never shows a stale one.
    m_ui->lbColor->setStyleSheet(operation_swatch_style(m_operation->color()));
    updateParams();
    return true;
}

void COperationWidget_rotate::on_ratioButtonToggled(bool)
{
    updateParams();
}

void COperationWidget_rotate::on_dspinBoxValueChanged(double)
{
    deferApply();
}

void COperationWidget_rotate::on_btnColorClicked()
{
    const QColor color =
        Dialogs::getColor(m_operation->color(), nullptr, QString(), QColorDialog::ShowAlphaChannel);
    if (!color.isValid())
        return;
    m_operation->setColor(color);
    m_ui->lbColor->setStyleSheet(operation_swatch_style(color));
    applySoon();
}

CAbstractOperation *operation_create_rotate()
{
    return new COperation_rotate;
}
