#pragma once

#include "support/StatsRequest.h"

#include <QProcess>
#include <QStringList>
#include <QTest>

// The ONVIF test device (tools/onvifsim) as a separate program: its port
// from the first line, its counters from /stats.
class OnvifSimProcess
{
public:
    explicit OnvifSimProcess(const QStringList &args = {})
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(OCELLANE_ONVIFSIM), QStringList{QStringLiteral("--port"), QStringLiteral("0")} + args);
        if (m_process.waitForStarted(10000) && QTest::qWaitFor([this] { return m_process.canReadLine(); }, 10000))
            m_port = quint16(m_process.readLine().trimmed().toUInt());
    }
    ~OnvifSimProcess()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    OnvifSimProcess(const OnvifSimProcess &) = delete;
    OnvifSimProcess &operator=(const OnvifSimProcess &) = delete;

    bool isRunning() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

    // The counter of one /stats line ("call.GetProfiles"), -1 when the
    // device does not answer.
    int counter(const QByteArray &name) const
    {
        const QByteArray body = statsBody(m_port);
        if (body.isEmpty())
            return -1;
        for (const QByteArray &line : body.split('\n')) {
            const QList<QByteArray> fields = line.trimmed().split(' ');
            if (fields.size() == 2 && fields[0] == name)
                return fields[1].toInt();
        }
        return 0;
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
};
