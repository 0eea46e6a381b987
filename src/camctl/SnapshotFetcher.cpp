#include "bar/SnapshotFetcher.h"

#include "app/SafeFile.h"

#include <QDir>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <turbojpeg.h>

#include <memory>

namespace {

bool isHttp(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
           && !url.host().isEmpty();
}

} // namespace

SnapshotFetcher::SnapshotFetcher(QObject *parent)
    : QObject(parent)
{
    // The camera is asked directly, as it always was: no proxy.
    m_manager.setProxy(QNetworkProxy::NoProxy);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("The camera at %1 did not send its picture within %2 seconds.")
                 .arg(displayAddress(m_address))
                 .arg(m_timeoutMs / 1000.0));
    });
}

SnapshotFetcher::~SnapshotFetcher()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
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
    if (bytes.size() < 4 || uchar(bytes[0]) != 0xff || uchar(bytes[1]) != 0xd8)
        return false;
    // A body cut short has a readable header but no end marker.
    if (!bytes.right(EndMarkerSlack).contains(QByteArrayView("\xff\xd9", 2)))
        return false;
    const std::unique_ptr<void, int (*)(tjhandle)> handle(tjInitDecompress(), tjDestroy);
    if (!handle)
        return false;
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    // The header only: the picture itself is not decoded here.
    const int status = tjDecompressHeader3(handle.get(), reinterpret_cast<const unsigned char *>(bytes.constData()),
                                           static_cast<unsigned long>(bytes.size()), &width, &height, &subsampling,
                                           &colourspace);
    return status == 0 && width > 0 && height > 0;
}

bool SnapshotFetcher::fetch(const QString &address, const QString &fileName)
{
    if (m_busy)
        return false;
    m_busy = true;
    m_address = address;
    m_fileName = fileName;
    m_body.clear();
    m_failure.clear();

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

    // The manager answers a Basic or Digest challenge with the address's own
    // user name and password once; when they are refused it asks through
    // authenticationRequired, which nothing answers, so the fetch ends
    // with status 401 instead of asking again.
    QNetworkRequest request(url);
    m_reply = m_manager.get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > MaxBodyBytes)
            fail(QStringLiteral("The answer from %1 is too large for a picture.").arg(displayAddress(m_address)));
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &SnapshotFetcher::readBody);
    connect(m_reply, &QNetworkReply::finished, this, &SnapshotFetcher::replyFinished);
    m_deadline.start(m_timeoutMs);
    return true;
}

void SnapshotFetcher::readBody()
{
    if (!m_failure.isEmpty())
        return;
    if (m_body.size() + m_reply->bytesAvailable() > MaxBodyBytes) {
        fail(QStringLiteral("The answer from %1 is too large for a picture.").arg(displayAddress(m_address)));
        return;
    }
    m_body += m_reply->readAll();
}

void SnapshotFetcher::fail(const QString &error)
{
    if (!m_reply || !m_failure.isEmpty())
        return;
    m_failure = error;
    // abort() finishes the reply, which ends the fetch with this message.
    m_reply->abort();
}

void SnapshotFetcher::replyFinished()
{
    m_deadline.stop();
    QString error = m_failure;
    if (error.isEmpty()) {
        readBody();
        error = m_failure.isEmpty() ? replyError() : m_failure;
    }
    if (error.isEmpty())
        error = saveBody();
    m_reply->deleteLater();
    m_reply = nullptr;
    end(error);
}

QString SnapshotFetcher::replyError() const
{
    const QString where = displayAddress(m_address);
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 401)
        return QStringLiteral("The camera at %1 refused the user name or password (HTTP status 401).").arg(where);
    if (status != 0 && (status < 200 || status > 299))
        return QStringLiteral("The camera at %1 answered with HTTP status %2 instead of a picture.").arg(where).arg(status);
    switch (m_reply->error()) {
    case QNetworkReply::NoError:
        return QString();
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("The camera at %1 refused the connection.").arg(where);
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("The camera host of %1 was not found.").arg(where);
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("The camera at %1 closed the connection before its picture arrived.").arg(where);
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("The camera at %1 did not send its picture in time.").arg(where);
    case QNetworkReply::AuthenticationRequiredError:
        return QStringLiteral("The camera at %1 refused the user name or password.").arg(where);
    default:
        // The reply's own error text can carry the address's credentials.
        return QStringLiteral("The picture could not be fetched from %1 (network error %2).")
            .arg(where)
            .arg(int(m_reply->error()));
    }
}

QString SnapshotFetcher::saveBody()
{
    if (!isJpeg(m_body))
        return QStringLiteral("The camera at %1 did not send a whole JPEG picture.").arg(displayAddress(m_address));
    const QString writeError = SafeFile::write(m_fileName, m_body);
    if (!writeError.isEmpty())
        return QStringLiteral("The picture could not be saved as %1: %2.")
            .arg(QDir::toNativeSeparators(m_fileName), writeError);
    return QString();
}

void SnapshotFetcher::end(const QString &error)
{
    m_busy = false;
    m_body.clear();
    Q_EMIT finished(error);
}
