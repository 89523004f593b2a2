// watermark_text: the operation keeps the font, the colour and the published
// snapshot; each filter it hands out is configured with a picture rendered
// (and turned) for its own source file. The "watermark" filter's own rotation
// is never given. The widget edits the text, the spaces, the transparency and
// the rotation, with a menu of keywords; the offsets only come from profiles.
#include "watermark_text.h"

#include "dialogs.h"
#include "finputcounter.h"
#include "finputdatetime.h"
#include "ui_optwatermarktext.h"

#include <QEvent>
#include <QMenu>

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

bool COperation_watermark_text::getParams(OperationParamList &params)
{
    auto *widget = static_cast<COperationWidget_watermark_text *>(m_widget);
    if (!widget)
        return false;
    widget->listParams(params);
    return true;
}

bool COperation_watermark_text::setParams(const OperationParamList &params)
{
    auto *widget = static_cast<COperationWidget_watermark_text *>(m_widget);
    if (!widget)
        return false;
    widget->applyParams(params);
    return true;
}

CAbstractOperation *operation_create_watermark_text()
{
    return new COperation_watermark_text;
}

COperationWidget_watermark_text::COperationWidget_watermark_text(
    COperation_watermark_text *operation, QWidget *parent)
    : COperationWidget(parent), m_ui(new Ui::OptWatermarkText), m_operation(operation)
{
    m_ui->setupUi(this);
    connect(m_ui->edtText, &QLineEdit::textChanged, this,
            &COperationWidget_watermark_text::on_lineEditTextChanged);
    connect(m_ui->btnText, &QPushButton::clicked, this,
            &COperationWidget_watermark_text::on_btnTextClicked);
    connect(m_ui->btnFont, &QPushButton::clicked, this,
            &COperationWidget_watermark_text::on_btnFontClicked);
    connect(m_ui->btnColor, &QPushButton::clicked, this,
            &COperationWidget_watermark_text::on_btnColorClicked);
    connect(m_ui->sbRotation, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &COperationWidget_watermark_text::on_dspinBoxValueChanged);
    for (QSpinBox *box :
         {m_ui->sbXSpace, m_ui->sbYSpace, m_ui->sbXOffset, m_ui->sbYOffset, m_ui->sbTransparency})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &COperationWidget_watermark_text::on_spinBoxValueChanged);
    connect(m_ui->sliderTransparency, &QSlider::valueChanged, m_ui->sbTransparency,
            &QSpinBox::setValue);
    connect(m_ui->sbTransparency, QOverload<int>::of(&QSpinBox::valueChanged),
            m_ui->sliderTransparency, &QSlider::setValue);
    styleSwatch();

    m_keywordMenu = new QMenu(this);
    m_actFilename = new QAction(this);
    m_actFilefolder = new QAction(this);
    m_actFileext = new QAction(this);
    m_actFilepath = new QAction(this);
    m_actCounter = new QAction(this);
    m_actDatetime = new QAction(this);
    m_actCopyright = new QAction(this);
    const struct {
        QAction *action;
        void (COperationWidget_watermark_text::*slot)();
    } actions[] = {
        {m_actFilename, &COperationWidget_watermark_text::onFilename},
        {m_actFilefolder, &COperationWidget_watermark_text::onFilefolder},
        {m_actFileext, &COperationWidget_watermark_text::onFileext},
        {m_actFilepath, &COperationWidget_watermark_text::onFilepath},
        {m_actCounter, &COperationWidget_watermark_text::onCounter},
        {m_actDatetime, &COperationWidget_watermark_text::onDatetime},
        {m_actCopyright, &COperationWidget_watermark_text::onCopyrightSign},
    };
    for (const auto &entry : actions) {
        m_keywordMenu->addAction(entry.action);
        connect(entry.action, &QAction::triggered, this, entry.slot);
    }
    retranslateMenu();

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

void COperationWidget_watermark_text::retranslateMenu()
{
    m_actFilename->setText(tr("Source File Name"));
    m_actFilefolder->setText(tr("Source Folder Name"));
    m_actFileext->setText(tr("Source Extension"));
    m_actFilepath->setText(tr("Source Path"));
    m_actCounter->setText(tr("Counter"));
    m_actDatetime->setText(tr("Data / Time"));
    m_actCopyright->setText(tr("Copyright Sign"));
}

void COperationWidget_watermark_text::styleSwatch()
{
    m_ui->lbColor->setStyleSheet(
        QStringLiteral("background-color: %1;").arg(m_operation->color().name()));
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

void COperationWidget_watermark_text::applyParams(const OperationParamList &params)
{
    for (const auto &pair : params) {
        const QString &key = pair.first, &value = pair.second;
        if (key == QLatin1String("color")) {
            QColor color;
            if (operation_color_read(value, &color))
                m_operation->setColor(color);
            styleSwatch();
        } else if (key == QLatin1String("font")) {
            QFont font = m_operation->font();
            if (font.fromString(value))
                m_operation->setFont(font);
        } else if (key == QLatin1String("rotation")) {
            m_ui->sbRotation->setValue(operation_text_real(value));
        } else if (key == QLatin1String("text")) {
            m_ui->edtText->setText(value);
        } else if (key == QLatin1String("transparency")) {
            m_ui->sbTransparency->setValue(operation_text_int(value));
        } else if (key == QLatin1String("x_space")) {
            m_ui->sbXSpace->setValue(operation_text_int(value));
        } else if (key == QLatin1String("y_space")) {
            m_ui->sbYSpace->setValue(operation_text_int(value));
        } else if (key == QLatin1String("x_offset")) {
            m_ui->sbXOffset->setValue(operation_text_int(value));
        } else if (key == QLatin1String("y_offset")) {
            m_ui->sbYOffset->setValue(operation_text_int(value));
        }
    }
    updateParams();
}

void COperationWidget_watermark_text::on_btnTextClicked()
{
    m_keywordMenu->exec(m_ui->btnText->mapToGlobal(QPoint(0, m_ui->btnText->height())));
}

void COperationWidget_watermark_text::on_btnFontClicked()
{
    bool ok = false;
    QFont font = Dialogs::getFont(&ok, m_operation->font(), nullptr, QString());
    if (!ok)
        return;
    m_operation->setFont(font);
    applySoon();
}

void COperationWidget_watermark_text::on_btnColorClicked()
{
    QColor color = Dialogs::getColor(m_operation->color(), nullptr, QString());
    if (!color.isValid())
        return;
    m_operation->setColor(color);
    styleSwatch();
    applySoon();
}

void COperationWidget_watermark_text::on_lineEditTextChanged(const QString &)
{
    deferApply();
}

void COperationWidget_watermark_text::on_spinBoxValueChanged(int)
{
    deferApply();
}

void COperationWidget_watermark_text::on_dspinBoxValueChanged(double)
{
    deferApply();
}

void COperationWidget_watermark_text::insertKeyword(const QString &keyword)
{
    m_ui->edtText->insert(keyword);
    updateParams();
}

void COperationWidget_watermark_text::onFilename()
{
    insertKeyword(QStringLiteral("<Filename>"));
}

void COperationWidget_watermark_text::onFilefolder()
{
    insertKeyword(QStringLiteral("<Foldername>"));
}

void COperationWidget_watermark_text::onFileext()
{
    insertKeyword(QStringLiteral("<Extension>"));
}

void COperationWidget_watermark_text::onFilepath()
{
    insertKeyword(QStringLiteral("<Path>"));
}

void COperationWidget_watermark_text::onCounter()
{
    QString keyword;
    FInputCounter dialog(&keyword, this);
    if (dialog.exec() == QDialog::Accepted)
        insertKeyword(keyword);
}

void COperationWidget_watermark_text::onDatetime()
{
    QString keyword;
    FInputDatetime dialog(&keyword, this);
    if (dialog.exec() == QDialog::Accepted)
        insertKeyword(keyword);
}

void COperationWidget_watermark_text::onCopyrightSign()
{
    insertKeyword(QStringLiteral("<Copyright>"));
}

void COperationWidget_watermark_text::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        retranslateMenu();
    }
    QWidget::changeEvent(event);
}
