#include "config/TForm12.h"

TForm12::TForm12(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QString::fromUtf8("Paramétrage caméras"));
    move(-7, 117);
    resize(334, 360);
}
