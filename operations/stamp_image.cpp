// stamp_image: the operation keeps the image path and the published settings;
// its widget owns the loaded picture and publishes, at every applied edit,
// the recipe of the scaled and turned copy that the "stamp" filters make
// (once) and are lent.
#include "stamp_image.h"

#include "ui_optstampimage.h"

#include <QEvent>

COperation_stamp_image::COperation_stamp_image()
    : CImageOperation("stamp_image", "stamp", {"stamp_image", "transparency", "x_pos", "y_pos"})
{
}

QWidget *COperation_stamp_image::createWidget(QWidget *parent)
{
    return new COperationWidget_stamp_image(this, parent);
}

CAbstractOperation *operation_create_stamp_image()
{
    return new COperation_stamp_image;
}

COperationWidget_stamp_image::COperationWidget_stamp_image(COperation_stamp_image *operation,
                                                           QWidget *parent)
    : CImageOperationWidget(operation, "Load Stamp Image FAILED!", parent),
      m_ui(new Ui::OptStampImage), m_operation(operation)
{
    m_ui->setupUi(this);
    setupImage(m_ui->edtImage, m_ui->btnImage, m_ui->sbScale, m_ui->sbRotation,
               m_ui->sbTransparency);
    for (QSpinBox *box : {m_ui->sbScale, m_ui->sbTransparency, m_ui->sbXDelta, m_ui->sbYDelta})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &COperationWidget_stamp_image::on_spinBoxValueChanged);
    for (QComboBox *box : {m_ui->cmbXDelta, m_ui->cmbXPos, m_ui->cmbYDelta, m_ui->cmbYPos})
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &COperationWidget_stamp_image::on_comboBoxCurrentIndexChanged);
    CPictureOperation::linkTransparency(m_ui->sliderTransparency, m_ui->sbTransparency);
    m_deadline = -1;
    updateParams();
    startTick();
}

COperationWidget_stamp_image::~COperationWidget_stamp_image()
{
    delete m_ui;
}

void COperationWidget_stamp_image::updateParams()
{
    prepareWorking(m_ui->sbScale->value(), m_ui->sbRotation->value());
    auto set = std::make_shared<OperationParams>();
    set->recipe = m_working;
    set->values.resize(4);
    // The picture's address is written in by each filter when it runs with
    // the recipe's copy.
    set->values[1] = std::to_string(m_ui->sbTransparency->value());
    CPictureOperation::applyUnit(m_ui->cmbXDelta, m_ui->sbXDelta);
    CPictureOperation::applyUnit(m_ui->cmbYDelta, m_ui->sbYDelta);
    set->values[2] = CPictureOperation::positionText(CPictureOperation::k_xWords, m_ui->cmbXPos,
                                                     m_ui->cmbXDelta, m_ui->sbXDelta);
    set->values[3] = CPictureOperation::positionText(CPictureOperation::k_yWords, m_ui->cmbYPos,
                                                     m_ui->cmbYDelta, m_ui->sbYDelta);
    m_operation->publish(std::move(set));
    m_operation->notifyChanged();
}

void COperationWidget_stamp_image::on_comboBoxCurrentIndexChanged(int)
{
    updateParams();
}

void COperationWidget_stamp_image::listParams(OperationParamList &params) const
{
    OperationParamsPtr set = m_operation->params();
    params.clear();
    params.append(qMakePair(QStringLiteral("imagefile"), m_operation->imagePath()));
    params.append(qMakePair(QStringLiteral("scale"), QString::number(m_ui->sbScale->value())));
    params.append(
        qMakePair(QStringLiteral("rotation"), operation_real_text(m_ui->sbRotation->value(), 2)));
    params.append(
        qMakePair(QStringLiteral("transparency"), QString::fromStdString(set->values[1])));
    params.append(qMakePair(QStringLiteral("x_pos"), QString::fromStdString(set->values[2])));
    params.append(qMakePair(QStringLiteral("y_pos"), QString::fromStdString(set->values[3])));
}

bool COperationWidget_stamp_image::loadParams(const OperationParamList &params)
{
    bool result = true;
    for (const auto &pair : params) {
        const QString &key = pair.first, &value = pair.second;
        if (applyImageParam(key, value, &result))
            continue;
        if (key == QLatin1String("x_pos")) {
            CPictureOperation::readPosition(value, CPictureOperation::k_xWords, m_ui->cmbXPos,
                                            m_ui->cmbXDelta, m_ui->sbXDelta);
        } else if (key == QLatin1String("y_pos")) {
            CPictureOperation::readPosition(value, CPictureOperation::k_yWords, m_ui->cmbYPos,
                                            m_ui->cmbYDelta, m_ui->sbYDelta);
        }
    }
    updateParams();
    return result;
}

void COperationWidget_stamp_image::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        m_ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
