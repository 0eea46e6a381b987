#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QTcpSocket;

namespace CamSim {

// The sending side of one connection: writes at once or one byte per
// interval ("drip"), and ends the connection cleanly or with a TCP reset
// once everything handed to it has gone out.
class Outlet : public QObject
{
    Q_OBJECT

public:
    Outlet(QTcpSocket *socket, QObject *parent);

    void setDrip(int intervalMs);
    bool dripping() const { return m_dripInterval > 0; }
    void write(const QByteArray &bytes);
    // Bytes accepted by write() that have not reached the kernel yet.
    qint64 queued() const;
    void closeWhenDrained();
    void resetWhenDrained();

Q_SIGNALS:
    // Some queued bytes went out; a sender held back may go on.
    void progress();

private:
    void dripOne();
    void onBytesWritten();
    void endIfDrained();

    enum class Ending { None, Close, Reset };
    QTcpSocket *m_socket;
    QTimer m_drip;
    int m_dripInterval = 0;
    QByteArray m_dripBuffer;
    qsizetype m_dripPos = 0;
    Ending m_ending = Ending::None;
    bool m_ended = false;
};

} // namespace CamSim
