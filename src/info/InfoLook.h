#pragma once

#include <QSize>
#include <QString>

class QColor;
class QFont;
class QLabel;
class QPlainTextEdit;
class QPoint;
class QWidget;

// What the three information windows share: their default font, their
// outer sizes, their read-only text boxes and their texts.
namespace InfoLook {

// Stored colour of the titles (teal).
inline constexpr int Teal = 0x808000;

// "MS Sans Serif", 11 pixels, the system's window-text colour.
void setDefaultFont(QWidget *window);

// Fills the background with a stored colour. Unlike Look::setBackground it
// leaves the text boxes inside their own white.
void setColour(QWidget *widget, int stored);

// Gives the window the outer size the layout stores, frame and title bar
// included. The frame is known only once the window manager has framed
// the window, so the client size is corrected then, unless the user has
// resized the window meanwhile.
void setOuterSize(QWidget *window, const QSize &outer);

// A label sized to its text.
QLabel *label(QWidget *parent, const char *name, const QString &text, const QPoint &at, const QFont &font,
              const QColor &colour);

// A read-only text box with a vertical scroll bar, holding a text from the
// program's resources (UTF-8).
QPlainTextEdit *textBox(QWidget *parent, const QString &resourceName);
QString resourceText(const QString &resourceName);

// Shows the window, or brings it to the front if it already shows.
void bringToFront(QWidget *window);

} // namespace InfoLook
