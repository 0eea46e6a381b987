#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// SOAP 1.2 envelopes for a device's calls, with the user's token when
// there is a user. The token carries a digest of the password, never the
// password: PasswordDigest = Base64(SHA1(nonce + Created + password)),
// where Created is the device's own clock (ours plus the offset measured
// first), since devices refuse tokens created too far from their time.
namespace Soap {

struct Token
{
    QString user;
    QByteArray nonce;  // raw bytes; sent Base64
    QString created;   // e.g. 2010-09-16T07:50:45Z
    QByteArray digest; // Base64
};

QByteArray passwordDigest(const QByteArray &nonce, const QString &created, const QString &password);

// A token for now on the device's clock (our UTC plus offsetMs), with a
// fresh random nonce.
Token makeToken(const QString &user, const QString &password, qint64 offsetMs);
QString createdText(const QDateTime &utc);

// The whole envelope around body (one element, already XML). No token
// when token is null.
QByteArray envelope(const QByteArray &body, const Token *token);

// The HTTP content type, which carries the action.
QByteArray contentType(const QByteArray &action);

// text made safe inside an element: devices' profile tokens go back in
// the next call's body.
QByteArray escaped(const QString &text);

} // namespace Soap
