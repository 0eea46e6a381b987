#include "info/TForm2.h"

#include "app/Look.h"
#include "info/InfoLook.h"

#include <QLabel>

namespace {
constexpr int Colour = 16443072;
constexpr QSize OuterSize(382, 159);
} // namespace

TForm2::TForm2(QWidget *parent)
    : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("A propos de .."));
    setWindowModality(Qt::ApplicationModal);
    InfoLook::setDefaultFont(this);
    InfoLook::setColour(this, Colour);

    auto label = [this](const char *name, const char *text, const QPoint &at) {
        auto *l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(QLatin1String(name));
        l->move(at);
        return l;
    };

    Label2 = label("Label2", "Ocellane 5.03", QPoint(64, 8));
    Label2->setFont(Look::font(QStringLiteral("Verdana"), 29, true, true));
    Look::setTextColour(Label2, Look::colour(InfoLook::Teal));
    Label2->resize(242, 35);
    Label2->setAlignment(Qt::AlignCenter);

    Label3 = label("Label3", "Visionneuse de caméras IP", QPoint(80, 56));
    Label3->setFont(Look::font(QStringLiteral("Comic Sans MS"), 16));
    Look::setTextColour(Label3, Qt::blue);
    Label3->setAlignment(Qt::AlignCenter);
    Label3->adjustSize();

    Label4 = label("Label4", "pour caméras Axis", QPoint(136, 80));
    Label4->setFont(Look::font(QStringLiteral("MS Sans Serif"), 13));
    Look::setTextColour(Label4, Qt::red);
    Label4->adjustSize();

    Label1 = label("Label1", "Tous droits réservés", QPoint(232, 112));
    Label1->adjustSize();

    InfoLook::setOuterSize(this, OuterSize);
}

void TForm2::showCentredOn(const QWidget *owner)
{
    // move() places the frame's corner; the stored size is the outer one.
    const QPoint centre = owner->frameGeometry().center();
    move(centre.x() - OuterSize.width() / 2, centre.y() - OuterSize.height() / 2);
    InfoLook::bringToFront(this);
}
