// The crop operation: what each widget action writes, what loaded pairs do
// to the widget, the deferred apply of typed numbers, units that limit
// without converting, and one run of its filter.
#include "crop.h"
#include "optest.h"

#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>

#include <functional>

using namespace optest;

class CropTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sn_image_init();
        use_fake_clock();
    }
    void beforeWidget();
    void actions();
    void loading();
    void deferredEdge();
    void filterRun();
};

static const QStringList k_fresh = {"crop_by=left_top_right_bottom",
                                    "left=0px",
                                    "top=0px",
                                    "right=0px",
                                    "bottom=0px",
                                    "width=",
                                    "height=",
                                    "x_offset=",
                                    "y_offset="};

void CropTest::beforeWidget()
{
    COperation_crop op;
    QStringList empty = {"crop_by=", "left=",   "top=",      "right=",   "bottom=",
                         "width=",   "height=", "x_offset=", "y_offset="};
    QCOMPARE(pairs(&op), empty);
    QVERIFY(!op.setParams(parse_pairs({"crop_by=width_height_offset"})));
    QCOMPARE(pairs(&op), empty);
}

void CropTest::actions()
{
    struct Case {
        const char *name;
        std::function<void(QWidget *)> act;
        QStringList expect;
        bool immediate;               // written before any tick
        QStringList before = k_fresh; // what stands until the tick
    } cases[] = {
        {"nothing", [](QWidget *) {}, k_fresh, true},
        {"offset mode",
         [](QWidget *w) { child<QRadioButton>(w, "rbWidthHeightOffset")->click(); },
         {"crop_by=width_height_offset", "left=0px", "top=0px", "right=0px", "bottom=0px",
          "width=720px", "height=576px", "x_offset=50%", "y_offset=50%"},
         true},
        {"width/height to percent limits, never converts",
         [](QWidget *w) {
             child<QRadioButton>(w, "rbLeftTopWidthHeight")->click();
             child<QComboBox>(w, "cmbWidthHeight")->setCurrentIndex(1);
         },
         {"crop_by=left_top_width_height", "left=0px", "top=0px", "right=0px", "bottom=0px",
          "width=100%", "height=100%", "x_offset=", "y_offset="},
         true},
        {"left typed",
         [](QWidget *w) { type_into(child<QSpinBox>(w, "sbLeft"), "25"); },
         {"crop_by=left_top_right_bottom", "left=25px", "top=0px", "right=0px", "bottom=0px",
          "width=", "height=", "x_offset=", "y_offset="},
         false},
        {"right/bottom percent",
         [](QWidget *w) {
             child<QComboBox>(w, "cmbRightBottom")->setCurrentIndex(1);
             type_into(child<QSpinBox>(w, "sbBottom"), "30");
         },
         {"crop_by=left_top_right_bottom", "left=0px", "top=0px", "right=0%", "bottom=30%",
          "width=", "height=", "x_offset=", "y_offset="},
         false,
         {"crop_by=left_top_right_bottom", "left=0px", "top=0px", "right=0%", "bottom=0%",
          "width=", "height=", "x_offset=", "y_offset="}},
        {"percent then back keeps the limited number",
         [](QWidget *w) {
             child<QRadioButton>(w, "rbWidthHeightOffset")->click();
             child<QComboBox>(w, "cmbWidthHeight")->setCurrentIndex(1);
             child<QComboBox>(w, "cmbWidthHeight")->setCurrentIndex(0);
         },
         {"crop_by=width_height_offset", "left=0px", "top=0px", "right=0px", "bottom=0px",
          "width=100px", "height=100px", "x_offset=50%", "y_offset=50%"},
         true},
    };
    for (const Case &c : cases) {
        Made made;
        make(made, "crop");
        QVERIFY2(made.widget, c.name);
        made.widget->show();
        const int before = made.changes.count;
        c.act(made.widget);
        if (!c.immediate) {
            QCOMPARE(pairs(made.op.get()), c.before);
            tick_at(made.widget, now() + 601);
        }
        QVERIFY2(pairs(made.op.get()) == c.expect,
                 qPrintable(QString::fromLatin1(c.name) + ": " +
                            pairs(made.op.get()).join(QLatin1Char(' '))));
        if (c.expect != k_fresh)
            QVERIFY2(made.changes.count > before, c.name);
    }
}

void CropTest::loading()
{
    struct Case {
        const char *name;
        QStringList load;
        QStringList expect;
        const char *unitCombo;
        int unit;
        const char *box;
        int value;
        bool enabled;
    } cases[] = {
        {"offset mode in pixels",
         {"name=crop", "crop_by=width_height_offset", "width=640px", "height=480px",
          "x_offset=300px", "y_offset=10px"},
         {"crop_by=width_height_offset", "left=0px", "top=0px", "right=0px", "bottom=0px",
          "width=640px", "height=480px", "x_offset=300px", "y_offset=10px"},
         "cmbOffset",
         0,
         "sbXOffset",
         300,
         true},
        {"empty width gives 0 pixels",
         {"crop_by=left_top_width_height", "width="},
         {"crop_by=left_top_width_height", "left=0px", "top=0px", "right=0px", "bottom=0px",
          "width=0px", "height=576px", "x_offset=", "y_offset="},
         "cmbWidthHeight",
         0,
         "sbWidth",
         0,
         true},
        {"percent selects its unit and limits by it only",
         {"left=150%", "top=20%"},
         {"crop_by=left_top_right_bottom", "left=100%", "top=20%", "right=0px", "bottom=0px",
          "width=", "height=", "x_offset=", "y_offset="},
         "cmbLeftTop",
         1,
         "sbTop",
         20,
         true},
        {"a large pixel number after percent is not cut to 100",
         {"left=10%", "left=640px"},
         {"crop_by=left_top_right_bottom", "left=640px", "top=0px", "right=0px", "bottom=0px",
          "width=", "height=", "x_offset=", "y_offset="},
         "cmbLeftTop",
         0,
         "sbLeft",
         640,
         true},
        {"unknown mode and keys change nothing",
         {"crop_by=diagonal", "angle=90", "Left=5px"},
         k_fresh,
         "cmbLeftTop",
         0,
         "sbWidth",
         720,
         false},
    };
    for (const Case &c : cases) {
        Made made;
        make(made, "crop");
        QVERIFY(made.op->setParams(parse_pairs(c.load)));
        QVERIFY2(pairs(made.op.get()) == c.expect,
                 qPrintable(QString::fromLatin1(c.name) + ": " +
                            pairs(made.op.get()).join(QLatin1Char(' '))));
        QCOMPARE(child<QComboBox>(made.widget, c.unitCombo)->currentIndex(), c.unit);
        QSpinBox *box = child<QSpinBox>(made.widget, c.box);
        QCOMPARE(box->value(), c.value);
        QCOMPARE(box->isEnabled(), c.enabled);
    }
}

void CropTest::deferredEdge()
{
    Made made;
    make(made, "crop");
    made.widget->show();
    QSpinBox *left = child<QSpinBox>(made.widget, "sbLeft");
    const int64_t t = now();
    left->setValue(7);
    tick_at(made.widget, t + 600);
    QCOMPARE(pairs(made.op.get())[1], QStringLiteral("left=0px"));
    const int before = made.changes.count;
    tick_at(made.widget, t + 601);
    QCOMPARE(pairs(made.op.get())[1], QStringLiteral("left=7px"));
    QCOMPARE(made.changes.count, before + 1);

    // A second edit within the pause postpones the apply.
    const int64_t u = now();
    left->setValue(8);
    now() = u + 300;
    left->setValue(9);
    tick_at(made.widget, u + 601);
    QCOMPARE(pairs(made.op.get())[1], QStringLiteral("left=7px"));
    tick_at(made.widget, u + 901);
    QCOMPARE(pairs(made.op.get())[1], QStringLiteral("left=9px"));
    QCOMPARE(static_cast<COperationWidget *>(made.widget)->deadline(), int64_t(-1));
}

void CropTest::filterRun()
{
    Made made;
    make(made, "crop");
    QVERIFY(made.op->setParams(parse_pairs({"crop_by=width_height_offset", "width=50%",
                                            "height=50%", "x_offset=50%", "y_offset=50%"})));
    zvtest::ImagePtr image = solid(20, 10, SN_PIXEL(255, 1, 2, 3));
    imagefilter_t *filter = made.op->createFilter(QString());
    QVERIFY(filter);
    QCOMPARE(imagefilter_execute(filter, image.get()), 0);
    imagefilter_destroy(filter);
    QCOMPARE(image->width, 10);
    QCOMPARE(image->height, 5);
}

QTEST_MAIN(CropTest)
#include "crop_test.moc"
