#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace OnvifSim {

// Bounds on what a client can make the parser hold; a request past them is
// refused, not truncated.
constexpr int kMaxXmlDepth = 32;
constexpr qsizetype kMaxFieldChars = 1024;
constexpr int kMaxArguments = 32;

constexpr char kSoapEnvelopeNs[] = "http://www.w3.org/2003/05/soap-envelope";

// A WS-Security UsernameToken as sent; checking it is WsSecurity's job.
struct UsernameToken
{
    QString username;
    QString password;
    QString passwordType;  // the Type attribute, a URI ending in #PasswordDigest or #PasswordText
    QString nonce;         // base64 as sent
    QString created;       // as sent
};

// What the device needs of one SOAP 1.2 envelope, for its calls and for
// WS-Discovery probes alike.
struct SoapMessage
{
    QString action;           // local name of the Body's first element
    QString actionNamespace;  // its namespace
    QString messageId;        // WS-Addressing MessageID in the Header, if any
    std::optional<UsernameToken> token;
    // Text of the action element's children, by local name, in order;
    // repeated names stay repeated.
    QList<std::pair<QString, QString>> fields;

    // The first argument of that name, or empty; every one of that name.
    QString argument(const QString &name) const;
    QStringList arguments(const QString &name) const;
};

// nullopt with *error set when the bytes are not well-formed XML, not a
// SOAP 1.2 envelope with a Body element, or past a bound.
std::optional<SoapMessage> parseSoapMessage(const QByteArray &bytes, QString *error);

} // namespace OnvifSim
