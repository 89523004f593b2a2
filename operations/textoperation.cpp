// The text kinds' snapshot and per-file rendering.
#include "textoperation.h"

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
