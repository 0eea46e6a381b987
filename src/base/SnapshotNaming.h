#pragma once

#include <QString>
#include <QtGlobal>

// Where snapshots go and what they are called: "IPimage" + n + ".jpg" in one
// folder, numbered from 1 in each run.
namespace SnapshotNaming {

QString fileName(qint32 number);

// The folder a root-relative name lands in. On systems with drive letters,
// the root of the current directory's drive; elsewhere the user's pictures
// folder, created when missing. Empty when no such folder can be had.
QString defaultFolder();

// The first number from `from` on whose file does not exist in folder, so
// that a picture from an earlier run is never overwritten. Throws
// OcellaneError when the numbers run out.
qint32 firstFreeNumber(const QString &folder, qint32 from);

} // namespace SnapshotNaming
