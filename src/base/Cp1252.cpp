#include "base/Cp1252.h"

#include <QHash>
#include <QStringDecoder>

namespace Cp1252 {

QString toText(const QByteArray &bytes)
{
    QStringDecoder decoder("windows-1252");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

namespace {
// Each character the decoder gives for a byte, back to that byte. Built from
// the decoder itself so the two directions always agree; Qt's encoder is not
// used, since it writes the control byte 0x1A for what it cannot map.
const QHash<char16_t, char> &byteOf()
{
    static const QHash<char16_t, char> table = [] {
        QHash<char16_t, char> t;
        for (int b = 0; b < 256; ++b) {
            const QString c = toText(QByteArray(1, char(b)));
            if (c.size() == 1 && c.at(0) != QChar::ReplacementCharacter)
                t.insert(c.at(0).unicode(), char(b));
        }
        return t;
    }();
    return table;
}
} // namespace

QByteArray fromText(const QString &text)
{
    const QHash<char16_t, char> &table = byteOf();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A pair of surrogates is one character, so one '?'.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        const auto found = table.constFind(c.unicode());
        bytes += found != table.cend() && !c.isSurrogate() ? found.value() : '?';
    }
    return bytes;
}

} // namespace Cp1252
