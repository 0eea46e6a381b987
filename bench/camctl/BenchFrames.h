#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Camera-like frames from photographs: each picture scaled to 704x576 and
// encoded as a typical camera does (quality 60, 4:2:0).
QList<QByteArray> cameraFrames(const QString &photoDir, QString *error);

// The frames of the photographs named by the first argument; prints usage
// or the error and sets *exitCode when there are none.
QList<QByteArray> framesFromArguments(const QStringList &args, const char *usage, int *exitCode);
