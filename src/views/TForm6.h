#pragma once

#include <QList>
#include <QWidget>

class TCamImage;

// The quad view: four cameras, two above two, in a fixed-size tool window.
class TForm6 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm6(QWidget *parent = nullptr);

    TCamImage *CamImage1 = nullptr;
    TCamImage *CamImage2 = nullptr;
    TCamImage *CamImage3 = nullptr;
    TCamImage *CamImage4 = nullptr;
    QList<TCamImage *> controls() const { return {CamImage1, CamImage2, CamImage3, CamImage4}; }

    void CamImage1NewImage();
    void CamImage2NewImage();
    void CamImage3NewImage();
    void CamImage4NewImage();
    void FormClose();

Q_SIGNALS:
    // Camera c (0..3) was double-clicked, on its picture or its black cell.
    void cellDoubleClicked(int camera);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
