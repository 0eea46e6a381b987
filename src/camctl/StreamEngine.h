#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QTimer>
#include <QUrl>

#include <memory>

class DecodeQueue;
class Handoff;
class HttpTransfer;
class JpegDecoder;
class RtspTransfer;
struct RtspStreamInfo;
struct StreamShared;

// When a stream is given up on and retried. Tests shorten them.
struct StreamTimings
{
    // Nothing at all arrived for this long (also while connecting): the
    // camera is dropped and asked again. A camera that keeps sending,
    // however slowly, is never dropped; the part bound still holds.
    int byteStallMs = 10000;
    int backoffStartMs = 500;  // first retry; doubles per failure
    int backoffMaxMs = 8000;
    int stillRefetchMs = 1000;  // a single-picture address is fetched again
};

// What happened, for the probe and the tests; never shown to the user.
struct StreamStats
{
    quint64 connections = 0;  // requests started (first and retries)
    quint64 reconnects = 0;   // retries after a failure or end
    quint64 parts = 0;        // picture parts received
    quint64 frames = 0;       // pictures decoded and delivered
    quint64 skippedParts = 0; // parts that were not pictures
    quint64 droppedParts = 0; // parts over the frame bound
    quint64 resyncs = 0;      // bytes skipped to find the next part
    quint64 decodeErrors = 0;
    QString source;           // an RTSP camera's codec, size and rate, once known
    QString lastError;        // never carries credentials
};

// One camera's picture stream without a window: fetches the address,
// splits the multipart stream and decodes its pictures, all off this
// thread (newest wins), and delivers them here ready to draw, retrying with
// backoff when the camera ends, fails or falls silent.
//
// An http(s) address is the camera client's (HttpClient): one worker thread
// for every stream, so fourteen controls on one video server each get
// their own connection, and closing one never waits for anything. An rtsp
// address is RtspClient's, a thread per attempt, with the same rules.
class StreamEngine : public QObject
{
    Q_OBJECT

public:
    explicit StreamEngine(QObject *parent = nullptr, std::shared_ptr<JpegDecoder> decoder = {});
    ~StreamEngine() override;

    void setTimings(const StreamTimings &timings);
    // The size pictures will be drawn at; decoding reduces to it where the
    // DCT allows. Invalid: full size.
    void setTargetSize(QSize size);

    // Stops the current stream and starts the new one; an empty or blank
    // address stops and connects nowhere.
    void setUrl(const QString &url);
    QString url() const { return m_urlText; }
    void stop();

    bool isConnected() const { return m_transfer != nullptr || m_rtsp != nullptr; }
    // A retry or a new fetch of a single picture is due.
    bool retryPending() const { return m_retry.isActive() || m_refetch.isActive(); }
    StreamStats stats() const;
    // The value of header name (any case) of the multipart part whose
    // picture frameReady delivered last; empty when it had none, for a
    // single picture and after stop().
    QByteArray frameHeader(QByteArrayView name) const;
    int waitingDecodes() const;
    // When an RTSP camera took the picture frameReady delivered last, by its
    // clock (microseconds since the epoch); 0 when it has not said.
    qint64 frameCaptureTimeUs() const { return m_frameCaptureUs; }

Q_SIGNALS:
    // A decoded picture of the current address, and the bytes it came from.
    void frameReady(const QImage &image, const QByteArray &jpeg);
    // Counters changed (a failure, a retry); for tools and tests.
    void statsChanged();

private:
    void connectNow();
    void connectRtsp();
    void rtspOpened(quint64 attempt, const RtspStreamInfo &info);
    void closeConnection();
    void attemptEnded(quint64 attempt, bool stillPicture, const QString &reason);
    void fail(const QString &reason);
    void onDecoded(const QImage &image, const QByteArray &jpeg, quint64 generation, const QByteArray &headers);
    void onDecodeFailed(const QString &error, quint64 generation);

    StreamTimings m_timings;
    QString m_urlText;
    QUrl m_url;
    quint64 m_generation = 0;  // of the address: tags its pictures
    quint64 m_attempt = 0;     // of the connection: tags how it ended

    std::unique_ptr<HttpTransfer> m_transfer;
    std::unique_ptr<RtspTransfer> m_rtsp;
    std::shared_ptr<Handoff> m_handoff;     // the worker's way back here
    std::shared_ptr<StreamShared> m_shared;  // counters and drawn size
    QByteArray m_frameHeaders;  // of the picture delivered last
    qint64 m_frameCaptureUs = 0;  // of the RTSP picture delivered last

    QTimer m_retry;
    QTimer m_refetch;
    int m_backoffMs = 0;

    DecodeQueue *m_decodes = nullptr;  // child
    StreamStats m_stats;  // the counters kept on this thread
};
