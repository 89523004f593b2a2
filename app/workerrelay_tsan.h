// Built under ThreadSanitizer only: shows the sanitizer the order in which
// Qt's event queue hands a relayed report to the interface thread.
//
// The queue carries a relayed report to the interface thread as a queued
// call and orders it with locks that the sanitizer cannot see (Qt is built
// without it). Every relayed call holds one more lock, and the interface
// thread takes and leaves that lock before each queued call it delivers: the
// sanitizer then sees the order the queue gives, and checks the queued slots
// too. (What a relayed call does after its own emit is ordered before the
// slot as well, which the queue does not promise: such an access goes
// unchecked.)
#ifndef WORKERRELAY_TSAN_H
#define WORKERRELAY_TSAN_H

#include <QCoreApplication>
#include <QEvent>

#include <mutex>

namespace workerrelay_tsan
{

inline std::recursive_mutex &handover()
{
    static std::recursive_mutex lock;
    return lock;
}

// Held by a relayed call while it runs.
class Handover
{
public:
    Handover() : m_taken(handover()) {}

private:
    std::lock_guard<std::recursive_mutex> m_taken;
};

class Acquirer : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MetaCall) {
            std::lock_guard<std::recursive_mutex> taken(handover());
        }
        return false;
    }
};

} // namespace workerrelay_tsan

inline void workerRelayTsanInstall()
{
    static QCoreApplication *installedOn = nullptr;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || app == installedOn)
        return;
    installedOn = app;
    workerrelay_tsan::Acquirer *acquirer = new workerrelay_tsan::Acquirer;
    acquirer->setParent(app);
    app->installEventFilter(acquirer);
}
Q_COREAPP_STARTUP_FUNCTION(workerRelayTsanInstall)

#endif
