#pragma once

#include <QByteArray>
#include <QString>

// The calls the query makes, as data: each one's action and body. A
// profile's token, where a call names one, replaces %1 escaped.
namespace OnvifCalls {

enum class Call {
    SystemDateAndTime,
    Services,
    Capabilities,
    DeviceInformation,
    Profiles,
    StreamUri,
    SnapshotUri,
    Profiles2,
    StreamUri2,
    SnapshotUri2,
};

struct Spec
{
    Call call;
    const char *what;    // for messages: "GetProfiles"
    const char *action;
    const char *body;
};

const Spec &spec(Call call);
QByteArray body(Call call, const QString &profileToken = {});

} // namespace OnvifCalls
