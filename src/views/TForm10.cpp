#include "views/TForm10.h"

TForm10::TForm10(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("Multivision 9"));
    move(279, 168);
    resize(528, 432);
}
