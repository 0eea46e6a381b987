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
    const QSize margins = frameMargins();
    m_window->resize(outer - margins);
    // A window that was never framed reports no margins yet: correct the
    // size when the window manager frames it.
    m_pending = (m_window->isVisible() && !margins.isNull()) ? QSize() : outer;
    m_corrections = kMaxCorrections;
}

void OuterSize::applyWhenRestored(const QSize &outer)
{
    m_enlargedMargins = frameMargins();
    m_pending = outer;
    m_corrections = kMaxCorrections;
}

bool OuterSize::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && m_pending.isValid()) {
        const auto type = event->type();
        if (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize || type == QEvent::Expose ||
            type == QEvent::UpdateRequest) {
            const QSize margins = frameMargins();
            if (!margins.isNull() && margins != m_enlargedMargins) {
                m_enlargedMargins = QSize();
                if (m_window->frameGeometry().size() == m_pending || m_corrections-- <= 0)
                    m_pending = QSize();
                else
                    m_window->resize(m_pending - margins);
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
