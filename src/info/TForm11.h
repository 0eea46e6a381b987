#pragma once

#include <QWidget>

// The help window.
class TForm11 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm11(QWidget *parent = nullptr);
};
