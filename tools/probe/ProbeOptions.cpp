#include "ProbeOptions.h"

#include <QRegularExpression>

namespace {

// A probe longer than a day is a typo, not a measurement.
constexpr double kMaxSeconds = 86400;
constexpr int kMaxFrames = 100000000;

} // namespace

QString probeUsage()
{
    return QStringLiteral("usage: ocellane-probe [--frames N] [--seconds S] [--size WxH] URL");
}

std::optional<ProbeOptions> parseProbeArguments(const QStringList &args, QString *error)
{
    ProbeOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool takesValue = arg == QLatin1String("--frames") || arg == QLatin1String("--seconds")
                                || arg == QLatin1String("--size");
        if (takesValue) {
            if (i + 1 >= args.size()) {
                *error = arg + QStringLiteral(" needs a value");
                return std::nullopt;
            }
            const QString value = args.at(++i);
            bool ok = false;
            if (arg == QLatin1String("--frames")) {
                options.frames = value.toInt(&ok);
                ok = ok && options.frames > 0 && options.frames <= kMaxFrames;
            } else if (arg == QLatin1String("--seconds")) {
                options.seconds = value.toDouble(&ok);
                ok = ok && options.seconds > 0 && options.seconds <= kMaxSeconds;
            } else {
                static const QRegularExpression wxh(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
                const auto m = wxh.match(value);
                options.size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
                ok = m.hasMatch() && !options.size.isEmpty();
            }
            if (!ok) {
                *error = QStringLiteral("bad value for %1: %2").arg(arg, value);
                return std::nullopt;
            }
        } else if (arg.startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("unknown option %1").arg(arg);
            return std::nullopt;
        } else if (options.url.isNull()) {
            options.url = arg;
        } else {
            *error = QStringLiteral("more than one address");
            return std::nullopt;
        }
    }
    if (options.url.trimmed().isEmpty()) {
        *error = QStringLiteral("no address");
        return std::nullopt;
    }
    return options;
}
