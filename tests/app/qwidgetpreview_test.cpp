// Tests of the preview display on the page's own form: the pixel copy of a
// stage (opaque and with alpha), the label of the visible tab, stages that
// are missing or too large for a QImage, the scroll areas, and the square
// size hint. Stages are put into a preview engine whose worker stays
// disabled, so nothing but the test changes them.
#include "fmainworkflow.h"
#include "photobatch.h"
#include "preview.h"
#include "qwidgetpreview.h"
#include "base/sn_thread.h"
#include "zv_test.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

namespace
{

sn_image_t *makeStage(int width, int height, bool alpha, uint32_t seed)
{
    return zvtest::make_image(width, height, alpha, [seed](int x, int y) {
        return SN_PIXEL((x * 40 + 7) & 0xFF, (x * 17 + seed) & 0xFF, (y * 29) & 0xFF, 200);
    });
}

} // namespace

// A stage past a megapixel reaches the display through its copier thread: on
// a busy machine under a sanitizer that took 6.5 s.
static const int k_wait_ms = 120000;
class QWidgetPreviewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void stageGoesToTheVisibleTabWithItsAlpha();
    void missingStageOrEngineLeavesTheLabel();
    void stageTooLargeForAQImageIsSkipped();
    void largeStageIsCopiedOffTheInterfaceThread();
    void scrollAreasCentreOrScroll();
    void sizeHintIsASquareOfTheHeight();

private:
    void putStage(int stage, sn_image_t *image);
    QLabel *label(const char *name)
    {
        return m_display->findChild<QLabel *>(QLatin1String(name));
    }

    FMainWorkflow *m_page = nullptr;
    QWidgetPreview *m_display = nullptr;
    QTabWidget *m_tabs = nullptr;
    preview_t *m_preview = nullptr;
};

void QWidgetPreviewTest::initTestCase()
{
    sn_image_init();
    QVERIFY(photobatch_create_instance() == 0);
}

void QWidgetPreviewTest::init()
{
    m_page = new FMainWorkflow;
    m_page->resize(790, 558);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page));
    m_page->stopPreview(); // the page's own engine would compete with the test's stages
    m_display = m_page->findChild<QWidgetPreview *>(QStringLiteral("widgetPreview"));
    QVERIFY(m_display);
    QVERIFY(!m_display->preview());
    m_tabs = m_display->findChild<QTabWidget *>(QStringLiteral("twPreview"));
    QVERIFY(m_tabs);
    m_preview = preview_create(nullptr, nullptr, nullptr); // never enabled
    QVERIFY(m_preview);
    m_display->setPreview(m_preview);
}

void QWidgetPreviewTest::cleanup()
{
    delete m_page;
    m_page = nullptr;
    QCOMPARE(preview_destroy(m_preview), 0);
    m_preview = nullptr;
}

void QWidgetPreviewTest::putStage(int stage, sn_image_t *image)
{
    sn_thread_mutex_lock(m_preview->mutex);
    sn_image_t *old = m_preview->images[stage];
    m_preview->images[stage] = image;
    sn_thread_mutex_unlock(m_preview->mutex);
    sn_image_destroy(old);
}

void QWidgetPreviewTest::stageGoesToTheVisibleTabWithItsAlpha()
{
    QCOMPARE(m_tabs->currentIndex(), 2); // the form opens on "Result"
    QCOMPARE(m_tabs->tabPosition(), QTabWidget::South);
    QCOMPARE(m_tabs->tabText(0), QStringLiteral("Original"));
    QCOMPARE(m_tabs->tabText(1), QStringLiteral("Current"));
    QCOMPARE(m_tabs->tabText(2), QStringLiteral("Result"));
    for (const char *name : {"lbOriginal", "lbCurrent", "lbFinal"})
        QVERIFY(label(name)->pixmap(Qt::ReturnByValue).isNull());

    struct Case {
        int tab;
        bool alpha;
        const char *label;
        const char *content;
    } cases[] = {
        {0, false, "lbOriginal", "saWidgetOriginal"},
        {1, true, "lbCurrent", "saWidgetCurrent"},
        {2, true, "lbFinal", "saWidgetFinal"},
    };
    for (const Case &c : cases) {
        sn_image_t *stage = makeStage(7, 5, c.alpha, (uint32_t)c.tab);
        putStage(3, stage);
        m_tabs->setCurrentIndex(c.tab);
        const QPixmap before[3] = {label("lbOriginal")->pixmap(Qt::ReturnByValue),
                                   label("lbCurrent")->pixmap(Qt::ReturnByValue),
                                   label("lbFinal")->pixmap(Qt::ReturnByValue)};
        m_display->on_previewChange(3);
        QImage shown = label(c.label)
                           ->pixmap(Qt::ReturnByValue)
                           .toImage()
                           .convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown.size(), QSize(7, 5));
        // The expected picture takes the same way into a pixmap and back, so
        // that the pixmap's premultiplied rounding cancels out.
        QImage want(7, 5, QImage::Format_ARGB32);
        for (int y = 0; y < 5; y++)
            for (int x = 0; x < 7; x++) {
                const uint32_t p = stage->frames[0].rows[y][x];
                want.setPixel(x, y,
                              qRgba(SN_PIXEL_R(p), SN_PIXEL_G(p), SN_PIXEL_B(p),
                                    c.alpha ? SN_PIXEL_A(p) : 255));
            }
        QCOMPARE(shown, QPixmap::fromImage(want).toImage().convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(shown.pixel(0, 0) >> 24, c.alpha ? 7u : 255u);
        // The content holds the label and its 2-pixel margins, so that the
        // label keeps the whole picture once the layout has run.
        QWidget *content = m_display->findChild<QWidget *>(QLatin1String(c.content));
        QCOMPARE(content->minimumSize(), QSize(11, 9));
        QCOMPARE(content->maximumSize(), QSize(11, 9));
        QCoreApplication::processEvents();
        QCOMPARE(label(c.label)->size(), QSize(7, 5));
        // The other tabs keep what they showed.
        const char *names[3] = {"lbOriginal", "lbCurrent", "lbFinal"};
        for (int other = 0; other < 3; other++)
            if (other != c.tab)
                QVERIFY(label(names[other])->pixmap(Qt::ReturnByValue).cacheKey() ==
                        before[other].cacheKey());
    }
}

void QWidgetPreviewTest::missingStageOrEngineLeavesTheLabel()
{
    putStage(0, makeStage(4, 4, false, 1));
    m_display->on_previewChange(0);
    const qint64 shown = label("lbFinal")->pixmap(Qt::ReturnByValue).cacheKey();
    for (int stage : {1, 64, 65, -1})
        m_display->on_previewChange(stage);
    QCOMPARE(label("lbFinal")->pixmap(Qt::ReturnByValue).cacheKey(), shown);
    m_display->setPreview(nullptr);
    putStage(0, makeStage(9, 9, false, 2));
    m_display->on_previewChange(0);
    QCOMPARE(label("lbFinal")->pixmap(Qt::ReturnByValue).cacheKey(), shown);
}

void QWidgetPreviewTest::stageTooLargeForAQImageIsSkipped()
{
    putStage(0, makeStage(4, 4, false, 1));
    m_display->on_previewChange(0);
    const qint64 shown = label("lbFinal")->pixmap(Qt::ReturnByValue).cacheKey();

    // A header whose rows a QImage cannot hold (a row over 2 GiB); its pixels
    // are never read, so none are allocated.
    sn_image_t *huge = sn_image_create(700000000, 2, 1);
    QVERIFY(huge);
    static uint32_t *fakeRows[2] = {nullptr, nullptr};
    huge->frames[0].rows = fakeRows;
    putStage(1, huge);
    zvtest::LogCapture log;
    m_display->on_previewChange(1);
    QCOMPARE(label("lbFinal")->pixmap(Qt::ReturnByValue).cacheKey(), shown);
    QTRY_VERIFY_WITH_TIMEOUT(log.contains("stage 1 image 700000000x2 FAILED!"), k_wait_ms);
    huge->frames[0].rows = nullptr;
    // The mutex was released: the stage can be replaced and shown.
    putStage(1, makeStage(3, 3, false, 5));
    m_display->on_previewChange(1);
    QTRY_COMPARE_WITH_TIMEOUT(label("lbFinal")->size(), QSize(3, 3), k_wait_ms);
}

// A stage past a megapixel is copied while the interface goes on: the label
// changes once the copy is back on the interface thread, requests made
// meanwhile wait their turn at the copier, and only the latest is shown; a
// copy asked of an engine the display has let go of is never shown.
void QWidgetPreviewTest::largeStageIsCopiedOffTheInterfaceThread()
{
    QSignalSpy shown(m_display, &QWidgetPreview::stageShown);
    sn_image_t *large = makeStage(1200, 1000, false, 6);
    putStage(2, large);
    m_display->on_previewChange(2);
    QCOMPARE(shown.count(), 0);
    QVERIFY(label("lbFinal")->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(shown.wait(30000));
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown[0][0].toInt(), 2);
    const QImage picture = label("lbFinal")->pixmap(Qt::ReturnByValue).toImage();
    QCOMPARE(picture.size(), QSize(1200, 1000));
    const uint32_t p = large->frames[0].rows[999][1111];
    QCOMPARE(picture.pixel(1111, 999) & 0xFFFFFFu,
             (uint32_t)qRgb(SN_PIXEL_R(p), SN_PIXEL_G(p), SN_PIXEL_B(p)) & 0xFFFFFFu);
    QCOMPARE(m_display->findChild<QWidget *>(QStringLiteral("saWidgetFinal"))->minimumSize(),
             QSize(1204, 1004));

    // A small stage asked for while a large one is being copied waits its
    // turn there; the large one's copy, handed back first, is not shown.
    putStage(3, makeStage(1300, 1000, false, 7));
    putStage(0, makeStage(5, 5, false, 8));
    shown.clear();
    m_display->on_previewChange(3);
    m_display->on_previewChange(0);
    QVERIFY(shown.wait(30000));
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown[0][0].toInt(), 0);
    QCOMPARE(label("lbFinal")->size(), QSize(5, 5));
    m_display->on_previewChange(2);
    QVERIFY(shown.wait(30000));
    QCOMPARE(shown.count(), 2);
    QCOMPARE(shown[1][0].toInt(), 2);
    QCOMPARE(label("lbFinal")->size(), QSize(1200, 1000));

    // Let go of while the copier has the request: the copy, once back, is
    // dropped.
    shown.clear();
    m_display->on_previewChange(3);
    m_display->setPreview(nullptr);
    QCoreApplication::processEvents();
    QCOMPARE(shown.count(), 0);
    QCOMPARE(label("lbFinal")->size(), QSize(1200, 1000));
}

void QWidgetPreviewTest::scrollAreasCentreOrScroll()
{
    QScrollArea *area = m_display->findChild<QScrollArea *>(QStringLiteral("saFinial"));
    QVERIFY(area);
    QVERIFY(!area->widgetResizable());
    QCOMPARE(area->alignment(), Qt::AlignCenter);
    for (const char *name : {"saOriginal", "saCurrent"}) {
        QScrollArea *other = m_display->findChild<QScrollArea *>(QLatin1String(name));
        QVERIFY(other && !other->widgetResizable() && other->alignment() == Qt::AlignCenter);
    }

    putStage(2, makeStage(20, 10, false, 3));
    m_display->on_previewChange(2);
    QTRY_VERIFY_WITH_TIMEOUT(area->widget()->size() == QSize(24, 14), k_wait_ms);
    const QRect small = area->widget()->geometry();
    const QSize view = area->viewport()->size();
    QVERIFY(qAbs(small.center().x() - view.width() / 2) <= 1);
    QVERIFY(qAbs(small.center().y() - view.height() / 2) <= 1);
    QVERIFY(!area->horizontalScrollBar()->isVisible());

    putStage(2, makeStage(2000, 1500, false, 4));
    m_display->on_previewChange(2);
    QTRY_VERIFY_WITH_TIMEOUT(area->horizontalScrollBar()->isVisible(), k_wait_ms);
    QTRY_VERIFY_WITH_TIMEOUT(area->verticalScrollBar()->isVisible(), k_wait_ms);
    QCOMPARE(area->horizontalScrollBar()->maximum(), 2004 - area->viewport()->width());
}

void QWidgetPreviewTest::sizeHintIsASquareOfTheHeight()
{
    QWidgetPreview bare;
    QCOMPARE(bare.sizeHint(), bare.QWidget::sizeHint());

    // Never wider than its square, narrower where the settings need room.
    QCOMPARE(m_display->sizePolicy().horizontalPolicy(), QSizePolicy::Maximum);
    QCOMPARE(m_display->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    for (int height : {558, 700, 420}) {
        m_page->resize(790, height);
        QTRY_COMPARE_WITH_TIMEOUT(m_display->sizeHint(),
                                  QSize(m_display->height(), m_display->height()), k_wait_ms);
        QTRY_COMPARE_WITH_TIMEOUT(m_display->width(), m_display->height(), k_wait_ms);
    }
    // Tall and narrow: the square would take the settings' width; the
    // preview gives way and the settings pane keeps what its panel needs.
    QScrollArea *settings = m_page->findChild<QScrollArea *>(QStringLiteral("saConfigContent"));
    QVERIFY(settings);
    m_page->resize(m_page->minimumSizeHint().width(), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(m_display->sizeHint(),
                              QSize(m_display->height(), m_display->height()), k_wait_ms);
    QTRY_VERIFY_WITH_TIMEOUT(m_display->width() < m_display->height(), k_wait_ms);
    QVERIFY(settings->width() >= settings->minimumWidth());
    QVERIFY(!settings->horizontalScrollBar()->isVisible());
    QVERIFY(!m_display->geometry().intersects(settings->parentWidget()->geometry()));
}

QTEST_MAIN(QWidgetPreviewTest)
#include "qwidgetpreview_test.moc"
