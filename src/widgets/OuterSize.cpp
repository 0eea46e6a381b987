#include "widgets/OuterSize.h"

#include <QEvent>
#include <QWidget>

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
}

void OuterSize::applyWhenRestored(const QSize &outer)
{
    m_enlargedMargins = frameMargins();
    m_pending = outer;
}

bool OuterSize::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && m_pending.isValid()) {
        const auto type = event->type();
        if (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize || type == QEvent::Expose ||
            type == QEvent::UpdateRequest) {
            const QSize margins = frameMargins();
            if (!margins.isNull() && margins != m_enlargedMargins) {
                const QSize outer = m_pending;
                m_pending = QSize();
                m_enlargedMargins = QSize();
                m_window->resize(outer - margins);
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
