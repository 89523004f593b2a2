// The resize operation: what each widget action writes, what loaded pairs
// do to the widget, the deferred apply of typed numbers and of an accepted
// colour, units that limit without converting, and one run of its filter.
#include "dialogs.h"
#include "optest.h"
#include "resize.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <functional>

using namespace optest;

class ResizeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sn_image_init();
        use_fake_clock();
    }
    void cleanup()
    {
        Dialogs::reset();
    }
    void beforeWidget();
    void actions();
    void loading();
    void colourDialog();
    void deferredEdge();
    void filterRun();
};

static const QStringList k_fresh = {"width=100%", "height=100%", "keep_aspect=none",
                                    "padding_color="};

void ResizeTest::beforeWidget()
{
    COperation_resize op;
    QCOMPARE(pairs(&op), QStringList({"width=", "height=", "keep_aspect=", "padding_color="}));
    QVERIFY(!op.setParams(parse_pairs({"width=5px"})));
}

void ResizeTest::actions()
{
    struct Case {
        const char *name;
        std::function<void(QWidget *)> act;
        QStringList expect;
        bool typed;
    } cases[] = {
        {"nothing", [](QWidget *) {}, k_fresh, false},
        {"pixels keep the numbers",
         [](QWidget *w) { child<QRadioButton>(w, "rbPixels")->click(); },
         {"width=100px", "height=100px", "keep_aspect=none", "padding_color="},
         false},
        {"padding with white",
         [](QWidget *w) {
             child<QRadioButton>(w, "rbpadding")->setChecked(true);
             child<QGroupBox>(w, "gbpKeepAspect")->setChecked(true);
         },
         {"width=100%", "height=100%", "keep_aspect=padding", "padding_color=0xFFFFFFFF"},
         false},
        {"padding then unchecked",
         [](QWidget *w) {
             child<QRadioButton>(w, "rbpadding")->setChecked(true);
             child<QGroupBox>(w, "gbpKeepAspect")->setChecked(true);
             child<QGroupBox>(w, "gbpKeepAspect")->setChecked(false);
         },
         k_fresh, false},
        {"cropping",
         [](QWidget *w) {
             child<QGroupBox>(w, "gbpKeepAspect")->setChecked(true);
             child<QRadioButton>(w, "rbCropping")->click();
         },
         {"width=100%", "height=100%", "keep_aspect=cropping", "padding_color="},
         false},
        {"fixed height",
         [](QWidget *w) {
             child<QGroupBox>(w, "gbpKeepAspect")->setChecked(true);
             child<QRadioButton>(w, "rbFixedHeight")->click();
         },
         {"width=100%", "height=100%", "keep_aspect=fixed_height", "padding_color="},
         false},
        {"typed width",
         [](QWidget *w) { type_into(child<QSpinBox>(w, "sbWidth"), "640"); },
         {"width=640%", "height=100%", "keep_aspect=none", "padding_color="},
         true},
        {"20000 pixels become 10000 percent",
         [](QWidget *w) {
             child<QRadioButton>(w, "rbPixels")->click();
             child<QSpinBox>(w, "sbWidth")->setValue(20000);
             child<QRadioButton>(w, "rbPercents")->click();
         },
         {"width=10000%", "height=100%", "keep_aspect=none", "padding_color="},
         false},
    };
    for (const Case &c : cases) {
        Made made;
        make(made, "resize");
        made.widget->show();
        c.act(made.widget);
        if (c.typed) {
            QCOMPARE(pairs(made.op.get()), k_fresh);
            tick_at(made.widget, now() + 601);
        }
        QVERIFY2(pairs(made.op.get()) == c.expect,
                 qPrintable(QString::fromLatin1(c.name) + ": " +
                            pairs(made.op.get()).join(QLatin1Char(' '))));
    }
}

void ResizeTest::loading()
{
    struct Case {
        const char *name;
        QStringList load;
        QStringList expect;
        bool pixels;
        bool group;
        const char *mode;
        int width, height;
    } cases[] = {
        {"pixels with cropping",
         {"name=resize", "width=800px", "height=600px", "keep_aspect=cropping"},
         {"width=800px", "height=600px", "keep_aspect=cropping", "padding_color="},
         true,
         true,
         "rbCropping",
         800,
         600},
        {"none leaves the group unchecked",
         {"keep_aspect=none"},
         k_fresh,
         false,
         false,
         "rbFixedWidth",
         100,
         100},
        {"padding colour read",
         {"width=50%", "height=25%", "keep_aspect=padding", "padding_color=0x00FF0080"},
         {"width=50%", "height=25%", "keep_aspect=padding", "padding_color=0x00FF0080"},
         false,
         true,
         "rbpadding",
         50,
         25},
        {"short colour text leaves the colour",
         {"keep_aspect=padding", "padding_color=0xFF"},
         {"width=100%", "height=100%", "keep_aspect=padding", "padding_color=0xFFFFFFFF"},
         false,
         true,
         "rbpadding",
         100,
         100},
        {"no number gives the lowest",
         {"width=wide", "height=600px"},
         {"width=1px", "height=600px", "keep_aspect=none", "padding_color="},
         true,
         false,
         "rbFixedWidth",
         1,
         600},
        {"a large pixel number after percent is not cut",
         {"width=640px", "height=480px"},
         {"width=640px", "height=480px", "keep_aspect=none", "padding_color="},
         true,
         false,
         "rbFixedWidth",
         640,
         480},
    };
    for (const Case &c : cases) {
        Made made;
        make(made, "resize");
        QVERIFY(made.op->setParams(parse_pairs(c.load)));
        QVERIFY2(pairs(made.op.get()) == c.expect,
                 qPrintable(QString::fromLatin1(c.name) + ": " +
                            pairs(made.op.get()).join(QLatin1Char(' '))));
        QCOMPARE(child<QRadioButton>(made.widget, "rbPixels")->isChecked(), c.pixels);
        QCOMPARE(child<QGroupBox>(made.widget, "gbpKeepAspect")->isChecked(), c.group);
        QVERIFY(child<QRadioButton>(made.widget, c.mode)->isChecked());
        QCOMPARE(child<QSpinBox>(made.widget, "sbWidth")->value(), c.width);
        QCOMPARE(child<QSpinBox>(made.widget, "sbHeight")->value(), c.height);
    }
}

void ResizeTest::colourDialog()
{
    Made made;
    make(made, "resize");
    made.op->setParams(parse_pairs({"keep_aspect=padding"}));
    QLabel *swatch = child<QLabel>(made.widget, "lbColor");
    const QString swatchBefore = swatch->styleSheet();

    // Cancelled: nothing changes, nothing applies.
    Dialogs::hooks().color = [](const QColor &, QWidget *, const QString &,
                                QColorDialog::ColorDialogOptions) { return QColor(); };
    const int before = made.changes.count;
    child<QPushButton>(made.widget, "btnColor")->click();
    tick_at(made.widget, now() + 1000);
    QCOMPARE(made.changes.count, before);
    QCOMPARE(swatch->styleSheet(), swatchBefore);

    // Accepted: the swatch at once, the value at the next tick.
    QColor offered;
    QColorDialog::ColorDialogOptions options;
    Dialogs::hooks().color = [&](const QColor &initial, QWidget *, const QString &,
                                 QColorDialog::ColorDialogOptions o) {
        offered = initial;
        options = o;
        return QColor(10, 20, 30, 128);
    };
    child<QPushButton>(made.widget, "btnColor")->click();
    QCOMPARE(offered, QColor(Qt::white));
    QCOMPARE(options, QColorDialog::ColorDialogOptions(QColorDialog::ShowAlphaChannel));
    QCOMPARE(swatch->styleSheet(), QStringLiteral("background-color: rgba(10, 20, 30, 50%);"));
    QCOMPARE(pairs(made.op.get())[3], QStringLiteral("padding_color=0xFFFFFFFF"));
    tick_at(made.widget, now() + 1);
    QCOMPARE(pairs(made.op.get())[3], QStringLiteral("padding_color=0x1E140A80"));
    QCOMPARE(made.changes.count, before + 1);
}

void ResizeTest::deferredEdge()
{
    Made made;
    make(made, "resize");
    QSpinBox *height = child<QSpinBox>(made.widget, "sbHeight");
    const int64_t t = now();
    height->setValue(30);
    tick_at(made.widget, t + 600);
    QCOMPARE(pairs(made.op.get())[1], QStringLiteral("height=100%"));
    tick_at(made.widget, t + 601);
    QCOMPARE(pairs(made.op.get())[1], QStringLiteral("height=30%"));
    const int64_t u = now();
    height->setValue(40);
    now() = u + 500;
    height->setValue(41);
    tick_at(made.widget, u + 601);
    QCOMPARE(pairs(made.op.get())[1], QStringLiteral("height=30%"));
    tick_at(made.widget, u + 1101);
    QCOMPARE(pairs(made.op.get())[1], QStringLiteral("height=41%"));
}

void ResizeTest::filterRun()
{
    Made made;
    make(made, "resize");
    QVERIFY(made.op->setParams(parse_pairs({"width=8px", "height=8px", "keep_aspect=padding"})));
    zvtest::ImagePtr image = solid(16, 8, SN_PIXEL(255, 0, 0, 0));
    imagefilter_t *filter = made.op->getFilter(QString());
    QVERIFY(filter);
    QCOMPARE(made.op->getFilter(QString()), filter);
    QCOMPARE(imagefilter_execute(filter, image.get()), 0);
    QCOMPARE(image->width, 8);
    QCOMPARE(image->height, 8);
    // Padding rows above and below in opaque white.
    QCOMPARE(sn_image_get_frame(image.get(), 0)[0][4], SN_PIXEL(255, 255, 255, 255));
    QCOMPARE(sn_image_get_frame(image.get(), 0)[4][4], SN_PIXEL(255, 0, 0, 0));
}

QTEST_MAIN(ResizeTest)
#include "resize_test.moc"
