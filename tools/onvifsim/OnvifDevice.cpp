#include "OnvifDevice.h"

#include "OnvifCalls.h"
#include "SoapMessage.h"
#include "WsSecurity.h"

namespace OnvifSim {

namespace {

HttpAnswer soapAnswer(const SoapAnswer &soap)
{
    return {soap.status, "application/soap+xml; charset=utf-8", soap.body, {}, HttpAnswer::When::Now};
}

HttpAnswer plain(int status, const QByteArray &text, const QByteArray &extraHeaders = {})
{
    return {status, "text/plain; charset=utf-8", text + '\n', extraHeaders, HttpAnswer::When::Now};
}

SoapAnswer notAuthorized()
{
    return soapFault(FaultCode::Sender, "ter:NotAuthorized", QStringLiteral("Sender not authorized"));
}

bool soapContentType(const QByteArray &header)
{
    const QByteArray type = header.split(';').first().trimmed().toLower();
    return type == "application/soap+xml" || type == "text/xml";
}

const ServiceAt *serviceAt(const QByteArray &path)
{
    for (const ServiceAt &at : onvifServices()) {
        if (path == at.path)
            return &at;
    }
    return nullptr;
}

const Call *findCall(Service service, const QString &name)
{
    for (const Call &call : onvifCalls()) {
        if (call.service == service && name == QLatin1String(call.name))
            return &call;
    }
    return nullptr;
}

} // namespace

OnvifDevice::OnvifDevice(OnvifOptions options)
    : m_options(std::move(options)), m_httpAuth(m_options.user, m_options.password)
{
}

QDateTime OnvifDevice::now() const
{
    const qint64 fault = m_options.faults.has(Fault::Clock) ? kClockFaultSeconds : 0;
    return QDateTime::currentDateTimeUtc().addSecs(m_options.clockOffsetSeconds + fault);
}

HttpAnswer OnvifDevice::answer(const CamSim::RequestHead &head, const QByteArray &body, quint16 port)
{
    // The counters stay readable whatever the faults, and reading them
    // moves none.
    if (head.path == "/stats")
        return head.method == "GET" ? plain(200, m_stats.text().chopped(1)) : plain(405, "Only GET here.");
    if (!serviceAt(head.path))
        return plain(404, "Not found.");
    if (head.method != "POST")
        return plain(405, "SOAP calls are POSTed.", "Allow: POST\r\n");
    if (!soapContentType(head.header("Content-Type")))
        return plain(415, "Content-Type must be application/soap+xml or text/xml.");
    HttpAnswer answer = soapCall(head, body, port);
    if (m_options.faults.has(Fault::Silent))
        answer.when = HttpAnswer::When::Never;
    else if (m_options.faults.has(Fault::Slow))
        answer.when = HttpAnswer::When::Slow;
    return answer;
}

HttpAnswer OnvifDevice::soapCall(const CamSim::RequestHead &head, const QByteArray &body, quint16 port)
{
    QString error;
    const auto message = parseSoapMessage(body, &error);
    if (!message) {
        m_stats.unknownCallReceived();
        return soapAnswer(soapFault(FaultCode::Sender, "ter:WellFormed", error));
    }
    const Service service = serviceAt(head.path)->service;
    const Call *call = findCall(service, message->action);
    if (!call) {
        m_stats.unknownCallReceived();
        return soapAnswer(soapFault(FaultCode::Receiver, "ter:ActionNotSupported",
                                    QStringLiteral("This service has no such call")));
    }
    m_stats.callReceived(call->name);

    const QDateTime deviceNow = now();
    if (QLatin1String(call->name) != QLatin1String(kUnauthenticatedCall)) {
        if (!m_options.user.isEmpty()) {
            if (m_options.httpDigest) {
                if (!m_httpAuth.check(CamSim::AuthMode::Digest, head.method, head.target,
                                      head.header("Authorization"))) {
                    m_stats.authFailed();
                    return plain(401, "Credentials needed.",
                                 "WWW-Authenticate: " + m_httpAuth.challenge(CamSim::AuthMode::Digest) + "\r\n");
                }
            } else if (!message->token
                       || !usernameTokenValid(*message->token, m_options.user, m_options.password, deviceNow)) {
                m_stats.authFailed();
                return soapAnswer(notAuthorized());
            }
        }
        if (m_options.faults.has(Fault::NotAuthorized)) {
            m_stats.authFailed();
            return soapAnswer(notAuthorized());
        }
        if (m_options.faults.has(Fault::SoapFault))
            return soapAnswer(soapFault(FaultCode::Receiver, {}, QStringLiteral("Internal error")));
    }
    return soapAnswer(call->handler(CallContext{m_options, *message, deviceNow, port}));
}

} // namespace OnvifSim
