// watermark_text: the operation keeps the font, the colour and the published
// snapshot; each filter it hands out is configured with a picture rendered
// (and turned) for its own source file. The "watermark" filter's own rotation
// is never given. The widget edits the text, the spaces, the transparency and
// the rotation, with a menu of keywords; the offsets only come from profiles.
#include "watermark_text.h"

#include "ui_optwatermarktext.h"

#include <QEvent>

COperation_watermark_text::COperation_watermark_text()
    : CTextOperation(
          "watermark_text", "watermark",
          {"watermark_image", "transparency", "x_space", "y_space", "x_offset", "y_offset"})
{
}

QWidget *COperation_watermark_text::createWidget(QWidget *parent)
{
    return new COperationWidget_watermark_text(this, parent);
}

CAbstractOperation *operation_create_watermark_text()
{
    return new COperation_watermark_text;
}

COperationWidget_watermark_text::COperationWidget_watermark_text(
    COperation_watermark_text *operation, QWidget *parent)
    : CTextOperationWidget(operation, parent), m_ui(new Ui::OptWatermarkText),
      m_operation(operation)
{
    m_ui->setupUi(this);
    setupText(m_ui->edtText, m_ui->btnText, m_ui->btnFont, m_ui->btnColor, m_ui->sbRotation,
              m_ui->lbColor);
    for (QSpinBox *box :
         {m_ui->sbXSpace, m_ui->sbYSpace, m_ui->sbXOffset, m_ui->sbYOffset, m_ui->sbTransparency})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &COperationWidget_watermark_text::on_spinBoxValueChanged);
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

COperationWidget_watermark_text::~COperationWidget_watermark_text()
{
    delete m_ui;
}

void COperationWidget_watermark_text::updateParams()
{
    std::vector<std::string> values = {
        std::string(),
        std::to_string(m_ui->sbTransparency->value()),
        std::to_string(m_ui->sbXSpace->value()),
        std::to_string(m_ui->sbYSpace->value()),
        std::to_string(m_ui->sbXOffset->value()),
        std::to_string(m_ui->sbYOffset->value()),
    };
    m_operation->publishText(values, m_ui->edtText->text(), m_ui->sbRotation->value());
    m_operation->notifyChanged();
}

void COperationWidget_watermark_text::listParams(OperationParamList &params) const
{
    static const char *const keys[] = {"transparency", "x_space", "y_space", "x_offset",
                                       "y_offset"};
    OperationParamsPtr set = m_operation->params();
    params.clear();
    params.append(qMakePair(QStringLiteral("color"), operation_color_text(m_operation->color())));
    params.append(qMakePair(QStringLiteral("font"), m_operation->font().toString()));
    params.append(qMakePair(QStringLiteral("text"), m_ui->edtText->text()));
    params.append(
        qMakePair(QStringLiteral("rotation"), operation_real_text(m_ui->sbRotation->value(), 2)));
    for (int i = 0; i < 5; i++)
        params.append(
            qMakePair(QString::fromLatin1(keys[i]), QString::fromStdString(set->values[i + 1])));
}

bool COperationWidget_watermark_text::loadParams(const OperationParamList &params)
{
    for (const auto &pair : params) {
        const QString &key = pair.first, &value = pair.second;
        if (applyTextParam(key, value))
            continue;
        if (key == QLatin1String("transparency")) {
            operation_set_int(m_ui->sbTransparency, value);
        } else if (key == QLatin1String("x_space")) {
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
    return true;
}

void COperationWidget_watermark_text::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        retranslateMenu();
    }
    QWidget::changeEvent(event);
}
