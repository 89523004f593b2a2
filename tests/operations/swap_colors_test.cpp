// The swap-colours operation: channel letters from the chosen index (also
// under a translation of the items), exact lower-case loading, and one run
// of its filter.
#include "optest.h"
#include "swap_colors.h"

#include <QComboBox>

using namespace optest;

class SwapColorsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sn_image_init();
    }
    void fresh();
    void actions();
    void loading();
    void lettersNotItemTexts();
    void filterRun();
};

void SwapColorsTest::fresh()
{
    COperation_swap_colors op;
    QCOMPARE(pairs(&op), QStringList({"r=", "g=", "b="}));
    QVERIFY(!op.setParams(parse_pairs({"r=b"})));
    op.getWidget(nullptr);
    QCOMPARE(pairs(&op), QStringList({"r=r", "g=g", "b=b"}));
}

void SwapColorsTest::actions()
{
    Made made;
    make(made, "swap_colors");
    QComboBox *red = child<QComboBox>(made.widget, "cmbRedTo");
    int before = made.changes.count;
    red->setCurrentIndex(0);
    QCOMPARE(made.changes.count, before);
    red->setCurrentIndex(2);
    QCOMPARE(made.changes.count, before + 1);
    child<QComboBox>(made.widget, "cmbBlueTo")->setCurrentIndex(0);
    QCOMPARE(pairs(made.op.get()), QStringList({"r=b", "g=g", "b=r"}));
}

void SwapColorsTest::loading()
{
    struct Case {
        QStringList load;
        QStringList expect;
        int red, green, blue;
    } cases[] = {
        {{"r=b"}, {"r=b", "g=g", "b=b"}, 2, 1, 2},
        {{"r=B"}, {"r=r", "g=g", "b=b"}, 0, 1, 2},
        {{"name=swap_colors", "r=g", "g=b", "b=r"}, {"r=g", "g=b", "b=r"}, 1, 2, 0},
        {{"g=x", "q=b"}, {"r=r", "g=r", "b=b"}, 0, 0, 2},
    };
    for (const Case &c : cases) {
        Made made;
        make(made, "swap_colors");
        QVERIFY(made.op->setParams(parse_pairs(c.load)));
        QCOMPARE(pairs(made.op.get()), c.expect);
        QCOMPARE(child<QComboBox>(made.widget, "cmbRedTo")->currentIndex(), c.red);
        QCOMPARE(child<QComboBox>(made.widget, "cmbGreenTo")->currentIndex(), c.green);
        QCOMPARE(child<QComboBox>(made.widget, "cmbBlueTo")->currentIndex(), c.blue);
    }
}

void SwapColorsTest::lettersNotItemTexts()
{
    // A translation may call the items anything; the letters stay.
    Made made;
    make(made, "swap_colors");
    QComboBox *green = child<QComboBox>(made.widget, "cmbGreenTo");
    for (int i = 0; i < 3; i++)
        green->setItemText(i, QStringLiteral("Kanal %1").arg(i));
    green->setCurrentIndex(2);
    QCOMPARE(pairs(made.op.get()), QStringList({"r=r", "g=b", "b=b"}));
}

void SwapColorsTest::filterRun()
{
    Made made;
    make(made, "swap_colors");
    QVERIFY(made.op->setParams(parse_pairs({"r=b", "b=r"})));
    zvtest::ImagePtr image = solid(2, 1, SN_PIXEL(255, 10, 20, 30));
    imagefilter_t *filter = made.op->createFilter(QString());
    QVERIFY(filter);
    QCOMPARE(imagefilter_execute(filter, image.get()), 0);
    imagefilter_destroy(filter);
    QCOMPARE(sn_image_get_frame(image.get(), 0)[0][1], SN_PIXEL(255, 30, 20, 10));
}

QTEST_MAIN(SwapColorsTest)
#include "swap_colors_test.moc"
