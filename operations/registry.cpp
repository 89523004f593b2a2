// The operation registry: the fifteen kinds in their fixed order, with the
// functions that make an operation of a kind and give its title,
// description and icon.
#include "operation.h"

#include <QCoreApplication>

CAbstractOperation *operation_create_crop();
CAbstractOperation *operation_create_flip();
CAbstractOperation *operation_create_resize();
CAbstractOperation *operation_create_roll();
CAbstractOperation *operation_create_rotate();
CAbstractOperation *operation_create_auto_contrast();
CAbstractOperation *operation_create_coloration();
CAbstractOperation *operation_create_equalize();
CAbstractOperation *operation_create_gray();
CAbstractOperation *operation_create_negative();
CAbstractOperation *operation_create_swap_colors();
CAbstractOperation *operation_create_stamp_text();
CAbstractOperation *operation_create_stamp_image();
CAbstractOperation *operation_create_watermark_text();
CAbstractOperation *operation_create_watermark_image();

static const char *const k_names[] = {
    "crop",          "flip",       "resize",      "roll",           "rotate",
    "auto_contrast", "coloration", "equalize",    "gray",           "negative",
    "swap_colors",   "stamp_text", "stamp_image", "watermark_text", "watermark_image",
};

// The texts stay as written (typos included): saved translations key on them.
static const char *const k_titles[] = {
    QT_TRANSLATE_NOOP("QObject", "Crop"),
    QT_TRANSLATE_NOOP("QObject", "Flip"),
    QT_TRANSLATE_NOOP("QObject", "Resize"),
    QT_TRANSLATE_NOOP("QObject", "Roll"),
    QT_TRANSLATE_NOOP("QObject", "Rotate"),
    QT_TRANSLATE_NOOP("QObject", "AutoContrast"),
    QT_TRANSLATE_NOOP("QObject", "Coloration"),
    QT_TRANSLATE_NOOP("QObject", "Equalize"),
    QT_TRANSLATE_NOOP("QObject", "Gray"),
    QT_TRANSLATE_NOOP("QObject", "Negative"),
    QT_TRANSLATE_NOOP("QObject", "Swap Colors"),
    QT_TRANSLATE_NOOP("QObject", "Stamp Text"),
    QT_TRANSLATE_NOOP("QObject", "Stamp Image"),
    QT_TRANSLATE_NOOP("QObject", "Watermark Text"),
    QT_TRANSLATE_NOOP("QObject", "Watermark Image"),
};

static const char *const k_descriptions[] = {
    QT_TRANSLATE_NOOP("QObject", "Cuts a rectangular subregion from the photo"),
    QT_TRANSLATE_NOOP("QObject", "Flips the photo in a vertical/horizontal direction"),
    QT_TRANSLATE_NOOP("QObject", "Adjusts photos size by pixels or percents"),
    QT_TRANSLATE_NOOP("QObject", "Rolls photos vertically or horizontally by a specified number "
                                 "of pixels or percents"),
    QT_TRANSLATE_NOOP("QObject", "Rotates the photo by a specified number of degrees"),
    QT_TRANSLATE_NOOP("QObject", "Automatically adjusts the photo's contrast"),
    QT_TRANSLATE_NOOP("QObject", "Colorate photos with specified color"),
    QT_TRANSLATE_NOOP("QObject", "Applies a histogram equalization to the picture"),
    QT_TRANSLATE_NOOP("QObject", "Transforms photos colors form true colors to grayscale colors"),
    QT_TRANSLATE_NOOP("QObject", "Replaces every pixel of the photo with it's complementary color"),
    QT_TRANSLATE_NOOP("QObject", "Changes the RGB channels order to your specified"),
    QT_TRANSLATE_NOOP("QObject", "Add an single line text to photos"),
    QT_TRANSLATE_NOOP("QObject", "Add an image to photos"),
    QT_TRANSLATE_NOOP("QObject", "Add a watermark text to photos"),
    QT_TRANSLATE_NOOP("QObject", "Add a watermark image to photos"),
};

template <int I> static QString title()
{
    return QCoreApplication::translate("QObject", k_titles[I]);
}

template <int I> static QString description()
{
    return QCoreApplication::translate("QObject", k_descriptions[I]);
}

// The icons live in this static library's resource file, whose own
// initialiser the linker would drop: nothing else refers to it.
static void init_resources()
{
    static const bool done = []() {
        Q_INIT_RESOURCE(operations);
        return true;
    }();
    (void)done;
}

template <int I> static QPixmap icon()
{
    init_resources();
    return QPixmap(QStringLiteral(":/filters/filters/%1.png").arg(QLatin1String(k_names[I])));
}

#define ZV_ENTRY(i, category, create)                                                              \
    {                                                                                              \
        QStringLiteral(category), k_names[i], create, title<i>, description<i>, icon<i>            \
    }

const operation_info_t operation_registry[] = {
    ZV_ENTRY(0, "Image", operation_create_crop),
    ZV_ENTRY(1, "Image", operation_create_flip),
    ZV_ENTRY(2, "Image", operation_create_resize),
    ZV_ENTRY(3, "Image", operation_create_roll),
    ZV_ENTRY(4, "Image", operation_create_rotate),
    ZV_ENTRY(5, "Color", operation_create_auto_contrast),
    ZV_ENTRY(6, "Color", operation_create_coloration),
    ZV_ENTRY(7, "Color", operation_create_equalize),
    ZV_ENTRY(8, "Color", operation_create_gray),
    ZV_ENTRY(9, "Color", operation_create_negative),
    ZV_ENTRY(10, "Color", operation_create_swap_colors),
    ZV_ENTRY(11, "Stamp", operation_create_stamp_text),
    ZV_ENTRY(12, "Stamp", operation_create_stamp_image),
    ZV_ENTRY(13, "Watermark", operation_create_watermark_text),
    ZV_ENTRY(14, "Watermark", operation_create_watermark_image),
    {QString(), nullptr, nullptr, nullptr, nullptr, nullptr},
};

const operation_info_t *operation_registry_find(const QString &name)
{
    for (const operation_info_t *entry = operation_registry; entry->name; entry++) {
        if (QString::fromUtf8(entry->name) == name)
            return entry;
    }
    return nullptr;
}
