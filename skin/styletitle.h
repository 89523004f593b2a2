// StyleTitle: the title bar of the frameless windows and dialogs. Icon, title,
// the window buttons chosen by flags, dragging, the system menu under the
// icon, and the window's state machine with the geometry to return to.
#ifndef STYLETITLE_H
#define STYLETITLE_H

#include <QByteArray>
#include <QFrame>
#include <QPoint>
#include <QSize>

class QAction;
class QHBoxLayout;
class QLabel;
class QMenu;
class QMouseEvent;
class QPushButton;

namespace Ui
{
class StyleTitle;
}

class StyleTitle : public QFrame
{
    Q_OBJECT

public:
    // Button flags of the constructor.
    enum {
        CloseButton = 1,
        MinimizeButton = 2,
        MaximizeButton = 4,
        FullScreenButton = 8,
    };
    // Values of state().
    enum { Normal = 0, Maximized = 1, Minimized = 2, FullScreen = 3 };

    typedef void (*MouseForwarder)(void *owner, QMouseEvent *event);

    StyleTitle(int flags, QWidget *owner);
    ~StyleTitle() override;

    // The owning window hands the bar its press and move handlers, so that
    // its border band works over the bar too.
    void setForwarders(MouseForwarder press, MouseForwarder move, void *owner);

    void setTitle(const QString &text);
    QString title() const;
    QWidget *customArea();
    void setHideWhenMinimized(bool hide);

    int state() const
    {
        return m_state;
    }
    // A restore from the task bar returns to the state the window was in
    // when the bar minimised it.
    int stateBeforeMinimize() const
    {
        return m_stateBeforeMinimize;
    }
    // True while one of the slots below changes the window's state, so that
    // the window can tell its own changes from the platform's.
    bool isChangingState() const
    {
        return m_changingState;
    }
    // The platform minimised the window behind the bar's back (task bar):
    // keep its normal geometry for the restore.
    void noteMinimizedBySystem();

    QMenu *systemMenu() const
    {
        return m_systemMenu;
    }

public slots:
    void showMin();
    void showRestore();
    void showMax();
    void showMaxNoBackup();
    void showFull();
    void exitFull();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static QPushButton *keepButton(QPushButton *button, bool wanted);
    // event arrived at from (the bar itself when null).
    bool forward(MouseForwarder forwarder, QMouseEvent *event, QWidget *from = nullptr);
    void maximize(bool saveGeometry);
    void keepNormalGeometry(QWidget *owner);
    void settleRestoredSize(QWidget *owner);
    void swapToRestore();
    void swapToMaximize();
    void showWhenHiding();
    void updateSystemMenu();
    void popupSystemMenu();
    void systemMenuRestore();

    Ui::StyleTitle *m_ui = nullptr;
    int m_state = Normal;
    MouseForwarder m_pressForwarder = nullptr;
    MouseForwarder m_moveForwarder = nullptr;
    void *m_owner = nullptr;
    QHBoxLayout *m_layout = nullptr;
    QLabel *m_iconLabel = nullptr;
    QLabel *m_titleLabel = nullptr;
    QWidget *m_customArea = nullptr;
    QPushButton *m_btnMinimize = nullptr;
    QPushButton *m_btnMaximize = nullptr;
    QPushButton *m_btnRestore = nullptr;
    QPushButton *m_btnClose = nullptr;
    QPushButton *m_btnFull = nullptr;
    QByteArray m_savedGeometry;
    // The size within it, for putting back what the layouts widened.
    QSize m_savedSize;
    QAction *m_escAction = nullptr;
    bool m_hideWhenMinimized = false;

    int m_flags = 0;
    int m_stateBeforeMinimize = Normal;
    bool m_changingState = false;
    QMenu *m_systemMenu = nullptr;
    QAction *m_actRestore = nullptr;
    QAction *m_actMinimize = nullptr;
    QAction *m_actMaximize = nullptr;
    QAction *m_actClose = nullptr;

    // A press in the title band moves the window only once the pointer has
    // travelled the drag distance, so that a double click stays a click.
    QPoint m_pressGlobal;
    QPoint m_moveStart;
    bool m_movePending = false;
    bool m_moving = false;
    bool m_menuPending = false;
};

#endif
