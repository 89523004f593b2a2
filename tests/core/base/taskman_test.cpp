/*
 * Task manager: the three priority queues with front and back insertion, the
 * run / result / clean-up sequence, refusals, dropping pending tasks without
 * calling them while waiting for the running one, destroy, and a stress run.
 */
#include "base/sn_log.h"
#include "base/sn_taskman.h"
#include "zv_test.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{

using zvtest::wait_for;

/* Everything the worker did, in order, as text: "run:3", "result:3", ... */
struct Journal {
    std::mutex mutex;
    std::vector<std::string> events;
    void add(const std::string &event)
    {
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(event);
    }
    std::vector<std::string> copy()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    }
    size_t size()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return events.size();
    }
};

struct Job {
    Journal *journal;
    int id;
    std::atomic<int> *gate; /* when set, run waits until it is 1 */
    std::atomic<int> started{0};
};

void *job_run(void *param)
{
    Job *job = (Job *)param;
    job->started.store(1);
    if (job->gate)
        while (job->gate->load() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    job->journal->add("run:" + std::to_string(job->id));
    return job;
}

void job_result(void *result)
{
    Job *job = (Job *)result;
    job->journal->add("result:" + std::to_string(job->id));
}

void job_clear(void *param, void *result)
{
    Job *job = (Job *)param;
    job->journal->add("clear:" + std::to_string(job->id) + (result == param ? "" : ":bad"));
}

sn_task_t task_for(Job *job, int priority, bool clear = false)
{
    sn_task_t task = {job_run, job_result, clear ? job_clear : nullptr, job, priority};
    return task;
}

std::vector<std::string> runs(Journal &journal)
{
    std::vector<std::string> out;
    for (const std::string &e : journal.copy())
        if (e.compare(0, 4, "run:") == 0)
            out.push_back(e.substr(4));
    return out;
}

/* True while the thread tid sleeps (state 'S' in /proc). */
bool sleeping(long tid)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/self/task/%ld/stat", tid);
    FILE *fp = fopen(path, "r");
    if (!fp)
        return false;
    char buf[512] = "";
    size_t n = fread(buf, 1, sizeof buf - 1, fp);
    fclose(fp);
    buf[n] = '\0';
    const char *close = strrchr(buf, ')');
    return close && close[1] == ' ' && close[2] == 'S';
}

/* Holds the worker in a task so that the queues can be filled at leisure. */
struct Gate {
    std::atomic<int> open{0};
    Journal *journal;
    Job job;
    Gate(sn_taskman_t *manager, Journal *j) : journal(j), job{j, 0, &open}
    {
        sn_task_t task = task_for(&job, 0, true);
        EXPECT_NE(sn_taskman_add(manager, &task, 0), nullptr);
        EXPECT_TRUE(wait_for([&] { return job.started.load() == 1; }));
    }
};

/* Runs call (a clear-all or a destroy) on a thread of its own, waits until it
 * sleeps in its wait for the running task (the queues are dropped by then),
 * opens the gate and returns call's result. */
template <class Call> int while_gate_runs(Gate &gate, Call call)
{
    std::atomic<long> tid{0};
    std::atomic<int> result{-2};
    std::thread caller([&] {
        tid.store((long)syscall(SYS_gettid));
        result.store(call());
    });
    EXPECT_TRUE(wait_for([&] { return tid.load() != 0 && sleeping(tid.load()); }));
    gate.open.store(1);
    caller.join();
    return result.load();
}

} // namespace

TEST(Taskman, FrontAndBackOfOneQueue)
{
    for (int front = 0; front <= 1; front++) {
        SCOPED_TRACE(front);
        Journal journal;
        sn_taskman_t *manager = sn_taskman_create(100);
        ASSERT_NE(manager, nullptr);
        {
            Gate gate(manager, &journal);
            Job jobs[3] = {{&journal, 1, nullptr}, {&journal, 2, nullptr}, {&journal, 3, nullptr}};
            for (Job &job : jobs) {
                sn_task_t task = task_for(&job, 0);
                ASSERT_NE(sn_taskman_add(manager, &task, front), nullptr);
            }
            gate.open.store(1);
            ASSERT_TRUE(wait_for([&] { return runs(journal).size() == 4; }));
        }
        EXPECT_EQ(runs(journal), front ? (std::vector<std::string>{"0", "3", "2", "1"})
                                       : (std::vector<std::string>{"0", "1", "2", "3"}));
        sn_taskman_destroy(manager);
    }
}

TEST(Taskman, HigherPriorityFirstAfterTheRunningTask)
{
    Journal journal;
    sn_taskman_t *manager = sn_taskman_create(100);
    ASSERT_NE(manager, nullptr);
    Gate gate(manager, &journal);
    struct Add {
        int id, priority, front;
    } adds[] = {{1, 0, 0}, {2, 0, 0}, {3, 1, 0}, {4, 2, 0}, {5, 2, 1}, {6, 1, 1}, {7, 0, 1}};
    std::vector<Job> jobs(7);
    for (size_t i = 0; i < jobs.size(); i++) {
        const Add &a = adds[i];
        jobs[i].journal = &journal;
        jobs[i].id = a.id;
        jobs[i].gate = nullptr;
        sn_task_t task = task_for(&jobs[i], a.priority);
        ASSERT_NE(sn_taskman_add(manager, &task, a.front), nullptr);
    }
    gate.open.store(1);
    ASSERT_TRUE(wait_for([&] { return runs(journal).size() == 8; }));
    EXPECT_EQ(runs(journal), (std::vector<std::string>{"0", "5", "4", "6", "3", "7", "1", "2"}));
    sn_taskman_destroy(manager);
}

TEST(Taskman, RunResultAndCleanUpInOrder)
{
    zvtest::LogCapture cap;
    Journal journal;
    sn_taskman_t *manager = sn_taskman_create(100);
    ASSERT_NE(manager, nullptr);
    Job with{&journal, 1, nullptr}, without{&journal, 2, nullptr};
    sn_task_t a = task_for(&with, 1, true), b = task_for(&without, 1, false);
    const sn_task_node_t *id = sn_taskman_add(manager, &a, 0);
    ASSERT_NE(id, nullptr);
    ASSERT_NE(sn_taskman_add(manager, &b, 0), nullptr);
    ASSERT_TRUE(wait_for([&] { return journal.size() == 5; }));
    EXPECT_EQ(journal.copy(),
              (std::vector<std::string>{"run:1", "result:1", "clear:1", "run:2", "result:2"}));
    char text[64];
    snprintf(text, sizeof text, "run task %p...\n", (void *)id);
    EXPECT_TRUE(cap.contains(text));
    snprintf(text, sizeof text, "run task %p OK!\n", (void *)id);
    EXPECT_TRUE(cap.contains(text));
    EXPECT_TRUE(cap.contains("clear param and result\n"));
    sn_taskman_destroy(manager);
    EXPECT_TRUE(cap.contains("recv exit signal!\n"));
}

TEST(Taskman, RefusesBadTasks)
{
    zvtest::LogCapture cap;
    Journal journal;
    sn_taskman_t *manager = sn_taskman_create(100);
    ASSERT_NE(manager, nullptr);
    Job job{&journal, 1, nullptr};
    for (int priority : {3, -1}) {
        sn_task_t task = task_for(&job, priority);
        EXPECT_EQ(sn_taskman_add(manager, &task, 0), nullptr);
        EXPECT_TRUE(cap.contains("invalid priority:" + std::to_string(priority) + "\n"));
    }
    sn_task_t no_result = {job_run, nullptr, job_clear, &job, 0};
    EXPECT_EQ(sn_taskman_add(manager, &no_result, 0), nullptr);
    sn_task_t no_run = {nullptr, job_result, nullptr, &job, 0};
    EXPECT_EQ(sn_taskman_add(manager, &no_run, 1), nullptr);
    EXPECT_EQ(sn_taskman_add(manager, nullptr, 0), nullptr);

    /* A good task runs alone: nothing of the refused ones was queued. */
    Job probe{&journal, 2, nullptr};
    sn_task_t good = task_for(&probe, 0);
    ASSERT_NE(sn_taskman_add(manager, &good, 0), nullptr);
    ASSERT_TRUE(wait_for([&] { return journal.size() == 2; }));
    sn_taskman_destroy(manager);
    EXPECT_EQ(journal.copy(), (std::vector<std::string>{"run:2", "result:2"}));
}

TEST(Taskman, ClearAllDropsPendingAndWaitsForTheRunningTask)
{
    zvtest::LogCapture cap;
    Journal journal;
    sn_taskman_t *manager = sn_taskman_create(100);
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(sn_taskman_clearall(manager, 0), 0) << "nothing running: at once";

    Gate gate(manager, &journal);
    std::vector<Job> jobs(9);
    for (int i = 0; i < 9; i++) {
        jobs[i].journal = &journal;
        jobs[i].id = i + 1;
        jobs[i].gate = nullptr;
        sn_task_t task = task_for(&jobs[i], i % 3, true);
        ASSERT_NE(sn_taskman_add(manager, &task, i % 2), nullptr);
    }
    size_t seen_at_return = 0;
    int result = while_gate_runs(gate, [&] {
        int r = sn_taskman_clearall(manager, 1);
        seen_at_return = journal.size();
        return r;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(seen_at_return, 3u) << "the running task ended before the drop returned";
    EXPECT_EQ(journal.copy(), (std::vector<std::string>{"run:0", "result:0", "clear:0"}));
    EXPECT_TRUE(cap.contains("force:1...\n"));
    for (const Job &job : jobs)
        EXPECT_EQ(job.started.load(), 0);

    /* The manager goes on working after a drop. */
    Job after{&journal, 10, nullptr};
    sn_task_t task = task_for(&after, 2);
    ASSERT_NE(sn_taskman_add(manager, &task, 0), nullptr);
    ASSERT_TRUE(wait_for([&] { return journal.size() == 5; }));
    sn_taskman_destroy(manager);
}

TEST(Taskman, DestroyFreesQueuedTasksWithoutRunningThem)
{
    zvtest::LogCapture cap;
    Journal journal;
    sn_taskman_t *manager = sn_taskman_create(100);
    ASSERT_NE(manager, nullptr);
    Gate gate(manager, &journal);
    std::vector<Job> jobs(6);
    for (int i = 0; i < 6; i++) {
        jobs[i].journal = &journal;
        jobs[i].id = i + 1;
        jobs[i].gate = nullptr;
        sn_task_t task = task_for(&jobs[i], 2 - i % 3, true);
        ASSERT_NE(sn_taskman_add(manager, &task, 0), nullptr);
    }
    while_gate_runs(gate, [&] {
        sn_taskman_destroy(manager);
        return 0;
    });
    EXPECT_EQ(journal.copy(), (std::vector<std::string>{"run:0", "result:0", "clear:0"}));
    for (const Job &job : jobs)
        EXPECT_EQ(job.started.load(), 0);
    EXPECT_TRUE(cap.contains("recv exit signal!\n"));
    EXPECT_FALSE(cap.contains("is canneled!"));
    sn_taskman_destroy(nullptr);
    EXPECT_EQ(sn_taskman_clearall(nullptr, 0), -1);
}

/* A task that outlasts the drop's 10 s wait and the worker's 2 s close: the
 * destroy returns, the task still ends whole, and the worker, which then owns
 * the manager, frees it (the sanitizer builds watch that hand-over). */
TEST(Taskman, DestroyLeavesAStuckTaskToItsWorker)
{
    zvtest::LogCapture cap;
    Journal journal;
    sn_taskman_t *manager = sn_taskman_create(100);
    ASSERT_NE(manager, nullptr);
    std::atomic<int> open{0};
    Job stuck{&journal, 1, &open};
    sn_task_t task = task_for(&stuck, 1, true);
    const sn_task_node_t *id = sn_taskman_add(manager, &task, 0);
    ASSERT_NE(id, nullptr);
    ASSERT_TRUE(wait_for([&] { return stuck.started.load() == 1; }));
    char text[64];
    snprintf(text, sizeof text, "wait task %p FAILED!\n", (void *)id);

    sn_taskman_destroy(manager);
    EXPECT_TRUE(cap.contains(text));
    EXPECT_TRUE(cap.contains("> is canneled!\n"));
    EXPECT_EQ(journal.size(), 0u);
    open.store(1);
    ASSERT_TRUE(wait_for([&] { return journal.size() == 3; }));
    EXPECT_EQ(journal.copy(), (std::vector<std::string>{"run:1", "result:1", "clear:1"}));
}

namespace
{

struct Counted {
    std::atomic<int> step{0}; /* 1 after run, 2 after result, 3 after clear */
    std::atomic<int> bad{0};
};

void *counted_run(void *param)
{
    Counted *c = (Counted *)param;
    if (c->step.exchange(1) != 0)
        c->bad.store(1);
    return c;
}

void counted_result(void *result)
{
    Counted *c = (Counted *)result;
    if (c->step.exchange(2) != 1)
        c->bad.store(1);
}

void counted_clear(void *param, void *result)
{
    Counted *c = (Counted *)param;
    if (c->step.exchange(3) != 2 || result != param)
        c->bad.store(1);
}

} // namespace

/* Adds race the worker and drops race the start of a task; every task either
 * runs whole, once, or not at all. */
TEST(Taskman, StressAddAndDrop)
{
    sn_log_set_level(5);
    sn_taskman_t *manager = sn_taskman_create(100);
    ASSERT_NE(manager, nullptr);
    std::vector<Counted> tasks(3000);
    for (size_t i = 0; i < tasks.size(); i++) {
        sn_task_t task = {counted_run, counted_result, counted_clear, &tasks[i], (int)(i % 3)};
        ASSERT_NE(sn_taskman_add(manager, &task, (int)(i % 2)), nullptr);
        if (i % 97 == 0) {
            EXPECT_EQ(sn_taskman_clearall(manager, (int)(i % 2)), 0);
        }
        if (i % 500 == 250)
            wait_for([&] { return tasks[i].step.load() == 3; }, 2000);
    }
    sn_taskman_destroy(manager);
    int ran = 0;
    for (const Counted &c : tasks) {
        EXPECT_EQ(c.bad.load(), 0);
        EXPECT_TRUE(c.step.load() == 0 || c.step.load() == 3);
        ran += c.step.load() == 3;
    }
    EXPECT_GT(ran, 0);
}
