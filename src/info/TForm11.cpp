#include "info/TForm11.h"

TForm11::TForm11(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Help"));
    move(350, 186);
    resize(409, 339);
}
