// watermark_image: the operation keeps the image path and the published
// settings; its widget owns the loaded picture and publishes, at every
// applied edit, the recipe of the scaled copy that the "watermark" filters
// make (once) and are lent; the picture's address is written in by each
// filter. The filter turns the tiles itself.
#include "watermark_image.h"

#include "ui_optwatermarkimage.h"

#include <QEvent>

COperation_watermark_image::COperation_watermark_image()
    : CImageOperation("watermark_image", "watermark",
                      {"watermark_image", "transparency", "rotation", "x_space", "y_space",
                       "x_offset", "y_offset"})
{
}

QWidget *COperation_watermark_image::createWidget(QWidget *parent)
{
    return new COperationWidget_watermark_image(this, parent);
}

CAbstractOperation *operation_create_watermark_image()
{
    return new COperation_watermark_image;
}

COperationWidget_watermark_image::COperationWidget_watermark_image(
    COperation_watermark_image *operation, QWidget *parent)
    : CImageOperationWidget(operation, "Load Watermark Image FAILED!", parent),
      m_ui(new Ui::OptWatermarkImage), m_operation(operation)
{
    m_ui->setupUi(this);
    setupImage(m_ui->edtImage, m_ui->btnImage, m_ui->sbScale, m_ui->sbRotation,
               m_ui->sbTransparency);
    for (QSpinBox *box : {m_ui->sbXSpace, m_ui->sbYSpace, m_ui->sbXOffset, m_ui->sbYOffset,
                          m_ui->sbScale, m_ui->sbTransparency})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &COperationWidget_watermark_image::on_spinBoxValueChanged);
    CPictureOperation::linkTransparency(m_ui->sliderTransparency, m_ui->sbTransparency);
    m_deadline = -1;
    updateParams();
    startTick();
    /* The offsets are not for the user to edit; a profile may still set
     * them, and they are written like every other value. */
    m_ui->lbXOffset->hide();
    m_ui->sbXOffset->hide();
    m_ui->lbYOffset->hide();
    m_ui->sbYOffset->hide();
}

COperationWidget_watermark_image::~COperationWidget_watermark_image()
{
    delete m_ui;
}

void COperationWidget_watermark_image::updateParams()
{
    prepareWorking(m_ui->sbScale->value(), 0.0);
    auto set = std::make_shared<OperationParams>();
    set->recipe = m_working;
    set->values = {std::string(),
                   std::to_string(m_ui->sbTransparency->value()),
                   operation_real_text(m_ui->sbRotation->value(), 2).toStdString(),
                   std::to_string(m_ui->sbXSpace->value()),
                   std::to_string(m_ui->sbYSpace->value()),
                   std::to_string(m_ui->sbXOffset->value()),
                   std::to_string(m_ui->sbYOffset->value())};
    m_operation->publish(std::move(set));
    m_operation->notifyChanged();
}

void COperationWidget_watermark_image::listParams(OperationParamList &params) const
{
    static const char *const keys[] = {"transparency", "rotation", "x_space",
                                       "y_space",      "x_offset", "y_offset"};
    OperationParamsPtr set = m_operation->params();
    params.clear();
    params.append(qMakePair(QStringLiteral("imagefile"), m_operation->imagePath()));
    params.append(qMakePair(QStringLiteral("scale"), QString::number(m_ui->sbScale->value())));
    for (int i = 0; i < 6; i++)
        params.append(
            qMakePair(QString::fromLatin1(keys[i]), QString::fromStdString(set->values[i + 1])));
}

bool COperationWidget_watermark_image::loadParams(const OperationParamList &params)
{
    bool result = true;
    for (const auto &pair : params) {
        const QString &key = pair.first, &value = pair.second;
        if (applyImageParam(key, value, &result))
            continue;
        if (key == QLatin1String("x_space")) {
            operation_set_int(m_ui->sbXSpace, value);
        } else if (key == QLatin1String("y_space")) {
            operation_set_int(m_ui->sbYSpace, value);
        } else if (key == QLatin1String("x_offset")) {
            operation_set_int(m_ui->sbXOffset, value);
        } else if (key == QLatin1String("y_offset")) {
            operation_set_int(m_ui->sbYOffset, value);
        }
    }
    updateParams();
    return result;
}

void COperationWidget_watermark_image::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        m_ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
