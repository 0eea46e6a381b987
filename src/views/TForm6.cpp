#include "views/TForm6.h"

#include "base/ErrorGuard.h"
#include "widgets/Look.h"
#include "camctl/TCamImage.h"
#include "views/ViewTables.h"

#include <QCloseEvent>
#include <QMouseEvent>

TForm6::TForm6(QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Multivision AXIS"));
    Look::setBackground(this, 0);
    move(46, 7);
    setFixedSize(ViewTables::QuadClient);

    TCamImage **members[] = {&CamImage1, &CamImage2, &CamImage3, &CamImage4};
    for (int i = 0; i < 4; ++i) {
        auto *control = new TCamImage(this);
        control->setObjectName(QStringLiteral("CamImage%1").arg(i + 1));
        control->setGeometry(ViewTables::quadCell(i));
        *members[i] = control;
    }
    connectGuarded(CamImage1, &TCamImage::OnNewImage, this, &TForm6::CamImage1NewImage);
    connectGuarded(CamImage2, &TCamImage::OnNewImage, this, &TForm6::CamImage2NewImage);
    connectGuarded(CamImage3, &TCamImage::OnNewImage, this, &TForm6::CamImage3NewImage);
    connectGuarded(CamImage4, &TCamImage::OnNewImage, this, &TForm6::CamImage4NewImage);
}

void TForm6::CamImage1NewImage() { CamImage1->setVisible(true); }
void TForm6::CamImage2NewImage() { CamImage2->setVisible(true); }
void TForm6::CamImage3NewImage() { CamImage3->setVisible(true); }
void TForm6::CamImage4NewImage() { CamImage4->setVisible(true); }

void TForm6::FormClose()
{
    for (TCamImage *control : controls())
        control->setURL(QStringLiteral(" "));
}

void TForm6::closeEvent(QCloseEvent *event)
{
    ErrorBox::guard([this] { FormClose(); });
    event->accept();
}

void TForm6::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The pictures let mouse events through, so the window has them all.
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    for (int i = 0; i < 4; ++i)
        if (ViewTables::quadCell(i).contains(event->position().toPoint()))
            Q_EMIT cellDoubleClicked(i);
}
