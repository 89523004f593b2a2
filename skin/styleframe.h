// StyleFrame: what the frameless window and the frameless dialog share. The
// 4-px border band with its cursor and grab, resizing from a press in it,
// and the platform's minimise and restore routed to the title bar.
#ifndef STYLEFRAME_H
#define STYLEFRAME_H

#include <QPoint>
#include <QRect>
#include <Qt>

class QEvent;
class QMouseEvent;
class QWidget;
class StyleTitle;

class StyleFrame
{
public:
    explicit StyleFrame(QWidget *window);

    void setTitleBar(StyleTitle *titleBar)
    {
        m_titleBar = titleBar;
    }

    // Accepts the event when the press starts a resize, ignores it otherwise.
    void mousePressEvent(QMouseEvent *event);
    void mouseMoveEvent(QMouseEvent *event);
    void mouseReleaseEvent(QMouseEvent *event);
    // Leave, hide, modal blocking and window-state changes; never consumes.
    void event(QEvent *event);

    Qt::Edges band() const;
    bool onBorder() const
    {
        return m_onBorder;
    }

private:
    bool resizable() const;
    void setBand(Qt::Edges edges);
    void releaseGrab();
    void endResize();
    void restoreFromMinimized();

    QWidget *m_window;
    StyleTitle *m_titleBar = nullptr;
    bool m_left = false;
    bool m_right = false;
    bool m_top = false;
    bool m_bottom = false;
    bool m_onBorder = false;
    Qt::CursorShape m_cursor = Qt::ArrowCursor;

    // Resizing by the mouse deltas, where the platform will not do it; the
    // window holds the mouse for as long as it lasts.
    bool m_resizing = false;
    Qt::Edges m_resizeEdges;
    QPoint m_pressGlobal;
    QRect m_startGeometry;
};

#endif
