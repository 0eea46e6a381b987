#include "views/TForm4.h"

TForm4::TForm4(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Ocellane Mode AXIS"));
    move(210, 111);
    resize(301, 286);
}
