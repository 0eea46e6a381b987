#include "camctl/HttpSource.h"

#include "camctl/Jpeg.h"
#include "camctl/PartFilter.h"
#include "camctl/StreamLimits.h"

std::unique_ptr<CameraAttempt> HttpSource::start(const QUrl &url, int stallMs, PictureSink::Inlet inlet)
{
    HttpRequest request;
    request.url = url;
    request.connectTimeoutMs = stallMs;
    request.idleTimeoutMs = stallMs;
    return HttpClient::start(request, std::make_shared<HttpSource>(std::move(inlet)));
}

HttpSource::HttpSource(PictureSink::Inlet inlet)
    : m_inlet(std::move(inlet))
{
}

bool HttpSource::stop(const QString &reason)
{
    if (m_reason.isEmpty())
        m_reason = reason;
    return false;
}

bool HttpSource::decideMode(const HttpHead &head, QByteArrayView firstBytes)
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
    } else if (Jpeg::startsLikeJpeg(firstBytes)) {
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

bool HttpSource::body(const HttpHead &head, QByteArrayView bytes)
{
    if (m_mode == Mode::Undecided && !decideMode(head, bytes))
        return false;
    if (m_mode == Mode::Still) {
        if (m_still.size() + bytes.size() > StreamLimits::kMaxFrameBytes) {
            m_inlet.count(&PictureCounters::oversizedParts);
            return stop(QStringLiteral("picture larger than %1 bytes").arg(StreamLimits::kMaxFrameBytes));
        }
        m_still += bytes;
        return holdMemory();
    }
    return readParts(bytes) && holdMemory();
}

bool HttpSource::holdMemory(qint64 extra)
{
    const qint64 held = (m_reader ? m_reader->heldBytes() : m_still.size()) + (m_newest ? m_newest->size() : 0);
    const qint64 bytes = held + qMax(extra, m_shownBytes);
    if (m_memory.resize(bytes))
        return true;
    return stop(MemoryBudget::refusal(bytes));
}

bool HttpSource::readParts(QByteArrayView bytes)
{
    MultipartReader &reader = *m_reader;
    const quint64 droppedBefore = reader.droppedParts();
    const quint64 resyncsBefore = reader.resyncs();
    reader.feed(bytes);
    MultipartPart part;
    MultipartReader::Result result;
    while ((result = reader.next(&part)) == MultipartReader::Result::Part)
        takePart(part);
    if (const quint64 n = reader.droppedParts() - droppedBefore)
        m_inlet.count(&PictureCounters::oversizedParts, n);
    if (const quint64 n = reader.resyncs() - resyncsBefore)
        m_inlet.count(&PictureCounters::resyncs, n);
    if (result == MultipartReader::Result::Error)
        return stop(reader.errorString());
    if (result == MultipartReader::Result::End)
        return stop(QStringLiteral("the camera closed the stream"));
    return true;
}

void HttpSource::takePart(MultipartPart &part)
{
    if (!isJpegPart(part)) {
        m_inlet.count(&PictureCounters::skippedParts);
        return;
    }
    m_inlet.count(&PictureCounters::received);
    if (m_newest)
        m_inlet.count(&PictureCounters::replaced);
    m_newest = std::move(part.body);
}

bool HttpSource::caughtUp()
{
    if (!m_newest)
        return true;
    const QByteArray jpeg = *std::exchange(m_newest, std::nullopt);
    if (!m_inlet.wanted()) {
        m_inlet.count(&PictureCounters::unseen);
        return true;
    }
    const QSize target = m_inlet.target();
    const Jpeg::Header header = Jpeg::readHeader(jpeg);
    if (header.valid && Jpeg::outOfBounds(header).isEmpty()) {
        // The picture's bytes stay held while it decodes.
        if (!holdMemory(jpeg.size() + Jpeg::decodeBytes(header, target)))
            return false;
        const QSize out = Jpeg::outputSize(header, target);
        // The one on its way to the UI thread and the one it shows.
        m_shownBytes = 2 * qint64(out.width()) * out.height() * 4;
    }
    QString error;
    QImage image = Jpeg::decode(jpeg, target, &error);
    if (image.isNull())
        m_inlet.decodeFailed(error);
    else
        m_inlet.offer(Picture{std::move(image), jpeg, 0});
    return holdMemory();
}

void HttpSource::finished(const HttpOutcome &outcome)
{
    using F = HttpOutcome::Failure;
    SourceEnd end;
    if (outcome.failure == F::None && m_mode == Mode::Still) {
        // A single picture: drawn, and fetched again while the address stands.
        m_inlet.count(&PictureCounters::received);
        m_newest = std::exchange(m_still, {});
    }
    // The last picture before the end is shown like the others.
    if (!caughtUp() || outcome.failure == F::Stopped) {
        end.reason = m_reason;
    } else if (outcome.failure != F::None) {
        end.reason = outcome.error;
    } else if (m_mode != Mode::Still) {
        end.reason = QStringLiteral("the camera ended the stream");
    } else {
        end.stillPicture = true;
    }
    m_memory.resize(0);
    m_inlet.end(std::move(end));
}
