#include "widgets/OuterSize.h"

#include <QEvent>
#include <QWidget>

namespace {

// Sizes set while the window manager is still settling the frame: the
// margins Qt reports can lag one step behind, so the size is set again
// until the frame measures what was asked, a few times at most.
constexpr int kMaxCorrections = 4;

} // namespace

OuterSize::OuterSize(QWidget *window)
    : QObject(window), m_window(window)
{
    window->installEventFilter(this);
}

QSize OuterSize::frameMargins() const
{
    return m_window->frameGeometry().size() - m_window->size();
}

void OuterSize::apply(const QSize &outer)
{
    m_enlargedMargins = QSize();
    m_enlargedSize = QSize();
    QSize margins = frameMargins();
    // Hidden after it was maximised, the window still reports the margins of
    // that frame; it is framed as a normal window again at its next show, so
    // it is sized for the normal frame, and the old margins count for
    // nothing until the window manager has framed it anew.
    const bool lastFrameEnlarged =
        !m_window->isVisible() && m_normalMargins.isValid() && !margins.isNull() && margins != m_normalMargins;
    if (lastFrameEnlarged) {
        m_enlargedMargins = margins;
        margins = m_normalMargins;
    }
    m_window->resize(outer - margins);
    if (lastFrameEnlarged)
        m_enlargedSize = m_window->size();
    // A window that was never framed reports no margins yet: correct the
    // size when the window manager frames it.
    m_pending = (m_window->isVisible() && !margins.isNull()) ? QSize() : outer;
    m_corrections = kMaxCorrections;
}

void OuterSize::applyWhenRestored(const QSize &outer)
{
    m_enlargedMargins = frameMargins();
    m_enlargedSize = m_window->size();
    m_pending = outer;
    m_corrections = kMaxCorrections;
}

bool OuterSize::eventFilter(QObject *watched, QEvent *event)
{
    const auto type = event->type();
    if (watched != m_window || !(type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize ||
                                 type == QEvent::Expose || type == QEvent::UpdateRequest))
        return QObject::eventFilter(watched, event);
    const QSize margins = frameMargins();
    constexpr Qt::WindowStates enlarged = Qt::WindowMaximized | Qt::WindowFullScreen;
    if (!m_pending.isValid()) {
        if (m_window->isVisible() && !margins.isNull() && !(m_window->windowState() & enlarged))
            m_normalMargins = margins;
        return QObject::eventFilter(watched, event);
    }
    // Left the enlarged frame once the window manager has changed the frame
    // or the size: some keep the frame of a maximised window as it was.
    const bool stillEnlarged = margins == m_enlargedMargins && m_window->size() == m_enlargedSize;
    if (margins.isNull() || (stillEnlarged && m_window->frameGeometry().size() != m_pending))
        return QObject::eventFilter(watched, event);
    m_enlargedMargins = QSize();
    m_enlargedSize = QSize();
    if (m_window->frameGeometry().size() == m_pending || m_corrections-- <= 0)
        m_pending = QSize();
    else
        m_window->resize(m_pending - margins);
    return QObject::eventFilter(watched, event);
}
