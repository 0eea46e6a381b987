#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QWidget;

// Colours, fonts and hints as the stored layouts give them.
namespace Look {

// A stored colour value: red in the low byte, then green, then blue.
QColor colour(int stored);
// Fills the widget's background with a stored colour.
void setBackground(QWidget *widget, int stored);
void setTextColour(QWidget *widget, const QColor &colour);
// Bold text in a colour: the dialogs' labels.
void setBoldText(QWidget *widget, const QColor &colour);
// A font by its layout name and character height in pixels.
QFont font(const QString &family, int pixelHeight, bool bold = false, bool italic = false);

// The hint of a control. It is always stored (the language step rewrites
// it); it shows as a tooltip only where the layout enables hints.
void setHint(QWidget *widget, const QString &hint);
void enableHint(QWidget *widget, bool shown);
QString hint(const QWidget *widget);

} // namespace Look
