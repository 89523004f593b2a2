// The rotate operation: values written only on a change, the radios and
// the free angle, the colour dialog at the next tick, loaded pairs, reals
// with a point under a comma locale, and one run of its filter.
#include "dialogs.h"
#include "optest.h"
#include "rotate.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <functional>

using namespace optest;

class RotateTest : public QObject
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
        QLocale::setDefault(QLocale::c());
    }
    void beforeWidget();
    void actions();
    void loading();
    void colourAtNextTick();
    void deferredEdge();
    void commaLocale();
    void filterRun();
};

void RotateTest::beforeWidget()
{
    COperation_rotate op;
    QCOMPARE(pairs(&op), QStringList({"angle=", "background_color="}));
    QVERIFY(!op.setParams(parse_pairs({"angle=90"})));
}

void RotateTest::actions()
{
    struct Case {
        const char *name;
        std::function<void(QWidget *)> act;
        QStringList expect;
        bool typed;
    } cases[] = {
        {"nothing", [](QWidget *) {}, {"angle=", "background_color="}, false},
        {"+90",
         [](QWidget *w) { child<QRadioButton>(w, "rbr90")->click(); },
         {"angle=90.00", "background_color=0xFFFFFFFF"},
         false},
        {"+90 then free 0",
         [](QWidget *w) {
             child<QRadioButton>(w, "rbr90")->click();
             child<QRadioButton>(w, "rbFree")->click();
         },
         {"angle=0.00", "background_color=0xFFFFFFFF"},
         false},
        {"-90",
         [](QWidget *w) { child<QRadioButton>(w, "rbl90")->click(); },
         {"angle=-90.00", "background_color=0xFFFFFFFF"},
         false},
        {"+180",
         [](QWidget *w) { child<QRadioButton>(w, "rbr180")->click(); },
         {"angle=180.00", "background_color=0xFFFFFFFF"},
         false},
        {"typed degrees",
         [](QWidget *w) { type_into(child<QDoubleSpinBox>(w, "sbDegrees"), "12.5"); },
         {"angle=12.50", "background_color=0xFFFFFFFF"},
         true},
    };
    for (const Case &c : cases) {
        Made made;
        make(made, "rotate");
        made.widget->show();
        c.act(made.widget);
        if (c.typed) {
            QCOMPARE(pairs(made.op.get()), QStringList({"angle=", "background_color="}));
            tick_at(made.widget, now() + 601);
        }
        QVERIFY2(pairs(made.op.get()) == c.expect,
                 qPrintable(QString::fromLatin1(c.name) + ": " +
                            pairs(made.op.get()).join(QLatin1Char(' '))));
    }
}

void RotateTest::loading()
{
    struct Case {
        const char *name;
        QStringList load;
        QStringList expect;
        const char *radio;
        double degrees;
    } cases[] = {
        {"-90", {"angle=-90.00"}, {"angle=-90.00", "background_color=0xFFFFFFFF"}, "rbl90", 0},
        {"45.50", {"angle=45.50"}, {"angle=45.50", "background_color=0xFFFFFFFF"}, "rbFree", 45.5},
        {"empty writes nothing",
         {"angle=", "background_color="},
         {"angle=", "background_color="},
         "rbFree",
         0},
        {"180 with a colour",
         {"name=rotate", "angle=180", "background_color=0x00000080"},
         {"angle=180.00", "background_color=0x00000080"},
         "rbr180",
         0},
        {"beyond the range is limited",
         {"angle=720"},
         {"angle=360.00", "background_color=0xFFFFFFFF"},
         "rbFree",
         360},
        {"rounded to two decimals",
         {"angle=1.005e1"},
         {"angle=10.05", "background_color=0xFFFFFFFF"},
         "rbFree",
         10.05},
    };
    for (const Case &c : cases) {
        Made made;
        make(made, "rotate");
        QVERIFY(made.op->setParams(parse_pairs(c.load)));
        QVERIFY2(pairs(made.op.get()) == c.expect,
                 qPrintable(QString::fromLatin1(c.name) + ": " +
                            pairs(made.op.get()).join(QLatin1Char(' '))));
        QVERIFY2(child<QRadioButton>(made.widget, c.radio)->isChecked(), c.name);
        QCOMPARE(child<QDoubleSpinBox>(made.widget, "sbDegrees")->value(), c.degrees);
    }
}

void RotateTest::colourAtNextTick()
{
    Made made;
    make(made, "rotate");
    QColorDialog::ColorDialogOptions options;
    Dialogs::hooks().color = [&options](const QColor &, QWidget *, const QString &,
                                        QColorDialog::ColorDialogOptions o) {
        options = o;
        return QColor(255, 0, 0, 255);
    };
    const int before = made.changes.count;
    child<QPushButton>(made.widget, "btnColor")->click();
    QCOMPARE(options, QColorDialog::ColorDialogOptions(QColorDialog::ShowAlphaChannel));
    QCOMPARE(child<QLabel>(made.widget, "lbColor")->styleSheet(),
             QStringLiteral("background-color: rgba(255, 0, 0, 100%);"));
    QCOMPARE(pairs(made.op.get()), QStringList({"angle=", "background_color="}));
    tick_at(made.widget, now() + 1);
    QCOMPARE(pairs(made.op.get()), QStringList({"angle=0.00", "background_color=0x0000FFFF"}));
    QCOMPARE(made.changes.count, before + 1);
    // Nothing changed since: a further update writes nothing and calls nobody.
    static_cast<COperationWidget *>(made.widget)->updateParams();
    QCOMPARE(made.changes.count, before + 1);

    Dialogs::hooks().color = [](const QColor &, QWidget *, const QString &,
                                QColorDialog::ColorDialogOptions) { return QColor(); };
    child<QPushButton>(made.widget, "btnColor")->click();
    tick_at(made.widget, now() + 1000);
    QCOMPARE(made.changes.count, before + 1);
}

void RotateTest::deferredEdge()
{
    Made made;
    make(made, "rotate");
    QDoubleSpinBox *degrees = child<QDoubleSpinBox>(made.widget, "sbDegrees");
    const int64_t t = now();
    degrees->setValue(30);
    tick_at(made.widget, t + 600);
    QCOMPARE(pairs(made.op.get())[0], QStringLiteral("angle="));
    tick_at(made.widget, t + 601);
    QCOMPARE(pairs(made.op.get())[0], QStringLiteral("angle=30.00"));
    const int64_t u = now();
    degrees->setValue(31);
    now() = u + 200;
    degrees->setValue(32);
    tick_at(made.widget, u + 601);
    QCOMPARE(pairs(made.op.get())[0], QStringLiteral("angle=30.00"));
    tick_at(made.widget, u + 801);
    QCOMPARE(pairs(made.op.get())[0], QStringLiteral("angle=32.00"));
}

void RotateTest::commaLocale()
{
    zvtest::TempDir dir;
    zvtest::CommaLocale comma(dir);
    QVERIFY2(!comma.failed(), comma.skip_reason().c_str());
    if (!comma.skip_reason().empty())
        QSKIP(comma.skip_reason().c_str());
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Made made;
    make(made, "rotate");
    QVERIFY(made.op->setParams(parse_pairs({"angle=45.50"})));
    QCOMPARE(pairs(made.op.get())[0], QStringLiteral("angle=45.50"));
    QCOMPARE(child<QDoubleSpinBox>(made.widget, "sbDegrees")->value(), 45.5);
    child<QDoubleSpinBox>(made.widget, "sbDegrees")->setValue(-12.25);
    tick_at(made.widget, now() + 601);
    QCOMPARE(pairs(made.op.get())[0], QStringLiteral("angle=-12.25"));
}

void RotateTest::filterRun()
{
    Made made;
    make(made, "rotate");
    QVERIFY(made.op->setParams(parse_pairs({"angle=90"})));
    zvtest::ImagePtr image = solid(6, 3, SN_PIXEL(255, 9, 9, 9));
    imagefilter_t *filter = made.op->createFilter(QString());
    QVERIFY(filter);
    QCOMPARE(imagefilter_execute(filter, image.get()), 0);
    imagefilter_destroy(filter);
    QCOMPARE(image->width, 3);
    QCOMPARE(image->height, 6);
}

QTEST_MAIN(RotateTest)
#include "rotate_test.moc"
