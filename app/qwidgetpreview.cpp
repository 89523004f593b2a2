// QWidgetPreview: the stage copy under the preview mutex (a large one off
// the interface thread), and the square size hint that gives way to the
// settings beside it.
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

// A ThreadSanitizer build orders the queued hand-back as the worker relay's
// calls are ordered: the sanitizer cannot see Qt's event queue.
#if defined(__SANITIZE_THREAD__)
#include "workerrelay_tsan.h"
#endif

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

// Up to this many pixels a stage is copied at once, on the interface thread,
// in a few milliseconds; a larger one (a 24-megapixel photo takes tens of
// milliseconds, more on a machine of two cores) is copied by the copier while
// the interface goes on, and shown once it is ready.
static const size_t k_copyAtOncePixels = 1u << 20;
static const int k_copierNice = 10;

// The stage's pixels made straight in the pixmap's own format, so that the
// pixmap takes them as they are; a null image, logged, when the stage is too
// large for a QImage. Called with the preview mutex held.
static QImage copyStage(const sn_image_t *stage, int index, QImage spare, bool inBands)
{
    QImage image = snImageToQImage(stage, SnImageUse::Display, std::move(spare), inBands);
    if (image.isNull())
        sn_log(3, NULL, "QWidgetPreview::on_previewChange", __LINE__,
               "stage %d image %dx%d FAILED!\n", index, stage->width, stage->height);
    return image;
}

QWidgetPreview::QWidgetPreview(QWidget *parent) : QWidget(parent)
{
    m_copier = std::thread([this]() { copierLoop(); });
}

QWidgetPreview::~QWidgetPreview()
{
    setPreview(nullptr);
    {
        std::lock_guard<std::mutex> lock(m_copyMutex);
        m_quit = true;
    }
    m_copyWake.notify_all();
    m_copier.join();
}

void QWidgetPreview::setPreview(preview_t *preview)
{
    // What was asked of the old engine is neither copied nor shown, and a
    // copy in hand ends before the engine can be freed.
    m_latest++;
    std::unique_lock<std::mutex> lock(m_copyMutex);
    m_wanted = false;
    m_wantedCopy = Copy();
    m_copyWake.wait(lock, [this]() { return !m_copying; });
    m_doneCopy = Copy();
    m_preview = preview;
}

void QWidgetPreview::copierLoop()
{
    // The copier works beside the interface on one thread, at a lower
    // priority: on a machine of two cores the interface thread, not the
    // copy, gets the core it needs.
    setpriority(PRIO_PROCESS, (id_t)syscall(SYS_gettid), k_copierNice);
    std::unique_lock<std::mutex> lock(m_copyMutex);
    for (;;) {
        m_copyWake.wait(lock, [this]() { return m_quit || m_wanted; });
        if (m_quit)
            return;
        Copy copy = std::move(m_wantedCopy);
        m_wantedCopy = Copy();
        m_wanted = false;
        m_copying = true;
        lock.unlock();
        sn_image_t *stage = preview_lock_image(copy.preview, copy.index);
        if (stage) {
            copy.image = copyStage(stage, copy.index, std::move(copy.image), false);
            preview_unlock_image(copy.preview);
        } else {
            copy.image = QImage();
        }
        const bool made = !copy.image.isNull();
        lock.lock();
        m_copying = false;
        if (made)
            m_doneCopy = std::move(copy);
        m_copyWake.notify_all();
        if (made) {
#if defined(__SANITIZE_THREAD__)
            workerrelay_tsan::Handover handover;
#endif
            QMetaObject::invokeMethod(
                this, [this]() { takeCopy(); }, Qt::QueuedConnection);
        }
    }
}

void QWidgetPreview::takeCopy()
{
    Copy copy;
    {
        std::lock_guard<std::mutex> lock(m_copyMutex);
        copy = std::move(m_doneCopy);
        m_doneCopy = Copy();
    }
    // A later request, or another engine, has the label now.
    if (!copy.image.isNull() && copy.request == m_latest)
        showStage(copy.index, std::move(copy.image));
}

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
    if (!tabs || !findChild<QLabel *>(QStringLiteral("lbOriginal")) ||
        !findChild<QLabel *>(QStringLiteral("lbCurrent")) ||
        !findChild<QLabel *>(QStringLiteral("lbFinal")))
        return;

    const unsigned request = ++m_latest;
    bool copierBusy;
    {
        std::lock_guard<std::mutex> lock(m_copyMutex);
        copierBusy = m_copying || m_wanted;
    }
    // While the copier holds the preview mutex for a large stage, a request
    // waits for it there, in turn, and the interface goes on.
    if (!copierBusy) {
        sn_image_t *stage = preview_lock_image(m_preview, index);
        if (!stage)
            return;
        const size_t pixels =
            (size_t)std::max(0, stage->width) * (size_t)std::max(0, stage->height);
        if (pixels <= k_copyAtOncePixels) {
            QImage image = copyStage(stage, index, std::move(m_spare), true);
            preview_unlock_image(m_preview);
            m_spare = QImage();
            if (!image.isNull())
                showStage(index, std::move(image));
            return;
        }
        preview_unlock_image(m_preview);
    }

    // The stage may be replaced before the copier takes it: it is looked up
    // again there, under the lock.
    {
        std::lock_guard<std::mutex> lock(m_copyMutex);
        m_wantedCopy.preview = m_preview;
        m_wantedCopy.index = index;
        m_wantedCopy.request = request;
        if (!m_spare.isNull())
            m_wantedCopy.image = std::move(m_spare);
        m_wanted = true;
    }
    m_spare = QImage();
    m_copyWake.notify_all();
}

void QWidgetPreview::showStage(int index, QImage image)
{
    QTabWidget *tabs = findChild<QTabWidget *>(QStringLiteral("twPreview"));
    QLabel *labels[3] = {findChild<QLabel *>(QStringLiteral("lbOriginal")),
                         findChild<QLabel *>(QStringLiteral("lbCurrent")),
                         findChild<QLabel *>(QStringLiteral("lbFinal"))};
    if (!tabs || !labels[0] || !labels[1] || !labels[2])
        return;
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
    emit stageShown(index);
}
