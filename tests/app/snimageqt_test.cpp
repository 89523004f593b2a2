// Tests of the one conversion from engine pictures to Qt pictures: the exact
// and the display formats with and without alpha, a picture large enough to
// be converted in bands, the spare that is written over only when nothing
// else shares it, and pictures without pixels.
#include "image/sn_image.h"
#include "snimageqt.h"
#include "zv_test.h"

#include <QSemaphore>
#include <QThreadPool>
#include <QtTest>

namespace
{

sn_image_t *makeImage(int width, int height, bool alpha)
{
    return zvtest::make_image(width, height, alpha, [](int x, int y) {
        return SN_PIXEL((x * 13 + y) & 0xFF, (x * 7) & 0xFF, (y * 3) & 0xFF, (x ^ y) & 0xFF);
    });
}

QRgb expected(const sn_image_t *image, int x, int y)
{
    const uint32_t p = image->frames[0].rows[y][x];
    return qRgba((int)SN_PIXEL_R(p), (int)SN_PIXEL_G(p), (int)SN_PIXEL_B(p),
                 image->has_alpha ? (int)SN_PIXEL_A(p) : 255);
}

} // namespace

class SnImageQtTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sn_image_init();
    }
    void formatsAndPixels_data();
    void formatsAndPixels();
    void aBusyPoolLeavesTheBandsToTheCaller();
    void spareIsWrittenOverOnlyWhenUnshared();
    void noPixelsGiveANullImage();
};

void SnImageQtTest::formatsAndPixels_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<bool>("display");
    QTest::addColumn<int>("format");
    QTest::newRow("exact opaque") << 9 << 4 << false << false << (int)QImage::Format_ARGB32;
    QTest::newRow("exact alpha") << 9 << 4 << true << false << (int)QImage::Format_ARGB32;
    QTest::newRow("display opaque") << 9 << 4 << false << true << (int)QImage::Format_RGB32;
    QTest::newRow("display alpha")
        << 9 << 4 << true << true << (int)QImage::Format_ARGB32_Premultiplied;
    // Over a million pixels: converted in bands, whose edges must meet.
    QTest::newRow("banded opaque") << 1201 << 1003 << false << true << (int)QImage::Format_RGB32;
    QTest::newRow("banded alpha") << 1201 << 1003 << true << false << (int)QImage::Format_ARGB32;
    // Three million: three bands on the pool, a height that they do not
    // divide evenly.
    QTest::newRow("three bands premultiplied")
        << 2048 << 1537 << true << true << (int)QImage::Format_ARGB32_Premultiplied;
}

void SnImageQtTest::formatsAndPixels()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, alpha);
    QFETCH(bool, display);
    QFETCH(int, format);
    sn_image_t *image = makeImage(width, height, alpha);
    QVERIFY(image);
    const QImage picture =
        snImageToQImage(image, display ? SnImageUse::Display : SnImageUse::Exact);
    QCOMPARE((int)picture.format(), format);
    QCOMPARE(picture.size(), QSize(width, height));
    bool same = true;
    for (int y = 0; y < height && same; y++)
        for (int x = 0; x < width && same; x++) {
            const QRgb want = expected(image, x, y);
            const QRgb got = picture.pixel(x, y);
            // A premultiplied picture's pixel() is its stored, premultiplied word.
            same = got == (display && alpha ? qPremultiply(want) : want);
            if (!same)
                qWarning("pixel %d,%d: %08x, want %08x", x, y, got, want);
        }
    QVERIFY(same);
    sn_image_destroy(image);
}

void SnImageQtTest::aBusyPoolLeavesTheBandsToTheCaller()
{
    // Every thread of the pool held by a task that waits for the test: the
    // conversion must neither wait for a thread nor leave a band undone.
    QThreadPool *pool = QThreadPool::globalInstance();
    QSemaphore gate;
    int held = 0;
    while (pool->tryStart([&gate] { gate.acquire(); }))
        held++;
    QVERIFY(held > 0);
    sn_image_t *image = makeImage(2048, 1537, false);
    QVERIFY(image);
    const QImage picture = snImageToQImage(image, SnImageUse::Display);
    gate.release(held);
    QCOMPARE(picture.size(), QSize(2048, 1537));
    for (int y : {0, 512, 513, 1024, 1025, 1536})
        for (int x : {0, 2047})
            QCOMPARE(picture.pixel(x, y), expected(image, x, y));
    sn_image_destroy(image);
    pool->waitForDone();
}

void SnImageQtTest::spareIsWrittenOverOnlyWhenUnshared()
{
    sn_image_t *image = makeImage(6, 5, false);
    QVERIFY(image);
    QImage spare(6, 5, QImage::Format_RGB32);
    spare.fill(Qt::red);
    const uchar *bits = spare.constBits();
    QImage picture = snImageToQImage(image, SnImageUse::Display, std::move(spare));
    QCOMPARE(picture.constBits(), bits);
    QCOMPARE(picture.pixel(2, 3), expected(image, 2, 3));

    // Shared, of another size or of another format: a new picture, and the
    // spare's owner keeps its pixels.
    const QImage shared = picture;
    QImage other = snImageToQImage(image, SnImageUse::Display, shared);
    QVERIFY(other.constBits() != shared.constBits());
    QImage small(5, 5, QImage::Format_RGB32);
    QVERIFY(snImageToQImage(image, SnImageUse::Display, small).constBits() != small.constBits());
    QImage straight(6, 5, QImage::Format_ARGB32);
    QVERIFY(snImageToQImage(image, SnImageUse::Display, straight).constBits() !=
            straight.constBits());
    sn_image_destroy(image);
}

void SnImageQtTest::noPixelsGiveANullImage()
{
    QVERIFY(snImageToQImage(nullptr, SnImageUse::Exact).isNull());
    sn_image_t *bare = sn_image_create(4, 4, 1); // no frame allocated
    QVERIFY(bare);
    QVERIFY(snImageToQImage(bare, SnImageUse::Display).isNull());
    sn_image_destroy(bare);
    // Rows a QImage cannot hold (over 2 GiB a row) are refused before any
    // allocation.
    sn_image_t *huge = sn_image_create(700000000, 2, 1);
    QVERIFY(huge);
    static uint32_t *fakeRows[2] = {nullptr, nullptr};
    huge->frames[0].rows = fakeRows;
    QVERIFY(snImageToQImage(huge, SnImageUse::Exact).isNull());
    huge->frames[0].rows = nullptr;
    sn_image_destroy(huge);
}

QTEST_MAIN(SnImageQtTest)
#include "snimageqt_test.moc"
