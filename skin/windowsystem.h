// The window-system requests of the frameless windows (native move and resize,
// mouse grab, system menu, screen area) behind one replaceable object, so that
// tests can record what would be asked instead of asking it.
#ifndef WINDOWSYSTEM_H
#define WINDOWSYSTEM_H

#include <QPoint>
#include <QRect>
#include <Qt>

class QMenu;
class QWidget;

class WindowSystem
{
public:
    virtual ~WindowSystem();

    // Hands the drag to the window manager; false when the platform refuses
    // (the offscreen platform, some window managers), and the caller then
    // moves or resizes the window by the mouse deltas itself.
    virtual bool startSystemMove(QWidget *window);
    virtual bool startSystemResize(QWidget *window, Qt::Edges edges);
    // Releases whatever widget holds the mouse, so that the window manager
    // can take the pointer.
    virtual void releaseMouse();
    virtual void showSystemMenu(QMenu *menu, const QPoint &globalPos);
    virtual QRect availableGeometry() const;

    static WindowSystem *instance();
    // Installs a replacement (not owned); null brings back the real one.
    static void setInstance(WindowSystem *windowSystem);
};

#endif
