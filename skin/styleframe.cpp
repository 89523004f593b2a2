// The border band, the resize from a press in it, the grab that follows the
// pointer over the band, and the restore routing by the title bar's state.
#include "styleframe.h"

#include "borderband.h"
#include "styletitle.h"
#include "windowsystem.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

StyleFrame::StyleFrame(QWidget *window) : m_window(window) {}

Qt::Edges StyleFrame::band() const
{
    Qt::Edges edges;
    if (m_left)
        edges |= Qt::LeftEdge;
    if (m_right)
        edges |= Qt::RightEdge;
    if (m_top)
        edges |= Qt::TopEdge;
    if (m_bottom)
        edges |= Qt::BottomEdge;
    return edges;
}

bool StyleFrame::resizable() const
{
    // A maximised or full-screen window keeps the screen's size, and a fixed
    // size is a size the window asked for.
    if (m_titleBar && m_titleBar->state() != StyleTitle::Normal)
        return false;
    return m_window->minimumSize() != m_window->maximumSize();
}

void StyleFrame::setBand(Qt::Edges edges)
{
    m_left = edges & Qt::LeftEdge;
    m_right = edges & Qt::RightEdge;
    m_top = edges & Qt::TopEdge;
    m_bottom = edges & Qt::BottomEdge;
    m_onBorder = edges != Qt::Edges();
}

void StyleFrame::releaseGrab()
{
    if (QWidget::mouseGrabber() == m_window)
        m_window->releaseMouse();
}

void StyleFrame::mousePressEvent(QMouseEvent *event)
{
    event->ignore();
    if (event->button() != Qt::LeftButton)
        return;
    // A drag whose release went to someone else ends with the next press.
    endResize();
    // No move events arrive while the window manager resizes, so the band
    // seen by the last move may be stale: the press decides.
    setBand(resizable() ? borderEdges(event->pos(), m_window->size()) : Qt::Edges());
    if (!m_onBorder)
        return;
    event->accept();
    const Qt::Edges edges = resizeEdges(band());
    WindowSystem *ws = WindowSystem::instance();
    ws->releaseMouse();
    if (ws->startSystemResize(m_window, edges))
        return;
    // Nobody takes the drag (no window manager), so the window follows the
    // pointer itself. Releasing the mouse above also ended the grab that X11
    // holds for a pressed button: without a grab of its own the window would
    // hear nothing once the pointer, faster than the edge, leaves it.
    m_resizing = true;
    m_resizeEdges = edges;
    m_pressGlobal = event->globalPos();
    m_startGeometry = m_window->geometry();
    m_window->grabMouse();
}

void StyleFrame::endResize()
{
    if (!m_resizing)
        return;
    m_resizing = false;
    releaseGrab();
}

void StyleFrame::mouseMoveEvent(QMouseEvent *event)
{
    if (m_resizing) {
        if (event->buttons() & Qt::LeftButton) {
            // Measured on the screen: the window moves under the pointer.
            m_window->setGeometry(resizedGeometry(m_startGeometry, m_resizeEdges,
                                                  event->globalPos() - m_pressGlobal,
                                                  m_window->minimumSize()));
            return;
        }
        // The release went elsewhere; the drag is over all the same.
        endResize();
    }
    // With a button held the pointer belongs to whatever took the press.
    if (event->buttons() != Qt::NoButton)
        return;

    setBand(resizable() ? borderEdges(event->pos(), m_window->size()) : Qt::Edges());
    const Qt::CursorShape cursor = borderCursor(band());
    if (cursor != m_cursor || cursor != m_window->cursor().shape()) {
        m_cursor = cursor;
        m_window->setCursor(cursor);
    }
    // Holding the mouse while over the band keeps the moves coming when the
    // pointer slips out of the window, so the cursor is put back in time.
    if (m_onBorder) {
        if (!QWidget::mouseGrabber() && !QApplication::activePopupWidget())
            m_window->grabMouse();
    } else {
        releaseGrab();
    }
}

void StyleFrame::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        endResize();
}

void StyleFrame::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Leave:
        if (!m_resizing) {
            releaseGrab();
            setBand(Qt::Edges());
        }
        break;
    case QEvent::Hide:
    case QEvent::WindowBlocked:
        endResize();
        releaseGrab();
        setBand(Qt::Edges());
        break;
    case QEvent::WindowStateChange: {
        if (!m_titleBar || m_titleBar->isChangingState())
            break;
        const auto *change = static_cast<QWindowStateChangeEvent *>(event);
        const bool was = change->oldState() & Qt::WindowMinimized;
        const bool is = m_window->windowState() & Qt::WindowMinimized;
        if (!was && is) {
            m_titleBar->noteMinimizedBySystem();
        } else if (was && !is) {
            // Let the platform finish its own change before the bar sets
            // the state it wants.
            QPointer<StyleTitle> titleBar = m_titleBar;
            QTimer::singleShot(0, m_titleBar, [this, titleBar] {
                if (titleBar)
                    restoreFromMinimized();
            });
        }
        break;
    }
    default:
        break;
    }
}

void StyleFrame::restoreFromMinimized()
{
    int state = m_titleBar->state();
    if (state == StyleTitle::Minimized)
        state = m_titleBar->stateBeforeMinimize();
    if (state == StyleTitle::Maximized)
        m_titleBar->showMaxNoBackup();
    else if (state == StyleTitle::FullScreen)
        m_titleBar->showFull();
    else
        m_titleBar->showRestore();
}
