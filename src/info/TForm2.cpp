#include "info/TForm2.h"

#include "base/Version.h"
#include "widgets/Look.h"
#include "info/InfoLook.h"

#include <QLabel>

namespace {
constexpr int Colour = 16443072;
constexpr QSize OuterSize(382, 159);
} // namespace

TForm2::TForm2(QWidget *parent)
    // Above the always-on-top bar it is centred on, or the bar would cover
    // its title and credit lines.
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("A propos de .."));
    setWindowModality(Qt::ApplicationModal);
    InfoLook::setDefaultFont(this);
    InfoLook::setColour(this, Colour);

    const QColor teal = Look::colour(InfoLook::Teal);
    Label2 = InfoLook::label(this, "Label2", QStringLiteral(OCELLANE_PRODUCT_NAME), QPoint(64, 8),
                             Look::font(QStringLiteral("Verdana"), 29, true, true), teal);
    Label2->resize(242, 35);
    Label2->setAlignment(Qt::AlignCenter);

    // The credit lines.
    Label3 = InfoLook::label(this, "Label3", QString::fromUtf8("Visionneuse de caméras IP"), QPoint(80, 56),
                             Look::font(QStringLiteral("Comic Sans MS"), 16), Qt::blue);
    Label3->setAlignment(Qt::AlignCenter);
    Label4 = InfoLook::label(this, "Label4", QString::fromUtf8("pour caméras Axis"), QPoint(136, 80),
                             Look::font(QStringLiteral("MS Sans Serif"), 13), Qt::red);
    Label1 = InfoLook::label(this, "Label1", QString::fromUtf8("Tous droits réservés"), QPoint(232, 112), font(),
                             palette().color(QPalette::WindowText));

    InfoLook::setOuterSize(this, OuterSize);
}

void TForm2::showCentredOn(const QWidget *owner)
{
    // move() places the frame's corner; the stored size is the outer one.
    const QPoint centre = owner->frameGeometry().center();
    move(centre.x() - OuterSize.width() / 2, centre.y() - OuterSize.height() / 2);
    InfoLook::bringToFront(this);
}
