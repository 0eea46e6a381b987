#pragma once

#include "CamSimAuth.h"
#include "HttpHead.h"
#include "OnvifOptions.h"
#include "OnvifStats.h"

#include <QByteArray>
#include <QDateTime>

namespace OnvifSim {

// A SOAP request body larger than this is refused unread: real calls are a
// few kilobytes.
constexpr qsizetype kMaxRequestBodyBytes = 256 * 1024;

// How an HTTP request is answered: bytes in, an answer out, no sockets.
struct HttpAnswer
{
    enum class When { Now, Slow, Never };
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QByteArray extraHeaders;  // whole lines, each ending in CRLF
    When when = When::Now;
};

// The ONVIF device behind the HTTP server: authentication, faults, the
// calls and the counters.
class OnvifDevice
{
public:
    explicit OnvifDevice(OnvifOptions options);

    const OnvifOptions &options() const { return m_options; }
    OnvifStats &stats() { return m_stats; }
    // System clock plus the configured offset (and the clock fault), UTC.
    QDateTime now() const;

    // port: the server's, for the addresses the answers name.
    HttpAnswer answer(const CamSim::RequestHead &head, const QByteArray &body, quint16 port);

private:
    HttpAnswer soapCall(const CamSim::RequestHead &head, const QByteArray &body, quint16 port);

    OnvifOptions m_options;
    CamSim::Authenticator m_httpAuth;
    OnvifStats m_stats;
};

} // namespace OnvifSim
