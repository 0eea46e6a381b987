// Camera selection, the connect button, the zoom choices and the single
// view they all go through.
#include "base/ErrorGuard.h"
#include "bar/BarWidgets.h"
#include "bar/TForm1.h"
#include "camctl/TCamImage.h"
#include "views/TForm4.h"
#include "views/ViewTables.h"

#include <QAction>
#include <QComboBox>

void TForm1::wireSelection()
{
    using Handler = void (TForm1::*)();
    const QList<std::pair<SpeedButton *, Handler>> buttons{
        {SpeedButton15, &TForm1::SpeedButton15Click}, {SpeedButton17, &TForm1::SpeedButton17Click},
        {SpeedButton18, &TForm1::SpeedButton18Click}, {SpeedButton19, &TForm1::SpeedButton19Click},
        {SpeedButton20, &TForm1::SpeedButton20Click}, {SpeedButton21, &TForm1::SpeedButton21Click},
        {SpeedButton22, &TForm1::SpeedButton22Click}, {SpeedButton23, &TForm1::SpeedButton23Click},
        {SpeedButton24, &TForm1::SpeedButton24Click}, {SpeedButton8, &TForm1::SpeedButton8Click},
        {SpeedButton9, &TForm1::SpeedButton9Click},   {SpeedButton25, &TForm1::SpeedButton25Click},
        {SpeedButton26, &TForm1::SpeedButton26Click}, {SpeedButton27, &TForm1::SpeedButton27Click},
    };
    for (const auto &[button, handler] : buttons)
        connectGuarded(button, &QToolButton::clicked, this, handler);

    const QList<std::pair<QAction *, Handler>> items{
        {Camra1, &TForm1::Camra1Click}, {Camra2, &TForm1::Camra2Click}, {Camra3, &TForm1::Camra3Click},
        {Camra4, &TForm1::Camra4Click}, {Camra5, &TForm1::Camra5Click}, {Camra6, &TForm1::Camra6Click},
        {Camra7, &TForm1::Camra7Click}, {Camra8, &TForm1::Camra8Click}, {Camra9, &TForm1::Camra9Click},
        {Image2, &TForm1::Image2Click}, {N380x1, &TForm1::N380x1Click}, {N640x1, &TForm1::N640x1Click},
        {N740x1, &TForm1::N740x1Click},
    };
    for (const auto &[item, handler] : items)
        connectGuarded(item, &QAction::triggered, this, handler);
}

void TForm1::ShowSingleView()
{
    const QSize size = ViewTables::zoomSize(m_zoomMode);
    if (size.isValid())
        m_windows.single->setOuterSize(size);
    // To the front, but the keyboard stays where the user is typing: the
    // sequencer shows the view on every tick.
    m_windows.single->show();
    m_windows.single->raise();
    m_windows.single->CamImage1->setVisible(false);
    // Passed unchanged: no check, no trimming, no completion.
    m_windows.single->CamImage1->setURL(URLCombo->currentText());
}

void TForm1::selectCamera(int n)
{
    // The read comes first: a missing line stops here and changes nothing.
    const QString address = m_cameras.text(n - 1);
    URLCombo->setEditText(address);
    m_currentCamera = n - 1;
    ShowSingleView();
}

void TForm1::setZoom(int mode)
{
    m_zoomMode = mode;
    // At once, shown or hidden, without reconnecting.
    m_windows.single->setOuterSize(ViewTables::zoomSize(mode));
}

void TForm1::SpeedButton15Click() { selectCamera(1); }
void TForm1::SpeedButton17Click() { selectCamera(2); }
void TForm1::SpeedButton18Click() { selectCamera(3); }
void TForm1::SpeedButton19Click() { selectCamera(4); }
void TForm1::SpeedButton20Click() { selectCamera(5); }
void TForm1::SpeedButton21Click() { selectCamera(6); }
void TForm1::SpeedButton22Click() { selectCamera(7); }
void TForm1::SpeedButton23Click() { selectCamera(8); }
void TForm1::SpeedButton24Click() { selectCamera(9); }
void TForm1::Camra1Click() { selectCamera(1); }
void TForm1::Camra2Click() { selectCamera(2); }
void TForm1::Camra3Click() { selectCamera(3); }
void TForm1::Camra4Click() { selectCamera(4); }
void TForm1::Camra5Click() { selectCamera(5); }
void TForm1::Camra6Click() { selectCamera(6); }
void TForm1::Camra7Click() { selectCamera(7); }
void TForm1::Camra8Click() { selectCamera(8); }
void TForm1::Camra9Click() { selectCamera(9); }

void TForm1::SpeedButton8Click()
{
    ShowSingleView();
}

void TForm1::SpeedButton25Click() { setZoom(1); }
void TForm1::N380x1Click() { setZoom(1); }
void TForm1::SpeedButton26Click() { setZoom(2); }
void TForm1::N640x1Click() { setZoom(2); }
void TForm1::SpeedButton27Click() { setZoom(3); }
void TForm1::N740x1Click() { setZoom(3); }
void TForm1::SpeedButton9Click() { setZoom(4); }
void TForm1::Image2Click() { setZoom(4); }
