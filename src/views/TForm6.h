#pragma once

#include <QWidget>

// The quad view.
class TForm6 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm6(QWidget *parent = nullptr);
};
