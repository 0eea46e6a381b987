#include "bar/TForm1.h"

#include "app/ErrorBox.h"
#include "app/Errors.h"
#include "app/Forms.h"
#include "config/TForm12.h"

#include <QAction>

void TForm1::wireSettingsDialog()
{
    connectGuarded(Paramtragecamras2, &QAction::triggered, this, &TForm1::Paramtragecamras2Click);
}

void TForm1::Paramtragecamras2Click()
{
    if (!Form12)
        throw OcellaneError(QStringLiteral("The camera settings dialog does not exist."));
    // The whole list, not only the stream lines: the dialog saves its own
    // copy, and a partial copy would save empty names and still-image
    // addresses for every camera not set in this run.
    Form12->DialogCameraList.assign(CameraList);
    if (Form12->isMinimized())
        Form12->showNormal();
    else
        Form12->show();
    Form12->raise();
    Form12->activateWindow();
}
