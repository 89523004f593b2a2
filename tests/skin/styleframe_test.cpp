// The frameless window and dialog: the border band seen through the pointer
// (cursor and grab), press routing through the window-system seam (title
// band moves, icon moves and opens the menu, border resizes), moving and
// resizing by the deltas where the platform refuses, the restore from the
// task bar routed by the title bar's state, and the bars' places.
#include "sanitizer_hooks.h"
#include "skinresources.h"
#include "skintest.h"
#include "styledialog.h"
#include "styletitle.h"
#include "stylewin.h"

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>
#include <QScreen>
#include <QtTest>

class StyleFrameTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void windowSetup();
    void cursorAndGrabOverTheBand_data();
    void cursorAndGrabOverTheBand();
    void pressRouting_data();
    void pressRouting();
    void bandFollowsTheWindowAnywhereOnTheScreen();
    void moveByDeltasWhereThePlatformRefuses();
    void resizeByDeltasWhereThePlatformRefuses();
    void resizeFollowsThePointerOutOfTheWindow_data();
    void resizeFollowsThePointerOutOfTheWindow();
    void nextResizeWorksAfterOneThatCameToNothing();
    void maximizedOrFixedWindowsDoNotMoveOrResize();
    void grabReleasedOnLeaveHideAndModal();
    void restoreFromTaskBar();
    void maximizeMinimizeRestoreComesBackMaximized();
    void minimizedByTheTaskBarKeepsTheState();
    void barsTakeTheirPlaces();

private:
    RecordingWindowSystem m_ws;
    QPoint dragOutwards(QWidget *window, const QPoint &at, Qt::Edges edges, bool release = true);
    const QRect m_normal = QRect(60, 70, 420, 300);
};

static QStringList layoutNames(QWidget *window)
{
    QStringList names;
    QLayout *layout = window->layout();
    for (int i = 0; i < layout->count(); ++i) {
        QWidget *w = layout->itemAt(i)->widget();
        names << (w->objectName().isEmpty() ? QLatin1String(w->metaObject()->className())
                                            : w->objectName());
    }
    return names;
}

void StyleFrameTest::initTestCase()
{
    qApp->setStyleSheet(skinStyleSheet());
    // Where the platform maximises to its own work area it has the last
    // word, so the recorded area is the screen's.
    m_ws.area = QGuiApplication::primaryScreen()->availableGeometry();
    WindowSystem::setInstance(&m_ws);
}

void StyleFrameTest::cleanupTestCase()
{
    WindowSystem::setInstance(nullptr);
}

void StyleFrameTest::init()
{
    m_ws.calls.clear();
    m_ws.nativeMove = true;
    m_ws.nativeResize = true;
}

void StyleFrameTest::windowSetup()
{
    StyleWin win(7, true);
    StyleDialog dialog(1, true);
    const Qt::WindowFlags common =
        Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint;
    QCOMPARE(win.windowFlags() & common, common);
    QCOMPARE(win.windowType(), Qt::Window);
    QCOMPARE(dialog.windowFlags() & common, common);
    QCOMPARE(dialog.windowType(), Qt::Tool);
    QVERIFY(win.hasMouseTracking());
    QVERIFY(dialog.hasMouseTracking());
    QCOMPARE(layoutNames(&win), QStringList({"StyleTitle", "wStyleWinContent"}));
    QCOMPARE(layoutNames(&dialog), QStringList({"StyleTitle", "wStyleDialogContent"}));
    QCOMPARE(win.contentWidget()->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(dialog.contentWidget()->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(win.layout()->spacing(), 0);
    QCOMPARE(win.layout()->contentsMargins(), QMargins());
    QVERIFY(win.flag());
}

void StyleFrameTest::cursorAndGrabOverTheBand_data()
{
    QTest::addColumn<bool>("dialog");
    QTest::newRow("StyleWin") << false;
    QTest::newRow("StyleDialog") << true;
}

void StyleFrameTest::cursorAndGrabOverTheBand()
{
    QFETCH(bool, dialog);
    StyleWin win(7, true);
    StyleDialog dlg(1, true);
    QWidget *w = dialog ? static_cast<QWidget *>(&dlg) : &win;
    QVERIFY(showAt(w, m_normal));
    const int r = w->width() - 1;
    const int b = w->height() - 1;
    struct Case {
        const char *where;
        QPoint pos;
        Qt::CursorShape cursor;
    } cases[] = {
        {"left", {2, 150}, Qt::SizeHorCursor},
        {"right", {r - 2, 150}, Qt::SizeHorCursor},
        {"top, over the title bar", {200, 2}, Qt::SizeVerCursor},
        {"bottom", {200, b - 2}, Qt::SizeVerCursor},
        {"top-left", {2, 2}, Qt::SizeFDiagCursor},
        {"top-right", {r - 2, 2}, Qt::SizeBDiagCursor},
        {"bottom-left", {2, b - 2}, Qt::SizeBDiagCursor},
        {"bottom-right", {r - 2, b - 2}, Qt::SizeFDiagCursor},
        {"10 px inside left", {10, 150}, Qt::ArrowCursor},
        {"10 px inside top-right", {r - 10, 10}, Qt::ArrowCursor},
        {"10 px inside bottom", {200, b - 10}, Qt::ArrowCursor},
        {"top, over the close button", {r - 12, 3}, Qt::SizeVerCursor},
        {"close button, below the band", {r - 12, 8}, Qt::ArrowCursor},
    };
    for (const Case &c : cases) {
        hover(w, c.pos);
        QVERIFY2(w->cursor().shape() == c.cursor, c.where);
        const bool onBorder = c.cursor != Qt::ArrowCursor;
        QVERIFY2((QWidget::mouseGrabber() == w) == onBorder, c.where);
    }
    hover(w, QPoint(200, 150));
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
}

void StyleFrameTest::pressRouting_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<bool>("dragged");
    QTest::addColumn<QStringList>("afterPress");
    QTest::addColumn<QStringList>("afterDrag");
    QTest::addColumn<QStringList>("afterRelease");
    const QStringList none;
    const QStringList move = {"release", "move"};
    // The window is 420 x 300.
    QTest::newRow("title middle") << QPoint(200, 11) << true << none << move << move;
    QTest::newRow("title, 2 px below the top edge")
        << QPoint(200, 2) << true << QStringList({"release", "resize top"})
        << QStringList({"release", "resize top"}) << QStringList({"release", "resize top"});
    // The skin's border puts the bar a pixel inside the window; the first
    // line past the band is the title's all the same.
    QTest::newRow("title, first line below the band")
        << QPoint(200, 4) << true << none << move << move;
    QTest::newRow("icon, dragged")
        << QPoint(8, 8) << true << none << move << QStringList({"release", "move", "menu"});
    QTest::newRow("icon, clicked")
        << QPoint(8, 8) << false << none << none << QStringList({"menu"});
    // The window buttons reach into the top band; there they resize too.
    QTest::newRow("top, over the close button")
        << QPoint(407, 3) << false << QStringList({"release", "resize top"})
        << QStringList({"release", "resize top"}) << QStringList({"release", "resize top"});
    QTest::newRow("close button, below the band")
        << QPoint(407, 8) << false << none << none << none;
    QTest::newRow("left border") << QPoint(2, 150) << true
                                 << QStringList({"release", "resize left"})
                                 << QStringList({"release", "resize left"})
                                 << QStringList({"release", "resize left"});
    QTest::newRow("top-right corner")
        << QPoint(417, 2) << false << QStringList({"release", "resize topright"})
        << QStringList({"release", "resize topright"})
        << QStringList({"release", "resize topright"});
    QTest::newRow("bottom-left corner")
        << QPoint(2, 297) << false << QStringList({"release", "resize bottomleft"})
        << QStringList({"release", "resize bottomleft"})
        << QStringList({"release", "resize bottomleft"});
    QTest::newRow("10 px inside") << QPoint(10, 150) << true << none << none << none;
    // The icon area reaches into the corner's band: that press resizes only.
    QTest::newRow("top-left corner, over the icon")
        << QPoint(2, 2) << false << QStringList({"release", "resize topleft"})
        << QStringList({"release", "resize topleft"}) << QStringList({"release", "resize topleft"});
}

void StyleFrameTest::pressRouting()
{
    QFETCH(QPoint, pos);
    QFETCH(bool, dragged);
    QFETCH(QStringList, afterPress);
    QFETCH(QStringList, afterDrag);
    QFETCH(QStringList, afterRelease);

    StyleWin win(7, true);
    QVERIFY(showAt(&win, m_normal));
    QCOMPARE(win.size(), QSize(420, 300));
    QWidget *target = win.childAt(pos);
    QVERIFY(target);
    const QPoint local = target->mapFrom(&win, pos);
    const QPoint global = win.mapToGlobal(pos);

    sendTo(target, QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(m_ws.calls, afterPress);
    if (dragged) {
        // Below the drag distance nothing starts; past it the move does.
        const QPoint small(1, 1);
        sendTo(target, QEvent::MouseMove, local + small, global + small, Qt::NoButton,
               Qt::LeftButton);
        QCOMPARE(m_ws.calls, afterPress);
        const QPoint far(QApplication::startDragDistance() + 2, 0);
        sendTo(target, QEvent::MouseMove, local + far, global + far, Qt::NoButton, Qt::LeftButton);
    }
    QCOMPARE(m_ws.calls, afterDrag);
    sendTo(target, QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(m_ws.calls, afterRelease);
    if (m_ws.calls.contains(QStringLiteral("menu"))) {
        const QLabel *icon = win.titleBar()->findChild<QLabel *>(QStringLiteral("lbTBIcon"));
        QCOMPARE(m_ws.menuPos, win.titleBar()->mapToGlobal(QPoint(0, icon->height() - 1)));
    }
    // The platform took the drag, so the window itself did not move.
    QCOMPARE(win.geometry(), m_normal);
}

void StyleFrameTest::bandFollowsTheWindowAnywhereOnTheScreen()
{
    StyleDialog dialog(1, true);
    for (const QPoint &at : {QPoint(0, 0), QPoint(310, 240), QPoint(-50, 120)}) {
        m_ws.calls.clear();
        dialog.setGeometry(QRect(at, QSize(300, 200)));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_COMPARE(dialog.pos(), at);
        hover(&dialog, QPoint(297, 100));
        QCOMPARE(dialog.cursor().shape(), Qt::SizeHorCursor);
        press(&dialog, QPoint(297, 100));
        release(&dialog, QPoint(297, 100));
        hover(&dialog, QPoint(150, 100));
        QCOMPARE(dialog.cursor().shape(), Qt::ArrowCursor);
        press(&dialog, QPoint(150, 100));
        QCOMPARE(m_ws.calls, QStringList({"release", "resize right"}));
    }
}

void StyleFrameTest::moveByDeltasWhereThePlatformRefuses()
{
    m_ws.nativeMove = false;
    StyleWin win(7, true);
    QVERIFY(showAt(&win, m_normal));
    StyleTitle *bar = win.titleBar();
    const QPoint local(150, 11);
    const QPoint global = bar->mapToGlobal(local);

    sendTo(bar, QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton);
    sendTo(bar, QEvent::MouseMove, local, global + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
    QTRY_COMPARE(win.pos(), m_normal.topLeft() + QPoint(30, 20));
    sendTo(bar, QEvent::MouseMove, local, global + QPoint(-15, 5), Qt::NoButton, Qt::LeftButton);
    QTRY_COMPARE(win.pos(), m_normal.topLeft() + QPoint(-15, 5));
    sendTo(bar, QEvent::MouseButtonRelease, local, global + QPoint(-15, 5), Qt::LeftButton,
           Qt::NoButton);
    // Once released, moves no longer drag the window.
    sendTo(bar, QEvent::MouseMove, local, global + QPoint(100, 100), Qt::NoButton, Qt::NoButton);
    QCoreApplication::processEvents();
    QCOMPARE(win.pos(), m_normal.topLeft() + QPoint(-15, 5));
    QCOMPARE(win.size(), m_normal.size());
    QCOMPARE(m_ws.calls, QStringList({"release", "move"}));
}

void StyleFrameTest::resizeByDeltasWhereThePlatformRefuses()
{
    m_ws.nativeResize = false;
    StyleDialog dialog(1, true);
    dialog.setMinimumSize(200, 150);
    QVERIFY(showAt(&dialog, m_normal));

    // Bottom-right corner, dragged out by (40, 30).
    QPoint pos(417, 297);
    QWidget *target = dialog.childAt(pos);
    QVERIFY(target);
    QPoint global = dialog.mapToGlobal(pos);
    sendTo(target, QEvent::MouseButtonPress, target->mapFrom(&dialog, pos), global, Qt::LeftButton,
           Qt::LeftButton);
    sendTo(target, QEvent::MouseMove, target->mapFrom(&dialog, pos), global + QPoint(40, 30),
           Qt::NoButton, Qt::LeftButton);
    QTRY_COMPARE(dialog.geometry(), m_normal.adjusted(0, 0, 40, 30));
    sendTo(target, QEvent::MouseButtonRelease, target->mapFrom(&dialog, pos),
           global + QPoint(40, 30), Qt::LeftButton, Qt::NoButton);

    // Top edge, through the title bar, pulled down past the minimum height.
    const QRect before = dialog.geometry();
    pos = QPoint(200, 1);
    target = dialog.childAt(pos);
    global = dialog.mapToGlobal(pos);
    sendTo(target, QEvent::MouseButtonPress, target->mapFrom(&dialog, pos), global, Qt::LeftButton,
           Qt::LeftButton);
    sendTo(target, QEvent::MouseMove, target->mapFrom(&dialog, pos), global + QPoint(0, 500),
           Qt::NoButton, Qt::LeftButton);
    QTRY_COMPARE(dialog.geometry(),
                 QRect(before.left(), before.bottom() - 149, before.width(), 150));
    sendTo(target, QEvent::MouseButtonRelease, target->mapFrom(&dialog, pos),
           global + QPoint(0, 500), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(m_ws.calls, QStringList({"release", "resize bottomright", "release", "resize top"}));
}

// A pointer event through the platform, as QTest makes them but also at the
// window's (0, 0), which QTest takes for its centre. Each a second after the
// last, so that no two presses make a double click.
static void platformMouse(QWindow *window, QEvent::Type type, const QPoint &local,
                          Qt::MouseButtons buttons, Qt::MouseButton button = Qt::NoButton)
{
    static int timestamp = 0;
    timestamp += 1000;
    qt_handleMouseEvent(window, local, window->mapToGlobal(local), buttons, button, type,
                        Qt::NoModifier, timestamp);
    QCoreApplication::processEvents();
}

// A drag as a person makes it, through the platform: each event at its place
// on the screen, wherever the window has gone by then. Returns where the
// pointer ends, on the screen.
QPoint StyleFrameTest::dragOutwards(QWidget *window, const QPoint &at, Qt::Edges edges,
                                    bool release)
{
    QWindow *handle = window->windowHandle();
    const QPoint from = window->mapToGlobal(at);
    Qt::MouseButtons buttons = Qt::NoButton;
    outwardDrag(
        window->geometry(), from, edges, release, [&](DragStep what, const QPoint &onScreen) {
            const QPoint local = onScreen - window->geometry().topLeft();
            if (what == DragStep::Move) {
                platformMouse(handle, QEvent::MouseMove, local, buttons);
            } else {
                const bool press = what == DragStep::Press;
                buttons = press ? Qt::LeftButton : Qt::NoButton;
                platformMouse(handle, press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                              local, buttons, Qt::LeftButton);
            }
            return true;
        });
    return from + 10 * outwardStep(edges);
}

static QRect grown(const QRect &start, Qt::Edges edges, int by)
{
    return start.adjusted(edges & Qt::LeftEdge ? -by : 0, edges & Qt::TopEdge ? -by : 0,
                          edges & Qt::RightEdge ? by : 0, edges & Qt::BottomEdge ? by : 0);
}

void StyleFrameTest::resizeFollowsThePointerOutOfTheWindow_data()
{
    QTest::addColumn<bool>("dialog");
    QTest::addColumn<int>("edges");
    const int top = Qt::TopEdge, bottom = Qt::BottomEdge, left = Qt::LeftEdge;
    const int right = Qt::RightEdge;
    const struct {
        const char *name;
        int edges;
    } rows[] = {
        {"top", top},
        {"bottom", bottom},
        {"left", left},
        {"right", right},
        {"top-left", top | left},
        {"top-right", top | right},
        {"bottom-left", bottom | left},
        {"bottom-right", bottom | right},
    };
    for (bool dialog : {false, true})
        for (const auto &row : rows)
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(
                dialog ? QLatin1String("StyleDialog") : QLatin1String("StyleWin"),
                QLatin1String(row.name))))
                << dialog << row.edges;
}

void StyleFrameTest::resizeFollowsThePointerOutOfTheWindow()
{
    QFETCH(bool, dialog);
    QFETCH(int, edges);
    const Qt::Edges e = Qt::Edges(edges);
    m_ws.nativeResize = false;
    StyleWin win(7, true);
    StyleDialog dlg(1, true);
    QWidget *w = dialog ? static_cast<QWidget *>(&dlg) : &win;
    w->setMinimumSize(200, 150);
    QVERIFY(showAt(w, m_normal));

    // From the outermost pixel, then from the one inside it.
    QRect expected = m_normal;
    for (int inside : {0, 1}) {
        const int r = w->width() - 1;
        const int b = w->height() - 1;
        const QPoint at(e & Qt::LeftEdge    ? inside
                        : e & Qt::RightEdge ? r - inside
                                            : w->width() / 2,
                        e & Qt::TopEdge      ? inside
                        : e & Qt::BottomEdge ? b - inside
                                             : w->height() / 2);
        const QPoint end = dragOutwards(w, at, e, false);
        // The window holds the mouse: off the window the moves and the
        // release still come to it.
        QCOMPARE(QWidget::mouseGrabber(), w);
        expected = grown(expected, e, 60);
        QTRY_COMPARE(w->geometry(), expected);
        platformMouse(w->windowHandle(), QEvent::MouseButtonRelease, end - w->geometry().topLeft(),
                      Qt::NoButton, Qt::LeftButton);
        QCOMPARE(QWidget::mouseGrabber(), nullptr);
        // Hover moves over the window no longer drag it.
        platformMouse(w->windowHandle(), QEvent::MouseMove, QPoint(w->width() / 2, w->height() / 2),
                      Qt::NoButton);
        QCOMPARE(w->geometry(), expected);
    }
    QCOMPARE(m_ws.calls.count(QStringLiteral("resize %1").arg(RecordingWindowSystem::edgeName(e))),
             2);
}

void StyleFrameTest::nextResizeWorksAfterOneThatCameToNothing()
{
    StyleWin win(7, true);
    win.setMinimumSize(200, 150);
    QVERIFY(showAt(&win, m_normal));

    // The platform takes a top drag and nothing comes of it.
    dragOutwards(&win, QPoint(200, 1), Qt::TopEdge);
    QCOMPARE(m_ws.calls, QStringList({"release", "resize top"}));
    QCOMPARE(win.geometry(), m_normal);

    // Then it refuses: the window follows the pointer itself.
    m_ws.nativeResize = false;
    dragOutwards(&win, QPoint(200, 299), Qt::BottomEdge);
    QTRY_COMPARE(win.geometry(), grown(m_normal, Qt::BottomEdge, 60));

    // A drag whose release went elsewhere: the next move, without a button,
    // ends it, and the next drag on another edge works.
    dragOutwards(&win, QPoint(0, 150), Qt::LeftEdge, false);
    const QRect left = grown(grown(m_normal, Qt::BottomEdge, 60), Qt::LeftEdge, 60);
    QTRY_COMPARE(win.geometry(), left);
    hover(&win, QPoint(200, 150));
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
    hover(&win, QPoint(250, 150));
    QCOMPARE(win.geometry(), left);
    dragOutwards(&win, QPoint(win.width() - 1, 150), Qt::RightEdge);
    QTRY_COMPARE(win.geometry(), grown(left, Qt::RightEdge, 60));
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
}

void StyleFrameTest::maximizedOrFixedWindowsDoNotMoveOrResize()
{
    StyleWin win(7, true);
    QVERIFY(showAt(&win, m_normal));
    win.titleBar()->showMax();
    QTRY_COMPARE(win.geometry(), m_ws.area);

    hover(&win, QPoint(2, 150));
    QCOMPARE(win.cursor().shape(), Qt::ArrowCursor);
    press(&win, QPoint(2, 150));
    release(&win, QPoint(2, 150));
    const QPoint title(200, 11);
    QWidget *target = win.childAt(title);
    const QPoint global = win.mapToGlobal(title);
    sendTo(target, QEvent::MouseButtonPress, target->mapFrom(&win, title), global, Qt::LeftButton,
           Qt::LeftButton);
    sendTo(target, QEvent::MouseMove, target->mapFrom(&win, title), global + QPoint(40, 0),
           Qt::NoButton, Qt::LeftButton);
    QCOMPARE(m_ws.calls, QStringList());

    StyleDialog fixed(1, true);
    fixed.setFixedSize(300, 200);
    fixed.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fixed));
    hover(&fixed, QPoint(297, 100));
    QCOMPARE(fixed.cursor().shape(), Qt::ArrowCursor);
    press(&fixed, QPoint(297, 100));
    QCOMPARE(m_ws.calls, QStringList());
}

void StyleFrameTest::grabReleasedOnLeaveHideAndModal()
{
    StyleWin win(7, true);
    QVERIFY(showAt(&win, m_normal));

    hover(&win, QPoint(2, 150));
    QCOMPARE(QWidget::mouseGrabber(), &win);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&win, &leave);
    QCOMPARE(QWidget::mouseGrabber(), nullptr);

    hover(&win, QPoint(2, 150));
    QCOMPARE(QWidget::mouseGrabber(), &win);
    win.hide();
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
    win.show();
    QVERIFY(QTest::qWaitForWindowExposed(&win));

    hover(&win, QPoint(2, 150));
    QCOMPARE(QWidget::mouseGrabber(), &win);
    QDialog modal;
    modal.setModal(true);
    modal.show();
    QTRY_COMPARE(QWidget::mouseGrabber(), nullptr);
    modal.hide();
}

void StyleFrameTest::restoreFromTaskBar()
{
    StyleWin win(7, true);
    QVERIFY(showAt(&win, m_normal));
    StyleTitle *bar = win.titleBar();

    // Minimised from the bar, restored by the platform: back to normal.
    bar->showMin();
    QCOMPARE(bar->state(), int(StyleTitle::Minimized));
    win.windowHandle()->setWindowState(Qt::WindowNoState);
    QTRY_COMPARE(bar->state(), int(StyleTitle::Normal));
    QTRY_COMPARE(win.geometry(), m_normal);
    QVERIFY(!win.isMinimized());

    // Full screen, minimised from the bar: the restore goes back to full
    // screen, and Esc later still finds the normal geometry.
    bar->showFull();
    bar->showMin();
    win.windowHandle()->setWindowState(Qt::WindowNoState);
    QTRY_COMPARE(bar->state(), int(StyleTitle::FullScreen));
    QVERIFY(bar->isHidden());
    bar->exitFull();
    QTRY_COMPARE(win.geometry(), m_normal);

    // Moved after an earlier maximise, then minimised by the task bar: the
    // restore keeps where the user left it.
    bar->showMax();
    bar->showRestore();
    QTRY_COMPARE(win.geometry(), m_normal);
    const QRect moved = m_normal.translated(35, 25);
    win.setGeometry(moved);
    QTRY_COMPARE(win.geometry(), moved);
    win.windowHandle()->setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(win.isMinimized());
    QCOMPARE(bar->state(), int(StyleTitle::Normal));
    win.windowHandle()->setWindowState(Qt::WindowNoState);
    QTRY_VERIFY(!win.isMinimized());
    QTRY_COMPARE(win.geometry(), moved);
    QCOMPARE(bar->state(), int(StyleTitle::Normal));
}

void StyleFrameTest::maximizeMinimizeRestoreComesBackMaximized()
{
    StyleWin win(7, true);
    QVERIFY(showAt(&win, m_normal));
    StyleTitle *bar = win.titleBar();
    QPushButton *maximize = bar->findChild<QPushButton *>(QStringLiteral("btnTBMaximize"));
    QPushButton *restore = bar->findChild<QPushButton *>(QStringLiteral("btnTBRestore"));

    bar->showMax();
    QTRY_COMPARE(win.geometry(), m_ws.area);
    bar->showMin();
    QCOMPARE(bar->state(), int(StyleTitle::Minimized));
    QCOMPARE(bar->stateBeforeMinimize(), int(StyleTitle::Maximized));
    win.windowHandle()->setWindowState(Qt::WindowNoState);
    QTRY_COMPARE(bar->state(), int(StyleTitle::Maximized));
    QTRY_COMPARE(win.geometry(), m_ws.area);
    QVERIFY(maximize->isHidden());
    QVERIFY(!restore->isHidden());

    // The normal geometry survived the minimise.
    restore->click();
    QCOMPARE(bar->state(), int(StyleTitle::Normal));
    QTRY_COMPARE(win.geometry(), m_normal);
    QVERIFY(!maximize->isHidden());
    QVERIFY(restore->isHidden());
}

void StyleFrameTest::minimizedByTheTaskBarKeepsTheState()
{
    StyleWin win(7, true);
    QVERIFY(showAt(&win, m_normal));
    StyleTitle *bar = win.titleBar();

    bar->showMax();
    QTRY_COMPARE(win.geometry(), m_ws.area);
    win.windowHandle()->setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(win.isMinimized());
    QCOMPARE(bar->state(), int(StyleTitle::Maximized));
    win.windowHandle()->setWindowState(Qt::WindowNoState);
    QTRY_VERIFY(!win.isMinimized());
    QTRY_COMPARE(win.geometry(), m_ws.area);
    QCOMPARE(bar->state(), int(StyleTitle::Maximized));
    bar->showRestore();
    QTRY_COMPARE(win.geometry(), m_normal);
}

void StyleFrameTest::barsTakeTheirPlaces()
{
    {
        StyleWin win(7, true);
        QToolBar *tools = win.toolBar();
        QCOMPARE(win.toolBar(), tools);
        QCOMPARE(layoutNames(&win), QStringList({"StyleTitle", "QToolBar", "wStyleWinContent"}));
        QMenuBar *menu = win.menuBar();
        QCOMPARE(win.menuBar(), menu);
        QCOMPARE(layoutNames(&win),
                 QStringList({"StyleTitle", "QMenuBar", "QToolBar", "wStyleWinContent"}));
    }
    {
        StyleWin win(7, true);
        win.menuBar();
        win.toolBar();
        QStatusBar *status = win.statusBar();
        QCOMPARE(layoutNames(&win), QStringList({"StyleTitle", "QMenuBar", "QToolBar",
                                                 "wStyleWinContent", "QStatusBar"}));
        QVERIFY(!status->isSizeGripEnabled());
        QVERIFY(status->hasMouseTracking());
    }
    {
        StyleDialog dialog(1, true);
        QStatusBar *status = dialog.statusBar();
        QCOMPARE(dialog.statusBar(), status);
        QCOMPARE(layoutNames(&dialog),
                 QStringList({"StyleTitle", "wStyleDialogContent", "QStatusBar"}));
    }
}

QTEST_MAIN(StyleFrameTest)
#include "styleframe_test.moc"
