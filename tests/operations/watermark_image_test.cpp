// The image watermark: defaults and pairs (the rotation goes to the filter,
// the copy is only scaled), hidden offsets that still apply, the deferred
// apply of every edit, the file dialog and its failure message, profiles, and
// a filter that tiles the picture.
#include "optest.h"
#include "dialogs.h"
#include "msganswer.h"
#include "picturefilter.h"
#include "pipeline_helper.h"
#include "watermark_image.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

CAbstractOperation *operation_create_watermark_image();

using optest::fake_clock;
using optest::pairs;

namespace
{

struct Fixture {
    std::unique_ptr<CAbstractOperation> op{operation_create_watermark_image()};
    COperation_watermark_image *mark = static_cast<COperation_watermark_image *>(op.get());
    COperationWidget_watermark_image *widget = nullptr;
    int changes = 0;

    Fixture()
    {
        op->setChangeCallback([](void *c, CAbstractOperation *) { ++*(int *)c; }, &changes);
        widget = static_cast<COperationWidget_watermark_image *>(op->getWidget(nullptr));
    }
    template <class T> T *child(const char *name)
    {
        return widget->findChild<T *>(QLatin1String(name));
    }
    std::vector<std::string> values()
    {
        return mark->params()->values;
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

} // namespace

class WatermarkImageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void defaultsAndPairs();
    void everyEditIsDeferred();
    void hiddenOffsetsStillApply();
    void scaleOnlyTheRotationGoesToTheFilter();
    void fileDialogAndItsFailure();
    void profileRoundTrip();
    void filterTilesThePicture();
    void germanTexts();

private:
    zvtest::TempDir *m_dir = nullptr;
    QString m_tile; // 100 x 60
};

void WatermarkImageTest::initTestCase()
{
    sn_image_init();
    operation_set_clock(&fake_clock);
    m_dir = new zvtest::TempDir;
    const std::string tile = m_dir->file("tile.bmp");
    QVERIFY(
        stamptest::write_bmp(tile, 100, 60, [](int x, int y) { return SN_PIXEL(255, x, y, 200); }));
    m_tile = QString::fromStdString(tile);
}

void WatermarkImageTest::cleanupTestCase()
{
    delete m_dir;
    operation_set_clock(nullptr);
}

void WatermarkImageTest::cleanup()
{
    Dialogs::reset();
    QCOMPARE(MsgAnswer::unexpected(), 0);
    MsgAnswer::clear();
}

void WatermarkImageTest::defaultsAndPairs()
{
    std::unique_ptr<CAbstractOperation> bare(operation_create_watermark_image());
    OperationParamList none;
    QVERIFY(!bare->getParams(none));
    QVERIFY(!bare->setParams(none));

    Fixture f;
    QCOMPARE(f.mark->keys(),
             (std::vector<std::string>{"watermark_image", "transparency", "rotation", "x_space",
                                       "y_space", "x_offset", "y_offset"}));
    QCOMPARE(f.values(), (std::vector<std::string>{"", "60", "0.00", "16", "16", "0", "0"}));
    QCOMPARE(f.pairs(), pairs({{"imagefile", ""},
                               {"scale", "100"},
                               {"transparency", "60"},
                               {"rotation", "0.00"},
                               {"x_space", "16"},
                               {"y_space", "16"},
                               {"x_offset", "0"},
                               {"y_offset", "0"}}));
    f.widget->show();
    for (const char *name : {"lbXOffset", "sbXOffset", "lbYOffset", "sbYOffset"})
        QVERIFY2(!f.widget->findChild<QWidget *>(QLatin1String(name))->isVisible(), name);
    for (const char *name : {"sbXSpace", "sbYSpace", "sbScale", "sbRotation", "edtImage"})
        QVERIFY2(f.widget->findChild<QWidget *>(QLatin1String(name))->isVisible(), name);
    QCOMPARE(f.child<QSpinBox>("sbXSpace")->suffix(), QStringLiteral("px"));
    QCOMPARE(f.child<QSpinBox>("sbXSpace")->maximum(), 10000);
    QCOMPARE(f.child<QSpinBox>("sbXOffset")->minimum(), -10000);
    QCOMPARE(f.widget->objectName(), QStringLiteral("OptWatermarkImage"));
}

void WatermarkImageTest::everyEditIsDeferred()
{
    Fixture f;
    const int before = f.changes;
    f.child<QSlider>("sliderTransparency")->setValue(30);
    QCOMPARE(f.child<QSpinBox>("sbTransparency")->value(), 30);
    f.child<QSpinBox>("sbXSpace")->setValue(20);
    f.child<QDoubleSpinBox>("sbRotation")->setValue(-12.5);
    QCOMPARE(f.changes, before);
    QCOMPARE(f.values()[1], std::string("60"));
    optest::now() += 600;
    f.widget->tick();
    QCOMPARE(f.changes, before);
    optest::now() += 1;
    f.widget->tick();
    QCOMPARE(f.changes, before + 1);
    QCOMPARE(f.values()[1], std::string("30"));
    QCOMPARE(f.values()[2], std::string("-12.50"));
    QCOMPARE(f.values()[3], std::string("20"));
}

void WatermarkImageTest::hiddenOffsetsStillApply()
{
    Fixture f;
    QVERIFY(
        f.op->setParams(pairs({{"x_offset", "25"}, {"y_offset", "-30"}, {"x_space", "20000"}})));
    QCOMPARE(f.child<QSpinBox>("sbXOffset")->value(), 25);
    QCOMPARE(f.values()[5], std::string("25"));
    QCOMPARE(f.values()[6], std::string("-30"));
    QCOMPARE(f.values()[3], std::string("10000"));
    QCOMPARE(f.pairs()[6].second, QStringLiteral("25"));
}

void WatermarkImageTest::scaleOnlyTheRotationGoesToTheFilter()
{
    Fixture f;
    QVERIFY(f.op->setParams(
        pairs({{"imagefile", m_tile.toUtf8().constData()}, {"scale", "50"}, {"rotation", "45"}})));
    PicturePtr working = f.widget->working()->picture();
    QCOMPARE(working->width, 50);
    QCOMPARE(working->height, 30);
    QCOMPARE(f.values()[2], std::string("45.00"));
    QCOMPARE(stamptest::filtered_picture(f.op.get()), working);
    // Not turned by the operation: the pixels are the scaled copy's.
    PicturePtr scaled = picture_prepare(f.widget->loadedPicture().get(), 50, 0.0);
    QVERIFY(stamptest::same_pixels(working.get(), scaled.get()));
}

void WatermarkImageTest::fileDialogAndItsFailure()
{
    Fixture f;
    QString answer, caption;
    Dialogs::hooks().openFileName = [&](QWidget *, const QString &c, const QString &,
                                        const QString &) {
        caption = c;
        return answer;
    };
    QTest::mouseClick(f.child<QPushButton>("btnImage"), Qt::LeftButton);
    QCOMPARE(caption, QStringLiteral("Open Image File"));
    QVERIFY(!f.widget->loadedPicture());
    QVERIFY(MsgAnswer::seen().isEmpty());
    answer = m_tile;
    QTest::mouseClick(f.child<QPushButton>("btnImage"), Qt::LeftButton);
    QVERIFY(f.widget->loadedPicture());
    const std::string junk = m_dir->file("junk.gif");
    QVERIFY(zvtest::write_file(junk, std::string("GIF89a broken")));
    answer = QString::fromStdString(junk);
    MsgAnswer::next(QDialogButtonBox::Ok);
    QTest::mouseClick(f.child<QPushButton>("btnImage"), Qt::LeftButton);
    QCOMPARE(MsgAnswer::seen(),
             QStringList{QStringLiteral("Zandrevik|Load Watermark Image FAILED!")});
    QCOMPARE(f.mark->imagePath(), m_tile);
}

void WatermarkImageTest::profileRoundTrip()
{
    Fixture f;
    QVERIFY(f.op->setParams(pairs({{"imagefile", m_tile.toUtf8().constData()},
                                   {"scale", "250"},
                                   {"rotation", "-12.5"},
                                   {"transparency", "5"},
                                   {"x_space", "3"},
                                   {"y_space", "4"},
                                   {"x_offset", "-7"},
                                   {"y_offset", "8"}})));
    const OperationParamList saved = f.pairs();
    QCOMPARE(saved, pairs({{"imagefile", m_tile.toUtf8().constData()},
                           {"scale", "250"},
                           {"transparency", "5"},
                           {"rotation", "-12.50"},
                           {"x_space", "3"},
                           {"y_space", "4"},
                           {"x_offset", "-7"},
                           {"y_offset", "8"}}));
    Fixture g;
    QVERIFY(g.op->setParams(saved));
    QCOMPARE(g.pairs(), saved);
    // A profile whose picture no longer loads: false, the rest applies.
    Fixture h;
    OperationParamList moved = saved;
    moved[0].second = QString::fromStdString(m_dir->file("moved.bmp"));
    QVERIFY(!h.op->setParams(moved));
    QCOMPARE(h.pairs(), moved);
}

void WatermarkImageTest::filterTilesThePicture()
{
    Fixture f;
    const std::string small = m_dir->file("small.bmp");
    QVERIFY(stamptest::write_bmp(small, 4, 4, [](int, int) { return SN_PIXEL(255, 0, 0, 0); }));
    QVERIFY(f.op->setParams(pairs({{"imagefile", small.c_str()},
                                   {"transparency", "0"},
                                   {"x_space", "4"},
                                   {"y_space", "0"}})));
    imagefilter_t *filter = f.op->createFilter(QString());
    QCOMPARE(imagefilter_get_name(filter), "watermark");
    zvtest::ImagePtr photo(stamptest::make_picture(16, 8, SN_PIXEL(255, 255, 255, 255)));
    QCOMPARE(imagefilter_execute(filter, photo.get()), 0);
    imagefilter_destroy(filter);
    // 8 x 4 tiles (2 columns of space each side) from x = -8: dark at 2..5, 10..13.
    for (int x = 0; x < 16; x++) {
        const bool dark = (x >= 2 && x <= 5) || (x >= 10 && x <= 13);
        QVERIFY2((SN_PIXEL_R(photo->frames[0].rows[1][x]) < 10) == dark,
                 qPrintable(QString::number(x)));
    }
}

void WatermarkImageTest::germanTexts()
{
    stamptest::German german;
    QVERIFY(german.loaded());
    Fixture f;
    QCOMPARE(f.widget->findChild<QLabel *>(QStringLiteral("lbXSpace"))->text(),
             QStringLiteral("X-Abstand:"));
    QCOMPARE(f.widget->findChild<QLabel *>(QStringLiteral("lbScale"))->text(),
             QStringLiteral("Skalierung:"));
}

QTEST_MAIN(WatermarkImageTest)
#include "watermark_image_test.moc"
