/*
 * sn_thread: detached worker threads that run a plain procedure, stopped by a
 * stop word and a bounded wait (then cancelled at their idle sleep), and a
 * plain mutex. Every worker of the system is opened here.
 */
#ifndef SN_THREAD_H
#define SN_THREAD_H

#include <stddef.h>

#include <atomic>

/* Smallest stack a thread gets: codecs and filters need stacks of this order,
 * so a request of 0 or of anything smaller is raised to it. */
#define SN_THREAD_STACK_MIN (2 * 1024 * 1024)

typedef struct sn_thread sn_thread_t;
typedef struct sn_thread_mutex sn_thread_mutex_t;

/* The procedure of a thread: its param and the thread's stop word, which
 * becomes 1 when the owner closes the thread. The result is the thread's exit
 * value, read by nobody. */
typedef int (*sn_thread_proc_t)(void *param, const std::atomic<int> *stop);

/* Starts a detached thread running proc(param, stop). priority is -1 (the
 * platform default) or 0..99; stack_size 0 selects the default. Returns the
 * record, or null with nothing left allocated. */
sn_thread_t *sn_thread_open(const char *name, int priority, int stack_size, sn_thread_proc_t proc,
                            void *param);

/* Sets the stop word, wakes the thread from its idle sleep, waits up to
 * timeout_ms for the procedure to return (the wait ends as soon as it has),
 * then cancels a thread that still runs. The caller must not use
 * the record afterwards: it is freed here, or by the thread itself as soon as
 * it can no longer touch it. */
void sn_thread_close(sn_thread_t *thread, int timeout_ms);

/* The idle sleep of a worker, and the only place where a thread opened here
 * can be cancelled: call it holding no lock, from frames that may unwind
 * (cancellation runs the destructors of the frames above it, so none of them
 * may be noexcept, and a catch (...) there must rethrow). */
void sn_thread_sleep(int milliseconds);
/* Ends the thread's current or next idle sleep early, so that it looks at a
 * command just posted for it; the owner calls it while the record is its. */
void sn_thread_wake(sn_thread_t *thread);
/* Sets the thread's stop word without waiting, for an owner that will close
 * it later; long work that can stop early (a picture's decode) looks at it
 * through sn_thread_stop_asked. */
void sn_thread_ask_stop(sn_thread_t *thread);
/* True on a thread opened here whose stop word is set; false elsewhere. */
bool sn_thread_stop_asked(void);

void sn_thread_set_priority(sn_thread_t *thread, int priority);
/* Ends the calling thread with exit_value; the record is not used. */
void sn_thread_exit(sn_thread_t *thread, int exit_value);
/* Logs the record at level 2. */
void sn_thread_print(const sn_thread_t *thread);

/* A plain, non-recursive mutex. Destroy, lock and unlock ignore null. */
sn_thread_mutex_t *sn_thread_mutex_create(void);
void sn_thread_mutex_destroy(sn_thread_mutex_t *mutex);
void sn_thread_mutex_lock(sn_thread_mutex_t *mutex);
void sn_thread_mutex_unlock(sn_thread_mutex_t *mutex);

/* Holds a mutex for one scope, so that every early return unlocks it. */
class sn_thread_mutex_guard
{
public:
    explicit sn_thread_mutex_guard(sn_thread_mutex_t *mutex) : mutex_(mutex)
    {
        sn_thread_mutex_lock(mutex_);
    }
    ~sn_thread_mutex_guard()
    {
        sn_thread_mutex_unlock(mutex_);
    }
    sn_thread_mutex_guard(const sn_thread_mutex_guard &) = delete;
    sn_thread_mutex_guard &operator=(const sn_thread_mutex_guard &) = delete;

private:
    sn_thread_mutex_t *mutex_;
};

#endif
