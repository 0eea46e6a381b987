#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

// The RTSP test camera (tools/rtspsim/rtspsim.py) as a separate program, for
// tests of the RTSP client against GStreamer's server, which shares no code
// with it. The server's first stdout line is its port; every later line is
// one event ("connect", "setup tcp", "play /path") that this class counts.
class RtspSimProcess
{
public:
    explicit RtspSimProcess(const QStringList &args = {}, quint16 port = 0)
        : m_args(args)
    {
        // Its complaints (a missing GStreamer element, a port in use) end up
        // in the test's log, where a failure is read.
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        start(port);
    }
    ~RtspSimProcess()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    RtspSimProcess(const RtspSimProcess &) = delete;
    RtspSimProcess &operator=(const RtspSimProcess &) = delete;

    bool isRunning() const { return m_up && m_process.state() == QProcess::Running; }
    // The port of the last start that came up; it stays after stop() so a
    // client can keep its address across a restart.
    quint16 port() const { return m_port; }
    // rtsp://[userInfo@]127.0.0.1:PORT/path, the path without its slash.
    QString url(const QString &path, const QString &userInfo = {}) const
    {
        const QString auth = userInfo.isEmpty() ? QString() : userInfo + QLatin1Char('@');
        return QStringLiteral("rtsp://") + auth + QStringLiteral("127.0.0.1:%1/").arg(m_port) + path;
    }

    // Client connections the server has reported so far, over every start.
    int connections()
    {
        drain();
        return m_connections;
    }
    // The path of every PLAY request so far ("/h264", ...), in order.
    QStringList plays()
    {
        drain();
        return m_plays;
    }

    // The lower transport of every SETUP so far ("tcp", "udp"), in order,
    // refused ones included.
    QStringList setups()
    {
        drain();
        return m_setups;
    }

    // Ends the server as a camera that is switched off would: SIGTERM, and
    // SIGKILL if it has not gone in time.
    void stop()
    {
        m_up = false;
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
        drain();
    }

    // The same server again on the same port; true once it listens there.
    bool restart()
    {
        stop();
        const quint16 wanted = m_port;
        return start(wanted) && m_port == wanted;
    }

private:
    bool start(quint16 port)
    {
        m_up = false;
        // python3 on PATH may be one without GStreamer's bindings; the
        // script then hands itself to the system interpreter.
        // --parent: a test killed by its time-out runs no destructor; the
        // server then ends with it instead of holding the port for ever.
        m_process.start(QStringLiteral("python3"),
                        QStringList{QStringLiteral(OCELLANE_RTSPSIM), QStringLiteral("--port"), QString::number(port),
                                    QStringLiteral("--quiet"), QStringLiteral("--parent"),
                                    QString::number(QCoreApplication::applicationPid())}
                            + m_args);
        if (!m_process.waitForStarted(10000))
            return false;
        // A server that cannot start (port taken, bad arguments) exits at
        // once; stop waiting then rather than at the time-out.
        static_cast<void>(QTest::qWaitFor(
            [this] { return m_process.canReadLine() || m_process.state() != QProcess::Running; }, 10000));
        if (!m_process.canReadLine())
            return false;
        bool ok = false;
        const uint bound = m_process.readLine().trimmed().toUInt(&ok);
        if (!ok || bound == 0 || bound > 65535)
            return false;
        m_port = quint16(bound);
        m_up = true;
        return true;
    }

    // Takes the event lines the server has written so far. Polling the pipe
    // here lets a test count without running an event loop; the pass is
    // bounded so a chatty server cannot keep the caller here.
    void drain()
    {
        for (int pass = 0; pass < 64 && m_process.waitForReadyRead(0); ++pass) {
        }
        while (m_process.canReadLine()) {
            const QByteArray line = m_process.readLine().trimmed();
            if (line == "connect")
                ++m_connections;
            else if (line.startsWith("play "))
                m_plays.append(QString::fromUtf8(line.mid(5)));
            else if (line.startsWith("setup "))
                m_setups.append(QString::fromUtf8(line.mid(6)));
        }
    }

    QProcess m_process;
    QStringList m_args;
    quint16 m_port = 0;
    bool m_up = false;
    int m_connections = 0;
    QStringList m_plays;
    QStringList m_setups;
};
