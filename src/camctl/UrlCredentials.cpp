#include "camctl/UrlCredentials.h"

namespace UrlCredentials {

QString displayUrl(const QUrl &url)
{
    return url.toDisplayString(QUrl::RemoveUserInfo);
}

QString redacted(QString text, const QUrl &url)
{
    const QString mask = QStringLiteral("***");
    // Longest first, so the encoded password is masked before the user
    // name inside it could be.
    QStringList secrets = {url.userInfo(QUrl::FullyEncoded), url.userInfo(QUrl::PrettyDecoded),
                           url.password(QUrl::FullyEncoded), url.password(QUrl::FullyDecoded),
                           url.userName(QUrl::FullyEncoded), url.userName(QUrl::FullyDecoded)};
    std::stable_sort(secrets.begin(), secrets.end(),
                     [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &secret : secrets) {
        if (!secret.isEmpty())
            text.replace(secret, mask);
    }
    return text;
}

} // namespace UrlCredentials
