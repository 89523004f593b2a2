// The registry: fifteen kinds in their order with their texts and their
// factories, exact-name lookup, and the kinds without settings with their
// base behaviour.
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
    // The texts as the user reads them; saved translations key on them, so
    // each one, typos included, stays as it is.
    static const struct {
        const char *name, *category, *title, *description, *filter;
    } kinds[] = {
        {"crop", "Image", "Crop", "Cuts a rectangular subregion from the photo", "crop"},
        {"flip", "Image", "Flip", "Flips the photo in a vertical/horizontal direction", "flip"},
        {"resize", "Image", "Resize", "Adjusts photos size by pixels or percents", "resize"},
        {"roll", "Image", "Roll",
         "Rolls photos vertically or horizontally by a specified number of pixels or percents",
         "roll"},
        {"rotate", "Image", "Rotate", "Rotates the photo by a specified number of degrees",
         "rotate"},
        {"auto_contrast", "Color", "AutoContrast", "Automatically adjusts the photo's contrast",
         "auto_contrast"},
        {"coloration", "Color", "Coloration", "Colorate photos with specified color", "coloration"},
        {"equalize", "Color", "Equalize", "Applies a histogram equalization to the picture",
         "equalize"},
        {"gray", "Color", "Gray", "Transforms photos colors form true colors to grayscale colors",
         "gray"},
        {"negative", "Color", "Negative",
         "Replaces every pixel of the photo with it's complementary color", "negative"},
        {"swap_colors", "Color", "Swap Colors", "Changes the RGB channels order to your specified",
         "swap_colors"},
        {"stamp_text", "Stamp", "Stamp Text", "Add an single line text to photos", "stamp"},
        {"stamp_image", "Stamp", "Stamp Image", "Add an image to photos", "stamp"},
        {"watermark_text", "Watermark", "Watermark Text", "Add a watermark text to photos",
         "watermark"},
        {"watermark_image", "Watermark", "Watermark Image", "Add a watermark image to photos",
         "watermark"},
    };
    int count = 0;
    for (const operation_info_t *e = operation_registry; e->name; e++, count++) {
        QVERIFY(count < 15);
        const auto &kind = kinds[count];
        QCOMPARE(QString::fromUtf8(e->name), QString::fromUtf8(kind.name));
        QCOMPARE(e->category, QString::fromUtf8(kind.category));
        QCOMPARE(e->title(), QString::fromUtf8(kind.title));
        QCOMPARE(e->description(), QString::fromUtf8(kind.description));
        const QPixmap icon = e->icon();
        QVERIFY2(!icon.isNull(), e->name);
        QVERIFY(icon.width() >= 76 && icon.height() >= 76);

        // The factory makes an operation of this very kind, whose filters are
        // of the kind's filter: four kinds share two filters, so only the
        // operation's own entry tells a stamp from a stamp.
        std::unique_ptr<CAbstractOperation> op(e->create());
        QVERIFY2(op, e->name);
        QCOMPARE(op->info(), e);
        QWidget *widget = op->getWidget(nullptr);
        QVERIFY2(widget, e->name);
        imagefilter_t *filter = op->createFilter(QString());
        QVERIFY2(filter, e->name);
        QCOMPARE(QString::fromLatin1(imagefilter_get_name(filter)), QString::fromUtf8(kind.filter));
        imagefilter_destroy(filter);
    }
    QCOMPARE(count, 15);
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
