#pragma once

#include <QWidget>

// The single camera view.
class TForm4 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm4(QWidget *parent = nullptr);
};
