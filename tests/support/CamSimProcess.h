#pragma once

#include "support/StatsRequest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>

// The demo camera as a separate program, for tests of the picture control
// against a server it shares no code with. Reads its port from the first
// line and its counters from /stats.
class CamSimProcess
{
public:
    explicit CamSimProcess(const QStringList &args = {})
    {
        m_process.start(QStringLiteral(OCELLANE_CAMSIM), QStringList{"--port", "0", "--quiet"} + args);
        if (m_process.waitForStarted(10000) && QTest::qWaitFor([this] { return m_process.canReadLine(); }, 10000))
            m_port = quint16(m_process.readLine().trimmed().toUInt());
    }
    ~CamSimProcess()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    bool isRunning() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    // The server's root address, with user:password@ when given.
    QString base(const QString &userInfo = {}) const { return url(QString(), userInfo); }
    QString url(const QString &pathAndQuery, const QString &userInfo = {}) const
    {
        const QString auth = userInfo.isEmpty() ? QString() : userInfo + QLatin1Char('@');
        return QStringLiteral("http://") + auth + QStringLiteral("127.0.0.1:%1%2").arg(m_port).arg(pathAndQuery);
    }

    // The 31-line camera list that points the nine cameras at this server.
    QByteArray cameraList() const
    {
        QProcess writer;
        writer.start(QStringLiteral(OCELLANE_CAMSIM), {QStringLiteral("--write-config"), base()});
        writer.waitForFinished(10000);
        return writer.readAllStandardOutput();
    }

    // The counters now; an empty object when the camera does not answer.
    QJsonObject stats() const { return QJsonDocument::fromJson(statsBody(m_port)).object(); }
    int stat(const char *name) const { return stats().value(QLatin1String(name)).toInt(-1); }

private:
    QProcess m_process;
    quint16 m_port = 0;
};
