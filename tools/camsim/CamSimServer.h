#pragma once

#include "CamSimAuth.h"
#include "CamSimStats.h"
#include "Connection.h"
#include "FaultPlan.h"
#include "FrameFeed.h"

#include <QObject>
#include <QString>
#include <QTcpServer>

#include <memory>

namespace CamSim {

// More clients than this at once are turned away at the door.
constexpr int kMaxConnections = 512;

// The demo camera: serves Axis-style motion-JPEG and still pictures on
// 127.0.0.1. Runs in the thread that creates it.
class CamSimServer : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        quint16 port = 0;  // 0: any free port
        double fps = 25;
        QString framesDir;  // empty: drawn pictures
        AuthMode auth = AuthMode::None;
        QByteArray user = "admin";
        QByteArray password = "secret";
        FaultPlan streamFault;
        bool log = false;
        int requestTimeoutMs = kRequestTimeoutMs;
    };

    explicit CamSimServer(const Options &options, QObject *parent = nullptr);
    ~CamSimServer() override;

    bool start(QString *error);
    quint16 port() const { return m_server.serverPort(); }
    const CamSimStats &stats() const { return m_stats; }
    int feedCount() const { return m_hub ? m_hub->feedCount() : 0; }

private:
    void onNewConnection();

    Options m_options;
    ServerSettings m_settings;
    Authenticator m_authenticator;
    CamSimStats m_stats;
    std::unique_ptr<FeedHub> m_hub;
    QTcpServer m_server;
    int m_connections = 0;
};

} // namespace CamSim
