#pragma once

#include <QString>
#include <QUrl>

// FFmpeg's own messages go through the program's (qWarning), errors only,
// a bounded number a minute, with the credentials of every address now
// open masked: libavformat prints addresses, passwords included.
namespace FfmpegLog {

// Once per process; later calls do nothing.
void install();

// While one lives, its address's credentials are masked in FFmpeg's lines.
class Watch
{
public:
    explicit Watch(const QUrl &url);
    ~Watch();
    Watch(const Watch &) = delete;
    Watch &operator=(const Watch &) = delete;

private:
    QUrl m_url;
};

// What a line of FFmpeg's becomes: every watched address's credentials
// masked, and any user information left in an address of the line too.
QString masked(const QString &line);

} // namespace FfmpegLog
