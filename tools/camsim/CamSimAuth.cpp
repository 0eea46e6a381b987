#include "CamSimAuth.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace CamSim {

namespace {

QByteArray md5Hex(const QByteArray &text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}

QByteArray randomHex(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(raw.data()), bytes / 4);
    return raw.toHex();
}

// Splits "scheme rest" and compares the scheme without regard to case.
std::optional<QByteArray> afterScheme(const QByteArray &header, const QByteArray &scheme)
{
    const QByteArray trimmed = header.trimmed();
    if (trimmed.size() <= scheme.size() || trimmed.left(scheme.size()).compare(scheme, Qt::CaseInsensitive) != 0
        || trimmed.at(scheme.size()) != ' ')
        return std::nullopt;
    return trimmed.mid(scheme.size() + 1).trimmed();
}

} // namespace

std::optional<QMap<QByteArray, QByteArray>> parseDigestParams(const QByteArray &text)
{
    QMap<QByteArray, QByteArray> params;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipSpace = [&] {
        while (i < n && (text[i] == ' ' || text[i] == '\t'))
            ++i;
    };
    while (true) {
        skipSpace();
        if (i >= n)
            break;
        const qsizetype equals = text.indexOf('=', i);
        if (equals < 0)
            return std::nullopt;
        const QByteArray name = text.mid(i, equals - i).trimmed().toLower();
        if (name.isEmpty())
            return std::nullopt;
        i = equals + 1;
        skipSpace();
        QByteArray value;
        if (i < n && text[i] == '"') {
            ++i;
            while (i < n && text[i] != '"') {
                if (text[i] == '\\' && i + 1 < n)
                    ++i;
                value += text[i++];
            }
            if (i >= n)
                return std::nullopt;  // unterminated quote
            ++i;
        } else {
            const qsizetype comma = text.indexOf(',', i);
            value = text.mid(i, (comma < 0 ? n : comma) - i).trimmed();
            i = comma < 0 ? n : comma;
        }
        params.insert(name, value);
        skipSpace();
        if (i < n) {
            if (text[i] != ',')
                return std::nullopt;
            ++i;
        }
    }
    return params;
}

Authenticator::Authenticator(QByteArray user, QByteArray password)
    : m_user(std::move(user)), m_password(std::move(password)), m_secret(randomHex(16)),
      m_opaque(randomHex(16))
{
}

QByteArray Authenticator::challenge(AuthMode mode) const
{
    const QByteArray realm = QByteArray("realm=\"") + kRealm + '"';
    if (mode == AuthMode::Basic)
        return "Basic " + realm;
    const QByteArray qop = mode == AuthMode::Digest ? QByteArray(", qop=\"auth\"") : QByteArray();
    return "Digest " + realm + qop + ", nonce=\"" + signNonce(randomHex(16)) + "\", opaque=\"" + m_opaque
           + "\", algorithm=MD5";
}

bool Authenticator::check(AuthMode mode, const QByteArray &method, const QByteArray &target,
                          const QByteArray &authorization) const
{
    switch (mode) {
    case AuthMode::None:
        return true;
    case AuthMode::Basic:
        if (const auto credentials = afterScheme(authorization, "Basic"))
            return checkBasic(*credentials);
        return false;
    case AuthMode::Digest:
    case AuthMode::DigestNoQop:
        if (const auto params = afterScheme(authorization, "Digest"))
            return checkDigest(*params, method, target);
        return false;
    }
    return false;
}

bool Authenticator::checkBasic(const QByteArray &credentials) const
{
    const auto decoded = QByteArray::fromBase64Encoding(credentials, QByteArray::AbortOnBase64DecodingErrors);
    return decoded && *decoded == m_user + ':' + m_password;
}

bool Authenticator::checkDigest(const QByteArray &text, const QByteArray &method, const QByteArray &target) const
{
    const auto params = parseDigestParams(text);
    if (!params)
        return false;
    const auto get = [&](const char *name) { return params->value(name); };
    const QByteArray algorithm = get("algorithm");
    // Clients may percent-encode the address they answer for differently
    // from how they sent it; the answer is computed over their text.
    const QByteArray uri = get("uri");
    const bool sameAddress = QByteArray::fromPercentEncoding(uri) == QByteArray::fromPercentEncoding(target);
    if (get("username") != m_user || get("realm") != kRealm || !sameAddress
        || !nonceIsOurs(get("nonce")) || (params->contains("opaque") && get("opaque") != m_opaque)
        || (!algorithm.isEmpty() && algorithm.compare("MD5", Qt::CaseInsensitive) != 0))
        return false;

    const QByteArray ha1 = md5Hex(m_user + ':' + kRealm + ':' + m_password);
    const QByteArray ha2 = md5Hex(method + ':' + uri);
    const QByteArray qop = get("qop");
    QByteArray expected;
    if (qop.isEmpty()) {
        expected = md5Hex(ha1 + ':' + get("nonce") + ':' + ha2);
    } else {
        if (qop != "auth" || get("nc").isEmpty() || get("cnonce").isEmpty())
            return false;
        expected = md5Hex(ha1 + ':' + get("nonce") + ':' + get("nc") + ':' + get("cnonce") + ':' + qop + ':' + ha2);
    }
    return get("response").toLower() == expected;
}

QByteArray Authenticator::signNonce(const QByteArray &salt) const
{
    return salt + md5Hex(salt + ':' + m_secret).left(16);
}

bool Authenticator::nonceIsOurs(const QByteArray &nonce) const
{
    return nonce.size() > 16 && signNonce(nonce.chopped(16)) == nonce;
}

} // namespace CamSim
