#pragma once

#include <QWidget>

// The about window, shown modally and centred on the bar.
class TForm2 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm2(QWidget *parent = nullptr);
};
