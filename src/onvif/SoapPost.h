#pragma once

#include "camctl/HttpClient.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>

class Handoff;

// One SOAP call over the camera client's HTTP: a POST on a camera client
// thread, its answer (a fault's too) gathered there within
// OnvifLimits::kMaxAnswerBytes and handed whole to the owner's thread.
// Destroying it cancels the call without waiting; done is not called then.
class SoapPost
{
public:
    struct Answer
    {
        HttpOutcome outcome;  // Stopped: the answer outgrew the bound
        QByteArray body;
    };
    using Done = std::function<void(const Answer &)>;

    // url may carry user:password@ for HTTP authentication. done runs on
    // owner's thread, after start has returned.
    SoapPost(QObject *owner, const QUrl &url, const QByteArray &action, const QByteArray &envelope, Done done);
    ~SoapPost();
    SoapPost(const SoapPost &) = delete;
    SoapPost &operator=(const SoapPost &) = delete;

private:
    std::shared_ptr<Handoff> m_handoff;
    std::unique_ptr<CameraAttempt> m_transfer;
};
