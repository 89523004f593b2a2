// The text kinds' snapshot and per-file rendering.
#include "textoperation.h"

#include <stdio.h>

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

TextSnapshotPtr CTextOperation::snapshot() const
{
    return std::atomic_load_explicit(&m_snapshot, std::memory_order_acquire);
}

PicturePtr CTextOperation::renderText(const QString &sourcePath)
{
    TextSnapshotPtr set = snapshot();
    if (!set)
        return PicturePtr();
    PicturePtr picture =
        picture_render_text(set->text, sourcePath, set->font, set->color, set->rotation);
    std::atomic_store_explicit(&m_textImage, picture, std::memory_order_release);
    return picture;
}

PicturePtr CTextOperation::lastPicture() const
{
    return std::atomic_load_explicit(&m_textImage, std::memory_order_acquire);
}

int CTextOperation::configure(imagefilter_t *filter, const OperationParams &,
                              const QString &sourcePath)
{
    TextSnapshotPtr set = snapshot();
    if (!set)
        return -1;
    /* The picture and the values come from one snapshot: a change published
     * meanwhile waits for the next filter. */
    PicturePtr picture =
        picture_render_text(set->text, sourcePath, set->font, set->color, set->rotation);
    std::atomic_store_explicit(&m_textImage, picture, std::memory_order_release);
    return picturefilter_configure(filter, picture, m_keys, set->values, 0);
}

QString CTextOperation::colorText(const QColor &color)
{
    return QString::asprintf("0x%02X%02X%02X%02X", color.blue(), color.green(), color.red(),
                             color.alpha());
}

bool CTextOperation::readColor(const QString &text, QColor *color)
{
    unsigned blue, green, red, alpha;
    const QByteArray bytes = text.toUtf8();
    if (sscanf(bytes.constData(), "0x%02X%02X%02X%02X", &blue, &green, &red, &alpha) != 4)
        return false;
    *color = QColor((int)red, (int)green, (int)blue, (int)alpha);
    return true;
}
