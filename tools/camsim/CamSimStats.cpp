#include "CamSimStats.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace CamSim {

int CamSimStats::slot(int camera)
{
    return std::clamp(camera, 1, kCameraCount) - 1;
}

void CamSimStats::accepted(int camera)
{
    ++m_accepted;
    ++m_acceptedByCamera[slot(camera)];
    ++m_openByCamera[slot(camera)];
}

void CamSimStats::closed(int camera)
{
    ++m_closed;
    --m_openByCamera[slot(camera)];
}

void CamSimStats::frameSent(int camera)
{
    ++m_frames;
    ++m_framesByCamera[slot(camera)];
}

QByteArray CamSimStats::toJson() const
{
    auto byCamera = [](const PerCamera &counts) {
        QJsonObject object;
        for (int i = 0; i < kCameraCount; ++i)
            object.insert(QString::number(i + 1), counts[i]);
        return object;
    };
    const QJsonObject root{
        {QStringLiteral("accepted"), m_accepted},
        {QStringLiteral("open"), openCount()},
        {QStringLiteral("closed"), m_closed},
        {QStringLiteral("frames"), m_frames},
        {QStringLiteral("requests"), m_requests},
        {QStringLiteral("unauthorized"), m_unauthorized},
        {QStringLiteral("openByCamera"), byCamera(m_openByCamera)},
        {QStringLiteral("acceptedByCamera"), byCamera(m_acceptedByCamera)},
        {QStringLiteral("framesByCamera"), byCamera(m_framesByCamera)},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

} // namespace CamSim
