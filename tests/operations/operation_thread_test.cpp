// Workers configure filters while the interface thread edits the settings:
// every filter must see one whole published set, never half of an edit.
// Built to run under ThreadSanitizer (make test-tsan picks "thread" up).
#include "optest.h"

#include <QRadioButton>
#include <QSpinBox>

#include <atomic>
#include <thread>

using namespace optest;

#if defined(__SANITIZE_THREAD__)
// Qt Test's own watchdog thread destroys its wait condition (and the test
// library frees the watchdog) at exit while the thread may still signal it;
// that race lies wholly inside Qt, which is not instrumented, and has nothing
// to do with the operations.
extern "C" const char *__tsan_default_suppressions()
{
    return "race:QWaitCondition::~QWaitCondition\n"
           "race:libQt5Test.so\n";
}
#endif

class OperationThreadTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sn_image_init();
        use_fake_clock();
    }
    void updatesAgainstCreateFilter();
};

void OperationThreadTest::updatesAgainstCreateFilter()
{
    Made made;
    make(made, "roll");
    auto *op = static_cast<CParamOperation *>(made.op.get());
    QRadioButton *pixels = child<QRadioButton>(made.widget, "rbPixels");
    QRadioButton *percents = child<QRadioButton>(made.widget, "rbPercents");
    QSpinBox *x = child<QSpinBox>(made.widget, "sbHorizontal");
    QSpinBox *y = child<QSpinBox>(made.widget, "sbVertical");

    std::atomic<bool> stop{false};
    std::atomic<int> runs{0}, torn{0}, failed{0};
    std::thread worker([&]() {
        zvtest::ImagePtr image = solid(8, 8, SN_PIXEL(255, 1, 2, 3));
        while (!stop.load(std::memory_order_acquire)) {
            imagefilter_t *filter = op->createFilter(QString());
            if (!filter || imagefilter_execute(filter, image.get()) != 0)
                failed++;
            if (filter)
                imagefilter_destroy(filter);
            // Both values of one set always share a number and a unit.
            OperationParamsPtr set = op->params();
            if (set->values.size() != 2 || set->values[0] != set->values[1])
                torn++;
            runs++;
        }
    });

    for (int i = 0; i < 2000 || runs.load() < 200; i++) {
        if (i % 2)
            percents->setChecked(true);
        else
            pixels->setChecked(true);
        // Both boxes change before one apply.
        x->setValue(i % 90);
        y->setValue(i % 90);
        tick_at(made.widget, now() + 601);
        if (i > 200000)
            break;
    }
    stop.store(true, std::memory_order_release);
    worker.join();
    QVERIFY(runs.load() > 0);
    QCOMPARE(failed.load(), 0);
    QCOMPARE(torn.load(), 0);
}

QTEST_MAIN(OperationThreadTest)
#include "operation_thread_test.moc"
