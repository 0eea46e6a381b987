// The bar's help menu: the help, licence-conditions and about windows.

#include "bar/TForm1.h"

#include "base/ErrorGuard.h"
#include "info/InfoLook.h"
#include "info/TForm11.h"
#include "info/TForm13.h"
#include "info/TForm2.h"

#include <QAction>

void TForm1::wireInformationWindows()
{
    connectGuarded(Aide4, &QAction::triggered, this, &TForm1::Aide4Click);
    connectGuarded(License2, &QAction::triggered, this, &TForm1::License2Click);
    connectGuarded(Aproposde2, &QAction::triggered, this, &TForm1::Aproposde2Click);
}

// The windows exist from start-up on; a bar built alone (in a test) has
// none to show.
void TForm1::Aide4Click()
{
    if (m_windows.help)
        InfoLook::bringToFront(m_windows.help);
}

void TForm1::License2Click()
{
    if (m_windows.licence)
        InfoLook::bringToFront(m_windows.licence);
}

void TForm1::Aproposde2Click()
{
    if (m_windows.about)
        m_windows.about->showCentredOn(this);
}
