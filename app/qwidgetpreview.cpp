// QWidgetPreview: the stage copy under the preview mutex, and the square
// size hint that gives way to the settings beside it.
#include "qwidgetpreview.h"

#include "base/sn_log.h"
#include "preview.h"
#include "snimageqt.h"

#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QPixmap>
#include <QResizeEvent>
#include <QTabWidget>

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
    // The layout is asked again rather than the widget resized to its hint:
    // the settings beside keep the width they need, and the preview is
    // square only where the page has room for it. A change of width alone
    // leaves the hint as it is and asks nothing.
    const int side = event->size().height();
    if (side == m_hintSide)
        return;
    m_hintSide = side;
    updateGeometry();
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
    // Made straight in the pixmap's own format, so that the pixmap takes the
    // pixels as they are.
    QImage image = snImageToQImage(stage, SnImageUse::Display, std::move(m_spare));
    m_spare = QImage();
    if (image.isNull()) {
        // Too large for a QImage (or no pixels): the label keeps what it had.
        const int width = stage->width, height = stage->height;
        preview_unlock_image(m_preview);
        sn_log(3, NULL, "QWidgetPreview::on_previewChange", __LINE__,
               "stage %d image %dx%d FAILED!\n", index, width, height);
        return;
    }
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
    // The picture shown until now is kept for the next stage to be written
    // into: the display of a new stage costs its conversion only.
    m_spare = labels[tab]->pixmap(Qt::ReturnByValue).toImage();
    labels[tab]->setPixmap(pixmap);
    labels[tab]->resize(pixmap.size());
}
