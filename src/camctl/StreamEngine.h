#pragma once

#include "camctl/MultipartReader.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

class DecodeQueue;
class JpegDecoder;
class QNetworkAccessManager;
class QNetworkReply;

// When a stream is given up on and retried. Tests shorten them.
struct StreamTimings
{
    int byteStallMs = 10000;   // no byte at all for this long
    int frameStallMs = 15000;  // no whole picture (also a camera that drips)
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
    quint64 decodeErrors = 0;
    QString lastError;        // never carries credentials
};

// One camera's picture stream without a window: fetches the address,
// splits the multipart stream, decodes pictures off this thread (newest
// wins) and delivers them here, retrying with backoff when the camera
// ends, fails or stalls.
//
// Each engine owns its QNetworkAccessManager: a shared one would open at
// most six connections per host and queue the rest, leaving controls of
// one video server black. Its connection is aborted and its caches cleared
// the moment the address changes, so nothing outlives the stream. Qt's
// client already brings chunked decoding, Basic and Digest (with and
// without qop), redirects and TLS, which a hand-written client would have
// to repeat.
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

    bool isConnected() const { return m_reply != nullptr; }
    // A retry or a new fetch of a single picture is due.
    bool retryPending() const { return m_retry.isActive() || m_refetch.isActive(); }
    const StreamStats &stats() const { return m_stats; }
    // The value of header name (any case) of the multipart part whose
    // picture frameReady delivered last; empty when it had none, for a
    // single picture and after stop().
    QByteArray frameHeader(QByteArrayView name) const;
    int waitingDecodes() const;

Q_SIGNALS:
    // A decoded picture of the current address, and the bytes it came from.
    void frameReady(const QImage &image, const QByteArray &jpeg);
    // Counters changed (a failure, a retry); for tools and tests.
    void statsChanged();

private:
    enum class Mode { Undecided, Multipart, Still };

    void connectNow();
    void closeConnection();
    void onReadyRead();
    void onFinished();
    bool decideMode(const QByteArray &firstBytes);
    void takePart(const MultipartPart &part);
    void fail(const QString &reason);
    void onDecoded(const QImage &image, const QByteArray &jpeg, quint64 generation, const QByteArray &headers);
    void onDecodeFailed(const QString &error, quint64 generation);

    StreamTimings m_timings;
    QString m_urlText;
    QUrl m_url;
    QSize m_target;
    quint64 m_generation = 0;

    std::unique_ptr<QNetworkAccessManager> m_nam;
    QNetworkReply *m_reply = nullptr;  // owned by m_nam
    Mode m_mode = Mode::Undecided;
    std::optional<MultipartReader> m_reader;
    QByteArray m_still;
    QByteArray m_frameHeaders;  // of the picture delivered last

    QTimer m_byteStall;
    QTimer m_frameStall;
    QTimer m_retry;
    QTimer m_refetch;
    int m_backoffMs = 0;

    DecodeQueue *m_decodes = nullptr;  // child
    StreamStats m_stats;
};
