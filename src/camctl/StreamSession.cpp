#include "camctl/StreamSession.h"

#include "camctl/PartFilter.h"
#include "camctl/StreamLimits.h"

StreamSession::StreamSession(quint64 generation, DecodeQueue::Inlet decodes, std::shared_ptr<StreamShared> shared,
                             EndCall onEnd)
    : m_generation(generation)
    , m_decodes(std::move(decodes))
    , m_shared(std::move(shared))
    , m_onEnd(std::move(onEnd))
{
}

bool StreamSession::stop(const QString &reason)
{
    m_reason = reason;
    return false;
}

bool StreamSession::decideMode(const HttpHead &head, QByteArrayView firstBytes)
{
    const QByteArray lower = head.contentType.trimmed().toLower();
    if (lower.startsWith("multipart/")) {
        m_mode = Mode::Multipart;
        m_reader.emplace(MultipartReader::boundaryParameter(head.contentType));
    } else if (lower.startsWith("image/")) {
        m_mode = Mode::Still;
    } else if (lower.startsWith("text/")) {
        // An error or login page served with 200.
        return stop(QStringLiteral("not a picture stream: ") + QString::fromLatin1(head.contentType.left(64)));
    } else if (startsLikeJpeg(firstBytes.toByteArray())) {
        // Untyped or application/octet-stream (ffmpeg's mpjpeg server):
        // the body tells. A bare JPEG is a single picture...
        m_mode = Mode::Still;
    } else {
        // ...anything else a multipart stream whose boundary the body's
        // first delimiter gives.
        m_mode = Mode::Multipart;
        m_reader.emplace();
    }
    return true;
}

bool StreamSession::body(const HttpHead &head, QByteArrayView bytes)
{
    if (m_mode == Mode::Undecided && !decideMode(head, bytes))
        return false;
    if (m_mode == Mode::Still) {
        if (m_still.size() + bytes.size() > StreamLimits::kMaxFrameBytes) {
            ++m_shared->droppedParts;
            return stop(QStringLiteral("picture larger than %1 bytes").arg(StreamLimits::kMaxFrameBytes));
        }
        m_still += bytes;
        return true;
    }
    return readParts(bytes);
}

bool StreamSession::readParts(QByteArrayView bytes)
{
    MultipartReader &reader = *m_reader;
    const quint64 droppedBefore = reader.droppedParts();
    const quint64 resyncsBefore = reader.resyncs();
    reader.feed(bytes);
    MultipartPart part;
    MultipartReader::Result result;
    while ((result = reader.next(&part)) == MultipartReader::Result::Part)
        takePart(part);
    m_shared->droppedParts += reader.droppedParts() - droppedBefore;
    m_shared->resyncs += reader.resyncs() - resyncsBefore;
    if (result == MultipartReader::Result::Error)
        return stop(reader.errorString());
    if (result == MultipartReader::Result::End)
        return stop(QStringLiteral("the camera closed the stream"));
    return true;
}

void StreamSession::takePart(const MultipartPart &part)
{
    if (!isJpegPart(part)) {
        ++m_shared->skippedParts;
        return;
    }
    ++m_shared->parts;
    m_decodes.submit(part.body, m_shared->target(), m_generation, part.headers);
}

void StreamSession::finished(const HttpOutcome &outcome)
{
    using F = HttpOutcome::Failure;
    if (outcome.failure == F::Stopped) {
        m_onEnd(End::Failed, m_reason);
        return;
    }
    if (outcome.failure != F::None) {
        m_onEnd(End::Failed, outcome.error);
        return;
    }
    if (outcome.head.status < 200 || outcome.head.status > 299) {
        m_onEnd(End::Failed, QStringLiteral("HTTP %1").arg(outcome.head.status));
        return;
    }
    if (m_mode != Mode::Still) {
        m_onEnd(End::Failed, QStringLiteral("the camera ended the stream"));
        return;
    }
    // A single picture: drawn, and fetched again while the address stands.
    takePart(MultipartPart{QByteArrayLiteral("image/jpeg"), std::exchange(m_still, {}), {}});
    m_onEnd(End::StillPicture, {});
}
