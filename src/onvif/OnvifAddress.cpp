#include "onvif/OnvifAddress.h"

namespace OnvifAddress {

namespace {

constexpr int kRtspPort = 554;

// Where the authority of "scheme://authority/..." ends, from its start.
qsizetype authorityEnd(const QString &address, qsizetype start)
{
    qsizetype end = start;
    while (end < address.size() && address[end] != u'/' && address[end] != u'?' && address[end] != u'#')
        ++end;
    return end;
}

} // namespace

QString withCredentials(const QString &address, const QString &user, const QString &password)
{
    const qsizetype scheme = address.indexOf(QLatin1String("://"));
    if (user.isEmpty() || scheme <= 0)
        return address;
    const qsizetype start = scheme + 3;
    const qsizetype end = authorityEnd(address, start);
    // Any user information the device wrote in goes; the last "@" ends it.
    const qsizetype at = address.lastIndexOf(u'@', end - 1);
    const qsizetype host = at >= start ? at + 1 : start;
    if (host >= end)
        return address;
    QString userInfo = QString::fromLatin1(QUrl::toPercentEncoding(user));
    if (!password.isEmpty())
        userInfo += QLatin1Char(':') + QString::fromLatin1(QUrl::toPercentEncoding(password));
    return address.left(start) + userInfo + QLatin1Char('@') + address.mid(host);
}

QString rewriteHost(const QString &reported, const QUrl &used)
{
    QUrl url(reported, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return reported;
    const QString scheme = url.scheme().toLower();
    bool changed = false;
    if (url.host().compare(used.host(), Qt::CaseInsensitive) != 0 && !used.host().isEmpty()) {
        url.setHost(used.host());
        if (scheme == u"http" || scheme == u"https")
            url.setPort(used.port());
        changed = true;
    }
    if ((scheme == u"rtsp" || scheme == u"rtsps") && url.port() == 80) {
        url.setPort(kRtspPort);
        changed = true;
    }
    // Unchanged addresses keep the device's own spelling.
    return changed ? url.toString(QUrl::FullyEncoded) : reported;
}

QUrl deviceService(const QUrl &typed)
{
    QUrl url = typed.adjusted(QUrl::RemoveUserInfo);
    if (url.path().isEmpty() || url.path() == u"/")
        url.setPath(QStringLiteral("/onvif/device_service"));
    return url;
}

} // namespace OnvifAddress
