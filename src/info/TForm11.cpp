#include "info/TForm11.h"

#include "base/ErrorGuard.h"
#include "base/Version.h"
#include "widgets/Look.h"
#include "info/InfoLook.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>

namespace {
constexpr int PanelColour = 14672345;
}

TForm11::TForm11(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Help"));
    InfoLook::setDefaultFont(this);

    // The panel fills the client area and carries the other controls.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    InfoLook::setColour(Panel1, PanelColour);

    Label1 = InfoLook::label(Panel1, "Label1", QStringLiteral("AIDE OCELLANE " OCELLANE_VERSION), QPoint(88, 8),
                             Look::font(QStringLiteral("Verdana"), 19, true, true), Look::colour(InfoLook::Teal));

    Memo1 = InfoLook::textBox(Panel1, QStringLiteral("aide.txt"));
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(8, 32, 385, 241);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(168, 280, 75, 25);
    BitBtn1->setDefault(true);
    connectGuarded(BitBtn1, &QPushButton::clicked, this, &TForm11::BitBtn1Click);

    move(350, 186);
    InfoLook::setOuterSize(this, QSize(409, 339));
}

void TForm11::BitBtn1Click()
{
    hide();
}

void TForm11::resizeEvent(QResizeEvent *event)
{
    Panel1->setGeometry(rect());
    QWidget::resizeEvent(event);
}
