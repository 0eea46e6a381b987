#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The help window: the help text and an OK button that hides it.
class TForm11 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm11(QWidget *parent = nullptr);

    void BitBtn1Click();

    QFrame *Panel1 = nullptr;
    QLabel *Label1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *BitBtn1 = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
};
