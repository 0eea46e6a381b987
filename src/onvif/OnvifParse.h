#pragma once

#include "onvif/OnvifTypes.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <optional>

// Each answer of the query's calls, bytes to what the query needs. Every
// reader refuses (nullopt, *failure) rather than guess: a fault, an answer
// past OnvifLimits, or one without what it must hold.
struct OnvifFailure
{
    enum class Kind {
        None,
        Fault,          // the device answered with a SOAP fault
        NotAuthorized,  // a fault saying the user or password is wrong
        Malformed,      // not XML, past a bound, or missing what it must hold
        NoAnswer,       // no answer at all (the query's, from the transfer)
    };
    Kind kind = Kind::None;
    QString text;  // plain words; a device's own are bounded and printable
};

struct OnvifServices
{
    QUrl media, media2;  // invalid when not offered
};

struct OnvifDeviceInformation
{
    QString maker, model;
};

namespace OnvifParse {

// The device's UTC clock.
std::optional<QDateTime> systemDateAndTime(QByteArrayView bytes, OnvifFailure *failure);
std::optional<OnvifServices> services(QByteArrayView bytes, OnvifFailure *failure);
std::optional<OnvifServices> capabilities(QByteArrayView bytes, OnvifFailure *failure);
std::optional<OnvifDeviceInformation> deviceInformation(QByteArrayView bytes, OnvifFailure *failure);
// The video profiles of either media service's answer (each with a token
// and a video encoder); an answer with none is a failure.
std::optional<QList<OnvifProfile>> profiles(QByteArrayView bytes, OnvifFailure *failure);
// A stream or snapshot address, as the device wrote it.
std::optional<QString> uri(QByteArrayView bytes, OnvifFailure *failure);

// A device's text as it may appear in a message: one line, printable,
// at most OnvifLimits::kMaxShownChars.
QString printable(const QString &text);

} // namespace OnvifParse
