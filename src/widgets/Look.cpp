#include "widgets/Look.h"

#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace Look {

namespace {
constexpr const char *HintProperty = "ocellaneHint";
constexpr const char *HintShownProperty = "ocellaneHintShown";
} // namespace

QColor colour(int stored)
{
    return QColor(stored & 0xff, (stored >> 8) & 0xff, (stored >> 16) & 0xff);
}

void setBackground(QWidget *widget, int stored)
{
    QPalette palette = widget->palette();
    const QColor c = colour(stored);
    palette.setColor(QPalette::Window, c);
    palette.setColor(QPalette::Button, c);
    palette.setColor(QPalette::Base, c);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setTextColour(QWidget *widget, const QColor &c)
{
    QPalette palette = widget->palette();
    // Not the disabled group: a control that takes no input keeps the
    // greyed text that says so.
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, c);
        palette.setColor(group, QPalette::ButtonText, c);
        palette.setColor(group, QPalette::Text, c);
    }
    widget->setPalette(palette);
}

void setBoldText(QWidget *widget, const QColor &c)
{
    QFont f = widget->font();
    f.setBold(true);
    widget->setFont(f);
    setTextColour(widget, c);
}

QFont font(const QString &family, int pixelHeight, bool bold, bool italic)
{
    QFont f(family);
    f.setPixelSize(pixelHeight);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

void setHint(QWidget *widget, const QString &text)
{
    widget->setProperty(HintProperty, text);
    widget->setToolTip(widget->property(HintShownProperty).toBool() ? text : QString());
}

void enableHint(QWidget *widget, bool shown)
{
    widget->setProperty(HintShownProperty, shown);
    setHint(widget, hint(widget));
}

QString hint(const QWidget *widget)
{
    return widget->property(HintProperty).toString();
}

} // namespace Look
