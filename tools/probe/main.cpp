// The camera stream engine without a window: fetches an address, prints
// each decoded picture and ends when enough arrived or time ran out.

#include "base/MemoryTuning.h"
#include "ProbeOptions.h"
#include "camctl/StreamEngine.h"

#include <QCoreApplication>
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

    StreamEngine engine;
    engine.setTargetSize(options->size);
    int received = 0;
    auto finish = [&](int code) {
        engine.stop();
        std::printf("frames %d reconnects %llu\n", received, static_cast<unsigned long long>(engine.stats().reconnects));
        if (code != 0 && !engine.stats().lastError.isEmpty())
            std::fprintf(stderr, "ocellane-probe: last error: %s\n", qPrintable(engine.stats().lastError));
        std::fflush(stdout);
        QCoreApplication::exit(code);
    };
    QObject::connect(&engine, &StreamEngine::frameReady, &app, [&](const QImage &image, const QByteArray &jpeg) {
        if (received >= options->frames)
            return;
        ++received;
        std::printf("frame %d %dx%d %lld\n", received, image.width(), image.height(),
                    static_cast<long long>(jpeg.size()));
        std::fflush(stdout);
        if (received == options->frames)
            finish(0);
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &app, [&] { finish(1); });
    deadline.start(int(options->seconds * 1000));
    engine.setUrl(options->url);
    return app.exec();
}
