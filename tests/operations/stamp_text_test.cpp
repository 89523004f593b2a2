// The text stamp: defaults and the seven profile pairs, the keyword menu and
// the keyword dialogs, the font and colour dialogs through their seams (the
// font dialog opening on the face the stamp is drawn with), the
// deferred apply, colour texts, rendering per source file (keywords, turns),
// and a real batch and preview whose stamps differ per file.
#include "optest.h"
#include "dialogs.h"
#include "finputcounter.h"
#include "finputdatetime.h"
#include "msganswer.h"
#include "picturefilter.h"
#include "pipeline_helper.h"
#include "stamp_text.h"
#include "stamptext.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <functional>

CAbstractOperation *operation_create_stamp_text();

using optest::fake_clock;
using optest::pairs;

namespace
{

struct Fixture {
    std::unique_ptr<CAbstractOperation> op{operation_create_stamp_text()};
    COperation_stamp_text *text = static_cast<COperation_stamp_text *>(op.get());
    COperationWidget_stamp_text *widget = nullptr;
    int changes = 0;

    Fixture()
    {
        op->setChangeCallback([](void *c, CAbstractOperation *) { ++*(int *)c; }, &changes);
        widget = static_cast<COperationWidget_stamp_text *>(op->getWidget(nullptr));
    }
    template <class T> T *child(const char *name)
    {
        return widget->findChild<T *>(QLatin1String(name));
    }
    QLineEdit *edit()
    {
        return child<QLineEdit>("edtText");
    }
    QMenu *menu()
    {
        return widget->findChild<QMenu *>();
    }
    std::vector<std::string> values()
    {
        return text->snapshot()->values;
    }
    OperationParamList pairs()
    {
        OperationParamList list;
        op->getParams(list);
        return list;
    }
    void settle()
    {
        optest::now() += 601;
        widget->tick();
    }
};

// Runs answer on the next modal dialog once it is up.
void whenModal(std::function<void(QWidget *)> answer)
{
    QTimer::singleShot(0, [answer] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal)
            answer(modal);
        else
            whenModal(answer);
    });
}

// The picture the stamp filter gets for text, in the snapshot's font/colour.
PicturePtr rendered(const COperation_stamp_text *op, const QString &text, double rotation = 0)
{
    TextSnapshotPtr set = op->snapshot();
    return picture_render_text(text, QString(), 0, set->font, set->color, rotation);
}

// source with text stamped by a plain "stamp" filter, as the operation's
// filter should do it.
sn_image_t *stamped(const sn_image_t *source, const PicturePtr &picture, const char *transparency,
                    const char *x, const char *y)
{
    sn_image_t *copy = sn_image_clone(source);
    imagefilter_t *filter = imagefilter_create("stamp");
    const std::string address = picture_address(picture.get());
    const char *keys[] = {"stamp_image", "transparency", "x_pos", "y_pos", nullptr};
    const char *values[] = {address.c_str(), transparency, x, y, nullptr};
    imagefilter_set_settings(filter, keys, values);
    imagefilter_execute(filter, copy);
    imagefilter_destroy(filter);
    return copy;
}

} // namespace

class StampTextTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void defaultsAndPairs();
    void keywordMenuInsertsAtTheCursor();
    void keywordMenuPopsUpUnderItsButton();
    void counterAndDateDialogs();
    void counterStartAndStepIn64Bits();
    void colourAndFontThroughTheSeams();
    void fontDialogOpensOnTheDrawnFace();
    void colourTexts();
    void typedEditsAreDeferred();
    void unitsAndPositions();
    void profileRoundTrip();
    void rendersPerSourceFile();
    void turnsAreExactQuarterTurns();
    void laterKeysReachTheFilter();
    void batchAndPreviewStampEachFilesOwnText();
    void textOfNothingLeavesPhotosAlone();
    void refusedTextFailsEveryPhotoAndKeepsItsSource();
    void germanTexts();

private:
    zvtest::TempDir *m_dir = nullptr;
};

void StampTextTest::initTestCase()
{
    sn_image_init();
    operation_set_clock(&fake_clock);
    m_dir = new zvtest::TempDir;
}

void StampTextTest::cleanupTestCase()
{
    photobatch_destroy_instance();
    delete m_dir;
    operation_set_clock(nullptr);
}

void StampTextTest::cleanup()
{
    Dialogs::reset();
    QCOMPARE(MsgAnswer::unexpected(), 0);
    MsgAnswer::clear();
}

void StampTextTest::defaultsAndPairs()
{
    std::unique_ptr<CAbstractOperation> bare(operation_create_stamp_text());
    OperationParamList none;
    QVERIFY(!bare->getParams(none));
    QVERIFY(!bare->setParams(pairs({{"text", "x"}})));
    QVERIFY(!static_cast<COperation_stamp_text *>(bare.get())->renderText(QStringLiteral("a.jpg")));

    Fixture f;
    QCOMPARE(f.text->keys(),
             (std::vector<std::string>{"stamp_image", "transparency", "x_pos", "y_pos"}));
    QCOMPARE(f.values()[1], std::string("60"));
    QCOMPARE(f.values()[2], std::string("right-10px"));
    QCOMPARE(f.values()[3], std::string("bottom-10px"));
    QCOMPARE(f.pairs(), pairs({{"color", "0x000000FF"},
                               {"font", QFont().toString().toUtf8().constData()},
                               {"rotation", "0.00"},
                               {"text", ""},
                               {"transparency", "60"},
                               {"x_pos", "right-10px"},
                               {"y_pos", "bottom-10px"}}));
    QCOMPARE(f.child<QLabel>("lbColor")->styleSheet(),
             QStringLiteral("background-color: #000000;"));
    QCOMPARE(f.widget->objectName(), QStringLiteral("OptStampText"));
    // An empty text gives no picture: the photo stays as it was.
    imagefilter_t *filter = f.op->createFilter(QStringLiteral("/p/a.jpg"));
    zvtest::ImagePtr photo(stamptest::make_picture(30, 20, SN_PIXEL(255, 9, 9, 9)));
    QCOMPARE(imagefilter_execute(filter, photo.get()), 0);
    QVERIFY(!picturefilter_picture(filter));
    imagefilter_destroy(filter);
    QCOMPARE(photo->frames[0].rows[10][20], SN_PIXEL(255, 9, 9, 9));
}

void StampTextTest::keywordMenuInsertsAtTheCursor()
{
    Fixture f;
    QMenu *menu = f.menu();
    QVERIFY(menu);
    QStringList texts;
    for (QAction *a : menu->actions())
        texts << a->text();
    QCOMPARE(texts, (QStringList{"Source File Name", "Source Folder Name", "Source Extension",
                                 "Source Path", "Counter", "Data / Time", "Copyright Sign"}));
    struct Case {
        int action;
        const char *inserted;
    } cases[] = {{0, "<Filename>"},
                 {1, "<Foldername>"},
                 {2, "<Extension>"},
                 {3, "<Path>"},
                 {6, "<Copyright>"}};
    for (const Case &c : cases) {
        f.edit()->setText(QStringLiteral("ab"));
        f.settle();
        f.edit()->setCursorPosition(1);
        const int before = f.changes;
        menu->actions()[c.action]->trigger();
        const QString expected = QStringLiteral("a%1b").arg(QLatin1String(c.inserted));
        QCOMPARE(f.edit()->text(), expected);
        QCOMPARE(f.changes, before + 1); // at once
        QCOMPARE(f.text->snapshot()->text, expected);
    }
    // A selection is replaced.
    f.edit()->setText(QStringLiteral("xyz"));
    f.edit()->setSelection(1, 1);
    menu->actions()[0]->trigger();
    QCOMPARE(f.edit()->text(), QStringLiteral("x<Filename>z"));
}

void StampTextTest::keywordMenuPopsUpUnderItsButton()
{
    Fixture f;
    f.widget->show();
    QPushButton *button = f.child<QPushButton>("btnText");
    QCOMPARE(button->text(), QStringLiteral("Add Keyword"));
    QPoint at;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget *popup = QApplication::activePopupWidget();
        seen = popup == f.menu();
        if (popup) {
            at = popup->pos();
            popup->close();
        }
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(seen);
    QCOMPARE(at, button->mapToGlobal(QPoint(0, button->height())));
}

void StampTextTest::counterAndDateDialogs()
{
    Fixture f;
    QMenu *menu = f.menu();
    // Rejected: nothing inserted, nothing applied.
    for (int action : {4, 5}) {
        f.edit()->setText(QStringLiteral("t"));
        f.settle();
        const int before = f.changes;
        whenModal([](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); });
        menu->actions()[action]->trigger();
        QCOMPARE(f.edit()->text(), QStringLiteral("t"));
        QCOMPARE(f.changes, before);
    }
    // Accepted through their OK buttons.
    struct Case {
        int action;
        const char *dialog;
        const char *keyword;
    } cases[] = {{4, "FInputCounter", "<Counter 1:1:1>"},
                 {5, "FInputDatetime", "<Datetime Photo MMM-DD-YYYY HH-MM24>"}};
    for (const Case &c : cases) {
        f.edit()->setText(QStringLiteral("t"));
        f.edit()->setCursorPosition(0);
        f.settle();
        const int before = f.changes;
        QString kind;
        bool hadOk = false;
        whenModal([&](QWidget *dialog) {
            kind = QString::fromUtf8(dialog->metaObject()->className());
            QPushButton *ok = dialog->findChild<QPushButton *>(QStringLiteral("btnOK"));
            hadOk = ok != nullptr;
            if (ok)
                ok->click();
            else
                static_cast<QDialog *>(dialog)->reject();
        });
        menu->actions()[c.action]->trigger();
        QCOMPARE(kind, QString::fromUtf8(c.dialog));
        QVERIFY(hadOk);
        QCOMPARE(f.edit()->text(), QString::fromUtf8(c.keyword) + QStringLiteral("t"));
        QCOMPARE(f.changes, before + 1);
    }
}

void StampTextTest::counterStartAndStepIn64Bits()
{
    // The dialog's largest start and step reach the text whole.
    {
        Fixture f;
        whenModal([](QWidget *dialog) {
            for (const char *name : {"sbStart", "sbStep"})
                dialog->findChild<QSpinBox *>(QLatin1String(name))->setValue(999999999);
            dialog->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        });
        f.menu()->actions()[4]->trigger();
        QCOMPARE(f.edit()->text(), QStringLiteral("<Counter 999999999:999999999:1>"));
    }
    struct Case {
        const char *text;
        int index;
        const char *expanded;
    } cases[] = {
        {"<Counter 999999999:999999999:9>", 0, "999999999"},
        {"<Counter 999999999:999999999:9>", 3, "3999999996"},
        {"<Counter 2147483647:2:1>", 1, "2147483649"},
        {"<Counter 7:3:4>", 0, "0007"},
    };
    for (const Case &c : cases) {
        char out[4096];
        QCOMPARE(expand_stamp_keywords(c.text, "/p/a.jpg", c.index, out, sizeof out), 0);
        QCOMPARE(QByteArray(out), QByteArray(c.expanded));
    }
    // The operation counts with the file's index, as its output name does.
    Fixture f;
    f.edit()->setText(QStringLiteral("<Counter 999999999:999999999:9>"));
    f.settle();
    PicturePtr a = f.text->renderText(QStringLiteral("/p/a.jpg"), 0);
    PicturePtr d = f.text->renderText(QStringLiteral("/p/d.jpg"), 3);
    QVERIFY(stamptest::same_pixels(a.get(), rendered(f.text, QStringLiteral("999999999")).get()));
    QVERIFY(stamptest::same_pixels(d.get(), rendered(f.text, QStringLiteral("3999999996")).get()));
}

void StampTextTest::colourAndFontThroughTheSeams()
{
    Fixture f;
    QColor initial;
    QColor answer;
    QColorDialog::ColorDialogOptions options(QColorDialog::ShowAlphaChannel);
    Dialogs::hooks().color = [&](const QColor &start, QWidget *parent, const QString &,
                                 QColorDialog::ColorDialogOptions o) {
        initial = start;
        options = o;
        Q_ASSERT(!parent);
        return answer;
    };
    QPushButton *colour = f.child<QPushButton>("btnColor");
    // Cancelled: colour and swatch stay, nothing pending.
    QTest::mouseClick(colour, Qt::LeftButton);
    QCOMPARE(initial, QColor(Qt::black));
    // The text is drawn opaque; its transparency has its own slider.
    QCOMPARE(options, QColorDialog::ColorDialogOptions());
    QCOMPARE(f.text->color(), QColor(Qt::black));
    QCOMPARE(f.widget->deadline(), int64_t(-1));
    answer = QColor(0, 0, 255);
    const int before = f.changes;
    QTest::mouseClick(colour, Qt::LeftButton);
    QCOMPARE(f.child<QLabel>("lbColor")->styleSheet(),
             QStringLiteral("background-color: #0000ff;"));
    QCOMPARE(f.changes, before);
    optest::now() += 100; // now - 100 is due at the next tick, 100 ms on
    f.widget->tick();
    QCOMPARE(f.changes, before + 1);
    QCOMPARE(f.text->snapshot()->color, QColor(0, 0, 255));
    QCOMPARE(f.pairs()[0].second, QStringLiteral("0xFF0000FF"));

    QFont chosen(QStringLiteral("DejaVu Serif"), 21);
    bool accept = false;
    QFont fontStart;
    Dialogs::hooks().font = [&](bool *ok, const QFont &start, QWidget *, const QString &) {
        fontStart = start;
        *ok = accept;
        return accept ? chosen : start;
    };
    QPushButton *font = f.child<QPushButton>("btnFont");
    QTest::mouseClick(font, Qt::LeftButton);
    QCOMPARE(f.widget->deadline(), int64_t(-1));
    accept = true;
    QTest::mouseClick(font, Qt::LeftButton);
    optest::now() += 100;
    f.widget->tick();
    QCOMPARE(f.text->snapshot()->font.family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(f.text->snapshot()->font.styleStrategy() & QFont::PreferAntialias,
             QFont::PreferAntialias);
    QCOMPARE(f.pairs()[1].second, f.text->font().toString());
    // A profile's font string comes back.
    Fixture g;
    QVERIFY(g.op->setParams(f.pairs()));
    QCOMPARE(g.text->font().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(g.text->font().pointSize(), 21);
}

// Qt's own font dialog stands in for the platform's: it opens a family it
// does not list (the application font's name, a profile's) on the first of
// its list, so the dialog is handed the face the stamp is drawn with, and OK
// on it unchanged leaves the stamp's font as stored.
void StampTextTest::fontDialogOpensOnTheDrawnFace()
{
    const char *const fonts[] = {
        nullptr, // the default, the application font
        "Tahoma,9,-1,5,50,0,0,0,0,0",
        "No Such Family,12,-1,5,50,0,0,0,0,0",
        "DejaVu Serif,21,-1,5,75,1,0,0,0,0",
        "DejaVu Serif,-1,40,5,50,0,0,0,0,0",
        "DejaVu Sans Mono,14,-1,5,50,0,1,0,0,0",
        "DejaVu Sans,10,-1,5,25,0,0,0,0,0",
    };
    QFont opened;
    Dialogs::hooks().font = [&](bool *ok, const QFont &start, QWidget *parent,
                                const QString &title) {
        QFontDialog dialog(start, parent);
        dialog.setWindowTitle(title);
        opened = dialog.currentFont();
        *ok = true; // OK without a change
        return dialog.currentFont();
    };
    for (const char *font : fonts) {
        const QString name = QString::fromUtf8(font ? font : "the default");
        Fixture f;
        if (font)
            QVERIFY(f.op->setParams(pairs({{"font", font}})));
        f.settle();
        const OperationParamList before = f.pairs();
        const QString stored = f.text->font().toString();
        const int changes = f.changes;
        QTest::mouseClick(f.child<QPushButton>("btnFont"), Qt::LeftButton);
        const QFontInfo drawn(f.text->snapshot()->font), shown(opened);
        QVERIFY2(shown.family() == drawn.family(),
                 qPrintable(name + ": " + shown.family() + " / " + drawn.family()));
        QVERIFY2(shown.styleName() == drawn.styleName(),
                 qPrintable(name + ": " + shown.styleName() + " / " + drawn.styleName()));
        // (The weight is left out: a light face reports the weight asked for
        // when drawn and its own when chosen by name.)
        QCOMPARE(shown.italic(), drawn.italic());
        QCOMPARE(shown.underline(), drawn.underline());
        QCOMPARE(qRound(shown.pointSizeF()), qRound(drawn.pointSizeF()));
        QCOMPARE(f.text->font().toString(), stored);
        QCOMPARE(f.pairs(), before);
        f.settle();
        QCOMPARE(f.changes, changes);
    }
}

void StampTextTest::colourTexts()
{
    Fixture f;
    QVERIFY(f.op->setParams(pairs({{"color", "0xFF000080"}})));
    QCOMPARE(f.text->color(), QColor(0, 0, 255, 128));
    QCOMPARE(f.child<QLabel>("lbColor")->styleSheet(),
             QStringLiteral("background-color: #0000ff;"));
    QCOMPARE(f.pairs()[0].second, QStringLiteral("0xFF000080"));
    for (const char *bad : {"0xZZ", "", "red", "0x0102"}) {
        QVERIFY(f.op->setParams(pairs({{"color", bad}})));
        QCOMPARE(f.text->color(), QColor(0, 0, 255, 128));
    }
}

void StampTextTest::typedEditsAreDeferred()
{
    Fixture f;
    const int before = f.changes;
    QTest::keyClicks(f.edit(), QStringLiteral("<Filename>"));
    f.child<QSpinBox>("sbXDelta")->setValue(33);
    f.child<QDoubleSpinBox>("sbRotation")->setValue(90);
    QCOMPARE(f.changes, before);
    QCOMPARE(f.text->snapshot()->text, QString());
    // Text and rotation are saved as they stand; the offset once applied.
    QCOMPARE(f.pairs()[2].second, QStringLiteral("90.00"));
    QCOMPARE(f.pairs()[3].second, QStringLiteral("<Filename>"));
    QCOMPARE(f.pairs()[5].second, QStringLiteral("right-10px"));
    optest::now() += 600;
    f.widget->tick();
    QCOMPARE(f.changes, before);
    optest::now() += 1;
    f.widget->tick();
    QCOMPARE(f.changes, before + 1);
    QCOMPARE(f.text->snapshot()->text, QStringLiteral("<Filename>"));
    QCOMPARE(f.text->snapshot()->rotation, 90.0);
    QCOMPARE(f.values()[2], std::string("right-33px"));
}

void StampTextTest::unitsAndPositions()
{
    Fixture f;
    f.child<QComboBox>("cmbXDelta")->setCurrentIndex(1);
    QCOMPARE(f.values()[2], std::string("right-10%"));
    QCOMPARE(f.child<QSpinBox>("sbXDelta")->maximum(), 100);
    f.child<QComboBox>("cmbXDelta")->setCurrentIndex(0);
    QCOMPARE(f.values()[2], std::string("right-10px"));
    QVERIFY(f.op->setParams(pairs({{"x_pos", "left--5px"}, {"y_pos", "middle-200%"}})));
    QCOMPARE(f.values()[2], std::string("left--5px"));
    QCOMPARE(f.values()[3], std::string("middle-100%"));
    QVERIFY(f.op->setParams(pairs({{"x_pos", "Right-10px"}})));
    QCOMPARE(f.values()[2], std::string("left-10px"));
}

void StampTextTest::profileRoundTrip()
{
    Fixture f;
    QVERIFY(f.op->setParams(pairs({{"name", "stamp_text"},
                                   {"color", "0x10203040"},
                                   {"rotation", "12.5"},
                                   {"text", "Shot <Filename>"},
                                   {"transparency", "abc"},
                                   {"x_pos", "middle-3%"},
                                   {"y_pos", "top-7px"}})));
    const OperationParamList saved = f.pairs();
    QCOMPARE(saved[0].second, QStringLiteral("0x10203040"));
    QCOMPARE(saved[2].second, QStringLiteral("12.50"));
    QCOMPARE(saved[4].second, QStringLiteral("0"));
    Fixture g;
    QVERIFY(g.op->setParams(saved));
    QCOMPARE(g.pairs(), saved);
}

void StampTextTest::rendersPerSourceFile()
{
    Fixture f;
    f.edit()->setText(QStringLiteral("<Filename> <Counter 1:1:3>"));
    f.settle();
    PicturePtr picture = f.text->renderText(QStringLiteral("C:/pics/IMG_01.jpg"));
    QVERIFY(picture);
    QCOMPARE(f.text->lastPicture(), picture);
    QVERIFY(stamptest::same_pixels(picture.get(),
                                   rendered(f.text, QStringLiteral("IMG_01 001")).get()));
    QVERIFY(!stamptest::same_pixels(
        picture.get(), f.text->renderText(QStringLiteral("C:/pics/IMG_02.jpg")).get()));
    // Each filter keeps the picture rendered for its own file.
    imagefilter_t *one = f.op->createFilter(QStringLiteral("/x/one.jpg"));
    imagefilter_t *two = f.op->createFilter(QStringLiteral("/x/two.jpg"));
    QVERIFY(stamptest::same_pixels(picturefilter_picture(one).get(),
                                   rendered(f.text, QStringLiteral("one 001")).get()));
    QVERIFY(stamptest::same_pixels(picturefilter_picture(two).get(),
                                   rendered(f.text, QStringLiteral("two 001")).get()));
    imagefilter_destroy(one);
    imagefilter_destroy(two);
}

void StampTextTest::turnsAreExactQuarterTurns()
{
    Fixture f;
    f.edit()->setText(QStringLiteral("Turn"));
    struct Case {
        double rotation, turn;
    } cases[] = {{90, 90}, {-90, 270}, {-180, 180}, {360, 0}, {0, 0}};
    for (const Case &c : cases) {
        f.child<QDoubleSpinBox>("sbRotation")->setValue(c.rotation);
        f.settle();
        PicturePtr picture = f.text->renderText(QStringLiteral("/a.jpg"));
        PicturePtr expected = rendered(f.text, QStringLiteral("Turn"));
        if (c.turn != 0)
            QCOMPARE(sn_image_rotate(expected.get(), c.turn, 0), 0);
        QVERIFY2(stamptest::same_pixels(picture.get(), expected.get()),
                 qPrintable(QString::number(c.rotation)));
        // The batch's kept filter and the preview's new one draw the same turn.
        imagefilter_t *made = f.op->createFilter(QStringLiteral("/a.jpg"));
        QVERIFY(stamptest::same_pixels(picturefilter_picture(made).get(), expected.get()));
        imagefilter_destroy(made);
        QVERIFY(stamptest::same_pixels(
            picturefilter_picture(f.op->getFilter(QStringLiteral("/a.jpg"))).get(),
            expected.get()));
    }
    // A real batch writes the turned text.
    QVERIFY(f.op->setParams(pairs({{"rotation", "90"}, {"transparency", "0"}})));
    const std::string source = m_dir->file("turned.bmp");
    QVERIFY(stamptest::write_bmp(source, 120, 160,
                                 [](int, int) { return SN_PIXEL(255, 250, 250, 250); }));
    PicturePtr turned = rendered(f.text, QStringLiteral("Turn"));
    QCOMPARE(sn_image_rotate(turned.get(), 90, 0), 0);
    QVERIFY(turned->height > turned->width);
    zvtest::ImagePtr photo(sn_image_create_from_file(source.c_str(), -1));
    zvtest::ImagePtr expected(stamped(photo.get(), turned, "0", "right-10px", "bottom-10px"));
    zvtest::TempDir out;
    stamptest::BatchRun batch(f.op.get());
    batch.add(source);
    QVERIFY(batch.run(out.path()));
    QCOMPARE(batch.outputs().size(), size_t(1));
    zvtest::ImagePtr result(sn_image_create_from_file(batch.outputs()[0].c_str(), -1));
    QVERIFY(stamptest::same_pixels(result.get(), expected.get()));
}

void StampTextTest::laterKeysReachTheFilter()
{
    Fixture f;
    QVERIFY(f.op->setParams(pairs({{"text", "Mark"},
                                   {"transparency", "0"},
                                   {"x_pos", "right-0px"},
                                   {"y_pos", "bottom-0px"}})));
    zvtest::ImagePtr photo(stamptest::make_picture(300, 100, SN_PIXEL(255, 255, 255, 255)));
    zvtest::ImagePtr expected(stamped(photo.get(), rendered(f.text, QStringLiteral("Mark")), "0",
                                      "right-0px", "bottom-0px"));
    imagefilter_t *kept = f.op->getFilter(QStringLiteral("/a.jpg"));
    QCOMPARE(imagefilter_execute(kept, photo.get()), 0);
    QVERIFY(stamptest::same_pixels(photo.get(), expected.get()));
    // The top-left corner, where a filter that lost its anchors would draw, is white.
    QCOMPARE(photo->frames[0].rows[2][2], SN_PIXEL(255, 255, 255, 255));
}

void StampTextTest::batchAndPreviewStampEachFilesOwnText()
{
    Fixture f;
    QVERIFY(f.op->setParams(pairs(
        {{"text", "<Filename> <Counter 7:2:3>"}, {"transparency", "0"}, {"color", "0x000000FF"}})));
    const char *counts[] = {" 007", " 009", " 011"};
    zvtest::TempDir out;
    const char *names[] = {"img_a", "img_b", "img_c"};
    std::vector<std::string> sources;
    for (const char *name : names) {
        sources.push_back(m_dir->file(std::string(name) + ".bmp"));
        QVERIFY(stamptest::write_bmp(sources.back(), 240, 80,
                                     [](int x, int y) { return SN_PIXEL(255, 200, x, y); }));
    }
    std::vector<zvtest::ImagePtr> expected;
    for (int i = 0; i < 3; i++) {
        zvtest::ImagePtr source(sn_image_create_from_file(sources[i].c_str(), -1));
        expected.emplace_back(stamped(source.get(),
                                      rendered(f.text, QString::fromUtf8(names[i]) + counts[i]),
                                      "0", "right-10px", "bottom-10px"));
        QVERIFY(!stamptest::same_pixels(source.get(), expected.back().get()));
    }
    {
        stamptest::BatchRun batch(f.op.get());
        for (const std::string &s : sources)
            batch.add(s);
        QVERIFY(batch.run(out.path()));
        QVERIFY(batch.filterFailures().empty());
        const std::vector<std::string> outputs = batch.outputs();
        QCOMPARE(outputs.size(), size_t(3));
        std::vector<zvtest::ImagePtr> results;
        for (int i = 0; i < 3; i++) {
            results.emplace_back(sn_image_create_from_file(outputs[i].c_str(), -1));
            QVERIFY2(stamptest::same_pixels(results[i].get(), expected[i].get()), names[i]);
        }
        QVERIFY(!stamptest::same_pixels(results[0].get(), results[1].get()));
        QVERIFY(!stamptest::same_pixels(results[1].get(), results[2].get()));
    }
    {
        stamptest::PreviewRun preview(f.op.get(), sources, 1);
        QVERIFY(preview.waitStage1());
        zvtest::ImagePtr stage(preview.copyStage(1));
        QVERIFY(stamptest::same_pixels(stage.get(), expected[1].get()));
    }
}

void StampTextTest::textOfNothingLeavesPhotosAlone()
{
    Fixture f;
    // An unknown keyword expands to nothing: there is no text to draw.
    QVERIFY(f.op->setParams(pairs({{"text", "<Nothing>"}})));
    QVERIFY(!f.text->renderText(QStringLiteral("/p/a.bmp")));
    std::vector<std::string> sources;
    for (int i = 0; i < 2; i++) {
        sources.push_back(m_dir->file("plain" + std::to_string(i) + ".bmp"));
        QVERIFY(stamptest::write_bmp(sources.back(), 50, 40,
                                     [i](int x, int y) { return SN_PIXEL(255, x * 4, y * 5, i); }));
    }
    zvtest::TempDir out;
    zvtest::LogCapture log;
    stamptest::BatchRun batch(f.op.get());
    for (const std::string &s : sources)
        batch.add(s);
    QVERIFY(batch.run(out.path()));
    for (const stamptest::BatchRun::Event &e : batch.events())
        QVERIFY(e.event != PHOTOBATCH_EVENT_FAILED);
    QVERIFY(log.contains("recv command")); // the capture hears the run
    QVERIFY(!log.contains("FAILED"));
    const std::vector<std::string> outputs = batch.outputs();
    QCOMPARE(outputs.size(), size_t(2));
    for (size_t i = 0; i < outputs.size(); i++) {
        zvtest::ImagePtr in(sn_image_create_from_file(sources[i].c_str(), -1));
        zvtest::ImagePtr result(sn_image_create_from_file(outputs[i].c_str(), -1));
        QVERIFY(stamptest::same_pixels(in.get(), result.get()));
    }
}

// A text too large to draw (64 or 1024 'W' at 512 points turned by 33
// degrees) fails every photo in the batch with that reason; the photo is
// written without it and, with delete source on, its source stays. An empty
// text draws nothing and fails nothing.
void StampTextTest::refusedTextFailsEveryPhotoAndKeepsItsSource()
{
    const struct {
        QString text;
        bool refused;
    } cases[] = {
        {QString(64, QLatin1Char('W')), true},
        {QString(1024, QLatin1Char('W')), true},
        {QString(), false},
    };
    for (const auto &c : cases) {
        const QByteArray name = QByteArray::number(c.text.size()) + " W";
        Fixture f;
        QVERIFY(f.op->setParams(pairs({{"font", "DejaVu Sans,512,-1,5,50,0,0,0,0,0"},
                                       {"rotation", "33.00"},
                                       {"transparency", "0"}})));
        f.child<QLineEdit>("edtText")->setText(c.text);
        f.settle();
        const std::string source = m_dir->file("refused" + std::to_string(c.text.size()) + ".bmp");
        QVERIFY(stamptest::write_bmp(source, 50, 40,
                                     [](int x, int y) { return SN_PIXEL(255, x * 4, y * 5, 1); }));
        zvtest::TempDir out;
        zvtest::LogCapture log;
        stamptest::BatchRun batch(f.op.get());
        batch.add(source);
        QVERIFY(batch.run(out.path(), true));
        QVERIFY2(batch.filterFailures(PHOTOBATCH_FAILED_TOO_LARGE) ==
                     (c.refused ? std::vector<std::string>{"stamp"} : std::vector<std::string>{}),
                 name.constData());
        QVERIFY2(batch.filterFailures().empty(), name.constData());
        QVERIFY2(batch.kept() == (c.refused ? std::vector<intptr_t>{PHOTOBATCH_KEPT_FILTER_FAILED}
                                            : std::vector<intptr_t>{}),
                 name.constData());
        QCOMPARE(zvtest::file_exists(source), c.refused);
        QCOMPARE(batch.outputs().size(), size_t(1));
        QCOMPARE(log.contains("text size FAILED!") || log.contains("turned text FAILED!"),
                 c.refused);
    }
}

void StampTextTest::germanTexts()
{
    stamptest::German german;
    QVERIFY(german.loaded());
    Fixture f;
    QCOMPARE(f.child<QPushButton>("btnText")->text(), QStringLiteral("Schlüsselwort einfügen"));
    QCOMPARE(f.menu()->actions()[5]->text(), QStringLiteral("Datum / Uhrzeit"));
    QCOMPARE(f.child<QLabel>("lbRotation")->text(), QStringLiteral("Drehung (Grad):"));
}

QTEST_MAIN(StampTextTest)
#include "stamp_text_test.moc"
