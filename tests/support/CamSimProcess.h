#pragma once

#include <QProcess>
#include <QStringList>

// The demo camera as a program of its own, on a free port of 127.0.0.1.
// Its first line of output is the port; it is stopped with the object.
class CamSimProcess
{
public:
    explicit CamSimProcess(const QString &binary, const QStringList &extraArgs = {})
    {
        m_process.setProgram(binary);
        m_process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--quiet")}
                               + extraArgs);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return;
        // Bounded: the port line comes at once or the camera failed.
        for (int i = 0; i < 100 && !m_process.canReadLine(); ++i)
            m_process.waitForReadyRead(100);
        if (m_process.canReadLine())
            m_port = m_process.readLine().trimmed().toUShort();
    }
    ~CamSimProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    CamSimProcess(const CamSimProcess &) = delete;
    CamSimProcess &operator=(const CamSimProcess &) = delete;

    quint16 port() const { return m_port; }
    QString base(const QString &userInfo = QString()) const
    {
        const QString user = userInfo.isEmpty() ? QString() : userInfo + QLatin1Char('@');
        return QStringLiteral("http://") + user + QStringLiteral("127.0.0.1:%1").arg(m_port);
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
};
