#pragma once

#include <QWidget>

// The camera settings dialog: not modal, French whatever the bar's language.
class TForm12 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm12(QWidget *parent = nullptr);
};
