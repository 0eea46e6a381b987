#include "camctl/RtspClient.h"

#include "camctl/DecodePacer.h"
#include "camctl/FfmpegLog.h"
#include "camctl/Jpeg.h"
#include "camctl/UrlCredentials.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

namespace {

// Any single allocation FFmpeg makes for a camera (an SDP, a picture being
// assembled from RTP packets, a frame): the largest picture the budget
// allows takes 13 MiB in 4:2:0, so this leaves room and still stops a
// camera that announces a gigabyte or never ends a picture.
constexpr size_t kMaxAvAllocation = 32 * 1024 * 1024;
// A stream whose packets keep failing to decode (garbage, a picture over
// the budget) is given up on and asked again after the backoff.
constexpr int kMaxFailingPackets = 50;
// More media lines than a camera has; each would be a stream to track.
constexpr const char *kMaxStreams = "16";
// Pictures are mostly shrunk to their cell: the fast filter costs a third
// of the exact one there, for a little aliasing at a cell's size.
constexpr int kScaling = SWS_FAST_BILINEAR;

using Clock = std::chrono::steady_clock;

struct Attempt
{
    std::atomic<bool> cancelled{false};
    std::atomic<Clock::rep> lastActivity{0};
    int stallMs = 0;

    void touch() { lastActivity.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed); }
    bool stalled() const
    {
        const Clock::duration since =
            Clock::now().time_since_epoch() - Clock::duration(lastActivity.load(std::memory_order_relaxed));
        return since > std::chrono::milliseconds(stallMs);
    }
};

// The attempts whose threads still run, so the process's exit can end them
// first. Never destroyed: a thread ending late still reaches it.
struct Registry
{
    std::mutex mutex;
    std::condition_variable idle;
    std::vector<std::shared_ptr<Attempt>> running;
};

Registry &registry()
{
    static Registry *r = new Registry;
    return *r;
}

void endAllAtExit()
{
    Registry &r = registry();
    std::unique_lock lock(r.mutex);
    for (const auto &a : r.running)
        a->cancelled = true;
    // A cancelled call returns within one of libavformat's poll turns
    // (a tenth of a second); a moment more and the threads are gone.
    r.idle.wait_for(lock, std::chrono::seconds(3), [&] { return r.running.empty(); });
}

void initialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        FfmpegLog::install();
        av_max_alloc(kMaxAvAllocation);
        avformat_network_init();
        std::atexit(endAllAtExit);
    });
}

int interrupted(void *opaque)
{
    const auto *attempt = static_cast<const Attempt *>(opaque);
    return attempt->cancelled.load() || attempt->stalled() ? 1 : 0;
}

QString avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

bool decodable(AVCodecID id)
{
    return id == AV_CODEC_ID_H264 || id == AV_CODEC_ID_HEVC || id == AV_CODEC_ID_MJPEG;
}

double fpsOf(const AVStream *stream)
{
    for (AVRational r : {stream->avg_frame_rate, stream->r_frame_rate}) {
        if (r.num > 0 && r.den > 0)
            return av_q2d(r);
    }
    return 0.0;
}

struct FormatCloser
{
    void operator()(AVFormatContext *c) const { avformat_close_input(&c); }
};
struct CodecFreer
{
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct PacketFreer
{
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct FrameFreer
{
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct ScalerFreer
{
    void operator()(SwsContext *s) const { sws_freeContext(s); }
};

// One attempt, on its own thread: open, pick the video, decode, scale, hand
// over; returns why it ended.
class Session
{
public:
    Session(std::shared_ptr<Attempt> attempt, RtspRequest request, RtspCalls calls)
        : m_attempt(std::move(attempt))
        , m_request(std::move(request))
        , m_calls(std::move(calls))
    {
    }

    QString run()
    {
        if (QString error = open(); !error.isEmpty())
            return error;
        std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
        m_frame.reset(av_frame_alloc());
        if (!packet || !m_frame)
            return QStringLiteral("out of memory");
        const AVStream *video = m_format->streams[m_videoIndex];
        const auto started = Clock::now();
        while (!m_attempt->cancelled) {
            const int read = av_read_frame(m_format.get(), packet.get());
            if (read < 0)
                return readFailure(read);
            m_attempt->touch();
            if (packet->stream_index != m_videoIndex) {
                av_packet_unref(packet.get());
                continue;
            }
            if (packet->pts != AV_NOPTS_VALUE) {
                const double wall = std::chrono::duration<double>(Clock::now() - started).count();
                pace(m_pacer.update(double(packet->pts) * av_q2d(video->time_base), wall));
            }
            const int sent = avcodec_send_packet(m_codec.get(), packet.get());
            av_packet_unref(packet.get());
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                if (QString error = failedPacket(sent); !error.isEmpty())
                    return error;
                continue;
            }
            if (QString error = receiveFrames(); !error.isEmpty())
                return error;
        }
        return {};
    }

private:
    QString open()
    {
        AVFormatContext *format = avformat_alloc_context();
        if (!format)
            return QStringLiteral("out of memory");
        format->interrupt_callback.callback = interrupted;
        format->interrupt_callback.opaque = m_attempt.get();
        AVDictionary *options = nullptr;
        av_dict_set(&options, "rtsp_transport", "tcp", 0);
        av_dict_set(&options, "max_streams", kMaxStreams, 0);
        // An RTSP answer may redirect, but never to a file or another scheme.
        av_dict_set(&options, "protocol_whitelist", "rtsp,rtp,tcp,udp", 0);
        av_dict_set(&options, "user_agent", "Ocellane", 0);
        m_attempt->touch();
        const QByteArray url = m_request.url.toString(QUrl::FullyEncoded).toUtf8();
        const int opened = avformat_open_input(&format, url.constData(), av_find_input_format("rtsp"), &options);
        av_dict_free(&options);
        if (opened < 0)  // libavformat has freed the context
            return readFailure(opened, QStringLiteral("cannot open the stream: "));
        m_format.reset(format);

        const int best = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (best < 0)
            return QStringLiteral("the camera sends no video");
        m_videoIndex = best;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            format->streams[i]->discard = int(i) == best ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        const AVCodecParameters *parameters = format->streams[best]->codecpar;
        if (!decodable(parameters->codec_id))
            return QStringLiteral("unsupported video codec: ") + QString::fromUtf8(avcodec_get_name(parameters->codec_id));
        if (qint64(parameters->width) * parameters->height > Jpeg::kMaxPixels)
            return QStringLiteral("pictures too large: %1x%2").arg(parameters->width).arg(parameters->height);
        const AVCodec *decoder = avcodec_find_decoder(parameters->codec_id);
        m_codec.reset(decoder ? avcodec_alloc_context3(decoder) : nullptr);
        if (!m_codec || avcodec_parameters_to_context(m_codec.get(), parameters) < 0)
            return QStringLiteral("no decoder for ") + QString::fromUtf8(avcodec_get_name(parameters->codec_id));
        // One thread per camera: nine cameras share the cores better this
        // way, and frame threads would hold pictures back.
        m_codec->thread_count = 1;
        m_codec->flags |= AV_CODEC_FLAG_LOW_DELAY;
        m_codec->max_pixels = Jpeg::kMaxPixels;
        if (const int rc = avcodec_open2(m_codec.get(), decoder, nullptr); rc < 0)
            return QStringLiteral("decoder failed: ") + avError(rc);
        m_info.codec = QString::fromUtf8(avcodec_get_name(parameters->codec_id));
        m_info.fps = fpsOf(format->streams[best]);
        return {};
    }

    QString readFailure(int code, const QString &what = QStringLiteral("rtsp: ")) const
    {
        if (m_attempt->cancelled)
            return QStringLiteral("cancelled");  // told nobody
        if (code == AVERROR_EXIT || m_attempt->stalled())
            return QStringLiteral("no data for %1 ms").arg(m_request.stallMs);
        if (code == AVERROR_EOF)
            return QStringLiteral("the camera ended the stream");
        return what + avError(code);
    }

    void pace(DecodePacer::Skip skip)
    {
        switch (skip) {
        case DecodePacer::Skip::Nothing: m_codec->skip_frame = AVDISCARD_DEFAULT; break;
        case DecodePacer::Skip::NonReference: m_codec->skip_frame = AVDISCARD_NONREF; break;
        case DecodePacer::Skip::NonKey: m_codec->skip_frame = AVDISCARD_NONKEY; break;
        }
    }

    QString failedPacket(int code)
    {
        if (m_calls.decodeError)
            m_calls.decodeError();
        // The decoder has read the picture size and refused it: no later
        // packet of this stream can do better.
        if (qint64(m_codec->width) * m_codec->height > Jpeg::kMaxPixels)
            return QStringLiteral("pictures too large: %1x%2").arg(m_codec->width).arg(m_codec->height);
        if (++m_failingPackets < kMaxFailingPackets)
            return {};
        return QStringLiteral("pictures do not decode: ") + avError(code);
    }

    QString receiveFrames()
    {
        for (;;) {
            const int rc = avcodec_receive_frame(m_codec.get(), m_frame.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return {};
            if (rc < 0)
                return failedPacket(rc);
            m_failingPackets = 0;
            deliver(*m_frame);
            av_frame_unref(m_frame.get());
        }
    }

    void deliver(const AVFrame &frame)
    {
        if (!m_announced) {
            m_announced = true;
            m_info.size = QSize(frame.width, frame.height);
            if (m_calls.opened)
                m_calls.opened(m_info);
        }
        // The one picture not yet drawn is not replaced: the next comes
        // soon, and scaling one nobody will see is wasted.
        if (m_calls.ready && !m_calls.ready())
            return;
        QSize target = m_calls.target ? m_calls.target() : QSize();
        if (target.isEmpty() || qint64(target.width()) * target.height() > Jpeg::kMaxPixels)
            target = QSize(frame.width, frame.height);
        // Drawn at a quarter of its area or less (a cell of the nine-camera
        // window), a picture shows nothing of the deblocking filter but its
        // cost, a fifth of the decoding: later pictures skip it.
        const bool small = qint64(target.width()) * target.height() * 4 <= qint64(frame.width) * frame.height;
        m_codec->skip_loop_filter = small ? AVDISCARD_ALL : AVDISCARD_DEFAULT;
        m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame.width, frame.height,
                                            AVPixelFormat(frame.format), target.width(), target.height(),
                                            AV_PIX_FMT_RGB32, kScaling, nullptr, nullptr, nullptr));
        if (!m_scaler)
            return;
        QImage &image = freeImage(target);
        if (image.isNull())
            return;
        uint8_t *planes[4] = {image.bits(), nullptr, nullptr, nullptr};
        const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
        sws_scale(m_scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
        m_calls.picture(image, captureTimeUs(frame));
    }

    // A picture of the pool nobody holds any more (the UI thread has drawn
    // a newer one), or a new one in place of the oldest. A picture the size
    // of a single view is over the allocator's mapping threshold: a fresh
    // one per picture costs the kernel more than the scaling does.
    QImage &freeImage(QSize size)
    {
        for (QImage &image : m_images) {
            if (image.size() == size && image.isDetached())
                return image;
        }
        QImage &oldest = m_images[m_nextImage];
        m_nextImage = (m_nextImage + 1) % m_images.size();
        // AV_PIX_FMT_RGB32 is 0xAARRGGBB in native order, as Format_RGB32.
        oldest = QImage(size, QImage::Format_RGB32);
        return oldest;
    }

    // libavformat counts timestamps from the first sender report, whose
    // wall-clock time it keeps.
    qint64 captureTimeUs(const AVFrame &frame) const
    {
        const AVStream *video = m_format->streams[m_videoIndex];
        if (m_format->start_time_realtime == AV_NOPTS_VALUE || m_format->start_time_realtime <= 0
            || frame.best_effort_timestamp == AV_NOPTS_VALUE)
            return 0;
        return m_format->start_time_realtime + av_rescale_q(frame.best_effort_timestamp, video->time_base, {1, 1000000});
    }

    std::shared_ptr<Attempt> m_attempt;
    RtspRequest m_request;
    RtspCalls m_calls;
    std::unique_ptr<AVFormatContext, FormatCloser> m_format;
    std::unique_ptr<AVCodecContext, CodecFreer> m_codec;
    std::unique_ptr<AVFrame, FrameFreer> m_frame;
    std::unique_ptr<SwsContext, ScalerFreer> m_scaler;
    // The one being drawn, the one on its way, one to scale into.
    std::array<QImage, 3> m_images;
    size_t m_nextImage = 0;
    int m_videoIndex = -1;
    int m_failingPackets = 0;
    bool m_announced = false;
    RtspStreamInfo m_info;
    DecodePacer m_pacer;
};

class Transfer : public RtspTransfer
{
public:
    explicit Transfer(std::shared_ptr<Attempt> attempt)
        : m_attempt(std::move(attempt))
    {
    }
    ~Transfer() override { m_attempt->cancelled = true; }

private:
    std::shared_ptr<Attempt> m_attempt;
};

void runThread(std::shared_ptr<Attempt> attempt, RtspRequest request, RtspCalls calls)
{
    {
        const FfmpegLog::Watch watch(request.url);
        const QUrl url = request.url;
        const std::function<void(const QString &)> ended = calls.ended;
        QString reason = Session(attempt, std::move(request), std::move(calls)).run();
        if (!attempt->cancelled && ended)
            ended(UrlCredentials::redacted(reason, url));
    }
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    std::erase(r.running, attempt);
    r.idle.notify_all();
}

} // namespace

namespace RtspClient {

bool isRtspUrl(const QUrl &url)
{
    return url.scheme().compare(QLatin1String("rtsp"), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<RtspTransfer> start(const RtspRequest &request, RtspCalls calls)
{
    initialiseOnce();
    auto attempt = std::make_shared<Attempt>();
    attempt->stallMs = request.stallMs;
    {
        Registry &r = registry();
        std::lock_guard lock(r.mutex);
        r.running.push_back(attempt);
    }
    const std::function<void(const QString &)> ended = calls.ended;
    try {
        std::thread(runThread, attempt, request, std::move(calls)).detach();
    } catch (const std::system_error &) {
        Registry &r = registry();
        {
            std::lock_guard lock(r.mutex);
            std::erase(r.running, attempt);
        }
        if (ended)
            ended(QStringLiteral("cannot start a thread for the camera"));
    }
    return std::make_unique<Transfer>(attempt);
}

int runningThreads()
{
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    return int(r.running.size());
}

} // namespace RtspClient
