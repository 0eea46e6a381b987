// Fourteen picture controls, as the program's three view windows hold
// them, stream from one demo camera for a set time while the camera
// misbehaves on a schedule: each control's address asks for its own fault,
// and since every fault ends or spoils the connection, it comes back on
// every reconnect. Reports memory, descriptors, reconnects and their
// spacing, pictures per control and the longest stall of the UI thread.
//
//   ocellane-soak [--seconds 600] [--fps 25]
#include "base/MemoryTuning.h"
#include "camctl/StreamEngine.h"
#include "camctl/TCamImage.h"
#include "support/CamSimProcess.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {

struct Sample
{
    qint64 atMs;
    qint64 rssKb;
    int fds;
};

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

// The schedule: what each of the fourteen controls asks the camera for.
struct Lane
{
    const char *name;
    const char *query;
};

const Lane lanes[] = {
    {"closed every 300 pictures", "fault=close-after:300"},
    {"reset every 400 pictures", "fault=reset-after:400"},
    {"stalls after 500 pictures", "fault=stall-after:500"},
    {"drips a byte every 5 ms", "fault=drip:5"},
    {"answers HTTP 500", "fault=status:500"},
    {"every other picture truncated", "fault=truncate"},
    {"a 20 MB part past the bound", "fault=oversize:20000000,close-after:200"},
    {"no Content-Length, closed every 250", "fault=no-length,close-after:250"},
    {"healthy 704x576", "resolution=704x576"},
    {"healthy", ""},
    {"healthy", ""},
    {"truncated, closed every 350", "fault=truncate,close-after:350"},
    {"healthy 176x144", "resolution=176x144"},
    {"healthy", ""},
};
constexpr int LaneCount = int(sizeof(lanes) / sizeof(lanes[0]));

} // namespace

int main(int argc, char **argv)
{
    // As the program does.
    MemoryTuning::apply();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("Soak length."), QStringLiteral("S"), QStringLiteral("600")});
    parser.addOption({QStringLiteral("fps"), QStringLiteral("Pictures per second per camera."), QStringLiteral("F"),
                      QStringLiteral("25")});
    parser.process(app);
    const qint64 totalMs = parser.value(QStringLiteral("seconds")).toLongLong() * 1000;

    // The demo camera as the tests run it: quiet, on a free port.
    CamSimProcess camsim({QStringLiteral("--fps"), parser.value(QStringLiteral("fps"))});
    if (!camsim.isRunning()) {
        std::fprintf(stderr, "the demo camera did not start\n");
        return 1;
    }
    const QString base = camsim.base();

    QWidget window;
    window.resize(1056, 576);
    QList<TCamImage *> controls;
    QList<quint64> pictures(LaneCount, 0);
    QList<QList<qint64>> reconnectTimes(LaneCount);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < LaneCount; ++i) {
        auto *control = new TCamImage(&window);
        control->setGeometry((i % 6) * 176, (i / 6) * 144, 176, 144);
        QObject::connect(control, &TCamImage::OnNewImage, &app, [&pictures, i] { ++pictures[i]; });
        quint64 lastReconnects = 0;
        QObject::connect(control->engine(), &StreamEngine::statsChanged, &app,
                         [&reconnectTimes, &clock, control, i, lastReconnects]() mutable {
                             const quint64 now = control->engine()->stats().reconnects;
                             if (now != lastReconnects) {
                                 lastReconnects = now;
                                 reconnectTimes[i].append(clock.elapsed());
                             }
                         });
        const QString camera = QStringLiteral("camera=%1").arg(i % 9 + 1);
        const QString query = QLatin1String(lanes[i].query);
        control->setURL(base + QStringLiteral("/axis-cgi/mjpg/video.cgi?") + camera +
                        (query.isEmpty() ? QString() : QStringLiteral("&") + query));
        controls.append(control);
    }
    window.show();

    // The UI thread's responsiveness: the longest gap between ticks of a
    // 10 ms timer, after the first seconds.
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        const qint64 now = clock.elapsed();
        if (lastTick > 5000)
            longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    tick.start(10);

    QList<Sample> samples;
    const qint64 warmUpMs = std::min<qint64>(30000, totalMs / 10);
    auto sample = [&] { samples.append({clock.elapsed(), residentKb(), openDescriptors()}); };
    QTimer::singleShot(int(warmUpMs), &app, sample);
    QTimer::singleShot(int(totalMs / 2), &app, sample);
    QTimer::singleShot(int(totalMs), &app, [&] {
        sample();
        app.quit();
    });
    app.exec();

    std::printf("# Fault soak: %d controls, %lld s\n\n", LaneCount, totalMs / 1000);
    std::printf("| when | time (s) | resident memory (KiB) | open descriptors |\n|---|---|---|---|\n");
    const char *names[] = {"after warm-up", "middle", "end"};
    for (int i = 0; i < samples.size(); ++i)
        std::printf("| %s | %lld | %lld | %d |\n", names[std::min(i, 2)], samples[i].atMs / 1000, samples[i].rssKb,
                    samples[i].fds);
    if (samples.size() == 3 && samples[0].rssKb > 0)
        std::printf("\nMemory growth after warm-up: %.1f%%; descriptors: %d -> %d\n",
                    100.0 * double(samples[2].rssKb - samples[0].rssKb) / double(samples[0].rssKb), samples[0].fds,
                    samples[2].fds);
    std::printf("\n| control | camera behaviour | pictures shown | reconnects | shortest / median / longest spacing (s) |\n"
                "|---|---|---|---|---|\n");
    for (int i = 0; i < LaneCount; ++i) {
        QList<qint64> gaps;
        for (int k = 1; k < reconnectTimes[i].size(); ++k)
            gaps.append(reconnectTimes[i][k] - reconnectTimes[i][k - 1]);
        std::sort(gaps.begin(), gaps.end());
        const QString spacing = gaps.isEmpty() ? QStringLiteral("-")
                                               : QStringLiteral("%1 / %2 / %3")
                                                     .arg(gaps.first() / 1000.0, 0, 'f', 1)
                                                     .arg(gaps.at(gaps.size() / 2) / 1000.0, 0, 'f', 1)
                                                     .arg(gaps.last() / 1000.0, 0, 'f', 1);
        std::printf("| %d | %s | %llu | %llu | %s |\n", i + 1, lanes[i].name,
                    static_cast<unsigned long long>(pictures[i]),
                    static_cast<unsigned long long>(controls[i]->engine()->stats().reconnects),
                    qPrintable(spacing));
    }
    std::printf("\nLongest gap between two 10 ms timer events on the UI thread: %lld ms\n", longestGap);
    return 0;
}
