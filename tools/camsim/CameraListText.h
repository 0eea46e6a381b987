#pragma once

#include <QByteArray>
#include <QString>

namespace CamSim {

// The camera list file for the nine demo cameras at baseUrl
// ("http://127.0.0.1:PORT"): 31 lines, CR LF after each, Windows-1252.
QByteArray cameraListBytes(const QString &baseUrl);

} // namespace CamSim
