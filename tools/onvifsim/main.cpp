#include "OnvifServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "ocellane-onvifsim: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    // A client that hangs up mid-write must not kill the device.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ocellane-onvifsim"));

    using OnvifSim::OnvifOptions;
    const OnvifOptions defaults;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "ONVIF test device: SOAP device and media services on 127.0.0.1, prints its port on the first line."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("HTTP port, 0 for any free one."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption rtspMain(QStringLiteral("rtsp-main"), QStringLiteral("Stream address of profile main."),
                                      QStringLiteral("URL"), defaults.rtspMain);
    const QCommandLineOption rtspSub(QStringLiteral("rtsp-sub"), QStringLiteral("Stream address of profile sub."),
                                     QStringLiteral("URL"), defaults.rtspSub);
    const QCommandLineOption snapshot(QStringLiteral("snapshot"), QStringLiteral("Snapshot address."),
                                      QStringLiteral("URL"), defaults.snapshot);
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("User name; without one no call needs credentials."),
                                  QStringLiteral("U"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Password."), QStringLiteral("P"));
    const QCommandLineOption httpDigest(QStringLiteral("http-digest"),
                                        QStringLiteral("Ask for HTTP Digest instead of a WS-Security token."));
    const QCommandLineOption clockOffset(QStringLiteral("clock-offset"),
                                         QStringLiteral("Device clock minus system clock."), QStringLiteral("SECONDS"),
                                         QStringLiteral("0"));
    const QCommandLineOption discoveryPort(QStringLiteral("discovery-port"),
                                           QStringLiteral("WS-Discovery port on 127.0.0.1, 0 for none."),
                                           QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption multicast(
        QStringLiteral("multicast"),
        QStringLiteral("Also answer probes to 239.255.255.250:3702 on the loopback interface."));
    const QCommandLineOption fault(
        QStringLiteral("fault"),
        QStringLiteral("Misbehave (repeatable): %1.").arg(OnvifSim::faultNames().join(QStringLiteral(", "))),
        QStringLiteral("NAME"));
    parser.addOptions({port, rtspMain, rtspSub, snapshot, user, password, httpDigest, clockOffset, discoveryPort,
                       multicast, fault});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    OnvifOptions options;
    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535)
        return fail(QStringLiteral("bad port %1").arg(parser.value(port)));
    options.port = quint16(portNumber);
    const uint discovery = parser.value(discoveryPort).toUInt(&ok);
    if (!ok || discovery > 65535)
        return fail(QStringLiteral("bad discovery port %1").arg(parser.value(discoveryPort)));
    if (discovery != 0)
        options.discoveryPort = quint16(discovery);
    options.multicast = parser.isSet(multicast);
    options.rtspMain = parser.value(rtspMain);
    options.rtspSub = parser.value(rtspSub);
    options.snapshot = parser.value(snapshot);
    options.user = parser.value(user).toUtf8();
    options.password = parser.value(password).toUtf8();
    options.httpDigest = parser.isSet(httpDigest);
    // More than a year either way is a typo, not a test.
    options.clockOffsetSeconds = parser.value(clockOffset).toLongLong(&ok);
    if (!ok || std::abs(options.clockOffsetSeconds) > 366LL * 24 * 3600)
        return fail(QStringLiteral("bad clock offset %1").arg(parser.value(clockOffset)));
    for (const QString &name : parser.values(fault)) {
        const auto named = OnvifSim::faultNamed(name);
        if (!named)
            return fail(QStringLiteral("unknown fault %1").arg(name));
        options.faults.add(*named);
    }

    OnvifSim::OnvifServer server(options);
    QString error;
    if (!server.start(&error))
        return fail(error);
    std::printf("%u\n", unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
