/*
 * The task manager: sn_taskman_create, sn_taskman_add, sn_taskman_clearall,
 * sn_taskman_destroy, sn_taskman_close, and the worker (task_proc) that
 * takes tasks from the three queues, highest priority first.
 *
 * The running task is published under the queue mutex in the same step that
 * unlinks it, so a drop either finds the task still queued or sees it running.
 * When the worker outlives its manager's destroy (a task that does not end),
 * the manager record is handed to the worker: both sides exchange a state
 * word, and the second one frees it.
 */
#include "base/sn_taskman.h"
#include "base/sn_log.h"
#include "base/sn_thread.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <new>

#define QUEUE_COUNT 3

struct sn_task_node {
    sn_task_run_t run;
    sn_task_result_t on_result;
    sn_task_clear_t on_clear;
    void *param;
    int priority;
    struct sn_task_node *next;
};

enum {
    WORKER_LIVE = 0,    /* both the owner and the worker still use the record */
    WORKER_ENDED = 1,   /* the worker's procedure is over */
    OWNER_RELEASED = 2, /* destroyed while the worker still ran: it frees */
};

struct task_queue {
    sn_task_node_t *head;
    sn_task_node_t *tail;
};

struct sn_taskman {
    std::atomic<int> exit;
    std::atomic<sn_task_node_t *> current;
    task_queue queues[QUEUE_COUNT];
    sn_thread_t *worker;
    sn_thread_mutex_t *mutex;
    std::atomic<int> owner;
};

namespace
{

void free_manager(sn_taskman_t *manager)
{
    sn_thread_mutex_destroy(manager->mutex);
    manager->~sn_taskman();
    free(manager);
}

/* Under the mutex: unlinks the next task and makes it the current one. */
sn_task_node_t *sn_taskman_next_task(sn_taskman_t *manager)
{
    sn_thread_mutex_lock(manager->mutex);
    sn_task_node_t *node = nullptr;
    for (int q = QUEUE_COUNT - 1; q >= 0 && !node; q--) {
        task_queue *queue = &manager->queues[q];
        node = queue->head;
        if (node) {
            queue->head = node->next;
            if (!queue->head)
                queue->tail = nullptr;
            node->next = nullptr;
        }
    }
    manager->current.store(node, std::memory_order_release);
    sn_thread_mutex_unlock(manager->mutex);
    return node;
}

void process_task(sn_taskman_t *manager, sn_task_node_t *node)
{
    sn_log(2, NULL, "process_task", __LINE__, "run task %p...\n", (void *)node);
    void *result = node->run(node->param);
    sn_log(2, NULL, "process_task", __LINE__, "run task %p OK!\n", (void *)node);
    node->on_result(result);
    if (node->on_clear) {
        sn_log(2, NULL, "process_task", __LINE__, "clear param and result\n");
        node->on_clear(node->param, result);
    }
    free(node);
    manager->current.store(nullptr, std::memory_order_release);
}

/* Runs on every way out of the worker, cancellation included. */
struct worker_end {
    sn_taskman_t *manager;
    ~worker_end()
    {
        if (manager->owner.exchange(WORKER_ENDED, std::memory_order_acq_rel) == OWNER_RELEASED)
            free_manager(manager);
    }
};

int task_proc(void *param, const std::atomic<int> *stop)
{
    sn_taskman_t *manager = (sn_taskman_t *)param;
    worker_end end = {manager};
    for (;;) {
        if (manager->exit.load(std::memory_order_acquire) == 1 ||
            stop->load(std::memory_order_acquire)) {
            sn_log(2, NULL, "task_proc", __LINE__, "recv exit signal!\n");
            return 0;
        }
        sn_task_node_t *node;
        while ((node = sn_taskman_next_task(manager)) != nullptr)
            process_task(manager, node);
        sn_thread_sleep(50);
    }
}

/* Under the mutex: frees every queued task without calling its functions. */
void drop_queued(sn_taskman_t *manager)
{
    for (int q = QUEUE_COUNT - 1; q >= 0; q--) {
        sn_task_node_t *node = manager->queues[q].head;
        while (node) {
            sn_task_node_t *next = node->next;
            free(node);
            node = next;
        }
        manager->queues[q].head = nullptr;
        manager->queues[q].tail = nullptr;
    }
}

/* Stops the worker within timeout_ms and frees the manager, or hands it to
 * the worker that still runs a task: 0 / -1. */
int end_manager(sn_taskman_t *manager, int timeout_ms, const char *function)
{
    if (manager->worker) {
        manager->exit.store(1, std::memory_order_release);
        sn_thread_close(manager->worker, timeout_ms);
        manager->worker = nullptr;
    }
    if (manager->owner.exchange(OWNER_RELEASED, std::memory_order_acq_rel) == WORKER_ENDED) {
        free_manager(manager);
        return 0;
    }
    sn_log(4, NULL, function, __LINE__,
           "worker still runs a task FAILED! the manager is left to it\n");
    return -1;
}

} // namespace

sn_taskman_t *sn_taskman_create(int unused)
{
    sn_taskman_t *manager = (sn_taskman_t *)calloc(1, sizeof *manager);
    if (!manager) {
        sn_log(4, NULL, "sn_taskman_create", __LINE__, "malloc FAILED! size:%d\n",
               (int)sizeof *manager);
        sn_log(4, NULL, "sn_taskman_create", __LINE__, "FAILED!\n");
        return nullptr;
    }
    new (manager) sn_taskman();
    manager->mutex = sn_thread_mutex_create();
    if (!manager->mutex) {
        sn_log(4, NULL, "sn_taskman_create", __LINE__, "sn_thread_mutex_create FAILED!\n");
    } else {
        char name[64];
        snprintf(name, sizeof name, "thrdTaskProc%p", (void *)manager);
        manager->worker = sn_thread_open(name, -1, 0, task_proc, manager);
        if (manager->worker)
            return manager;
        sn_log(4, NULL, "sn_taskman_create", __LINE__, "open thread task_proc FAILED!\n");
    }
    sn_log(4, NULL, "sn_taskman_create", __LINE__, "FAILED!\n");
    free_manager(manager);
    return nullptr;
}

const sn_task_node_t *sn_taskman_add(sn_taskman_t *manager, const sn_task_t *task, int front)
{
    if (!manager || !task || !task->run || !task->on_result) {
        sn_log(4, NULL, "sn_taskman_add", __LINE__, "invalid task FAILED!\n");
        return nullptr;
    }
    if (task->priority < 0 || task->priority >= QUEUE_COUNT) {
        sn_log(4, NULL, "sn_taskman_add", __LINE__, "invalid priority:%d\n", task->priority);
        return nullptr;
    }
    sn_task_node_t *node = (sn_task_node_t *)calloc(1, sizeof *node);
    if (!node) {
        sn_log(4, NULL, "sn_taskman_add", __LINE__, "malloc FAILED! size:%d\n", (int)sizeof *node);
        return nullptr;
    }
    node->run = task->run;
    node->on_result = task->on_result;
    node->on_clear = task->on_clear;
    node->param = task->param;
    node->priority = task->priority;

    sn_thread_mutex_lock(manager->mutex);
    task_queue *queue = &manager->queues[task->priority];
    if (front) {
        node->next = queue->head;
        queue->head = node;
        if (!queue->tail)
            queue->tail = node;
    } else {
        if (queue->tail)
            queue->tail->next = node;
        else
            queue->head = node;
        queue->tail = node;
    }
    sn_thread_mutex_unlock(manager->mutex);
    return node;
}

int sn_taskman_clearall(sn_taskman_t *manager, int force)
{
    if (!manager)
        return -1;
    sn_log(2, NULL, "sn_taskman_clearall", __LINE__, "force:%d...\n", force);

    sn_thread_mutex_lock(manager->mutex);
    drop_queued(manager);
    /* Holding the mutex keeps the worker from starting another task. */
    for (int i = 0; i < 1000 && manager->current.load(std::memory_order_acquire); i++)
        usleep(10 * 1000);
    sn_task_node_t *current = manager->current.load(std::memory_order_acquire);
    sn_thread_mutex_unlock(manager->mutex);

    if (current) {
        sn_log(4, NULL, "sn_taskman_clearall", __LINE__, "wait task %p FAILED!\n", (void *)current);
        return -1;
    }
    return 0;
}

void sn_taskman_destroy(sn_taskman_t *manager)
{
    if (!manager)
        return;
    sn_log(2, NULL, "sn_taskman_destroy", __LINE__, "...\n");
    sn_taskman_clearall(manager, 1);
    end_manager(manager, 2000, "sn_taskman_destroy");
}

int sn_taskman_close(sn_taskman_t *manager, int timeout_ms)
{
    if (!manager)
        return 0;
    sn_log(2, NULL, "sn_taskman_close", __LINE__, "timeout:%d...\n", timeout_ms);
    sn_thread_mutex_lock(manager->mutex);
    drop_queued(manager);
    sn_thread_mutex_unlock(manager->mutex);
    /* The close sets the stop word first: the running task's decode ends at
     * its next row, and the worker right after it. */
    return end_manager(manager, timeout_ms < 0 ? 0 : timeout_ms, "sn_taskman_close");
}
