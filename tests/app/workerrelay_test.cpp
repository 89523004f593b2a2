// The relay of a worker's reports: calls reach the object until it detaches,
// none after; detaching waits for a call already inside, and its last step
// runs with no delivery in between.
#include "workerrelay.h"

#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace
{

struct Target {
    int calls = 0;
};

} // namespace

class WorkerRelayTest : public QObject
{
    Q_OBJECT

private slots:
    void callsStopAtTheDetach();
    void detachWaitsForTheCallInside();
};

void WorkerRelayTest::callsStopAtTheDetach()
{
    Target target;
    WorkerRelay<Target>::Ptr relay = WorkerRelay<Target>::create(&target);
    QVERIFY(relay->deliver([](Target *t) { t->calls++; }));
    QCOMPARE(target.calls, 1);
    bool lastRan = false;
    relay->detach([&] {
        lastRan = true;
        QCOMPARE(target.calls, 1);
    });
    QVERIFY(lastRan);
    QVERIFY(!relay->deliver([](Target *t) { t->calls++; }));
    QCOMPARE(target.calls, 1);
    relay->detach(); // a second detach changes nothing
    QVERIFY(!relay->deliver([](Target *t) { t->calls++; }));
}

void WorkerRelayTest::detachWaitsForTheCallInside()
{
    Target *target = new Target;
    WorkerRelay<Target>::Ptr relay = WorkerRelay<Target>::create(target);
    std::mutex mutex;
    std::condition_variable cv;
    bool inside = false;
    bool release = false;
    std::atomic<bool> callEnded{false};
    std::thread worker([&] {
        relay->deliver([&](Target *t) {
            std::unique_lock<std::mutex> lock(mutex);
            inside = true;
            cv.notify_all();
            cv.wait_for(lock, std::chrono::seconds(10), [&] { return release; });
            t->calls++;
            callEnded.store(true, std::memory_order_release);
        });
    });
    {
        std::unique_lock<std::mutex> lock(mutex);
        QVERIFY(cv.wait_for(lock, std::chrono::seconds(10), [&] { return inside; }));
    }
    // Released from elsewhere while the detach below is under way.
    std::thread releaser([&] {
        std::lock_guard<std::mutex> lock(mutex);
        release = true;
        cv.notify_all();
    });
    bool endedFirst = false;
    relay->detach([&] { endedFirst = callEnded.load(std::memory_order_acquire); });
    // The call was inside: it ended before the detach went on, so the
    // target may go now.
    QVERIFY(endedFirst);
    QCOMPARE(target->calls, 1);
    delete target;
    releaser.join();
    worker.join();
}

QTEST_GUILESS_MAIN(WorkerRelayTest)
#include "workerrelay_test.moc"
