// The framework's default skin on real widgets: the title bar's height,
// gradient and bottom line, the button and icon sizes, the title font, the
// line under the menu and tool bars, the windows' border and background, and
// the message box's icons and plain buttons; every image the sheet names is in
// the skin, the standard widgets wear its palette, small buttons stay small
// and the two dynamic properties show; a url() outside the skin is dropped;
// and the checks a skin passes before it is used: a sheet that could name a
// file past the url() filter, pictures whose header does not tell what
// decodes, a tree of too many entries, entries that unpack past a total and
// pictures of too many extra chunks or texts are refused.
#include "../app/hostile_files.h"
#include "sanitizer_hooks.h"
#include "skinresources.h"
#include "styledialog.h"
#include "stylemsg.h"
#include "styletitle.h"
#include "stylewin.h"

#include <QBuffer>
#include <QDialogButtonBox>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
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
    void sheetsThatNameFilesPastTheFilterAreRefused();
    void picturesAreJudgedByWhatDecodes();
    void entriesAreBounded();
    void entriesUnpackWithinATotal();
    void pictureExtrasAreBounded();
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
    QTest::newRow("own, quoted") << "a { image: url(\":style/x.png\"); b: url(':/y.png'); }"
                                 << "a { image: url(\":style/x.png\"); b: url(':/y.png'); }"
                                 << QStringList();
    // Qt reads "qrc:/" in a sheet as a folder of the working directory.
    QTest::newRow("qrc") << "a { image: url('qrc:/style/x.png'); }"
                         << "a { image: none; }" << QStringList{"qrc:/style/x.png"};
    // A blank inside may be cut or kept: " :x" would be a relative path.
    QTest::newRow("own, with blanks") << "a { image: url( :style/x.png ); }"
                                      << "a { image: none; }" << QStringList{":style/x.png"};
    // Qt reads the arguments of a url() that is no single token to their
    // ")", past nested brackets, strings and comments, and joins them.
    QTest::newRow("own swallowing another")
        << "a { image: url(:x url(/tmp/fifo)); }"
        << "a { image: none; }" << QStringList{":x url(/tmp/fifo)"};
    // No string spans a line break: what follows it is read as rules.
    QTest::newRow("line break in quotes")
        << "a { b: url(\":x\n) } c { image: url(/tmp/fifo); } d { e: url(\") }"
        << "a { b: none } c { image: none; } d { e: none"
        << QStringList{"\":x", "/tmp/fifo", "\") }"};
    QTest::newRow("quotes inside a bare url")
        << "a { b: url(/dir/q\"\"p); c: url(/dir/q''p); d: url(:style/q\"\"p); }"
        << "a { b: none; c: none; d: none; }"
        << QStringList{"/dir/q\"\"p", "/dir/q''p", ":style/q\"\"p"};
    QTest::newRow("a string before the rest") << "a { b: url(\":a\"/tmp/fifo); }"
                                              << "a { b: none; }" << QStringList{"\":a\"/tmp/fifo"};
    QTest::newRow("a parenthesis in a string, a comment, brackets")
        << "a { b: url(/tmp/a\"b)c\"); c: url(/tmp/a/*b)c*/); d: url(/tmp/a{b)c}); e: "
           "url(/tmp/pa(r)en); }"
        << "a { b: none; c: none; d: none; e: none; }"
        << QStringList{"/tmp/a\"b)c\"", "/tmp/a/*b)c*/", "/tmp/a{b)c}", "/tmp/pa(r)en"};
    // Qt may start a token anywhere: a url() inside a kept one's string,
    // inside a comment, or never closed is dropped too.
    QTest::newRow("inside a kept one's string")
        << "a { b: \"url(':a url(/tmp/fifo)')\"; }"
        << "a { b: \"none')\"; }" << QStringList{"':a url(/tmp/fifo"};
    QTest::newRow("in a comment") << "/* url(/tmp/fifo) */ a { b: url(:style/x.png); }"
                                  << "/* none */ a { b: url(:style/x.png); }"
                                  << QStringList{"/tmp/fifo"};
    QTest::newRow("never closed") << "a { b: url(/tmp/fifo"
                                  << "a { b: none" << QStringList{"/tmp/fifo"};
    QTest::newRow("blank inside quotes, before the name")
        << "a { b: url(' :style/x.png'); c: url(:style/x.png\t); }"
        << "a { b: none; c: none; }" << QStringList{" :style/x.png", ":style/x.png"};
    QTest::newRow("own, names Qt reads as they stand")
        << "a { b: url(:style/a.png); c: url(\":style/a.png\"); d: url(':style/a b.png'); e: "
           "url(':style/a\"(b).png'); f: url(:style/bl\u00e4u.png); g: url(:style/a;b,c*d.png); }"
        << "a { b: url(:style/a.png); c: url(\":style/a.png\"); d: url(':style/a b.png'); e: "
           "url(':style/a\"(b).png'); f: url(:style/bl\u00e4u.png); g: url(:style/a;b,c*d.png); }"
        << QStringList();
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

// Whether a skin is accepted, and when not, that the reason says why.
static void expectJudged(const char *what, const QByteArray &skin, const char *reason)
{
    QVERIFY2(!skin.isEmpty(), what);
    QString why;
    const bool accepted = skinIsWithinBounds(skin, &why);
    QVERIFY2(accepted == !reason, qPrintable(QLatin1String(what) + ": " + why));
    if (reason)
        QVERIFY2(why.contains(QLatin1String(reason)), qPrintable(QLatin1String(what) + ": " + why));
}

// rcc from the Qt tools compiles each file at its path in the tree; empty
// bytes when it fails.
static QByteArray compiledSkin(const hostile::SkinFiles &files)
{
    QTemporaryDir dir;
    QByteArray qrc = "<RCC><qresource prefix=\"/\">\n";
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = dir.path() + QLatin1Char('/') + it.key();
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
            return QByteArray();
        qrc += "<file>" + it.key().toUtf8() + "</file>\n";
    }
    qrc += "</qresource></RCC>\n";
    QFile list(dir.path() + QStringLiteral("/skin.qrc"));
    if (!list.open(QIODevice::WriteOnly) || list.write(qrc) != qrc.size())
        return QByteArray();
    list.close();
    QProcess rcc;
    rcc.setWorkingDirectory(dir.path());
    rcc.start(QLibraryInfo::location(QLibraryInfo::BinariesPath) + QStringLiteral("/rcc"),
              {QStringLiteral("--binary"), QStringLiteral("skin.qrc"), QStringLiteral("-o"),
               QStringLiteral("skin.style")});
    // rcc takes tens of seconds over thousands of entries on a busy machine
    // (43 s for 4000 beside two suites); ctest's time-out bounds a hang.
    if (!rcc.waitForFinished(600000) || rcc.exitCode() != 0) {
        qWarning("rcc could not make the skin: %s", qPrintable(rcc.errorString()));
        return QByteArray();
    }
    QFile out(dir.path() + QStringLiteral("/skin.style"));
    return out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
}

static QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A two-colour GIF of a screen of sw x sh with one frame of w x h at
// (left, top), whose data is that of one pixel.
static QByteArray gif(int sw, int sh, int left, int top, int w, int h)
{
    auto le16 = [](int v) { return QByteArray(1, char(v & 0xFF)) + char((v >> 8) & 0xFF); };
    return "GIF89a" + le16(sw) + le16(sh) + QByteArray("\x80\0\0\xff\xff\xff\0\0\0", 9) + ',' +
           le16(left) + le16(top) + le16(w) + le16(h) + QByteArray("\0\x02\x02\x44\x01\0;", 7);
}

// Each route by which a sheet could name a file that the url() filter does
// not see is refused, with its reason; the default skin, and a skin of
// plain url()s of its own, dynamic-property selectors and a url() outside
// the skin (which the filter drops) are not.
void SkinResourcesTest::sheetsThatNameFilesPastTheFilterAreRefused()
{
    struct Case {
        const char *what;
        const char *sheet;
        const char *why; // null: accepted
    } cases[] = {
        {"escape in a selector", "Q\\4C abel { color: #123456; }", "backslash"},
        {"escape spelling url", "QLabel { background-image: u\\rl(/tmp/fifo); }", "backslash"},
        {"escape inside a url", "QLabel { background-image: url(\\2f tmp/fifo); }", "backslash"},
        {"escape in a string", "QLabel[a=\"x\\\"y\"] { color: #123456; }", "backslash"},
        {"a widget's own sheet, its url() in escaped quotes",
         "QLabel { qproperty-styleSheet: 'QLabel { background-image: url(\\'/tmp/fifo\\'); }'; }",
         "sets qproperty-styleSheet"},
        {"a widget's own sheet",
         "QLabel { qproperty-styleSheet: \"QLabel { background-image: url(/tmp/fifo); }\"; }",
         "sets qproperty-styleSheet"},
        {"rich text with a picture", "QLabel { qproperty-text: \"<img src='/tmp/fifo'>\"; }",
         "sets qproperty-text"},
        {"plain text", "QLabel { qproperty-text: \"hello\"; }", "sets qproperty-text"},
        {"a picture of the skin", "QLabel { qproperty-pixmap: url(:style/a.png); }",
         "sets qproperty-pixmap"},
        {"a window icon", "QWidget { qproperty-windowIcon: url(:style/a.png); }",
         "sets qproperty-windowIcon"},
        {"in capitals", "QLabel { QPROPERTY-TEXT: \"x\"; }", "sets QPROPERTY-TEXT"},
        {"a harmless one", "QLabel { qproperty-alignment: AlignCenter; }",
         "sets qproperty-alignment"},
        {"rich text in a comment", "/* <img src='/tmp/fifo'> */ QLabel { color: #123456; }",
         "rich text"},
        {"rich text in a selector", "QLabel[toolTip=\"<b>x</b>\"] { color: #123456; }",
         "rich text"},
        {"plain url()s of the skin",
         "QLabel { background-image: url(:style/a.png); }\n"
         "QPushButton { image: url(\":style/a.png\"); }\n"
         "QCheckBox::indicator { image: url(':style/a.png'); }\n",
         nullptr},
        {"dynamic properties and a child selector",
         "QLabel[TextWarning=\"true\"] { color: #FF8200; }\n"
         "QFrame[IsLine=\"true\"] > QLabel { color: #123456; } /* no property: color */\n",
         nullptr},
        {"a url() outside the skin, which the filter drops",
         "QLabel { background-image: url(/tmp/fifo); }", nullptr},
    };
    const QByteArray picture = encoded(QImage(8, 8, QImage::Format_RGB32), "PNG");
    for (const Case &c : cases) {
        const QByteArray skin = compiledSkin({{QStringLiteral("style/style.qss"), c.sheet},
                                              {QStringLiteral("style/a.png"), picture}});
        QVERIFY2(!skin.isEmpty(), c.what);
        QString why;
        const bool accepted = skinIsWithinBounds(skin, &why);
        QVERIFY2(accepted == !c.why, qPrintable(QLatin1String(c.what) + ": " + why));
        if (c.why)
            QVERIFY2(why.contains(QLatin1String(c.why)),
                     qPrintable(QLatin1String(c.what) + ": " + why));
    }
    QFile builtin(QStringLiteral(ZV_DEFAULT_SKIN));
    QVERIFY(builtin.open(QIODevice::ReadOnly));
    QString why;
    QVERIFY2(skinIsWithinBounds(builtin.readAll(), &why), qPrintable(why));
}

// A picture is taken only as a PNG, JPEG, GIF or BMP by its content and
// named as what it holds, a GIF only with every frame inside the bounds and
// a JPEG of at most 64 scans: an icon's directory, or a GIF's screen, may say less than what
// decodes. Files that Qt does not read as pictures pass.
void SkinResourcesTest::picturesAreJudgedByWhatDecodes()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QByteArray png = encoded(image, "PNG");
    // 16 x 16 in the directory, 4097 x 4097 past the side bound inside.
    const QByteArray lying = hostile::lyingIco(hostile::zeroPng(4097));
    struct Case {
        const char *what;
        const char *name;
        QByteArray bytes;
        const char *why; // null: accepted
    } cases[] = {
        {"PNG", "a.png", png, nullptr},
        {"JPEG", "a.jpg", encoded(image, "JPEG"), nullptr},
        {"JPEG, long name", "a.jpeg", encoded(image, "JPEG"), nullptr},
        {"BMP", "a.bmp", encoded(image, "BMP"), nullptr},
        {"GIF", "a.gif", gif(1, 1, 0, 0, 1, 1), nullptr},
        {"GIF frame at the side bound", "a.gif", gif(4096, 1, 4095, 0, 1, 1), nullptr},
        {"progressive JPEG of 64 scans", "a.jpg", hostile::manyScansJpeg(16, 54), nullptr},
        {"PNG without a suffix", "a", png, nullptr},
        {"text", "readme.txt", "a skin of its own", nullptr},
        {"icon lying about its size", "icon.ico", lying, "is no PNG, JPEG, GIF or BMP"},
        {"the same named as a PNG", "icon.png", lying, "is no PNG, JPEG, GIF or BMP"},
        {"the same named as text", "icon.txt", lying, "is no PNG, JPEG, GIF or BMP"},
        {"honest icon", "a.ico", encoded(image, "ICO"), "is no PNG, JPEG, GIF or BMP"},
        {"vector picture", "a.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>",
         "is no PNG, JPEG, GIF or BMP"},
        {"PNG named as a JPEG", "a.jpg", png, "holds png, not what its name says"},
        {"GIF frame past the side bound", "a.gif", gif(4096, 1, 4096, 0, 1, 1),
         "does not decode within bounds"},
        {"GIF frame past its small screen", "a.gif", gif(16, 16, 0, 0, 60000, 60000),
         "does not decode within bounds"},
        {"GIF of no screen, its frame far off", "a.gif", gif(0, 0, 30000, 0, 1, 1),
         "does not decode within bounds"},
        {"GIF with a stray byte before its frame", "a.gif",
         gif(16, 16, 0, 0, 1, 1).insert(19, '\x01'), "does not decode within bounds"},
        {"progressive JPEG of 65 scans", "a.jpg", hostile::manyScansJpeg(16, 55),
         "does not decode within bounds"},
    };
    for (const Case &c : cases) {
        const QByteArray skin =
            compiledSkin({{QStringLiteral("style/style.qss"), "QLabel { color: #123456; }"},
                          {QStringLiteral("style/") + QLatin1String(c.name), c.bytes}});
        QVERIFY2(!skin.isEmpty(), c.what);
        QString why;
        const bool accepted = skinIsWithinBounds(skin, &why);
        QVERIFY2(accepted == !c.why, qPrintable(QLatin1String(c.what) + ": " + why));
        if (c.why)
            QVERIFY2(why.contains(QLatin1String(c.why)),
                     qPrintable(QLatin1String(c.what) + ": " + why));
    }
}

// The walk over a skin's tree stops at 4096 entries (the root counts as
// one): the default skin's 70 are far inside. The root of 4096 files is
// made once; told it has one child less, it is a sound tree of 4096.
void SkinResourcesTest::entriesAreBounded()
{
    hostile::SkinFiles tree;
    for (int i = 0; i < 4096; i++)
        tree[QStringLiteral("e%1").arg(i)] = QByteArray();
    QByteArray skin = compiledSkin(tree);
    QVERIFY(!skin.isEmpty());
    QString why;
    QVERIFY(resourceDataIsSound(skin));
    QVERIFY(!skinIsWithinBounds(skin, &why));
    QVERIFY2(why.contains(QLatin1String("more than 4096 entries")), qPrintable(why));

    const uchar *b = reinterpret_cast<const uchar *>(skin.constData());
    const int count = ((b[8] << 24) | (b[9] << 16) | (b[10] << 8) | b[11]) + 6;
    QCOMPARE(skin.mid(count, 4), QByteArray("\0\0\x10\0", 4));
    skin[count + 3] = char(0xFF);
    skin[count + 2] = char(0x0F);
    QVERIFY(resourceDataIsSound(skin));
    QVERIFY2(skinIsWithinBounds(skin, &why), qPrintable(why));
}

// What the entries declare is summed before anything is unpacked, a block
// named by many entries once for each: 64 MB in all passes, a byte more
// does not, however small the file. A block that unpacks to more than its
// header says is refused, though qUncompress would go on.
void SkinResourcesTest::entriesUnpackWithinATotal()
{
    auto entries = [](int count) {
        hostile::SkinFiles files{{QStringLiteral("style/style.qss"), "QLabel { color: #123456; }"}};
        for (int i = 0; i < count; i++)
            files[QStringLiteral("style/e%1.txt").arg(i)] = "x";
        return compiledSkin(files);
    };
    // A block of 1 MB of zeros that says it unpacks to size.
    const int megabyte = 1024 * 1024;
    const QByteArray block = qCompress(QByteArray(megabyte, '\0'), 9);
    auto claiming = [&block](quint32 size) {
        const char b[4] = {char(size >> 24), char(size >> 16), char(size >> 8), char(size)};
        return QByteArray(b, 4) + block.mid(4);
    };
    // Saying more than it holds costs no more than it holds: qUncompress
    // stops at the stream's end. Each entry, the sheet too, names a block
    // that says a quarter of the bound.
    const QByteArray quarter = claiming(quint32(16 * megabyte));
    const QByteArray four = hostile::shareOneBlock(entries(3), quarter);
    const QByteArray five = hostile::shareOneBlock(entries(4), quarter);
    const QByteArray claimsLess = claiming(quint32(megabyte - 1));
    expectJudged("four entries of 16 MB", four, nullptr);
    expectJudged("five entries of 16 MB", five,
                 "entries unpacking to 83886080 bytes, more than 67108864");
    expectJudged("4000 entries naming one block", hostile::shareOneBlock(entries(3999), block),
                 "more than 67108864");
    expectJudged("a block that says what it holds", hostile::shareOneBlock(entries(0), block),
                 nullptr);
    expectJudged("a block that holds more than it says",
                 hostile::shareOneBlock(entries(0), claimsLess),
                 "unpacks to more than it declares");
}

// The extra chunks of the pictures are bounded before Qt reads one: 4096 of
// them in a skin, and 4 MB of texts and colour profiles, the compressed ones
// as they unpack; the text an editor writes passes.
void SkinResourcesTest::pictureExtrasAreBounded()
{
    auto chunks = [](const char *type, const QByteArray &data, int count) {
        QByteArray all;
        for (int i = 0; i < count; i++)
            all += hostile::pngChunk(type, data);
        return all;
    };
    auto packed = [](int bytes) { return qCompress(QByteArray(bytes, 'a'), 9).mid(4); };
    const int most = 4 * 1024 * 1024;
    // A keyword and its NUL: the text of a tEXt of n bytes is n - 2 long.
    auto text = [](int bytes) { return "k" + QByteArray(1, '\0') + QByteArray(bytes - 2, 't'); };
    // zTXt and iCCP: the keyword, its NUL and the method, then the stream.
    auto zText = [&](int unpacked) { return "k" + QByteArray(2, '\0') + packed(unpacked); };
    const QByteArray nul(1, '\0');
    const QByteArray editor =
        hostile::pngChunk("tEXt", "Software" + nul + "GIMP 2.10") +
        hostile::pngChunk("iTXt", "XML:com.adobe.xmp" + nul.repeated(5) + "<x:xmpmeta/>") +
        hostile::pngChunk("iCCP", "ICC profile" + QByteArray(2, '\0') + packed(3144)) +
        hostile::pngChunk("zTXt", "Raw profile type exif" + QByteArray(2, '\0') + packed(60000)) +
        hostile::pngChunk("pHYs", QByteArray(9, '\1'));
    struct Case {
        const char *what;
        QByteArray first, second; // the extra chunks of two pictures
        const char *why;          // null: accepted
    } cases[] = {
        {"what editors write", editor, editor, nullptr},
        // Each picture holds a pHYs of Qt's writer as well.
        {"4096 extra chunks", chunks("prVt", "x", 2000), chunks("zzZz", "x", 2094), nullptr},
        {"4097 extra chunks", chunks("prVt", "x", 2000), chunks("zzZz", "x", 2095), "past 4096"},
        {"texts of 4 MB", hostile::pngChunk("tEXt", text(most / 2)),
         hostile::pngChunk("tEXt", text(most / 2)), nullptr},
        {"texts of 4 MB and a byte", hostile::pngChunk("tEXt", text(most / 2)),
         hostile::pngChunk("tEXt", text(most / 2 + 1)), "past 4194304 bytes"},
        {"a compressed text within the bound", hostile::pngChunk("zTXt", zText(most / 2)),
         QByteArray(), nullptr},
        {"a compressed text past it", hostile::pngChunk("zTXt", zText(most / 2)),
         hostile::pngChunk("zTXt", zText(most / 2)), "past 4194304 bytes"},
        {"a compressed international text past it",
         hostile::pngChunk("iTXt", "k" + QByteArray(1, '\0') + "\1" + QByteArray(3, '\0') +
                                       packed(most + 1)),
         QByteArray(), "past 4194304 bytes"},
        {"an uncompressed international text",
         hostile::pngChunk("iTXt", "k" + QByteArray(5, '\0') + QByteArray(1000, 'a')), QByteArray(),
         nullptr},
        {"a colour profile past it", hostile::pngChunk("iCCP", zText(most + 1)), QByteArray(),
         "past 4194304 bytes"},
        {"1000 compressed texts of 8 MB", hostile::textBombPng(1000, 8 * 1024 * 1024), QByteArray(),
         "past 4194304 bytes"},
    };
    for (const Case &c : cases) {
        // The bomb is a whole picture already.
        const QByteArray first =
            c.first.startsWith("\x89PNG") ? c.first : hostile::pngWithChunks(c.first);
        const QByteArray skin =
            compiledSkin({{QStringLiteral("style/style.qss"), "QLabel { color: #123456; }"},
                          {QStringLiteral("style/a.png"), first},
                          {QStringLiteral("style/b.png"), hostile::pngWithChunks(c.second)}});
        expectJudged(c.what, skin, c.why);
    }
}

#include "skinresources_test.moc"
