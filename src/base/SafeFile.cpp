#include "base/SafeFile.h"

#include <QSaveFile>

#include <csignal>

namespace SafeFile {

namespace {

// A write past the user's file size limit (ulimit -f, a quota) raises
// SIGXFSZ, whose default ends the process: ignored, the write fails with
// EFBIG and is reported like a full disk, and the old file stays.
void reportFileSizeLimitAsError()
{
#ifdef SIGXFSZ
    static const bool ignored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
    Q_UNUSED(ignored);
#endif
}

} // namespace

QString write(const QString &fileName, const QByteArray &bytes)
{
    reportFileSizeLimitAsError();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // QSaveFile buffers: a full disk or a size limit shows only when the
    // buffer is flushed, and commit() alone does not always notice it then.
    // Flush first and give up the temporary file on any error.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString error = file.errorString();
        file.cancelWriting();
        file.commit();
        return error.isEmpty() ? QStringLiteral("Write error") : error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace SafeFile
