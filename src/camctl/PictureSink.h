#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// A picture ready to draw.
struct Picture
{
    QImage image;
    QByteArray jpeg;  // the bytes it was decoded from; empty for video
    // When the camera took it, by its clock (microseconds since the epoch);
    // 0 when it has not said.
    qint64 captureUs = 0;
};

// How an attempt at a camera ended (never told for a cancelled one).
struct SourceEnd
{
    bool stillPicture = false;  // a single picture, whole: fetched again later
    QString reason;             // why it failed; already free of credentials
};

// What became of the pictures a camera sent; each counter means one thing.
struct PictureCounters
{
    quint64 received = 0;      // pictures that arrived (parts, still pictures, decoded video pictures)
    quint64 replaced = 0;      // arrived, but a newer one was shown in their place
    quint64 unseen = 0;        // not decoded: nobody could see them (a minimised window)
    quint64 decodeErrors = 0;  // pictures or packets that would not decode
    quint64 skippedParts = 0;  // multipart parts that were not pictures
    quint64 oversizedParts = 0;  // multipart parts over the frame bound, dropped
    quint64 resyncs = 0;       // multipart bytes skipped to find the next part
};

// What the UI thread takes in one go: the newest picture since the last
// take, what the camera turned out to send and how, the last decode failure, and
// how the attempt ended, each when there is one.
struct SinkMail
{
    std::optional<Picture> picture;
    QString source;
    QString transport;
    QString decodeError;
    std::optional<SourceEnd> end;
};

// One control's way in from the camera client: the single path every
// picture takes, whatever the camera speaks. The attempt's thread offers
// what it has; the control's engine, on the UI thread, takes it. Newest
// wins: a picture not yet taken is replaced by the next, so nothing queues
// behind a busy UI thread, and one posted call carries whatever came in
// between. The engine begins an attempt before starting it; what an older
// attempt still offers is dropped.
class PictureSink
{
public:
    // notify runs on the offering thread when mail is waiting and none was
    // waiting before; it posts a take to the UI thread.
    explicit PictureSink(std::function<void()> notify);

    // The offering side, for one attempt; cheap to copy.
    class Inlet
    {
    public:
        Inlet() = default;
        Inlet(std::shared_ptr<PictureSink> sink, quint64 attempt);

        // The drawn size in device pixels (invalid: full size).
        QSize target() const;
        // Whether anyone can see the pictures; when not, they are counted
        // unseen and not decoded.
        bool wanted() const;
        // Whether this attempt is still the sink's (not cancelled).
        bool current() const;

        void offer(Picture picture) const;
        void describe(const QString &source) const;  // "h264 704x576 25 fps"
        void describeTransport(const QString &transport) const;  // "tcp", "udp"
        void decodeFailed(const QString &error) const;
        void end(SourceEnd end) const;
        void count(quint64 PictureCounters::*counter, quint64 n = 1) const;

    private:
        std::shared_ptr<PictureSink> m_sink;
        quint64 m_attempt = 0;
    };

    // The engine's side, on the UI thread.
    void begin(quint64 attempt);  // 0: none; forgets mail of older ones
    SinkMail take();
    void setTarget(QSize size);
    void setWanted(bool wanted);
    PictureCounters counters() const;

private:
    template<typename Fill>
    void post(quint64 attempt, Fill fill);

    std::function<void()> m_notify;
    std::atomic<quint64> m_attempt{0};
    std::atomic<quint64> m_target;  // width << 32 | height
    std::atomic<bool> m_wanted{true};

    mutable std::mutex m_mutex;  // guards the two below and the counters
    SinkMail m_mail;
    bool m_notified = false;  // a take is on its way
    PictureCounters m_counters;
};
