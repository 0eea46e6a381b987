#pragma once

// What the benchmarks read of this process, its children and the machine
// (/proc), and how they keep delays and memory samples.

#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace BenchSampling {

inline qint64 microsSinceEpoch()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Voluntary (the thread waited for something) and involuntary (the kernel
// took the core away, as other work on the machine makes it do).
struct Switches
{
    long voluntary = 0;
    long involuntary = 0;
    long total() const { return voluntary + involuntary; }
};

inline Switches contextSwitches()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {usage.ru_nvcsw, usage.ru_nivcsw};
}

inline long minorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

inline QByteArray readProc(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Resident pages of a process from its statm, in KiB; "self" for this one.
inline qint64 residentKiB(const QString &pid = QStringLiteral("self"))
{
    const QList<QByteArray> fields = readProc(QStringLiteral("/proc/%1/statm").arg(pid)).split(' ');
    return fields.size() < 2 ? 0 : fields[1].toLongLong() * (sysconf(_SC_PAGESIZE) / 1024);
}

// The fields of a /proc stat line after the command name, which may hold
// spaces: [0] is the state, [1] the parent, [11] and [12] user and system
// ticks (all threads, ended ones included).
inline QList<QByteArray> statFields(const QByteArray &stat)
{
    const qsizetype close = stat.lastIndexOf(')');
    return close < 0 ? QList<QByteArray>() : stat.mid(close + 2).trimmed().split(' ');
}

inline double processCpuSeconds(qint64 pid)
{
    if (pid <= 0)
        return 0;
    const QList<QByteArray> f = statFields(readProc(QStringLiteral("/proc/%1/stat").arg(pid)));
    if (f.size() < 13)
        return 0;
    return double(f[11].toLongLong() + f[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

inline int threadCount(qint64 pid)
{
    return int(QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// This process's children now (the RTSP test camera, the ffmpegs).
inline QList<qint64> childPids()
{
    QList<qint64> pids;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        const QList<QByteArray> fields = statFields(readProc(QStringLiteral("/proc/%1/stat").arg(pid)));
        if (fields.size() > 1 && fields[1].toLongLong() == getpid())
            pids << pid;
    }
    return pids;
}

// The whole machine from /proc/stat: busy and all ticks, steal apart.
struct MachineTicks
{
    qint64 busy = 0;
    qint64 steal = 0;
    qint64 total = 0;
};

inline MachineTicks machineTicks()
{
    const QByteArray all = readProc(QStringLiteral("/proc/stat"));
    const QList<QByteArray> f = all.left(all.indexOf('\n')).simplified().split(' ');
    MachineTicks t;
    if (f.size() < 9 || f[0] != "cpu")
        return t;
    // user nice system idle iowait irq softirq steal
    for (int i = 1; i <= 8; ++i)
        t.total += f[i].toLongLong();
    t.steal = f[8].toLongLong();
    t.busy = t.total - f[4].toLongLong() - f[5].toLongLong() - t.steal;
    return t;
}

inline long cores()
{
    return sysconf(_SC_NPROCESSORS_ONLN);
}

// Cores busy between two readings, and stolen by the hypervisor.
inline double busyCores(const MachineTicks &a, const MachineTicks &b)
{
    const qint64 total = b.total - a.total;
    return total > 0 ? double(b.busy - a.busy) / double(total) * double(cores()) : 0;
}

inline double stolenCores(const MachineTicks &a, const MachineTicks &b)
{
    const qint64 total = b.total - a.total;
    return total > 0 ? double(b.steal - a.steal) / double(total) * double(cores()) : 0;
}

inline QByteArray loadAverage()
{
    return readProc(QStringLiteral("/proc/loadavg")).split(' ').mid(0, 3).join(' ');
}

// One thread of this process: name, CPU and run-queue wait (schedstat, in
// ns), context switches.
struct ThreadSample
{
    QByteArray name;
    qint64 cpuNs = 0;
    qint64 waitNs = 0;
    Switches switches;
};

inline QHash<int, ThreadSample> threadSamples()
{
    QHash<int, ThreadSample> samples;
    const QString root = QStringLiteral("/proc/self/task");
    for (const QString &entry : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString dir = root + QLatin1Char('/') + entry;
        ThreadSample s;
        s.name = readProc(dir + QStringLiteral("/comm")).trimmed();
        const QList<QByteArray> sched = readProc(dir + QStringLiteral("/schedstat")).trimmed().split(' ');
        if (sched.size() >= 2) {
            s.cpuNs = sched[0].toLongLong();
            s.waitNs = sched[1].toLongLong();
        }
        for (const QByteArray &line : readProc(dir + QStringLiteral("/status")).split('\n')) {
            const long value = line.mid(line.indexOf(':') + 1).trimmed().toLong();
            if (line.startsWith("voluntary_ctxt_switches:"))
                s.switches.voluntary = value;
            else if (line.startsWith("nonvoluntary_ctxt_switches:"))
                s.switches.involuntary = value;
        }
        samples.insert(entry.toInt(), s);
    }
    return samples;
}

// Microseconds from the camera taking a picture to now, one per picture;
// signed, since two clocks meet here.
class DelayLog
{
public:
    // Allocated and touched here, before measuring, so the benchmark's own
    // records do not show as the program's memory growth.
    explicit DelayLog(size_t capacity)
        : delays(capacity, 0)
    {
    }
    void add(qint64 delayUs)
    {
        if (recording && count < delays.size())
            delays[count++] = delayUs;
    }
    double percentileMs(double q)
    {
        if (count == 0)
            return 0;
        if (!sorted) {
            std::sort(delays.begin(), delays.begin() + qsizetype(count));
            sorted = true;
        }
        return double(delays[std::min(count - 1, size_t(q * double(count)))]) / 1000.0;
    }
    // "median / 95th / 99th percentile / longest" in ms.
    QString summary()
    {
        if (count == 0)
            return QStringLiteral("-");
        return QStringLiteral("%1 / %2 / %3 / %4")
            .arg(percentileMs(0.5), 0, 'f', 1)
            .arg(percentileMs(0.95), 0, 'f', 1)
            .arg(percentileMs(0.99), 0, 'f', 1)
            .arg(percentileMs(1.0), 0, 'f', 1);
    }
    bool recording = false;
    std::vector<qint64> delays;
    size_t count = 0;
    bool sorted = false;
};

// The capture time of the picture each control was last given, until a
// paint shows it.
class PaintWatch : public QObject
{
public:
    PaintWatch(DelayLog &log, int controls, QObject *parent)
        : QObject(parent)
        , m_log(log)
        , m_pending(size_t(controls), 0)
    {
    }
    void pictureShown(int index, qint64 captureUs) { m_pending[size_t(index)] = captureUs; }
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
            const auto index = size_t(watched->property("benchIndex").toInt());
            ++paints;
            if (m_pending[index] > 0)
                m_log.add(microsSinceEpoch() - m_pending[index]);
            m_pending[index] = 0;
        }
        return false;
    }

private:
    DelayLog &m_log;
    std::vector<qint64> m_pending;
};

// Resident memory in the first and last sixth of the window, and the
// least-squares slope over all of it.
struct MemoryTrend
{
    double firstKiB = 0;
    double lastKiB = 0;
    double kibPerMinute = 0;
};

inline MemoryTrend memoryTrend(const QList<qint64> &samples, int sampleMs)
{
    MemoryTrend t;
    const qsizetype n = samples.size();
    if (n == 0)
        return t;
    const qsizetype part = std::max<qsizetype>(1, n / 6);
    for (qsizetype i = 0; i < part; ++i) {
        t.firstKiB += double(samples[i]) / double(part);
        t.lastKiB += double(samples[n - part + i]) / double(part);
    }
    if (n < 2)
        return t;
    const double meanX = double(n - 1) / 2;
    double meanY = 0;
    for (qint64 s : samples)
        meanY += double(s) / double(n);
    double sxy = 0;
    double sxx = 0;
    for (qsizetype i = 0; i < n; ++i) {
        sxy += (double(i) - meanX) * (double(samples[i]) - meanY);
        sxx += (double(i) - meanX) * (double(i) - meanX);
    }
    t.kibPerMinute = sxy / sxx * (60000.0 / sampleMs);
    return t;
}

// Turns the event loop for ms (timers, the cameras, the processes' output).
inline void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

inline QString sizeText(QSize s)
{
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

// A kind of thread's share of the window.
struct RoleSum
{
    int threads = 0;
    double cpu = 0;
    double wait = 0;
    double switches = 0;
    double involuntary = 0;
};

template<size_t Roles>
struct ThreadTotals
{
    std::array<RoleSum, Roles> roles{};
    std::map<QByteArray, RoleSum> byName;
    double cpu = 0;
    double switches = 0;
    double involuntary = 0;
};

// The threads alive at the end, summed by kind (roleOf(tid, name) gives an
// index below Roles) and by name, against their samples at the start.
template<size_t Roles, typename RoleOf>
ThreadTotals<Roles> sumThreads(const QHash<int, ThreadSample> &start, const QHash<int, ThreadSample> &end, RoleOf roleOf)
{
    ThreadTotals<Roles> t;
    for (auto it = end.cbegin(); it != end.cend(); ++it) {
        const ThreadSample was = start.value(it.key());
        const ThreadSample &now = it.value();
        const double c = double(now.cpuNs - was.cpuNs) / 1e9;
        const double w = double(now.waitNs - was.waitNs) / 1e9;
        const double s = double(now.switches.total() - was.switches.total());
        const double inv = double(now.switches.involuntary - was.switches.involuntary);
        RoleSum &r = t.roles[roleOf(it.key(), now.name)];
        ++r.threads;
        r.cpu += c;
        r.wait += w;
        r.switches += s;
        r.involuntary += inv;
        RoleSum &n = t.byName[now.name];
        ++n.threads;
        n.cpu += c;
        n.switches += s;
        t.cpu += c;
        t.switches += s;
        t.involuntary += inv;
    }
    return t;
}

} // namespace BenchSampling
