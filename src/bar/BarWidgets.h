#pragma once

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QToolButton>

// A small panel with a one-pixel border that reports clicks, like the
// bar's sequencer panels. It takes every press, so presses on it never
// reach the bar's background.
class ClickPanel : public QFrame
{
    Q_OBJECT

public:
    explicit ClickPanel(QWidget *parent = nullptr);

    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }
    // The panel's stored colour value (red in the low byte).
    void setColour(int stored);
    int colour() const { return m_colour; }

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_caption;
    int m_colour = 0xffffff;
    bool m_pressed = false;
};

// A label that swallows mouse presses, so pressing on it never moves the
// bar under it.
class SolidLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// The bar's buttons: clicks come from the left button only; the right
// button is reported apart (the menu button opens the popup menu with it).
class SpeedButton : public QToolButton
{
    Q_OBJECT

public:
    explicit SpeedButton(QWidget *parent = nullptr);

Q_SIGNALS:
    void rightPressed(const QPoint &globalPos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// The widget class behind each kind of bar control and menu row
// (BarLayout's kinds), so the bar's members follow from its layout list.
namespace BarControls {
using GlyphButton = SpeedButton;
using TextButton = SpeedButton;
using FlatTextButton = SpeedButton;
using SpinEdit = QSpinBox;
using AddressBox = QComboBox;
using ProductLabel = SolidLabel;
using SequencePanel = ClickPanel;
using Item = QAction;
using Submenu = QMenu;
} // namespace BarControls
