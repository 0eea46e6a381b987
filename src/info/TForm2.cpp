#include "info/TForm2.h"

TForm2::TForm2(QWidget *parent)
    : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("A propos de .."));
    move(0, 0);
    resize(382, 159);
}
