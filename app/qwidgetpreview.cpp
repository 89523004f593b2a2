// QWidgetPreview: the stage copy under the preview mutex, and the square
// size hint.
#include "qwidgetpreview.h"

#include "base/sn_log.h"
#include "preview.h"

#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QPixmap>
#include <QResizeEvent>
#include <QTabWidget>

namespace
{

// An sn_image pixel is the bytes A, R, G, B; read as a little-endian word and
// byte-swapped it is exactly the 0xAARRGGBB of QImage::Format_ARGB32.
void copyRow(const uint32_t *source, uint32_t *target, int width, bool hasAlpha)
{
    const uint32_t opaque = hasAlpha ? 0u : 0xFF000000u;
    for (int x = 0; x < width; x++)
        target[x] = __builtin_bswap32(source[x]) | opaque;
}

} // namespace

QWidgetPreview::QWidgetPreview(QWidget *parent) : QWidget(parent) {}

QSize QWidgetPreview::sizeHint() const
{
    if (m_hintSide > 0)
        return QSize(m_hintSide, m_hintSide);
    return QWidget::sizeHint();
}

void QWidgetPreview::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_hintSide = event->size().height();
    adjustSize();
}

void QWidgetPreview::on_previewChange(int index)
{
    if (!m_preview)
        return;
    QTabWidget *tabs = findChild<QTabWidget *>(QStringLiteral("twPreview"));
    QLabel *labels[3] = {findChild<QLabel *>(QStringLiteral("lbOriginal")),
                         findChild<QLabel *>(QStringLiteral("lbCurrent")),
                         findChild<QLabel *>(QStringLiteral("lbFinal"))};
    if (!tabs || !labels[0] || !labels[1] || !labels[2])
        return;

    sn_image_t *stage = preview_lock_image(m_preview, index);
    if (!stage)
        return;
    QImage image;
    const sn_image_frame_t *frame = stage->frame_count > 0 ? &stage->frames[0] : nullptr;
    if (frame && frame->rows && stage->width > 0 && stage->height > 0)
        image = QImage(stage->width, stage->height, QImage::Format_ARGB32);
    if (image.isNull()) {
        // Too large for a QImage (or no pixels): the label keeps what it had.
        const int width = stage->width, height = stage->height;
        preview_unlock_image(m_preview);
        sn_log(3, NULL, "QWidgetPreview::on_previewChange", __LINE__,
               "stage %d image %dx%d FAILED!\n", index, width, height);
        return;
    }
    const bool hasAlpha = stage->has_alpha != 0;
    for (int y = 0; y < stage->height; y++)
        copyRow(frame->rows[y], reinterpret_cast<uint32_t *>(image.scanLine(y)), stage->width,
                hasAlpha);
    preview_unlock_image(m_preview);

    const QPixmap pixmap = QPixmap::fromImage(std::move(image));
    static const char *const contents[3] = {"saWidgetOriginal", "saWidgetCurrent", "saWidgetFinal"};
    const int tab = tabs->currentIndex();
    if (tab < 0 || tab > 2)
        return;
    QWidget *content = findChild<QWidget *>(QLatin1String(contents[tab]));
    if (content) {
        // The content's layout keeps a margin around the label: the content
        // is that much larger, so the label holds the whole picture.
        QSize size = pixmap.size();
        if (content->layout()) {
            const QMargins margins = content->layout()->contentsMargins();
            size += QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
        }
        content->setMinimumSize(size);
        content->setMaximumSize(size);
    }
    labels[tab]->setPixmap(pixmap);
    labels[tab]->resize(pixmap.size());
}
