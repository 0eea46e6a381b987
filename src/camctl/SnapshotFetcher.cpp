#include "camctl/SnapshotFetcher.h"

#include "base/CameraAddress.h"
#include "base/SafeFile.h"
#include "camctl/Handoff.h"
#include "camctl/Jpeg.h"
#include "camctl/MemoryBudget.h"
#include "camctl/StreamLimits.h"
#include "camctl/UrlCredentials.h"

#include <QDir>

#include <functional>

namespace {

// Gathers the body on the transfer's thread and hands it over whole.
class SnapshotDownload : public HttpHandler
{
public:
    // The body, or why the download stopped itself: empty for a body too
    // large for a picture, else the memory budget's reason.
    using Done = std::function<void(const HttpOutcome &, const QByteArray &, const QString &stopped)>;
    explicit SnapshotDownload(Done done)
        : m_done(std::move(done))
    {
    }

    bool body(const HttpHead &head, QByteArrayView bytes) override
    {
        if (head.contentLength > StreamLimits::kMaxFrameBytes
            || m_body.size() + bytes.size() > StreamLimits::kMaxFrameBytes) {
            return false;
        }
        if (!m_memory.resize(m_body.size() + bytes.size())) {
            m_stopped = MemoryBudget::refusal(m_body.size() + bytes.size());
            return false;
        }
        m_body += bytes;
        return true;
    }

    void finished(const HttpOutcome &outcome) override
    {
        m_done(outcome, std::exchange(m_body, {}), m_stopped);
        m_memory.resize(0);
    }

private:
    Done m_done;
    QByteArray m_body;
    QString m_stopped;
    MemoryReservation m_memory;
};

} // namespace

SnapshotFetcher::SnapshotFetcher(QObject *parent)
    : QObject(parent)
    , m_handoff(std::make_shared<Handoff>(this))
{
}

SnapshotFetcher::~SnapshotFetcher()
{
    m_handoff->close();
}

bool SnapshotFetcher::isJpeg(const QByteArray &bytes)
{
    return Jpeg::isWholePicture(bytes);
}

bool SnapshotFetcher::fetch(const QString &address, const QString &fileName)
{
    if (m_busy)
        return false;
    m_busy = true;
    m_url = QUrl(address);
    m_fileName = fileName;

    if (CameraAddress::kindOf(m_url) != CameraAddress::Kind::Http) {
        // Reported like any other failure: after the call has returned.
        QString error = QStringLiteral("The still-image address %1 is not an http address.")
                            .arg(UrlCredentials::displayUrl(m_url));
        if (address.trimmed().isEmpty())
            error = QStringLiteral("The still-image address is empty.");
        else if (!m_url.isValid())
            error = QStringLiteral("The still-image address is not a valid address.");
        QMetaObject::invokeMethod(this, [this, error] { end(error); }, Qt::QueuedConnection);
        return true;
    }

    HttpRequest request;
    request.url = m_url;
    request.connectTimeoutMs = request.idleTimeoutMs = request.totalTimeoutMs = m_timeoutMs;
    std::shared_ptr<Handoff> handoff = m_handoff;
    auto done = [this, handoff](const HttpOutcome &outcome, const QByteArray &body, const QString &stopped) {
        handoff->post([this, outcome, body, stopped] { transferEnded(outcome, body, stopped); });
    };
    m_transfer = HttpClient::start(request, std::make_shared<SnapshotDownload>(std::move(done)));
    return true;
}

void SnapshotFetcher::transferEnded(const HttpOutcome &outcome, const QByteArray &body, const QString &stopped)
{
    if (!m_busy)
        return;
    m_transfer.reset();
    QString error;
    if (outcome.failure == HttpOutcome::Failure::Stopped)
        error = stopped.isEmpty()
            ? QStringLiteral("The answer from %1 is too large for a picture.").arg(UrlCredentials::displayUrl(m_url))
            : QStringLiteral("The picture from %1 could not be held: %2.").arg(UrlCredentials::displayUrl(m_url), stopped);
    else
        error = failureText(outcome);
    if (error.isEmpty())
        error = saveBody(body);
    end(error);
}

QString SnapshotFetcher::failureText(const HttpOutcome &outcome) const
{
    using F = HttpOutcome::Failure;
    const QString where = UrlCredentials::displayUrl(m_url);
    // One substitution per call: an address may hold "%2" of its own.
    switch (outcome.failure) {
    case F::None:
        return QString();
    case F::Status:
        if (outcome.head.status == 401)
            return QStringLiteral("The camera at %1 refused the user name or password (HTTP status 401).").arg(where);
        return QStringLiteral("The camera at %1 answered with HTTP status %2 instead of a picture.")
            .arg(where, QString::number(outcome.head.status));
    case F::Refused:
        return QStringLiteral("The camera at %1 refused the connection.").arg(where);
    case F::HostNotFound:
        return QStringLiteral("The camera host of %1 was not found.").arg(where);
    case F::Closed:
        return QStringLiteral("The camera at %1 closed the connection before its picture arrived.").arg(where);
    case F::TimedOut:
    case F::Idle:
        return QStringLiteral("The camera at %1 did not send its picture within %2 seconds.")
            .arg(where, QString::number(m_timeoutMs / 1000.0));
    case F::Stopped:
    case F::Refusing:
    case F::Other:
        break;
    }
    // The client's own words, already free of credentials.
    return QStringLiteral("The picture could not be fetched from %1: %2.").arg(where, outcome.error);
}

QString SnapshotFetcher::saveBody(const QByteArray &body)
{
    if (!isJpeg(body))
        return QStringLiteral("The camera at %1 did not send a whole JPEG picture.").arg(UrlCredentials::displayUrl(m_url));
    const QString writeError = SafeFile::write(m_fileName, body);
    if (!writeError.isEmpty())
        return QStringLiteral("The picture could not be saved as %1: %2.")
            .arg(QDir::toNativeSeparators(m_fileName), writeError);
    return QString();
}

void SnapshotFetcher::end(const QString &error)
{
    m_busy = false;
    m_transfer.reset();
    Q_EMIT finished(error);
}
