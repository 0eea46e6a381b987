#include "info/InfoLook.h"

#include "base/Version.h"
#include "widgets/Look.h"

#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QWindow>

// Resources of a static library are registered by hand.
static void initInfoResources()
{
    Q_INIT_RESOURCE(info);
}

namespace InfoLook {

namespace {

QMargins frameMargins(const QWidget *window)
{
    const QWindow *handle = window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

// Keeps the outer size as stored until the user resizes the window.
class OuterSizeKeeper : public QObject
{
public:
    OuterSizeKeeper(QWidget *window, const QSize &outer)
        : QObject(window)
        , m_window(window)
        , m_outer(outer)
    {
        window->installEventFilter(this);
        apply();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && m_window->size() == m_applied &&
            (event->type() == QEvent::Show || event->type() == QEvent::Move || event->type() == QEvent::Paint) &&
            frameMargins(m_window) != m_margins)
            apply();
        return QObject::eventFilter(watched, event);
    }

private:
    void apply()
    {
        m_margins = frameMargins(m_window);
        m_applied = m_outer.shrunkBy(m_margins);
        m_window->resize(m_applied);
    }

    QWidget *m_window;
    QSize m_outer;
    QSize m_applied;
    QMargins m_margins;
};

} // namespace

void setDefaultFont(QWidget *window)
{
    window->setFont(Look::font(QStringLiteral("MS Sans Serif"), 11));
}

void setColour(QWidget *widget, int stored)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Look::colour(stored));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setOuterSize(QWidget *window, const QSize &outer)
{
    new OuterSizeKeeper(window, outer); // owned by the window
}

QLabel *label(QWidget *parent, const char *name, const QString &text, const QPoint &at, const QFont &font,
              const QColor &colour)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setFont(font);
    Look::setTextColour(l, colour);
    l->move(at);
    l->adjustSize();
    return l;
}

QString resourceText(const QString &resourceName)
{
    initInfoResources();
    QFile file(QStringLiteral(":/info/") + resourceName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The texts name the version the build was made from.
    QString text = QString::fromUtf8(file.readAll()).replace(QLatin1String("@VERSION@"), QLatin1String(OCELLANE_VERSION));
    // The file's last line end would show as an empty last line.
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

QPlainTextEdit *textBox(QWidget *parent, const QString &resourceName)
{
    auto *box = new QPlainTextEdit(parent);
    box->setReadOnly(true);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setPlainText(resourceText(resourceName));
    return box;
}

void bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace InfoLook
