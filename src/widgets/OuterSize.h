#pragma once

#include <QObject>
#include <QSize>

class QWidget;

// Window sizes in the layouts are outer sizes, frame and title bar
// included. Qt sizes the client area, and the frame is known only once the
// window manager has framed the window. This sets the client size from the
// frame margins the window system reports for the window, and corrects it
// once when a hidden window is framed on its first show.
class OuterSize : public QObject
{
    Q_OBJECT

public:
    explicit OuterSize(QWidget *window);

    // Sizes the window so its frame measures `outer`.
    void apply(const QSize &outer);
    // The same for a window just asked to leave the maximised state: the
    // window manager restores its frame or its size (or both) some time
    // later, and the margins Qt reports lag behind, so the size is set once
    // either has changed, and corrected while the frame settles.
    void applyWhenRestored(const QSize &outer);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSize frameMargins() const;

    QWidget *m_window;
    QSize m_pending; // outer size still waiting for the real frame
    QSize m_enlargedMargins; // while restoring: the margins that are stale
    QSize m_enlargedSize;    // while restoring: the maximised client size
    QSize m_normalMargins;   // the margins of the window's last normal frame
    int m_corrections = 0;   // sizes still allowed while the frame settles
};
