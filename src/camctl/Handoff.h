#pragma once

#include <QMetaObject>
#include <QObject>

#include <mutex>
#include <utility>

// Hands calls from a worker thread to an object on the UI thread. The
// object closes the handoff before it goes; a call posted before that runs
// only if the object is still there (Qt drops events of deleted objects),
// and none is posted after. Posting holds the lock for the post alone, so
// closing never waits for more than that.
class Handoff
{
public:
    explicit Handoff(QObject *target)
        : m_target(target)
    {
    }

    template<typename Call>
    void post(Call &&call)
    {
        std::lock_guard lock(m_mutex);
        if (m_target)
            QMetaObject::invokeMethod(m_target, std::forward<Call>(call), Qt::QueuedConnection);
    }

    void close()
    {
        std::lock_guard lock(m_mutex);
        m_target = nullptr;
    }

private:
    std::mutex m_mutex;
    QObject *m_target;
};
