// The registry: fifteen kinds in their order, exact-name lookup, and the
// kinds without settings with their base behaviour.
#include "filter/imagefilter.h"
#include "image/sn_image.h"
#include "nosettings.h"
#include "operation.h"

#include <QLabel>
#include <QtTest>

class RegistryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sn_image_init();
    }
    void fifteenKindsInOrder();
    void lookupIsExact();
    void kindsWithoutSettings();
};

void RegistryTest::fifteenKindsInOrder()
{
    static const char *const names[] = {
        "crop",          "flip",       "resize",      "roll",           "rotate",
        "auto_contrast", "coloration", "equalize",    "gray",           "negative",
        "swap_colors",   "stamp_text", "stamp_image", "watermark_text", "watermark_image"};
    static const char *const categories[] = {"Image", "Image", "Image", "Image",     "Image",
                                             "Color", "Color", "Color", "Color",     "Color",
                                             "Color", "Stamp", "Stamp", "Watermark", "Watermark"};
    int count = 0;
    for (const operation_info_t *e = operation_registry; e->name; e++, count++) {
        QVERIFY(count < 15);
        QCOMPARE(QString::fromUtf8(e->name), QString::fromUtf8(names[count]));
        QCOMPARE(e->category, QString::fromUtf8(categories[count]));
        QVERIFY(!e->title().isEmpty());
        QVERIFY(!e->description().isEmpty());
        const QPixmap icon = e->icon();
        QVERIFY2(!icon.isNull(), e->name);
        QVERIFY(icon.width() >= 76 && icon.height() >= 76);
    }
    QCOMPARE(count, 15);
    QCOMPARE(operation_registry[0].title(), QStringLiteral("Crop"));
    QCOMPARE(operation_registry[3].description(),
             QStringLiteral("Rolls photos vertically or horizontally by a specified number of "
                            "pixels or percents"));
    QCOMPARE(operation_registry[9].description(),
             QStringLiteral("Replaces every pixel of the photo with it's complementary color"));
    QCOMPARE(operation_registry[12].title(), QStringLiteral("Stamp Image"));
    QCOMPARE(operation_registry[8].description(),
             QStringLiteral("Transforms photos colors form true colors to grayscale colors"));
    QVERIFY(operation_registry[15].category.isEmpty());
}

void RegistryTest::lookupIsExact()
{
    QCOMPARE(operation_registry_find(QStringLiteral("rotate")), &operation_registry[4]);
    QCOMPARE(operation_registry_find(QStringLiteral("watermark_image")), &operation_registry[14]);
    for (const char *name : {"Crop", "crop ", "", " crop", "CROP"})
        QVERIFY2(!operation_registry_find(QString::fromUtf8(name)), name);
}

void RegistryTest::kindsWithoutSettings()
{
    for (const char *name : {"auto_contrast", "equalize", "gray", "negative"}) {
        const operation_info_t *info = operation_registry_find(QString::fromUtf8(name));
        QVERIFY(info);
        std::unique_ptr<CAbstractOperation> op(info->create());
        QVERIFY(op);
        QCOMPARE(op->info(), info);

        OperationParamList params;
        params << qMakePair(QStringLiteral("angle"), QStringLiteral("90"));
        QVERIFY(op->setParams(params));
        QVERIFY(op->getParams(params));
        QVERIFY(params.isEmpty());

        QWidget parent, other;
        QWidget *widget = op->getWidget(&parent);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget(), &parent);
        QCOMPARE(op->getWidget(&other), widget);
        QLabel *label = widget->findChild<QLabel *>(QStringLiteral("label"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("There are no settings for this operation"));
        widget->setParent(nullptr); // the operation owns and deletes it

        imagefilter_t *kept = op->getFilter(QString());
        QVERIFY(kept);
        QCOMPARE(op->getFilter(QString()), kept);
        imagefilter_t *a = op->createFilter(QString());
        imagefilter_t *b = op->createFilter(QString());
        QVERIFY(a && b && a != b && a != kept);

        sn_image_t *image = sn_image_create(4, 3, 1);
        QVERIFY(image);
        QVERIFY(sn_image_allocate_frame(image, 0) == 0);
        QCOMPARE(imagefilter_execute(a, image), 0);
        sn_image_destroy(image);
        imagefilter_destroy(a);
        imagefilter_destroy(b);
    }
}

QTEST_MAIN(RegistryTest)
#include "registry_test.moc"
