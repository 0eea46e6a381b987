#include "bar/TForm1.h"

#include "base/ErrorGuard.h"
#include "base/Errors.h"
#include "config/TForm12.h"

#include <QAction>

void TForm1::wireSettingsDialog()
{
    connectGuarded(Paramtragecamras2, &QAction::triggered, this, &TForm1::Paramtragecamras2Click);
}

void TForm1::Paramtragecamras2Click()
{
    if (!m_windows.settings)
        throw OcellaneError(QStringLiteral("The camera settings dialog does not exist."));
    // The whole list, not only the stream lines: the dialog saves its own
    // copy, and a partial copy would save empty names and still-image
    // addresses for every camera not set in this run.
    m_windows.settings->DialogCameraList.assign(m_cameras);
    if (m_windows.settings->isMinimized())
        m_windows.settings->showNormal();
    else
        m_windows.settings->show();
    m_windows.settings->raise();
    m_windows.settings->activateWindow();
}
