#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// The one video a camera's session description offers that the program
// can show, and only what receiving it needs.
struct SdpVideo
{
    enum class Codec { H264, H265, Jpeg };

    Codec codec = Codec::H264;
    quint8 payloadType = 0;
    quint32 clockRate = 0;
    // a=control before the first media, and the video's own; empty when
    // the description has none. Resolving them against the request's
    // address is the RTSP exchange's business.
    QByteArray sessionControl;
    QByteArray control;
    // The connection address of the video's c= line, or the session's;
    // and the port of its m= line (0 over RTSP, where SETUP chooses).
    QByteArray connectionAddress;
    quint16 port = 0;
    // a=framerate; 0 when absent or not a rate.
    double frameRate = 0.0;
    // The format parameters (a=fmtp) of the chosen payload type, in order,
    // names as written.
    QList<std::pair<QByteArray, QByteArray>> formatParameters;

    // The value of a format parameter, its name compared without case; a
    // null array when absent.
    QByteArray formatParameter(QByteArrayView name) const;
};

namespace Sdp {

// The first video media whose payload is H.264, H.265 or JPEG (its first
// such payload type), or nothing with the reason in *error: a description
// over kMaxSdpBytes or kMaxSdpLines, "the camera sends no video", or
// "unsupported video codec: VP8".
std::optional<SdpVideo> readVideo(QByteArrayView description, QString *error);

} // namespace Sdp
