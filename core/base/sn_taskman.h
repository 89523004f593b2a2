/*
 * sn_taskman: tasks run one at a time on a worker thread of their own, taken
 * from three priority queues (2 first), each served from its head.
 */
#ifndef SN_TASKMAN_H
#define SN_TASKMAN_H

typedef void *(*sn_task_run_t)(void *param);
typedef void (*sn_task_result_t)(void *result);
typedef void (*sn_task_clear_t)(void *param, void *result);

/* A task as the caller describes it; sn_taskman_add copies it. */
typedef struct sn_task {
    sn_task_run_t run;          /* the work, on the worker thread */
    sn_task_result_t on_result; /* right after run; required */
    sn_task_clear_t on_clear;   /* after on_result, may be null */
    void *param;                /* handed to run and on_clear; never freed here */
    int priority;               /* 0, 1 or 2: the queue the task joins */
} sn_task_t;

typedef struct sn_task_node sn_task_node_t;
typedef struct sn_taskman sn_taskman_t;

/* The argument is not used. Returns null on failure. */
sn_taskman_t *sn_taskman_create(int unused);
/* Queues a copy of task at the front (front != 0) or the back of its queue.
 * The copy is returned as an identity only; the manager frees it. */
const sn_task_node_t *sn_taskman_add(sn_taskman_t *manager, const sn_task_t *task, int front);
/* Drops every queued task without calling any of its functions, then waits
 * up to 10 s for the running one; -1 when it did not end in time. */
int sn_taskman_clearall(sn_taskman_t *manager, int force);
/* Drops everything, stops the worker and frees the manager. */
void sn_taskman_destroy(sn_taskman_t *manager);
/* Ends the manager within timeout_ms: drops every queued task, asks the
 * running one to stop (its thread's stop word: a decode ends at its next
 * row) and waits for the worker to end, then frees the manager: 0. -1 when
 * the running task is still at work then: the manager is left to the
 * worker, which frees it as it ends. */
int sn_taskman_close(sn_taskman_t *manager, int timeout_ms);

#endif
