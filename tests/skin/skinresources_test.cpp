// The framework's default skin on real widgets: the title bar's height,
// gradient and bottom line, the button and icon sizes, the title font, the
// line under the menu and tool bars, the windows' border and background, and
// the message box's icons and plain buttons; every image the sheet names is in
// the skin, the standard widgets wear its palette, small buttons stay small
// and the two dynamic properties show; a url() outside the skin is dropped.
#include "sanitizer_hooks.h"
#include "skinresources.h"
#include "styledialog.h"
#include "stylemsg.h"
#include "styletitle.h"
#include "stylewin.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollArea>
#include <QVBoxLayout>
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
    void everyImageOfTheSheetIsInTheSkin();
    void standardWidgetsWearThePalette();
    void smallButtonsKeepTheirWidths();
    void dynamicProperties();
    void picturesOutsideTheSkinAreDropped_data();
    void picturesOutsideTheSkinAreDropped();
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

void SkinResourcesTest::everyImageOfTheSheetIsInTheSkin()
{
    const QString sheet = skinStyleSheet();
    QRegularExpression url(QStringLiteral("url\\((:style/\\w+\\.png)\\)"));
    QStringList named;
    for (auto it = url.globalMatch(sheet); it.hasNext();)
        named << it.next().captured(1);
    QVERIFY(named.size() > 60);
    for (const QString &path : named)
        QVERIFY2(QFile::exists(path), qPrintable(path));

    // The images a replacing skin can rely on, each with its forms.
    struct Group {
        const char *names;
        const char *forms;
    } groups[] = {
        {"win_minimize win_maximum win_restore win_full win_close", " _hover"},
        {"msg_info msg_warn msg_error msg_question", ""},
        {"checkbox checkbox_checked checkbox_ind radio radio_checked", " _hover"},
        {"hsleft hsright hsthumb vsup vsdown vsthumb sbup sbdown btndown", " _hover _pressed"},
        {"indicator_left indicator_right indicator_up indicator_down", ""},
        {"branch_open branch_closed", ""},
        {"tab_close", " _hover _pressed"},
        {"sliderthumb_nor sliderthumb_hover status_bar_bg", ""},
    };
    for (const Group &g : groups) {
        for (const QString &name : QString::fromLatin1(g.names).split(QLatin1Char(' '))) {
            for (const QString &form : QString::fromLatin1(g.forms).split(QLatin1Char(' '))) {
                const QString path =
                    QStringLiteral(":style/") + name + form + QStringLiteral(".png");
                QVERIFY2(QFile::exists(path), qPrintable(path));
                QVERIFY2(named.contains(path), qPrintable(path));
            }
        }
    }
    // The application icon comes from the program, not the skin.
    QVERIFY(sheet.contains(QStringLiteral("url(:/app/app_icon.png)")));
}

// Colours a skin gives the plain widgets, one pixel each, away from the text.
void SkinResourcesTest::standardWidgetsWearThePalette()
{
    QWidget window;
    QVBoxLayout *layout = new QVBoxLayout(&window);
    QFrame *frame = new QFrame;
    frame->setMinimumSize(100, 30);
    QPushButton *button = new QPushButton(QStringLiteral("Go"));
    button->setMinimumSize(100, 30);
    button->setFocusPolicy(Qt::NoFocus);
    QProgressBar *progress = new QProgressBar;
    progress->setValue(50);
    progress->setTextVisible(false);
    QFrame *area = new QFrame;
    QScrollArea *scroll = new QScrollArea;
    scroll->setMinimumSize(100, 40);
    layout->addWidget(frame);
    layout->addWidget(button);
    layout->addWidget(progress);
    layout->addWidget(scroll);
    layout->addWidget(area);
    window.resize(240, 260);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    struct Case {
        const char *what;
        QWidget *widget;
        QPoint at; // negative: from the right or bottom edge
        const char *colour;
    } cases[] = {
        {"frame", frame, {50, 15}, "#EAF0F3"},
        {"button top", button, {50, 1}, "#FFFFFF"},
        {"button bottom", button, {50, -2}, "#DEE7EB"},
        {"button border", button, {50, 0}, "#97BAD0"},
        {"progress chunk", progress, {8, 8}, "#57C542"},
        {"progress groove", progress, {-8, 8}, "#F6F8F9"},
        {"progress border", progress, {-40, 0}, "#97BAD0"},
        {"scroll area", scroll, {50, 20}, "#F6F8F9"},
        {"scroll area border", scroll, {50, 0}, "#97BAD0"},
    };
    for (const Case &c : cases) {
        const QImage image = c.widget->grab().toImage();
        const int x = c.at.x() < 0 ? image.width() + c.at.x() : c.at.x();
        const int y = c.at.y() < 0 ? image.height() + c.at.y() : c.at.y();
        const QRgb pixel = image.pixel(x, y);
        QVERIFY2(near(pixel, c.colour), qPrintable(QLatin1String(c.what) + ' ' + hex(pixel)));
    }
    // The sheet's heights are the inside of the border, as with the title band.
    QVERIFY2(progress->height() - 2 <= 16, qPrintable(QString::number(progress->height())));
}

// The "...", "+" and "-" buttons of the forms are narrow by their maximum
// width; the skin's padding must leave their text whole inside it.
void SkinResourcesTest::smallButtonsKeepTheirWidths()
{
    QWidget window;
    QHBoxLayout *layout = new QHBoxLayout(&window);
    QList<QPushButton *> buttons;
    for (const char *text : {"...", "+", "-"}) {
        QPushButton *b = new QPushButton(QLatin1String(text));
        b->setMaximumWidth(28);
        layout->addWidget(b);
        buttons << b;
    }
    layout->addStretch();
    window.resize(300, 60);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (QPushButton *b : buttons) {
        QVERIFY2(b->width() <= 28, qPrintable(b->text()));
        // The text whole between the side paddings and borders.
        QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + 6 <= b->width(),
                 qPrintable(b->text()));
    }
}

void SkinResourcesTest::dynamicProperties()
{
    QWidget window;
    QVBoxLayout *layout = new QVBoxLayout(&window);
    QLabel *plain = new QLabel(QStringLiteral("plain"));
    QLabel *warning = new QLabel(QStringLiteral("warning"));
    warning->setProperty("TextWarning", QStringLiteral("true"));
    QFrame *line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setProperty("IsLine", QStringLiteral("true"));
    line->setFixedHeight(3);
    layout->addWidget(plain);
    layout->addWidget(warning);
    layout->addWidget(line);
    window.resize(200, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(warning->palette().color(QPalette::WindowText), QColor(QStringLiteral("#FF8200")));
    QVERIFY(plain->palette().color(QPalette::WindowText) != QColor(QStringLiteral("#FF8200")));
    const QImage image = line->grab().toImage();
    QVERIFY2(near(image.pixel(50, 0), "#97BAD0"), qPrintable(hex(image.pixel(50, 0))));
    QVERIFY2(near(image.pixel(50, 2), "#F6F8F9"), qPrintable(hex(image.pixel(50, 2))));
}

QTEST_MAIN(SkinResourcesTest)
// Every url() form Qt's scanner takes: those naming the skin's own
// resources stay, any other becomes none, quoted or not.
void SkinResourcesTest::picturesOutsideTheSkinAreDropped_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QStringList>("dropped");
    QTest::newRow("own, bare") << "a { image: url(:style/x.png); }"
                               << "a { image: url(:style/x.png); }" << QStringList();
    QTest::newRow("own, qrc") << "a { image: url('qrc:/style/x.png'); }"
                              << "a { image: url('qrc:/style/x.png'); }" << QStringList();
    QTest::newRow("bare path") << "a { image: url( /tmp/fifo ); }"
                               << "a { image: none; }" << QStringList{"/tmp/fifo"};
    QTest::newRow("double quotes") << "a { image: url(\"/tmp/fifo\"); }"
                                   << "a { image: none; }" << QStringList{"/tmp/fifo"};
    QTest::newRow("parenthesis inside quotes")
        << "a { image: url(\"/tmp/fi)fo\"); b: url(:style/y.png); }"
        << "a { image: none; b: url(:style/y.png); }" << QStringList{"/tmp/fi)fo"};
    QTest::newRow("other quote inside quotes") << "a { image: URL('/tmp/it\"s'); }"
                                               << "a { image: none; }" << QStringList{"/tmp/it\"s"};
    QTest::newRow("escaped quote") << "a { image: url('/tmp/it\\'s'); }"
                                   << "a { image: none; }" << QStringList{"/tmp/it\\'s"};
}

void SkinResourcesTest::picturesOutsideTheSkinAreDropped()
{
    QFETCH(QString, sheet);
    QFETCH(QString, kept);
    QFETCH(QStringList, dropped);
    QStringList seen;
    QCOMPARE(sheetWithinTheSkin(sheet, &seen), kept);
    QCOMPARE(seen, dropped);
}

#include "skinresources_test.moc"
