#pragma once

#include <QByteArray>
#include <QString>

// Lists and the settings file hold Windows-1252 bytes. Bytes stay bytes in
// memory; these conversions happen only where text meets a screen or the
// network.
namespace Cp1252 {
QString toText(const QByteArray &bytes);
// Characters with no Windows-1252 byte become '?' (one for each character,
// a pair of surrogates included), as the old code page conversion did.
QByteArray fromText(const QString &text);
} // namespace Cp1252
