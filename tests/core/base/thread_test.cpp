/*
 * Threads: stack size and priority at opening, the stop word, closing with a
 * time-out, cancellation only at the idle sleep, the hand-over of the record,
 * mutexes, and the messages of each step.
 */
#include "base/sn_log.h"
#include "base/sn_thread.h"
#include "zv_test.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace
{

using zvtest::wait_for;

int count_lines(zvtest::LogCapture &cap, const std::string &text)
{
    int n = 0;
    for (const std::string &line : cap.lines())
        n += line.find(text) != std::string::npos;
    return n;
}

struct Probe {
    std::atomic<int> started{0};
    std::atomic<size_t> stack_size{0};
    std::atomic<int> saw_stop{0};
    std::atomic<int> release{0};
    std::atomic<int> unwound{0};
    std::atomic<int> at_sleep{0};
    std::atomic<int> policy{-1};
};

/* Sets a flag when its frame goes, by return or by unwinding. */
struct Unwound {
    std::atomic<int> *flag;
    ~Unwound()
    {
        flag->store(1);
    }
};

int measure_proc(void *param, const std::atomic<int> *stop)
{
    Probe *probe = (Probe *)param;
    pthread_attr_t attr;
    size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        pthread_attr_getstacksize(&attr, &size);
        pthread_attr_destroy(&attr);
    }
    int policy = -1;
    struct sched_param sp;
    if (pthread_getschedparam(pthread_self(), &policy, &sp) == 0)
        probe->policy.store(policy);
    probe->stack_size.store(size);
    probe->started.store(1);
    return 0;
}

/* A well-behaved worker: idles until its stop word is set. */
int stop_proc(void *param, const std::atomic<int> *stop)
{
    Probe *probe = (Probe *)param;
    probe->started.store(1);
    while (!stop->load(std::memory_order_acquire))
        sn_thread_sleep(2);
    probe->saw_stop.store(1);
    return 7;
}

/* Ignores the stop word; idles forever. */
int stubborn_proc(void *param, const std::atomic<int> *stop)
{
    Probe *probe = (Probe *)param;
    Unwound guard = {&probe->unwound};
    probe->started.store(1);
    for (;;)
        sn_thread_sleep(5);
}

struct Busy {
    Probe probe;
    sn_thread_mutex_t *mutex = nullptr;
    std::atomic<int> unlocked{0};
};

/* Ignores the stop word and works, holding a lock, until released; only then
 * reaches its idle sleep. */
int busy_proc(void *param, const std::atomic<int> *stop)
{
    Busy *busy = (Busy *)param;
    Unwound guard = {&busy->probe.unwound};
    sn_thread_mutex_lock(busy->mutex);
    busy->probe.started.store(1);
    while (!busy->probe.release.load())
        sched_yield();
    sn_thread_mutex_unlock(busy->mutex);
    busy->unlocked.store(1);
    busy->probe.at_sleep.store(1);
    for (;;)
        sn_thread_sleep(5);
}

void leave_by_exit(Probe *probe)
{
    Unwound guard = {&probe->unwound};
    sn_thread_exit(nullptr, 3);
}

int exit_proc(void *param, const std::atomic<int> *stop)
{
    Probe *probe = (Probe *)param;
    probe->started.store(1);
    leave_by_exit(probe);
    probe->at_sleep.store(1); /* never reached */
    return 0;
}

} // namespace

TEST(Thread, StackSizeRequests)
{
    const size_t min = SN_THREAD_STACK_MIN;
    struct Case {
        int request;
        size_t expected;
        bool zero_message;
    } cases[] = {
        {0, min, true},
        {8192, min, false},
        {(int)min - 1, min, false},
        {4 * 1024 * 1024, 4 * 1024 * 1024, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.request);
        zvtest::LogCapture cap;
        Probe probe;
        sn_thread_t *t = sn_thread_open("measure", -1, c.request, measure_proc, &probe);
        ASSERT_NE(t, nullptr);
        ASSERT_TRUE(wait_for([&] { return probe.started.load() == 1; }));
        EXPECT_GE(probe.stack_size.load(), c.expected);
        EXPECT_LT(probe.stack_size.load(), c.expected + 65536);
        EXPECT_EQ(cap.contains("giving stack_size is zero, set to 8K\n"), c.zero_message);
        EXPECT_TRUE(cap.contains("name:measure, priority:-1, stack_size:" +
                                 std::to_string(c.expected) + ", thread_proc:0x"));
        sn_thread_close(t, 2000);
        EXPECT_FALSE(cap.contains("is canneled!"));
    }
}

TEST(Thread, PriorityAsStoredAndLogged)
{
    struct Case {
        int priority;
        int stored;
        bool invalid;
    } cases[] = {
        {-1, -1, false}, {0, 0, false},  {50, 50, false},
        {99, 99, false}, {100, 0, true}, {-2, 0, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.priority);
        zvtest::LogCapture cap;
        Probe probe;
        sn_thread_t *t = sn_thread_open("prio", c.priority, 0, stop_proc, &probe);
        ASSERT_NE(t, nullptr) << "an invalid priority still yields a running thread";
        ASSERT_TRUE(wait_for([&] { return probe.started.load() == 1; }));
        EXPECT_EQ(cap.contains("invalid thread priority! correct value set is [0, 99]\n"),
                  c.invalid);
        sn_thread_print(t);
        EXPECT_TRUE(cap.contains("info of thread <prio>- id: "));
        EXPECT_TRUE(cap.contains(
            ", running: 1, stack size: 2097152, priority: " + std::to_string(c.stored) + "\n"));
        sn_thread_close(t, 5000);
        EXPECT_EQ(probe.saw_stop.load(), 1);
        EXPECT_FALSE(cap.contains("is canneled!"));
    }
}

TEST(Thread, StopWordEndsACooperativeThread)
{
    zvtest::LogCapture cap;
    Probe probe;
    sn_thread_t *t = sn_thread_open("coop", -1, 0, stop_proc, &probe);
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(wait_for([&] { return probe.started.load() == 1; }));
    EXPECT_EQ(probe.saw_stop.load(), 0);
    char address[32];
    snprintf(address, sizeof address, "%p", (void *)t);
    sn_thread_close(t, 5000);
    EXPECT_EQ(probe.saw_stop.load(), 1);
    EXPECT_TRUE(cap.contains(std::string("closing thread <") + address + ":coop>...\n"));
    EXPECT_TRUE(cap.contains(std::string("thread <") + address + ":coop> exit self!\n"));
    EXPECT_FALSE(cap.contains("is canneled!"));
}

namespace
{

/* Sleeps far longer than any test waits, and says what it saw on waking. */
struct Sleeper {
    std::atomic<int> started{0};
    std::atomic<int> woke{0};
    std::atomic<int> saw_stop{0};
    std::atomic<int> stop_asked{0};
};

int sleeper_proc(void *param, const std::atomic<int> *stop)
{
    Sleeper *s = (Sleeper *)param;
    s->started.store(1);
    sn_thread_sleep(600000);
    s->stop_asked.store(sn_thread_stop_asked() ? 1 : 0);
    s->saw_stop.store(stop->load());
    s->woke.store(1);
    /* One wake ends one sleep: a later sleep runs its course, until the
     * close's own wake-up. */
    while (!stop->load())
        sn_thread_sleep(600000);
    return 0;
}

} // namespace

/* A wake-up ends an idle sleep at once, without a stop; asking to stop wakes
 * the thread too and is seen on it through sn_thread_stop_asked (never on a
 * thread not opened here). */
TEST(Thread, WakeAndStopRequestEndAnIdleSleep)
{
    EXPECT_FALSE(sn_thread_stop_asked());
    for (bool ask_stop : {false, true}) {
        SCOPED_TRACE(ask_stop ? "stop asked" : "woken");
        Sleeper sleeper;
        sn_thread_t *t = sn_thread_open("sleeper", -1, 0, sleeper_proc, &sleeper);
        ASSERT_NE(t, nullptr);
        ASSERT_TRUE(wait_for([&] { return sleeper.started.load() == 1; }));
        if (ask_stop)
            sn_thread_ask_stop(t);
        else
            sn_thread_wake(t);
        EXPECT_TRUE(wait_for([&] { return sleeper.woke.load() == 1; }));
        EXPECT_EQ(sleeper.saw_stop.load(), ask_stop ? 1 : 0);
        EXPECT_EQ(sleeper.stop_asked.load(), ask_stop ? 1 : 0);
        zvtest::LogCapture cap;
        sn_thread_close(t, 20000);
        EXPECT_FALSE(cap.contains("is canneled!"));
    }
    sn_thread_wake(nullptr);
    sn_thread_ask_stop(nullptr);
}

TEST(Thread, CloseAfterTheProcedureReturned)
{
    zvtest::LogCapture cap;
    Probe probe;
    sn_thread_t *t = sn_thread_open("quick", -1, 0, measure_proc, &probe);
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(wait_for([&] { return cap.contains(":quick> exit self!"); }));
    cap.clear();
    sn_thread_close(t, 2000);
    ASSERT_EQ(cap.lines().size(), 1u);
    EXPECT_NE(cap.lines()[0].find(":quick>...\n"), std::string::npos);
}

TEST(Thread, ThreadThatIgnoresStopIsCancelledAtItsIdleSleep)
{
    zvtest::LogCapture cap;
    Probe probe;
    sn_thread_t *t = sn_thread_open("stubborn", -1, 0, stubborn_proc, &probe);
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(wait_for([&] { return probe.started.load() == 1; }));
    sn_thread_close(t, 100);
    EXPECT_EQ(count_lines(cap, ":stubborn> is canneled!\n"), 1);
    /* Cancellation unwinds the procedure's frames, running their destructors. */
    EXPECT_TRUE(wait_for([&] { return probe.unwound.load() == 1; }));
    EXPECT_FALSE(cap.contains("exit self!"));
}

TEST(Thread, BusyThreadIsNotCancelledWhileItHoldsALock)
{
    zvtest::LogCapture cap;
    Busy busy;
    busy.mutex = sn_thread_mutex_create();
    ASSERT_NE(busy.mutex, nullptr);
    sn_thread_t *t = sn_thread_open("busy", -1, 0, busy_proc, &busy);
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(wait_for([&] { return busy.probe.started.load() == 1; }));
    /* The record is handed to the thread, which still runs. */
    sn_thread_close(t, 30);
    EXPECT_TRUE(cap.contains(":busy> is canneled!\n"));
    EXPECT_EQ(busy.probe.unwound.load(), 0);
    busy.probe.release.store(1);
    ASSERT_TRUE(wait_for([&] { return busy.probe.unwound.load() == 1; }));
    EXPECT_EQ(busy.unlocked.load(), 1);
    sn_thread_mutex_lock(busy.mutex);
    sn_thread_mutex_unlock(busy.mutex);
    sn_thread_mutex_destroy(busy.mutex);
}

TEST(Thread, ExitEndsTheCallingThread)
{
    zvtest::LogCapture cap;
    Probe probe;
    sn_thread_t *t = sn_thread_open("leaver", -1, 0, exit_proc, &probe);
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(wait_for([&] { return probe.unwound.load() == 1; }));
    sn_thread_close(t, 2000);
    EXPECT_EQ(probe.at_sleep.load(), 0);
    EXPECT_FALSE(cap.contains("exit self!"));
    EXPECT_FALSE(cap.contains("is canneled!"));
}

TEST(Thread, OpenRefusesANullProcedure)
{
    zvtest::LogCapture cap;
    EXPECT_EQ(sn_thread_open("none", -1, 0, nullptr, nullptr), nullptr);
    EXPECT_TRUE(cap.contains("FAILED!"));
    sn_thread_close(nullptr, 10);
    sn_thread_print(nullptr);
    sn_thread_set_priority(nullptr, 5);
}

namespace
{

std::atomic<int> g_alive{0};

struct Alive {
    Alive()
    {
        g_alive.fetch_add(1);
    }
    ~Alive()
    {
        g_alive.fetch_sub(1);
    }
};

int short_proc(void *param, const std::atomic<int> *stop)
{
    Alive alive;
    return 0;
}

int idle_proc(void *param, const std::atomic<int> *stop)
{
    Alive alive;
    for (;;)
        sn_thread_sleep(1);
}

} // namespace

/* Close races the thread's own end (both may want to free the record) and
 * cancels idle threads at once; the sanitizer builds check the hand-over. */
TEST(Thread, StressOpenCloseRaces)
{
    sn_log_set_level(5);
    for (int i = 0; i < 200; i++) {
        sn_thread_t *t = sn_thread_open("race", -1, 0, i % 2 ? short_proc : idle_proc, nullptr);
        ASSERT_NE(t, nullptr);
        sn_thread_close(t, i % 3 == 0 ? 0 : 10);
    }
    EXPECT_TRUE(wait_for([] { return g_alive.load() == 0; }, 30000));
}

namespace
{

struct Counter {
    sn_thread_mutex_t *mutex;
    long value = 0;
    std::atomic<int> done{0};
};

int count_proc(void *param, const std::atomic<int> *stop)
{
    Counter *counter = (Counter *)param;
    for (int i = 0; i < 20000; i++) {
        sn_thread_mutex_lock(counter->mutex);
        counter->value++;
        sn_thread_mutex_unlock(counter->mutex);
    }
    counter->done.fetch_add(1);
    return 0;
}

} // namespace

TEST(Thread, MutexSerialisesAndIgnoresNull)
{
    sn_thread_mutex_lock(nullptr);
    sn_thread_mutex_unlock(nullptr);
    sn_thread_mutex_destroy(nullptr);

    Counter counter;
    counter.mutex = sn_thread_mutex_create();
    ASSERT_NE(counter.mutex, nullptr);
    sn_thread_t *threads[4];
    for (sn_thread_t *&t : threads) {
        t = sn_thread_open("count", -1, 0, count_proc, &counter);
        ASSERT_NE(t, nullptr);
    }
    ASSERT_TRUE(wait_for([&] { return counter.done.load() == 4; }));
    for (sn_thread_t *t : threads)
        sn_thread_close(t, 2000);
    sn_thread_mutex_lock(counter.mutex);
    EXPECT_EQ(counter.value, 4 * 20000);
    sn_thread_mutex_unlock(counter.mutex);
    sn_thread_mutex_destroy(counter.mutex);
}
