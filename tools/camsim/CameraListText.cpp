#include "CameraListText.h"

#include "base/Cp1252.h"

#include <QStringList>

namespace CamSim {

QByteArray cameraListBytes(const QString &baseUrl)
{
    constexpr int cameras = 9;
    constexpr int lines = 31;
    QStringList list(lines);
    for (int c = 0; c < cameras; ++c) {
        const QString query = QStringLiteral("?resolution=352x288&camera=%1").arg(c + 1);
        list[c] = baseUrl + QStringLiteral("/axis-cgi/mjpg/video.cgi") + query;
        list[9 + c] = QStringLiteral("Démo %1").arg(c + 1);
        list[19 + c] = baseUrl + QStringLiteral("/axis-cgi/jpg/video.cgi") + query;
    }
    QByteArray bytes;
    for (const QString &line : std::as_const(list))
        bytes += Cp1252::fromText(line) + "\r\n";
    return bytes;
}

} // namespace CamSim
