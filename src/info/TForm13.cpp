#include "info/TForm13.h"

TForm13::TForm13(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form13"));
    setWindowTitle(QStringLiteral("License"));
    move(239, 139);
    resize(418, 445);
}
