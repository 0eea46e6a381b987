#pragma once

#include <QString>

class TForm1;
class TForm2;
class TForm4;
class TForm6;
class TForm10;
class TForm11;
class TForm12;
class TForm13;

// The one instance of each window class, reached program-wide by name.
// Set by the start-up in creation order, cleared when the windows go.
extern TForm1 *Form1;   // control bar, main window
extern TForm2 *Form2;   // about
extern TForm11 *Form11; // help
extern TForm12 *Form12; // camera settings dialog
extern TForm13 *Form13; // licence conditions
extern TForm4 *Form4;   // single view
extern TForm10 *Form10; // nine-camera view
extern TForm6 *Form6;   // quad view

namespace Forms {
// The application title: what the desktop names the program by, and the
// error box's title.
inline const QString ApplicationTitle = QStringLiteral("Ocellane 4");
} // namespace Forms
