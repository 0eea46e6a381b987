#include "camctl/UrlCredentials.h"

#include <algorithm>

namespace UrlCredentials {

QString displayUrl(const QUrl &url)
{
    return url.toDisplayString(QUrl::RemoveUserInfo);
}

QString redacted(QString text, const QUrl &url)
{
    const QString mask = QStringLiteral("***");
    const QString user = url.userName(QUrl::FullyDecoded);
    const QString password = url.password(QUrl::FullyDecoded);
    if (user.isEmpty() && password.isEmpty())
        return text;
    // Every form a message may carry them in: as typed, decoded, percent-
    // encoded (either case of hex), and the Basic credentials line.
    QStringList secrets;
    for (const QString &secret : {password, user}) {
        if (secret.isEmpty())
            continue;
        const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(secret));
        secrets << secret << encoded;
    }
    for (QUrl::ComponentFormattingOption form : {QUrl::FullyEncoded, QUrl::PrettyDecoded})
        secrets << url.userInfo(form) << url.password(form) << url.userName(form);
    secrets << QString::fromLatin1((user + QLatin1Char(':') + password).toUtf8().toBase64());
    // The password alone, as a token or a digest input may carry it.
    if (!password.isEmpty())
        secrets << QString::fromLatin1(password.toUtf8().toBase64());
    secrets << QString::fromLatin1((user + QLatin1Char(':') + password).toLatin1().toBase64());
    // Longest first, so a password is masked whole before a user name
    // inside it could be.
    std::stable_sort(secrets.begin(), secrets.end(),
                     [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &secret : std::as_const(secrets)) {
        if (!secret.isEmpty())
            text.replace(secret, mask, Qt::CaseInsensitive);
    }
    return text;
}

} // namespace UrlCredentials
