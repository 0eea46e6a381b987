#include "OnvifProbe.h"

#include "camctl/UrlCredentials.h"
#include "onvif/OnvifLimits.h"
#include "onvif/OnvifQuery.h"
#include "onvif/OnvifSearch.h"

#include <QCoreApplication>

#include <cstdio>

namespace OnvifProbe {

namespace {

void line(const QString &text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

void complain(const QString &text)
{
    std::fprintf(stderr, "ocellane-probe: %s\n", qPrintable(text));
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

int discover(const ProbeOptions &options)
{
    OnvifSearch search;
    int devices = 0;
    QObject::connect(&search, &OnvifSearch::found, [&](const OnvifDiscovered &d) {
        ++devices;
        line(QStringLiteral("device %1 maker %2 model %3 name %4")
                 .arg(UrlCredentials::displayUrl(d.address), quoted(d.maker), quoted(d.model), quoted(d.name)));
    });
    QObject::connect(&search, &OnvifSearch::finished, [&](const QString &error) {
        line(QStringLiteral("devices %1").arg(devices));
        if (!error.isEmpty())
            complain(error);
        if (devices == 0 && error.isEmpty())
            complain(QStringLiteral("no device answered"));
        QCoreApplication::exit(devices > 0 ? 0 : 1);
    });
    // "HOST[:PORT]": one host asked directly instead of the multicast group.
    const QUrl host(QStringLiteral("udp://") + options.url);
    if (!options.url.isEmpty() && (!host.isValid() || host.host().isEmpty())) {
        complain(QStringLiteral("not a host: %1").arg(options.url));
        return 2;
    }
    search.start(host.host(), quint16(host.port(OnvifLimits::kDiscoveryPort)));
    return QCoreApplication::exec();
}

int query(const ProbeOptions &options)
{
    const QUrl url(options.url);
    OnvifQuery onvif;
    QObject::connect(&onvif, &OnvifQuery::finished, [&](const OnvifDevice &d, const QString &error) {
        if (!error.isEmpty()) {
            complain(error);
            return QCoreApplication::exit(1);
        }
        line(QStringLiteral("device %1").arg(UrlCredentials::displayUrl(d.address)));
        line(QStringLiteral("maker %1 model %2").arg(quoted(d.maker), quoted(d.model)));
        for (qsizetype i = 0; i < d.profiles.size(); ++i) {
            const OnvifProfile &p = d.profiles.at(i);
            const QString role = i == d.mainProfile ? QStringLiteral(" (main)")
                               : i == d.subProfile  ? QStringLiteral(" (sub)")
                                                    : QString();
            // One substitution: a device's text may hold "%1" of its own.
            line(QStringLiteral("profile %1 %2x%3 %4 fps %5%6")
                     .arg(p.encoding, QString::number(p.width), QString::number(p.height), QString::number(p.rate),
                          quoted(p.name), role));
        }
        // What would be written, without the credentials it holds.
        auto shown = [](const QString &address) {
            return address.isEmpty() ? QStringLiteral("-") : UrlCredentials::displayUrl(QUrl(address));
        };
        line(QStringLiteral("stream %1").arg(shown(d.stream)));
        line(QStringLiteral("sub-stream %1").arg(shown(d.subStream)));
        line(QStringLiteral("still %1").arg(shown(d.still)));
        for (const QString &note : d.notes)
            line(QStringLiteral("note %1").arg(note));
        QCoreApplication::exit(0);
    });
    onvif.start(url, url.userName(QUrl::FullyDecoded), url.password(QUrl::FullyDecoded));
    return QCoreApplication::exec();
}

} // namespace OnvifProbe
