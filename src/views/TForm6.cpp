#include "views/TForm6.h"

TForm6::TForm6(QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Multivision AXIS"));
    move(46, 7);
    resize(704, 576);
}
