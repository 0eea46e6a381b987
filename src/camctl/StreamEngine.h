#pragma once

#include "camctl/PictureSink.h"
#include "camctl/StreamTimings.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QTimer>
#include <QUrl>

#include <memory>

class CameraAttempt;
class Handoff;

// What happened, for the probe and the tests; never shown to the user.
struct StreamStats : PictureCounters
{
    quint64 connections = 0;  // attempts started (first and retries)
    quint64 reconnects = 0;   // retries after a failure or end
    quint64 frames = 0;       // pictures handed on to be drawn
    QString source;           // an RTSP camera's codec, size and rate, once known
    QString transport;        // how an RTSP camera's video comes: "tcp" or "udp"
    QString lastError;        // never carries credentials
};

// One camera's picture stream without a window. Keeps the address, the
// retries and the counters; each attempt at the address is a camera source
// (CameraSource) on a camera client thread, which reads and decodes there
// and hands the newest picture, ready to draw, through this engine's
// PictureSink. Retries with backoff when the camera ends, fails or falls
// silent; nothing here waits for the network or another thread.
class StreamEngine : public QObject
{
    Q_OBJECT

public:
    explicit StreamEngine(QObject *parent = nullptr);
    ~StreamEngine() override;

    void setTimings(const StreamTimings &timings);
    // The size pictures will be drawn at; decoding reduces to it where it
    // can. Invalid: full size.
    void setTargetSize(QSize size);
    // Whether anyone can see the pictures (false while the window is
    // minimised): the connection stays, but nothing is decoded.
    void setWanted(bool wanted);

    // Stops the current stream and starts the new one; an empty or blank
    // address stops and connects nowhere.
    void setUrl(const QString &url);
    QString url() const { return m_urlText; }
    void stop();

    bool isConnected() const { return m_attempt != nullptr; }
    StreamStats stats() const;
    // When the camera took the picture frameReady delivered last, by its
    // clock (microseconds since the epoch); 0 when it has not said.
    qint64 frameCaptureTimeUs() const { return m_frameCaptureUs; }

Q_SIGNALS:
    // A decoded picture of the current address, and the JPEG bytes it came
    // from (empty for video).
    void frameReady(const QImage &image, const QByteArray &jpeg);
    // Counters changed (a failure, a retry); for tools and tests.
    void statsChanged();

private:
    friend class TestStreamEngine;
    bool retryPending() const { return m_retry.isActive() || m_refetch.isActive(); }

    void connectNow();
    void closeAttempt();
    void takeMail();
    void attemptEnded(const SourceEnd &end);
    void fail(const QString &reason);

    StreamTimings m_timings;
    QString m_urlText;
    QUrl m_url;
    quint64 m_attempts = 0;  // numbers each attempt for the sink
    quint64 m_current = 0;   // the attempt under way; 0 for none

    std::shared_ptr<Handoff> m_handoff;  // the sink's way back here
    std::shared_ptr<PictureSink> m_sink;
    std::unique_ptr<CameraAttempt> m_attempt;
    qint64 m_frameCaptureUs = 0;  // of the picture delivered last

    QTimer m_retry;
    QTimer m_refetch;
    int m_backoffMs = 0;

    StreamStats m_stats;  // the counters kept on this thread
};
