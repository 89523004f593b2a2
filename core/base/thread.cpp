/*
 * Threads and mutexes over POSIX threads: sn_thread_open, sn_thread_close,
 * sn_thread_sleep, sn_thread_wake, sn_thread_ask_stop, sn_thread_stop_asked,
 * sn_thread_set_priority, sn_thread_exit, sn_thread_print,
 * sn_thread_mutex_create/destroy/lock/unlock.
 *
 * Cancellation is the module's own: the close sets the thread's cancel word
 * and wakes it, and the thread acts on it only in sn_thread_sleep, by ending
 * there with pthread_exit. So a thread is never cancelled while it holds a
 * lock or runs code that must not unwind, and nothing ever addresses a
 * detached thread that may be gone (POSIX cancellation stays disabled).
 *
 * Each record carries its own lock and two conditions: the thread sleeps on
 * "wake" and its owner waits for its end on "ended", so a wake-up or an end
 * reaches the one thread that waits for it. Under the record's lock the
 * running word changes at the end, the owner uses the thread's handle (a
 * detached thread's handle is dead once the thread has gone) and the sleeper
 * looks at its words. The record is freed by exactly one side: the owner's
 * close and the thread's end each exchange the running word under that lock,
 * and whoever comes second frees it (POSIX lets a mutex be destroyed as soon
 * as the other side has unlocked it).
 */
#include "base/sn_thread.h"
#include "base/sn_log.h"

#include <errno.h>
#include <pthread.h>
#include <sched.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <new>

/* Values of the running word. */
enum {
    THREAD_ENDED = 0,    /* the procedure has returned or the thread was cancelled */
    THREAD_RUNNING = 1,  /* from just before creation until the procedure ends */
    THREAD_RELEASED = 2, /* closed by its owner while still running: the thread frees it */
};

struct sn_thread {
    char *name;
    std::atomic<int> running;
    int stack_size;
    int priority;
    pthread_t thread_id;
    sn_thread_proc_t thread_proc;
    void *param;
    std::atomic<int> stop;
    std::atomic<int> cancel; /* set by the close; acted on in sn_thread_sleep */
    std::atomic<int> woken;  /* set by sn_thread_wake; ends one idle sleep early */
    pthread_mutex_t lock;
    pthread_cond_t wake;  /* the thread's idle sleep waits here */
    pthread_cond_t ended; /* the owner's close waits here */
    int sync_made;        /* lock and conditions initialised */
};

struct sn_thread_mutex {
    pthread_mutex_t mutex;
};

namespace
{

/* The record of the thread that runs, for the idle sleep. */
thread_local sn_thread_t *t_self = nullptr;

/* The monotonic clock milliseconds from now: the conditions' clock. */
struct timespec deadline_after(int milliseconds)
{
    struct timespec at;
    clock_gettime(CLOCK_MONOTONIC, &at);
    at.tv_sec += milliseconds / 1000;
    at.tv_nsec += (long)(milliseconds % 1000) * 1000000L;
    if (at.tv_nsec >= 1000000000L) {
        at.tv_sec++;
        at.tv_nsec -= 1000000000L;
    }
    return at;
}

/* The record's lock and its two conditions, which wait on the monotonic
 * clock. 0, or -1 with nothing left made. */
int make_sync(sn_thread_t *thread)
{
    pthread_condattr_t attr;
    int rc = pthread_condattr_init(&attr);
    if (rc != 0) {
        sn_log(4, NULL, "sn_thread_open", __LINE__, "pthread_condattr_init FAILED:%s\n",
               strerror(rc));
        return -1;
    }
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    rc = pthread_mutex_init(&thread->lock, nullptr);
    if (rc == 0) {
        rc = pthread_cond_init(&thread->wake, &attr);
        if (rc == 0) {
            rc = pthread_cond_init(&thread->ended, &attr);
            if (rc != 0)
                pthread_cond_destroy(&thread->wake);
        }
        if (rc != 0)
            pthread_mutex_destroy(&thread->lock);
    }
    pthread_condattr_destroy(&attr);
    if (rc != 0) {
        sn_log(4, NULL, "sn_thread_open", __LINE__, "lock or condition init FAILED:%s\n",
               strerror(rc));
        return -1;
    }
    thread->sync_made = 1;
    return 0;
}

void free_record(sn_thread_t *thread)
{
    if (thread->sync_made) {
        pthread_cond_destroy(&thread->ended);
        pthread_cond_destroy(&thread->wake);
        pthread_mutex_destroy(&thread->lock);
    }
    free(thread->name);
    free(thread);
}

/* Runs when the procedure returns and when the thread unwinds (cancellation
 * and sn_thread_exit end it with pthread_exit), so the record is handed over
 * on every way out. */
struct thread_end {
    sn_thread_t *thread;
    ~thread_end()
    {
        pthread_mutex_lock(&thread->lock);
        int old = thread->running.exchange(THREAD_ENDED, std::memory_order_acq_rel);
        pthread_cond_signal(&thread->ended);
        pthread_mutex_unlock(&thread->lock);
        if (old == THREAD_RELEASED)
            free_record(thread);
    }
};

void *thread_handler(void *arg)
{
    sn_thread_t *thread = (sn_thread_t *)arg;
    /* Only the module's own cancellation applies; see sn_thread_sleep. */
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, nullptr);

    t_self = thread;
    thread_end end = {thread};
    int result = thread->thread_proc(thread->param, &thread->stop);
    sn_log(2, NULL, "thread_handler", __LINE__, "thread <%p:%s> exit self!\n", (void *)thread,
           thread->name);
    return (void *)(intptr_t)result;
}

} // namespace

sn_thread_t *sn_thread_open(const char *name, int priority, int stack_size, sn_thread_proc_t proc,
                            void *param)
{
    if (!proc) {
        sn_log(4, NULL, "sn_thread_open", __LINE__, "thread_proc is null FAILED!\n");
        return nullptr;
    }
    if (!name)
        name = "";
    if (stack_size == 0) {
        /* The message is the one operators know; the size is the real default. */
        sn_log(2, NULL, "sn_thread_open", __LINE__, "giving stack_size is zero, set to 8K\n");
        stack_size = SN_THREAD_STACK_MIN;
    } else if (stack_size < SN_THREAD_STACK_MIN) {
        sn_log(2, NULL, "sn_thread_open", __LINE__, "stack_size %d is too small, set to %d\n",
               stack_size, SN_THREAD_STACK_MIN);
        stack_size = SN_THREAD_STACK_MIN;
    }
    sn_log(1, NULL, "sn_thread_open", __LINE__,
           "name:%s, priority:%d, stack_size:%d, thread_proc:%p, param:%p\n", name, priority,
           stack_size, (void *)(uintptr_t)proc, (void *)param);

    sn_thread_t *thread = (sn_thread_t *)calloc(1, sizeof *thread);
    if (!thread) {
        sn_log(4, NULL, "sn_thread_open", __LINE__, "malloc FAILED!\n");
        return nullptr;
    }
    new (&thread->running) std::atomic<int>(THREAD_ENDED);
    new (&thread->stop) std::atomic<int>(0);
    new (&thread->cancel) std::atomic<int>(0);
    new (&thread->woken) std::atomic<int>(0);
    thread->name = strdup(name);
    thread->stack_size = stack_size;
    thread->thread_proc = proc;
    thread->param = param;

    bool ok = false;
    pthread_attr_t attr;
    int rc = thread->name ? 0 : ENOMEM;
    if (rc) {
        sn_log(4, NULL, "sn_thread_open", __LINE__, "malloc FAILED!\n");
    } else if (make_sync(thread) != 0) {
        rc = -1;
    } else if ((rc = pthread_attr_init(&attr)) != 0) {
        sn_log(4, NULL, "sn_thread_open", __LINE__, "pthread_attr_init FAILED:%s\n", strerror(rc));
    } else {
        size_t got = 0;
        if ((rc = pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED)) != 0) {
            sn_log(4, NULL, "sn_thread_open", __LINE__, "pthread_attr_setdetachstate FAILED:%s\n",
                   strerror(rc));
        } else if ((rc = pthread_attr_setstacksize(&attr, (size_t)stack_size)) != 0) {
            sn_log(4, NULL, "sn_thread_open", __LINE__, "pthread_attr_setstacksize FAILED:%s\n",
                   strerror(rc));
        } else if ((rc = pthread_attr_getstacksize(&attr, &got)) != 0) {
            sn_log(4, NULL, "sn_thread_open", __LINE__, "pthread_attr_getstacksize FAILED:%s\n",
                   strerror(rc));
        } else if (got != (size_t)stack_size) {
            sn_log(4, NULL, "sn_thread_open", __LINE__, "set stack size (%d) FAILED! curr:%zu\n",
                   stack_size, got);
        } else {
            thread->running.store(THREAD_RUNNING, std::memory_order_release);
            rc = pthread_create(&thread->thread_id, &attr, thread_handler, thread);
            if (rc != 0) {
                thread->running.store(THREAD_ENDED, std::memory_order_release);
                sn_log(4, NULL, "sn_thread_open", __LINE__, "pthread_create FAILED:%s\n",
                       strerror(rc));
            } else {
                ok = true;
            }
        }
        pthread_attr_destroy(&attr);
    }
    if (!ok) {
        sn_log(4, NULL, "sn_thread_open", __LINE__, "sn_thread_open FAILED!\n");
        free_record(thread);
        return nullptr;
    }
    sn_thread_set_priority(thread, priority);
    return thread;
}

void sn_thread_close(sn_thread_t *thread, int timeout_ms)
{
    if (!thread)
        return;
    sn_log(2, NULL, "sn_thread_close", __LINE__, "closing thread <%p:%s>...\n", (void *)thread,
           thread->name);
    thread->stop.store(1, std::memory_order_release);

    pthread_mutex_lock(&thread->lock);
    /* A thread in its idle sleep looks at its stop word at once. */
    thread->woken.store(1, std::memory_order_release);
    pthread_cond_signal(&thread->wake);
    if (timeout_ms > 0) {
        const struct timespec deadline = deadline_after(timeout_ms);
        while (thread->running.load(std::memory_order_acquire) == THREAD_RUNNING) {
            if (pthread_cond_timedwait(&thread->ended, &thread->lock, &deadline) == ETIMEDOUT)
                break;
        }
    }
    if (thread->running.load(std::memory_order_acquire) == THREAD_RUNNING) {
        /* Deferred: a thread that is busy ends at its next idle sleep. */
        thread->cancel.store(1, std::memory_order_release);
        pthread_cond_signal(&thread->wake);
        sn_log(3, NULL, "sn_thread_close", __LINE__, "thread <%p:%s> is canneled!\n",
               (void *)thread, thread->name);
    }
    /* Taken under the lock, so a thread that ends now sees RELEASED and frees. */
    int old = thread->running.exchange(THREAD_RELEASED, std::memory_order_acq_rel);
    pthread_mutex_unlock(&thread->lock);
    if (old == THREAD_ENDED)
        free_record(thread);
}

/* Ending the thread unwinds from inside this frame, which would leave
 * AddressSanitizer's guard zones of the frame behind on the stack; the frame
 * has none when it is not instrumented. */
__attribute__((no_sanitize("address"))) void sn_thread_sleep(int milliseconds)
{
    if (milliseconds < 0)
        milliseconds = 0;
    sn_thread_t *self = t_self;
    if (!self) {
        /* Not a thread of this module: nobody can cancel it. */
        struct timespec ts;
        ts.tv_sec = milliseconds / 1000;
        ts.tv_nsec = (long)(milliseconds % 1000) * 1000000L;
        while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        }
        return;
    }

    const struct timespec deadline = deadline_after(milliseconds);
    pthread_mutex_lock(&self->lock);
    /* A wake-up (the close gives one too) ends the sleep early: the worker
     * then looks at its stop word or its commands without waiting out its
     * idle step. It ends one sleep only, so a thread that ignores its stop
     * word does not spin. */
    while (!self->cancel.load(std::memory_order_acquire) &&
           !self->woken.load(std::memory_order_acquire)) {
        if (pthread_cond_timedwait(&self->wake, &self->lock, &deadline) == ETIMEDOUT)
            break;
    }
    self->woken.store(0, std::memory_order_release);
    bool cancelled = self->cancel.load(std::memory_order_acquire) != 0;
    pthread_mutex_unlock(&self->lock);
    if (cancelled)
        pthread_exit(PTHREAD_CANCELED);
}

void sn_thread_wake(sn_thread_t *thread)
{
    if (!thread)
        return;
    pthread_mutex_lock(&thread->lock);
    thread->woken.store(1, std::memory_order_release);
    pthread_cond_signal(&thread->wake);
    pthread_mutex_unlock(&thread->lock);
}

void sn_thread_ask_stop(sn_thread_t *thread)
{
    if (!thread)
        return;
    thread->stop.store(1, std::memory_order_release);
    sn_thread_wake(thread);
}

bool sn_thread_stop_asked(void)
{
    const sn_thread_t *self = t_self;
    return self && self->stop.load(std::memory_order_acquire) != 0;
}

void sn_thread_set_priority(sn_thread_t *thread, int priority)
{
    if (!thread)
        return;
    if (priority == -1) {
        thread->priority = -1;
        return;
    }
    if (priority < 0 || priority > 99) {
        sn_log(4, NULL, "sn_thread_set_priority", __LINE__,
               "invalid thread priority! correct value set is [0, 99]\n");
        return;
    }
    thread->priority = priority;
    int high = sched_get_priority_max(SCHED_OTHER);
    int low = sched_get_priority_min(SCHED_OTHER);
    struct sched_param param;
    memset(&param, 0, sizeof param);
    param.sched_priority = (high - low) * priority / 100;
    pthread_mutex_lock(&thread->lock);
    if (thread->running.load(std::memory_order_acquire) == THREAD_RUNNING)
        pthread_setschedparam(thread->thread_id, SCHED_OTHER, &param);
    pthread_mutex_unlock(&thread->lock);
}

void sn_thread_exit(sn_thread_t *thread, int exit_value)
{
    pthread_exit((void *)(intptr_t)exit_value);
}

void sn_thread_print(const sn_thread_t *thread)
{
    if (!thread)
        return;
    sn_log(2, NULL, "sn_thread_print", __LINE__,
           "info of thread <%s>- id: %lu, proc addr: %p, param: %p, running: %d, stack "
           "size: %d, priority: %d\n",
           thread->name, (unsigned long)thread->thread_id, (void *)thread->thread_proc,
           (void *)thread->param,
           thread->running.load(std::memory_order_acquire) == THREAD_RUNNING ? 1 : 0,
           thread->stack_size, thread->priority);
}

sn_thread_mutex_t *sn_thread_mutex_create(void)
{
    sn_thread_mutex_t *mutex = (sn_thread_mutex_t *)malloc(sizeof *mutex);
    if (!mutex) {
        sn_log(4, NULL, "sn_thread_mutex_create", __LINE__, "malloc FAILED!\n");
        return nullptr;
    }
    int rc = pthread_mutex_init(&mutex->mutex, nullptr);
    if (rc != 0) {
        sn_log(4, NULL, "sn_thread_mutex_create", __LINE__, "pthread_mutex_init FAILED:%s\n",
               strerror(rc));
        free(mutex);
        return nullptr;
    }
    return mutex;
}

void sn_thread_mutex_destroy(sn_thread_mutex_t *mutex)
{
    if (!mutex)
        return;
    pthread_mutex_destroy(&mutex->mutex);
    free(mutex);
}

void sn_thread_mutex_lock(sn_thread_mutex_t *mutex)
{
    if (mutex)
        pthread_mutex_lock(&mutex->mutex);
}

void sn_thread_mutex_unlock(sn_thread_mutex_t *mutex)
{
    if (mutex)
        pthread_mutex_unlock(&mutex->mutex);
}
