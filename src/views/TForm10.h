#pragma once

#include <QWidget>

// The nine-camera view.
class TForm10 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm10(QWidget *parent = nullptr);
};
