#include "camctl/RtspSource.h"

#include "camctl/DecodePacer.h"
#include "camctl/Depacketizer.h"
#include "camctl/Jpeg.h"
#include "camctl/MemoryBudget.h"
#include "camctl/RtcpReport.h"
#include "camctl/RtpPacket.h"
#include "camctl/RtpReorder.h"
#include "camctl/RtspExchange.h"
#include "camctl/Sdp.h"
#include "camctl/StreamLimits.h"
#include "camctl/VideoParameters.h"

#include <array>
#include <chrono>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

namespace {

// Pictures are mostly shrunk to their cell: the fast filter costs a third
// of the exact one there, for a little aliasing at a cell's size.
constexpr int kScaling = SWS_FAST_BILINEAR;

using Clock = std::chrono::steady_clock;

qint64 nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
}

QString avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

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

const char *codecName(SdpVideo::Codec codec)
{
    switch (codec) {
    case SdpVideo::Codec::H264: return "h264";
    case SdpVideo::Codec::H265: return "hevc";
    case SdpVideo::Codec::Jpeg: return "mjpeg";
    }
    return "";
}

// One attempt's pictures: RTP packets put together into pictures as each
// one's last packet arrives (Depacketizer), decoded at once (libavcodec
// for H.264 and H.265, the program's own JPEG decoder for motion-JPEG, at
// the drawn size), the newest scaled for the control once the sockets are
// drained. Everything on the attempt's thread.
class RtspPictures : public RtspHandler
{
public:
    RtspPictures(PictureSink::Inlet inlet, int pictureStallMs)
        : m_inlet(std::move(inlet))
        , m_pictureStallMs(pictureStallMs)
    {
    }

    std::optional<QByteArray> choose(QByteArrayView sdp, QString *refusal) override
    {
        m_video = Sdp::readVideo(sdp, refusal);
        if (!m_video)
            return std::nullopt;
        m_depacketizer = Depacketizer::create(*m_video, refusal);
        if (!m_depacketizer)
            return std::nullopt;
        m_report.emplace(m_video->clockRate);
        return m_video->control;
    }

    void playing(const QString &transport) override
    {
        m_inlet.describeTransport(transport);
        if (transport == QLatin1String("udp"))
            m_reorder.emplace();
        m_lastPicture = Clock::now();
        m_playing = true;
    }

    bool packet(bool rtcp, QByteArrayView bytes, QString *reason) override
    {
        if (rtcp) {
            m_report->read(bytes);
            return true;
        }
        if (!m_reorder)
            return takeRtp(bytes, reason);
        const std::optional<RtpPacket> header = RtpPacket::parse(bytes);
        if (!header)
            return true;
        for (const QByteArray &due : m_reorder->push(header->sequence, bytes.toByteArray(), nowUs())) {
            if (!takeRtp(due, reason))
                return false;
        }
        return true;
    }

    bool caughtUp(QString *reason) override
    {
        if (!m_playing)
            return true;
        if (m_reorder) {
            for (const QByteArray &due : m_reorder->release(nowUs())) {
                if (!takeRtp(due, reason))
                    return false;
            }
        }
        if (!holdMemory(reason))
            return false;
        deliverNewest();
        // Packets keep coming, so the exchange's silence rule never ends
        // the attempt, yet nothing shows: undecodable video, or pictures
        // that never end.
        if (Clock::now() - m_lastPicture > std::chrono::milliseconds(m_pictureStallMs)) {
            *reason = QStringLiteral("no picture for %1 ms while packets keep coming").arg(m_pictureStallMs);
            return false;
        }
        return true;
    }

    void finished(const QString &reason) override { m_inlet.end(SourceEnd{false, reason}); }

private:
    bool takeRtp(QByteArrayView bytes, QString *reason)
    {
        const std::optional<RtpPacket> packet = RtpPacket::parse(bytes);
        if (!packet)
            return true;
        for (const AccessUnit &unit : m_depacketizer->push(*packet)) {
            if (!takeUnit(unit, reason))
                return false;
        }
        return true;
    }

    // Nobody sees the pictures of a minimised window: they are put
    // together but not decoded, and decoding starts again at the next key
    // picture. Decoding also starts at a key picture.
    bool wanted(const AccessUnit &unit)
    {
        if (!m_inlet.wanted()) {
            m_inlet.count(&PictureCounters::unseen);
            m_waitForKey = true;
            return false;
        }
        // Before its key picture a picture cannot be decoded whole.
        if (m_waitForKey && !unit.key)
            return false;
        return true;
    }

    bool takeUnit(const AccessUnit &unit, QString *reason)
    {
        if (!wanted(unit))
            return true;
        if (!checkParameters(unit, reason))
            return false;
        if (m_video->codec == SdpVideo::Codec::Jpeg)
            return decodeJpeg(unit, reason);
        if (!m_codec && !openDecoder(reason))
            return false;
        if (m_waitForKey) {
            avcodec_flush_buffers(m_codec.get());
            m_waitForKey = false;
        }
        pace(unit.rtpTimestamp);
        if (av_new_packet(m_packet.get(), int(unit.data.size())) < 0)
            return failedPicture(AVERROR(ENOMEM), reason);
        memcpy(m_packet->data, unit.data.constData(), size_t(unit.data.size()));
        m_packet->pts = unit.rtpTimestamp;
        if (unit.key)
            m_packet->flags |= AV_PKT_FLAG_KEY;
        const int sent = avcodec_send_packet(m_codec.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        if (sent < 0 && sent != AVERROR(EAGAIN))
            return failedPicture(sent, reason);
        return receiveFrames(reason);
    }

    // A stream's decoder memory is known from its parameter set before
    // any of its pictures is decoded: it is checked against the budget
    // first, and again whenever the camera sends a new one.
    bool checkParameters(const AccessUnit &unit, QString *reason)
    {
        std::optional<VideoParameters> parameters;
        QString error;
        switch (m_video->codec) {
        case SdpVideo::Codec::H264:
            if (unit.spsBytes > 0)
                parameters = VideoParameters::fromH264(unit.sps(), &error);
            break;
        case SdpVideo::Codec::H265:
            if (unit.spsBytes > 0)
                parameters = VideoParameters::fromH265(unit.sps(), &error);
            break;
        case SdpVideo::Codec::Jpeg:
            parameters = VideoParameters::fromJpeg(unit.size);
            break;
        }
        if (!error.isEmpty()) {
            *reason = error;
            return false;
        }
        if (!parameters)
            return m_parameters.has_value() || !unit.key || failNoParameters(reason);
        if (m_parameters && m_parameters->width == parameters->width && m_parameters->height == parameters->height
            && m_parameters->decoderBytes() == parameters->decoderBytes())
            return true;
        m_parameters = parameters;
        // JPEG pictures are decoded for the drawn size: what they keep is
        // what the drawn pictures take, counted with the pool.
        m_decoderBytes = m_video->codec == SdpVideo::Codec::Jpeg ? 0 : parameters->decoderBytes();
        if (!holdMemory(reason))
            return false;
        QString source = QStringLiteral("%1 %2x%3")
                             .arg(QLatin1String(codecName(m_video->codec)))
                             .arg(parameters->width)
                             .arg(parameters->height);
        if (m_video->frameRate > 0)
            source += QStringLiteral(" %1 fps").arg(m_video->frameRate, 0, 'g', 4);
        m_inlet.describe(source);
        return true;
    }

    bool failNoParameters(QString *reason)
    {
        // A key picture with no parameter set before it, in the stream or
        // in the description: its decoder's memory cannot be known.
        *reason = QStringLiteral("the camera sends no sequence parameter set");
        return false;
    }

    bool holdMemory(QString *reason)
    {
        const QSize target = drawnSize();
        const qint64 pool = qint64(m_images.size()) * target.width() * target.height() * 4;
        const qint64 bytes = m_decoderBytes + pool + m_depacketizer->heldBytes() + (m_reorder ? m_reorder->heldBytes() : 0);
        if (m_memory.resize(bytes))
            return true;
        *reason = MemoryBudget::refusal(bytes);
        return false;
    }

    bool openDecoder(QString *reason)
    {
        const AVCodecID id = m_video->codec == SdpVideo::Codec::H264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_HEVC;
        const AVCodec *decoder = avcodec_find_decoder(id);
        m_codec.reset(decoder ? avcodec_alloc_context3(decoder) : nullptr);
        m_packet.reset(av_packet_alloc());
        m_frame.reset(av_frame_alloc());
        m_ready.reset(av_frame_alloc());
        if (!m_codec || !m_packet || !m_frame || !m_ready) {
            *reason = QStringLiteral("no decoder for ") + QLatin1String(codecName(m_video->codec));
            return false;
        }
        const QByteArray extradata = m_depacketizer->extradata();
        if (!extradata.isEmpty()) {
            m_codec->extradata = static_cast<uint8_t *>(av_mallocz(size_t(extradata.size()) + AV_INPUT_BUFFER_PADDING_SIZE));
            if (m_codec->extradata) {
                memcpy(m_codec->extradata, extradata.constData(), size_t(extradata.size()));
                m_codec->extradata_size = int(extradata.size());
            }
        }
        // One thread per camera: nine cameras share the cores better this
        // way, and frame threads would hold pictures back.
        m_codec->thread_count = 1;
        m_codec->flags |= AV_CODEC_FLAG_LOW_DELAY;
        m_codec->max_pixels = StreamLimits::kMaxImagePixels;
        m_codec->pkt_timebase = AVRational{1, int(m_video->clockRate)};
        if (const int rc = avcodec_open2(m_codec.get(), decoder, nullptr); rc < 0) {
            *reason = QStringLiteral("decoder failed: ") + avError(rc);
            return false;
        }
        return true;
    }

    // Packets read later and later against their own timestamps mean the
    // decoder is slower than the camera.
    void pace(quint32 rtpTimestamp)
    {
        if (!m_firstTimestamp) {
            m_firstTimestamp = rtpTimestamp;
            m_lastTimestamp = rtpTimestamp;
            m_started = Clock::now();
        }
        m_extended += qint32(rtpTimestamp - m_lastTimestamp);
        m_lastTimestamp = rtpTimestamp;
        const double media = double(m_extended) / m_video->clockRate;
        const double wall = std::chrono::duration<double>(Clock::now() - m_started).count();
        switch (m_pacer.update(media, wall)) {
        case DecodePacer::Skip::Nothing: m_codec->skip_frame = AVDISCARD_DEFAULT; break;
        case DecodePacer::Skip::NonReference: m_codec->skip_frame = AVDISCARD_NONREF; break;
        case DecodePacer::Skip::NonKey: m_codec->skip_frame = AVDISCARD_NONKEY; break;
        }
    }

    bool receiveFrames(QString *reason)
    {
        for (;;) {
            const int rc = avcodec_receive_frame(m_codec.get(), m_frame.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return true;
            if (rc < 0)
                return failedPicture(rc, reason);
            m_failingPictures = 0;
            m_lastPicture = Clock::now();
            m_inlet.count(&PictureCounters::received);
            if (m_haveReady)
                m_inlet.count(&PictureCounters::replaced);
            av_frame_unref(m_ready.get());
            av_frame_move_ref(m_ready.get(), m_frame.get());
            m_readyCaptureUs = m_report->wallClockUs(quint32(m_ready->pts));
            m_haveReady = true;
        }
    }

    bool failedPicture(int code, QString *reason)
    {
        m_inlet.count(&PictureCounters::decodeErrors);
        if (++m_failingPictures < StreamLimits::kMaxFailingPackets)
            return true;
        *reason = QStringLiteral("pictures do not decode: ") + avError(code);
        return false;
    }

    bool decodeJpeg(const AccessUnit &unit, QString *reason)
    {
        m_waitForKey = false;
        QString error;
        QImage image = Jpeg::decode(unit.data, drawnSize(), &error);
        if (image.isNull()) {
            m_inlet.decodeFailed(error);
            if (++m_failingPictures < StreamLimits::kMaxFailingPackets)
                return true;
            *reason = QStringLiteral("pictures do not decode: ") + error;
            return false;
        }
        m_failingPictures = 0;
        m_lastPicture = Clock::now();
        m_inlet.count(&PictureCounters::received);
        m_inlet.offer(Picture{std::move(image), QByteArray(), m_report->wallClockUs(unit.rtpTimestamp)});
        return true;
    }

    QSize drawnSize() const
    {
        const QSize target = m_inlet.target();
        if (!target.isEmpty())
            return target;
        return m_parameters ? QSize(m_parameters->width, m_parameters->height) : QSize(0, 0);
    }

    void deliverNewest()
    {
        if (!m_haveReady)
            return;
        m_haveReady = false;
        const AVFrame &frame = *m_ready;
        QSize target = m_inlet.target();
        if (target.isEmpty())
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
        av_frame_unref(m_ready.get());
        m_inlet.offer(Picture{image, QByteArray(), m_readyCaptureUs});
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

    PictureSink::Inlet m_inlet;
    int m_pictureStallMs;
    std::optional<SdpVideo> m_video;
    std::unique_ptr<Depacketizer> m_depacketizer;
    std::optional<RtcpReport> m_report;
    std::optional<RtpReorder> m_reorder;
    std::optional<VideoParameters> m_parameters;
    qint64 m_decoderBytes = 0;
    MemoryReservation m_memory;
    std::unique_ptr<AVCodecContext, CodecFreer> m_codec;
    std::unique_ptr<AVPacket, PacketFreer> m_packet;
    std::unique_ptr<AVFrame, FrameFreer> m_frame;
    std::unique_ptr<AVFrame, FrameFreer> m_ready;  // the newest decoded picture, not yet scaled
    bool m_haveReady = false;
    qint64 m_readyCaptureUs = 0;
    std::unique_ptr<SwsContext, ScalerFreer> m_scaler;
    // The one being drawn, the one on its way, one to scale into.
    std::array<QImage, 3> m_images;
    size_t m_nextImage = 0;
    bool m_playing = false;
    bool m_waitForKey = true;
    int m_failingPictures = 0;
    Clock::time_point m_lastPicture = Clock::now();
    DecodePacer m_pacer;
    std::optional<quint32> m_firstTimestamp;
    quint32 m_lastTimestamp = 0;
    qint64 m_extended = 0;
    Clock::time_point m_started;
};

} // namespace

namespace RtspSource {

std::unique_ptr<CameraAttempt> start(const QUrl &url, const StreamTimings &timings, PictureSink::Inlet inlet)
{
    return RtspExchange::start(url, timings.byteStallMs,
                               std::make_shared<RtspPictures>(std::move(inlet), timings.pictureStallMs));
}

} // namespace RtspSource
