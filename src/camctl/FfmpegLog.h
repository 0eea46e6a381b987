#pragma once

#include <QString>

// FFmpeg's own messages (its decoders' and scaler's) go through the
// program's (qWarning), errors only, a bounded number a minute, with any
// address's user information masked should a line ever hold one.
namespace FfmpegLog {

// Once per process, before any camera thread starts (the camera client
// does it), so what it keeps outlives them; later calls do nothing.
void install();

// What a line of FFmpeg's becomes: the user information of any address in
// it masked.
QString masked(const QString &line);

} // namespace FfmpegLog
