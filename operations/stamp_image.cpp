// stamp_image: the operation keeps the image path and the published settings;
// its widget owns the loaded picture and makes the working copy that the
// "stamp" filters are lent at every applied edit.
#include "stamp_image.h"

#include "dialogs.h"
#include "stylemsg.h"
#include "ui_optstampimage.h"

#include <QEvent>
#include <QStandardPaths>

static const char *const k_xWords[3] = {"left", "middle", "right"};
static const char *const k_yWords[3] = {"top", "middle", "bottom"};

COperation_stamp_image::COperation_stamp_image()
    : CPictureOperation("stamp_image", "stamp", {"stamp_image", "transparency", "x_pos", "y_pos"})
{
}

QWidget *COperation_stamp_image::createWidget(QWidget *parent)
{
    return new COperationWidget_stamp_image(this, parent);
}

bool COperation_stamp_image::getParams(OperationParamList &params)
{
    auto *widget = static_cast<COperationWidget_stamp_image *>(m_widget);
    if (!widget)
        return false;
    widget->listParams(params);
    return true;
}

bool COperation_stamp_image::setParams(const OperationParamList &params)
{
    auto *widget = static_cast<COperationWidget_stamp_image *>(m_widget);
    if (!widget)
        return false;
    return widget->applyParams(params);
}

CAbstractOperation *operation_create_stamp_image()
{
    return new COperation_stamp_image;
}

COperationWidget_stamp_image::COperationWidget_stamp_image(COperation_stamp_image *operation,
                                                           QWidget *parent)
    : COperationWidget(parent), m_ui(new Ui::OptStampImage), m_operation(operation)
{
    m_ui->setupUi(this);
    connect(m_ui->edtImage, &QLineEdit::textChanged, this,
            &COperationWidget_stamp_image::on_lineEditTextChanged);
    connect(m_ui->btnImage, &QPushButton::clicked, this,
            &COperationWidget_stamp_image::on_btnImageClicked);
    connect(m_ui->sbRotation, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &COperationWidget_stamp_image::on_dspinBoxValueChanged);
    for (QSpinBox *box : {m_ui->sbScale, m_ui->sbTransparency, m_ui->sbXDelta, m_ui->sbYDelta})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &COperationWidget_stamp_image::on_spinBoxValueChanged);
    for (QComboBox *box : {m_ui->cmbXDelta, m_ui->cmbXPos, m_ui->cmbYDelta, m_ui->cmbYPos})
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &COperationWidget_stamp_image::on_comboBoxCurrentIndexChanged);
    connect(m_ui->sliderTransparency, &QSlider::valueChanged, m_ui->sbTransparency,
            &QSpinBox::setValue);
    connect(m_ui->sbTransparency, QOverload<int>::of(&QSpinBox::valueChanged),
            m_ui->sliderTransparency, &QSlider::setValue);
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
    m_workingImage =
        picture_prepare(m_loadedImage.get(), m_ui->sbScale->value(), m_ui->sbRotation->value());
    auto set = std::make_shared<OperationParams>();
    set->picture = m_workingImage;
    set->values.resize(4);
    set->values[0] = picture_address(m_workingImage.get());
    set->values[1] = std::to_string(m_ui->sbTransparency->value());
    CPictureOperation::applyUnit(m_ui->cmbXDelta, m_ui->sbXDelta);
    CPictureOperation::applyUnit(m_ui->cmbYDelta, m_ui->sbYDelta);
    set->values[2] =
        CPictureOperation::positionText(k_xWords, m_ui->cmbXPos, m_ui->cmbXDelta, m_ui->sbXDelta);
    set->values[3] =
        CPictureOperation::positionText(k_yWords, m_ui->cmbYPos, m_ui->cmbYDelta, m_ui->sbYDelta);
    m_operation->publish(std::move(set));
    m_operation->notifyChanged();
}

bool COperationWidget_stamp_image::loadImage(const QString &path)
{
    PicturePtr picture = picture_load(path);
    if (!picture)
        return false;
    m_loadedImage = std::move(picture);
    m_ui->edtImage->setText(path);
    m_operation->setImagePath(path);
    return true;
}

void COperationWidget_stamp_image::on_btnImageClicked()
{
    const QString path =
        Dialogs::getOpenFileName(this, tr("QFileDialog::getOpenFileNames()"),
                                 QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
                                 tr("All Files (*);;Image Files (*.bmp *.png *.jpg *.gif)"));
    if (path.isEmpty())
        return;
    if (!loadImage(path)) {
        StyleMsg::critical(nullptr, tr("Zandrevik"), QString::fromUtf8("Load Stamp Image FAILED!"),
                           QDialogButtonBox::Ok);
        return;
    }
    updateParams();
}

void COperationWidget_stamp_image::on_lineEditTextChanged(const QString &)
{
    deferApply();
}

void COperationWidget_stamp_image::on_spinBoxValueChanged(int)
{
    deferApply();
}

void COperationWidget_stamp_image::on_dspinBoxValueChanged(double)
{
    deferApply();
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

bool COperationWidget_stamp_image::applyParams(const OperationParamList &params)
{
    bool result = true;
    for (const auto &pair : params) {
        const QString &key = pair.first, &value = pair.second;
        if (key == QLatin1String("imagefile")) {
            m_operation->setImagePath(value);
            if (!loadImage(value))
                result = false;
        } else if (key == QLatin1String("scale")) {
            m_ui->sbScale->setValue(operation_text_int(value));
        } else if (key == QLatin1String("rotation")) {
            m_ui->sbRotation->setValue(operation_text_real(value));
        } else if (key == QLatin1String("transparency")) {
            m_ui->sbTransparency->setValue(operation_text_int(value));
        } else if (key == QLatin1String("x_pos")) {
            CPictureOperation::readPosition(value, k_xWords, m_ui->cmbXPos, m_ui->cmbXDelta,
                                            m_ui->sbXDelta);
        } else if (key == QLatin1String("y_pos")) {
            CPictureOperation::readPosition(value, k_yWords, m_ui->cmbYPos, m_ui->cmbYDelta,
                                            m_ui->sbYDelta);
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
