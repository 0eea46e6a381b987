// The answers of both media services: ver10 (trt:) and ver20 (tr2:).
#include "OnvifCalls.h"
#include "Profiles.h"

#include <QUrl>

#include <optional>

namespace OnvifSim {

namespace {

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

QByteArray attribute(const char *name, const QString &value)
{
    return QByteArray(" ") + name + "=\"" + xmlText(value) + '"';
}

QByteArray multicast()
{
    return "<tt:Multicast><tt:Address><tt:Type>IPv4</tt:Type><tt:IPv4Address>0.0.0.0</tt:IPv4Address>"
           "</tt:Address><tt:Port>0</tt:Port><tt:TTL>1</tt:TTL><tt:AutoStart>false</tt:AutoStart></tt:Multicast>";
}

QByteArray resolution(const VideoProfile &profile)
{
    return "<tt:Resolution><tt:Width>" + number(profile.width) + "</tt:Width><tt:Height>" + number(profile.height)
           + "</tt:Height></tt:Resolution>";
}

QByteArray videoSource(const char *tag)
{
    // Both profiles cut from the one sensor, so the bounds are the main size.
    const VideoProfile &sensor = kVideoProfiles.front();
    return QByteArray("<") + tag + " token=\"vsc0\"><tt:Name>VideoSourceConfig</tt:Name><tt:UseCount>"
           + number(qsizetype(kVideoProfiles.size())) + "</tt:UseCount><tt:SourceToken>vs0</tt:SourceToken>"
           + "<tt:Bounds x=\"0\" y=\"0\" width=\"" + number(sensor.width) + "\" height=\"" + number(sensor.height)
           + "\"/></" + tag + '>';
}

QByteArray audioSource(const char *tag)
{
    return QByteArray("<") + tag
           + " token=\"asc0\"><tt:Name>AudioSourceConfig</tt:Name><tt:UseCount>1</tt:UseCount>"
             "<tt:SourceToken>as0</tt:SourceToken></"
           + tag + '>';
}

QByteArray audioEncoder10()
{
    return "<tt:AudioEncoderConfiguration token=\"aec0\"><tt:Name>AudioEncoderConfig</tt:Name>"
           "<tt:UseCount>1</tt:UseCount><tt:Encoding>G711</tt:Encoding><tt:Bitrate>64</tt:Bitrate>"
           "<tt:SampleRate>8</tt:SampleRate>"
           + multicast() + "<tt:SessionTimeout>PT60S</tt:SessionTimeout></tt:AudioEncoderConfiguration>";
}

QByteArray audioEncoder20()
{
    return "<tr2:AudioEncoder token=\"aec0\"><tt:Name>AudioEncoderConfig</tt:Name><tt:UseCount>1</tt:UseCount>"
           "<tt:Encoding>PCMU</tt:Encoding>"
           + multicast() + "<tt:Bitrate>64</tt:Bitrate><tt:SampleRate>8</tt:SampleRate></tr2:AudioEncoder>";
}

QByteArray profile10(const VideoProfile &profile, const QString &token, bool audioOnly)
{
    QByteArray configurations;
    if (audioOnly) {
        configurations = audioSource("tt:AudioSourceConfiguration") + audioEncoder10();
    } else {
        configurations = videoSource("tt:VideoSourceConfiguration")
                         + "<tt:VideoEncoderConfiguration" + attribute("token", token + QLatin1String("-vec"))
                         + "><tt:Name>" + xmlText(token) + "</tt:Name><tt:UseCount>1</tt:UseCount>"
                         + "<tt:Encoding>H264</tt:Encoding>" + resolution(profile) + "<tt:Quality>5</tt:Quality>"
                         + "<tt:RateControl><tt:FrameRateLimit>" + number(profile.fps)
                         + "</tt:FrameRateLimit><tt:EncodingInterval>1</tt:EncodingInterval><tt:BitrateLimit>"
                         + number(profile.bitrateKbps) + "</tt:BitrateLimit></tt:RateControl>"
                         + "<tt:H264><tt:GovLength>" + number(profile.govLength)
                         + "</tt:GovLength><tt:H264Profile>Main</tt:H264Profile></tt:H264>" + multicast()
                         + "<tt:SessionTimeout>PT60S</tt:SessionTimeout></tt:VideoEncoderConfiguration>";
    }
    return "<trt:Profiles" + attribute("token", token) + " fixed=\"true\">" + element("tt:Name", token)
           + configurations + "</trt:Profiles>";
}

// Media2 answers only the configurations asked for by Type: none without
// one, all for "All".
struct Media2Types
{
    QStringList types;
    bool wants(const char *type) const
    {
        return types.contains(QLatin1String("All")) || types.contains(QLatin1String(type));
    }
};

QByteArray profile20(const VideoProfile &profile, const QString &token, bool audioOnly, const Media2Types &asked)
{
    QByteArray configurations;
    if (audioOnly) {
        if (asked.wants("AudioSource"))
            configurations += audioSource("tr2:AudioSource");
        if (asked.wants("AudioEncoder"))
            configurations += audioEncoder20();
    } else {
        if (asked.wants("VideoSource"))
            configurations += videoSource("tr2:VideoSource");
        if (asked.wants("VideoEncoder"))
            configurations += "<tr2:VideoEncoder" + attribute("token", token + QLatin1String("-vec")) + " GovLength=\""
                              + number(profile.govLength) + "\" Profile=\"Main\"><tt:Name>" + xmlText(token)
                              + "</tt:Name><tt:UseCount>1</tt:UseCount><tt:Encoding>H264</tt:Encoding>"
                              + resolution(profile) + "<tt:RateControl ConstantBitRate=\"false\"><tt:FrameRateLimit>"
                              + number(profile.fps) + "</tt:FrameRateLimit><tt:BitrateLimit>"
                              + number(profile.bitrateKbps) + "</tt:BitrateLimit></tt:RateControl>" + multicast()
                              + "<tt:Quality>5</tt:Quality></tr2:VideoEncoder>";
    }
    return "<tr2:Profiles" + attribute("token", token) + " fixed=\"true\">" + element("tr2:Name", token)
           + "<tr2:Configurations>" + configurations + "</tr2:Configurations></tr2:Profiles>";
}

// write(profile, token, audioOnly) gives one profile's XML.
template <typename Writer>
QByteArray profiles(const CallContext &context, Writer write)
{
    const FaultSet &faults = context.options.faults;
    QByteArray out;
    if (faults.has(Fault::NoProfile))
        return out;
    const bool audioOnly = faults.has(Fault::AudioOnly);
    for (const VideoProfile &profile : kVideoProfiles)
        out += write(profile, QLatin1String(profile.token), audioOnly);
    // More of the same, each with a token of its own, until the answer is
    // as large as asked.
    for (int copy = 1; faults.has(Fault::Huge) && out.size() < kHugeAnswerBytes; ++copy) {
        const VideoProfile &profile = kVideoProfiles[copy % kVideoProfiles.size()];
        out += write(profile, QStringLiteral("extra%1").arg(copy), audioOnly);
    }
    return out;
}

std::optional<VideoProfile> profileFor(const CallContext &context)
{
    if (context.options.faults.has(Fault::NoProfile))
        return std::nullopt;
    const QString token = context.request.argument(QStringLiteral("ProfileToken"));
    for (const VideoProfile &profile : kVideoProfiles) {
        if (token == QLatin1String(profile.token))
            return profile;
    }
    return std::nullopt;
}

SoapAnswer noProfile()
{
    return soapFault(FaultCode::Sender, "ter:InvalidArgVal", QStringLiteral("No such profile"));
}

// The configured address, bent by the faults that move it.
QString mediaAddress(const CallContext &context, const QString &address)
{
    QUrl url(address);
    if (context.options.faults.has(Fault::OtherHost))
        url.setHost(QLatin1String(kOtherHost));
    if (context.options.faults.has(Fault::Port80) && url.scheme() == QLatin1String("rtsp"))
        url.setPort(80);
    return url.toString(QUrl::FullyEncoded);
}

QString streamAddress(const CallContext &context, const VideoProfile &profile)
{
    return mediaAddress(context,
                        profile.stream == VideoProfile::Main ? context.options.rtspMain : context.options.rtspSub);
}

QByteArray mediaUri10(const QString &address)
{
    return "<trt:MediaUri>" + element("tt:Uri", address)
           + "<tt:InvalidAfterConnect>false</tt:InvalidAfterConnect>"
             "<tt:InvalidAfterReboot>false</tt:InvalidAfterReboot><tt:Timeout>PT0S</tt:Timeout></trt:MediaUri>";
}

} // namespace

SoapAnswer getProfiles10(const CallContext &context)
{
    return {200,
            soapEnvelope("<trt:GetProfilesResponse>" + profiles(context, profile10) + "</trt:GetProfilesResponse>")};
}

SoapAnswer getProfiles20(const CallContext &context)
{
    const Media2Types asked{context.request.arguments(QStringLiteral("Type"))};
    const auto write = [&asked](const VideoProfile &profile, const QString &token, bool audioOnly) {
        return profile20(profile, token, audioOnly, asked);
    };
    return {200, soapEnvelope("<tr2:GetProfilesResponse>" + profiles(context, write) + "</tr2:GetProfilesResponse>")};
}

SoapAnswer getStreamUri10(const CallContext &context)
{
    const auto profile = profileFor(context);
    if (!profile)
        return noProfile();
    return {200, soapEnvelope("<trt:GetStreamUriResponse>" + mediaUri10(streamAddress(context, *profile))
                              + "</trt:GetStreamUriResponse>")};
}

SoapAnswer getStreamUri20(const CallContext &context)
{
    const auto profile = profileFor(context);
    if (!profile)
        return noProfile();
    return {200, soapEnvelope("<tr2:GetStreamUriResponse>" + element("tr2:Uri", streamAddress(context, *profile))
                              + "</tr2:GetStreamUriResponse>")};
}

SoapAnswer getSnapshotUri10(const CallContext &context)
{
    if (!profileFor(context))
        return noProfile();
    return {200, soapEnvelope("<trt:GetSnapshotUriResponse>"
                              + mediaUri10(mediaAddress(context, context.options.snapshot))
                              + "</trt:GetSnapshotUriResponse>")};
}

SoapAnswer getSnapshotUri20(const CallContext &context)
{
    if (!profileFor(context))
        return noProfile();
    return {200, soapEnvelope("<tr2:GetSnapshotUriResponse>"
                              + element("tr2:Uri", mediaAddress(context, context.options.snapshot))
                              + "</tr2:GetSnapshotUriResponse>")};
}

} // namespace OnvifSim
