#include "onvif/OnvifCalls.h"

#include "onvif/Soap.h"

#include <iterator>

namespace OnvifCalls {

namespace {

#define DEVICE "http://www.onvif.org/ver10/device/wsdl/"
#define MEDIA "http://www.onvif.org/ver10/media/wsdl/"
#define MEDIA2 "http://www.onvif.org/ver20/media/wsdl/"

// In Call's order. Media2's GetProfiles asks for the encoder
// configuration only: the rest (analytics, audio, PTZ) can be large and
// says nothing about the streams.
constexpr Spec kCalls[] = {
    {Call::SystemDateAndTime, "GetSystemDateAndTime", DEVICE "GetSystemDateAndTime", "<tds:GetSystemDateAndTime/>"},
    {Call::Services, "GetServices", DEVICE "GetServices",
     "<tds:GetServices><tds:IncludeCapability>false</tds:IncludeCapability></tds:GetServices>"},
    {Call::Capabilities, "GetCapabilities", DEVICE "GetCapabilities",
     "<tds:GetCapabilities><tds:Category>All</tds:Category></tds:GetCapabilities>"},
    {Call::DeviceInformation, "GetDeviceInformation", DEVICE "GetDeviceInformation", "<tds:GetDeviceInformation/>"},
    {Call::Profiles, "GetProfiles", MEDIA "GetProfiles", "<trt:GetProfiles/>"},
    {Call::StreamUri, "GetStreamUri", MEDIA "GetStreamUri",
     "<trt:GetStreamUri><trt:StreamSetup><tt:Stream>RTP-Unicast</tt:Stream><tt:Transport><tt:Protocol>RTSP</tt:Protocol>"
     "</tt:Transport></trt:StreamSetup><trt:ProfileToken>%1</trt:ProfileToken></trt:GetStreamUri>"},
    {Call::SnapshotUri, "GetSnapshotUri", MEDIA "GetSnapshotUri",
     "<trt:GetSnapshotUri><trt:ProfileToken>%1</trt:ProfileToken></trt:GetSnapshotUri>"},
    {Call::Profiles2, "GetProfiles", MEDIA2 "GetProfiles", "<tr2:GetProfiles><tr2:Type>VideoEncoder</tr2:Type></tr2:GetProfiles>"},
    {Call::StreamUri2, "GetStreamUri", MEDIA2 "GetStreamUri",
     "<tr2:GetStreamUri><tr2:Protocol>RTSP</tr2:Protocol><tr2:ProfileToken>%1</tr2:ProfileToken></tr2:GetStreamUri>"},
    {Call::SnapshotUri2, "GetSnapshotUri", MEDIA2 "GetSnapshotUri",
     "<tr2:GetSnapshotUri><tr2:ProfileToken>%1</tr2:ProfileToken></tr2:GetSnapshotUri>"},
};

#undef DEVICE
#undef MEDIA
#undef MEDIA2

constexpr bool inCallOrder()
{
    for (std::size_t i = 0; i < std::size(kCalls); ++i) {
        if (kCalls[i].call != Call(i))
            return false;
    }
    return std::size(kCalls) == std::size_t(Call::SnapshotUri2) + 1;
}
static_assert(inCallOrder());

} // namespace

const Spec &spec(Call call)
{
    return kCalls[std::size_t(call)];
}

QByteArray body(Call call, const QString &profileToken)
{
    QByteArray b(spec(call).body);
    b.replace("%1", Soap::escaped(profileToken));
    return b;
}

} // namespace OnvifCalls
