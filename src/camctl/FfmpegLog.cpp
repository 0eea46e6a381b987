#include "camctl/FfmpegLog.h"

#include <QRegularExpression>
#include <QtGlobal>

#include <chrono>
#include <cstdarg>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace FfmpegLog {
namespace {

// A stream of decode errors from a broken camera must not flood the
// terminal: this many lines a minute at most, then one line saying so.
constexpr int kLinesPerMinute = 10;

struct State
{
    std::mutex mutex;
    std::chrono::steady_clock::time_point windowStart;
    int linesInWindow = 0;
    int printPrefix = 1;
    // Any address's user information ("scheme://user:password@").
    const QRegularExpression userInfo{QStringLiteral("([A-Za-z][A-Za-z0-9+.-]*://)[^/@\\s]*@")};
    // Gone after every camera thread is: nothing logs through it after.
    ~State() { av_log_set_callback(silent); }
    static void silent(void *, int, const char *, va_list) {}
};

State &state()
{
    // Made when the camera client sets up its libraries, before its first
    // thread, so it outlives them all.
    static State s;
    return s;
}

void callback(void *avcl, int level, const char *format, va_list args)
{
    if (level > av_log_get_level())
        return;
    State &s = state();
    char buffer[1024];
    {
        std::lock_guard lock(s.mutex);
        av_log_format_line2(avcl, level, format, args, buffer, int(sizeof buffer), &s.printPrefix);
    }
    const QString line = QString::fromUtf8(buffer).trimmed();
    if (line.isEmpty())
        return;
    const QString text = masked(line);
    bool print = false;
    bool sayDropped = false;
    {
        std::lock_guard lock(s.mutex);
        const auto now = std::chrono::steady_clock::now();
        if (now - s.windowStart >= std::chrono::minutes(1)) {
            s.windowStart = now;
            s.linesInWindow = 0;
        }
        ++s.linesInWindow;
        print = s.linesInWindow <= kLinesPerMinute;
        sayDropped = s.linesInWindow == kLinesPerMinute + 1;
    }
    if (print)
        qWarning("ffmpeg: %s", qPrintable(text));
    else if (sayDropped)
        qWarning("ffmpeg: more messages this minute are not shown");
}

} // namespace

void install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        state();
        av_log_set_level(AV_LOG_ERROR);
        av_log_set_callback(callback);
    });
}

QString masked(const QString &line)
{
    QString text = line;
    text.replace(state().userInfo, QStringLiteral("\\1***@"));
    return text;
}

} // namespace FfmpegLog
