#pragma once

#include <QString>
#include <QUrl>

// The addresses a device reports, made into ones this computer can use.
namespace OnvifAddress {

// address with user:password@ in place of any it had, both
// percent-encoded (a password's "@" or ":" would end the field early);
// unchanged when user is empty or the address has no scheme and host.
QString withCredentials(const QString &address, const QString &user, const QString &password);

// A device reports its addresses by its own idea of its host (often its
// address behind a router, or a name nobody resolves). When reported's
// host differs from the one the user reached it at (used), the used host
// takes its place; for http and https the used port too, the only one
// known to lead to the device. An rtsp address on port 80 gets 554:
// devices that say 80 there mean the RTSP default.
QString rewriteHost(const QString &reported, const QUrl &used);

// The device service address for what the user typed ("http://host[:port]"
// gets /onvif/device_service), without credentials.
QUrl deviceService(const QUrl &typed);

} // namespace OnvifAddress
