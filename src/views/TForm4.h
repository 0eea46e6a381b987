#pragma once

#include <QWidget>

class OuterSize;
class TCamImage;

// The single camera view: one picture control filling the window. The bar
// decides what it shows and how large it is; the window shows the control
// on its first picture, saves the picture when clicked and stops the
// control when closed.
class TForm4 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm4(QWidget *parent = nullptr);

    TCamImage *CamImage1 = nullptr;

    // Sizes the window so that its frame measures `outer`.
    void setOuterSize(const QSize &outer);

    void CamImage1NewImage();
    void CamImage1Click(int x, int y);
    void FormClose();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    OuterSize *m_outerSize = nullptr;
};
