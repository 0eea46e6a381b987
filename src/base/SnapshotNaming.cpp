#include "base/SnapshotNaming.h"

#include "base/Errors.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include <limits>

namespace SnapshotNaming {

QString fileName(qint32 number)
{
    return QStringLiteral("IPimage%1.jpg").arg(number);
}

QString defaultFolder()
{
#ifdef Q_OS_WIN
    // A root-relative name lands at the root of the current drive or share.
    const QStorageInfo volume(QDir::currentPath());
    return volume.isValid() ? volume.rootPath() : QDir::rootPath();
#else
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty() || !QDir().mkpath(pictures))
        return QString();
    return pictures;
#endif
}

qint32 firstFreeNumber(const QString &folder, qint32 from)
{
    const QDir dir(folder);
    // The last number is kept back so that the counter can move past it.
    for (qint32 n = qMax(from, 1); n < std::numeric_limits<qint32>::max(); ++n) {
        if (!QFileInfo::exists(dir.filePath(fileName(n))))
            return n;
    }
    throw OcellaneError(QStringLiteral("No snapshot number is left in %1.").arg(QDir::toNativeSeparators(folder)));
}

} // namespace SnapshotNaming
