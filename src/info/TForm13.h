#pragma once

#include <QWidget>

// The licence-conditions window.
class TForm13 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm13(QWidget *parent = nullptr);
};
