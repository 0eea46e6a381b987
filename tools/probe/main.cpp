// The camera stream engine without a window: fetches an address, prints
// each decoded picture and ends when enough arrived or time ran out. Also
// the ONVIF client without a window: --discover, --onvif.

#include "base/MemoryTuning.h"
#include "OnvifProbe.h"
#include "ProbeOptions.h"
#include "camctl/StreamEngine.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    MemoryTuning::apply();
    QCoreApplication app(argc, argv);
    QString error;
    const std::optional<ProbeOptions> options = parseProbeArguments(app.arguments().mid(1), &error);
    if (!options) {
        std::fprintf(stderr, "ocellane-probe: %s\n%s\n", qPrintable(error), qPrintable(probeUsage()));
        return 2;
    }
    if (options->mode == ProbeMode::Discover)
        return OnvifProbe::discover(*options);
    if (options->mode == ProbeMode::Onvif)
        return OnvifProbe::query(*options);

    StreamEngine engine;
    engine.setTargetSize(options->size);
    int received = 0;
    QElapsedTimer sinceFirst;  // the rate is measured over the pictures after the first
    // What an RTSP camera turned out to send, once it is known.
    QString source;
    auto finish = [&](int code) {
        engine.stop();
        if (received > 1 && !source.isEmpty())
            std::printf("rate %.1f fps\n", (received - 1) * 1000.0 / qMax<qint64>(1, sinceFirst.elapsed()));
        std::printf("frames %d reconnects %llu\n", received, static_cast<unsigned long long>(engine.stats().reconnects));
        if (code != 0 && !engine.stats().lastError.isEmpty())
            std::fprintf(stderr, "ocellane-probe: last error: %s\n", qPrintable(engine.stats().lastError));
        std::fflush(stdout);
        QCoreApplication::exit(code);
    };
    QObject::connect(&engine, &StreamEngine::frameReady, &app, [&](const QImage &image, const QByteArray &jpeg) {
        if (received >= options->frames)
            return;
        if (++received == 1)
            sinceFirst.start();
        // An RTSP camera's sender reports date its pictures: how long ago
        // this one was taken.
        const qint64 capturedUs = engine.frameCaptureTimeUs();
        const QString delay = capturedUs > 0
            ? QStringLiteral(" delay %1 ms").arg((QDateTime::currentMSecsSinceEpoch() * 1000 - capturedUs) / 1000.0, 0, 'f', 1)
            : QString();
        std::printf("frame %d %dx%d %lld%s\n", received, image.width(), image.height(),
                    static_cast<long long>(jpeg.size()), qPrintable(delay));
        std::fflush(stdout);
        if (received == options->frames)
            finish(0);
    });
    QString transport;
    QObject::connect(&engine, &StreamEngine::statsChanged, &app, [&] {
        if (const QString now = engine.stats().transport; now != transport && !now.isEmpty()) {
            transport = now;
            std::printf("transport %s\n", qPrintable(transport));
            std::fflush(stdout);
        }
        if (const QString now = engine.stats().source; now != source && !now.isEmpty()) {
            source = now;
            std::printf("stream %s\n", qPrintable(source));
            std::fflush(stdout);
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &app, [&] { finish(1); });
    deadline.start(int(options->seconds * 1000));
    engine.setUrl(options->url);
    return app.exec();
}
