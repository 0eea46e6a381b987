#pragma once

#include "OnvifOptions.h"
#include "SoapMessage.h"
#include "SoapWriter.h"

#include <QDateTime>

#include <span>

namespace OnvifSim {

enum class Service { Device, Media, Media2 };

// What a call's answer is made from.
struct CallContext
{
    const OnvifOptions &options;
    const SoapMessage &request;
    QDateTime deviceNow;  // UTC
    quint16 port;         // of the device service, for the addresses it names
};

using CallHandler = SoapAnswer (*)(const CallContext &);

struct Call
{
    Service service;
    const char *name;  // the Body element's local name
    CallHandler handler;
};

// Every call the device answers; GetSystemDateAndTime alone needs no
// credentials, since clients ask it first to learn the device clock.
std::span<const Call> onvifCalls();
constexpr char kUnauthenticatedCall[] = "GetSystemDateAndTime";

// The service and its namespace served at an HTTP path, if any.
struct ServiceAt
{
    Service service;
    const char *path;
    const char *ns;
    int major;  // the version GetServices reports
    int minor;
};
std::span<const ServiceAt> onvifServices();

// http://127.0.0.1:PORT/onvif/...
QString serviceAddress(quint16 port, Service service);

SoapAnswer getSystemDateAndTime(const CallContext &context);
SoapAnswer getServices(const CallContext &context);
SoapAnswer getCapabilities(const CallContext &context);
SoapAnswer getDeviceInformation(const CallContext &context);
SoapAnswer getProfiles10(const CallContext &context);
SoapAnswer getProfiles20(const CallContext &context);
SoapAnswer getStreamUri10(const CallContext &context);
SoapAnswer getStreamUri20(const CallContext &context);
SoapAnswer getSnapshotUri10(const CallContext &context);
SoapAnswer getSnapshotUri20(const CallContext &context);

} // namespace OnvifSim
