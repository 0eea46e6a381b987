#pragma once

#include <QByteArray>
#include <QMap>

#include <optional>

namespace CamSim {

enum class AuthMode { None, Basic, Digest, DigestNoQop };

constexpr char kRealm[] = "ocellane";

// Parameters of a Digest header ("Digest username=\"a\", nc=00000001, ...");
// names lower-cased. nullopt when the text does not parse.
std::optional<QMap<QByteArray, QByteArray>> parseDigestParams(const QByteArray &text);

// HTTP Basic and Digest (RFC 2617/7616, MD5, qop=auth or none) for one
// user. Nonces are self-signed so no state grows with the number of
// challenges handed out.
class Authenticator
{
public:
    Authenticator(QByteArray user, QByteArray password);

    // The value of the WWW-Authenticate header for a 401 answer.
    QByteArray challenge(AuthMode mode) const;
    bool check(AuthMode mode, const QByteArray &method, const QByteArray &target,
               const QByteArray &authorization) const;

private:
    bool checkBasic(const QByteArray &credentials) const;
    bool checkDigest(const QByteArray &params, const QByteArray &method, const QByteArray &target) const;
    QByteArray signNonce(const QByteArray &salt) const;
    bool nonceIsOurs(const QByteArray &nonce) const;

    QByteArray m_user;
    QByteArray m_password;
    QByteArray m_secret;
    QByteArray m_opaque;
};

} // namespace CamSim
