#include "views/TForm4.h"

#include "base/ErrorGuard.h"
#include "widgets/Look.h"
#include "camctl/TCamImage.h"
#include "widgets/OuterSize.h"

#include <QCloseEvent>

TForm4::TForm4(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Ocellane Mode AXIS"));
    // Its first show must not take the focus from the bar or the dialog.
    setAttribute(Qt::WA_ShowWithoutActivating);
    Look::setBackground(this, 0);
    setFont(Look::font(QStringLiteral("MS Sans Serif"), 11));
    m_outerSize = new OuterSize(this);
    // First shown here; the user may move it and nothing moves it back.
    move(210, 111);
    m_outerSize->apply(QSize(301, 286));

    CamImage1 = new TCamImage(this);
    CamImage1->setObjectName(QStringLiteral("CamImage1"));
    CamImage1->setGeometry(rect());
    connectGuarded(CamImage1, &TCamImage::OnNewImage, this, &TForm4::CamImage1NewImage);
    connectGuarded(CamImage1, &TCamImage::OnClick, this, &TForm4::CamImage1Click);
}

void TForm4::setOuterSize(const QSize &outer)
{
    // A zoom size is shown as such, also after the user maximised the view,
    // and also when the view was closed maximised: shown again, it would
    // come back maximised.
    constexpr Qt::WindowStates enlarged = Qt::WindowMaximized | Qt::WindowFullScreen;
    if (windowState() & enlarged) {
        setWindowState(windowState() & ~enlarged);
        if (isVisible()) {
            m_outerSize->applyWhenRestored(outer);
            return;
        }
    }
    m_outerSize->apply(outer);
}

void TForm4::CamImage1NewImage()
{
    CamImage1->setVisible(true);
}

void TForm4::CamImage1Click(int, int)
{
    // The result is not checked: a click before any picture saves nothing.
    CamImage1->SaveImage(QStringLiteral("test.jpg"));
}

void TForm4::FormClose()
{
    CamImage1->setURL(QStringLiteral(" "));
}

void TForm4::closeEvent(QCloseEvent *event)
{
    ErrorBox::guard([this] { FormClose(); });
    // Closing hides the window; it lives until the program ends.
    event->accept();
}

void TForm4::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    CamImage1->setGeometry(rect());
}
