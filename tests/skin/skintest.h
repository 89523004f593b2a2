// Shared pieces of the window-framework tests: a window system that records
// what would be asked of it, and mouse events sent straight to a widget.
#ifndef SKINTEST_H
#define SKINTEST_H

#include "windowsystem.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <functional>

class RecordingWindowSystem : public WindowSystem
{
public:
    // Whether the "platform" takes the move or resize; false makes the
    // window follow the mouse deltas itself, as on the offscreen platform.
    bool nativeMove = true;
    bool nativeResize = true;
    QRect area = QRect(20, 10, 760, 540);
    QStringList calls;
    QPoint menuPos;
    mutable int areaAsked = 0;

    bool startSystemMove(QWidget *) override
    {
        calls << QStringLiteral("move");
        return nativeMove;
    }
    bool startSystemResize(QWidget *, Qt::Edges edges) override
    {
        calls << QStringLiteral("resize %1").arg(edgeName(edges));
        return nativeResize;
    }
    void releaseMouse() override
    {
        calls << QStringLiteral("release");
        WindowSystem::releaseMouse();
    }
    void showSystemMenu(QMenu *, const QPoint &globalPos) override
    {
        calls << QStringLiteral("menu");
        menuPos = globalPos;
    }
    QRect availableGeometry() const override
    {
        ++areaAsked;
        return area;
    }

    static QString edgeName(Qt::Edges edges)
    {
        QString name;
        if (edges & Qt::TopEdge)
            name += QLatin1String("top");
        if (edges & Qt::BottomEdge)
            name += QLatin1String("bottom");
        if (edges & Qt::LeftEdge)
            name += QLatin1String("left");
        if (edges & Qt::RightEdge)
            name += QLatin1String("right");
        return name.isEmpty() ? QStringLiteral("none") : name;
    }
};

// Puts the window at geometry and waits until it is on screen.
inline bool showAt(QWidget *window, const QRect &geometry)
{
    window->setGeometry(geometry);
    window->show();
    return QTest::qWaitForWindowExposed(window);
}

// Sends a mouse event to the widget under pos (window coordinates) the way
// the application delivers it, so that unhandled events climb to the window.
inline void sendMouse(QWidget *window, QEvent::Type type, const QPoint &pos,
                      Qt::MouseButton button = Qt::NoButton,
                      Qt::MouseButtons buttons = Qt::NoButton)
{
    QWidget *target = window->childAt(pos);
    if (!target)
        target = window;
    const QPoint local = target->mapFrom(window, pos);
    const QPoint global = window->mapToGlobal(pos);
    QMouseEvent event(type, local, global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// The same with explicit positions, for drags that move the window under
// the pointer (the platform keeps sending to the widget that took the press).
inline void sendTo(QWidget *target, QEvent::Type type, const QPoint &local, const QPoint &global,
                   Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, local, global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

inline void hover(QWidget *window, const QPoint &pos)
{
    sendMouse(window, QEvent::MouseMove, pos);
}

inline void press(QWidget *window, const QPoint &pos)
{
    sendMouse(window, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}

inline void drag(QWidget *window, const QPoint &pos)
{
    sendMouse(window, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
}

inline void release(QWidget *window, const QPoint &pos)
{
    sendMouse(window, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

// One step of a drag that a test carries out by its own means.
enum class DragStep { Move, Press, Release };

// Away from the window over the given edges, 6 px an event.
inline QPoint outwardStep(Qt::Edges edges)
{
    return QPoint(edges & Qt::LeftEdge    ? -6
                  : edges & Qt::RightEdge ? 6
                                          : 0,
                  edges & Qt::TopEdge      ? -6
                  : edges & Qt::BottomEdge ? 6
                                           : 0);
}

// A drag as a person makes it over an edge of the window at geometry: from
// the window's middle onto from, the press, ten steps outwards so that the
// pointer leaves the window at once, and the release unless told not to.
// Every point is on the screen. The drag stops at the first step that send
// does not carry out; returns whether every step was carried out.
inline bool outwardDrag(const QRect &geometry, const QPoint &from, Qt::Edges edges, bool release,
                        const std::function<bool(DragStep, const QPoint &)> &send)
{
    const QPoint middle = geometry.topLeft() + QPoint(geometry.width() / 2, geometry.height() / 2);
    if (!send(DragStep::Move, middle) || !send(DragStep::Move, from) ||
        !send(DragStep::Press, from))
        return false;
    const QPoint step = outwardStep(edges);
    for (int i = 1; i <= 10; i++) {
        if (!send(DragStep::Move, from + i * step))
            return false;
    }
    return !release || send(DragStep::Release, from + 10 * step);
}

#endif
