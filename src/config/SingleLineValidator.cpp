#include "config/SingleLineValidator.h"

namespace {
qsizetype firstBreak(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return i;
    }
    return -1;
}
} // namespace

QValidator::State SingleLineValidator::validate(QString &input, int &pos) const
{
    fixup(input);
    pos = qMin(pos, int(input.size()));
    return Acceptable;
}

void SingleLineValidator::fixup(QString &input) const
{
    const qsizetype at = firstBreak(input);
    if (at >= 0)
        input.truncate(at);
}
