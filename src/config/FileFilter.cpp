#include "config/FileFilter.h"

#include <QRegularExpression>

namespace FileFilter {

namespace {

// The description without its own pattern list, followed by what stood
// before that list: the stored text's spacing shows as it is written
// ("Liste de configuration(*.lst)" has no blank), a description without a
// list gets one blank.
QString describe(const QString &description)
{
    static const QRegularExpression trailingPatterns(QStringLiteral("(\\s*)\\([^()]*\\)\\s*$"));
    QString text = description;
    const QRegularExpressionMatch match = trailingPatterns.match(text);
    if (!match.hasMatch())
        return text.trimmed() + QLatin1Char(' ');
    text.truncate(match.capturedStart());
    return text.trimmed() + match.captured(1);
}

QString patterns(const QString &stored)
{
    QStringList out;
    for (const QString &pattern : stored.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString p = pattern.trimmed();
        out << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    }
    return out.join(QLatin1Char(' '));
}

} // namespace

QStringList toNameFilters(const QString &stored)
{
    const QStringList parts = stored.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << QStringLiteral("%1(%2)").arg(describe(parts.at(i)), patterns(parts.at(i + 1)));
    return filters;
}

} // namespace FileFilter
