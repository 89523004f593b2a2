// The text watermark: defaults and the nine profile pairs, hidden offsets
// that still apply, keywords rendered per file, the text turned by the
// operation (the filter's own rotation is never given), the deferred apply,
// the colour seam, and tiles equal to a plain watermark filter's.
#include "optest.h"
#include "dialogs.h"
#include "msganswer.h"
#include "picturefilter.h"
#include "pipeline_helper.h"
#include "watermark_text.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

CAbstractOperation *operation_create_watermark_text();

using optest::fake_clock;
using optest::pairs;

namespace
{

struct Fixture {
    std::unique_ptr<CAbstractOperation> op{operation_create_watermark_text()};
    COperation_watermark_text *text = static_cast<COperation_watermark_text *>(op.get());
    COperationWidget_watermark_text *widget = nullptr;
    int changes = 0;

    Fixture()
    {
        op->setChangeCallback([](void *c, CAbstractOperation *) { ++*(int *)c; }, &changes);
        widget = static_cast<COperationWidget_watermark_text *>(op->getWidget(nullptr));
    }
    template <class T> T *child(const char *name)
    {
        return widget->findChild<T *>(QLatin1String(name));
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
    PicturePtr rendered(const QString &shown, double rotation = 0)
    {
        TextSnapshotPtr set = text->snapshot();
        return picture_render_text(shown, QString(), 0, set->font, set->color, rotation);
    }
};

} // namespace

class WatermarkTextTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sn_image_init();
        operation_set_clock(&fake_clock);
    }
    void cleanupTestCase()
    {
        operation_set_clock(nullptr);
    }
    void cleanup()
    {
        Dialogs::reset();
        QCOMPARE(MsgAnswer::unexpected(), 0);
        MsgAnswer::clear();
    }
    void defaultsAndPairs();
    void hiddenOffsetsAndLimits();
    void keywordsRenderPerFile();
    void theOperationTurnsTheText();
    void spacingEditsAreDeferred();
    void cancelledColourKeepsTheColour();
    void tilesMatchAPlainWatermark();
    void longTextsAreBoundedBeforeTheyTurn();
    void germanTexts();
};

void WatermarkTextTest::defaultsAndPairs()
{
    std::unique_ptr<CAbstractOperation> bare(operation_create_watermark_text());
    OperationParamList none;
    QVERIFY(!bare->getParams(none));
    QVERIFY(!bare->setParams(none));

    Fixture f;
    QCOMPARE(f.text->keys(), (std::vector<std::string>{"watermark_image", "transparency", "x_space",
                                                       "y_space", "x_offset", "y_offset"}));
    const std::vector<std::string> values = f.values();
    QCOMPARE(std::vector<std::string>(values.begin() + 1, values.end()),
             (std::vector<std::string>{"60", "16", "16", "0", "0"}));
    QCOMPARE(f.pairs(), pairs({{"color", "0x000000FF"},
                               {"font", QFont().toString().toUtf8().constData()},
                               {"text", ""},
                               {"rotation", "0.00"},
                               {"transparency", "60"},
                               {"x_space", "16"},
                               {"y_space", "16"},
                               {"x_offset", "0"},
                               {"y_offset", "0"}}));
    f.widget->show();
    for (const char *name : {"lbXOffset", "sbXOffset", "lbYOffset", "sbYOffset"})
        QVERIFY2(!f.widget->findChild<QWidget *>(QLatin1String(name))->isVisible(), name);
    QCOMPARE(f.widget->objectName(), QStringLiteral("OptWatermarkText"));
    QStringList texts;
    for (QAction *a : f.widget->findChild<QMenu *>()->actions())
        texts << a->text();
    QCOMPARE(texts, (QStringList{"Source File Name", "Source Folder Name", "Source Extension",
                                 "Source Path", "Counter", "Data / Time", "Copyright Sign"}));
    // An empty text leaves photos unchanged.
    imagefilter_t *filter = f.op->createFilter(QStringLiteral("/a/b.jpg"));
    zvtest::ImagePtr photo(stamptest::make_picture(20, 20, SN_PIXEL(255, 1, 2, 3)));
    QCOMPARE(imagefilter_execute(filter, photo.get()), 0);
    imagefilter_destroy(filter);
    QCOMPARE(photo->frames[0].rows[5][5], SN_PIXEL(255, 1, 2, 3));
}

void WatermarkTextTest::hiddenOffsetsAndLimits()
{
    Fixture f;
    QVERIFY(f.op->setParams(pairs({{"x_offset", "25"}, {"x_space", "20000"}, {"y_offset", "x"}})));
    QCOMPARE(f.child<QSpinBox>("sbXOffset")->value(), 25);
    QCOMPARE(f.values()[4], std::string("25"));
    QCOMPARE(f.values()[2], std::string("10000"));
    QCOMPARE(f.values()[5], std::string("0"));
    Fixture g;
    QVERIFY(g.op->setParams(f.pairs()));
    QCOMPARE(g.pairs(), f.pairs());
}

void WatermarkTextTest::keywordsRenderPerFile()
{
    Fixture f;
    f.child<QLineEdit>("edtText")->setText(QStringLiteral("Shot in <Foldername>"));
    f.settle();
    QVERIFY(stamptest::same_pixels(f.text->renderText(QStringLiteral("C:/pics/IMG_01.jpg")).get(),
                                   f.rendered(QStringLiteral("Shot in pics")).get()));
    f.widget->findChild<QMenu *>()->actions()[6]->trigger();
    QCOMPARE(f.text->snapshot()->text, QStringLiteral("Shot in <Foldername><Copyright>"));
    QVERIFY(stamptest::same_pixels(f.text->renderText(QStringLiteral("/x/y/z.jpg")).get(),
                                   f.rendered(QStringLiteral("Shot in y\u00a9")).get()));
}

void WatermarkTextTest::theOperationTurnsTheText()
{
    Fixture f;
    QVERIFY(f.op->setParams(pairs({{"text", "Tile"}, {"rotation", "45"}})));
    QCOMPARE(f.pairs()[3].second, QStringLiteral("45.00"));
    QVERIFY(stamptest::same_pixels(f.text->renderText(QStringLiteral("/a.jpg")).get(),
                                   f.rendered(QStringLiteral("Tile"), 45).get()));
    Fixture g;
    QVERIFY(g.op->setParams(f.pairs()));
    QCOMPARE(g.child<QDoubleSpinBox>("sbRotation")->value(), 45.0);
}

void WatermarkTextTest::spacingEditsAreDeferred()
{
    Fixture f;
    const int before = f.changes;
    f.child<QSpinBox>("sbXSpace")->setValue(30);
    f.child<QSpinBox>("sbYSpace")->setValue(2);
    optest::now() += 600;
    f.widget->tick();
    QCOMPARE(f.changes, before);
    QCOMPARE(f.values()[2], std::string("16"));
    optest::now() += 1;
    f.widget->tick();
    QCOMPARE(f.changes, before + 1);
    QCOMPARE(f.values()[2], std::string("30"));
    QCOMPARE(f.values()[3], std::string("2"));
}

void WatermarkTextTest::cancelledColourKeepsTheColour()
{
    Fixture f;
    QVERIFY(f.op->setParams(pairs({{"color", "0x0000FFFF"}})));
    Dialogs::hooks().color = [](const QColor &, QWidget *, const QString &,
                                QColorDialog::ColorDialogOptions) { return QColor(); };
    QTest::mouseClick(f.child<QPushButton>("btnColor"), Qt::LeftButton);
    QCOMPARE(f.text->color(), QColor(255, 0, 0));
    QCOMPARE(f.child<QLabel>("lbColor")->styleSheet(),
             QStringLiteral("background-color: #ff0000;"));
}

void WatermarkTextTest::tilesMatchAPlainWatermark()
{
    Fixture f;
    QVERIFY(f.op->setParams(pairs({{"text", "<Filename>"},
                                   {"transparency", "0"},
                                   {"x_space", "6"},
                                   {"y_space", "4"},
                                   {"x_offset", "3"},
                                   {"y_offset", "1"}})));
    zvtest::ImagePtr photo(stamptest::make_picture(160, 90, SN_PIXEL(255, 240, 240, 240)));
    zvtest::ImagePtr expected(sn_image_clone(photo.get()));
    PicturePtr picture = f.rendered(QStringLiteral("tile"));
    const std::string address = picture_address(picture.get());
    imagefilter_t *plain = imagefilter_create("watermark");
    const char *keys[] = {"watermark_image", "transparency", "x_space", "y_space",
                          "x_offset",        "y_offset",     nullptr};
    const char *values[] = {address.c_str(), "0", "6", "4", "3", "1", nullptr};
    imagefilter_set_settings(plain, keys, values);
    QCOMPARE(imagefilter_execute(plain, expected.get()), 0);
    imagefilter_destroy(plain);
    imagefilter_t *kept = f.op->getFilter(QStringLiteral("/photos/tile.jpg"));
    QCOMPARE(imagefilter_get_name(kept), "watermark");
    QCOMPARE(imagefilter_execute(kept, photo.get()), 0);
    QVERIFY(stamptest::same_pixels(photo.get(), expected.get()));
}

// A long line turned by 45 degrees covers about (w + h)^2 / 2 pixels and is
// drawn again for every photo: past 16 M of them the text is not turned
// but refused, and the filter fails each photo (left as it is) with the
// reason that the text is too large. Keywords may make a short text long;
// what they expand to is cut to the 1024 characters the line edit takes. A
// person's text, turned, is drawn as before.
void WatermarkTextTest::longTextsAreBoundedBeforeTheyTurn()
{
    const QString counters = QStringLiteral("<Counter 1:1:1023><Counter 1:1:1023>");
    const QString cut = QString(1022, QLatin1Char('0')) + QStringLiteral("10");
    const struct {
        QString text;
        const char *rotation;
        QString drawnAs; // empty: refused
    } cases[] = {
        {QString(1024, QLatin1Char('W')), "45", QString()},
        {QString(1024, QLatin1Char('W')), "-30", QString()},
        {counters, "45", QString()},
        {QString(1024, QLatin1Char('W')), "0", QString(1024, QLatin1Char('W'))},
        {counters, "0", cut},
        {QStringLiteral("\u00a9 Zandrevik <Counter 1:1:3>"), "45",
         QStringLiteral("\u00a9 Zandrevik 001")},
        {QString(60, QLatin1Char('W')), "45", QString(60, QLatin1Char('W'))},
    };
    for (const auto &c : cases) {
        const QByteArray name = c.text.left(24).toUtf8() + " turned " + c.rotation;
        Fixture f;
        QVERIFY(f.op->setParams(pairs({{"font", "DejaVu Sans,12,-1,5,50,0,0,0,0,0"},
                                       {"rotation", c.rotation},
                                       {"transparency", "0"}})));
        f.child<QLineEdit>("edtText")->setText(c.text);
        f.settle();
        zvtest::LogCapture log;
        PicturePtr picture = f.text->renderText(QStringLiteral("/photos/a.jpg"));
        zvtest::ImagePtr photo(stamptest::make_picture(64, 48, SN_PIXEL(255, 240, 240, 240)));
        imagefilter_t *filter = f.op->createFilter(QStringLiteral("/photos/a.jpg"));
        const int rc = imagefilter_execute(filter, photo.get());
        const int refusal = imagefilter_refusal();
        imagefilter_destroy(filter);
        QVERIFY2(rc == (c.drawnAs.isEmpty() ? -1 : 0), name.constData());
        QVERIFY2(refusal == (c.drawnAs.isEmpty() ? IMAGEFILTER_REFUSED_TOO_LARGE
                                                 : IMAGEFILTER_REFUSED_NONE),
                 name.constData());
        if (c.drawnAs.isEmpty()) {
            QVERIFY2(!picture, name.constData());
            QVERIFY2(log.contains("turned text FAILED!"), name.constData());
            QVERIFY2(photo->frames[0].rows[24][32] == SN_PIXEL(255, 240, 240, 240),
                     name.constData());
        } else {
            QVERIFY2(picture, name.constData());
            QVERIFY2(stamptest::same_pixels(picture.get(),
                                            f.rendered(c.drawnAs, atof(c.rotation)).get()),
                     name.constData());
            QVERIFY2(!log.contains("turned text FAILED!"), name.constData());
        }
        QCOMPARE(log.contains("expanded text FAILED!"), c.text == counters);
    }
}

void WatermarkTextTest::germanTexts()
{
    stamptest::German german;
    QVERIFY(german.loaded());
    Fixture f;
    QCOMPARE(f.widget->findChild<QMenu *>()->actions()[0]->text(),
             QStringLiteral("Dateiname der Quelle"));
    QCOMPARE(f.child<QPushButton>("btnFont")->text(), QStringLiteral("Schrift"));
}

QTEST_MAIN(WatermarkTextTest)
#include "watermark_text_test.moc"
