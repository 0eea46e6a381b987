#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QTcpSocket;

namespace CamSim {

// A paced link sends a few bytes this often, so the client hears from us
// all the time however low the rate.
constexpr int kPaceTickMs = 25;
// A paced link stops handing bytes to Qt while this many still wait there
// (a client reading slower than the rate), so a client that catches up
// gets at most this much at once, not all it missed.
constexpr qint64 kPacedSocketBacklog = 64 * 1024;

// The sending side of one connection: writes at once, one byte per
// interval ("drip") or at a rate in bytes per second ("slow link"), and
// ends the connection cleanly or with a TCP reset once everything handed
// to it has gone out.
class Outlet : public QObject
{
    Q_OBJECT

public:
    Outlet(QTcpSocket *socket, QObject *parent);

    void setDrip(int intervalMs);
    void setRate(qint64 bytesPerSecond);
    bool paced() const { return m_dripInterval > 0 || m_rate > 0; }
    void write(const QByteArray &bytes);
    // Bytes accepted by write() that have not reached the kernel yet.
    qint64 queued() const;
    void closeWhenDrained();
    void resetWhenDrained();

Q_SIGNALS:
    // Some queued bytes went out; a sender held back may go on.
    void progress();

private:
    void paceStep();
    // How many bytes the rate allows now.
    qsizetype rateAllowance();
    void onBytesWritten();
    void endIfDrained();

    enum class Ending { None, Close, Reset };
    QTcpSocket *m_socket;
    QTimer m_pace;
    int m_dripInterval = 0;
    qint64 m_rate = 0;
    QElapsedTimer m_clock;
    qint64 m_lastStepMs = 0;
    double m_credit = 0;  // bytes the rate allowed that have not gone out
    QByteArray m_paceBuffer;
    qsizetype m_pacePos = 0;
    Ending m_ending = Ending::None;
    bool m_ended = false;
};

} // namespace CamSim
