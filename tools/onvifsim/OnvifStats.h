#pragma once

#include <QByteArray>
#include <QMap>

namespace OnvifSim {

// What the device has answered, for tests to read at GET /stats. Requests
// are counted by call name; names the device does not know share one
// counter, so a client cannot grow the table.
class OnvifStats
{
public:
    void callReceived(const QByteArray &knownName) { ++m_calls[knownName]; }
    void unknownCallReceived() { ++m_unknownCalls; }
    void authFailed() { ++m_authFailures; }
    void probeReceived() { ++m_probes; }

    qint64 calls(const QByteArray &name) const { return m_calls.value(name); }
    qint64 authFailures() const { return m_authFailures; }
    qint64 probes() const { return m_probes; }

    // One "name value" a line: "call.GetProfiles 2", "call.unknown 0",
    // "auth-failures 1", "discovery-probes 0".
    QByteArray text() const;

private:
    QMap<QByteArray, qint64> m_calls;
    qint64 m_unknownCalls = 0;
    qint64 m_authFailures = 0;
    qint64 m_probes = 0;
};

} // namespace OnvifSim
