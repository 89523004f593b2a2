// StyleDialog: the frameless dialog base. The title bar over a content widget
// that the subclass fills with its form, and a 4-px resize band.
#ifndef STYLEDIALOG_H
#define STYLEDIALOG_H

#include "styleframe.h"

#include <QDialog>

class QStatusBar;
class QVBoxLayout;
class StyleTitle;

class StyleDialog : public QDialog
{
    Q_OBJECT

public:
    StyleDialog(int titleFlags, bool flag, QWidget *parent = nullptr);

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
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    QVBoxLayout *m_layout = nullptr;
    StyleTitle *m_titleBar = nullptr;
    QWidget *m_content = nullptr;
    QStatusBar *m_statusBar = nullptr;
    bool m_flag = false;
    StyleFrame m_frame;
};

#endif
