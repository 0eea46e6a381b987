#pragma once

#include <QList>
#include <QWidget>

class QFrame;
class TCamImage;

// The nine-camera view: a 3 x 3 grid of equal cells that follows the
// window's size.
class TForm10 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm10(QWidget *parent = nullptr);

    QFrame *Panel1 = nullptr;
    // The cells as the layout names them; Panel2 holds CamImage1, Panel4
    // CamImage2, Panel5 CamImage3, Panel3 CamImage4, then Panel6..Panel10
    // hold CamImage5..CamImage9.
    QFrame *Panel2 = nullptr;
    QFrame *Panel3 = nullptr;
    QFrame *Panel4 = nullptr;
    QFrame *Panel5 = nullptr;
    QFrame *Panel6 = nullptr;
    QFrame *Panel7 = nullptr;
    QFrame *Panel8 = nullptr;
    QFrame *Panel9 = nullptr;
    QFrame *Panel10 = nullptr;
    QList<TCamImage *> controls() const { return m_controls; }

    void Panel1Resize();
    void CamImage1NewImage();
    void CamImage2NewImage();
    void CamImage3NewImage();
    void CamImage4NewImage();
    void CamImage5NewImage();
    void CamImage6NewImage();
    void CamImage7NewImage();
    void CamImage8NewImage();
    void CamImage9NewImage();
    void FormClose();

Q_SIGNALS:
    // Camera c (0..8) was double-clicked, on its picture or its black cell.
    void cellDoubleClicked(int camera);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showControl(int index);

    QList<QFrame *> m_cells;
    QList<TCamImage *> m_controls;
};
