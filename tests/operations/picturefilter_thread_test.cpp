// Picture lifetime: a filter keeps the picture it was configured with until
// it is destroyed or configured with another, however often the settings
// replace the picture meanwhile; and the stamp and watermark kinds re-render
// and replace their pictures on the interface thread while a worker makes,
// configures and runs filters with them (run under ASan and TSan).
#include "filter/imagefilter.h"
#include "image/sn_image.h"
#include "picturefilter.h"
#include "pipeline_helper.h"
#include "stamp_image.h"
#include "stamp_text.h"
#include "watermark_image.h"
#include "watermark_text.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

#include <atomic>
#include <thread>

#if defined(__SANITIZE_THREAD__)
// Qt Test's own watchdog thread destroys its wait condition at exit while
// the thread may still signal it; that race lies wholly inside Qt, which is
// not instrumented, and has nothing to do with the pictures.
extern "C" const char *__tsan_default_suppressions()
{
    return "race:QWaitCondition::~QWaitCondition\n";
}
#endif

CAbstractOperation *operation_create_stamp_image();
CAbstractOperation *operation_create_watermark_image();
CAbstractOperation *operation_create_stamp_text();
CAbstractOperation *operation_create_watermark_text();

static int64_t s_now = 1000000;
static int64_t fake_clock()
{
    return s_now;
}

namespace
{

OperationParamList pairs(std::initializer_list<std::pair<QString, QString>> list)
{
    OperationParamList out;
    for (const auto &p : list)
        out.append(qMakePair(p.first, p.second));
    return out;
}

// A worker that keeps asking the operation for filters and runs them, the
// way the batch (kept filter) and preview (new filter per run) workers do,
// until told to stop.
class Worker
{
public:
    explicit Worker(CAbstractOperation *op) : m_op(op)
    {
        m_thread = std::thread([this] { run(); });
    }
    ~Worker()
    {
        stop();
    }
    void stop()
    {
        m_stop.store(true, std::memory_order_release);
        if (m_thread.joinable())
            m_thread.join();
    }
    int runs() const
    {
        return m_runs.load(std::memory_order_acquire);
    }

private:
    void run()
    {
        zvtest::ImagePtr photo(stamptest::make_picture(64, 48, SN_PIXEL(255, 90, 90, 90)));
        int i = 0;
        while (!m_stop.load(std::memory_order_acquire)) {
            const QString path = QStringLiteral("/photos/run%1.jpg").arg(i++);
            imagefilter_t *fresh = m_op->createFilter(path);
            imagefilter_t *kept = m_op->getFilter(path);
            imagefilter_execute(fresh, photo.get());
            imagefilter_execute(kept, photo.get());
            imagefilter_destroy(fresh);
            m_runs.fetch_add(1, std::memory_order_acq_rel);
        }
    }

    CAbstractOperation *m_op;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_runs{0};
    std::thread m_thread;
};

} // namespace

class PictureFilterThreadTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void filterHoldsItsPicture();
    void failedCopyIsNeverShaped();
    void oldFilterOutlivesReplacedPictures();
    void imageKindsReplacePicturesWhileAWorkerRuns();
    void workersThatAskAtOnceShareOneCopy();
    void textKindsRenderWhileAWorkerRuns();

private:
    zvtest::TempDir *m_dir = nullptr;
    QString m_red, m_blue;
};

void PictureFilterThreadTest::initTestCase()
{
    sn_image_init();
    operation_set_clock(&fake_clock);
    m_dir = new zvtest::TempDir;
    m_red = QString::fromStdString(m_dir->file("red.bmp"));
    m_blue = QString::fromStdString(m_dir->file("blue.bmp"));
    QVERIFY(stamptest::write_bmp(m_red.toStdString(), 12, 9,
                                 [](int, int) { return SN_PIXEL(255, 255, 0, 0); }));
    QVERIFY(stamptest::write_bmp(m_blue.toStdString(), 7, 5,
                                 [](int, int) { return SN_PIXEL(255, 0, 0, 255); }));
}

void PictureFilterThreadTest::cleanupTestCase()
{
    delete m_dir;
    operation_set_clock(nullptr);
}

void PictureFilterThreadTest::filterHoldsItsPicture()
{
    const std::vector<std::string> keys = {"stamp_image", "transparency", "x_pos", "y_pos"};
    const std::vector<std::string> values = {"", "0", "left-0px", "top-0px"};
    PicturePtr first = picture_adopt(stamptest::make_picture(4, 4, SN_PIXEL(255, 0, 255, 0)));
    std::weak_ptr<sn_image_t> watch = first;
    imagefilter_t *filter = picturefilter_create("stamp");
    QVERIFY(filter);
    QCOMPARE(imagefilter_get_name(filter), "stamp");
    QCOMPARE(picturefilter_configure(filter, first, keys, values, 0), 0);
    first.reset();
    QVERIFY(!watch.expired());
    zvtest::ImagePtr photo(stamptest::make_picture(8, 8, SN_PIXEL(255, 0, 0, 0)));
    QCOMPARE(imagefilter_execute(filter, photo.get()), 0);
    QVERIFY(SN_PIXEL_G(photo->frames[0].rows[1][1]) > 200);
    // Configured with another picture, the first one goes.
    PicturePtr second = picture_adopt(stamptest::make_picture(2, 2, SN_PIXEL(255, 0, 0, 255)));
    QCOMPARE(picturefilter_configure(filter, second, keys, values, 0), 0);
    QVERIFY(watch.expired());
    QCOMPARE(picturefilter_picture(filter), second);
    std::weak_ptr<sn_image_t> watchSecond = second;
    second.reset();
    imagefilter_destroy(filter);
    QVERIFY(watchSecond.expired());
    // A value the filter refuses is logged and returned; nothing leaks.
    filter = picturefilter_create("stamp");
    PicturePtr third = picture_adopt(stamptest::make_picture(2, 2, SN_PIXEL(255, 9, 9, 9)));
    QCOMPARE(picturefilter_configure(filter, third, keys, {"", "", "", "top-99999999999px"}, 0),
             -1);
    // Without a picture the filter has nothing to draw: the photo passes.
    QCOMPARE(picturefilter_configure(filter, PicturePtr(), keys, values, 0), 0);
    QCOMPARE(imagefilter_execute(filter, photo.get()), 0);
    QVERIFY(SN_PIXEL_G(photo->frames[0].rows[1][1]) > 200);
    imagefilter_destroy(filter);
    QVERIFY(!picturefilter_create("no such kind"));
}

void PictureFilterThreadTest::failedCopyIsNeverShaped()
{
    // A frame too large to allocate: the copy fails and nothing is scaled or
    // turned; the working picture is simply none.
    sn_image_frame_t frame = {(uint32_t **)&frame, nullptr};
    sn_image_t huge = {};
    huge.width = 50000;
    huge.height = 50000;
    huge.frame_count = 1;
    huge.frames = &frame;
    QVERIFY(!picture_prepare(&huge, 50, 45.0));
    QVERIFY(!picture_prepare(nullptr, 100, 0.0));
}

void PictureFilterThreadTest::oldFilterOutlivesReplacedPictures()
{
    std::unique_ptr<CAbstractOperation> op(operation_create_stamp_image());
    auto *widget = static_cast<COperationWidget_stamp_image *>(op->getWidget(nullptr));
    QVERIFY(op->setParams(pairs({{"imagefile", m_red}, {"transparency", "0"}})));
    std::weak_ptr<sn_image_t> watch = widget->working()->picture();
    imagefilter_t *old = op->createFilter(QString());
    // A new file and several edits replace the working picture.
    QVERIFY(op->setParams(pairs({{"imagefile", m_blue}})));
    for (int scale : {50, 200, 100}) {
        widget->findChild<QSpinBox *>(QStringLiteral("sbScale"))->setValue(scale);
        s_now += 601;
        widget->tick();
    }
    QVERIFY(!watch.expired());
    zvtest::ImagePtr photo(stamptest::make_picture(40, 30, SN_PIXEL(255, 0, 0, 0)));
    QCOMPARE(imagefilter_execute(old, photo.get()), 0);
    // The old filter still stamps the red picture at right-10px, bottom-10px.
    QVERIFY(SN_PIXEL_R(photo->frames[0].rows[15][20]) > 200);
    imagefilter_destroy(old);
    QVERIFY(watch.expired());
    // Deleting the operation (widget and kept filter) frees the rest.
    std::weak_ptr<sn_image_t> current = widget->working()->picture();
    op->getFilter(QString());
    op.reset();
    QVERIFY(current.expired());
}

void PictureFilterThreadTest::imageKindsReplacePicturesWhileAWorkerRuns()
{
    for (auto create : {operation_create_stamp_image, operation_create_watermark_image}) {
        std::unique_ptr<CAbstractOperation> op(create());
        QWidget *widget = op->getWidget(nullptr);
        auto *cop = static_cast<COperationWidget *>(widget);
        QSpinBox *scale = widget->findChild<QSpinBox *>(QStringLiteral("sbScale"));
        QDoubleSpinBox *rotation =
            widget->findChild<QDoubleSpinBox *>(QStringLiteral("sbRotation"));
        op->setParams(pairs({{"imagefile", m_red}}));
        Worker worker(op.get());
        for (int i = 0; i < 120; i++) {
            if (i % 10 == 0)
                op->setParams(pairs({{"imagefile", i % 20 ? m_red : m_blue}}));
            scale->setValue(50 + (i % 7) * 25);
            rotation->setValue((i % 5) * 17.0);
            s_now += 601;
            cop->tick();
            if (i == 60)
                QVERIFY(zvtest::wait_for([&] { return worker.runs() > 0; }));
        }
        QVERIFY(zvtest::wait_for([&] { return worker.runs() > 1; }));
        worker.stop();
    }
}

// The preview's and the batch's workers run filters of one published set at
// the same moment: one makes the scaled and turned copy, the other waits for
// it, and both stamp with that one copy.
void PictureFilterThreadTest::workersThatAskAtOnceShareOneCopy()
{
    for (auto create : {operation_create_stamp_image, operation_create_watermark_image}) {
        std::unique_ptr<CAbstractOperation> op(create());
        auto *widget = static_cast<CImageOperationWidget *>(op->getWidget(nullptr));
        QVERIFY(op->setParams(pairs({{"imagefile", m_red}, {"scale", "300"}, {"rotation", "30"}})));
        PictureRecipePtr recipe = widget->working();
        QVERIFY(!recipe->prepared());
        imagefilter_t *kept = op->getFilter(QString());
        imagefilter_t *made = op->createFilter(QString());
        std::atomic<int> ready{0};
        int results[2] = {1, 1};
        auto run = [&](imagefilter_t *filter, int *result) {
            zvtest::ImagePtr photo(stamptest::make_picture(120, 90, SN_PIXEL(255, 0, 0, 255)));
            ready.fetch_add(1, std::memory_order_acq_rel);
            while (ready.load(std::memory_order_acquire) < 2)
                std::this_thread::yield();
            *result = imagefilter_execute(filter, photo.get());
        };
        std::thread batch(run, kept, &results[0]);
        std::thread preview(run, made, &results[1]);
        batch.join();
        preview.join();
        QCOMPARE(results[0], 0);
        QCOMPARE(results[1], 0);
        PicturePtr copy = recipe->prepared();
        QVERIFY(copy);
        QCOMPARE(picturefilter_picture(kept), copy);
        QCOMPARE(picturefilter_picture(made), copy);
        imagefilter_destroy(made);
    }
}

void PictureFilterThreadTest::textKindsRenderWhileAWorkerRuns()
{
    for (auto create : {operation_create_stamp_text, operation_create_watermark_text}) {
        std::unique_ptr<CAbstractOperation> op(create());
        QWidget *widget = op->getWidget(nullptr);
        auto *cop = static_cast<COperationWidget *>(widget);
        QLineEdit *text = widget->findChild<QLineEdit *>(QStringLiteral("edtText"));
        QDoubleSpinBox *rotation =
            widget->findChild<QDoubleSpinBox *>(QStringLiteral("sbRotation"));
        text->setText(QStringLiteral("<Filename>"));
        s_now += 601;
        cop->tick();
        Worker worker(op.get());
        for (int i = 0; i < 120; i++) {
            text->setText(QStringLiteral("<Filename> %1 <Counter 1:1:3>").arg(i));
            rotation->setValue((i % 4) * 90.0 - 90.0);
            if (i % 3 == 0)
                op->setParams(
                    pairs({{"color", i % 2 ? "0xFF0000FF" : "0x00FF00FF"},
                           {"font", QFont(QStringLiteral("DejaVu Sans"), 8 + i % 9).toString()}}));
            s_now += 601;
            cop->tick();
            if (i == 60)
                QVERIFY(zvtest::wait_for([&] { return worker.runs() > 0; }));
        }
        QVERIFY(zvtest::wait_for([&] { return worker.runs() > 1; }));
        worker.stop();
    }
}

QTEST_MAIN(PictureFilterThreadTest)
#include "picturefilter_thread_test.moc"
