#include "app/SafeFile.h"

#include <QSaveFile>

namespace SafeFile {

QString write(const QString &fileName, const QByteArray &bytes)
{
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
