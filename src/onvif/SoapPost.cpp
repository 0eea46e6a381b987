#include "onvif/SoapPost.h"

#include "camctl/Handoff.h"
#include "onvif/OnvifLimits.h"
#include "onvif/Soap.h"

namespace {

class Gather : public HttpHandler
{
public:
    explicit Gather(std::function<void(const SoapPost::Answer &)> done)
        : m_done(std::move(done))
    {
    }

    bool body(const HttpHead &head, QByteArrayView bytes) override
    {
        // A body that came before the final answer (a challenge's, on the
        // way to the credentials) is not the answer.
        if (head.status != m_status) {
            m_status = head.status;
            m_body.clear();
        }
        if (head.contentLength > OnvifLimits::kMaxAnswerBytes
            || m_body.size() + bytes.size() > OnvifLimits::kMaxAnswerBytes)
            return false;
        m_body += bytes;
        return true;
    }

    void finished(const HttpOutcome &outcome) override { m_done({outcome, std::exchange(m_body, {})}); }

private:
    std::function<void(const SoapPost::Answer &)> m_done;
    QByteArray m_body;
    int m_status = 0;
};

} // namespace

SoapPost::SoapPost(QObject *owner, const QUrl &url, const QByteArray &action, const QByteArray &envelope, Done done)
    : m_handoff(std::make_shared<Handoff>(owner))
{
    HttpRequest request;
    request.url = url;
    request.postBody = envelope;
    request.contentType = Soap::contentType(action);
    request.keepErrorBody = true;
    request.connectTimeoutMs = OnvifLimits::kConnectTimeoutMs;
    request.idleTimeoutMs = request.totalTimeoutMs = OnvifLimits::kCallTimeoutMs;
    std::shared_ptr<Handoff> handoff = m_handoff;
    auto toOwner = [handoff, done = std::move(done)](const Answer &answer) {
        handoff->post([done, answer] { done(answer); });
    };
    // Told at once on this thread when no thread can be had: posted all
    // the same, so done never runs inside the constructor.
    m_transfer = HttpClient::start(request, std::make_shared<Gather>(std::move(toOwner)));
}

SoapPost::~SoapPost()
{
    m_handoff->close();
}
