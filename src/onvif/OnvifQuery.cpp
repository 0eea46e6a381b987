#include "onvif/OnvifQuery.h"

#include "camctl/UrlCredentials.h"
#include "onvif/OnvifAddress.h"
#include "onvif/OnvifLimits.h"
#include "onvif/ProfileChoice.h"
#include "onvif/Soap.h"
#include "onvif/SoapPost.h"

#include <cmath>

using Call = OnvifCalls::Call;
using Kind = OnvifFailure::Kind;

namespace {

// What a call's answer says, through parse when there is one to read: a
// non-2xx answer counts only for the fault it carries.
template<typename Parse>
auto read(const QByteArray &body, const HttpOutcome &outcome, Parse parse, OnvifFailure *failure)
    -> decltype(parse(body, failure))
{
    using F = HttpOutcome::Failure;
    switch (outcome.failure) {
    case F::None:
        return parse(body, failure);
    case F::Status: {
        if (outcome.head.status == 401) {
            *failure = {Kind::NotAuthorized, QStringLiteral("the device refused the user name or password")};
            return std::nullopt;
        }
        OnvifFailure fault;
        if (!parse(body, &fault) && (fault.kind == Kind::Fault || fault.kind == Kind::NotAuthorized))
            *failure = fault;
        else
            *failure = {Kind::Fault, QStringLiteral("the device answered with HTTP status %1").arg(outcome.head.status)};
        return std::nullopt;
    }
    case F::Stopped:
        *failure = {Kind::Malformed,
                    QStringLiteral("the answer is larger than %1 KiB").arg(OnvifLimits::kMaxAnswerBytes / 1024)};
        return std::nullopt;
    case F::Refusing:  // a bound of the camera client's: headers, redirects
        *failure = {Kind::Malformed, outcome.error};
        return std::nullopt;
    default:
        *failure = {Kind::NoAnswer, outcome.error};
        return std::nullopt;
    }
}

QString clockNote(qint64 offsetMs)
{
    const qint64 seconds = std::llabs(offsetMs) / 1000;
    const QString amount = seconds < 120 ? QStringLiteral("%1 s").arg(seconds)
                         : seconds < 2 * 3600 ? QStringLiteral("%1 min").arg(std::llround(seconds / 60.0))
                         : seconds < 2 * 86400 ? QStringLiteral("%1 h").arg(std::llround(seconds / 3600.0))
                                               : QStringLiteral("%1 days").arg(std::llround(seconds / 86400.0));
    return QStringLiteral("the clock is %1 %2: corrected").arg(amount, offsetMs > 0 ? QStringLiteral("ahead")
                                                                                    : QStringLiteral("behind"));
}

bool isStreamAddress(const QString &address)
{
    const QString scheme = QUrl(address).scheme().toLower();
    return scheme == u"rtsp" || scheme == u"rtsps" || scheme == u"http" || scheme == u"https";
}

} // namespace

OnvifQuery::OnvifQuery(QObject *parent)
    : QObject(parent)
{
}

OnvifQuery::~OnvifQuery() = default;

void OnvifQuery::start(const QUrl &deviceAddress, const QString &user, const QString &password)
{
    cancel();
    m_used = OnvifAddress::deviceService(deviceAddress);
    m_user = user;
    m_password = password;
    m_offsetMs = 0;
    m_services = {};
    m_media2 = false;
    m_device = {};
    m_device.address = m_used;
    const QString scheme = m_used.scheme().toLower();
    if (!m_used.isValid() || m_used.host().isEmpty() || (scheme != u"http" && scheme != u"https")) {
        const quint64 serial = m_serial;
        QMetaObject::invokeMethod(this, [this, serial] {
            if (serial == m_serial)
                Q_EMIT finished({}, QStringLiteral("The device address is not an http address."));
        }, Qt::QueuedConnection);
        return;
    }
    askClock();
}

void OnvifQuery::cancel()
{
    ++m_serial;
    m_post.reset();
}

QUrl OnvifQuery::authenticated(const QUrl &service) const
{
    QUrl url(OnvifAddress::rewriteHost(service.toString(QUrl::FullyEncoded), m_used), QUrl::StrictMode);
    if (!m_user.isEmpty()) {
        url.setUserName(m_user, QUrl::DecodedMode);
        url.setPassword(m_password, QUrl::DecodedMode);
    }
    return url;
}

QString OnvifQuery::mask(const QString &text) const
{
    return UrlCredentials::redacted(text, authenticated(m_used));
}

void OnvifQuery::call(Call which, const QUrl &service, bool withToken, const QString &profileToken, Reply reply)
{
    const OnvifCalls::Spec &spec = OnvifCalls::spec(which);
    std::optional<Soap::Token> token;
    if (withToken && !m_user.isEmpty())
        token = Soap::makeToken(m_user, m_password, m_offsetMs);
    const QByteArray envelope = Soap::envelope(OnvifCalls::body(which, profileToken), token ? &*token : nullptr);
    const quint64 serial = ++m_serial;
    // Credentials ride along in the address for HTTP authentication:
    // libcurl sends them only when the device asks.
    m_post = std::make_unique<SoapPost>(this, authenticated(service), spec.action, envelope,
                                        [this, serial, reply](const SoapPost::Answer &answer) {
                                            if (serial != m_serial)
                                                return;
                                            m_post.reset();
                                            reply(answer.body, answer.outcome);
                                        });
}

void OnvifQuery::askClock()
{
    call(Call::SystemDateAndTime, m_used, false, {}, [this](const QByteArray &body, const HttpOutcome &outcome) {
        OnvifFailure failure;
        const auto clock = read(body, outcome, OnvifParse::systemDateAndTime, &failure);
        // Asked without a token, so a refusal here says nothing of the
        // password yet (some devices want one even for their clock).
        if (failure.kind == Kind::NoAnswer)
            return fail(Call::SystemDateAndTime, failure);
        if (clock) {
            m_offsetMs = QDateTime::currentDateTimeUtc().msecsTo(*clock);
            if (std::llabs(m_offsetMs) > OnvifLimits::kClockNoteSeconds * 1000)
                m_device.notes << clockNote(m_offsetMs);
        } else {
            // Tokens are then dated by our clock; a device whose clock is
            // close enough still takes them.
            m_device.notes << (failure.kind == Kind::NotAuthorized
                                   ? QStringLiteral("the device tells its time only to a known user: this computer's "
                                                    "clock is used")
                                   : QStringLiteral("the device did not tell its time: %1").arg(failure.text));
        }
        askServices();
    });
}

void OnvifQuery::askServices()
{
    call(Call::Services, m_used, true, {}, [this](const QByteArray &body, const HttpOutcome &outcome) {
        OnvifFailure failure;
        const auto services = read(body, outcome, OnvifParse::services, &failure);
        if (!services) {
            // Older devices know only GetCapabilities.
            if (failure.kind == Kind::Fault)
                return askCapabilities();
            return fail(Call::Services, failure);
        }
        m_services = *services;
        askInformation();
    });
}

void OnvifQuery::askCapabilities()
{
    call(Call::Capabilities, m_used, true, {}, [this](const QByteArray &body, const HttpOutcome &outcome) {
        OnvifFailure failure;
        const auto services = read(body, outcome, OnvifParse::capabilities, &failure);
        if (!services)
            return fail(Call::Capabilities, failure);
        m_services = *services;
        askInformation();
    });
}

void OnvifQuery::askInformation()
{
    call(Call::DeviceInformation, m_used, true, {}, [this](const QByteArray &body, const HttpOutcome &outcome) {
        OnvifFailure failure;
        const auto info = read(body, outcome, OnvifParse::deviceInformation, &failure);
        // A device may not support the call (a fault: a note); one whose
        // answer breaks a bound is not trusted with the rest.
        if (failure.kind == Kind::NoAnswer || failure.kind == Kind::NotAuthorized || failure.kind == Kind::Malformed)
            return fail(Call::DeviceInformation, failure);
        if (info) {
            m_device.maker = info->maker;
            m_device.model = info->model;
        } else {
            m_device.notes << QStringLiteral("the device did not tell its maker and model: %1").arg(failure.text);
        }
        // Media2 knows H.265; Media is the fallback.
        askProfiles(m_services.media2.isValid());
    });
}

void OnvifQuery::askProfiles(bool media2)
{
    m_media2 = media2;
    const Call which = media2 ? Call::Profiles2 : Call::Profiles;
    call(which, media2 ? m_services.media2 : m_services.media, true, {},
         [this, which, media2](const QByteArray &body, const HttpOutcome &outcome) {
             OnvifFailure failure;
             const auto profiles = read(body, outcome, OnvifParse::profiles, &failure);
             if (!profiles) {
                 if (media2 && failure.kind == Kind::Fault && m_services.media.isValid())
                     return askProfiles(false);
                 return fail(which, failure);
             }
             m_device.profiles = *profiles;
             const ProfileChoice::Choice choice = ProfileChoice::choose(m_device.profiles);
             m_device.mainProfile = choice.main;
             m_device.subProfile = choice.sub;
             askStream(false);
         });
}

void OnvifQuery::askStream(bool sub)
{
    const Call which = m_media2 ? Call::StreamUri2 : Call::StreamUri;
    const OnvifProfile &profile = m_device.profiles.at(sub ? m_device.subProfile : m_device.mainProfile);
    call(which, m_media2 ? m_services.media2 : m_services.media, true, profile.token,
         [this, which, sub](const QByteArray &body, const HttpOutcome &outcome) {
             OnvifFailure failure;
             std::optional<QString> uri = read(body, outcome, OnvifParse::uri, &failure);
             if (uri && !isStreamAddress(*uri)) {
                 failure = {Kind::Malformed, QStringLiteral("the stream address is not an rtsp or http address")};
                 uri.reset();
             }
             if (!uri) {
                 // Without its main stream the device is of no use here;
                 // without a sub-stream the views use the main one.
                 if (!sub || failure.kind == Kind::NoAnswer || failure.kind == Kind::NotAuthorized)
                     return fail(which, failure);
                 m_device.notes << QStringLiteral("no sub-stream address: %1").arg(failure.text);
                 return askStill();
             }
             const QString address = OnvifAddress::withCredentials(OnvifAddress::rewriteHost(*uri, m_used), m_user,
                                                                   m_password);
             (sub ? m_device.subStream : m_device.stream) = address;
             if (!sub && m_device.subProfile >= 0)
                 return askStream(true);
             askStill();
         });
}

void OnvifQuery::askStill()
{
    const Call which = m_media2 ? Call::SnapshotUri2 : Call::SnapshotUri;
    const OnvifProfile &profile = m_device.profiles.at(m_device.mainProfile);
    call(which, m_media2 ? m_services.media2 : m_services.media, true, profile.token,
         [this, which](const QByteArray &body, const HttpOutcome &outcome) {
             OnvifFailure failure;
             std::optional<QString> uri = read(body, outcome, OnvifParse::uri, &failure);
             if (failure.kind == Kind::NoAnswer || failure.kind == Kind::NotAuthorized)
                 return fail(which, failure);
             if (uri && !uri->startsWith(QLatin1String("http"), Qt::CaseInsensitive)) {
                 failure = {Kind::Malformed, QStringLiteral("the still-picture address is not an http address")};
                 uri.reset();
             }
             if (uri)
                 m_device.still = OnvifAddress::withCredentials(OnvifAddress::rewriteHost(*uri, m_used), m_user,
                                                                m_password);
             else
                 m_device.notes << QStringLiteral("no still-picture address: %1").arg(failure.text);
             succeed();
         });
}

void OnvifQuery::succeed()
{
    for (QString &note : m_device.notes)
        note = mask(note);
    Q_EMIT finished(m_device, QString());
}

void OnvifQuery::fail(Call which, const OnvifFailure &failure)
{
    const QString where = UrlCredentials::displayUrl(m_used);
    QString error;
    switch (failure.kind) {
    case Kind::NoAnswer:
        error = QStringLiteral("No answer from the device at %1: %2.").arg(where, failure.text);
        break;
    case Kind::NotAuthorized:
        error = QStringLiteral("The device at %1 refused the user name or password.").arg(where);
        break;
    default:
        error = QStringLiteral("The device at %1 could not be read (%2): %3.")
                    .arg(where, QLatin1String(OnvifCalls::spec(which).what), failure.text);
        break;
    }
    Q_EMIT finished({}, mask(error));
}
