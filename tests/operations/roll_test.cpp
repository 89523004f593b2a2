// The roll operation: which box feeds which key, units that limit without
// converting, the deferred apply, loaded pairs, and one run of its filter.
#include "optest.h"
#include "roll.h"

#include <QRadioButton>
#include <QSpinBox>

#include <functional>

using namespace optest;

class RollTest : public QObject
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

void RollTest::beforeWidget()
{
    COperation_roll op;
    QCOMPARE(pairs(&op), QStringList({"x=", "y="}));
    QVERIFY(!op.setParams(parse_pairs({"x=5px"})));
}

void RollTest::actions()
{
    struct Case {
        const char *name;
        std::function<void(QWidget *)> act;
        QStringList expect;
        bool typed;
    } cases[] = {
        {"nothing", [](QWidget *) {}, {"x=0px", "y=0px"}, false},
        {"horizontal feeds x",
         [](QWidget *w) { type_into(child<QSpinBox>(w, "sbHorizontal"), "12"); },
         {"x=12px", "y=0px"},
         true},
        {"vertical feeds y",
         [](QWidget *w) { type_into(child<QSpinBox>(w, "sbVertical"), "34"); },
         {"x=0px", "y=34px"},
         true},
        {"250 px become 100 percent at once",
         [](QWidget *w) {
             child<QSpinBox>(w, "sbHorizontal")->setValue(250);
             child<QRadioButton>(w, "rbPercents")->click();
         },
         {"x=100%", "y=0%"},
         false},
    };
    for (const Case &c : cases) {
        Made made;
        make(made, "roll");
        made.widget->show();
        c.act(made.widget);
        if (c.typed) {
            QCOMPARE(pairs(made.op.get()), QStringList({"x=0px", "y=0px"}));
            tick_at(made.widget, now() + 601);
        }
        QVERIFY2(pairs(made.op.get()) == c.expect,
                 qPrintable(QString::fromLatin1(c.name) + ": " +
                            pairs(made.op.get()).join(QLatin1Char(' '))));
    }
}

void RollTest::loading()
{
    struct Case {
        QStringList load;
        QStringList expect;
        bool percent;
        int horizontal, vertical;
        bool startPercent;
    } cases[] = {
        {{"x=10%", "y=20%"}, {"x=10%", "y=20%"}, true, 10, 20, false},
        {{"x=10px", "y=20px"}, {"x=10px", "y=20px"}, false, 10, 20, false},
        {{"x=10px", "y=20%"}, {"x=10%", "y=20%"}, true, 10, 20, false},
        {{"x=640px", "y=480px"}, {"x=640px", "y=480px"}, false, 640, 480, true},
        {{"name=roll", "x=right", "z=5px"}, {"x=0px", "y=0px"}, false, 0, 0, false},
    };
    for (const Case &c : cases) {
        Made made;
        make(made, "roll");
        if (c.startPercent)
            child<QRadioButton>(made.widget, "rbPercents")->click();
        QVERIFY(made.op->setParams(parse_pairs(c.load)));
        QCOMPARE(pairs(made.op.get()), c.expect);
        QCOMPARE(child<QRadioButton>(made.widget, "rbPercents")->isChecked(), c.percent);
        QCOMPARE(child<QSpinBox>(made.widget, "sbHorizontal")->value(), c.horizontal);
        QCOMPARE(child<QSpinBox>(made.widget, "sbVertical")->value(), c.vertical);
    }
}

void RollTest::deferredEdge()
{
    Made made;
    make(made, "roll");
    QSpinBox *box = child<QSpinBox>(made.widget, "sbVertical");
    const int64_t t = now();
    box->setValue(5);
    tick_at(made.widget, t + 600);
    QCOMPARE(pairs(made.op.get())[1], QStringLiteral("y=0px"));
    const int before = made.changes.count;
    tick_at(made.widget, t + 601);
    QCOMPARE(pairs(made.op.get())[1], QStringLiteral("y=5px"));
    QCOMPARE(made.changes.count, before + 1);
    tick_at(made.widget, t + 2000);
    QCOMPARE(made.changes.count, before + 1);
}

void RollTest::filterRun()
{
    Made made;
    make(made, "roll");
    QVERIFY(made.op->setParams(parse_pairs({"x=1px", "y=0px"})));
    zvtest::ImagePtr image = solid(4, 1, SN_PIXEL(255, 0, 0, 0));
    sn_image_get_frame(image.get(), 0)[0][1] = SN_PIXEL(255, 77, 0, 0);
    imagefilter_t *filter = made.op->createFilter(QString());
    QVERIFY(filter);
    QCOMPARE(imagefilter_execute(filter, image.get()), 0);
    imagefilter_destroy(filter);
    QCOMPARE(sn_image_get_frame(image.get(), 0)[0][0], SN_PIXEL(255, 77, 0, 0));
}

QTEST_MAIN(RollTest)
#include "roll_test.moc"
