#include "OnvifCalls.h"

#include <array>

namespace OnvifSim {

namespace {

constexpr std::array<ServiceAt, 3> kServices{{
    {Service::Device, "/onvif/device_service", "http://www.onvif.org/ver10/device/wsdl", 21, 12},
    {Service::Media, "/onvif/media_service", "http://www.onvif.org/ver10/media/wsdl", 21, 12},
    {Service::Media2, "/onvif/media2_service", "http://www.onvif.org/ver20/media/wsdl", 21, 12},
}};

constexpr std::array<Call, 10> kCalls{{
    {Service::Device, "GetSystemDateAndTime", getSystemDateAndTime},
    {Service::Device, "GetServices", getServices},
    {Service::Device, "GetCapabilities", getCapabilities},
    {Service::Device, "GetDeviceInformation", getDeviceInformation},
    {Service::Media, "GetProfiles", getProfiles10},
    {Service::Media, "GetStreamUri", getStreamUri10},
    {Service::Media, "GetSnapshotUri", getSnapshotUri10},
    {Service::Media2, "GetProfiles", getProfiles20},
    {Service::Media2, "GetStreamUri", getStreamUri20},
    {Service::Media2, "GetSnapshotUri", getSnapshotUri20},
}};

} // namespace

std::span<const Call> onvifCalls()
{
    return kCalls;
}

std::span<const ServiceAt> onvifServices()
{
    return kServices;
}

QString serviceAddress(quint16 port, Service service)
{
    for (const ServiceAt &at : kServices) {
        if (at.service == service)
            return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(QLatin1String(at.path));
    }
    return {};
}

} // namespace OnvifSim
