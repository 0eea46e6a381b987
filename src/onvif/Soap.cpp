#include "onvif/Soap.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace Soap {

QByteArray passwordDigest(const QByteArray &nonce, const QString &created, const QString &password)
{
    QCryptographicHash sha1(QCryptographicHash::Sha1);
    sha1.addData(nonce);
    sha1.addData(created.toUtf8());
    sha1.addData(password.toUtf8());
    return sha1.result().toBase64();
}

QString createdText(const QDateTime &utc)
{
    return utc.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

Token makeToken(const QString &user, const QString &password, qint64 offsetMs)
{
    Token t;
    t.user = user;
    t.nonce.resize(16);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(t.nonce.data()), 4);
    t.created = createdText(QDateTime::currentDateTimeUtc().addMSecs(offsetMs));
    t.digest = passwordDigest(t.nonce, t.created, password);
    return t;
}

QByteArray escaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray envelope(const QByteArray &body, const Token *token)
{
    QByteArray header;
    if (token) {
        header = "<s:Header><wsse:Security s:mustUnderstand=\"1\" "
                 "xmlns:wsse=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd\" "
                 "xmlns:wsu=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd\">"
                 "<wsse:UsernameToken><wsse:Username>" + escaped(token->user) + "</wsse:Username>"
                 "<wsse:Password Type=\"http://docs.oasis-open.org/wss/2004/01/"
                 "oasis-200401-wss-username-token-profile-1.0#PasswordDigest\">" + token->digest + "</wsse:Password>"
                 "<wsse:Nonce EncodingType=\"http://docs.oasis-open.org/wss/2004/01/"
                 "oasis-200401-wss-soap-message-security-1.0#Base64Binary\">" + token->nonce.toBase64() + "</wsse:Nonce>"
                 "<wsu:Created>" + token->created.toUtf8() + "</wsu:Created>"
                 "</wsse:UsernameToken></wsse:Security></s:Header>";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\" "
           "xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\" "
           "xmlns:tr2=\"http://www.onvif.org/ver20/media/wsdl\" "
           "xmlns:tt=\"http://www.onvif.org/ver10/schema\">"
           + header + "<s:Body>" + body + "</s:Body></s:Envelope>";
}

QByteArray contentType(const QByteArray &action)
{
    return "application/soap+xml; charset=utf-8; action=\"" + action + "\"";
}

} // namespace Soap
