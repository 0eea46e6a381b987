#pragma once

#include <QWidget>

class QLabel;

// The about window. It is application-modal: while it shows, the control
// bar and its menu take no input. It has no button; closing it from its
// title bar hides it and ends the modal state.
class TForm2 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm2(QWidget *parent = nullptr);

    // Shows the window modally, centred on the given window. Returns at
    // once; the modal state lasts until the window is closed.
    void showCentredOn(const QWidget *owner);

    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label1 = nullptr;
};
