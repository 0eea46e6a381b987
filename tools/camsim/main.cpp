#include "CamSimServer.h"
#include "CameraListText.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "ocellane-camsim: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    // Pictures are drawn with fonts, which need a GUI application, but the
    // demo camera shows no window and must run without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A client that hangs up mid-write must not kill the server.
    std::signal(SIGPIPE, SIG_IGN);
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ocellane-camsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Demo camera: serves Axis-style motion-JPEG on 127.0.0.1 and prints its port on the first line."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Port, 0 for any free one."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption fps(QStringLiteral("fps"), QStringLiteral("Frames per second."), QStringLiteral("F"),
                                 QStringLiteral("25"));
    const QCommandLineOption framesDir(QStringLiteral("frames-dir"),
                                       QStringLiteral("Serve the *.jpg files of DIR in a loop."), QStringLiteral("DIR"));
    const QCommandLineOption auth(QStringLiteral("auth"), QStringLiteral("Ask for credentials: basic or digest."),
                                  QStringLiteral("basic|digest"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("User name."), QStringLiteral("U"),
                                  QStringLiteral("admin"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Password."), QStringLiteral("P"),
                                      QStringLiteral("secret"));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("Faults of every stream request, as a fault plan such as "
                                                  "close-after:3,no-length."),
                                   QStringLiteral("PLAN"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Log no requests."));
    const QCommandLineOption writeConfig(QStringLiteral("write-config"),
                                         QStringLiteral("Print the camera list for BASEURL and exit."),
                                         QStringLiteral("BASEURL"));
    parser.addOptions({port, fps, framesDir, auth, user, password, fault, quiet, writeConfig});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    if (parser.isSet(writeConfig)) {
        const QByteArray bytes = CamSim::cameraListBytes(parser.value(writeConfig));
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    CamSim::CamSimServer::Options options;
    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535)
        return fail(QStringLiteral("bad port %1").arg(parser.value(port)));
    options.port = quint16(portNumber);
    options.fps = parser.value(fps).toDouble(&ok);
    if (!ok || options.fps < CamSim::kMinFps || options.fps > CamSim::kMaxFps)
        return fail(QStringLiteral("bad frame rate %1").arg(parser.value(fps)));
    options.framesDir = parser.value(framesDir);
    if (parser.isSet(auth)) {
        const QString mode = parser.value(auth);
        if (mode == QLatin1String("basic"))
            options.auth = CamSim::AuthMode::Basic;
        else if (mode == QLatin1String("digest"))
            options.auth = CamSim::AuthMode::Digest;
        else
            return fail(QStringLiteral("bad auth mode %1").arg(mode));
    }
    options.user = parser.value(user).toUtf8();
    options.password = parser.value(password).toUtf8();
    QString error;
    if (parser.isSet(fault)) {
        const auto plan = CamSim::FaultPlan::parse(parser.value(fault).toUtf8(), &error);
        if (!plan)
            return fail(error);
        options.streamFault = *plan;
    }
    options.log = !parser.isSet(quiet);

    CamSim::CamSimServer server(options);
    if (!server.start(&error))
        return fail(error);
    std::printf("%u\n", unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
