#include "base/DragTracker.h"

void DragTracker::press(Button button, int x, int y)
{
    // Every button records the position; only the left one starts a drag.
    m_dragStartX = x;
    m_dragStartY = y;
    if (button == Button::Left)
        m_dragging = true;
}

std::optional<QPoint> DragTracker::move(int x, int y) const
{
    if (!m_dragging)
        return std::nullopt;
    return QPoint(x - m_dragStartX, y - m_dragStartY);
}

void DragTracker::release()
{
    m_dragging = false;
}
