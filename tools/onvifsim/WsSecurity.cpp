#include "WsSecurity.h"

#include <QCryptographicHash>

namespace OnvifSim {

QByteArray passwordDigest(const QByteArray &nonce, const QByteArray &created, const QByteArray &password)
{
    return QCryptographicHash::hash(nonce + created + password, QCryptographicHash::Sha1).toBase64();
}

bool usernameTokenValid(const UsernameToken &token, const QByteArray &user, const QByteArray &password,
                        const QDateTime &deviceNow)
{
    // A plain-text password is what this device exists to refuse: a client
    // that falls back to it sends the password in the clear.
    if (!token.passwordType.endsWith(QLatin1String("#PasswordDigest")) || token.username.toUtf8() != user)
        return false;
    const auto nonce =
        QByteArray::fromBase64Encoding(token.nonce.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!nonce || nonce.decoded.isEmpty() || nonce.decoded.size() > kMaxNonceBytes)
        return false;
    const QDateTime created = QDateTime::fromString(token.created, Qt::ISODateWithMs);
    if (!created.isValid() || std::abs(created.secsTo(deviceNow)) > kTokenWindowSeconds)
        return false;
    const QByteArray expected = passwordDigest(*nonce, token.created.toUtf8(), password);
    return token.password.toLatin1() == expected;
}

} // namespace OnvifSim
