#include "info/TForm13.h"

#include "app/Look.h"
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

    Label1 = new QLabel(QStringLiteral("Conditions de la License"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(Look::font(QStringLiteral("Comic Sans MS"), 19));
    Look::setTextColour(Label1, Look::colour(InfoLook::Teal));
    Label1->move(96, 0);
    Label1->adjustSize();

    Memo1 = InfoLook::textBox(this, QStringLiteral("licence.txt"));
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, 24, 409, 393);

    move(239, 139);
    InfoLook::setOuterSize(this, QSize(418, 445));
}
