// The nine-camera view as the program shows it: the real TForm10 at its
// stored size, its nine controls streaming photographs (25 a second each)
// from the demo camera run as its own process. The frames folder decides
// the cameras: 704x576 frames for the usual camera, 1920x1080 ones for the
// large-camera case.
//
// After a warm-up (15 s: memory settles by then) it reports, over the
// measured window: this process's CPU per picture shown against raw
// TurboJPEG decoding the same pictures at the same DCT scale in this same
// run (timed before the cameras start and again after they stop, so both
// see the machine as the window did), that CPU by thread (UI, camera
// threads, the rest), context switches per picture, the share of the
// pictures sent that were shown, the delay from the camera sending a
// picture to it being shown and painted (the camera writes the send time
// into each picture, since only the picture's bytes reach the control),
// resident memory every 5 s, and the load the rest of the machine put on
// it meanwhile.
//
// With --minimised S it then minimises the window for S seconds and
// reports the process's CPU per second there against the window's, and
// whether every camera shows its next picture once the window is restored.
//
//   ocellane-bench-ninecam --frames-dir DIR [--seconds 30] [--warm-up 15] [--fps 25] [--anchor-seconds 3]
//                          [--minimised 0]
#include "BenchFrames.h"
#include "BenchSampling.h"
#include "camsim/SendStamp.h"
#include "base/MemoryTuning.h"
#include "camctl/StreamEngine.h"
#include "camctl/TCamImage.h"
#include "support/CamSimProcess.h"
#include "views/TForm10.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTcpSocket>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>


namespace {

using namespace BenchSampling;

constexpr int kCameras = 9;
// Delays kept for the percentiles: 25 a second for nine cameras for ten
// minutes is well inside. Allocated and touched before measuring, so the
// benchmark's own records do not show as the program's memory growth.
constexpr size_t kMaxDelays = 200000;
constexpr int kRssSampleMs = 5000;
// Pictures in flight at each edge of the window (sent before it, shown in
// it, or the reverse): at most one per camera, so this many may differ
// between sent and shown without a picture being lost.
constexpr qint64 kInFlightSlack = kCameras;
// Rounds of the anchor at the least, whatever its CPU time.
constexpr int kAnchorMinRounds = 5;
// After the cameras stop, time for the last pictures to drain before the
// anchor takes the UI thread.
constexpr int kDrainMs = 1000;
// After minimising, time for pictures decoded before it to be shown and the
// window manager to answer, left out of the minimised figures.
constexpr int kSettleMs = 2000;
// After restoring: how long every camera has to show a picture again.
constexpr int kRestoreWaitMs = 10000;
// The share of the shown window's CPU a minimised one may take.
constexpr double kMinimisedTarget = 0.1;

double ticksToSeconds(const QList<QByteArray> &fields)
{
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// The demo camera is this process's child: its CPU is the machine's, not
// the program's, but it belongs in the account of where the cores went.
int childPid()
{
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const int pid = entry.toInt(&numeric);
        if (!numeric)
            continue;
        const QList<QByteArray> fields = statFields(readProc(QStringLiteral("/proc/%1/stat").arg(pid)));
        if (fields.size() > 1 && fields[1].toInt() == getpid())
            return pid;
    }
    return 0;
}


// Where a thread's time is counted: the camera client names each attempt's
// thread "camera"; the rest are Qt's (the X connection's reader under xcb)
// and the libraries'.
enum class Role { Ui, Camera, Other, Count };

const char *roleName(Role role)
{
    switch (role) {
    case Role::Ui: return "UI thread";
    case Role::Camera: return "camera threads (read, split, decode)";
    case Role::Other: return "other threads";
    case Role::Count: break;
    }
    return "";
}

Role roleOf(int tid, const QByteArray &name)
{
    if (tid == getpid())
        return Role::Ui;
    if (name == "camera")
        return Role::Camera;
    return Role::Other;
}

// Asked with blocking waits: CamSimProcess::stats() turns the event loop
// while it waits, for up to a second with nine streams coming in, which
// would set the count that far apart from the other figures of the mark.
qint64 framesSent(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return -1;
    socket.write("GET /stats HTTP/1.0\r\n\r\n");
    QByteArray reply;
    QElapsedTimer waited;
    waited.start();
    while (socket.state() == QAbstractSocket::ConnectedState && waited.elapsed() < 5000) {
        socket.waitForReadyRead(int(std::max<qint64>(1, 5000 - waited.elapsed())));
        reply += socket.readAll();
    }
    reply += socket.readAll();
    const QJsonObject byCamera = QJsonDocument::fromJson(reply.mid(reply.indexOf("\r\n\r\n") + 4))
                                     .object()
                                     .value(QLatin1String("framesByCamera"))
                                     .toObject();
    qint64 sum = 0;
    for (int i = 1; i <= kCameras; ++i)
        sum += byCamera.value(QString::number(i)).toInteger();
    return sum;
}

// The camera frames exactly as the demo camera loads and sends them.
QList<QByteArray> loadFrames(const QString &dir)
{
    QList<QByteArray> frames;
    for (const QString &name :
         QDir(dir).entryList({QStringLiteral("*.jpg"), QStringLiteral("*.JPG")}, QDir::Files, QDir::Name)) {
        QFile file(QDir(dir).filePath(name));
        if (file.open(QIODevice::ReadOnly))
            frames << file.readAll();
    }
    return frames;
}


// Raw TurboJPEG on the pictures the controls decode, with the engine's
// flags (the anchor) and with the library's defaults; and the engine's
// decoder in the same loop, which tells its own code from the threads
// around it.
struct Anchor
{
    RawDecode::Timing engineFlags;
    RawDecode::Timing defaultFlags;
    RawDecode::Timing engineDecoder;
    QString error() const { return engineFlags.error + defaultFlags.error + engineDecoder.error; }
};

Anchor measureAnchor(const QList<RawDecode::Picture> &pictures, double cpuSeconds)
{
    Anchor a;
    a.engineFlags = RawDecode::cpuPerPicture(pictures, RawDecode::engineFlags(), kAnchorMinRounds, cpuSeconds);
    a.defaultFlags = RawDecode::cpuPerPicture(pictures, 0, kAnchorMinRounds, cpuSeconds);
    a.engineDecoder = RawDecode::engineCpuPerPicture(pictures, kAnchorMinRounds, cpuSeconds);
    return a;
}


// Everything read at one moment: the demo camera's count, the engines'
// counters, this process's CPU, switches, faults, memory and threads, and
// the machine's.
struct Mark
{
    qint64 sent = 0;
    qint64 shown = 0;
    StreamStats engines;
    int paints = 0;
    double cpu = 0;
    Switches switches;
    long minorFaults = 0;
    qint64 rssKiB = 0;
    qint64 atMs = 0;
    QHash<int, ThreadSample> threads;
    MachineTicks machine;
    double cameraCpu = 0;
    QByteArray load;
};

// CPU, context switches and waits by kind of thread between two marks,
// each divided by `per` (pictures shown, or seconds); `anchorUs` > 0 adds
// the column against the raw decode. Threads that ended in between are in
// the process total only, so they land in "other".
void printThreads(const Mark &start, const Mark &end, double per, const char *unit, double anchorUs)
{
    const double cpu = end.cpu - start.cpu;
    const auto totals = sumThreads<size_t(Role::Count)>(
        start.threads, end.threads, [](int tid, const QByteArray &name) { return size_t(roleOf(tid, name)); });
    std::array<RoleSum, size_t(Role::Count)> roles = totals.roles;
    // The process total less the live threads: threads that ended, and
    // the few milliseconds by which getrusage and schedstat differ, which
    // may come out below zero when no thread ended.
    const double endedCpu = std::max(0.0, cpu - totals.cpu);
    const double allSwitches = double(end.switches.total() - start.switches.total());
    const double endedSwitches = std::max(0.0, allSwitches - totals.switches);
    RoleSum &other = roles[size_t(Role::Other)];
    other.cpu += endedCpu;
    other.switches += endedSwitches;
    other.involuntary +=
        std::max(0.0, double(end.switches.involuntary - start.switches.involuntary) - totals.involuntary);
    per = std::max(per, 1e-9);
    std::printf("| thread | threads | CPU µs per %s | share of the process |%s context switches per %s "
                "(involuntary) | waiting to run, µs per %s |\n|---|---:|---:|---:|%s---:|---:|\n",
                unit, anchorUs > 0 ? " x raw decode |" : "", unit, unit, anchorUs > 0 ? "---:|" : "");
    auto row = [&](const char *name, const QString &threads, double c, double sw, double inv, const QString &wait) {
        std::printf("| %s | %s | %.0f | %.1f %% |", name, qPrintable(threads), c / per * 1e6,
                    cpu > 0 ? 100 * c / cpu : 0.0);
        if (anchorUs > 0)
            std::printf(" %.2f |", c / per * 1e6 / anchorUs);
        std::printf(" %.2f (%.2f) | %s |\n", sw / per, inv / per, qPrintable(wait));
    };
    for (size_t r = 0; r < size_t(Role::Count); ++r) {
        const RoleSum &s = roles[r];
        row(roleName(Role(r)), QString::number(s.threads), s.cpu, s.switches, s.involuntary,
            QString::number(s.wait / per * 1e6, 'f', 0));
    }
    row("whole process", QString(), cpu, allSwitches, double(end.switches.involuntary - start.switches.involuntary),
        QString());
    std::printf("\n\"other threads\" includes threads that ended in between (%.0f µs, %.2f switches per %s). "
                "Threads by name:",
                endedCpu / per * 1e6, endedSwitches / per, unit);
    for (const auto &[name, s] : totals.byName)
        std::printf(" \"%s\" x%d %.2f s;", name.constData(), s.threads, s.cpu);
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    // As the program does.
    MemoryTuning::apply();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("frames-dir"),
                      QStringLiteral("Camera frames (*.jpg) of one size; 704x576 and 1920x1080 have targets."),
                      QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("Measured time."), QStringLiteral("S"),
                      QStringLiteral("30")});
    parser.addOption({QStringLiteral("warm-up"), QStringLiteral("Seconds before measuring."), QStringLiteral("S"),
                      QStringLiteral("15")});
    parser.addOption({QStringLiteral("fps"), QStringLiteral("Pictures per second per camera."), QStringLiteral("F"),
                      QStringLiteral("25")});
    parser.addOption({QStringLiteral("anchor-seconds"),
                      QStringLiteral("CPU seconds of raw decoding, before and after the window, per flag set."),
                      QStringLiteral("S"), QStringLiteral("3")});
    parser.addOption({QStringLiteral("minimised"),
                      QStringLiteral("After the window: seconds minimised, against the CPU shown (0: none)."),
                      QStringLiteral("S"), QStringLiteral("0")});
    parser.process(app);
    const QString framesDir = parser.value(QStringLiteral("frames-dir"));
    const QList<QByteArray> frames = framesDir.isEmpty() ? QList<QByteArray>() : loadFrames(framesDir);
    if (frames.isEmpty()) {
        std::fprintf(stderr, "--frames-dir must name a folder of *.jpg camera frames (docs/PERFORMANCE.md)\n");
        return 2;
    }
    const QSize frameSize = RawDecode::headerSize(frames.first());
    qint64 frameBytes = 0;
    for (const QByteArray &f : frames) {
        frameBytes += f.size();
        if (RawDecode::headerSize(f) != frameSize) {
            std::fprintf(stderr, "the frames are not all of one size (%s and %s)\n", qPrintable(sizeText(frameSize)),
                         qPrintable(sizeText(RawDecode::headerSize(f))));
            return 2;
        }
    }
    // The targets differ by camera size; other sizes are measured without.
    const bool d1 = frameSize == QSize(704, 576);
    const bool fullHd = frameSize == QSize(1920, 1080);
    const int warmUpMs = parser.value(QStringLiteral("warm-up")).toInt() * 1000;
    const int measureMs = parser.value(QStringLiteral("seconds")).toInt() * 1000;
    const double fps = parser.value(QStringLiteral("fps")).toDouble();
    const double anchorSeconds = parser.value(QStringLiteral("anchor-seconds")).toDouble();
    const int minimisedMs = parser.value(QStringLiteral("minimised")).toInt() * 1000;

    CamSimProcess camera({QStringLiteral("--fps"), parser.value(QStringLiteral("fps")), QStringLiteral("--frames-dir"),
                          framesDir});
    if (!camera.isRunning()) {
        std::fprintf(stderr, "the demo camera did not start\n");
        return 1;
    }
    const int cameraPid = childPid();

    TForm10 form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form, 10000)) {
        std::fprintf(stderr, "the nine-camera window was not shown\n");
        return 1;
    }
    const QList<TCamImage *> controls = form.controls();

    // The anchor decodes what the controls decode: every frame at the size
    // the engine decodes it to for each control's drawn size (in device
    // pixels, as the control asks), checked below against what the engine
    // really delivers.
    std::array<QSize, kCameras> drawn{};
    std::array<QSet<QSize>, kCameras> expectedOutput{};
    QList<RawDecode::Picture> anchorPictures;
    for (int i = 0; i < kCameras; ++i) {
        drawn[i] = controls[i]->size() * controls[i]->devicePixelRatioF();
        for (const QByteArray &f : frames) {
            QString error;
            const QSize output = RawDecode::engineOutput(f, drawn[i], &error);
            if (!output.isValid()) {
                std::fprintf(stderr, "camera %d: %s\n", i + 1, qPrintable(error));
                return 1;
            }
            expectedOutput[i].insert(output);
            anchorPictures.append({f, drawn[i], output});
        }
    }
    const Anchor before = measureAnchor(anchorPictures, anchorSeconds);
    if (!before.error().isEmpty()) {
        std::fprintf(stderr, "a frame was refused: %s\n", qPrintable(before.error()));
        return 1;
    }

    DelayLog shownDelays(kMaxDelays);
    DelayLog paintedDelays(kMaxDelays);
    PaintWatch paints(paintedDelays, kCameras, &app);
    std::array<qint64, kCameras> shown{};
    std::array<qint64, kCameras> shownAtUs{};
    std::array<QSet<QSize>, kCameras> deliveredOutput{};
    // After the window is restored: when each camera showed its first
    // picture again (ms after showNormal; -1 not yet).
    bool restoring = false;
    QElapsedTimer restoreClock;
    std::array<qint64, kCameras> restoredAfterMs{};
    QList<QMetaObject::Connection> outputWatches;
    qint64 unstamped = 0;
    for (int i = 0; i < kCameras; ++i) {
        TCamImage *control = controls[i];
        paints.watch(control, i);
        QObject::connect(control, &TCamImage::OnNewImage, &app, [&, i] {
            ++shown[i];
            shownAtUs[i] = microsSinceEpoch();
            if (restoring && restoredAfterMs[i] < 0)
                restoredAfterMs[i] = restoreClock.elapsed();
        });
        // The control's own handler ran first (it was connected when the
        // control was made) and raised OnNewImage; the send time is in the
        // bytes it was given.
        QObject::connect(control->engine(), &StreamEngine::frameReady, &app,
                         [&, i](const QImage &, const QByteArray &jpeg) {
                             const qint64 sent = SendStamp::sentUs(jpeg);
                             if (sent <= 0) {
                                 ++unstamped;
                                 return;
                             }
                             shownDelays.add(shownAtUs[i] - sent);
                             paints.pictureShown(i, sent);
                         });
        // During the warm-up only, so the window's UI thread does nothing
        // the program would not.
        outputWatches << QObject::connect(control->engine(), &StreamEngine::frameReady, &app,
                                          [&deliveredOutput, i](const QImage &image, const QByteArray &) {
                                              deliveredOutput[i].insert(image.size());
                                          });
        control->setURL(camera.url(QStringLiteral("/axis-cgi/mjpg/video.cgi?camera=%1&stamp=1").arg(i + 1)));
    }

    QElapsedTimer clock;
    auto mark = [&] {
        Mark m;
        m.sent = framesSent(camera.port());
        for (int i = 0; i < kCameras; ++i) {
            m.shown += shown[i];
            const StreamStats s = controls[i]->engine()->stats();
            m.engines.received += s.received;
            m.engines.frames += s.frames;
            m.engines.replaced += s.replaced;
            m.engines.unseen += s.unseen;
            m.engines.reconnects += s.reconnects;
            m.engines.oversizedParts += s.oversizedParts;
            m.engines.resyncs += s.resyncs;
            m.engines.decodeErrors += s.decodeErrors;
        }
        m.paints = paints.paints;
        m.atMs = clock.elapsed();
        m.cpu = cpuSeconds();
        m.switches = contextSwitches();
        m.minorFaults = minorFaults();
        m.threads = threadSamples();
        m.machine = machineTicks();
        m.cameraCpu = cameraPid > 0 ? ticksToSeconds(statFields(readProc(QStringLiteral("/proc/%1/stat").arg(cameraPid))))
                                    : 0;
        m.load = loadAverage();
        m.rssKiB = residentKiB();
        return m;
    };
    Mark start;
    Mark end;
    Mark minimisedStart;
    Mark minimisedEnd;
    bool wasMinimised = false;
    bool restoredInTime = false;
    Anchor after;
    QList<qint64> rssSamples;
    QTimer rssTimer;
    QObject::connect(&rssTimer, &QTimer::timeout, &app, [&] { rssSamples.append(residentKiB()); });
    // The cameras stop, as when the window closes, before the anchor takes
    // this thread again.
    auto finish = [&] {
        form.FormClose();
        QTimer::singleShot(kDrainMs, &app, [&] {
            after = measureAnchor(anchorPictures, anchorSeconds);
            app.quit();
        });
    };
    QTimer restoreCheck;
    QObject::connect(&restoreCheck, &QTimer::timeout, &app, [&] {
        const bool all = std::all_of(restoredAfterMs.begin(), restoredAfterMs.end(), [](qint64 ms) { return ms >= 0; });
        if (!all && restoreClock.elapsed() < kRestoreWaitMs)
            return;
        restoredInTime = all;
        restoring = false;
        restoreCheck.stop();
        finish();
    });
    auto minimise = [&] {
        form.showMinimized();
        QTimer::singleShot(kSettleMs, Qt::PreciseTimer, &app, [&] {
            wasMinimised = form.isMinimized();
            minimisedStart = mark();
            QTimer::singleShot(minimisedMs, Qt::PreciseTimer, &app, [&] {
                minimisedEnd = mark();
                restoredAfterMs.fill(-1);
                restoring = true;
                restoreClock.start();
                form.showNormal();
                restoreCheck.start(20);
            });
        });
    };
    clock.start();
    // Precise: a coarse timer may fire 5 % early or late.
    QTimer::singleShot(warmUpMs, Qt::PreciseTimer, &app, [&] {
        for (const QMetaObject::Connection &c : outputWatches)
            QObject::disconnect(c);
        start = mark();
        shownDelays.recording = paintedDelays.recording = true;
        rssTimer.start(kRssSampleMs);
    });
    QTimer::singleShot(warmUpMs + measureMs, Qt::PreciseTimer, &app, [&] {
        shownDelays.recording = paintedDelays.recording = false;
        end = mark();
        rssTimer.stop();
        if (minimisedMs > 0)
            minimise();
        else
            finish();
    });
    app.exec();

    const double seconds = double(end.atMs - start.atMs) / 1000.0;
    const double cpu = end.cpu - start.cpu;
    const qint64 sent = end.sent - start.sent;
    const qint64 nShown = end.shown - start.shown;
    const double perShownUs = nShown > 0 ? cpu / double(nShown) * 1e6 : 0.0;
    const double anchorUs = (before.engineFlags.medianUs + after.engineFlags.medianUs) / 2;
    const double ratio = anchorUs > 0 ? perShownUs / anchorUs : 0;
    const double switchesPerShown =
        nShown > 0 ? double(end.switches.total() - start.switches.total()) / double(nShown) : 0.0;
    const double involuntaryPerShown =
        nShown > 0 ? double(end.switches.involuntary - start.switches.involuntary) / double(nShown) : 0.0;
    const double shownShare = sent > 0 ? double(nShown) / double(sent) : 0;
    const bool allShown = sent > 0 && sent - nShown <= kInFlightSlack;
    const double median = shownDelays.percentileMs(0.5);
    const MemoryTrend memory = memoryTrend(rssSamples, kRssSampleMs);
    const bool memoryFlat = memory.firstKiB > 0 && memory.lastKiB <= memory.firstKiB * 1.02;
    const double ratioTarget = d1 ? 1.15 : 1.05;

    QSet<QSize> outputs;
    bool outputsAsExpected = true;
    for (int i = 0; i < kCameras; ++i) {
        outputs += expectedOutput[i];
        outputsAsExpected = outputsAsExpected && deliveredOutput[i] == expectedOutput[i];
    }
    QStringList outputText;
    for (const QSize &s : outputs)
        outputText << sizeText(s);
    QSet<QSize> drawnSizes(drawn.begin(), drawn.end());
    QStringList drawnText;
    for (const QSize &s : drawnSizes)
        drawnText << sizeText(s);
    const int denominator = outputs.size() == 1 ? frameSize.width() / outputs.begin()->width() : 0;

    std::printf("# Nine cameras: TForm10 %dx%d, %s platform, %.1f s after %d s warm-up\n\n", form.width(),
                form.height(), qPrintable(QGuiApplication::platformName()), seconds, warmUpMs / 1000);
    std::printf("frames: %lld files of %s, mean %lld bytes, %g a second per camera; controls drawn at %s, "
                "decoded at %s (DCT scale 1/%d)%s\n\n",
                static_cast<long long>(frames.size()), qPrintable(sizeText(frameSize)),
                static_cast<long long>(frameBytes / frames.size()), fps, qPrintable(drawnText.join(", ")),
                qPrintable(outputText.join(", ")), denominator,
                outputsAsExpected ? ", as the engine delivered them"
                                  : "; the ENGINE DELIVERED OTHER SIZES: the anchor is not the engine's work");

    std::printf("## Anchor: raw tjDecompress2, one thread, the same %lld pictures x %d controls, BGRX, "
                "thread CPU µs per picture\n\n",
                static_cast<long long>(frames.size()), kCameras);
    std::printf("| flags | before the window: median / best (rounds) | after: median / best (rounds) |\n"
                "|---|---:|---:|\n");
    auto anchorRow = [](const char *name, const RawDecode::Timing &b, const RawDecode::Timing &a) {
        std::printf("| %s | %.0f / %.0f (%d) | %.0f / %.0f (%d) |\n", name, b.medianUs, b.bestUs, b.rounds,
                    a.medianUs, a.bestUs, a.rounds);
    };
    anchorRow("FASTUPSAMPLE (the engine's): the anchor", before.engineFlags, after.engineFlags);
    anchorRow("default", before.defaultFlags, after.defaultFlags);
    anchorRow("the engine's Jpeg::decode, same loop (not raw)", before.engineDecoder, after.engineDecoder);
    std::printf("\n");

    std::printf("| figure | value | target |\n|---|---:|---|\n");
    std::printf("| CPU, share of one core | %.3f | |\n", cpu / seconds);
    std::printf("| CPU per picture shown | %.0f µs | |\n", perShownUs);
    std::printf("| raw decode per picture (anchor, mean of before and after medians) | %.0f µs | |\n", anchorUs);
    if (d1 || fullHd)
        std::printf("| CPU per picture shown / raw decode | %.2f | <= %.2f %s |\n", ratio, ratioTarget,
                    verdict(ratio <= ratioTarget));
    else
        std::printf("| CPU per picture shown / raw decode | %.2f | |\n", ratio);
    if (d1)
        std::printf("| context switches per picture shown (of them involuntary) | %.2f (%.2f) | <= 2 %s |\n",
                    switchesPerShown, involuntaryPerShown, verdict(switchesPerShown <= 2));
    else
        std::printf("| context switches per picture shown (of them involuntary) | %.2f (%.2f) | |\n",
                    switchesPerShown, involuntaryPerShown);
    std::printf("| minor page faults per picture shown | %.2f | |\n",
                nShown > 0 ? double(end.minorFaults - start.minorFaults) / double(nShown) : 0.0);
    std::printf("| pictures sent / received / shown (%.0f due) | %lld / %llu / %lld | |\n",
                fps * kCameras * seconds, sent,
                static_cast<unsigned long long>(end.engines.received - start.engines.received), nShown);
    std::printf("| share of sent pictures shown | %.2f %% | 100 %% (at most %lld in flight) %s |\n",
                100 * shownShare, kInFlightSlack, verdict(allShown));
    std::printf("| replaced / unseen | %llu / %llu | |\n",
                static_cast<unsigned long long>(end.engines.replaced - start.engines.replaced),
                static_cast<unsigned long long>(end.engines.unseen - start.engines.unseen));
    std::printf("| reconnects / parts dropped / resyncs / decode errors | %llu / %llu / %llu / %llu | |\n",
                static_cast<unsigned long long>(end.engines.reconnects - start.engines.reconnects),
                static_cast<unsigned long long>(end.engines.oversizedParts - start.engines.oversizedParts),
                static_cast<unsigned long long>(end.engines.resyncs - start.engines.resyncs),
                static_cast<unsigned long long>(end.engines.decodeErrors - start.engines.decodeErrors));
    std::printf("| paints of the controls | %d | |\n", end.paints - start.paints);
    std::printf("| delay sent -> shown (OnNewImage), median / 95th / 99th pct / longest | %s ms | median < 10 %s |\n",
                qPrintable(shownDelays.summary()), verdict(median < 10));
    std::printf("| delay sent -> painted (paint event), median / 95th / 99th pct / longest | %s ms | |\n",
                qPrintable(paintedDelays.summary()));
    std::printf("| resident memory at start / end | %lld / %lld KiB | |\n", start.rssKiB, end.rssKiB);
    std::printf("| resident memory, mean of first / last sixth; slope | %.0f / %.0f KiB (%+.1f %%); %+.0f KiB/min | "
                "flat (< +2 %%) %s |\n",
                memory.firstKiB, memory.lastKiB,
                memory.firstKiB > 0 ? 100 * (memory.lastKiB / memory.firstKiB - 1) : 0.0, memory.kibPerMinute,
                verdict(memoryFlat));
    QStringList samples;
    for (qint64 kb : rssSamples)
        samples << QString::number(kb);
    std::printf("| resident memory every 5 s (KiB) | %s | |\n", qPrintable(samples.join(QStringLiteral(", "))));

    std::printf("\n## CPU by thread over the window\n\n");
    printThreads(start, end, double(nShown), "picture", anchorUs);

    if (minimisedMs > 0) {
        const double minSeconds = double(minimisedEnd.atMs - minimisedStart.atMs) / 1000.0;
        const double minCpu = minimisedEnd.cpu - minimisedStart.cpu;
        const double shownPerSecond = cpu / seconds;
        const double minPerSecond = minSeconds > 0 ? minCpu / minSeconds : 0;
        const double minRatio = shownPerSecond > 0 ? minPerSecond / shownPerSecond : 0;
        auto perSecond = [](qint64 n, double s) { return s > 0 ? double(n) / s : 0.0; };
        int restored = 0;
        qint64 slowest = -1;
        for (qint64 ms : restoredAfterMs) {
            restored += ms >= 0 ? 1 : 0;
            slowest = std::max(slowest, ms);
        }
        std::printf("\n## Minimised (%.1f s, after %d s to settle)\n\n", minSeconds, kSettleMs / 1000);
        std::printf("| figure | shown | minimised | target |\n|---|---:|---:|---|\n");
        std::printf("| window minimised (isMinimized) | | %s | |\n", wasMinimised ? "yes" : "NO");
        std::printf("| CPU, ms per second | %.1f | %.1f | |\n", 1000 * shownPerSecond, 1000 * minPerSecond);
        std::printf("| **CPU per second minimised / shown** | | %.3f | <= %.1f %s |\n", minRatio, kMinimisedTarget,
                    verdict(minRatio <= kMinimisedTarget));
        std::printf("| context switches per second | %.0f | %.0f | |\n",
                    perSecond(end.switches.total() - start.switches.total(), seconds),
                    perSecond(minimisedEnd.switches.total() - minimisedStart.switches.total(), minSeconds));
        std::printf("| pictures sent / received / shown / unseen per second | %.0f / %.0f / %.0f / %.0f | "
                    "%.0f / %.0f / %.0f / %.0f | |\n",
                    perSecond(sent, seconds), perSecond(qint64(end.engines.received - start.engines.received), seconds),
                    perSecond(nShown, seconds), perSecond(qint64(end.engines.unseen - start.engines.unseen), seconds),
                    perSecond(minimisedEnd.sent - minimisedStart.sent, minSeconds),
                    perSecond(qint64(minimisedEnd.engines.received - minimisedStart.engines.received), minSeconds),
                    perSecond(minimisedEnd.shown - minimisedStart.shown, minSeconds),
                    perSecond(qint64(minimisedEnd.engines.unseen - minimisedStart.engines.unseen), minSeconds));
        std::printf("| minor page faults per second | %.0f | %.0f | |\n",
                    perSecond(end.minorFaults - start.minorFaults, seconds),
                    perSecond(minimisedEnd.minorFaults - minimisedStart.minorFaults, minSeconds));
        std::printf("| resident memory at start / end | %lld / %lld KiB | %lld / %lld KiB | |\n", start.rssKiB,
                    end.rssKiB, minimisedStart.rssKiB, minimisedEnd.rssKiB);
        std::printf("| after showNormal: cameras that showed a picture again; slowest | | %d of %d; %lld ms | "
                    "all %s |\n",
                    restored, kCameras, static_cast<long long>(slowest), verdict(restoredInTime));
        std::printf("\nCPU by thread while minimised:\n\n");
        printThreads(minimisedStart, minimisedEnd, minSeconds, "second", 0);
    }

    const MachineTicks dm{end.machine.busy - start.machine.busy, end.machine.steal - start.machine.steal,
                          end.machine.total - start.machine.total};
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    const double machineBusy = dm.total > 0 ? double(dm.busy) / double(dm.total) * double(cores) : 0;
    const double cameraShare = (end.cameraCpu - start.cameraCpu) / seconds;
    std::printf("\n## The machine meanwhile (the shown window)\n\n");
    std::printf("| figure | value |\n|---|---:|\n");
    std::printf("| cores | %ld |\n", cores);
    std::printf("| load average at start / end | %s / %s |\n", start.load.constData(), end.load.constData());
    std::printf("| cores busy, whole machine | %.2f |\n", machineBusy);
    std::printf("| of which this benchmark / the demo camera / everything else | %.2f / %.2f / %.2f |\n",
                cpu / seconds, cameraShare, machineBusy - cpu / seconds - cameraShare);
    std::printf("| stolen by the hypervisor, cores | %.2f |\n",
                dm.total > 0 ? double(dm.steal) / double(dm.total) * double(cores) : 0.0);
    if (minimisedMs > 0) {
        const MachineTicks mm{minimisedEnd.machine.busy - minimisedStart.machine.busy, 0,
                              minimisedEnd.machine.total - minimisedStart.machine.total};
        std::printf("| while minimised: load average at start / end; cores busy | %s / %s; %.2f |\n",
                    minimisedStart.load.constData(), minimisedEnd.load.constData(),
                    mm.total > 0 ? double(mm.busy) / double(mm.total) * double(cores) : 0.0);
    }
    if (unstamped > 0)
        std::printf("\n%lld pictures came without a send stamp\n", unstamped);
    return 0;
}
