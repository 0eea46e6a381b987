#pragma once

#include <QPoint>
#include <optional>

// Moving the frameless bar by its background. Coordinates are client
// pixels of the press and of each move; the window moves by the difference,
// so the point where the button went down stays under the pointer.
class DragTracker
{
public:
    enum class Button { Left, Right, Middle };

    void press(Button button, int x, int y);
    // The offset to add to the window's position, or nothing while idle.
    std::optional<QPoint> move(int x, int y) const;
    void release();

    bool dragging() const { return m_dragging; }
    int dragStartX() const { return m_dragStartX; }
    int dragStartY() const { return m_dragStartY; }

private:
    bool m_dragging = false;
    qint32 m_dragStartX = 0;
    qint32 m_dragStartY = 0;
};
