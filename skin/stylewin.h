// StyleWin: the frameless main-window base. The title bar, optional menu and
// tool bars, a content widget for the subclass's form, an optional status
// bar, and a 4-px resize band.
#ifndef STYLEWIN_H
#define STYLEWIN_H

#include "styleframe.h"

#include <QFrame>

class QMenuBar;
class QStatusBar;
class QToolBar;
class QVBoxLayout;
class StyleTitle;

class StyleWin : public QFrame
{
    Q_OBJECT

public:
    StyleWin(int titleFlags, bool flag, QWidget *parent = nullptr);

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
    QMenuBar *menuBar();
    QToolBar *toolBar();
    QStatusBar *statusBar();

    static void callMousePressEvent(void *owner, QMouseEvent *event);
    static void callMouseMoveEvent(void *owner, QMouseEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    QVBoxLayout *m_layout = nullptr;
    StyleTitle *m_titleBar = nullptr;
    QMenuBar *m_menuBar = nullptr;
    QToolBar *m_toolBar = nullptr;
    QWidget *m_content = nullptr;
    QStatusBar *m_statusBar = nullptr;
    bool m_flag = false;
    StyleFrame m_frame;
};

#endif
