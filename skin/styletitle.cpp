// The title bar: building it from the flags, the press and drag routing, the
// system menu, and the normal / maximised / minimised / full-screen states.
#include "styletitle.h"

#include "ui_styletitle.h"
#include "windowsystem.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

namespace
{

// Marks the bar busy for the length of one state change.
class StateChange
{
public:
    explicit StateChange(bool &flag) : m_flag(flag), m_old(flag)
    {
        m_flag = true;
    }
    ~StateChange()
    {
        m_flag = m_old;
    }

private:
    bool &m_flag;
    bool m_old;
};

} // namespace

StyleTitle::StyleTitle(int flags, QWidget *owner) : QFrame(nullptr), m_flags(flags)
{
    m_ui = new Ui::StyleTitle;
    m_ui->setupUi(this);
    m_layout = m_ui->layout;
    m_iconLabel = m_ui->lbTBIcon;
    m_titleLabel = m_ui->lbTBTitle;

    // The form holds every button; those the flags do not ask for go.
    m_btnFull = keepButton(m_ui->btnTBFull, flags & FullScreenButton);
    m_btnMinimize = keepButton(m_ui->btnTBMinimize, flags & MinimizeButton);
    m_btnMaximize = keepButton(m_ui->btnTBMaximize, flags & MaximizeButton);
    m_btnRestore = keepButton(m_ui->btnTBRestore, flags & MaximizeButton);
    m_btnClose = keepButton(m_ui->btnTBClose, flags & CloseButton);

    if (m_btnFull)
        connect(m_btnFull, &QPushButton::clicked, this, &StyleTitle::showFull);
    if (m_btnMinimize)
        connect(m_btnMinimize, &QPushButton::clicked, this, &StyleTitle::showMin);
    if (m_btnMaximize) {
        connect(m_btnMaximize, &QPushButton::clicked, this, &StyleTitle::showMax);
        connect(m_btnRestore, &QPushButton::clicked, this, &StyleTitle::showRestore);
        m_btnRestore->hide();
    }
    if (m_btnClose) {
        if (owner)
            connect(m_btnClose, &QPushButton::clicked, owner, &QWidget::close);
        else
            connect(m_btnClose, &QPushButton::clicked, this, [this] { window()->close(); });
    }

    // The buttons reach into the window's top band: there a press resizes
    // the window, as anywhere else along its edges.
    for (QPushButton *button : {m_btnFull, m_btnMinimize, m_btnMaximize, m_btnRestore, m_btnClose})
        if (button)
            button->installEventFilter(this);

    m_systemMenu = new QMenu(this);
    m_systemMenu->setObjectName(QStringLiteral("mnuTBSystem"));
    m_actRestore = m_systemMenu->addAction(tr("Restore"));
    m_actMinimize = m_systemMenu->addAction(tr("Minimize"));
    m_actMaximize = m_systemMenu->addAction(tr("Maximize"));
    m_systemMenu->addSeparator();
    m_actClose = m_systemMenu->addAction(tr("Close"));
    connect(m_actRestore, &QAction::triggered, this, &StyleTitle::systemMenuRestore);
    connect(m_actMinimize, &QAction::triggered, this, &StyleTitle::showMin);
    connect(m_actMaximize, &QAction::triggered, this, &StyleTitle::showMax);
    connect(m_actClose, &QAction::triggered, this, [this] { window()->close(); });
    connect(m_systemMenu, &QMenu::aboutToShow, this, &StyleTitle::updateSystemMenu);
    updateSystemMenu();
}

StyleTitle::~StyleTitle()
{
    delete m_ui;
}

QPushButton *StyleTitle::keepButton(QPushButton *button, bool wanted)
{
    if (wanted)
        return button;
    delete button;
    return nullptr;
}

void StyleTitle::setForwarders(MouseForwarder press, MouseForwarder move, void *owner)
{
    m_pressForwarder = press;
    m_moveForwarder = move;
    m_owner = owner;
}

void StyleTitle::setTitle(const QString &text)
{
    m_titleLabel->setText(text);
    window()->setWindowTitle(text);
}

QString StyleTitle::title() const
{
    return m_titleLabel->text();
}

QWidget *StyleTitle::customArea()
{
    if (!m_customArea) {
        m_customArea = new QWidget(this);
        m_customArea->setObjectName(QStringLiteral("wTBCustomArea"));
        m_customArea->setStyleSheet(QStringLiteral("background-color: QColor(0, 0, 0, 0);"));
        m_customArea->setMouseTracking(true);
        m_customArea->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
        const int at = m_layout->indexOf(m_titleLabel);
        m_layout->insertWidget(at, m_customArea);
        m_layout->insertSpacing(at + 1, 7);
    }
    return m_customArea;
}

void StyleTitle::setHideWhenMinimized(bool hide)
{
    m_hideWhenMinimized = hide;
}

void StyleTitle::noteMinimizedBySystem()
{
    if (m_state == Normal)
        keepNormalGeometry(window());
}

void StyleTitle::keepNormalGeometry(QWidget *owner)
{
    m_savedGeometry = owner->saveGeometry();
    m_savedSize = owner->size();
}

void StyleTitle::settleRestoredSize(QWidget *owner)
{
    // The pages were laid out for the maximised window, and some need more
    // room the taller they are (a square preview): until their layouts have
    // seen the normal height, the window's minimum is the maximised one's
    // and widens the restored window. A few rounds let the layouts catch up,
    // then the size goes back to the one saved, where the pages now allow it.
    for (int round = 0; round < 8; round++) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const QSize minimum = owner->minimumSize();
        if (owner->size() != m_savedSize && m_savedSize.width() >= minimum.width() &&
            m_savedSize.height() >= minimum.height())
            owner->resize(m_savedSize);
    }
}

void StyleTitle::swapToRestore()
{
    if (m_btnMaximize && m_btnRestore) {
        m_btnMaximize->hide();
        m_btnRestore->show();
    }
}

void StyleTitle::swapToMaximize()
{
    if (m_btnMaximize && m_btnRestore) {
        m_btnRestore->hide();
        m_btnMaximize->show();
    }
}

void StyleTitle::showWhenHiding()
{
    if (m_hideWhenMinimized)
        window()->show();
}

void StyleTitle::maximize(bool saveGeometry)
{
    StateChange change(m_changingState);
    QWidget *owner = window();
    swapToRestore();
    if (saveGeometry)
        keepNormalGeometry(owner);
    // The window goes onto the available area before it is maximised: a
    // geometry set on a maximised widget silently drops its maximised
    // state, and a later showNormal would then leave the platform's window
    // maximised. Where the platform maximises to its own work area, it wins.
    const QRect area = WindowSystem::instance()->availableGeometry();
    if (area.isValid() && !owner->isMaximized() && !owner->isMinimized())
        owner->setGeometry(area);
    owner->showMaximized();
    showWhenHiding();
    m_state = Maximized;
}

void StyleTitle::showMax()
{
    maximize(true);
}

void StyleTitle::showMaxNoBackup()
{
    maximize(false);
}

void StyleTitle::showRestore()
{
    StateChange change(m_changingState);
    QWidget *owner = window();
    swapToMaximize();
    owner->showNormal();
    showWhenHiding();
    if (!m_savedGeometry.isEmpty()) {
        owner->restoreGeometry(m_savedGeometry);
        settleRestoredSize(owner);
    }
    m_state = Normal;
}

void StyleTitle::showMin()
{
    StateChange change(m_changingState);
    QWidget *owner = window();
    // Only the normal state's geometry is worth returning to; a maximised or
    // full-screen window comes back in that state instead.
    if (m_state == Normal)
        keepNormalGeometry(owner);
    if (m_state != Minimized)
        m_stateBeforeMinimize = m_state;
    owner->showMinimized();
    if (m_hideWhenMinimized)
        owner->hide();
    m_state = Minimized;
}

void StyleTitle::showFull()
{
    StateChange change(m_changingState);
    QWidget *owner = window();
    if (!m_escAction) {
        m_escAction = new QAction(owner);
        m_escAction->setObjectName(QStringLiteral("actTBExitFull"));
        m_escAction->setShortcut(QKeySequence(Qt::Key_Escape));
        connect(m_escAction, &QAction::triggered, this, &StyleTitle::exitFull);
        owner->addAction(m_escAction);
    }
    if (m_state == Normal)
        keepNormalGeometry(owner);
    owner->showFullScreen();
    showWhenHiding();
    m_escAction->setEnabled(true);
    hide();
    m_state = FullScreen;
}

void StyleTitle::exitFull()
{
    StateChange change(m_changingState);
    show();
    showRestore();
    if (m_escAction)
        m_escAction->setEnabled(false);
}

void StyleTitle::systemMenuRestore()
{
    if (m_state == FullScreen)
        exitFull();
    else
        showRestore();
}

void StyleTitle::updateSystemMenu()
{
    m_actRestore->setEnabled(m_state != Normal);
    m_actMinimize->setEnabled((m_flags & MinimizeButton) && m_state != Minimized);
    m_actMaximize->setEnabled((m_flags & MaximizeButton) && m_state == Normal);
    m_actClose->setEnabled(m_flags & CloseButton);
}

void StyleTitle::popupSystemMenu()
{
    updateSystemMenu();
    const QPoint at = mapToGlobal(QPoint(0, m_iconLabel->height() - 1));
    WindowSystem::instance()->showSystemMenu(m_systemMenu, at);
}

bool StyleTitle::eventFilter(QObject *watched, QEvent *event)
{
    // Hover moves pass over the buttons to the bar by themselves; a press
    // does not, and one in the band that starts a resize is not a click.
    QWidget *button = qobject_cast<QPushButton *>(watched);
    if (!button || event->type() != QEvent::MouseButtonPress)
        return QFrame::eventFilter(watched, event);
    return forward(m_pressForwarder, static_cast<QMouseEvent *>(event), button);
}

bool StyleTitle::forward(MouseForwarder forwarder, QMouseEvent *event, QWidget *from)
{
    if (!forwarder || !m_owner)
        return false;
    // The owner works in its own coordinates; the bar may sit inside the
    // window's border. It accepts the press when it starts a resize.
    QWidget *source = from ? from : this;
    QMouseEvent mapped(event->type(), source->mapTo(window(), event->pos()), event->windowPos(),
                       event->screenPos(), event->button(), event->buttons(), event->modifiers(),
                       event->source());
    mapped.setAccepted(false);
    forwarder(m_owner, &mapped);
    return mapped.isAccepted();
}

void StyleTitle::mousePressEvent(QMouseEvent *event)
{
    const bool resizing = forward(m_pressForwarder, event);
    m_movePending = m_moving = m_menuPending = false;
    if (event->button() != Qt::LeftButton || resizing)
        return;

    const int x = event->pos().x();
    const int y = event->pos().y();
    // Outside the border band the press belongs to the bar. The band is the
    // window's, and the skin's window border puts the bar a pixel inside it:
    // measured in the bar's own coordinates, a line between band and title
    // would do nothing at all. A maximised window stays where the screen
    // puts it.
    const QPoint inWindow = mapTo(window(), event->pos());
    const int right = window()->width() - 1;
    if (qAbs(inWindow.x()) > 3 && qAbs(inWindow.y()) > 3 && qAbs(inWindow.x() - right) > 3 &&
        m_state == Normal) {
        m_movePending = true;
        m_pressGlobal = event->globalPos();
    }
    // The icon area reaches into the top-left corner's band; a press that
    // resizes from that corner is a resize, not a click on the icon.
    if (x >= 0 && x <= m_iconLabel->width() - 1 && y >= 0 && y <= m_iconLabel->height() - 1)
        m_menuPending = true;
}

void StyleTitle::mouseMoveEvent(QMouseEvent *event)
{
    forward(m_moveForwarder, event);
    if (!(event->buttons() & Qt::LeftButton)) {
        m_movePending = m_moving = false;
        return;
    }
    QWidget *owner = window();
    if (m_movePending && (event->globalPos() - m_pressGlobal).manhattanLength() >=
                             QApplication::startDragDistance()) {
        m_movePending = false;
        WindowSystem *ws = WindowSystem::instance();
        ws->releaseMouse();
        if (!ws->startSystemMove(owner)) {
            m_moving = true;
            m_moveStart = owner->pos();
        }
    }
    if (m_moving)
        owner->move(m_moveStart + event->globalPos() - m_pressGlobal);
}

void StyleTitle::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool menu = m_menuPending;
    m_movePending = m_moving = m_menuPending = false;
    // As after a native move loop: the menu comes once the press is over.
    if (menu)
        popupSystemMenu();
}

void StyleTitle::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_movePending = m_moving = m_menuPending = false;
    if (event->button() != Qt::LeftButton)
        return;
    if (m_state == Normal)
        showMax();
    else if (m_state == Maximized)
        showRestore();
}
