#pragma once

#include "OnvifFaults.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace OnvifSim {

// Everything the command line sets, with its defaults.
struct OnvifOptions
{
    quint16 port = 0;           // 0: any free port
    std::optional<quint16> discoveryPort;  // none: no WS-Discovery; 0: any free port
    bool multicast = false;     // also listen on WS-Discovery's multicast group, on loopback
    QString rtspMain = QStringLiteral("rtsp://127.0.0.1:8554/main");
    QString rtspSub = QStringLiteral("rtsp://127.0.0.1:8554/sub1");
    QString snapshot = QStringLiteral("http://127.0.0.1:8080/axis-cgi/jpg/image.cgi");
    QByteArray user;  // empty: no call needs credentials
    QByteArray password;
    bool httpDigest = false;  // HTTP Digest instead of WS-Security
    qint64 clockOffsetSeconds = 0;
    FaultSet faults;
};

} // namespace OnvifSim
