#include "info/TForm13.h"

#include "widgets/Look.h"
#include "info/InfoLook.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace {
constexpr int Colour = 14795972;
}

TForm13::TForm13(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form13"));
    setWindowTitle(QStringLiteral("License"));
    InfoLook::setDefaultFont(this);
    InfoLook::setColour(this, Colour);

    Label1 = InfoLook::label(this, "Label1", QStringLiteral("Conditions de la License"), QPoint(96, 0),
                             Look::font(QStringLiteral("Comic Sans MS"), 19), Look::colour(InfoLook::Teal));

    Memo1 = InfoLook::textBox(this, QStringLiteral("licence.txt"));
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, 24, 409, 393);

    move(239, 139);
    InfoLook::setOuterSize(this, QSize(418, 445));
}
