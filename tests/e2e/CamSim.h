#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>

// The demo camera, run as its own process for end-to-end tests.
namespace E2e {

class CamSim
{
public:
    explicit CamSim(const QStringList &extraArgs = {});
    ~CamSim();
    bool started() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString baseUrl() const;
    // The 31-line camera list that points the nine cameras at this server.
    QByteArray config() const;
    // The server's connection counters (GET /stats).
    QJsonObject stats() const;
    int openConnections() const { return stats().value(QStringLiteral("open")).toInt(); }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

} // namespace E2e
