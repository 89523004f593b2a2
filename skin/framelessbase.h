// FramelessBase: what StyleWin and StyleDialog build on top of their Qt base
// (QFrame, QDialog). The vertical layout with the title bar over the content
// widget, the status bar made on request, and the mouse and window events
// handed to the border behaviour (StyleFrame) and to the base in turn.
#ifndef FRAMELESSBASE_H
#define FRAMELESSBASE_H

#include "styleframe.h"

#include <Qt>

class QEvent;
class QMouseEvent;
class QStatusBar;
class QString;
class QVBoxLayout;
class StyleTitle;

template <class Base> class FramelessBase : public Base
{
public:
    StyleTitle *titleBar() const
    {
        return m_titleBar;
    }
    QWidget *contentWidget() const
    {
        return m_content;
    }
    // The constructor's flag, kept for the subclasses.
    bool flag() const
    {
        return m_flag;
    }
    QStatusBar *statusBar();

    static void callMousePressEvent(void *owner, QMouseEvent *event);
    static void callMouseMoveEvent(void *owner, QMouseEvent *event);

protected:
    FramelessBase(int titleFlags, bool flag, Qt::WindowFlags windowFlags,
                  const QString &contentName, QWidget *parent);

    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

    QVBoxLayout *m_layout = nullptr;

private:
    StyleTitle *m_titleBar = nullptr;
    QWidget *m_content = nullptr;
    QStatusBar *m_statusBar = nullptr;
    bool m_flag = false;
    StyleFrame m_frame;
};

#endif
