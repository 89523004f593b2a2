// stamp_text: the operation keeps the font, the colour and the published
// snapshot; each filter it hands out is configured with a picture rendered
// for its own source file. The widget edits the text, the position, the
// transparency and the rotation, with a menu of keywords.
#include "stamp_text.h"

#include "ui_optstamptext.h"

#include <QEvent>

COperation_stamp_text::COperation_stamp_text()
    : CTextOperation("stamp_text", "stamp", {"stamp_image", "transparency", "x_pos", "y_pos"})
{
}

QWidget *COperation_stamp_text::createWidget(QWidget *parent)
{
    return new COperationWidget_stamp_text(this, parent);
}

CAbstractOperation *operation_create_stamp_text()
{
    return new COperation_stamp_text;
}

COperationWidget_stamp_text::COperationWidget_stamp_text(COperation_stamp_text *operation,
                                                         QWidget *parent)
    : CTextOperationWidget(operation, parent), m_ui(new Ui::OptStampText), m_operation(operation)
{
    m_ui->setupUi(this);
    setupText(m_ui->edtText, m_ui->btnText, m_ui->btnFont, m_ui->btnColor, m_ui->sbRotation,
              m_ui->lbColor);
    for (QSpinBox *box : {m_ui->sbTransparency, m_ui->sbXDelta, m_ui->sbYDelta})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &COperationWidget_stamp_text::on_spinBoxValueChanged);
    for (QComboBox *box : {m_ui->cmbXDelta, m_ui->cmbXPos, m_ui->cmbYDelta, m_ui->cmbYPos})
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &COperationWidget_stamp_text::on_comboBoxCurrentIndexChanged);
    CPictureOperation::linkTransparency(m_ui->sliderTransparency, m_ui->sbTransparency);
    m_deadline = -1;
    updateParams();
    startTick();
}

COperationWidget_stamp_text::~COperationWidget_stamp_text()
{
    delete m_ui;
}

void COperationWidget_stamp_text::updateParams()
{
    CPictureOperation::applyUnit(m_ui->cmbXDelta, m_ui->sbXDelta);
    CPictureOperation::applyUnit(m_ui->cmbYDelta, m_ui->sbYDelta);
    std::vector<std::string> values = {
        std::string(),
        std::to_string(m_ui->sbTransparency->value()),
        CPictureOperation::positionText(CPictureOperation::k_xWords, m_ui->cmbXPos, m_ui->cmbXDelta,
                                        m_ui->sbXDelta),
        CPictureOperation::positionText(CPictureOperation::k_yWords, m_ui->cmbYPos, m_ui->cmbYDelta,
                                        m_ui->sbYDelta),
    };
    m_operation->publishText(values, m_ui->edtText->text(), m_ui->sbRotation->value());
    m_operation->notifyChanged();
}

void COperationWidget_stamp_text::listParams(OperationParamList &params) const
{
    OperationParamsPtr set = m_operation->params();
    params.clear();
    params.append(qMakePair(QStringLiteral("color"), operation_color_text(m_operation->color())));
    params.append(qMakePair(QStringLiteral("font"), m_operation->font().toString()));
    params.append(
        qMakePair(QStringLiteral("rotation"), operation_real_text(m_ui->sbRotation->value(), 2)));
    params.append(qMakePair(QStringLiteral("text"), m_ui->edtText->text()));
    params.append(
        qMakePair(QStringLiteral("transparency"), QString::fromStdString(set->values[1])));
    params.append(qMakePair(QStringLiteral("x_pos"), QString::fromStdString(set->values[2])));
    params.append(qMakePair(QStringLiteral("y_pos"), QString::fromStdString(set->values[3])));
}

bool COperationWidget_stamp_text::loadParams(const OperationParamList &params)
{
    for (const auto &pair : params) {
        const QString &key = pair.first, &value = pair.second;
        if (applyTextParam(key, value))
            continue;
        if (key == QLatin1String("transparency")) {
            operation_set_int(m_ui->sbTransparency, value);
        } else if (key == QLatin1String("x_pos")) {
            CPictureOperation::readPosition(value, CPictureOperation::k_xWords, m_ui->cmbXPos,
                                            m_ui->cmbXDelta, m_ui->sbXDelta);
        } else if (key == QLatin1String("y_pos")) {
            CPictureOperation::readPosition(value, CPictureOperation::k_yWords, m_ui->cmbYPos,
                                            m_ui->cmbYDelta, m_ui->sbYDelta);
        }
    }
    updateParams();
    return true;
}

void COperationWidget_stamp_text::on_comboBoxCurrentIndexChanged(int)
{
    updateParams();
}

void COperationWidget_stamp_text::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        retranslateMenu();
    }
    QWidget::changeEvent(event);
}
