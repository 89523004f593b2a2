// stamp_text: the operation keeps the font, the colour and the published
// snapshot; each filter it hands out is configured with a picture rendered
// for its own source file. The widget edits the text, the position, the
// transparency and the rotation, with a menu of keywords.
#include "stamp_text.h"

#include "dialogs.h"
#include "finputcounter.h"
#include "finputdatetime.h"
#include "ui_optstamptext.h"

#include <QEvent>
#include <QMenu>

static const char *const k_xWords[3] = {"left", "middle", "right"};
static const char *const k_yWords[3] = {"top", "middle", "bottom"};

COperation_stamp_text::COperation_stamp_text()
    : CTextOperation("stamp_text", "stamp", {"stamp_image", "transparency", "x_pos", "y_pos"})
{
}

QWidget *COperation_stamp_text::createWidget(QWidget *parent)
{
    return new COperationWidget_stamp_text(this, parent);
}

bool COperation_stamp_text::getParams(OperationParamList &params)
{
    auto *widget = static_cast<COperationWidget_stamp_text *>(m_widget);
    if (!widget)
        return false;
    widget->listParams(params);
    return true;
}

bool COperation_stamp_text::setParams(const OperationParamList &params)
{
    auto *widget = static_cast<COperationWidget_stamp_text *>(m_widget);
    if (!widget)
        return false;
    widget->applyParams(params);
    return true;
}

CAbstractOperation *operation_create_stamp_text()
{
    return new COperation_stamp_text;
}

COperationWidget_stamp_text::COperationWidget_stamp_text(COperation_stamp_text *operation,
                                                         QWidget *parent)
    : COperationWidget(parent), m_ui(new Ui::OptStampText), m_operation(operation)
{
    m_ui->setupUi(this);
    connect(m_ui->edtText, &QLineEdit::textChanged, this,
            &COperationWidget_stamp_text::on_lineEditTextChanged);
    connect(m_ui->btnText, &QPushButton::clicked, this,
            &COperationWidget_stamp_text::on_btnTextClicked);
    connect(m_ui->btnFont, &QPushButton::clicked, this,
            &COperationWidget_stamp_text::on_btnFontClicked);
    connect(m_ui->btnColor, &QPushButton::clicked, this,
            &COperationWidget_stamp_text::on_btnColorClicked);
    connect(m_ui->sbRotation, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &COperationWidget_stamp_text::on_dspinBoxValueChanged);
    for (QSpinBox *box : {m_ui->sbTransparency, m_ui->sbXDelta, m_ui->sbYDelta})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &COperationWidget_stamp_text::on_spinBoxValueChanged);
    for (QComboBox *box : {m_ui->cmbXDelta, m_ui->cmbXPos, m_ui->cmbYDelta, m_ui->cmbYPos})
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &COperationWidget_stamp_text::on_comboBoxCurrentIndexChanged);
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
        void (COperationWidget_stamp_text::*slot)();
    } actions[] = {
        {m_actFilename, &COperationWidget_stamp_text::onFilename},
        {m_actFilefolder, &COperationWidget_stamp_text::onFilefolder},
        {m_actFileext, &COperationWidget_stamp_text::onFileext},
        {m_actFilepath, &COperationWidget_stamp_text::onFilepath},
        {m_actCounter, &COperationWidget_stamp_text::onCounter},
        {m_actDatetime, &COperationWidget_stamp_text::onDatetime},
        {m_actCopyright, &COperationWidget_stamp_text::onCopyrightSign},
    };
    for (const auto &entry : actions) {
        m_keywordMenu->addAction(entry.action);
        connect(entry.action, &QAction::triggered, this, entry.slot);
    }
    retranslateMenu();

    m_deadline = -1;
    updateParams();
    startTick();
}

COperationWidget_stamp_text::~COperationWidget_stamp_text()
{
    delete m_ui;
}

void COperationWidget_stamp_text::retranslateMenu()
{
    m_actFilename->setText(tr("Source File Name"));
    m_actFilefolder->setText(tr("Source Folder Name"));
    m_actFileext->setText(tr("Source Extension"));
    m_actFilepath->setText(tr("Source Path"));
    m_actCounter->setText(tr("Counter"));
    m_actDatetime->setText(tr("Data / Time"));
    m_actCopyright->setText(tr("Copyright Sign"));
}

void COperationWidget_stamp_text::styleSwatch()
{
    m_ui->lbColor->setStyleSheet(
        QStringLiteral("background-color: %1;").arg(m_operation->color().name()));
}

void COperationWidget_stamp_text::updateParams()
{
    CPictureOperation::applyUnit(m_ui->cmbXDelta, m_ui->sbXDelta);
    CPictureOperation::applyUnit(m_ui->cmbYDelta, m_ui->sbYDelta);
    std::vector<std::string> values = {
        std::string(),
        std::to_string(m_ui->sbTransparency->value()),
        CPictureOperation::positionText(k_xWords, m_ui->cmbXPos, m_ui->cmbXDelta, m_ui->sbXDelta),
        CPictureOperation::positionText(k_yWords, m_ui->cmbYPos, m_ui->cmbYDelta, m_ui->sbYDelta),
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

void COperationWidget_stamp_text::applyParams(const OperationParamList &params)
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
        } else if (key == QLatin1String("x_pos")) {
            CPictureOperation::readPosition(value, k_xWords, m_ui->cmbXPos, m_ui->cmbXDelta,
                                            m_ui->sbXDelta);
        } else if (key == QLatin1String("y_pos")) {
            CPictureOperation::readPosition(value, k_yWords, m_ui->cmbYPos, m_ui->cmbYDelta,
                                            m_ui->sbYDelta);
        }
    }
    updateParams();
}

void COperationWidget_stamp_text::on_btnTextClicked()
{
    m_keywordMenu->exec(m_ui->btnText->mapToGlobal(QPoint(0, m_ui->btnText->height())));
}

void COperationWidget_stamp_text::on_btnFontClicked()
{
    bool ok = false;
    QFont font = Dialogs::getFont(&ok, m_operation->font(), nullptr, QString());
    if (!ok)
        return;
    m_operation->setFont(font);
    applySoon();
}

void COperationWidget_stamp_text::on_btnColorClicked()
{
    QColor color = Dialogs::getColor(m_operation->color(), nullptr, QString());
    if (!color.isValid())
        return;
    m_operation->setColor(color);
    styleSwatch();
    applySoon();
}

void COperationWidget_stamp_text::on_lineEditTextChanged(const QString &)
{
    deferApply();
}

void COperationWidget_stamp_text::on_spinBoxValueChanged(int)
{
    deferApply();
}

void COperationWidget_stamp_text::on_dspinBoxValueChanged(double)
{
    deferApply();
}

void COperationWidget_stamp_text::on_comboBoxCurrentIndexChanged(int)
{
    updateParams();
}

void COperationWidget_stamp_text::insertKeyword(const QString &keyword)
{
    m_ui->edtText->insert(keyword);
    updateParams();
}

void COperationWidget_stamp_text::onFilename()
{
    insertKeyword(QStringLiteral("<Filename>"));
}

void COperationWidget_stamp_text::onFilefolder()
{
    insertKeyword(QStringLiteral("<Foldername>"));
}

void COperationWidget_stamp_text::onFileext()
{
    insertKeyword(QStringLiteral("<Extension>"));
}

void COperationWidget_stamp_text::onFilepath()
{
    insertKeyword(QStringLiteral("<Path>"));
}

void COperationWidget_stamp_text::onCounter()
{
    QString keyword;
    FInputCounter dialog(&keyword, this);
    if (dialog.exec() == QDialog::Accepted)
        insertKeyword(keyword);
}

void COperationWidget_stamp_text::onDatetime()
{
    QString keyword;
    FInputDatetime dialog(&keyword, this);
    if (dialog.exec() == QDialog::Accepted)
        insertKeyword(keyword);
}

void COperationWidget_stamp_text::onCopyrightSign()
{
    insertKeyword(QStringLiteral("<Copyright>"));
}

void COperationWidget_stamp_text::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        retranslateMenu();
    }
    QWidget::changeEvent(event);
}
