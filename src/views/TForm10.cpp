#include "views/TForm10.h"

#include "base/CameraCount.h"
#include "base/ErrorGuard.h"
#include "widgets/Look.h"
#include "camctl/TCamImage.h"
#include "views/ViewTables.h"

#include <QCloseEvent>
#include <QFrame>
#include <QMouseEvent>
#include <QPalette>

namespace {
QFrame *raisedPanel(QWidget *parent, const QString &name)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    return panel;
}
} // namespace

TForm10::TForm10(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("Multivision 9"));
    move(279, 168);
    resize(528, 432);

    Panel1 = raisedPanel(this, QStringLiteral("Panel1"));
    Panel1->setAutoFillBackground(true);
    Panel1->setBackgroundRole(QPalette::Button);
    Panel1->setGeometry(rect());
    Panel1->installEventFilter(this);

    // Cells in camera order, with their layout names.
    const char *names[] = {"Panel2", "Panel4", "Panel5", "Panel3", "Panel6", "Panel7", "Panel8", "Panel9", "Panel10"};
    for (int i = 0; i < kCameraCount; ++i) {
        QFrame *cell = raisedPanel(Panel1, QLatin1String(names[i]));
        Look::setBackground(cell, 0);
        auto *control = new TCamImage(cell);
        control->setObjectName(QStringLiteral("CamImage%1").arg(i + 1));
        m_cells.append(cell);
        m_controls.append(control);
    }
    Panel2 = m_cells[0];
    Panel4 = m_cells[1];
    Panel5 = m_cells[2];
    Panel3 = m_cells[3];
    Panel6 = m_cells[4];
    Panel7 = m_cells[5];
    Panel8 = m_cells[6];
    Panel9 = m_cells[7];
    Panel10 = m_cells[8];
    // CamImage1 is not aligned to its cell: it keeps its place and size
    // inside Panel2's bevel whatever the cell's size.
    m_controls[0]->setGeometry(1, 1, 174, 142);
    for (int i = 1; i < kCameraCount; ++i)
        m_cells[i]->installEventFilter(this);

    void (TForm10::*handlers[])() = {&TForm10::CamImage1NewImage, &TForm10::CamImage2NewImage,
                                     &TForm10::CamImage3NewImage, &TForm10::CamImage4NewImage,
                                     &TForm10::CamImage5NewImage, &TForm10::CamImage6NewImage,
                                     &TForm10::CamImage7NewImage, &TForm10::CamImage8NewImage,
                                     &TForm10::CamImage9NewImage};
    for (int i = 0; i < kCameraCount; ++i)
        connectGuarded(m_controls[i], &TCamImage::OnNewImage, this, handlers[i]);

    Panel1Resize();
}

void TForm10::Panel1Resize()
{
    const QList<QRect> grid = ViewTables::nineGrid(Panel1->size());
    // Panel2 first, then the others in the layout's order.
    const QList<QFrame *> order{Panel2, Panel3, Panel4, Panel5, Panel6, Panel7, Panel8, Panel9, Panel10};
    for (QFrame *panel : order)
        panel->setGeometry(grid.at(m_cells.indexOf(panel)));
}

void TForm10::showControl(int index)
{
    m_controls.at(index)->setVisible(true);
}

void TForm10::CamImage1NewImage() { showControl(0); }
void TForm10::CamImage2NewImage() { showControl(1); }
void TForm10::CamImage3NewImage() { showControl(2); }
void TForm10::CamImage4NewImage() { showControl(3); }
void TForm10::CamImage5NewImage() { showControl(4); }
void TForm10::CamImage6NewImage() { showControl(5); }
void TForm10::CamImage7NewImage() { showControl(6); }
void TForm10::CamImage8NewImage() { showControl(7); }
void TForm10::CamImage9NewImage() { showControl(8); }

void TForm10::FormClose()
{
    for (TCamImage *control : m_controls)
        control->setURL(QStringLiteral(" "));
}

void TForm10::closeEvent(QCloseEvent *event)
{
    ErrorBox::guard([this] { FormClose(); });
    event->accept();
}

void TForm10::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The pictures and cells let mouse events through, so the window has
    // them all; the uncovered strip along the edges is no camera's.
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    const QPoint p = Panel1->mapFrom(this, event->position().toPoint());
    for (int i = 0; i < m_cells.size(); ++i)
        if (m_cells[i]->geometry().contains(p))
            Q_EMIT cellDoubleClicked(i);
}

void TForm10::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Panel1->setGeometry(rect());
}

bool TForm10::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == Panel1) {
            ErrorBox::guard([this] { Panel1Resize(); });
        } else if (auto *cell = qobject_cast<QFrame *>(watched)) {
            // CamImage2..CamImage9 fill their cell inside its bevel.
            const int index = m_cells.indexOf(cell);
            if (index > 0)
                m_controls[index]->setGeometry(cell->contentsRect());
        }
    }
    return QWidget::eventFilter(watched, event);
}
