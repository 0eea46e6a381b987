#pragma once

#include "camctl/HttpClient.h"
#include "camctl/MemoryBudget.h"
#include "camctl/MultipartReader.h"
#include "camctl/PictureSink.h"

#include <optional>

// One attempt at an http(s) camera address, on its camera client thread.
// The answer tells whether it is a picture stream or a single picture; a
// stream is split into parts, and whenever the thread has read all the
// connection held, the newest picture among them is decoded, for the
// drawn size, into the control's sink. Older ones are never decoded.
class HttpSource : public HttpHandler
{
public:
    // stallMs: nothing at all for this long, connecting included, ends it.
    static std::unique_ptr<CameraAttempt> start(const QUrl &url, int stallMs, PictureSink::Inlet inlet);

    explicit HttpSource(PictureSink::Inlet inlet);

    bool body(const HttpHead &head, QByteArrayView bytes) override;
    bool caughtUp() override;
    void finished(const HttpOutcome &outcome) override;

private:
    enum class Mode { Undecided, Multipart, Still };

    bool decideMode(const HttpHead &head, QByteArrayView firstBytes);
    bool readParts(QByteArrayView bytes);
    void takePart(MultipartPart &part);
    bool stop(const QString &reason);
    // What the attempt holds now, and at least extra more, reserved from
    // the memory budget; false (with the reason kept) past it.
    bool holdMemory(qint64 extra = 0);

    PictureSink::Inlet m_inlet;
    Mode m_mode = Mode::Undecided;
    std::optional<MultipartReader> m_reader;
    QByteArray m_still;
    std::optional<QByteArray> m_newest;  // the newest picture, not yet decoded
    qint64 m_shownBytes = 0;  // the decoded pictures on their way and shown
    MemoryReservation m_memory;
    QString m_reason;  // why body() stopped the transfer
};
