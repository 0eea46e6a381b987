#include "camctl/SnapshotFetcher.h"

#include "base/SafeFile.h"
#include "camctl/Handoff.h"
#include "camctl/Jpeg.h"

#include <QDir>
#include <QUrl>

#include <functional>

namespace {

bool isHttp(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
           && !url.host().isEmpty();
}

// Gathers the body on the client's worker thread and hands it over whole.
class SnapshotDownload : public HttpHandler
{
public:
    using Done = std::function<void(const HttpOutcome &, const QByteArray &)>;
    explicit SnapshotDownload(Done done)
        : m_done(std::move(done))
    {
    }

    bool body(const HttpHead &head, QByteArrayView bytes) override
    {
        if (head.contentLength > SnapshotFetcher::MaxBodyBytes
            || m_body.size() + bytes.size() > SnapshotFetcher::MaxBodyBytes)
            return false;  // the one reason a download stops itself
        m_body += bytes;
        return true;
    }

    void finished(const HttpOutcome &outcome) override { m_done(outcome, std::exchange(m_body, {})); }

private:
    Done m_done;
    QByteArray m_body;
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

QString SnapshotFetcher::displayAddress(const QString &address)
{
    const QUrl url(address);
    if (!url.isValid())
        return QStringLiteral("an address that cannot be read");
    return url.toDisplayString(QUrl::RemoveUserInfo);
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
    m_address = address;
    m_fileName = fileName;

    const QUrl url(address);
    if (!isHttp(url)) {
        // Reported like any other failure: after the call has returned.
        QString error = QStringLiteral("The still-image address %1 is not an http address.").arg(displayAddress(address));
        if (address.trimmed().isEmpty())
            error = QStringLiteral("The still-image address is empty.");
        else if (!url.isValid())
            error = QStringLiteral("The still-image address is not a valid address.");
        QMetaObject::invokeMethod(this, [this, error] { end(error); }, Qt::QueuedConnection);
        return true;
    }

    HttpRequest request;
    request.url = url;
    request.connectTimeoutMs = request.idleTimeoutMs = request.totalTimeoutMs = m_timeoutMs;
    std::shared_ptr<Handoff> handoff = m_handoff;
    auto done = [this, handoff](const HttpOutcome &outcome, const QByteArray &body) {
        handoff->post([this, outcome, body] { transferEnded(outcome, body); });
    };
    m_transfer = HttpClient::start(request, std::make_shared<SnapshotDownload>(std::move(done)));
    return true;
}

void SnapshotFetcher::transferEnded(const HttpOutcome &outcome, const QByteArray &body)
{
    if (!m_transfer)
        return;
    m_transfer.reset();
    QString error;
    if (outcome.failure == HttpOutcome::Failure::Stopped)
        error = QStringLiteral("The answer from %1 is too large for a picture.").arg(displayAddress(m_address));
    else
        error = failureText(outcome);
    if (error.isEmpty())
        error = saveBody(body);
    end(error);
}

QString SnapshotFetcher::failureText(const HttpOutcome &outcome) const
{
    using F = HttpOutcome::Failure;
    const QString where = displayAddress(m_address);
    const int status = outcome.head.status;
    // One substitution per call: an address may hold "%2" of its own.
    if (outcome.failure == F::None && status == 401)
        return QStringLiteral("The camera at %1 refused the user name or password (HTTP status 401).").arg(where);
    if (outcome.failure == F::None && (status < 200 || status > 299))
        return QStringLiteral("The camera at %1 answered with HTTP status %2 instead of a picture.")
            .arg(where, QString::number(status));
    switch (outcome.failure) {
    case F::None:
        return QString();
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
        return QStringLiteral("The camera at %1 did not send a whole JPEG picture.").arg(displayAddress(m_address));
    const QString writeError = SafeFile::write(m_fileName, body);
    if (!writeError.isEmpty())
        return QStringLiteral("The picture could not be saved as %1: %2.")
            .arg(QDir::toNativeSeparators(m_fileName), writeError);
    return QString();
}

void SnapshotFetcher::end(const QString &error)
{
    m_busy = false;
    Q_EMIT finished(error);
}
