// The text kinds' snapshot and per-file rendering, and their widgets' shared
// controls: the keyword menu, the font and colour dialogs, the edit slots.
#include "textoperation.h"

#include "base/sn_log.h"
#include "dialogs.h"
#include "finputcounter.h"
#include "finputdatetime.h"

#include <QAction>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <climits>

CTextOperation::CTextOperation(const char *kindName, const char *filterKind,
                               std::initializer_list<const char *> keys)
    : CPictureOperation(kindName, filterKind, keys), m_color(Qt::black)
{
}

void CTextOperation::publishText(const std::vector<std::string> &values, const QString &text,
                                 double rotation)
{
    auto set = std::make_shared<TextSnapshot>();
    set->values = values;
    set->values.resize(m_keys.size());
    set->text = text;
    set->rotation = rotation;
    m_font.setStyleStrategy(QFont::PreferAntialias);
    set->font = m_font;
    set->color = m_color;
    std::atomic_store_explicit(&m_snapshot, TextSnapshotPtr(set), std::memory_order_release);
    publish(std::move(set));
}

bool CTextOperation::getParams(OperationParamList &params)
{
    auto *widget = static_cast<CTextOperationWidget *>(m_widget);
    if (!widget)
        return false;
    widget->listParams(params);
    return true;
}

TextSnapshotPtr CTextOperation::snapshot() const
{
    return std::atomic_load_explicit(&m_snapshot, std::memory_order_acquire);
}

PicturePtr CTextOperation::render(const TextSnapshot &set, const QString &sourcePath, int index,
                                  bool *tooLarge)
{
    PicturePtr picture = picture_render_text(set.text, sourcePath, index, set.font, set.color,
                                             set.rotation, tooLarge);
    std::atomic_store_explicit(&m_textImage, picture, std::memory_order_release);
    return picture;
}

PicturePtr CTextOperation::renderText(const QString &sourcePath, int index)
{
    TextSnapshotPtr set = snapshot();
    if (!set)
        return PicturePtr();
    return render(*set, sourcePath, index);
}

PicturePtr CTextOperation::lastPicture() const
{
    return std::atomic_load_explicit(&m_textImage, std::memory_order_acquire);
}

int CTextOperation::configure(imagefilter_t *filter, const OperationParams &,
                              const QString &sourcePath, int index)
{
    TextSnapshotPtr set = snapshot();
    if (!set)
        return -1;
    /* The picture and the values come from one snapshot: a change published
     * meanwhile waits for the next filter. */
    bool tooLarge = false;
    PicturePtr picture = render(*set, sourcePath, index, &tooLarge);
    return picturefilter_configure(filter, picture, m_keys, set->values, 0, tooLarge);
}

CTextOperationWidget::CTextOperationWidget(CTextOperation *operation, QWidget *parent)
    : COperationWidget(parent), m_textOperation(operation)
{
}

// A text longer than this is no stamp: the line edit takes no more, and a
// profile's text is cut to it.
static const int k_max_text_length = PICTURE_MAX_TEXT_LENGTH;

// The font dialog offers point sizes 1 to 512: a profile's size outside them
// is held at the nearest, as is a pixel size (682, 512 points at 96 dpi).
static QFont fontWithinTheDialog(QFont font)
{
    const qreal points = font.pointSizeF();
    const int pixels = font.pixelSize();
    if (points > 0 && (points < 1 || points > 512)) {
        sn_log(3, NULL, "applyTextParam", __LINE__, "font size FAILED! %g pt\n", points);
        font.setPointSizeF(qBound<qreal>(1, points, 512));
    } else if (pixels > 682) {
        sn_log(3, NULL, "applyTextParam", __LINE__, "font size FAILED! %d px\n", pixels);
        font.setPixelSize(682);
    }
    return font;
}

void CTextOperationWidget::setupText(QLineEdit *edtText, QPushButton *btnText, QPushButton *btnFont,
                                     QPushButton *btnColor, QDoubleSpinBox *sbRotation,
                                     QLabel *lbColor)
{
    m_edtText = edtText;
    m_edtText->setMaxLength(k_max_text_length);
    m_btnText = btnText;
    m_sbRotation = sbRotation;
    m_lbColor = lbColor;
    connect(edtText, &QLineEdit::textChanged, this, &CTextOperationWidget::on_lineEditTextChanged);
    connect(btnText, &QPushButton::clicked, this, &CTextOperationWidget::on_btnTextClicked);
    connect(btnFont, &QPushButton::clicked, this, &CTextOperationWidget::on_btnFontClicked);
    connect(btnColor, &QPushButton::clicked, this, &CTextOperationWidget::on_btnColorClicked);
    connect(sbRotation, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &CTextOperationWidget::on_dspinBoxValueChanged);
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
        void (CTextOperationWidget::*slot)();
    } actions[] = {
        {m_actFilename, &CTextOperationWidget::onFilename},
        {m_actFilefolder, &CTextOperationWidget::onFilefolder},
        {m_actFileext, &CTextOperationWidget::onFileext},
        {m_actFilepath, &CTextOperationWidget::onFilepath},
        {m_actCounter, &CTextOperationWidget::onCounter},
        {m_actDatetime, &CTextOperationWidget::onDatetime},
        {m_actCopyright, &CTextOperationWidget::onCopyrightSign},
    };
    for (const auto &entry : actions) {
        m_keywordMenu->addAction(entry.action);
        connect(entry.action, &QAction::triggered, this, entry.slot);
    }
    retranslateMenu();
}

// The menu's texts are translated under each kind's own widget class, as
// every other text of that widget is; written out per class so that lupdate
// sees each one in each context it is looked up in.
static const char *const k_keywordTexts[][7] = {
    {QT_TRANSLATE_NOOP("COperationWidget_stamp_text", "Source File Name"),
     QT_TRANSLATE_NOOP("COperationWidget_stamp_text", "Source Folder Name"),
     QT_TRANSLATE_NOOP("COperationWidget_stamp_text", "Source Extension"),
     QT_TRANSLATE_NOOP("COperationWidget_stamp_text", "Source Path"),
     QT_TRANSLATE_NOOP("COperationWidget_stamp_text", "Counter"),
     QT_TRANSLATE_NOOP("COperationWidget_stamp_text", "Data / Time"),
     QT_TRANSLATE_NOOP("COperationWidget_stamp_text", "Copyright Sign")},
    {QT_TRANSLATE_NOOP("COperationWidget_watermark_text", "Source File Name"),
     QT_TRANSLATE_NOOP("COperationWidget_watermark_text", "Source Folder Name"),
     QT_TRANSLATE_NOOP("COperationWidget_watermark_text", "Source Extension"),
     QT_TRANSLATE_NOOP("COperationWidget_watermark_text", "Source Path"),
     QT_TRANSLATE_NOOP("COperationWidget_watermark_text", "Counter"),
     QT_TRANSLATE_NOOP("COperationWidget_watermark_text", "Data / Time"),
     QT_TRANSLATE_NOOP("COperationWidget_watermark_text", "Copyright Sign")},
};

void CTextOperationWidget::retranslateMenu()
{
    const char *context = metaObject()->className();
    const char *const *texts = k_keywordTexts[0];
    QAction *const actions[] = {m_actFilename, m_actFilefolder, m_actFileext,  m_actFilepath,
                                m_actCounter,  m_actDatetime,   m_actCopyright};
    for (int i = 0; i < 7; i++)
        actions[i]->setText(QCoreApplication::translate(context, texts[i]));
}

void CTextOperationWidget::styleSwatch()
{
    m_lbColor->setStyleSheet(
        QStringLiteral("background-color: %1;").arg(m_textOperation->color().name()));
}

bool CTextOperationWidget::applyTextParam(const QString &key, const QString &value)
{
    if (key == QLatin1String("color")) {
        QColor color;
        if (operation_color_read(value, &color))
            m_textOperation->setColor(color);
        styleSwatch();
    } else if (key == QLatin1String("font")) {
        QFont font = m_textOperation->font();
        if (font.fromString(value))
            m_textOperation->setFont(fontWithinTheDialog(font));
    } else if (key == QLatin1String("rotation")) {
        operation_set_real(m_sbRotation, value);
    } else if (key == QLatin1String("text")) {
        if (value.size() > k_max_text_length)
            sn_log(3, NULL, "applyTextParam", __LINE__, "text FAILED! length:%d, cut to %d\n",
                   int(value.size()), k_max_text_length);
        m_edtText->setText(value);
    } else {
        return false;
    }
    return true;
}

void CTextOperationWidget::on_btnTextClicked()
{
    m_keywordMenu->exec(m_btnText->mapToGlobal(QPoint(0, m_btnText->height())));
}

// The face Qt draws font with on this machine, named as the font dialog
// names its faces: the dialog opens on a family it does not list (a
// profile's, or the application font's own name) at the first family of its
// list, and on a style name it does not list at the first style.
static QFont drawnFace(const QFont &font)
{
    QFontDatabase fonts;
    const QFontInfo info(font);
    const QString family = info.family();
    const QStringList styles = fonts.styles(family);
    QString style = fonts.styleString(info);
    if (!styles.contains(style)) {
        // The listed style nearest in weight, with the same slant first.
        int best = INT_MAX;
        for (const QString &candidate : styles) {
            int distance = qAbs(fonts.weight(family, candidate) - info.weight());
            if (fonts.italic(family, candidate) != info.italic())
                distance += 1000;
            if (distance < best) {
                best = distance;
                style = candidate;
            }
        }
    }
    // The dialog offers whole point sizes.
    const int points = font.pointSize() > 0 ? font.pointSize() : qRound(info.pointSizeF());
    QFont face = fonts.font(family, style, qMax(1, points));
    face.setUnderline(font.underline());
    face.setStrikeOut(font.strikeOut());
    return face;
}

void CTextOperationWidget::on_btnFontClicked()
{
    bool ok = false;
    const QFont face = drawnFace(m_textOperation->font());
    QFont font = Dialogs::getFont(&ok, face, nullptr, QString());
    if (!ok)
        return;
    // The face as it was shown keeps the font as stored: a profile saved
    // after OK reads as before.
    if (font.toString() == face.toString())
        return;
    m_textOperation->setFont(font);
    applySoon();
}

void CTextOperationWidget::on_btnColorClicked()
{
    QColor color = Dialogs::getColor(m_textOperation->color(), nullptr, QString());
    if (!color.isValid())
        return;
    m_textOperation->setColor(color);
    styleSwatch();
    applySoon();
}

void CTextOperationWidget::on_lineEditTextChanged(const QString &)
{
    deferApply();
}

void CTextOperationWidget::on_spinBoxValueChanged(int)
{
    deferApply();
}

void CTextOperationWidget::on_dspinBoxValueChanged(double)
{
    deferApply();
}

void CTextOperationWidget::insertKeyword(const QString &keyword)
{
    m_edtText->insert(keyword);
    updateParams();
}

void CTextOperationWidget::onFilename()
{
    insertKeyword(QStringLiteral("<Filename>"));
}

void CTextOperationWidget::onFilefolder()
{
    insertKeyword(QStringLiteral("<Foldername>"));
}

void CTextOperationWidget::onFileext()
{
    insertKeyword(QStringLiteral("<Extension>"));
}

void CTextOperationWidget::onFilepath()
{
    insertKeyword(QStringLiteral("<Path>"));
}

void CTextOperationWidget::onCounter()
{
    QString keyword;
    FInputCounter dialog(&keyword, this);
    if (dialog.exec() == QDialog::Accepted)
        insertKeyword(keyword);
}

void CTextOperationWidget::onDatetime()
{
    QString keyword;
    FInputDatetime dialog(&keyword, this);
    if (dialog.exec() == QDialog::Accepted)
        insertKeyword(keyword);
}

void CTextOperationWidget::onCopyrightSign()
{
    insertKeyword(QStringLiteral("<Copyright>"));
}
