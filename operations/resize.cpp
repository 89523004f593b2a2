// The resize operation and its settings widget: width and height after the
// one unit of both, the keep-aspect word, and the padding colour text when
// padding.
#include "resize.h"

#include "dialogs.h"
#include "ui_optresize.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <string.h>

COperation_resize::COperation_resize()
    : CParamOperation("resize", "resize", {"width", "height", "keep_aspect", "padding_color"}),
      m_paddingColor(Qt::white)
{
}

QWidget *COperation_resize::createWidget(QWidget *parent)
{
    return new COperationWidget_resize(this, parent);
}

COperationWidget_resize::COperationWidget_resize(COperation_resize *operation, QWidget *parent)
    : COperationWidget(parent), m_ui(new Ui::OptResize), m_operation(operation)
{
    m_ui->setupUi(this);
    // The boxes show the unit they are limited by from the start.
    applyUnit();
    connect(m_ui->btnColor, &QPushButton::clicked, this,
            &COperationWidget_resize::on_btnColorClicked);
    for (QRadioButton *radio :
         {m_ui->rbCropping, m_ui->rbpadding, m_ui->rbFixedWidth, m_ui->rbFixedHeight})
        connect(radio, &QRadioButton::toggled, this,
                &COperationWidget_resize::on_ratioButtonToggled);
    connect(m_ui->gbpKeepAspect, &QGroupBox::toggled, this,
            &COperationWidget_resize::on_ratioButtonToggled);
    connect(m_ui->rbPixels, &QRadioButton::toggled, this,
            &COperationWidget_resize::on_ratioButtonToggled);
    connect(m_ui->rbPercents, &QRadioButton::toggled, this,
            &COperationWidget_resize::on_ratioButtonToggled);
    connect(m_ui->sbWidth, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &COperationWidget_resize::on_spinBoxValueChanged);
    connect(m_ui->sbHeight, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &COperationWidget_resize::on_spinBoxValueChanged);
    m_ui->lbColor->setStyleSheet(
        QStringLiteral("background-color: %1;").arg(m_operation->paddingColor().name()));
    m_deadline = -1;
    updateParams();
    startTick();
}

COperationWidget_resize::~COperationWidget_resize()
{
    delete m_ui;
}

void COperationWidget_resize::updateParams()
{
    const bool percent = m_ui->rbPercents->isChecked();
    const char *keep = "none";
    if (m_ui->gbpKeepAspect->isChecked()) {
        if (m_ui->rbCropping->isChecked())
            keep = "cropping";
        else if (m_ui->rbpadding->isChecked())
            keep = "padding";
        else if (m_ui->rbFixedWidth->isChecked())
            keep = "fixed_width";
        else if (m_ui->rbFixedHeight->isChecked())
            keep = "fixed_height";
    }
    const bool padding = !strcmp(keep, "padding");
    m_operation->publishValues(
        {operation_length_text(m_ui->sbWidth->value(), percent).toStdString(),
         operation_length_text(m_ui->sbHeight->value(), percent).toStdString(), keep,
         padding ? operation_color_text(m_operation->paddingColor()).toStdString() : ""});
    m_operation->notifyChanged();
}

void COperationWidget_resize::applyUnit()
{
    // The number stays; only its range follows the unit (20000 px become
    // 10000 %).
    const bool percent = m_ui->rbPercents->isChecked();
    for (QSpinBox *box : {m_ui->sbWidth, m_ui->sbHeight}) {
        box->setRange(1, percent ? 10000 : 65536);
        box->setSuffix(percent ? QStringLiteral("%") : QStringLiteral(" px"));
    }
}

bool COperationWidget_resize::loadParams(const OperationParamList &params)
{
    m_ui->gbpKeepAspect->setChecked(false);
    for (const auto &pair : params) {
        const QString &key = pair.first;
        const QString &text = pair.second;
        if (key == QLatin1String("width") || key == QLatin1String("height")) {
            // The unit first, so that the number is limited by its own unit only.
            if (text.contains(QLatin1Char('%')))
                m_ui->rbPercents->setChecked(true);
            else
                m_ui->rbPixels->setChecked(true);
            QSpinBox *box = key == QLatin1String("width") ? m_ui->sbWidth : m_ui->sbHeight;
            box->setValue(operation_text_int(text));
        } else if (key == QLatin1String("keep_aspect")) {
            QRadioButton *radio = text == QLatin1String("cropping")       ? m_ui->rbCropping
                                  : text == QLatin1String("padding")      ? m_ui->rbpadding
                                  : text == QLatin1String("fixed_width")  ? m_ui->rbFixedWidth
                                  : text == QLatin1String("fixed_height") ? m_ui->rbFixedHeight
                                                                          : nullptr;
            if (radio) {
                radio->setChecked(true);
                m_ui->gbpKeepAspect->setChecked(true);
            } else {
                m_ui->gbpKeepAspect->setChecked(false);
            }
        } else if (key == QLatin1String("padding_color")) {
            QColor color = m_operation->paddingColor();
            operation_color_read(text, &color);
            m_operation->setPaddingColor(color);
        }
    }
    // The swatch follows the loaded colour, so that it never shows a stale one.
    m_ui->lbColor->setStyleSheet(operation_swatch_style(m_operation->paddingColor()));
    updateParams();
    return true;
}

void COperationWidget_resize::on_ratioButtonToggled(bool)
{
    applyUnit();
    updateParams();
}

void COperationWidget_resize::on_spinBoxValueChanged(int)
{
    deferApply();
}

void COperationWidget_resize::on_btnColorClicked()
{
    const QColor color = Dialogs::getColor(m_operation->paddingColor(), nullptr, QString(),
                                           QColorDialog::ShowAlphaChannel);
    if (!color.isValid())
        return;
    m_operation->setPaddingColor(color);
    m_ui->lbColor->setStyleSheet(operation_swatch_style(color));
    applySoon();
}

CAbstractOperation *operation_create_resize()
{
    return new COperation_resize;
}
