// The coloration operation: the fresh tint, the colour dialog (accepted at
// once, cancelled without effect), loaded channels, and one run of its
// filter.
#include "coloration.h"
#include "dialogs.h"
#include "optest.h"

#include <QLabel>
#include <QPushButton>

using namespace optest;

class ColorationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sn_image_init();
    }
    void cleanup()
    {
        Dialogs::reset();
    }
    void fresh();
    void dialog();
    void loading();
    void filterRun();
};

void ColorationTest::fresh()
{
    COperation_coloration op;
    QCOMPARE(pairs(&op), QStringList({"r=", "g=", "b="}));
    QVERIFY(!op.setParams(parse_pairs({"r=1"})));
    QWidget *widget = op.getWidget(nullptr);
    QCOMPARE(pairs(&op), QStringList({"r=255", "g=153", "b=0"}));
    QCOMPARE(child<QLabel>(widget, "lbColor")->styleSheet(),
             QStringLiteral("background-color: #ff9900;"));
}

void ColorationTest::dialog()
{
    Made made;
    make(made, "coloration");
    Dialogs::hooks().color = [](const QColor &, QWidget *, const QString &,
                                QColorDialog::ColorDialogOptions) { return QColor(); };
    int before = made.changes.count;
    child<QPushButton>(made.widget, "btnColor")->click();
    QCOMPARE(made.changes.count, before);
    QCOMPARE(pairs(made.op.get()), QStringList({"r=255", "g=153", "b=0"}));

    QColor offered;
    QColorDialog::ColorDialogOptions options(QColorDialog::ShowAlphaChannel);
    Dialogs::hooks().color = [&](const QColor &initial, QWidget *, const QString &,
                                 QColorDialog::ColorDialogOptions o) {
        offered = initial;
        options = o;
        return QColor(1, 2, 3);
    };
    child<QPushButton>(made.widget, "btnColor")->click();
    QCOMPARE(offered, QColor(255, 153, 0));
    // The coloration works on the colour alone.
    QCOMPARE(options, QColorDialog::ColorDialogOptions());
    QCOMPARE(pairs(made.op.get()), QStringList({"r=1", "g=2", "b=3"}));
    QCOMPARE(made.changes.count, before + 1);
    QCOMPARE(child<QLabel>(made.widget, "lbColor")->styleSheet(),
             QStringLiteral("background-color: #010203;"));
}

void ColorationTest::loading()
{
    struct Case {
        QStringList load;
        QStringList expect;
        const char *swatch;
    } cases[] = {
        {{"r=10", "g=20", "b=30"}, {"r=10", "g=20", "b=30"}, "#0a141e"},
        {{"g=0"}, {"r=255", "g=0", "b=0"}, "#ff0000"},
        {{"name=coloration", "r=red", "x=5"}, {"r=0", "g=153", "b=0"}, "#009900"},
        {{"r=300", "b=-4"}, {"r=255", "g=153", "b=0"}, "#ff9900"},
    };
    for (const Case &c : cases) {
        Made made;
        make(made, "coloration");
        QVERIFY(made.op->setParams(parse_pairs(c.load)));
        QCOMPARE(pairs(made.op.get()), c.expect);
        QCOMPARE(child<QLabel>(made.widget, "lbColor")->styleSheet(),
                 QStringLiteral("background-color: %1;").arg(QLatin1String(c.swatch)));
    }
}

void ColorationTest::filterRun()
{
    Made made;
    make(made, "coloration");
    QVERIFY(made.op->setParams(parse_pairs({"r=255", "g=0", "b=0"})));
    zvtest::ImagePtr image = solid(2, 2, SN_PIXEL(200, 30, 60, 90));
    imagefilter_t *filter = made.op->getFilter(QString());
    QVERIFY(filter);
    QCOMPARE(imagefilter_execute(filter, image.get()), 0);
    QCOMPARE(sn_image_get_frame(image.get(), 0)[1][1], SN_PIXEL(200, 60, 0, 0));
}

QTEST_MAIN(ColorationTest)
#include "coloration_test.moc"
