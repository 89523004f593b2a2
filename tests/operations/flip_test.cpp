// The flip operation: check boxes apply at once, loaded pairs set them, and
// one run of its filter.
#include "flip.h"
#include "optest.h"

#include <QCheckBox>

using namespace optest;

class FlipTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sn_image_init();
    }
    void beforeWidget();
    void actions();
    void loading();
    void filterRun();
};

void FlipTest::beforeWidget()
{
    COperation_flip op;
    QCOMPARE(pairs(&op), QStringList({"horizontal=", "vertical="}));
    QVERIFY(!op.setParams(parse_pairs({"horizontal=1"})));
}

void FlipTest::actions()
{
    struct Case {
        bool horizontal, vertical;
        QStringList expect;
    } cases[] = {
        {false, false, {"horizontal=0", "vertical=0"}},
        {true, false, {"horizontal=1", "vertical=0"}},
        {false, true, {"horizontal=0", "vertical=1"}},
        {true, true, {"horizontal=1", "vertical=1"}},
    };
    for (const Case &c : cases) {
        Made made;
        make(made, "flip");
        const int before = made.changes.count;
        if (c.horizontal)
            child<QCheckBox>(made.widget, "chbHorizontal")->click();
        if (c.vertical)
            child<QCheckBox>(made.widget, "chbVertical")->click();
        QCOMPARE(pairs(made.op.get()), c.expect);
        QCOMPARE(made.changes.count, before + int(c.horizontal) + int(c.vertical));
    }
}

void FlipTest::loading()
{
    struct Case {
        QStringList load;
        bool horizontal, vertical;
    } cases[] = {
        {{"name=flip", "horizontal=1", "vertical=0"}, true, false},
        {{"horizontal=yes", "vertical=1"}, false, true},
        {{"horizontal=2", "vertical=-1"}, false, false},
        {{"horizontal=1", "horizontal=0"}, false, false},
    };
    for (const Case &c : cases) {
        Made made;
        make(made, "flip");
        child<QCheckBox>(made.widget, "chbHorizontal")->setChecked(true);
        QVERIFY(made.op->setParams(parse_pairs(c.load)));
        QCOMPARE(child<QCheckBox>(made.widget, "chbHorizontal")->isChecked(), c.horizontal);
        QCOMPARE(child<QCheckBox>(made.widget, "chbVertical")->isChecked(), c.vertical);
        QCOMPARE(pairs(made.op.get()), QStringList({c.horizontal ? "horizontal=1" : "horizontal=0",
                                                    c.vertical ? "vertical=1" : "vertical=0"}));
    }
}

void FlipTest::filterRun()
{
    Made made;
    make(made, "flip");
    child<QCheckBox>(made.widget, "chbHorizontal")->click();
    zvtest::ImagePtr image = solid(3, 1, SN_PIXEL(255, 0, 0, 0));
    sn_image_get_frame(image.get(), 0)[0][0] = SN_PIXEL(255, 200, 0, 0);
    imagefilter_t *filter = made.op->getFilter(QString());
    QVERIFY(filter);
    QCOMPARE(imagefilter_execute(filter, image.get()), 0);
    QCOMPARE(sn_image_get_frame(image.get(), 0)[0][2], SN_PIXEL(255, 200, 0, 0));
}

QTEST_MAIN(FlipTest)
#include "flip_test.moc"
