// The framework's default skin on real widgets: the title bar's height,
// gradient and bottom line, the button and icon sizes, the title font, the
// line under the menu and tool bars, the windows' border and background, and
// the message box's icons and plain buttons.
#include "sanitizer_hooks.h"
#include "skinresources.h"
#include "styledialog.h"
#include "stylemsg.h"
#include "styletitle.h"
#include "stylewin.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>
#include <QtTest>

class SkinResourcesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void titleBar();
    void windowButtonsAndIcon();
    void linesUnderTheBars();
    void windowBorderAndBackground();
    void messageBox();
};

// Colours drawn through gradients and antialiasing come within a few steps.
static bool near(QRgb actual, const char *expected)
{
    const QColor want = QColor(QLatin1String(expected));
    return qAbs(qRed(actual) - want.red()) <= 6 && qAbs(qGreen(actual) - want.green()) <= 6 &&
           qAbs(qBlue(actual) - want.blue()) <= 6;
}

static QString hex(QRgb rgb)
{
    return QColor(rgb).name();
}

void SkinResourcesTest::initTestCase()
{
    const QString sheet = skinStyleSheet();
    QVERIFY(!sheet.isEmpty());
    qApp->setStyleSheet(sheet);
}

void SkinResourcesTest::titleBar()
{
    StyleWin win(7, true);
    win.resize(400, 300);
    win.show();
    QVERIFY(QTest::qWaitForWindowExposed(&win));
    StyleTitle *bar = win.titleBar();
    QCOMPARE(bar->contentsRect().height(), 22);

    const QImage image = bar->grab().toImage();
    const int x = bar->width() - 80; // between the title and the buttons
    const int top = bar->contentsRect().top();
    const int bottom = bar->contentsRect().bottom();
    QVERIFY2(near(image.pixel(x, top), "#96C2DF"), qPrintable(hex(image.pixel(x, top))));
    QVERIFY2(near(image.pixel(x, bottom), "#C3DDED"), qPrintable(hex(image.pixel(x, bottom))));
    QVERIFY2(near(image.pixel(x, bar->height() - 1), "#437596"),
             qPrintable(hex(image.pixel(x, bar->height() - 1))));

    const QLabel *title = bar->findChild<QLabel *>(QStringLiteral("lbTBTitle"));
    QVERIFY(title->font().bold());
    QCOMPARE(title->font().pixelSize(), 12);
}

void SkinResourcesTest::windowButtonsAndIcon()
{
    StyleWin win(15, true);
    win.resize(400, 300);
    win.show();
    QVERIFY(QTest::qWaitForWindowExposed(&win));
    win.titleBar()->showMax();
    struct Case {
        const char *name;
        int width;
    } cases[] = {
        {"btnTBFull", 22},
        {"btnTBMinimize", 19},
        {"btnTBRestore", 19},
        {"btnTBClose", 20},
    };
    for (const Case &c : cases) {
        const QPushButton *button = win.titleBar()->findChild<QPushButton *>(QLatin1String(c.name));
        QVERIFY2(button, c.name);
        QVERIFY2(button->size() == QSize(c.width, 18), c.name);
    }
    win.titleBar()->showRestore();
    const QPushButton *maximize =
        win.titleBar()->findChild<QPushButton *>(QStringLiteral("btnTBMaximize"));
    QTRY_COMPARE(maximize->size(), QSize(19, 18));
    QCOMPARE(win.titleBar()->findChild<QLabel *>(QStringLiteral("lbTBIcon"))->width(), 16);
}

void SkinResourcesTest::linesUnderTheBars()
{
    StyleWin win(7, true);
    win.menuBar()->addMenu(QStringLiteral("&File"));
    win.toolBar()->addAction(QStringLiteral("Run"));
    win.resize(400, 300);
    win.show();
    QVERIFY(QTest::qWaitForWindowExposed(&win));
    for (QWidget *bar :
         {static_cast<QWidget *>(win.menuBar()), static_cast<QWidget *>(win.toolBar())}) {
        const QImage image = bar->grab().toImage();
        const QRgb line = image.pixel(image.width() - 10, image.height() - 1);
        QVERIFY2(near(line, "#97BAD0"),
                 qPrintable(QLatin1String(bar->metaObject()->className()) + ' ' + hex(line)));
    }
}

void SkinResourcesTest::windowBorderAndBackground()
{
    StyleDialog dialog(1, true);
    dialog.resize(300, 200);
    StyleWin win(7, true);
    win.resize(300, 200);
    for (QWidget *w : {static_cast<QWidget *>(&dialog), static_cast<QWidget *>(&win)}) {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const QImage image = w->grab().toImage();
        const char *what = w->metaObject()->className();
        QVERIFY2(near(image.pixel(0, 150), "#437596"), what);
        QVERIFY2(near(image.pixel(299, 150), "#437596"), what);
        QVERIFY2(near(image.pixel(150, 199), "#437596"), what);
        QVERIFY2(near(image.pixel(150, 150), "#EAF0F3"), what);
    }
}

void SkinResourcesTest::messageBox()
{
    struct Case {
        int kind;
        const char *name;
    } cases[] = {
        {StyleMsg::Information, "lbMsgIconInfo"},
        {StyleMsg::Warning, "lbMsgIconWarning"},
        {StyleMsg::Critical, "lbMsgIconCritical"},
        {StyleMsg::Question, "lbMsgIconQuestion"},
    };
    for (const Case &c : cases) {
        StyleMsg box(c.kind, QStringLiteral("Zandrevik"), QStringLiteral("text"), nullptr,
                     QDialogButtonBox::Yes | QDialogButtonBox::No);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QLabel *icon = box.findChild<QLabel *>(QLatin1String(c.name));
        QVERIFY2(icon && icon->size() == QSize(48, 48), c.name);
        // The skin's image fills the label: its middle is not the background.
        const QImage image = icon->grab().toImage();
        QVERIFY2(!near(image.pixel(24, 24), "#EAF0F3"), c.name);
        for (QAbstractButton *button : box.findChild<QDialogButtonBox *>()->buttons())
            QVERIFY2(button->icon().isNull(), c.name);
    }
}

QTEST_MAIN(SkinResourcesTest)
#include "skinresources_test.moc"
