// The quad and nine-camera modes: cameras 1-4 or 1-9 at once, straight
// from the camera list (each camera's sub-stream where it has one),
// whatever the single view shows.
#include "base/ErrorGuard.h"
#include "bar/BarWidgets.h"
#include "bar/TForm1.h"
#include "camctl/TCamImage.h"
#include "views/TForm10.h"
#include "views/TForm6.h"

#include <QAction>

void TForm1::wireMultiViews()
{
    connectGuarded(Multivision4, &QAction::triggered, this, &TForm1::Multivision4Click);
    connectGuarded(SpeedButton10, &QToolButton::clicked, this, &TForm1::SpeedButton10Click);
    connectGuarded(Multivision9voies2, &QAction::triggered, this, &TForm1::Multivision9voies2Click);
    connectGuarded(SpeedButton14, &QToolButton::clicked, this, &TForm1::SpeedButton14Click);
}

void TForm1::openMultiView(QWidget *window, const QList<TCamImage *> &controls)
{
    window->show();
    window->raise();
    window->activateWindow();
    for (TCamImage *control : controls)
        control->setVisible(false);
    // A missing line stops here: the window is shown and the controls
    // before it already have their addresses.
    for (int i = 0; i < controls.size(); ++i)
        controls[i]->setURL(m_cameras.multiViewAddress(i));
}

void TForm1::MultiViewCellDblClick(int camera)
{
    // The cell may show the camera's sub-stream; the single view is for its
    // main stream, on line c. The multi-camera window stays open.
    selectCamera(camera + 1);
}

void TForm1::Multivision4Click() { openMultiView(m_windows.quad, m_windows.quad->controls()); }
void TForm1::SpeedButton10Click() { openMultiView(m_windows.quad, m_windows.quad->controls()); }
void TForm1::Multivision9voies2Click() { openMultiView(m_windows.nine, m_windows.nine->controls()); }
void TForm1::SpeedButton14Click() { openMultiView(m_windows.nine, m_windows.nine->controls()); }
