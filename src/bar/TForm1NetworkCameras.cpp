// The network cameras window: the bar opens it on the current camera and
// writes what it hands back into both camera lists.
#include "bar/TForm1.h"

#include "base/ErrorGuard.h"
#include "base/Errors.h"
#include "config/CameraEntry.h"
#include "config/TForm12.h"
#include "onvif/NetworkCamerasWindow.h"

#include <QAction>

namespace {

// An entry's text, or nothing when the list is too short to hold it.
QString lineOrEmpty(const LineList &list, int index)
{
    return index < list.count() ? list.text(index) : QString();
}

} // namespace

void TForm1::wireNetworkCameras()
{
    connectGuarded(Camrasrseau1, &QAction::triggered, this, &TForm1::Camrasrseau1Click);
}

void TForm1::setWindows(const BarWindows &windows)
{
    m_windows = windows;
    NetworkCamerasWindow *window = m_windows.networkCameras;
    if (!window)
        return;
    connectGuarded(window, &NetworkCamerasWindow::writeRequested, this, &TForm1::NetworkCamerasWrite);
    connectGuarded(window, &NetworkCamerasWindow::cameraChosen, this, &TForm1::NetworkCamerasChosen);
    applyNetworkCamerasLanguage();
}

void TForm1::Camrasrseau1Click()
{
    NetworkCamerasWindow *window = m_windows.networkCameras;
    if (!window)
        throw OcellaneError(QStringLiteral("The network cameras window does not exist."));
    NetworkCamerasChosen(m_currentCamera);
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

void TForm1::NetworkCamerasChosen(int camera)
{
    if (!m_windows.networkCameras)
        return;
    m_windows.networkCameras->showCamera(camera, lineOrEmpty(m_cameras, camera + LineList::NameLineOffset),
                                         lineOrEmpty(m_cameras, camera),
                                         lineOrEmpty(m_cameras, camera + LineList::SubStreamLineOffset),
                                         lineOrEmpty(m_cameras, camera + LineList::StillLineOffset));
}

void TForm1::NetworkCamerasWrite(int camera, const QString &name, const QString &stream, const QString &subStream,
                                 const QString &still)
{
    if (!m_windows.settings)
        throw OcellaneError(QStringLiteral("The camera settings dialog does not exist."));
    CameraEntry{camera, stream, still, name, subStream}.writeWithSubStreamInto(m_windows.settings->DialogCameraList,
                                                                             m_cameras);
}
