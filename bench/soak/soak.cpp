// Fourteen picture controls, laid out as the program's three view windows
// hold them (one single view, four quad cells, nine grid cells), stream
// for a set time from demo cameras that misbehave: each control's address
// asks for its own fault, and since every fault ends, spoils or never
// finishes the connection, it comes back on every reconnect.
//
// What it shows is what a user with hostile cameras would feel: memory that
// stays flat, a UI thread that never stalls, cameras that are not hammered
// with requests, nothing left behind once every control is closed, and no
// password in anything the process writes or reports.
//
//   ocellane-soak [--seconds 600] [--fps 25]     (--seconds 60 to try it)
#include "base/MemoryTuning.h"
#include "camctl/CameraClientPrivate.h"
#include "camctl/HttpClient.h"
#include "camctl/StreamEngine.h"
#include "camctl/TCamImage.h"
#include "views/ViewTables.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The bounds the run is judged by.
constexpr double kMaxResidentMB = 150.0;
constexpr qint64 kMaxUiGapMs = 100;
// "A few a second": what a camera may be asked per second in any sample
// window, however it misbehaves.
constexpr double kMaxRequestsPerSecond = 3.0;

constexpr int kSampleMs = 5000;
// 5 ms: fine enough to see a 20 ms stall, coarse enough to cost nothing.
constexpr int kTickMs = 5;
// Windows being shown and fourteen first connections are not the steady
// state the gap bound is about.
constexpr qint64 kGapGraceMs = 5000;
// After every control is closed: sockets and camera connections go at the
// worker's next turn; idle decode threads leave after QThreadPool's 30 s.
constexpr int kSettleMs = 45000;
constexpr int kSettlePollMs = 100;
constexpr int kStatsTimeoutMs = 4000;
constexpr qsizetype kMaxReasonsKept = 32;  // distinct texts per control
constexpr qsizetype kMaxStderrRead = 64 * 1024 * 1024;

// The credentials of the one control that is refused: a password with an
// encoded slash and an encoded percent sign followed by a digit, the forms
// that slip through a masking that looks only for the text as typed, or
// that QString::arg would rewrite.
constexpr char kUser[] = "user";
constexpr char kTypedPassword[] = "pa%2Fss%251";

// ---------------------------------------------------------------- /proc

QByteArray readFd(int fd, qsizetype limit = 1 << 20)
{
    QByteArray out;
    char buffer[8192];
    off_t offset = 0;
    while (out.size() < limit) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n <= 0)
            break;
        out.append(buffer, n);
        offset += n;
    }
    return out;
}

QByteArray readProc(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const QByteArray bytes = readFd(fd);
    ::close(fd);
    return bytes;
}

qint64 statusKb(const QByteArray &key)
{
    for (const QByteArray &line : readProc("/proc/self/status").split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

struct Descriptors
{
    int all = 0;
    int sockets = 0;
};

Descriptors descriptors()
{
    Descriptors d;
    DIR *dir = ::opendir("/proc/self/fd");
    if (!dir)
        return d;
    const int own = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own)
            continue;
        ++d.all;
        char target[64];
        const QByteArray path = QByteArray("/proc/self/fd/") + entry->d_name;
        const ssize_t n = ::readlink(path.constData(), target, sizeof target);
        if (n >= 7 && std::strncmp(target, "socket:", 7) == 0)
            ++d.sockets;
    }
    ::closedir(dir);
    return d;
}

QList<int> numericEntries(const char *path)
{
    QList<int> ids;
    DIR *dir = ::opendir(path);
    if (!dir)
        return ids;
    while (const dirent *entry = ::readdir(dir)) {
        const int id = std::atoi(entry->d_name);
        if (id > 0)
            ids.append(id);
    }
    ::closedir(dir);
    std::sort(ids.begin(), ids.end());
    return ids;
}

QList<int> threadIds()
{
    return numericEntries("/proc/self/task");
}

// utime + stime of a /proc stat line, in clock ticks; the name may hold
// spaces and parentheses, so fields are counted from the last ')'.
// withChildren adds what its finished children used (cutime + cstime).
qint64 statTicks(const QByteArray &stat, bool withChildren = false)
{
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 15)
        return -1;
    qint64 ticks = fields[11].toLongLong() + fields[12].toLongLong();
    if (withChildren)
        ticks += fields[13].toLongLong() + fields[14].toLongLong();
    return ticks;
}

QByteArray statName(const QByteArray &stat)
{
    const qsizetype open = stat.indexOf('(');
    const qsizetype close = stat.lastIndexOf(')');
    return open < 0 || close < open ? QByteArray() : stat.mid(open + 1, close - open - 1);
}

qint64 processTicks(qint64 pid)
{
    return statTicks(readProc("/proc/" + QByteArray::number(pid) + "/stat"));
}

struct ThreadCpu
{
    QByteArray name;
    qint64 ticks = 0;
};

std::map<int, ThreadCpu> threadCpu()
{
    std::map<int, ThreadCpu> threads;
    for (const int tid : threadIds()) {
        const QByteArray stat = readProc("/proc/self/task/" + QByteArray::number(tid) + "/stat");
        if (!stat.isEmpty())
            threads[tid] = {statName(stat), statTicks(stat)};
    }
    return threads;
}

// Every process on the machine by name, to say what else kept the cores
// busy during the run. Compilers and tests come and go between two looks;
// their time shows in the build tool or shell that waited for them.
QHash<QByteArray, qint64> machineProcessTicks()
{
    QHash<QByteArray, qint64> byName;
    for (const int pid : numericEntries("/proc")) {
        const QByteArray stat = readProc("/proc/" + QByteArray::number(pid) + "/stat");
        if (!stat.isEmpty())
            byName[statName(stat)] += std::max<qint64>(0, statTicks(stat, true));
    }
    return byName;
}

struct MachineCpu
{
    qint64 busy = 0;
    qint64 total = 0;
};

MachineCpu machineCpu()
{
    const QList<QByteArray> f = readProc("/proc/stat").split('\n').value(0).simplified().split(' ');
    MachineCpu cpu;
    // user nice system idle iowait irq softirq steal
    for (int i = 1; i <= 8 && i < f.size(); ++i) {
        cpu.total += f[i].toLongLong();
        if (i != 4 && i != 5)
            cpu.busy += f[i].toLongLong();
    }
    return cpu;
}

double loadAverage()
{
    return readProc("/proc/loadavg").split(' ').value(0).toDouble();
}

// Time the UI thread ran and time it was ready but waited for a core, so a
// long gap can be told apart: working, crowded out, or blocked.
struct SchedStat
{
    qint64 runNs = 0;
    qint64 waitNs = 0;
};

SchedStat readSchedStat(int fd)
{
    char buffer[128];
    const ssize_t n = fd < 0 ? -1 : ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (n <= 0)
        return {};
    buffer[n] = 0;
    const QList<QByteArray> f = QByteArray(buffer).simplified().split(' ');
    return {f.value(0).toLongLong(), f.value(1).toLongLong()};
}

// ---------------------------------------------------------------- secrets

// Every form the password could take in a message: as typed, decoded,
// encoded with either case of hex, encoded once more, the Basic line, and
// the decoded text up to its "%1" (where a formatting call would cut it).
struct SecretForms
{
    QStringList caseless;
    QList<QByteArray> exact;

    explicit SecretForms(const QByteArray &user, const QByteArray &typed)
    {
        const QByteArray decoded = QByteArray::fromPercentEncoding(typed);
        const QByteArray upper = decoded.toPercentEncoding();
        QByteArray lower = upper;
        for (qsizetype i = 0; i + 2 < lower.size(); ++i) {
            if (lower[i] == '%') {
                lower[i + 1] = char(std::tolower(uchar(lower[i + 1])));
                lower[i + 2] = char(std::tolower(uchar(lower[i + 2])));
            }
        }
        const QByteArray stem = decoded.left(decoded.indexOf('%'));
        for (const QByteArray &form : {typed, decoded, upper, lower, typed.toPercentEncoding(), stem,
                                       stem.toPercentEncoding()}) {
            if (form.size() >= 4 && !caseless.contains(QString::fromUtf8(form)))
                caseless << QString::fromUtf8(form);
        }
        exact << (user + ':' + decoded).toBase64() << (user + ':' + typed).toBase64() << decoded.toBase64();
        // Longest first, so masking replaces a whole form before a part.
        std::sort(caseless.begin(), caseless.end(),
                  [](const QString &a, const QString &b) { return a.size() > b.size(); });
    }

    int formCount() const { return int(caseless.size() + exact.size()); }

    // How many occurrences of any form text holds.
    qsizetype found(const QString &text) const
    {
        qsizetype hits = 0;
        for (const QString &form : caseless)
            hits += text.count(form, Qt::CaseInsensitive);
        for (const QByteArray &form : exact)
            hits += text.count(QString::fromLatin1(form));
        return hits;
    }

    // For printing a text a leak may be in, so the report leaks nothing.
    QString masked(QString text) const
    {
        for (const QString &form : caseless)
            text.replace(form, QStringLiteral("***"), Qt::CaseInsensitive);
        for (const QByteArray &form : exact)
            text.replace(QString::fromLatin1(form), QStringLiteral("***"));
        return text;
    }
};

// ---------------------------------------------------------------- camera

// The demo camera as a child process, quiet, on a free port. Its counters
// are read without blocking while the UI thread is being measured.
class DemoCamera
{
public:
    explicit DemoCamera(const QString &fps)
    {
        m_process.start(QStringLiteral(OCELLANE_CAMSIM),
                        {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--quiet"),
                         QStringLiteral("--fps"), fps});
        if (m_process.waitForStarted(10000) && QTest::qWaitFor([this] { return m_process.canReadLine(); }, 10000))
            m_port = quint16(m_process.readLine().trimmed().toUInt());
    }
    ~DemoCamera()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    bool isRunning() const { return m_port != 0; }
    qint64 pid() const { return m_process.processId(); }
    QString base(const QString &userInfo = {}) const
    {
        const QString auth = userInfo.isEmpty() ? QString() : userInfo + QLatin1Char('@');
        return QStringLiteral("http://") + auth + QStringLiteral("127.0.0.1:") + QString::number(m_port);
    }
    QByteArray errorOutput() { return m_process.readAllStandardError(); }

    // The counters, delivered to done on context's thread; an empty object
    // when the camera does not answer in time.
    void fetchStats(QObject *context, std::function<void(const QJsonObject &)> done) const
    {
        auto *socket = new QTcpSocket(context);
        auto reply = std::make_shared<QByteArray>();
        auto over = std::make_shared<bool>(false);
        auto finish = [socket, reply, over, done](bool complete) {
            if (std::exchange(*over, true))
                return;
            *reply += socket->readAll();
            const qsizetype body = reply->indexOf("\r\n\r\n");
            QJsonObject stats;
            if (complete && body >= 0)
                stats = QJsonDocument::fromJson(reply->mid(body + 4)).object();
            socket->deleteLater();
            done(stats);
        };
        QObject::connect(socket, &QTcpSocket::connected, socket,
                         [socket] { socket->write("GET /stats HTTP/1.0\r\n\r\n"); });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, reply] { *reply += socket->readAll(); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [finish] { finish(true); });
        QObject::connect(socket, &QTcpSocket::errorOccurred, socket, [finish](QAbstractSocket::SocketError error) {
            if (error != QAbstractSocket::RemoteHostClosedError)
                finish(false);
        });
        QTimer::singleShot(kStatsTimeoutMs, socket, [finish] { finish(false); });
        socket->connectToHost(QHostAddress::LocalHost, m_port);
    }

    // The same, waiting for it; only once the measured run is over.
    QJsonObject statsNow() const
    {
        std::optional<QJsonObject> result;
        QObject context;
        fetchStats(&context, [&result](const QJsonObject &stats) { result = stats; });
        if (!QTest::qWaitFor([&result] { return result.has_value(); }, kStatsTimeoutMs + 1000))
            return {};
        return *result;
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

qint64 perCamera(const QJsonObject &stats, const char *key, int camera)
{
    return qint64(stats.value(QLatin1String(key)).toObject().value(QString::number(camera)).toDouble(-1));
}

// Takes the first transfer of the process, so the camera client's worker
// thread and its wake-up sockets, which live as long as the program, are
// part of the baseline the closed controls are compared with.
class DiscardBody : public HttpHandler
{
public:
    bool body(const HttpHead &, QByteArrayView) override { return true; }
    void finished(const HttpOutcome &) override { done = true; }
    std::atomic<bool> done{false};
};

// ---------------------------------------------------------------- schedule

enum class Window { Single, Quad, Nine };

struct Lane
{
    const char *name;
    const char *query;
    bool refusedPassword = false;
};

// Fourteen faults for fourteen controls; a clean close is met in lanes 6
// and 7 (after the oversized part, and without Content-Length).
const Lane lanes[] = {
    {"reset every 400 pictures", "fault=reset-after:400"},
    {"stalls after 500 pictures", "fault=stall-after:500"},
    {"drips a byte every 5 ms", "fault=drip:5"},
    {"answers HTTP 500", "fault=status:500"},
    {"every other picture truncated", "fault=truncate"},
    {"a 20 MB part past the bound, closed every 200", "fault=oversize:20000000,close-after:200"},
    {"no Content-Length, closed every 250", "fault=no-length,close-after:250"},
    {"endless status line", "fault=header-flood:status"},
    {"endless header line", "fault=header-flood:header"},
    {"endless 100 Continue answers", "fault=header-flood:continue"},
    {"endless chunk-size line", "fault=header-flood:chunk"},
    {"slow link, 2000 B/s", "fault=slow-link:2000"},
    {"body boundary differs from the header's", "fault=body-boundary"},
    {"refuses the password (Basic)", "auth=basic", true},
};
constexpr int LaneCount = int(sizeof(lanes) / sizeof(lanes[0]));
static_assert(LaneCount == 14, "the program's view windows hold fourteen controls");
// Seven controls per demo camera, each on a camera number of its own, so
// the camera's per-camera counters are per control.
constexpr int LanesPerServer = 7;

Window windowOf(int lane)
{
    return lane == 0 ? Window::Single : lane <= 4 ? Window::Quad : Window::Nine;
}

const char *windowName(Window w)
{
    return w == Window::Single ? "single" : w == Window::Quad ? "quad" : "nine";
}

// ---------------------------------------------------------------- measures

struct Sample
{
    qint64 atMs = 0;
    qint64 rssKb = 0;
    Descriptors fds;
    int threads = 0;
    double load = 0;
};

struct Gap
{
    qint64 atMs = 0;
    qint64 gapNs = 0;
    qint64 ranNs = 0;
    qint64 waitedNs = 0;
};

struct LaneRecord
{
    quint64 pictures = 0;
    QList<qint64> failureTimes;
    quint64 lastDecodeErrors = 0;
    QHash<QString, qint64> reasons;  // distinct lastError texts, counted
    qint64 otherReasons = 0;         // past kMaxReasonsKept
    qint64 previousAccepted = -1;
    qint64 previousAtMs = 0;
    double peakRate = 0;
};

QString seconds(qint64 ms)
{
    return QString::number(ms / 1000.0, 'f', 1);
}

QString megabytes(qint64 kb)
{
    return QString::number(double(kb) * 1024.0 / 1e6, 'f', 1);
}

QString percent(double value)
{
    return QString::number(100.0 * value, 'f', 1) + QLatin1Char('%');
}

QString spacing(const QList<qint64> &times)
{
    QList<qint64> gaps;
    for (qsizetype k = 1; k < times.size(); ++k)
        gaps.append(times[k] - times[k - 1]);
    if (gaps.isEmpty())
        return QStringLiteral("-");
    std::sort(gaps.begin(), gaps.end());
    return seconds(gaps.first()) + QStringLiteral(" / ") + seconds(gaps.at(gaps.size() / 2)) + QStringLiteral(" / ")
           + seconds(gaps.last());
}

QString threadNames(const QList<int> &tids)
{
    QStringList names;
    for (const int tid : tids)
        names << QString::number(tid) + QStringLiteral(" \"")
                     + QString::fromLatin1(readProc("/proc/self/task/" + QByteArray::number(tid) + "/comm").trimmed())
                     + QLatin1Char('"');
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

QList<int> without(QList<int> a, const QList<int> &b)
{
    a.removeIf([&b](int x) { return b.contains(x); });
    return a;
}

} // namespace

int main(int argc, char **argv)
{
    // Everything the process writes to stderr, Qt's and libcurl's warnings
    // included, goes to a file read back at the end: it is output a user
    // could see, so it must not carry the password either. The file is
    // unlinked at once and leaves nothing behind.
    const int realStderr = ::dup(2);
    QByteArray stderrPath = qgetenv("TMPDIR");
    stderrPath = (stderrPath.isEmpty() ? QByteArray("/tmp") : stderrPath) + "/ocellane-soak-stderr-XXXXXX";
    const int stderrFile = ::mkstemp(stderrPath.data());
    if (realStderr < 0 || stderrFile < 0) {
        std::perror("ocellane-soak: cannot capture stderr");
        return 2;
    }
    ::unlink(stderrPath.constData());
    ::dup2(stderrFile, 2);
    ::close(stderrFile);
    auto failSetup = [realStderr](const char *message) {
        ::dup2(realStderr, 2);
        std::fprintf(stderr, "ocellane-soak: %s\n", message);
        return 2;
    };

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program does.
    MemoryTuning::apply();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("Soak length (60 to try it)."), QStringLiteral("S"),
                      QStringLiteral("600")});
    parser.addOption({QStringLiteral("fps"), QStringLiteral("Pictures per second per camera."), QStringLiteral("F"),
                      QStringLiteral("25")});
    parser.process(app);
    const qint64 totalMs = std::max<qint64>(10, parser.value(QStringLiteral("seconds")).toLongLong()) * 1000;
    const qint64 warmUpMs = std::min<qint64>(30000, totalMs / 10);
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);

    const int uiSchedStat = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);

    // Two demo cameras, declared before the windows so they outlive them.
    const QString fps = parser.value(QStringLiteral("fps"));
    DemoCamera servers[2] = {DemoCamera(fps), DemoCamera(fps)};
    if (!servers[0].isRunning() || !servers[1].isRunning())
        return failSetup("the demo camera did not start");

    const QList<int> threadsAtStart = threadIds();
    const Descriptors fdsAtStart = descriptors();
    {
        auto handler = std::make_shared<DiscardBody>();
        HttpRequest request;
        request.url = QUrl(servers[0].base() + QStringLiteral("/stats"));
        auto transfer = HttpClient::start(request, handler);
        const bool done = QTest::qWaitFor([&handler] { return handler->done.load(); }, 10000);
        transfer.reset();
        if (!done || !QTest::qWaitFor([] { return CameraClientPrivate::runningThreads() == 0; }, 10000))
            return failSetup("the camera client's first transfer did not end");
    }
    const QList<int> threadsBefore = threadIds();
    const Descriptors fdsBefore = descriptors();
    const QList<int> workerThreads = without(threadsBefore, threadsAtStart);

    const QString password = QString::fromLatin1(kTypedPassword);
    const SecretForms secrets(kUser, kTypedPassword);
    // The check must be able to fail: each form, and the line the refused
    // request sends, is found inside other text, and masking removes it.
    {
        QStringList carriers{QStringLiteral("Authorization: Basic ")
                             + QString::fromLatin1(QByteArray("user:pa/ss%1").toBase64())};
        for (const QString &form : secrets.caseless)
            carriers << QStringLiteral("x") + form.toUpper() + QStringLiteral("y");
        for (const QByteArray &form : secrets.exact)
            carriers << QStringLiteral("x") + QString::fromLatin1(form) + QStringLiteral("y");
        for (const QString &text : std::as_const(carriers))
            if (secrets.found(text) == 0 || secrets.found(secrets.masked(text)) != 0)
                return failSetup("the password check misses a form");
    }

    // The three view windows with their controls' sizes.
    QWidget single, quad, nine;
    single.resize(ViewTables::zoomSize(1));
    quad.resize(ViewTables::QuadClient);
    nine.resize(528, 432);
    const QList<QRect> nineCells = ViewTables::nineGrid(nine.size());
    single.setWindowTitle(QStringLiteral("single view"));
    quad.setWindowTitle(QStringLiteral("quad view"));
    nine.setWindowTitle(QStringLiteral("nine-camera view"));

    QList<TCamImage *> controls;
    QList<LaneRecord> records(LaneCount);
    qint64 errorTexts = 0;
    qint64 errorTextLeaks = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < LaneCount; ++i) {
        const Window w = windowOf(i);
        QWidget *parent = w == Window::Single ? &single : w == Window::Quad ? &quad : &nine;
        auto *control = new TCamImage(parent);
        control->setGeometry(w == Window::Single ? QRect(QPoint(0, 0), ViewTables::zoomSize(1))
                             : w == Window::Quad ? ViewTables::quadCell(i - 1)
                                                 : nineCells.at(i - 5));
        LaneRecord &record = records[i];
        QObject::connect(control, &TCamImage::OnNewImage, &app, [&record] { ++record.pictures; });
        StreamEngine *engine = control->engine();
        QObject::connect(engine, &StreamEngine::statsChanged, &app,
                         [&record, &clock, &secrets, &errorTexts, &errorTextLeaks, engine] {
                             const StreamStats stats = engine->stats();
                             // One signal per event: a decode failure, or an
                             // attempt that ended and will be retried.
                             if (stats.decodeErrors == record.lastDecodeErrors)
                                 record.failureTimes.append(clock.elapsed());
                             record.lastDecodeErrors = stats.decodeErrors;
                             ++errorTexts;
                             if (secrets.found(stats.lastError) > 0)
                                 ++errorTextLeaks;
                             if (record.reasons.contains(stats.lastError)
                                 || record.reasons.size() < kMaxReasonsKept)
                                 ++record.reasons[stats.lastError];
                             else
                                 ++record.otherReasons;
                         });
        const DemoCamera &server = servers[i / LanesPerServer];
        const QString userInfo =
            lanes[i].refusedPassword ? QString::fromLatin1(kUser) + QLatin1Char(':') + password : QString();
        control->setURL(server.base(userInfo) + QStringLiteral("/axis-cgi/mjpg/video.cgi?camera=")
                        + QString::number(i % LanesPerServer + 1) + QLatin1Char('&')
                        + QLatin1String(lanes[i].query));
        controls.append(control);
    }
    single.show();
    quad.show();
    nine.show();

    // The UI thread's responsiveness: the longest interval between ticks of
    // a 5 ms timer, split into the time the thread ran, the time it was
    // ready but had no core, and the rest (sleeping or blocked).
    qint64 lastTickNs = 0;
    SchedStat lastSched = readSchedStat(uiSchedStat);
    QList<Gap> longestGaps;  // the five longest, longest first
    qint64 gapsOver50 = 0, gapsOver100 = 0, ticks = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        const qint64 nowNs = clock.nsecsElapsed();
        const SchedStat sched = readSchedStat(uiSchedStat);
        if (lastTickNs > kGapGraceMs * 1000000) {
            ++ticks;
            const Gap gap{nowNs / 1000000, nowNs - lastTickNs, sched.runNs - lastSched.runNs,
                          sched.waitNs - lastSched.waitNs};
            gapsOver50 += gap.gapNs > 50000000;
            gapsOver100 += gap.gapNs > 100000000;
            if (longestGaps.size() < 5 || gap.gapNs > longestGaps.last().gapNs) {
                longestGaps.append(gap);
                std::sort(longestGaps.begin(), longestGaps.end(),
                          [](const Gap &a, const Gap &b) { return a.gapNs > b.gapNs; });
                if (longestGaps.size() > 5)
                    longestGaps.removeLast();
            }
        }
        lastTickNs = nowNs;
        lastSched = sched;
    });
    tick.start(kTickMs);

    // Every 5 s: memory, descriptors, threads, load, and each camera's
    // request counters (read without waiting).
    QList<Sample> samples;
    auto sample = [&] {
        samples.append({clock.elapsed(), statusKb("VmRSS:"), descriptors(), int(threadIds().size()), loadAverage()});
    };
    auto sampleRequests = [&] {
        for (int s = 0; s < 2; ++s) {
            servers[s].fetchStats(&app, [&records, &clock, s](const QJsonObject &stats) {
                if (stats.isEmpty())
                    return;
                const qint64 now = clock.elapsed();
                for (int i = s * LanesPerServer; i < (s + 1) * LanesPerServer; ++i) {
                    LaneRecord &r = records[i];
                    const qint64 accepted = perCamera(stats, "acceptedByCamera", i % LanesPerServer + 1);
                    if (r.previousAccepted >= 0 && now > r.previousAtMs)
                        r.peakRate = std::max(r.peakRate, double(accepted - r.previousAccepted) * 1000.0
                                                              / double(now - r.previousAtMs));
                    r.previousAccepted = accepted;
                    r.previousAtMs = now;
                }
            });
        }
    };
    sampleRequests();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &app, [&] {
        sample();
        sampleRequests();
    });
    sampler.start(kSampleMs);

    // CPU over the measured window, from the end of the warm-up.
    struct CpuMark
    {
        qint64 atMs = 0;
        std::map<int, ThreadCpu> threads;
        qint64 process = 0;
        qint64 cameras[2] = {0, 0};
        MachineCpu machine;
        QHash<QByteArray, qint64> everyProcess;
        double load = 0;
    };
    auto mark = [&] {
        CpuMark m;
        m.atMs = clock.elapsed();
        m.threads = threadCpu();
        m.process = processTicks(::getpid());
        for (int s = 0; s < 2; ++s)
            m.cameras[s] = processTicks(servers[s].pid());
        m.machine = machineCpu();
        m.everyProcess = machineProcessTicks();
        m.load = loadAverage();
        return m;
    };
    CpuMark warm, end;
    QTimer::singleShot(int(warmUpMs), &app, [&] { warm = mark(); });
    QTimer::singleShot(int(totalMs), &app, [&] {
        sample();
        end = mark();
        app.quit();
    });
    app.exec();
    tick.stop();
    sampler.stop();

    // ------------------------------------------------ after the run
    const qint64 runMs = clock.elapsed();
    QJsonObject finalStats[2];
    for (int s = 0; s < 2; ++s)
        finalStats[s] = servers[s].statsNow();
    QList<StreamStats> laneStats;
    for (TCamImage *control : std::as_const(controls))
        laneStats.append(control->engine()->stats());
    const qint64 peakSampleKb = std::max_element(samples.begin(), samples.end(), [](const Sample &a, const Sample &b) {
                                    return a.rssKb < b.rssKb;
                                })->rssKb;
    const qint64 hwmKb = statusKb("VmHWM:");

    // Every control closed as the windows close them; then a bounded wait
    // for the threads, sockets and connections to go.
    for (TCamImage *control : std::as_const(controls))
        control->setURL(QStringLiteral(" "));
    QElapsedTimer settle;
    settle.start();
    qint64 socketsBackMs = -1, threadsBackMs = -1, camerasClosedMs = -1, transfersEndedMs = -1;
    // Named while they still run: by the end of the wait they are gone.
    QString extraAfterOneSecond;
    qint64 openAtEnd[2] = {-1, -1};
    while (settle.elapsed() < kSettleMs) {
        const qint64 t = settle.elapsed();
        if (transfersEndedMs < 0 && CameraClientPrivate::runningThreads() == 0)
            transfersEndedMs = t;
        if (socketsBackMs < 0 && descriptors().sockets <= fdsBefore.sockets)
            socketsBackMs = t;
        if (threadsBackMs < 0 && threadIds().size() <= threadsBefore.size())
            threadsBackMs = t;
        if (camerasClosedMs < 0) {
            for (int s = 0; s < 2; ++s)
                openAtEnd[s] = qint64(servers[s].statsNow().value(QStringLiteral("open")).toDouble(-1));
            if (openAtEnd[0] == 0 && openAtEnd[1] == 0)
                camerasClosedMs = settle.elapsed();
        }
        if (extraAfterOneSecond.isEmpty() && t >= 1000)
            extraAfterOneSecond = threadNames(without(threadIds(), threadsBefore));
        if (socketsBackMs >= 0 && threadsBackMs >= 0 && camerasClosedMs >= 0 && transfersEndedMs >= 0)
            break;
        QTest::qWait(kSettlePollMs);
    }
    const QList<int> threadsAfter = threadIds();
    const Descriptors fdsAfter = descriptors();
    for (int s = 0; s < 2; ++s)
        openAtEnd[s] = qint64(servers[s].statsNow().value(QStringLiteral("open")).toDouble(-1));

    // The process's stderr, and what the cameras wrote to theirs.
    std::fflush(stderr);
    const QByteArray ownStderr = readFd(2, kMaxStderrRead);
    ::dup2(realStderr, 2);
    QByteArray camerasStderr;
    for (DemoCamera &server : servers)
        camerasStderr += server.errorOutput();
    const qsizetype stderrLeaks = secrets.found(QString::fromUtf8(ownStderr));
    const qsizetype camerasStderrLeaks = secrets.found(QString::fromUtf8(camerasStderr));

    // ------------------------------------------------ the report
    QString out;
    auto line = [&out](const QString &text = {}) { out += text + QLatin1Char('\n'); };
    QStringList missed;

    line(QStringLiteral("# Fault soak: %1 controls, %2 s, %3 pictures/s per camera")
             .arg(QString::number(LaneCount), QString::number(totalMs / 1000), fps));
    line();
    line(QStringLiteral("| when | time (s) | resident memory (MB) | open descriptors | sockets | threads |"));
    line(QStringLiteral("|---|---|---|---|---|---|"));
    auto row = [&line](const QString &when, qint64 atMs, qint64 rssKb, const Descriptors &fds, qsizetype threads) {
        line(QStringLiteral("| ") + when + QStringLiteral(" | ") + seconds(atMs) + QStringLiteral(" | ")
             + (rssKb < 0 ? QStringLiteral("-") : megabytes(rssKb)) + QStringLiteral(" | ") + QString::number(fds.all) + QStringLiteral(" | ")
             + QString::number(fds.sockets) + QStringLiteral(" | ") + QString::number(threads) + QStringLiteral(" |"));
    };
    row(QStringLiteral("before the controls"), 0, -1, fdsBefore, threadsBefore.size());
    auto at = [&samples](qint64 ms) {
        for (const Sample &s : samples)
            if (s.atMs >= ms)
                return s;
        return samples.last();
    };
    const Sample warmSample = at(warmUpMs), middleSample = at(totalMs / 2), endSample = samples.last();
    for (const auto &[name, s] : {std::pair{QStringLiteral("after warm-up"), warmSample},
                                  std::pair{QStringLiteral("middle"), middleSample},
                                  std::pair{QStringLiteral("end"), endSample}})
        row(name, s.atMs, s.rssKb, s.fds, s.threads);
    row(QStringLiteral("closed, after the wait"), runMs + settle.elapsed(), statusKb("VmRSS:"), fdsAfter,
        threadsAfter.size());
    line();
    QStringList perMinute;
    for (const Sample &s : samples)
        if (s.atMs % 60000 < kSampleMs || &s == &samples.constLast())
            perMinute << megabytes(s.rssKb);
    qint64 maxFds = 0, maxSockets = 0, maxThreads = 0;
    for (const Sample &s : samples) {
        maxFds = std::max<qint64>(maxFds, s.fds.all);
        maxSockets = std::max<qint64>(maxSockets, s.fds.sockets);
        maxThreads = std::max<qint64>(maxThreads, s.threads);
    }
    const bool memoryMet = double(peakSampleKb) * 1024.0 / 1e6 < kMaxResidentMB;
    if (!memoryMet)
        missed << QStringLiteral("memory");
    line(QStringLiteral("Resident memory, sampled every 5 s: highest ") + megabytes(peakSampleKb)
         + QStringLiteral(" MB, at the end ") + megabytes(endSample.rssKb) + QStringLiteral(" MB (kernel's peak ")
         + megabytes(hwmKb) + QStringLiteral(" MB); target under ") + QString::number(kMaxResidentMB)
         + QStringLiteral(" MB: ") + (memoryMet ? QStringLiteral("met") : QStringLiteral("MISSED")));
    line(QStringLiteral("Resident memory each minute (MB): ") + perMinute.join(QLatin1Char(' ')));
    line(QStringLiteral("Most at one sample: ") + QString::number(maxFds) + QStringLiteral(" descriptors, ")
         + QString::number(maxSockets) + QStringLiteral(" sockets, ") + QString::number(maxThreads)
         + QStringLiteral(" threads"));
    line();

    // Per control.
    line(QStringLiteral("| control | window | camera behaviour | pictures shown | reconnects | shortest / median / "
                        "longest spacing (s) | camera's requests/s, mean / highest 5 s |"));
    line(QStringLiteral("|---|---|---|---|---|---|---|"));
    double worstRate = 0;
    int worstRateLane = 0;
    for (int i = 0; i < LaneCount; ++i) {
        const qint64 accepted =
            perCamera(finalStats[i / LanesPerServer], "acceptedByCamera", i % LanesPerServer + 1);
        const double mean = accepted < 0 ? -1 : double(accepted) * 1000.0 / double(runMs);
        const double peak = std::max(records[i].peakRate, mean);
        if (peak > worstRate) {
            worstRate = peak;
            worstRateLane = i;
        }
        line(QStringLiteral("| ") + QString::number(i + 1) + QStringLiteral(" | ")
             + QLatin1String(windowName(windowOf(i))) + QStringLiteral(" | ") + QLatin1String(lanes[i].name)
             + QStringLiteral(" | ") + QString::number(records[i].pictures) + QStringLiteral(" | ")
             + QString::number(laneStats[i].reconnects) + QStringLiteral(" | ") + spacing(records[i].failureTimes)
             + QStringLiteral(" | ") + QString::number(mean, 'f', 2) + QStringLiteral(" / ")
             + QString::number(peak, 'f', 2) + QStringLiteral(" |"));
    }
    const bool requestsMet = worstRate <= kMaxRequestsPerSecond;
    if (!requestsMet)
        missed << QStringLiteral("requests");
    line();
    line(QStringLiteral("Requests a camera received, per control: highest ") + QString::number(worstRate, 'f', 2)
         + QStringLiteral("/s (control ") + QString::number(worstRateLane + 1)
         + QStringLiteral(", over a 5 s sample or the whole run); target at most ")
         + QString::number(kMaxRequestsPerSecond) + QStringLiteral("/s: ")
         + (requestsMet ? QStringLiteral("met") : QStringLiteral("MISSED")));
    for (int s = 0; s < 2; ++s)
        line(QStringLiteral("Demo camera ") + QString::number(s + 1) + QStringLiteral(": ")
             + QString::number(finalStats[s].value(QStringLiteral("requests")).toDouble(-1), 'f', 0)
             + QStringLiteral(" requests, ")
             + QString::number(finalStats[s].value(QStringLiteral("unauthorized")).toDouble(-1), 'f', 0)
             + QStringLiteral(" refused for credentials, ")
             + QString::number(finalStats[s].value(QStringLiteral("frames")).toDouble(-1), 'f', 0)
             + QStringLiteral(" pictures sent"));
    line();

    // Why each control's attempts ended, as it reports them.
    line(QStringLiteral("| control | reasons given (distinct) | most frequent |"));
    line(QStringLiteral("|---|---|---|"));
    for (int i = 0; i < LaneCount; ++i) {
        QList<std::pair<qint64, QString>> reasons;
        for (auto it = records[i].reasons.cbegin(); it != records[i].reasons.cend(); ++it)
            reasons.append({it.value(), it.key()});
        std::sort(reasons.begin(), reasons.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
        QStringList top;
        for (qsizetype k = 0; k < std::min<qsizetype>(2, reasons.size()); ++k)
            top << QString::number(reasons[k].first) + QStringLiteral(" x \"")
                       + secrets.masked(reasons[k].second).replace(QLatin1Char('|'), QLatin1Char('/'))
                       + QLatin1Char('"');
        line(QStringLiteral("| ") + QString::number(i + 1) + QStringLiteral(" | ")
             + QString::number(reasons.size()) + (records[i].otherReasons ? QStringLiteral("+") : QString())
             + QStringLiteral(" | ") + (top.isEmpty() ? QStringLiteral("-") : top.join(QStringLiteral("; ")))
             + QStringLiteral(" |"));
    }
    line();

    // The UI thread.
    const qint64 longestMs = longestGaps.isEmpty() ? 0 : longestGaps.first().gapNs / 1000000;
    const bool gapMet = longestMs <= kMaxUiGapMs;
    if (!gapMet)
        missed << QStringLiteral("UI gap");
    line(QStringLiteral("Longest gap between two ticks of a 5 ms timer on the UI thread (after the first 5 s): ")
         + QString::number(longestMs) + QStringLiteral(" ms; target ") + QString::number(kMaxUiGapMs)
         + QStringLiteral(" ms: ") + (gapMet ? QStringLiteral("met") : QStringLiteral("MISSED")));
    line(QStringLiteral("Ticks: ") + QString::number(ticks) + QStringLiteral(", gaps over 50 ms: ")
         + QString::number(gapsOver50) + QStringLiteral(", over 100 ms: ") + QString::number(gapsOver100));
    for (const Gap &g : std::as_const(longestGaps))
        line(QStringLiteral("- ") + QString::number(g.gapNs / 1e6, 'f', 1) + QStringLiteral(" ms at ")
             + seconds(g.atMs) + QStringLiteral(" s: the UI thread ran ") + QString::number(g.ranNs / 1e6, 'f', 1)
             + QStringLiteral(" ms, waited for a core ") + QString::number(g.waitedNs / 1e6, 'f', 1)
             + QStringLiteral(" ms, slept or was blocked ")
             + QString::number((g.gapNs - g.ranNs - g.waitedNs) / 1e6, 'f', 1) + QStringLiteral(" ms"));
    line();

    // The machine and where the CPU went, from the end of the warm-up.
    const double windowS = double(end.atMs - warm.atMs) / 1000.0;
    const double coreTicks = windowS * double(ticksPerSecond);
    const qint64 machineTotal = end.machine.total - warm.machine.total;
    const double cores = machineTotal / coreTicks;  // /proc/stat counts every core
    auto coreShare = [coreTicks](qint64 ticksUsed) { return double(ticksUsed) / coreTicks; };
    const qint64 ownTicks = end.process - warm.process;
    const qint64 cameraTicks = (end.cameras[0] - warm.cameras[0]) + (end.cameras[1] - warm.cameras[1]);
    const qint64 machineBusy = end.machine.busy - warm.machine.busy;
    QList<double> loads;
    for (const Sample &s : samples)
        loads.append(s.load);
    std::sort(loads.begin(), loads.end());
    line(QStringLiteral("Machine: ") + QString::number(cores, 'f', 1) + QStringLiteral(" cores, busy ")
         + percent(double(machineBusy) / double(std::max<qint64>(1, machineTotal)))
         + QStringLiteral(" of the time over ") + QString::number(windowS, 'f', 0)
         + QStringLiteral(" s; load average (1 min) lowest / median / highest ")
         + QString::number(loads.first(), 'f', 2) + QStringLiteral(" / ")
         + QString::number(loads.at(loads.size() / 2), 'f', 2) + QStringLiteral(" / ")
         + QString::number(loads.last(), 'f', 2));
    line(QStringLiteral("CPU, in share of one core: this process ") + percent(coreShare(ownTicks))
         + QStringLiteral(", the two demo cameras ") + percent(coreShare(cameraTicks))
         + QStringLiteral(", everything else on the machine ")
         + percent(coreShare(machineBusy - ownTicks - cameraTicks)));
    {
        QList<std::pair<qint64, QByteArray>> others;
        const QByteArray self = statName(readProc("/proc/self/stat"));
        for (auto it = end.everyProcess.cbegin(); it != end.everyProcess.cend(); ++it) {
            const qint64 used = it.value() - warm.everyProcess.value(it.key());
            if (used > 0 && it.key() != self && it.key() != "ocellane-camsim")
                others.append({used, it.key()});
        }
        std::sort(others.begin(), others.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
        QStringList names;
        for (qsizetype k = 0; k < std::min<qsizetype>(5, others.size()); ++k)
            names << QString::fromLatin1(others[k].second) + QLatin1Char(' ') + percent(coreShare(others[k].first));
        line(QStringLiteral("Busiest other processes (by name, with their finished children, share of one core): ")
             + (names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "))));
    }
    {
        QMap<QString, qint64> byRole;
        qint64 liveTicks = 0;
        for (const auto &[tid, t] : end.threads) {
            const auto before = warm.threads.find(tid);
            const qint64 used = t.ticks - (before == warm.threads.end() ? 0 : before->second.ticks);
            liveTicks += used;
            const QString role = tid == ::getpid()          ? QStringLiteral("UI thread")
                                 : workerThreads.contains(tid) ? QStringLiteral("camera client worker")
                                                               : QLatin1Char('"') + QString::fromLatin1(t.name)
                                                                     + QLatin1Char('"');
            byRole[role] += used;
        }
        byRole[QStringLiteral("threads that ended (decode threads let go while idle)")] += ownTicks - liveTicks;
        QStringList parts;
        for (auto it = byRole.cbegin(); it != byRole.cend(); ++it)
            parts << it.key() + QLatin1Char(' ') + percent(coreShare(it.value()));
        line(QStringLiteral("This process by thread: ") + parts.join(QStringLiteral(", ")));
    }
    line();

    // Nothing left behind.
    const bool threadsMet = threadsAfter.size() <= threadsBefore.size();
    const bool socketsMet = fdsAfter.sockets <= fdsBefore.sockets;
    const bool camerasMet = openAtEnd[0] == 0 && openAtEnd[1] == 0;
    const bool transfersMet = CameraClientPrivate::runningThreads() == 0;
    if (!threadsMet || !socketsMet || !camerasMet || !transfersMet)
        missed << QStringLiteral("left behind");
    auto backAt = [](qint64 ms) {
        return ms < 0 ? QStringLiteral("not within ") + seconds(kSettleMs) + QStringLiteral(" s")
                      : QStringLiteral("after ") + seconds(ms) + QStringLiteral(" s");
    };
    line(QStringLiteral("After every control was closed (bounded wait ") + seconds(kSettleMs) + QStringLiteral(" s):"));
    line(QStringLiteral("- threads: ") + QString::number(threadsBefore.size()) + QStringLiteral(" before the controls, ")
         + QString::number(threadsAfter.size()) + QStringLiteral(" after, back ") + backAt(threadsBackMs)
         + QStringLiteral("; 1 s after closing the extra ones were ")
         + (extraAfterOneSecond.isEmpty() ? QStringLiteral("(not reached)") : extraAfterOneSecond)
         + QStringLiteral("; still extra: ")
         + threadNames(without(threadsAfter, threadsBefore)));
    line(QStringLiteral("- sockets: ") + QString::number(fdsBefore.sockets) + QStringLiteral(" before, ")
         + QString::number(fdsAfter.sockets) + QStringLiteral(" after, back ") + backAt(socketsBackMs)
         + QStringLiteral("; descriptors ") + QString::number(fdsBefore.all) + QStringLiteral(" -> ")
         + QString::number(fdsAfter.all));
    line(QStringLiteral("- the demo cameras' open connections: ") + QString::number(openAtEnd[0]) + QStringLiteral(" and ")
         + QString::number(openAtEnd[1]) + QStringLiteral(", 0 ") + backAt(camerasClosedMs)
         + QStringLiteral("; the client's transfers ended ") + backAt(transfersEndedMs));
    line(QStringLiteral("- the camera client's worker (") + QString::number(workerThreads.size())
         + QStringLiteral(" thread) and its wake-up sockets came with the first transfer, before the controls: ")
         + QString::number(threadsAtStart.size()) + QStringLiteral(" -> ") + QString::number(threadsBefore.size())
         + QStringLiteral(" threads, ") + QString::number(fdsAtStart.sockets) + QStringLiteral(" -> ")
         + QString::number(fdsBefore.sockets) + QStringLiteral(" sockets"));
    line(QStringLiteral("Nothing left behind: ")
         + (threadsMet && socketsMet && camerasMet && transfersMet ? QStringLiteral("met") : QStringLiteral("MISSED")));
    line();

    // No password anywhere. The report itself is checked last, before it
    // is printed, so its own line can say so.
    const qsizetype reportLeaks = secrets.found(out);
    const bool secretsMet = errorTextLeaks == 0 && stderrLeaks == 0 && camerasStderrLeaks == 0 && reportLeaks == 0;
    if (!secretsMet)
        missed << QStringLiteral("password");
    qint64 distinctErrors = 0;
    for (const LaneRecord &r : std::as_const(records))
        distinctErrors += r.reasons.size();
    line(QStringLiteral("Password forms looked for: ") + QString::number(secrets.formCount())
         + QStringLiteral(" (as typed, decoded, percent-encoded upper and lower, encoded twice, up to its %1, "
                          "base64 of user:password)"));
    line(QStringLiteral("- in the controls' error texts: ") + QString::number(errorTexts) + QStringLiteral(" captured (")
         + QString::number(distinctErrors) + QStringLiteral(" distinct), ") + QString::number(errorTextLeaks)
         + QStringLiteral(" with a form"));
    line(QStringLiteral("- in this process's stderr: ") + QString::number(ownStderr.size()) + QStringLiteral(" bytes, ")
         + QString::number(stderrLeaks) + QStringLiteral(" found; in the demo cameras' stderr: ")
         + QString::number(camerasStderr.size()) + QStringLiteral(" bytes, ") + QString::number(camerasStderrLeaks)
         + QStringLiteral(" found; in this report: ") + QString::number(reportLeaks) + QStringLiteral(" found"));
    {
        // What was written, masked, a few distinct lines of each.
        for (const auto &[who, bytes] : {std::pair{QStringLiteral("stderr"), ownStderr},
                                         std::pair{QStringLiteral("demo cameras' stderr"), camerasStderr}}) {
            std::set<QString> distinct;
            for (const QString &l : QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                if (distinct.size() < 5)
                    distinct.insert(secrets.masked(l.left(200)));
            for (const QString &l : distinct)
                line(QStringLiteral("  ") + who + QStringLiteral(": ") + l);
        }
    }
    line(QStringLiteral("No password in any output: ") + (secretsMet ? QStringLiteral("met") : QStringLiteral("MISSED")));
    line();
    // Once more over the whole report, the lines above included.
    if (secrets.found(out) > reportLeaks) {
        line(QStringLiteral("The report's last lines carry a password form."));
        missed << QStringLiteral("password in the report");
    }
    line(missed.isEmpty() ? QStringLiteral("All targets met.")
                          : QStringLiteral("Targets missed: ") + missed.join(QStringLiteral(", ")));

    const QByteArray report = out.toUtf8();
    std::fwrite(report.constData(), 1, size_t(report.size()), stdout);
    std::fflush(stdout);
    return missed.isEmpty() ? 0 : 1;
}
