// The title bar: the buttons each flag combination makes and what they do,
// the state machine with the geometry it returns to, double click, full
// screen left by Esc, and the system menu under the icon.
#include "sanitizer_hooks.h"
#include "skinresources.h"
#include "skintest.h"
#include "styledialog.h"
#include "styletitle.h"
#include "stylewin.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

class StyleTitleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void buttonsForEachFlagCombination();
    void buttonsDriveTheStates();
    void maximizeAndRestore();
    void doubleClickToggles_data();
    void doubleClickToggles();
    void minimizeFromNormal();
    void fullScreenAndEsc();
    void maximizeThenFullScreenThenEsc();
    void systemMenuFollowsStateAndFlags();
    void systemMenuActions();
    void titleAndCustomArea();

private:
    RecordingWindowSystem m_ws;
    const QRect m_normal = QRect(60, 70, 420, 300);
};

static QPushButton *button(StyleTitle *bar, const char *name)
{
    return bar->findChild<QPushButton *>(QLatin1String(name));
}

void StyleTitleTest::initTestCase()
{
    qApp->setStyleSheet(skinStyleSheet());
    // Where the platform maximises to its own work area it has the last
    // word, so the recorded area is the screen's.
    m_ws.area = QGuiApplication::primaryScreen()->availableGeometry();
    WindowSystem::setInstance(&m_ws);
}

void StyleTitleTest::cleanupTestCase()
{
    WindowSystem::setInstance(nullptr);
}

void StyleTitleTest::init()
{
    m_ws.calls.clear();
}

void StyleTitleTest::buttonsForEachFlagCombination()
{
    static const char *const names[] = {"btnTBFull", "btnTBMinimize", "btnTBMaximize",
                                        "btnTBRestore", "btnTBClose"};
    for (int flags = 0; flags < 16; ++flags) {
        StyleTitle bar(flags, nullptr);
        const bool expected[] = {bool(flags & 8), bool(flags & 2), bool(flags & 4), bool(flags & 4),
                                 bool(flags & 1)};
        QStringList order;
        QHBoxLayout *layout = qobject_cast<QHBoxLayout *>(bar.layout());
        QVERIFY(layout);
        for (int i = 0; i < layout->count(); ++i) {
            if (QWidget *w = layout->itemAt(i)->widget())
                order << w->objectName();
        }
        QStringList wanted = {QStringLiteral("lbTBIcon"), QStringLiteral("lbTBTitle")};
        for (int i = 0; i < 5; ++i) {
            QPushButton *b = button(&bar, names[i]);
            QVERIFY2(bool(b) == expected[i],
                     qPrintable(QStringLiteral("flags %1, %2").arg(flags).arg(names[i])));
            if (b) {
                wanted << QLatin1String(names[i]);
                QCOMPARE(b->focusPolicy(), Qt::NoFocus);
                QVERIFY(b->hasMouseTracking());
            }
        }
        QCOMPARE(order, wanted);
        if (QPushButton *restore = button(&bar, "btnTBRestore")) {
            QVERIFY(restore->isHidden());
            QVERIFY(!button(&bar, "btnTBMaximize")->isHidden());
        }
    }
}

void StyleTitleTest::buttonsDriveTheStates()
{
    StyleWin win(15, true);
    QVERIFY(showAt(&win, m_normal));
    StyleTitle *bar = win.titleBar();

    button(bar, "btnTBMaximize")->click();
    QCOMPARE(bar->state(), int(StyleTitle::Maximized));
    button(bar, "btnTBRestore")->click();
    QCOMPARE(bar->state(), int(StyleTitle::Normal));
    button(bar, "btnTBMinimize")->click();
    QCOMPARE(bar->state(), int(StyleTitle::Minimized));
    QVERIFY(win.isMinimized());
    bar->showRestore();
    button(bar, "btnTBFull")->click();
    QCOMPARE(bar->state(), int(StyleTitle::FullScreen));
    bar->exitFull();

    button(bar, "btnTBClose")->click();
    QVERIFY(!win.isVisible());
}

void StyleTitleTest::maximizeAndRestore()
{
    StyleWin win(7, true);
    QVERIFY(showAt(&win, m_normal));
    StyleTitle *bar = win.titleBar();
    QPushButton *maximize = button(bar, "btnTBMaximize");
    QPushButton *restore = button(bar, "btnTBRestore");

    const int asked = m_ws.areaAsked;
    bar->showMax();
    QCOMPARE(bar->state(), int(StyleTitle::Maximized));
    QVERIFY(win.isMaximized());
    QCOMPARE(m_ws.areaAsked, asked + 1);
    QVERIFY(maximize->isHidden());
    QVERIFY(!restore->isHidden());
    QTRY_COMPARE(win.geometry(), m_ws.area);

    bar->showRestore();
    QCOMPARE(bar->state(), int(StyleTitle::Normal));
    QVERIFY(!win.isMaximized());
    QVERIFY(!maximize->isHidden());
    QVERIFY(restore->isHidden());
    QTRY_COMPARE(win.geometry(), m_normal);
}

void StyleTitleTest::doubleClickToggles_data()
{
    QTest::addColumn<int>("flags");
    QTest::newRow("main window") << 7;
    QTest::newRow("dialog, close button only") << 1;
}

void StyleTitleTest::doubleClickToggles()
{
    QFETCH(int, flags);
    StyleDialog dialog(flags, true);
    QVERIFY(showAt(&dialog, m_normal));
    StyleTitle *bar = dialog.titleBar();
    const QPoint middle(bar->width() / 2, bar->height() / 2);

    QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, middle);
    QCOMPARE(bar->state(), int(StyleTitle::Maximized));
    QTRY_COMPARE(dialog.geometry(), m_ws.area);
    QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, middle);
    QCOMPARE(bar->state(), int(StyleTitle::Normal));
    QTRY_COMPARE(dialog.geometry(), m_normal);
    // A double click is no drag: nothing was asked to move.
    QVERIFY(!m_ws.calls.contains(QStringLiteral("move")));
}

void StyleTitleTest::minimizeFromNormal()
{
    StyleWin win(7, true);
    QVERIFY(showAt(&win, m_normal));
    StyleTitle *bar = win.titleBar();

    bar->showMin();
    QCOMPARE(bar->state(), int(StyleTitle::Minimized));
    QVERIFY(win.isMinimized());
    QCOMPARE(bar->stateBeforeMinimize(), int(StyleTitle::Normal));
    bar->showRestore();
    QCOMPARE(bar->state(), int(StyleTitle::Normal));
    QVERIFY(!win.isMinimized());
    QTRY_COMPARE(win.geometry(), m_normal);

    // Hidden while minimised, when asked to; shown again on the way back.
    bar->setHideWhenMinimized(true);
    bar->showMin();
    QVERIFY(win.isHidden());
    bar->showRestore();
    QVERIFY(win.isVisible());
}

void StyleTitleTest::fullScreenAndEsc()
{
    StyleWin win(15, true);
    QVERIFY(showAt(&win, m_normal));
    win.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&win));
    StyleTitle *bar = win.titleBar();

    bar->showFull();
    QCOMPARE(bar->state(), int(StyleTitle::FullScreen));
    QVERIFY(win.isFullScreen());
    QVERIFY(bar->isHidden());
    QAction *esc = win.findChild<QAction *>(QStringLiteral("actTBExitFull"));
    QVERIFY(esc);
    QVERIFY(esc->isEnabled());
    QCOMPARE(esc->shortcut(), QKeySequence(Qt::Key_Escape));

    QTest::keyClick(&win, Qt::Key_Escape);
    QCOMPARE(bar->state(), int(StyleTitle::Normal));
    QVERIFY(!win.isFullScreen());
    QVERIFY(!bar->isHidden());
    QVERIFY(!esc->isEnabled());
    QTRY_COMPARE(win.geometry(), m_normal);

    // The action is made once and only switched afterwards.
    bar->showFull();
    QCOMPARE(win.findChildren<QAction *>(QStringLiteral("actTBExitFull")).size(), 1);
    QVERIFY(esc->isEnabled());
    bar->exitFull();
}

void StyleTitleTest::maximizeThenFullScreenThenEsc()
{
    StyleWin win(15, true);
    QVERIFY(showAt(&win, m_normal));
    win.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&win));
    StyleTitle *bar = win.titleBar();

    bar->showMax();
    QTRY_COMPARE(win.geometry(), m_ws.area);
    bar->showFull();
    QCOMPARE(bar->state(), int(StyleTitle::FullScreen));
    QTest::keyClick(&win, Qt::Key_Escape);
    QCOMPARE(bar->state(), int(StyleTitle::Normal));
    QTRY_COMPARE(win.geometry(), m_normal);
    QVERIFY(!button(bar, "btnTBMaximize")->isHidden());
    QVERIFY(button(bar, "btnTBRestore")->isHidden());
}

void StyleTitleTest::systemMenuFollowsStateAndFlags()
{
    struct Case {
        int flags;
        int state;
        bool restore, minimize, maximize, close;
    } cases[] = {
        {7, StyleTitle::Normal, false, true, true, true},
        {7, StyleTitle::Maximized, true, true, false, true},
        {7, StyleTitle::FullScreen, true, true, false, true},
        {1, StyleTitle::Normal, false, false, false, true},
        {1, StyleTitle::Maximized, true, false, false, true},
        {0, StyleTitle::Normal, false, false, false, false},
    };
    for (const Case &c : cases) {
        const QString tag = QStringLiteral("flags %1 state %2").arg(c.flags).arg(c.state);
        StyleWin win(c.flags, true);
        QVERIFY(showAt(&win, m_normal));
        StyleTitle *bar = win.titleBar();
        if (c.state == StyleTitle::Maximized)
            bar->showMax();
        else if (c.state == StyleTitle::FullScreen)
            bar->showFull();
        QMenu *menu = bar->systemMenu();
        emit menu->aboutToShow();
        const QList<QAction *> actions = menu->actions();
        QStringList enabled;
        for (QAction *a : actions) {
            if (!a->isSeparator() && a->isEnabled())
                enabled << a->text();
        }
        QStringList wanted;
        if (c.restore)
            wanted << QStringLiteral("Restore");
        if (c.minimize)
            wanted << QStringLiteral("Minimize");
        if (c.maximize)
            wanted << QStringLiteral("Maximize");
        if (c.close)
            wanted << QStringLiteral("Close");
        QVERIFY2(enabled == wanted, qPrintable(tag + QLatin1String(": ") + enabled.join(',')));
    }
}

void StyleTitleTest::systemMenuActions()
{
    StyleWin win(7, true);
    QVERIFY(showAt(&win, m_normal));
    StyleTitle *bar = win.titleBar();
    auto action = [bar](const char *text) -> QAction * {
        for (QAction *a : bar->systemMenu()->actions()) {
            if (a->text() == QLatin1String(text))
                return a;
        }
        return nullptr;
    };

    action("Maximize")->trigger();
    QCOMPARE(bar->state(), int(StyleTitle::Maximized));
    action("Restore")->trigger();
    QCOMPARE(bar->state(), int(StyleTitle::Normal));
    bar->showFull();
    action("Restore")->trigger();
    QCOMPARE(bar->state(), int(StyleTitle::Normal));
    QVERIFY(!bar->isHidden());
    action("Minimize")->trigger();
    QCOMPARE(bar->state(), int(StyleTitle::Minimized));
    bar->showRestore();
    action("Close")->trigger();
    QVERIFY(!win.isVisible());
}

void StyleTitleTest::titleAndCustomArea()
{
    StyleDialog dialog(1, true);
    StyleTitle *bar = dialog.titleBar();
    bar->setTitle(QStringLiteral("Settings - Zandrevik"));
    QCOMPARE(bar->title(), QStringLiteral("Settings - Zandrevik"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Settings - Zandrevik"));
    QCOMPARE(bar->findChild<QLabel *>(QStringLiteral("lbTBTitle"))->text(), bar->title());

    QWidget *area = bar->customArea();
    QCOMPARE(bar->customArea(), area);
    QHBoxLayout *layout = qobject_cast<QHBoxLayout *>(bar->layout());
    const int icon = layout->indexOf(bar->findChild<QLabel *>(QStringLiteral("lbTBIcon")));
    QCOMPARE(layout->indexOf(area), icon + 1);
    QVERIFY(layout->itemAt(icon + 2)->spacerItem());
    QCOMPARE(layout->itemAt(icon + 2)->sizeHint().width(), 7);
    QCOMPARE(layout->indexOf(bar->findChild<QLabel *>(QStringLiteral("lbTBTitle"))), icon + 3);
    QVERIFY(area->hasMouseTracking());
}

QTEST_MAIN(StyleTitleTest)
#include "styletitle_test.moc"
