// The device service's answers.
#include "OnvifCalls.h"

namespace OnvifSim {

namespace {

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

QByteArray service(const char *ns, const QString &address, int major, int minor)
{
    return "<tds:Service>" + element("tds:Namespace", QLatin1String(ns)) + element("tds:XAddr", address)
           + "<tds:Version><tt:Major>" + number(major) + "</tt:Major><tt:Minor>" + number(minor)
           + "</tt:Minor></tds:Version></tds:Service>";
}

} // namespace

SoapAnswer getSystemDateAndTime(const CallContext &context)
{
    const QDate date = context.deviceNow.date();
    const QTime time = context.deviceNow.time();
    return {200, soapEnvelope("<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime>"
                              "<tt:DateTimeType>Manual</tt:DateTimeType>"
                              "<tt:DaylightSavings>false</tt:DaylightSavings>"
                              "<tt:TimeZone><tt:TZ>UTC0</tt:TZ></tt:TimeZone>"
                              "<tt:UTCDateTime><tt:Time><tt:Hour>"
                              + number(time.hour()) + "</tt:Hour><tt:Minute>" + number(time.minute())
                              + "</tt:Minute><tt:Second>" + number(time.second())
                              + "</tt:Second></tt:Time><tt:Date><tt:Year>" + number(date.year())
                              + "</tt:Year><tt:Month>" + number(date.month()) + "</tt:Month><tt:Day>"
                              + number(date.day())
                              + "</tt:Day></tt:Date></tt:UTCDateTime>"
                                "</tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>")};
}

SoapAnswer getServices(const CallContext &context)
{
    QByteArray services;
    for (const ServiceAt &at : onvifServices())
        services += service(at.ns, serviceAddress(context.port, at.service), at.major, at.minor);
    return {200, soapEnvelope("<tds:GetServicesResponse>" + services + "</tds:GetServicesResponse>")};
}

SoapAnswer getCapabilities(const CallContext &context)
{
    return {200, soapEnvelope("<tds:GetCapabilitiesResponse><tds:Capabilities><tt:Device>"
                              + element("tt:XAddr", serviceAddress(context.port, Service::Device))
                              + "</tt:Device><tt:Media>"
                              + element("tt:XAddr", serviceAddress(context.port, Service::Media))
                              + "<tt:StreamingCapabilities><tt:RTPMulticast>false</tt:RTPMulticast>"
                                "<tt:RTP_TCP>true</tt:RTP_TCP><tt:RTP_RTSP_TCP>true</tt:RTP_RTSP_TCP>"
                                "</tt:StreamingCapabilities></tt:Media></tds:Capabilities>"
                                "</tds:GetCapabilitiesResponse>")};
}

SoapAnswer getDeviceInformation(const CallContext &context)
{
    QByteArray extension;
    if (context.options.faults.has(Fault::Deep)) {
        // Well-formed, so only a client without a depth bound suffers.
        QByteArray open;
        QByteArray close;
        open.reserve(kDeepNesting * 8);
        close.reserve(kDeepNesting * 9);
        for (int i = 0; i < kDeepNesting; ++i) {
            open += "<tt:Any>";
            close += "</tt:Any>";
        }
        extension = open + close;
    }
    return {200, soapEnvelope("<tds:GetDeviceInformationResponse>"
                              "<tds:Manufacturer>Ocellane</tds:Manufacturer>"
                              "<tds:Model>Test Camera</tds:Model>"
                              "<tds:FirmwareVersion>1.0.0</tds:FirmwareVersion>"
                              "<tds:SerialNumber>OCL-0001</tds:SerialNumber>"
                              "<tds:HardwareId>TestCamera</tds:HardwareId>"
                              + extension + "</tds:GetDeviceInformationResponse>")};
}

} // namespace OnvifSim
