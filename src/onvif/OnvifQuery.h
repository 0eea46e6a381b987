#pragma once

#include "camctl/HttpClient.h"
#include "onvif/OnvifCalls.h"
#include "onvif/OnvifParse.h"
#include "onvif/OnvifTypes.h"

#include <QObject>

#include <functional>
#include <memory>

class SoapPost;

// Asks one ONVIF device for its maker, model, video profiles and the
// addresses of its streams and still picture, one SOAP call after another
// on camera client threads; the UI thread never waits on the device.
// finished() comes once per start (not after a cancel), from the event
// loop; a cancel or the destructor drops the call under way at once.
class OnvifQuery : public QObject
{
    Q_OBJECT

public:
    explicit OnvifQuery(QObject *parent = nullptr);
    ~OnvifQuery() override;

    // address may be "http://host[:port]" (the path defaults to
    // /onvif/device_service); credentials in it are ignored: user and
    // password are the ones used. A query under way is dropped.
    void start(const QUrl &deviceAddress, const QString &user, const QString &password);
    void cancel();

Q_SIGNALS:
    // error is empty on success: plain words, never a password.
    void finished(const OnvifDevice &device, const QString &error);

private:
    using Reply = std::function<void(const QByteArray &body, const HttpOutcome &outcome)>;
    void call(OnvifCalls::Call which, const QUrl &service, bool authenticated, const QString &profileToken,
              Reply reply);
    void askClock();
    void askServices();
    void askCapabilities();
    void askInformation();
    void askProfiles(bool media2);
    void askStream(bool sub);
    void askStill();
    void succeed();
    void fail(OnvifCalls::Call which, const OnvifFailure &failure);
    // The service's address with the user's credentials, for HTTP
    // authentication, its host rewritten to the one the user reached.
    QUrl authenticated(const QUrl &service) const;
    QString mask(const QString &text) const;

    std::unique_ptr<SoapPost> m_post;
    quint64 m_serial = 0;  // answers of an earlier call or query are dropped
    QUrl m_used;           // the device service, as the user reached it
    QString m_user, m_password;
    qint64 m_offsetMs = 0;  // the device's clock minus ours
    OnvifServices m_services;
    bool m_media2 = false;
    OnvifDevice m_device;
};
