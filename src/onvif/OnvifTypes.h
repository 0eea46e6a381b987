#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QUrl>

// What an ONVIF device told about itself, in the shapes the settings
// window writes from.
struct OnvifProfile
{
    QString token, name, encoding;
    int width = 0, height = 0;
    double rate = 0;
};

struct OnvifDevice
{
    QUrl address;  // the device service address that answered (no credentials)
    QString maker, model;
    QList<OnvifProfile> profiles;  // video profiles only
    int mainProfile = -1, subProfile = -1;  // indexes into profiles
    // The addresses to write: credentials inserted (user:password@,
    // percent-encoded), host rewritten to the one the user reached.
    QString stream, subStream, still;
    QStringList notes;  // plain words for the user
};

struct OnvifDiscovered
{
    QUrl address;
    QString maker, model, name;
};

Q_DECLARE_METATYPE(OnvifDevice)
Q_DECLARE_METATYPE(OnvifDiscovered)
