#pragma once

#include <QByteArray>
#include <QDateTime>

// Answers in the shapes real devices send: prefixes differ from maker to
// maker, Media2 devices list configurations, older ones speak SOAP 1.1.
// The device names its services at 192.0.2.1:8080 and its streams at
// port 80, as devices behind a router do.
namespace OnvifReplies {

inline QByteArray envelope(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/"
           "soap-envelope\" xmlns:tt=\"http://www.onvif.org/ver10/schema\" xmlns:tds=\"http://www.onvif.org/ver10/"
           "device/wsdl\" xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\" xmlns:tr2=\"http://www.onvif.org/ver20/"
           "media/wsdl\" xmlns:ter=\"http://www.onvif.org/ver10/error\">\n<SOAP-ENV:Body>"
           + body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>\n";
}

inline QByteArray clock(const QDateTime &utc)
{
    const QDate d = utc.date();
    const QTime t = utc.time();
    return envelope(QStringLiteral("<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime><tt:DateTimeType>NTP"
                                   "</tt:DateTimeType><tt:UTCDateTime><tt:Time><tt:Hour>%4</tt:Hour><tt:Minute>%5"
                                   "</tt:Minute><tt:Second>%6</tt:Second></tt:Time><tt:Date><tt:Year>%1</tt:Year>"
                                   "<tt:Month>%2</tt:Month><tt:Day>%3</tt:Day></tt:Date></tt:UTCDateTime>"
                                   "</tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>")
                        .arg(d.year()).arg(d.month()).arg(d.day()).arg(t.hour()).arg(t.minute()).arg(t.second())
                        .toUtf8());
}

const QByteArray kServices = envelope(
    "<tds:GetServicesResponse><tds:Service><tds:Namespace>http://www.onvif.org/ver10/device/wsdl</tds:Namespace>"
    "<tds:XAddr>http://192.0.2.1:8080/onvif/device_service</tds:XAddr><tds:Version><tt:Major>2</tt:Major>"
    "</tds:Version></tds:Service><tds:Service><tds:Namespace>http://www.onvif.org/ver10/media/wsdl</tds:Namespace>"
    "<tds:XAddr>http://192.0.2.1:8080/onvif/Media</tds:XAddr></tds:Service><tds:Service><tds:Namespace>"
    "http://www.onvif.org/ver20/media/wsdl</tds:Namespace><tds:XAddr>http://192.0.2.1:8080/onvif/Media2</tds:XAddr>"
    "</tds:Service></tds:GetServicesResponse>");

const QByteArray kServicesMediaOnly = envelope(
    "<tds:GetServicesResponse><tds:Service><tds:Namespace>http://www.onvif.org/ver10/media/wsdl</tds:Namespace>"
    "<tds:XAddr>http://192.0.2.1:8080/onvif/Media</tds:XAddr></tds:Service></tds:GetServicesResponse>");

const QByteArray kCapabilities = envelope(
    "<tds:GetCapabilitiesResponse><tds:Capabilities><tt:Device><tt:XAddr>http://192.0.2.1:8080/onvif/device_service"
    "</tt:XAddr></tt:Device><tt:Media><tt:XAddr>http://192.0.2.1:8080/onvif/Media</tt:XAddr><tt:StreamingCapabilities>"
    "<tt:RTP_TCP>true</tt:RTP_TCP></tt:StreamingCapabilities></tt:Media></tds:Capabilities>"
    "</tds:GetCapabilitiesResponse>");

const QByteArray kInformation = envelope(
    "<tds:GetDeviceInformationResponse><tds:Manufacturer>Acme Vision</tds:Manufacturer><tds:Model>AV-2040</tds:Model>"
    "<tds:FirmwareVersion>V5.5</tds:FirmwareVersion><tds:SerialNumber>X1</tds:SerialNumber>"
    "</tds:GetDeviceInformationResponse>");

// Media: main, sub, and an audio-only profile that is no video profile.
const QByteArray kProfiles = envelope(
    "<trt:GetProfilesResponse><trt:Profiles fixed=\"true\" token=\"Profile_1\"><tt:Name>mainStream</tt:Name>"
    "<tt:VideoEncoderConfiguration token=\"VE1\"><tt:Name>VE1</tt:Name><tt:Encoding>H264</tt:Encoding><tt:Resolution>"
    "<tt:Width>1920</tt:Width><tt:Height>1080</tt:Height></tt:Resolution><tt:RateControl><tt:FrameRateLimit>25"
    "</tt:FrameRateLimit><tt:BitrateLimit>4096</tt:BitrateLimit></tt:RateControl></tt:VideoEncoderConfiguration>"
    "</trt:Profiles><trt:Profiles token=\"Profile_2\"><tt:Name>subStream</tt:Name><tt:VideoEncoderConfiguration "
    "token=\"VE2\"><tt:Encoding>H264</tt:Encoding><tt:Resolution><tt:Width>640</tt:Width><tt:Height>360</tt:Height>"
    "</tt:Resolution><tt:RateControl><tt:FrameRateLimit>12.5</tt:FrameRateLimit></tt:RateControl>"
    "</tt:VideoEncoderConfiguration></trt:Profiles><trt:Profiles token=\"Audio\"><tt:Name>audio</tt:Name>"
    "<tt:AudioEncoderConfiguration token=\"AE\"><tt:Encoding>G711</tt:Encoding></tt:AudioEncoderConfiguration>"
    "</trt:Profiles></trt:GetProfilesResponse>");

// Media2: configurations inside, H.265 main, and a 176-wide third.
const QByteArray kProfiles2 = envelope(
    "<tr2:GetProfilesResponse><tr2:Profiles token=\"M\" fixed=\"true\"><tr2:Name>Main</tr2:Name><tr2:Configurations>"
    "<tr2:VideoEncoder token=\"v0\" GovLength=\"50\"><tt:Name>v0</tt:Name><tt:Encoding>H265</tt:Encoding>"
    "<tt:Resolution><tt:Width>2560</tt:Width><tt:Height>1440</tt:Height></tt:Resolution><tt:RateControl "
    "ConstantBitRate=\"false\"><tt:FrameRateLimit>20</tt:FrameRateLimit></tt:RateControl></tr2:VideoEncoder>"
    "</tr2:Configurations></tr2:Profiles><tr2:Profiles token=\"T\"><tr2:Name>Tiny</tr2:Name><tr2:Configurations>"
    "<tr2:VideoEncoder token=\"v2\"><tt:Encoding>JPEG</tt:Encoding><tt:Resolution><tt:Width>176</tt:Width>"
    "<tt:Height>144</tt:Height></tt:Resolution></tr2:VideoEncoder></tr2:Configurations></tr2:Profiles>"
    "<tr2:Profiles token=\"S\"><tr2:Name>Sub</tr2:Name><tr2:Configurations><tr2:VideoEncoder token=\"v1\">"
    "<tt:Encoding>H264</tt:Encoding><tt:Resolution><tt:Width>704</tt:Width><tt:Height>576</tt:Height>"
    "</tt:Resolution><tt:RateControl><tt:FrameRateLimit>10</tt:FrameRateLimit></tt:RateControl></tr2:VideoEncoder>"
    "</tr2:Configurations></tr2:Profiles></tr2:GetProfilesResponse>");

inline QByteArray streamUri(const QByteArray &uri)
{
    return envelope("<trt:GetStreamUriResponse><trt:MediaUri><tt:Uri>" + uri
                    + "</tt:Uri><tt:InvalidAfterConnect>false</tt:InvalidAfterConnect><tt:Timeout>PT0S</tt:Timeout>"
                      "</trt:MediaUri></trt:GetStreamUriResponse>");
}
inline QByteArray streamUri2(const QByteArray &uri)
{
    return envelope("<tr2:GetStreamUriResponse><tr2:Uri>" + uri + "</tr2:Uri></tr2:GetStreamUriResponse>");
}
inline QByteArray snapshotUri(const QByteArray &uri)
{
    return envelope("<trt:GetSnapshotUriResponse><trt:MediaUri><tt:Uri>" + uri
                    + "</tt:Uri></trt:MediaUri></trt:GetSnapshotUriResponse>");
}

inline QByteArray fault(const QByteArray &subcode, const QByteArray &reason)
{
    return envelope("<SOAP-ENV:Fault><SOAP-ENV:Code><SOAP-ENV:Value>SOAP-ENV:Sender</SOAP-ENV:Value><SOAP-ENV:Subcode>"
                    "<SOAP-ENV:Value>" + subcode + "</SOAP-ENV:Value></SOAP-ENV:Subcode></SOAP-ENV:Code>"
                    "<SOAP-ENV:Reason><SOAP-ENV:Text xml:lang=\"en\">" + reason + "</SOAP-ENV:Text></SOAP-ENV:Reason>"
                    "</SOAP-ENV:Fault>");
}
const QByteArray kNotAuthorized = fault("ter:NotAuthorized", "Sender not Authorized");
const QByteArray kActionNotSupported = fault("ter:ActionNotSupported", "Optional Action Not Implemented");

} // namespace OnvifReplies
