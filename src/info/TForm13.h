#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

// The licence-conditions window, closed from its title bar.
class TForm13 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm13(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
};
