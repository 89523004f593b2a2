// WorkerRelay: the one way a worker's reports reach an object of the
// interface thread (the Step 2 and Step 4 pages, the file model).
//
// The worker never calls the object itself: it calls through the relay, and
// what the object does there is to hand the report on as a queued signal
// carrying copied values (or a record that the receiver then owns), as in
// Qt's Mandelbrot example. When the object goes it detaches; a call that
// comes after finds nobody instead of a freed object, and detaching waits for
// a call already inside to return, so that the object may be freed right
// after. A relay lives as long as anything may still call through it: a
// request record holds it by a shared pointer, and the relay of a worker that
// may not have ended is never freed.
#ifndef WORKERRELAY_H
#define WORKERRELAY_H

#include <memory>
#include <mutex>

// A ThreadSanitizer build also orders each relayed call before the queued
// slots it leads to, which the sanitizer cannot see inside Qt.
#if defined(__SANITIZE_THREAD__)
#include "workerrelay_tsan.h"
#endif

template <class Target> class WorkerRelay
{
public:
    typedef std::shared_ptr<WorkerRelay<Target>> Ptr;

    static Ptr create(Target *target)
    {
        return std::make_shared<WorkerRelay<Target>>(target);
    }
    explicit WorkerRelay(Target *target) : m_target(target) {}
    WorkerRelay(const WorkerRelay &) = delete;
    WorkerRelay &operator=(const WorkerRelay &) = delete;

    // Runs call(target) on the caller's thread, unless detached; false then.
    template <class Call> bool deliver(Call &&call)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_target)
            return false;
#if defined(__SANITIZE_THREAD__)
        workerrelay_tsan::Handover handover;
#endif
        call(m_target);
        return true;
    }
    // No call reaches the target any more once this returns. last runs
    // under the same lock first: no delivery comes between it and the end.
    template <class Last> void detach(Last &&last)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        last();
        m_target = nullptr;
    }
    void detach()
    {
        detach([] {});
    }

private:
    std::mutex m_mutex;
    Target *m_target;
};

#endif
