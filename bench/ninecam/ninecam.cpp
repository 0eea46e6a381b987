// The nine-camera view as the program shows it: the real TForm10 at its
// stored size, its nine controls streaming photographs (704x576, 25 a
// second each) from the demo camera run as its own process. After a
// warm-up (15 s: memory settles by then) it reports this process's CPU as a share of one core and per
// picture shown, the share of the pictures sent that were shown, the delay
// from the camera sending a picture to it being shown and painted, and
// resident memory.
//
//   ocellane-bench-ninecam --frames-dir DIR [--seconds 30] [--warm-up 15] [--fps 25]
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
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kCameras = 9;
// Delays kept for the percentiles: 25 a second for nine cameras for ten
// minutes is well inside. Allocated and touched before measuring, so the
// benchmark's own records do not show as the program's memory growth.
constexpr size_t kMaxDelays = 150000;

qint64 microsSinceEpoch()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long contextSwitches()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

// Resident pages from /proc/self/statm, in KiB.
qint64 residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() < 2 ? -1 : fields[1].toLongLong() * (sysconf(_SC_PAGESIZE) / 1024);
}

qint64 framesSent(const CamSimProcess &camera)
{
    const QJsonObject byCamera = camera.stats().value(QLatin1String("framesByCamera")).toObject();
    qint64 sum = 0;
    for (int i = 1; i <= kCameras; ++i)
        sum += byCamera.value(QString::number(i)).toInteger();
    return sum;
}

// Microseconds from the camera's send stamp to now, for one picture.
class DelayLog
{
public:
    void add(qint64 delayUs)
    {
        if (recording && count < kMaxDelays)
            delays[count++] = delayUs;
    }
    double percentileMs(double q)
    {
        if (count == 0)
            return 0;
        std::sort(delays.begin(), delays.begin() + qsizetype(count));
        return double(delays[std::min(count - 1, size_t(q * double(count)))]) / 1000.0;
    }
    // "median / 99th percentile / longest" in ms.
    QString summary()
    {
        if (count == 0)
            return QStringLiteral("-");
        return QStringLiteral("%1 / %2 / %3")
            .arg(percentileMs(0.5), 0, 'f', 1)
            .arg(percentileMs(0.99), 0, 'f', 1)
            .arg(percentileMs(1.0), 0, 'f', 1);
    }
    bool recording = false;
    std::vector<qint64> delays = std::vector<qint64>(kMaxDelays, 0);
    size_t count = 0;
};

// The send stamp of the picture each control was last given, until a
// paint shows it.
class PaintWatch : public QObject
{
public:
    PaintWatch(DelayLog &log, QObject *parent)
        : QObject(parent)
        , m_log(log)
    {
    }
    void pictureShown(int index, qint64 sentUs) { m_pending[index] = sentUs; }
    void watch(QWidget *control, int index)
    {
        control->setProperty("benchIndex", index);
        control->installEventFilter(this);
    }
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            const int index = watched->property("benchIndex").toInt();
            ++paints;
            if (m_pending[index] > 0)
                m_log.add(microsSinceEpoch() - m_pending[index]);
            m_pending[index] = 0;
        }
        return false;
    }

private:
    DelayLog &m_log;
    std::array<qint64, kCameras> m_pending{};
};

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

} // namespace

int main(int argc, char **argv)
{
    // As the program does.
    MemoryTuning::apply();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("frames-dir"), QStringLiteral("Camera frames (*.jpg, 704x576)."),
                      QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("Measured time."), QStringLiteral("S"),
                      QStringLiteral("30")});
    parser.addOption({QStringLiteral("warm-up"), QStringLiteral("Seconds before measuring."), QStringLiteral("S"),
                      QStringLiteral("15")});
    parser.addOption({QStringLiteral("fps"), QStringLiteral("Pictures per second per camera."), QStringLiteral("F"),
                      QStringLiteral("25")});
    parser.process(app);
    const QString framesDir = parser.value(QStringLiteral("frames-dir"));
    if (framesDir.isEmpty() || QDir(framesDir).entryList({QStringLiteral("*.jpg")}, QDir::Files).isEmpty()) {
        std::fprintf(stderr, "--frames-dir must name a folder of *.jpg camera frames (docs/PERFORMANCE.md)\n");
        return 2;
    }
    const int warmUpMs = parser.value(QStringLiteral("warm-up")).toInt() * 1000;
    const int measureMs = parser.value(QStringLiteral("seconds")).toInt() * 1000;

    CamSimProcess camera({QStringLiteral("--fps"), parser.value(QStringLiteral("fps")), QStringLiteral("--frames-dir"),
                          framesDir});
    if (!camera.isRunning()) {
        std::fprintf(stderr, "the demo camera did not start\n");
        return 1;
    }

    TForm10 form;
    form.show();
    DelayLog shownDelays;
    DelayLog paintedDelays;
    PaintWatch paints(paintedDelays, &app);
    std::array<qint64, kCameras> shown{};
    qint64 unstamped = 0;
    const QList<TCamImage *> controls = form.controls();
    for (int i = 0; i < kCameras; ++i) {
        TCamImage *control = controls[i];
        paints.watch(control, i);
        QObject::connect(control, &TCamImage::OnNewImage, &app, [&, control, i] {
            ++shown[i];
            const qint64 sent = control->engine()->frameHeader("X-Ocellane-Send-Time").toLongLong();
            if (sent <= 0) {
                ++unstamped;
                return;
            }
            shownDelays.add(microsSinceEpoch() - sent);
            paints.pictureShown(i, sent);
        });
        control->setURL(camera.url(QStringLiteral("/axis-cgi/mjpg/video.cgi?camera=%1").arg(i + 1)));
    }

    struct Mark
    {
        qint64 sent = 0;
        qint64 shown = 0;
        quint64 received = 0;
        int paints = 0;
        double cpu = 0;
        long switches = 0;
        qint64 rssKiB = 0;
        qint64 atMs = 0;
    };
    QElapsedTimer clock;
    auto mark = [&] {
        Mark m;
        m.sent = framesSent(camera);
        for (int i = 0; i < kCameras; ++i) {
            m.shown += shown[i];
            m.received += controls[i]->engine()->stats().parts;
        }
        m.paints = paints.paints;
        m.atMs = clock.elapsed();
        m.cpu = cpuSeconds();
        m.switches = contextSwitches();
        m.rssKiB = residentKiB();
        return m;
    };
    Mark start;
    Mark end;
    QList<qint64> rssSamples;
    QTimer rssTimer;
    QObject::connect(&rssTimer, &QTimer::timeout, &app, [&] { rssSamples.append(residentKiB()); });
    clock.start();
    QTimer::singleShot(warmUpMs, &app, [&] {
        start = mark();
        shownDelays.recording = paintedDelays.recording = true;
        rssTimer.start(5000);
    });
    QTimer::singleShot(warmUpMs + measureMs, &app, [&] {
        shownDelays.recording = paintedDelays.recording = false;
        end = mark();
        app.quit();
    });
    app.exec();

    const double seconds = double(end.atMs - start.atMs) / 1000.0;
    const double cpu = end.cpu - start.cpu;
    const qint64 sent = end.sent - start.sent;
    const qint64 nShown = end.shown - start.shown;
    const double share = cpu / seconds;
    const double shownShare = sent > 0 ? double(nShown) / double(sent) : 0;
    const double median = shownDelays.percentileMs(0.5);
    const double p99 = shownDelays.percentileMs(0.99);
    const double growth = start.rssKiB > 0 ? double(end.rssKiB - start.rssKiB) / double(start.rssKiB) : 0;

    std::printf("# Nine cameras: TForm10 %dx%d, %s platform, %.1f s after %d s warm-up\n\n", form.width(),
                form.height(), qPrintable(QGuiApplication::platformName()), seconds, warmUpMs / 1000);
    std::printf("| figure | value | target |\n|---|---:|---|\n");
    std::printf("| CPU, share of one core | %.3f | < 0.35 %s |\n", share, verdict(share < 0.35));
    std::printf("| CPU per picture shown | %.0f µs | |\n", nShown > 0 ? cpu / double(nShown) * 1e6 : 0.0);
    std::printf("| context switches per picture shown | %.1f | |\n",
                nShown > 0 ? double(end.switches - start.switches) / double(nShown) : 0.0);
    std::printf("| pictures sent / received / shown | %lld / %llu / %lld | |\n", sent,
                static_cast<unsigned long long>(end.received - start.received), nShown);
    std::printf("| share of sent pictures shown | %.1f %% | >= 95 %% %s |\n", 100 * shownShare,
                verdict(shownShare >= 0.95));
    std::printf("| paints of the controls | %d | |\n", end.paints - start.paints);
    std::printf("| delay sent -> shown (OnNewImage), median / 99th pct / longest | %s ms | < 40 / < 100 %s |\n",
                qPrintable(shownDelays.summary()), verdict(median < 40 && p99 < 100));
    std::printf("| delay sent -> painted (paint event), median / 99th pct / longest | %s ms | |\n",
                qPrintable(paintedDelays.summary()));
    QStringList samples;
    for (qint64 kb : rssSamples)
        samples << QString::number(kb);
    std::printf("| resident memory at start / end | %lld / %lld KiB (%+.1f %%) | no growth %s |\n", start.rssKiB,
                end.rssKiB, 100 * growth, verdict(growth < 0.02));
    std::printf("| resident memory every 5 s (KiB) | %s | |\n", qPrintable(samples.join(QStringLiteral(", "))));
    if (unstamped > 0)
        std::printf("\n%lld pictures came without a send stamp\n", unstamped);
    return 0;
}
