#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

// What an RTSP camera turned out to send, for the probe and the tests.
struct RtspStreamInfo
{
    QString codec;     // libavcodec's short name: "h264", "hevc", "mjpeg"
    QSize size;        // of the camera's pictures
    double fps = 0.0;  // as the camera announces it; 0 when it does not
};

// One attempt at an rtsp:// address. The calls come from the attempt's own
// thread; none comes once its transfer is gone.
struct RtspCalls
{
    // The drawn size, read before each picture is scaled (invalid: full size).
    std::function<QSize()> target;
    // The first picture decoded (once).
    std::function<void(const RtspStreamInfo &)> opened;
    // false while the previous picture is not yet drawn: this one is dropped.
    std::function<bool()> ready;
    // captureUs: when the camera took it, by the camera's clock as its RTCP
    // sender reports tell (microseconds since the epoch); 0 before the first.
    std::function<void(QImage, qint64 captureUs)> picture;
    std::function<void()> decodeError;
    // Once, when the attempt ends for any reason but a cancel.
    std::function<void(const QString &reason)> ended;
};

struct RtspRequest
{
    QUrl url;             // with the credentials the camera wants
    int stallMs = 10000;  // nothing read for this long, connecting included: ended
};

// A running attempt; destroying it cancels it without waiting.
class RtspTransfer
{
public:
    virtual ~RtspTransfer() = default;
};

// RTSP cameras through FFmpeg's libraries: RTP over the RTSP connection
// (TCP passes firewalls and loses nothing), H.264, H.265 and motion-JPEG
// decoded with libavcodec and scaled to the drawn size.
//
// Each attempt runs on a thread of its own, so a slow decoder delays only
// its own camera. libavformat's calls block; its interrupt callback ends
// each of them within a poll turn once the attempt is cancelled or stalls,
// so a cancelled thread is gone soon after and nobody waits for it. Only
// the process's exit does, for 3 s at most, so that no attempt still runs
// while the program's statics are destroyed.
namespace RtspClient {

std::unique_ptr<RtspTransfer> start(const RtspRequest &request, RtspCalls calls);

// Attempts whose threads have not finished yet (cancelled ones included).
int runningThreads();

bool isRtspUrl(const QUrl &url);

} // namespace RtspClient
