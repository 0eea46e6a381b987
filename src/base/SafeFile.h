#pragma once

#include <QByteArray>
#include <QString>

namespace SafeFile {

// Replaces the file's content with bytes, all or nothing: through a
// temporary file that takes the name only once every byte is on disk, so a
// failed write leaves the old file whole. Returns an error text, empty on
// success.
QString write(const QString &fileName, const QByteArray &bytes);

} // namespace SafeFile
