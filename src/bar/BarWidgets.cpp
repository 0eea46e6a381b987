#include "bar/BarWidgets.h"

#include "widgets/Look.h"

#include <QMouseEvent>
#include <QPainter>

ClickPanel::ClickPanel(QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
}

void ClickPanel::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

void ClickPanel::setColour(int stored)
{
    m_colour = stored;
    update();
}

void ClickPanel::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    m_pressed = event->button() == Qt::LeftButton;
}

void ClickPanel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        Q_EMIT clicked();
}

void ClickPanel::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double-click is one click: its first press and release have
    // clicked already, so the release that ends it must not click again.
    event->accept();
    m_pressed = false;
}

void ClickPanel::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        painter.fillRect(rect(), Look::colour(m_colour));
        if (!m_caption.isEmpty()) {
            painter.setFont(font());
            painter.setPen(Qt::black);
            painter.drawText(rect(), Qt::AlignCenter, m_caption);
        }
    }
    QFrame::paintEvent(event);
}

void SolidLabel::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void SolidLabel::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
}

void SolidLabel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

SpeedButton::SpeedButton(QWidget *parent)
    : QToolButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
}

void SpeedButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        Q_EMIT rightPressed(event->globalPosition().toPoint());
        return;
    }
    // A middle press is the button's: passed on, it would drag the bar.
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QToolButton::mousePressEvent(event);
}
