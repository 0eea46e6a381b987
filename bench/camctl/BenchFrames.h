#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Camera-like frames from photographs: each picture scaled to 704x576 and
// encoded as a typical camera does (quality 60, 4:2:0).
QList<QByteArray> cameraFrames(const QString &photoDir, QString *error);
