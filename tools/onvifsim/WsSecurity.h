#pragma once

#include "SoapMessage.h"

#include <QByteArray>
#include <QDateTime>

namespace OnvifSim {

// How far a token's Created may lie from the device clock, either way.
constexpr qint64 kTokenWindowSeconds = 5 * 60;
// Nonces longer than this (decoded) are refused: real clients send 16 bytes.
constexpr qsizetype kMaxNonceBytes = 128;

// Base64(SHA-1(nonce + created + password)), as WS-Security's
// UsernameToken profile computes a PasswordDigest.
QByteArray passwordDigest(const QByteArray &nonce, const QByteArray &created, const QByteArray &password);

// True when the token names the user, carries a PasswordDigest of the
// password, and was created within kTokenWindowSeconds of deviceNow.
bool usernameTokenValid(const UsernameToken &token, const QByteArray &user, const QByteArray &password,
                        const QDateTime &deviceNow);

} // namespace OnvifSim
