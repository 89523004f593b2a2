// The image stamp: its defaults and the pairs it writes (profile pairs apart
// from filter pairs), positions and units, scale and rotation of the working
// copy, the deferred apply, the file dialog through its seam and where it
// starts, profiles whose image no longer loads, paths that are not files, and
// a batch whose stamp picture is missing.
#include "optest.h"
#include "dialogs.h"
#include "msganswer.h"
#include "picturefilter.h"
#include "pipeline_helper.h"
#include "stamp_image.h"

#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStandardPaths>
#include <QtTest>

CAbstractOperation *operation_create_stamp_image();

using optest::fake_clock;
using optest::pairs;
using optest::type_into;

namespace
{

struct Fixture {
    std::unique_ptr<CAbstractOperation> op{operation_create_stamp_image()};
    COperation_stamp_image *stamp = static_cast<COperation_stamp_image *>(op.get());
    COperationWidget_stamp_image *widget = nullptr;
    int changes = 0;

    Fixture()
    {
        op->setChangeCallback([](void *c, CAbstractOperation *) { ++*(int *)c; }, &changes);
        widget = static_cast<COperationWidget_stamp_image *>(op->getWidget(nullptr));
    }
    template <class T> T *child(const char *name)
    {
        return widget->findChild<T *>(QLatin1String(name));
    }
    std::vector<std::string> values()
    {
        return stamp->params()->values;
    }
    OperationParamList pairs()
    {
        OperationParamList list;
        op->getParams(list);
        return list;
    }
    // Lets a pending edit fall due and ticks.
    void settle()
    {
        optest::now() += 601;
        widget->tick();
    }
};

} // namespace

class StampImageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void beforeTheWidgetNothingIsWritten();
    void defaultsAndPairs();
    void positionsAndUnits_data();
    void positionsAndUnits();
    void unitChangeLimitsTheOffsetAtOnce();
    void sliderAndSpinBoxDeferTheApply();
    void scaleAndRotationShapeTheWorkingCopy();
    void anglesAreBroughtIntoOneTurn();
    void scaleAboveTheLimitIsRefused();
    void turnedPictureIsBoundedBeforeItTurns();
    void loadProfileLeavesThePictureToTheWorkers();
    void filterStampsThePicture();
    void fileDialogThroughTheSeam();
    void selectStartsInPicturesElseHome();
    void fileThatDoesNotLoad();
    void pathsThatAreNotFiles();
    void profileRoundTrip();
    void profileWhoseImageIsGone();
    void batchWithoutPictureLeavesPhotosAlone();
    void germanTexts();

private:
    zvtest::TempDir *m_dir = nullptr;
    QString m_logo; // 101 x 51, opaque red
};

void StampImageTest::initTestCase()
{
    sn_image_init();
    operation_set_clock(&fake_clock);
    m_dir = new zvtest::TempDir;
    const std::string logo = m_dir->file("logo.bmp");
    QVERIFY(stamptest::write_bmp(logo, 101, 51, [](int, int) { return SN_PIXEL(255, 255, 0, 0); }));
    m_logo = QString::fromStdString(logo);
}

void StampImageTest::cleanupTestCase()
{
    photobatch_destroy_instance();
    delete m_dir;
    operation_set_clock(nullptr);
}

void StampImageTest::cleanup()
{
    Dialogs::reset();
    QCOMPARE(MsgAnswer::unexpected(), 0);
    MsgAnswer::clear();
}

void StampImageTest::beforeTheWidgetNothingIsWritten()
{
    std::unique_ptr<CAbstractOperation> op(operation_create_stamp_image());
    auto *stamp = static_cast<COperation_stamp_image *>(op.get());
    OperationParamList list = pairs({{"junk", "x"}});
    QVERIFY(!op->getParams(list));
    QCOMPARE(list.size(), 1);
    QVERIFY(!op->setParams(pairs({{"scale", "50"}})));
    for (const std::string &v : stamp->params()->values)
        QVERIFY(v.empty());
    // A filter asked for now is never handed the empty texts: it has nothing
    // to draw and passes the photo as it is.
    imagefilter_t *filter = op->createFilter(QString());
    QVERIFY(filter);
    zvtest::ImagePtr photo(stamptest::make_picture(20, 20, SN_PIXEL(255, 1, 2, 3)));
    QCOMPARE(imagefilter_execute(filter, photo.get()), 0);
    imagefilter_destroy(filter);
    QCOMPARE(photo->frames[0].rows[7][7], SN_PIXEL(255, 1, 2, 3));
}

void StampImageTest::defaultsAndPairs()
{
    Fixture f;
    QCOMPARE(f.values(), (std::vector<std::string>{"", "60", "right-10px", "bottom-10px"}));
    QCOMPARE(f.stamp->keys(),
             (std::vector<std::string>{"stamp_image", "transparency", "x_pos", "y_pos"}));
    QCOMPARE(f.pairs(), pairs({{"imagefile", ""},
                               {"scale", "100"},
                               {"rotation", "0.00"},
                               {"transparency", "60"},
                               {"x_pos", "right-10px"},
                               {"y_pos", "bottom-10px"}}));
    QCOMPARE(f.child<QSpinBox>("sbXDelta")->suffix(), QStringLiteral(" px"));
    QCOMPARE(f.child<QSpinBox>("sbXDelta")->minimum(), -65536);
    QCOMPARE(f.child<QSpinBox>("sbXDelta")->maximum(), 65536);
    QCOMPARE(f.child<QSpinBox>("sbScale")->maximum(), 10000);
    QCOMPARE(f.child<QDoubleSpinBox>("sbRotation")->decimals(), 2);
    QCOMPARE(f.child<QSlider>("sliderTransparency")->maximum(), 99);
    QCOMPARE(f.widget->objectName(), QStringLiteral("OptStampImage"));
    QVERIFY(!f.widget->working()->picture());
    QCOMPARE(f.op->getWidget(nullptr), f.widget);
}

void StampImageTest::positionsAndUnits_data()
{
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::newRow("left pixel negative") << 0 << 0 << -5 << "left--5px"
                                         << "top--5px";
    QTest::newRow("middle percent") << 1 << 1 << 50 << "middle-50%"
                                    << "middle-50%";
    QTest::newRow("right pixel zero") << 2 << 0 << 0 << "right-0px"
                                      << "bottom-0px";
    QTest::newRow("percent floor") << 0 << 1 << -100 << "left--100%"
                                   << "top--100%";
    QTest::newRow("pixel ceiling") << 2 << 0 << 65536 << "right-65536px"
                                   << "bottom-65536px";
}

void StampImageTest::positionsAndUnits()
{
    QFETCH(int, anchor);
    QFETCH(int, unit);
    QFETCH(int, offset);
    QFETCH(QString, x);
    QFETCH(QString, y);
    Fixture f;
    f.child<QComboBox>("cmbXPos")->setCurrentIndex(anchor);
    f.child<QComboBox>("cmbXDelta")->setCurrentIndex(unit);
    f.child<QComboBox>("cmbYPos")->setCurrentIndex(anchor);
    f.child<QComboBox>("cmbYDelta")->setCurrentIndex(unit);
    f.child<QSpinBox>("sbXDelta")->setValue(offset);
    f.child<QSpinBox>("sbYDelta")->setValue(offset);
    f.settle();
    QCOMPARE(QString::fromStdString(f.values()[2]), x);
    QCOMPARE(QString::fromStdString(f.values()[3]), y);
    // The profile reads back the same controls (an empty imagefile is a
    // file that does not load: false, the rest still applies).
    Fixture g;
    QVERIFY(!g.op->setParams(f.pairs()));
    QCOMPARE(g.pairs(), f.pairs());
}

void StampImageTest::unitChangeLimitsTheOffsetAtOnce()
{
    Fixture f;
    QSpinBox *delta = f.child<QSpinBox>("sbXDelta");
    delta->setValue(500);
    f.settle();
    QCOMPARE(f.values()[2], std::string("right-500px"));
    const int before = f.changes;
    f.child<QComboBox>("cmbXDelta")->setCurrentIndex(1);
    QCOMPARE(f.changes, before + 1); // no tick needed
    QCOMPARE(f.values()[2], std::string("right-100%"));
    QCOMPARE(delta->maximum(), 100);
    QCOMPARE(delta->suffix(), QStringLiteral("%"));
    // Back on Pixel the number is not converted.
    f.child<QComboBox>("cmbXDelta")->setCurrentIndex(0);
    QCOMPARE(f.values()[2], std::string("right-100px"));
    // A profile's right-200% selects Percent before the offset is set.
    QVERIFY(f.op->setParams(pairs({{"x_pos", "right-200%"}})));
    QCOMPARE(f.values()[2], std::string("right-100%"));
    // Anchor words are case-sensitive: the combo stays, unit and offset apply.
    f.child<QComboBox>("cmbXPos")->setCurrentIndex(1);
    QVERIFY(f.op->setParams(pairs({{"x_pos", "Right-10px"}})));
    QCOMPARE(f.values()[2], std::string("middle-10px"));
    QVERIFY(f.op->setParams(pairs({{"y_pos", "top"}})));
    QCOMPARE(f.values()[3], std::string("top-0px"));
}

void StampImageTest::sliderAndSpinBoxDeferTheApply()
{
    Fixture f;
    QSlider *slider = f.child<QSlider>("sliderTransparency");
    QSpinBox *spin = f.child<QSpinBox>("sbTransparency");
    const int before = f.changes;
    slider->setValue(30);
    QCOMPARE(spin->value(), 30);
    QCOMPARE(f.values()[1], std::string("60"));
    optest::now() += 600; // exactly 100 ms past the deadline: not yet
    f.widget->tick();
    QCOMPARE(f.values()[1], std::string("60"));
    spin->setValue(35); // a second edit postpones
    QCOMPARE(slider->value(), 35);
    optest::now() += 300;
    f.widget->tick();
    QCOMPARE(f.changes, before);
    optest::now() += 301;
    f.widget->tick();
    QCOMPARE(f.values()[1], std::string("35"));
    QCOMPARE(f.changes, before + 1);
    QCOMPARE(f.widget->deadline(), int64_t(-1));
    // The pending edit is not in the profile until it applies.
    spin->setValue(20);
    QCOMPARE(f.pairs()[3].second, QStringLiteral("35"));
    // Typing into the path edit only schedules an apply; the picture stays.
    f.child<QLineEdit>("edtImage")->setText(m_logo);
    QVERIFY(f.widget->deadline() > 0);
    f.settle();
    QVERIFY(!f.widget->loadedPicture());
}

void StampImageTest::scaleAndRotationShapeTheWorkingCopy()
{
    Fixture f;
    QVERIFY(f.op->setParams(pairs({{"imagefile", m_logo.toUtf8().constData()}})));
    const sn_image_t *loaded = f.widget->loadedPicture().get();
    QVERIFY(loaded);
    PicturePtr working = f.widget->working()->picture();
    QVERIFY(working && working.get() != loaded);
    QCOMPARE(working->width, 101);
    QVERIFY(stamptest::same_pixels(working.get(), loaded));
    QCOMPARE(stamptest::filtered_picture(f.op.get()), working);

    f.child<QSpinBox>("sbScale")->setValue(50);
    f.settle();
    QCOMPARE(f.widget->working()->picture()->width, 50);
    QCOMPARE(f.widget->working()->picture()->height, 25);
    QCOMPARE(f.pairs()[1].second, QStringLiteral("50"));
    // A height below one pixel is refused: the copy keeps the loaded size.
    f.child<QSpinBox>("sbScale")->setValue(1);
    f.settle();
    QCOMPARE(f.widget->working()->picture()->width, 101);
    QCOMPARE(f.widget->working()->picture()->height, 51);
    f.child<QSpinBox>("sbScale")->setValue(100);

    QDoubleSpinBox *rotation = f.child<QDoubleSpinBox>("sbRotation");
    rotation->setValue(0.0);
    f.settle();
    QCOMPARE(f.widget->working()->picture()->width, 101);
    QCOMPARE(f.widget->working()->picture()->has_alpha, 0);
    // The smallest steps the box shows count as a turn (the core may find
    // 0.01 degrees too small to move a pixel); a real angle grows the box.
    for (double angle : {0.01, -0.01, 30.0}) {
        rotation->setValue(angle);
        f.settle();
        QCOMPARE(f.widget->working()->picture()->has_alpha, 1);
    }
    QVERIFY(f.widget->working()->picture()->width > 101);
    QCOMPARE(f.pairs()[2].second, QStringLiteral("30.00"));
}

void StampImageTest::scaleAboveTheLimitIsRefused()
{
    const std::string logo = m_dir->file("square.bmp");
    QVERIFY(
        stamptest::write_bmp(logo, 200, 200, [](int, int) { return SN_PIXEL(255, 0, 0, 255); }));
    Fixture f;
    QVERIFY(f.op->setParams(pairs({{"imagefile", logo.c_str()}})));
    QSpinBox *scale = f.child<QSpinBox>("sbScale");
    QSpinBox *transparency = f.child<QSpinBox>("sbTransparency");
    // 20000 x 20000 would be a 1.6 GB copy: refused, logged, and said once.
    zvtest::LogCapture log;
    type_into(scale, QStringLiteral("10000"));
    type_into(transparency, QStringLiteral("35"));
    QCOMPARE(scale->value(), 10000);
    MsgAnswer::next(QDialogButtonBox::Ok);
    f.settle();
    QCOMPARE(MsgAnswer::seen(),
             QStringList{"Zandrevik|The picture scaled to 10000% would be larger than 64 "
                         "megapixels: it is not used."});
    QVERIFY(log.contains("scaled picture too large FAILED!"));
    QVERIFY(!f.widget->working()->picture());
    QVERIFY(f.widget->working()->refused());
    QCOMPARE(f.values()[1], std::string("35")); // the other settings stand
    QCOMPARE(f.pairs()[1].second, QStringLiteral("10000"));
    // Another edit at the same scale brings no second message.
    type_into(transparency, QStringLiteral("40"));
    f.settle();
    QCOMPARE(f.values()[1], std::string("40"));
    QCOMPARE(MsgAnswer::seen().size(), 1);
    // The filter fails each photo, left as it is, saying the picture is too
    // large; in a batch the output lacks the stamp, so the source stays.
    imagefilter_t *filter = f.op->createFilter(QString());
    zvtest::ImagePtr photo(stamptest::make_picture(20, 20, SN_PIXEL(255, 1, 2, 3)));
    QCOMPARE(imagefilter_execute(filter, photo.get()), -1);
    QCOMPARE(imagefilter_refusal(), IMAGEFILTER_REFUSED_TOO_LARGE);
    imagefilter_destroy(filter);
    QCOMPARE(photo->frames[0].rows[9][9], SN_PIXEL(255, 1, 2, 3));
    {
        const std::string source = m_dir->file("refused.bmp");
        QVERIFY(stamptest::write_bmp(source, 40, 30,
                                     [](int x, int y) { return SN_PIXEL(255, x, y, 9); }));
        zvtest::TempDir out;
        stamptest::BatchRun batch(f.op.get());
        batch.add(source);
        QVERIFY(batch.run(out.path(), true));
        QCOMPARE(batch.filterFailures(PHOTOBATCH_FAILED_TOO_LARGE),
                 std::vector<std::string>{"stamp"});
        QCOMPARE(batch.kept(), std::vector<intptr_t>{PHOTOBATCH_KEPT_FILTER_FAILED});
        QVERIFY(zvtest::file_exists(source));
        QCOMPARE(batch.outputs().size(), size_t(1));
    }
    // A scale within the limit makes the picture again.
    type_into(scale, QStringLiteral("500"));
    f.settle();
    QVERIFY(f.widget->working()->picture());
    QCOMPARE(f.widget->working()->picture()->width, 1000);
    QCOMPARE(MsgAnswer::seen().size(), 1);
    // Right at the limit's edge, without making the picture.
    bool tooLarge = false;
    QVERIFY(!picture_prepare(f.widget->loadedPicture().get(), 4001, 0.0, &tooLarge));
    QVERIFY(tooLarge);
}

// A profile's large picture turned freely (2000 x 2000 at 399 %, 33.3
// degrees: gigabytes and seconds on the interface thread) is refused from its
// size before the turn, as a turned text is: no picture is made, the message
// says why once, and the filter fails each photo. Turned within the bound it
// loads as before.
void StampImageTest::turnedPictureIsBoundedBeforeItTurns()
{
    const std::string logo = m_dir->file("large.bmp");
    QVERIFY(
        stamptest::write_bmp(logo, 2000, 2000, [](int, int) { return SN_PIXEL(255, 0, 0, 255); }));
    {
        Fixture f;
        zvtest::LogCapture log;
        MsgAnswer::next(QDialogButtonBox::Ok);
        QVERIFY(f.op->setParams(
            pairs({{"imagefile", logo.c_str()}, {"scale", "399"}, {"rotation", "33.30"}})));
        QCOMPARE(MsgAnswer::seen(),
                 QStringList{"Zandrevik|The picture turned by 33.30 degrees would cover more than "
                             "16 megapixels: it is not used."});
        QVERIFY(log.contains("turned picture too large FAILED!"));
        QVERIFY(!log.contains("scaled picture too large FAILED!"));
        QVERIFY(!f.widget->working()->picture());
        QVERIFY(f.widget->working()->refused());
        QCOMPARE(f.pairs()[1].second, QStringLiteral("399"));
        imagefilter_t *filter = f.op->createFilter(QString());
        zvtest::ImagePtr photo(stamptest::make_picture(20, 20, SN_PIXEL(255, 1, 2, 3)));
        QCOMPARE(imagefilter_execute(filter, photo.get()), -1);
        QCOMPARE(imagefilter_refusal(), IMAGEFILTER_REFUSED_TOO_LARGE);
        imagefilter_destroy(filter);
    }
    MsgAnswer::clear();
    {
        Fixture f;
        zvtest::LogCapture log;
        QVERIFY(f.op->setParams(
            pairs({{"imagefile", logo.c_str()}, {"scale", "100"}, {"rotation", "33.30"}})));
        QVERIFY(MsgAnswer::seen().isEmpty());
        QVERIFY(!log.contains("FAILED"));
        QVERIFY(f.widget->working()->picture());
        QVERIFY(f.widget->working()->picture()->width > 2000);
    }
}

// Load Profile and every edit only judge the picture's sizes: the scaled
// copy (seconds for a large picture at a large scale) is made by the first
// filter that runs, on the worker that runs it, once for the preview, the
// batch and every photo of one published set.
void StampImageTest::loadProfileLeavesThePictureToTheWorkers()
{
    {
        // 400 x 400 at 2000 % is 8000 x 8000, right at the scale's bound.
        const std::string large = m_dir->file("large400.bmp");
        QVERIFY(stamptest::write_bmp(large, 400, 400,
                                     [](int, int) { return SN_PIXEL(255, 0, 0, 255); }));
        Fixture f;
        zvtest::LogCapture log;
        QVERIFY(f.op->setParams(pairs({{"imagefile", large.c_str()}, {"scale", "2000"}})));
        QVERIFY(MsgAnswer::seen().isEmpty());
        QVERIFY(!log.contains("FAILED"));
        PictureRecipePtr recipe = f.widget->working();
        QVERIFY(recipe && !recipe->refused());
        QCOMPARE(f.stamp->params()->recipe, recipe);
        QVERIFY(!recipe->prepared());
        // Handing filters out (under the workflow's lock) makes nothing yet.
        imagefilter_t *made = f.op->createFilter(QString());
        QVERIFY(f.op->getFilter(QString()));
        imagefilter_destroy(made);
        QVERIFY(!recipe->prepared());
        // An edit that keeps the picture, scale and turn keeps the recipe.
        type_into(f.child<QSpinBox>("sbTransparency"), QStringLiteral("20"));
        f.settle();
        QCOMPARE(f.values()[1], std::string("20"));
        QCOMPARE(f.widget->working(), recipe);
        QVERIFY(!recipe->prepared());
    }
    Fixture f;
    const std::string small = m_dir->file("small10.bmp");
    QVERIFY(stamptest::write_bmp(small, 10, 10, [](int, int) { return SN_PIXEL(255, 255, 0, 0); }));
    QVERIFY(f.op->setParams(
        pairs({{"imagefile", small.c_str()}, {"scale", "200"}, {"transparency", "0"}})));
    PictureRecipePtr recipe = f.widget->working();
    QVERIFY(!recipe->prepared());
    const std::string source = m_dir->file("white.bmp");
    QVERIFY(stamptest::write_bmp(source, 100, 80,
                                 [](int, int) { return SN_PIXEL(255, 255, 255, 255); }));
    // right-10px, bottom-10px: the 20 x 20 copy covers (70..89, 50..69).
    auto stamped = [](const sn_image_t *image) {
        if (!image || image->width != 100 || image->height != 80)
            return false;
        uint32_t *const *rows = image->frames[0].rows;
        return SN_PIXEL_R(rows[50][70]) >= 250 && SN_PIXEL_G(rows[50][70]) < 10 &&
               rows[69][89] == rows[50][70] && rows[49][70] == rows[0][0] &&
               rows[50][69] == rows[0][0] && SN_PIXEL_G(rows[0][0]) >= 250;
    };
    {
        stamptest::PreviewRun preview(f.op.get(), {source}, 0);
        QVERIFY(preview.waitStage1());
        zvtest::ImagePtr stage(preview.copyStage(1));
        QVERIFY(stage);
        QVERIFY(stamped(stage.get()));
    }
    PicturePtr made = recipe->prepared();
    QVERIFY(made);
    QCOMPARE(made->width, 20);
    zvtest::TempDir out;
    stamptest::BatchRun batch(f.op.get());
    batch.add(source);
    QVERIFY(batch.run(out.path()));
    QCOMPARE(batch.outputs().size(), size_t(1));
    zvtest::ImagePtr result(sn_image_create_from_file(batch.outputs()[0].c_str(), -1));
    QVERIFY(stamped(result.get()));
    // The batch's filter ran with the copy the preview's made.
    QCOMPARE(recipe->prepared(), made);
    QCOMPARE(picturefilter_picture(f.op->getFilter(QString())), made);
}

void StampImageTest::anglesAreBroughtIntoOneTurn()
{
    struct Case {
        double angle, turn;
    } cases[] = {{-90, 270}, {-180, 180}, {-270, 90}, {360, 0}, {-360, 0}, {90, 90}};
    zvtest::ImagePtr source(stamptest::make_picture(7, 3, 0));
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 7; x++)
            source->frames[0].rows[y][x] = SN_PIXEL(255, x * 30, y * 80, 7);
    QCOMPARE(picture_angle(-0.01), 359.99);
    for (const Case &c : cases) {
        PicturePtr turned = picture_prepare(source.get(), 100, c.angle);
        zvtest::ImagePtr expected(sn_image_clone(source.get()));
        if (c.turn != 0)
            QCOMPARE(sn_image_rotate(expected.get(), c.turn, 0), 0);
        QVERIFY2(stamptest::same_pixels(turned.get(), expected.get()),
                 qPrintable(QString::number(c.angle)));
    }
}

void StampImageTest::filterStampsThePicture()
{
    Fixture f;
    const std::string small = m_dir->file("small.bmp");
    QVERIFY(stamptest::write_bmp(small, 10, 10, [](int, int) { return SN_PIXEL(255, 255, 0, 0); }));
    QVERIFY(f.op->setParams(pairs({{"imagefile", small.c_str()}, {"transparency", "0"}})));
    for (bool kept : {true, false}) {
        imagefilter_t *filter = kept ? f.op->getFilter(QString()) : f.op->createFilter(QString());
        QVERIFY(filter);
        QCOMPARE(imagefilter_get_name(filter), "stamp");
        zvtest::ImagePtr photo(stamptest::make_picture(100, 80, SN_PIXEL(255, 255, 255, 255)));
        QCOMPARE(imagefilter_execute(filter, photo.get()), 0);
        // right-10px, bottom-10px: the stamp covers (80..89, 60..69).
        const uint32_t inside = photo->frames[0].rows[65][85];
        QVERIFY(SN_PIXEL_R(inside) >= 250);
        QVERIFY(SN_PIXEL_G(inside) < 10);
        QCOMPARE(photo->frames[0].rows[65][79], SN_PIXEL(255, 255, 255, 255));
        QCOMPARE(photo->frames[0].rows[70][85], SN_PIXEL(255, 255, 255, 255));
        if (!kept)
            imagefilter_destroy(filter);
    }
    QCOMPARE(f.op->getFilter(QString()), f.op->getFilter(QString()));
}

void StampImageTest::fileDialogThroughTheSeam()
{
    Fixture f;
    QString caption, dir, filter;
    QString answer;
    Dialogs::hooks().openFileName = [&](QWidget *, const QString &c, const QString &d,
                                        const QString &fl) {
        caption = c;
        dir = d;
        filter = fl;
        return answer;
    };
    QPushButton *select = f.child<QPushButton>("btnImage");
    // Cancelled: nothing changes, no message.
    const int before = f.changes;
    QTest::mouseClick(select, Qt::LeftButton);
    QCOMPARE(caption, QStringLiteral("Open Image File"));
    QCOMPARE(filter, QStringLiteral("All Files (*);;Image Files (*.bmp *.png *.jpg *.gif)"));
    QVERIFY2(QFileInfo(dir).isDir(), qPrintable(dir));
    QCOMPARE(f.changes, before);
    QVERIFY(MsgAnswer::seen().isEmpty());
    QVERIFY(!f.widget->loadedPicture());

    answer = m_logo;
    QTest::mouseClick(select, Qt::LeftButton);
    QCOMPARE(f.changes, before + 1);
    QVERIFY(f.widget->loadedPicture());
    QCOMPARE(f.child<QLineEdit>("edtImage")->text(), m_logo);
    QCOMPARE(f.pairs()[0], qMakePair(QStringLiteral("imagefile"), m_logo));
    QCOMPARE(stamptest::filtered_picture(f.op.get()), f.widget->working()->picture());
    QVERIFY(MsgAnswer::seen().isEmpty());
}

// A file dialog given a folder that does not exist starts in its parent with
// the folder's name in the name box: the desktop names a pictures folder even
// where none was made. Qt's own dialog stands in for the platform's here.
void StampImageTest::selectStartsInPicturesElseHome()
{
    const QString home = QString::fromStdString(m_dir->file("home"));
    const QString pictures = home + QStringLiteral("/Pictures");
    QVERIFY(QDir().mkpath(home));
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home));
    // No user-dirs file: the pictures folder is home's "Pictures".
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/config")));
    struct Seen {
        QString caption, folder, name;
    } seen;
    Dialogs::hooks().openFileName = [&](QWidget *parent, const QString &caption, const QString &dir,
                                        const QString &filter) {
        QFileDialog dialog(parent, caption, dir, filter);
        seen.caption = dialog.windowTitle();
        seen.folder = dialog.directory().absolutePath();
        QLineEdit *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        seen.name = name ? name->text() : QStringLiteral("<no name box>");
        return QString();
    };
    Fixture f;
    for (bool made : {false, true}) {
        if (made)
            QVERIFY(QDir().mkpath(pictures));
        seen = Seen();
        QTest::mouseClick(f.child<QPushButton>("btnImage"), Qt::LeftButton);
        QCOMPARE(seen.caption, QStringLiteral("Open Image File"));
        QCOMPARE(seen.folder, made ? pictures : home);
        QCOMPARE(seen.name, QString());
    }
    Dialogs::reset();
    qputenv("HOME", oldHome);
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
    QVERIFY(QDir(home).removeRecursively());
}

void StampImageTest::fileThatDoesNotLoad()
{
    Fixture f;
    const std::string junk = m_dir->file("junk.png");
    QVERIFY(zvtest::write_file(junk, std::string("not a picture at all")));
    QString answer = m_logo;
    Dialogs::hooks().openFileName = [&](QWidget *, const QString &, const QString &,
                                        const QString &) { return answer; };
    QTest::mouseClick(f.child<QPushButton>("btnImage"), Qt::LeftButton);
    const PicturePtr loaded = f.widget->loadedPicture();
    const std::vector<std::string> values = f.values();
    answer = QString::fromStdString(junk);
    MsgAnswer::next(QDialogButtonBox::Ok);
    QTest::mouseClick(f.child<QPushButton>("btnImage"), Qt::LeftButton);
    QCOMPARE(MsgAnswer::seen(), QStringList{QStringLiteral("Zandrevik|Load Stamp Image FAILED!")});
    QCOMPARE(f.widget->loadedPicture(), loaded);
    QCOMPARE(f.values(), values);
    QCOMPARE(f.stamp->imagePath(), m_logo);
    QCOMPARE(f.child<QLineEdit>("edtImage")->text(), m_logo);
}

void StampImageTest::pathsThatAreNotFiles()
{
    const std::string fifo = m_dir->file("pipe.bmp");
    QCOMPARE(mkfifo(fifo.c_str(), 0600), 0);
    Fixture f;
    for (const std::string &path : {fifo, m_dir->path(), std::string("/dev/zero")}) {
        QString answer = QString::fromStdString(path);
        Dialogs::hooks().openFileName = [&](QWidget *, const QString &, const QString &,
                                            const QString &) { return answer; };
        MsgAnswer::next(QDialogButtonBox::Ok);
        QTest::mouseClick(f.child<QPushButton>("btnImage"), Qt::LeftButton);
        QCOMPARE(MsgAnswer::seen().last(), QStringLiteral("Zandrevik|Load Stamp Image FAILED!"));
        QVERIFY(!f.op->setParams(pairs({{"imagefile", path.c_str()}})));
        QVERIFY(!f.widget->loadedPicture());
    }
}

void StampImageTest::profileRoundTrip()
{
    Fixture f;
    QVERIFY(f.op->setParams(pairs({{"name", "stamp_image"},
                                   {"imagefile", m_logo.toUtf8().constData()},
                                   {"scale", "250"},
                                   {"rotation", "12.5"},
                                   {"transparency", "25"},
                                   {"x_pos", "left--5px"},
                                   {"y_pos", "middle-7%"},
                                   {"unknown", "1"}})));
    const OperationParamList saved = f.pairs();
    QCOMPARE(saved, pairs({{"imagefile", m_logo.toUtf8().constData()},
                           {"scale", "250"},
                           {"rotation", "12.50"},
                           {"transparency", "25"},
                           {"x_pos", "left--5px"},
                           {"y_pos", "middle-7%"}}));
    Fixture g;
    QVERIFY(g.op->setParams(saved));
    QCOMPARE(g.pairs(), saved);
    QCOMPARE(g.values()[2], std::string("left--5px"));
    // Numbers out of range or not numbers are limited by their controls.
    QVERIFY(g.op->setParams(pairs({{"scale", "abc"}, {"transparency", "150"}, {"rotation", "x"}})));
    QCOMPARE(g.pairs()[1].second, QStringLiteral("1"));
    QCOMPARE(g.pairs()[2].second, QStringLiteral("0.00"));
    QCOMPARE(g.pairs()[3].second, QStringLiteral("99"));
}

void StampImageTest::profileWhoseImageIsGone()
{
    Fixture f;
    QVERIFY(f.op->setParams(pairs({{"imagefile", m_logo.toUtf8().constData()}})));
    const PicturePtr loaded = f.widget->loadedPicture();
    const QString gone = QString::fromStdString(m_dir->file("gone.png"));
    QVERIFY(!f.op->setParams(
        OperationParamList{qMakePair(QStringLiteral("imagefile"), gone),
                           qMakePair(QStringLiteral("scale"), QStringLiteral("40")),
                           qMakePair(QStringLiteral("transparency"), QStringLiteral("10"))}));
    QVERIFY(MsgAnswer::seen().isEmpty());
    QCOMPARE(f.pairs()[0].second, gone);
    QCOMPARE(f.pairs()[1].second, QStringLiteral("40"));
    QCOMPARE(f.values()[1], std::string("10"));
    QCOMPARE(f.widget->loadedPicture(), loaded);
    QCOMPARE(f.child<QLineEdit>("edtImage")->text(), m_logo);
}

void StampImageTest::batchWithoutPictureLeavesPhotosAlone()
{
    Fixture f;
    const std::string missing = m_dir->file("missing.png");
    QVERIFY(!f.op->setParams(pairs({{"imagefile", missing.c_str()}})));
    zvtest::TempDir out;
    std::vector<std::string> sources;
    for (int i = 0; i < 3; i++) {
        sources.push_back(m_dir->file("photo" + std::to_string(i) + ".bmp"));
        QVERIFY(stamptest::write_bmp(sources.back(), 40, 30,
                                     [i](int x, int y) { return SN_PIXEL(255, x * 5, y * 7, i); }));
    }
    stamptest::BatchRun batch(f.op.get());
    for (const std::string &s : sources)
        batch.add(s);
    QVERIFY(batch.run(out.path()));
    // Nothing to draw is not a failure: no failure line for any photo.
    QVERIFY(batch.filterFailures().empty());
    const std::vector<std::string> outputs = batch.outputs();
    QCOMPARE(outputs.size(), size_t(3));
    for (size_t i = 0; i < 3; i++) {
        zvtest::ImagePtr in(sn_image_create_from_file(sources[i].c_str(), -1));
        zvtest::ImagePtr result(sn_image_create_from_file(outputs[i].c_str(), -1));
        QVERIFY(stamptest::same_pixels(in.get(), result.get()));
    }
}

void StampImageTest::germanTexts()
{
    stamptest::German german;
    QVERIFY(german.loaded());
    Fixture f;
    QCOMPARE(f.child<QPushButton>("btnImage")->text(), QStringLiteral("Auswählen"));
    QCOMPARE(f.child<QComboBox>("cmbXPos")->itemText(2), QStringLiteral("Rechts"));
    QCOMPARE(f.child<QComboBox>("cmbXPos")->currentIndex(), 2);
    for (const char *context : {"COperationWidget_stamp_image", "COperationWidget_watermark_image"})
        QCOMPARE(QCoreApplication::translate(
                     context, "The picture scaled to %1% would be larger than %2 megapixels: it "
                              "is not used."),
                 QStringLiteral("Das auf %1% skalierte Bild wäre größer als %2 Megapixel: es wird "
                                "nicht verwendet."));
    QString caption;
    Dialogs::hooks().openFileName = [&](QWidget *, const QString &c, const QString &,
                                        const QString &) {
        caption = c;
        return QString();
    };
    QTest::mouseClick(f.child<QPushButton>("btnImage"), Qt::LeftButton);
    QCOMPARE(caption, QStringLiteral("Bilddatei öffnen"));
    // The failure text is never translated.
    const std::string junk = m_dir->file("junk2.bmp");
    QVERIFY(zvtest::write_file(junk, std::string("BM junk")));
    Dialogs::hooks().openFileName = [&](QWidget *, const QString &, const QString &,
                                        const QString &) { return QString::fromStdString(junk); };
    MsgAnswer::next(QDialogButtonBox::Ok);
    QTest::mouseClick(f.child<QPushButton>("btnImage"), Qt::LeftButton);
    QCOMPARE(MsgAnswer::seen(), QStringList{QStringLiteral("Zandrevik|Load Stamp Image FAILED!")});
}

QTEST_MAIN(StampImageTest)
#include "stamp_image_test.moc"
