// The real window-system requests: QWindow's system move and resize, the
// widget mouse grab, a popup menu and the primary screen's available area.
#include "windowsystem.h"

#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWidget>
#include <QWindow>

static WindowSystem *s_replacement = nullptr;

WindowSystem::~WindowSystem() = default;

bool WindowSystem::startSystemMove(QWidget *window)
{
    QWindow *handle = window ? window->windowHandle() : nullptr;
    return handle && handle->startSystemMove();
}

bool WindowSystem::startSystemResize(QWidget *window, Qt::Edges edges)
{
    QWindow *handle = window ? window->windowHandle() : nullptr;
    return handle && handle->startSystemResize(edges);
}

void WindowSystem::releaseMouse()
{
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
}

void WindowSystem::showSystemMenu(QMenu *menu, const QPoint &globalPos)
{
    menu->popup(globalPos);
}

QRect WindowSystem::availableGeometry() const
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

WindowSystem *WindowSystem::instance()
{
    static WindowSystem real;
    return s_replacement ? s_replacement : &real;
}

void WindowSystem::setInstance(WindowSystem *windowSystem)
{
    s_replacement = windowSystem;
}
