// The stamp and watermark kinds' filters: wrappers that keep their picture;
// and the image kinds' shared widget controls.
#include "pictureoperation.h"

#include "dialogs.h"
#include "filter/imagefilter.h"
#include "image/sn_image.h"
#include "stylemsg.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

CPictureOperation::CPictureOperation(const char *kindName, const char *filterKind,
                                     std::initializer_list<const char *> keys)
    : CParamOperation(kindName, filterKind, keys)
{
}

int CPictureOperation::configure(imagefilter_t *filter, const OperationParams &params,
                                 const QString &, int)
{
    /* Until the widget first applies, the set holds empty texts, which the
     * filter's reader would refuse: such a filter stays unconfigured and
     * leaves photos as they are. */
    if (params.values.size() < 2 || params.values[1].empty())
        return -1;
    return picturefilter_configure_recipe(filter, params.recipe, m_keys, params.values, 0);
}

imagefilter_t *CPictureOperation::keptFilter()
{
    if (!m_filter)
        m_filter = picturefilter_create(m_filterKind.c_str());
    return m_filter;
}

imagefilter_t *CPictureOperation::getFilter(const QString &sourcePath, int index)
{
    if (!keptFilter())
        return nullptr;
    OperationParamsPtr set = params();
    configure(m_filter, *set, sourcePath, index);
    return m_filter;
}

imagefilter_t *CPictureOperation::createFilter(const QString &sourcePath, int index)
{
    imagefilter_t *filter = picturefilter_create(m_filterKind.c_str());
    if (!filter)
        return nullptr;
    OperationParamsPtr set = params();
    configure(filter, *set, sourcePath, index);
    return filter;
}

const char *const CPictureOperation::k_xWords[3] = {"left", "middle", "right"};
const char *const CPictureOperation::k_yWords[3] = {"top", "middle", "bottom"};

void CPictureOperation::applyUnit(const QComboBox *unit, QSpinBox *offset)
{
    if (unit->currentIndex() != 0) {
        offset->setSuffix(QStringLiteral("%"));
        offset->setRange(-100, 100);
    } else {
        offset->setSuffix(QStringLiteral(" px"));
        offset->setRange(-65536, 65536);
    }
}

std::string CPictureOperation::positionText(const char *const words[3], const QComboBox *anchor,
                                            const QComboBox *unit, const QSpinBox *offset)
{
    int index = anchor->currentIndex();
    if (index < 0 || index > 2)
        index = 2;
    return std::string(words[index]) + "-" + std::to_string(offset->value()) +
           (unit->currentIndex() != 0 ? "%" : "px");
}

void CPictureOperation::readPosition(const QString &text, const char *const words[3],
                                     QComboBox *anchor, QComboBox *unit, QSpinBox *offset)
{
    for (int i = 0; i < 3; i++) {
        if (text.contains(QLatin1String(words[i]))) {
            anchor->setCurrentIndex(i);
            break;
        }
    }
    unit->setCurrentIndex(text.contains(QLatin1Char('%')) ? 1 : 0);
    const int dash = text.indexOf(QLatin1Char('-'));
    offset->setValue(operation_text_int(dash >= 0 ? text.mid(dash + 1) : text));
}

void CPictureOperation::linkTransparency(QSlider *slider, QSpinBox *box)
{
    QObject::connect(slider, &QSlider::valueChanged, box, &QSpinBox::setValue);
    QObject::connect(box, QOverload<int>::of(&QSpinBox::valueChanged), slider, &QSlider::setValue);
}

bool CImageOperation::getParams(OperationParamList &params)
{
    auto *widget = static_cast<CImageOperationWidget *>(m_widget);
    if (!widget)
        return false;
    widget->listParams(params);
    return true;
}

CImageOperationWidget::CImageOperationWidget(CImageOperation *operation, const char *failure,
                                             QWidget *parent)
    : COperationWidget(parent), m_imageOperation(operation), m_failure(failure)
{
}

void CImageOperationWidget::setupImage(QLineEdit *edtImage, QPushButton *btnImage,
                                       QSpinBox *sbScale, QDoubleSpinBox *sbRotation,
                                       QSpinBox *sbTransparency)
{
    m_edtImage = edtImage;
    m_sbScale = sbScale;
    m_sbRotation = sbRotation;
    m_sbTransparency = sbTransparency;
    connect(edtImage, &QLineEdit::textChanged, this,
            &CImageOperationWidget::on_lineEditTextChanged);
    connect(btnImage, &QPushButton::clicked, this, &CImageOperationWidget::on_btnImageClicked);
    connect(sbRotation, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &CImageOperationWidget::on_dspinBoxValueChanged);
}

bool CImageOperationWidget::loadImage(const QString &path)
{
    PicturePtr picture = picture_load(path);
    if (!picture)
        return false;
    m_loadedImage = std::move(picture);
    m_edtImage->setText(path);
    m_imageOperation->setImagePath(path);
    return true;
}

bool CImageOperationWidget::applyImageParam(const QString &key, const QString &value, bool *loaded)
{
    if (key == QLatin1String("imagefile")) {
        m_imageOperation->setImagePath(value);
        if (!loadImage(value))
            *loaded = false;
    } else if (key == QLatin1String("scale")) {
        operation_set_int(m_sbScale, value);
    } else if (key == QLatin1String("rotation")) {
        operation_set_real(m_sbRotation, value);
    } else if (key == QLatin1String("transparency")) {
        operation_set_int(m_sbTransparency, value);
    } else {
        return false;
    }
    return true;
}

// Translated under each kind's own widget class, as every other text of
// that widget is; written out per class so that lupdate sees each one in
// each context it is looked up in.
static const char *const k_imageTexts[][5] = {
    {QT_TRANSLATE_NOOP("COperationWidget_stamp_image", "Open Image File"),
     QT_TRANSLATE_NOOP("COperationWidget_stamp_image",
                       "All Files (*);;Image Files (*.bmp *.png *.jpg *.gif)"),
     QT_TRANSLATE_NOOP("COperationWidget_stamp_image", "Zandrevik"),
     QT_TRANSLATE_NOOP("COperationWidget_stamp_image",
                       "The picture scaled to %1% would be larger than %2 "
                       "megapixels: it is not used."),
     QT_TRANSLATE_NOOP("COperationWidget_stamp_image",
                       "The picture turned by %1 degrees would cover more than %2 "
                       "megapixels: it is not used.")},
    {QT_TRANSLATE_NOOP("COperationWidget_watermark_image", "Open Image File"),
     QT_TRANSLATE_NOOP("COperationWidget_watermark_image",
                       "All Files (*);;Image Files (*.bmp *.png *.jpg *.gif)"),
     QT_TRANSLATE_NOOP("COperationWidget_watermark_image", "Zandrevik"),
     QT_TRANSLATE_NOOP("COperationWidget_watermark_image",
                       "The picture scaled to %1% would be larger than %2 "
                       "megapixels: it is not used."),
     QT_TRANSLATE_NOOP("COperationWidget_watermark_image",
                       "The picture turned by %1 degrees would cover more than %2 "
                       "megapixels: it is not used.")},
};

void CImageOperationWidget::prepareWorking(int scale, double rotation)
{
    /* An edit that leaves the picture, the scale and the turn as they were
     * (a transparency or a position) keeps the recipe, and so the copy a
     * filter may have made of it already. */
    if (!m_working || m_working->loaded() != m_loadedImage || m_working->scale() != scale ||
        m_working->rotation() != rotation)
        m_working = std::make_shared<const PictureRecipe>(m_loadedImage, scale, rotation);
    if (!m_working->refused()) {
        m_refusedPicture = nullptr;
        return;
    }
    if (m_refusedPicture == m_loadedImage.get() && m_refusedScale == scale &&
        m_refusedRotation == rotation)
        return;
    m_refusedPicture = m_loadedImage.get();
    m_refusedScale = scale;
    m_refusedRotation = rotation;
    const char *context = metaObject()->className();
    const char *const *texts = k_imageTexts[0];
    const QString text = m_working->verdict() == PICTURE_TURNED_TOO_LARGE
                             ? QCoreApplication::translate(context, texts[4])
                                   .arg(QLocale().toString(rotation, 'f', 2))
                                   .arg(PICTURE_MAX_TURNED_PIXELS / (1024 * 1024))
                             : QCoreApplication::translate(context, texts[3])
                                   .arg(scale)
                                   .arg(PICTURE_MAX_SCALED_PIXELS / 1000000);
    StyleMsg::warning(nullptr, QCoreApplication::translate(context, texts[2]), text,
                      QDialogButtonBox::Ok);
}

void CImageOperationWidget::on_btnImageClicked()
{
    const char *context = metaObject()->className();
    const char *const *texts = k_imageTexts[0];
    const QString path = Dialogs::getOpenFileName(
        this, QCoreApplication::translate(context, texts[0]), Dialogs::picturesFolder(),
        QCoreApplication::translate(context, texts[1]));
    if (path.isEmpty())
        return;
    if (!loadImage(path)) {
        StyleMsg::critical(nullptr, QCoreApplication::translate(context, texts[2]),
                           QString::fromUtf8(m_failure), QDialogButtonBox::Ok);
        return;
    }
    updateParams();
}

void CImageOperationWidget::on_lineEditTextChanged(const QString &)
{
    deferApply();
}

void CImageOperationWidget::on_spinBoxValueChanged(int)
{
    deferApply();
}

void CImageOperationWidget::on_dspinBoxValueChanged(double)
{
    deferApply();
}
