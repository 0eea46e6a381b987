#pragma once

#include "camctl/DecodeQueue.h"
#include "camctl/HttpClient.h"
#include "camctl/MultipartReader.h"

#include <QSize>

#include <atomic>
#include <functional>
#include <optional>

// What the worker side of one camera's stream counts and reads; shared
// with the engine, read and written from any thread.
struct StreamShared
{
    std::atomic<quint64> parts{0};
    std::atomic<quint64> skippedParts{0};
    std::atomic<quint64> droppedParts{0};
    std::atomic<quint64> resyncs{0};
    std::atomic<quint64> decodeErrors{0};  // of an RTSP stream's packets

    // The drawn size (invalid: full size), as one word so every platform
    // reads and writes it without a lock.
    void setTarget(QSize size) { m_target.store(pack(size), std::memory_order_relaxed); }
    QSize target() const { return unpack(m_target.load(std::memory_order_relaxed)); }

private:
    static quint64 pack(QSize s) { return quint64(quint32(s.width())) << 32 | quint32(s.height()); }
    static QSize unpack(quint64 v) { return QSize(int(quint32(v >> 32)), int(quint32(v))); }
    std::atomic<quint64> m_target{pack(QSize())};
};

// One attempt at a camera's address, on the camera client's worker thread:
// decides from the answer whether it is a picture stream or a single
// picture, splits the stream into parts and hands every picture part to
// the decoder. Nothing here touches the UI thread; how the attempt ended
// is told once through onEnd.
class StreamSession : public HttpHandler
{
public:
    enum class End { Failed, StillPicture };
    using EndCall = std::function<void(End, const QString &reason)>;

    StreamSession(quint64 generation, DecodeQueue::Inlet decodes, std::shared_ptr<StreamShared> shared, EndCall onEnd);

    bool body(const HttpHead &head, QByteArrayView bytes) override;
    void finished(const HttpOutcome &outcome) override;

private:
    enum class Mode { Undecided, Multipart, Still };

    bool decideMode(const HttpHead &head, QByteArrayView firstBytes);
    bool readParts(QByteArrayView bytes);
    void takePart(const MultipartPart &part);
    bool stop(const QString &reason);

    quint64 m_generation;
    DecodeQueue::Inlet m_decodes;
    std::shared_ptr<StreamShared> m_shared;
    EndCall m_onEnd;
    Mode m_mode = Mode::Undecided;
    std::optional<MultipartReader> m_reader;
    QByteArray m_still;
    QString m_reason;  // why body() stopped the transfer
};
