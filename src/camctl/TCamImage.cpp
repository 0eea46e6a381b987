// Interim control: keeps its address and draws black, so the windows can be
// built before the stream engine lands. Replaced by the streaming control.
#include "camctl/TCamImage.h"

#include <QPainter>

TCamImage::TCamImage(QWidget *parent) : QWidget(parent) {}
TCamImage::~TCamImage() = default;
QString TCamImage::URL() const { return property("url").toString(); }
void TCamImage::setURL(const QString &url) { setProperty("url", url); }
bool TCamImage::SaveImage(const QString &) { return false; }
