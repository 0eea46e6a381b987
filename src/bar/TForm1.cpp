#include "bar/TForm1.h"

#include "base/ErrorGuard.h"
#include "widgets/Look.h"
#include "bar/BarLayout.h"
#include "bar/BarWidgets.h"
#include "bar/Glyphs.h"
#include "base/Version.h"
#include "widgets/Take.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHash>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QTimer>

namespace {

Qt::CursorShape cursorShape(BarLayout::Cursor cursor)
{
    return cursor == BarLayout::Cursor::Hand ? Qt::PointingHandCursor : Qt::ArrowCursor;
}

QWidget *createControl(const BarLayout::Control &row, QWidget *parent)
{
    using BarLayout::Kind;
    const QString caption = QString::fromUtf8(row.caption);
    QWidget *widget = nullptr;
    switch (row.kind) {
    case Kind::GlyphButton:
    case Kind::TextButton:
    case Kind::FlatTextButton: {
        auto *button = new SpeedButton(parent);
        // The standard button face behind the black captions: the bar's
        // slate would leave them hard to read.
        QPalette face = button->palette();
        face.setColor(QPalette::Button, QApplication::palette().color(QPalette::Button));
        button->setPalette(face);
        if (row.glyph != BarLayout::Glyph::None) {
            button->setIcon(Glyphs::icon(row.glyph, row.rect.size()));
            button->setIconSize(row.rect.size() - QSize(6, 6));
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        } else {
            button->setText(caption);
        }
        if (row.kind == Kind::FlatTextButton) {
            button->setAutoRaise(true);
            button->setFont(Look::font(QStringLiteral("Arial"), 9));
        }
        widget = button;
        break;
    }
    case Kind::SpinEdit: {
        auto *spin = new QSpinBox(parent);
        spin->setRange(0, 30);
        spin->setSingleStep(2);
        spin->setValue(0);
        Look::setBackground(spin, row.colour);
        Look::setTextColour(spin, QColor(0, 0, 128));
        widget = spin;
        break;
    }
    case Kind::AddressBox: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        for (QWidget *w : {static_cast<QWidget *>(combo), static_cast<QWidget *>(combo->lineEdit())}) {
            Look::setBackground(w, row.colour);
            Look::setTextColour(w, Look::colour(BarLayout::AddressBoxText));
        }
        widget = combo;
        break;
    }
    case Kind::ProductLabel: {
        auto *label = new SolidLabel(caption, parent);
        label->setFont(Look::font(QStringLiteral("Comic Sans MS"), 16, true));
        Look::setTextColour(label, Qt::yellow);
        label->setAttribute(Qt::WA_TranslucentBackground);
        widget = label;
        break;
    }
    case Kind::SequencePanel: {
        auto *panel = new ClickPanel(parent);
        panel->setColour(row.colour);
        panel->setCaption(caption);
        panel->setFont(Look::font(QStringLiteral("Arial"), 8));
        widget = panel;
        break;
    }
    }
    widget->setObjectName(QLatin1String(row.name));
    widget->setGeometry(row.rect);
    widget->setCursor(cursorShape(row.cursor));
    // The spin box's text field brings its own I-beam, which would cover
    // nearly all of the box.
    if (row.kind == Kind::SpinEdit)
        widget->findChild<QLineEdit *>()->setCursor(cursorShape(row.cursor));
    Look::enableHint(widget, row.hintShown);
    Look::setHint(widget, QString::fromUtf8(row.hint));
    return widget;
}

} // namespace

TForm1::TForm1(LineList &cameras, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_cameras(cameras)
{
    buildLayout();
    buildMenu();

    // Feature wiring (each feature connects its own handlers).
    wireSelection();
    wireMultiViews();
    wireSettingsDialog();
    wireNetworkCameras();
    wireLanguage();
    wireInformationWindows();
    wireSequencer();
    wireSnapshot();

    loadStartupList();
    // Not guarded: a list too short for the names fails the start-up.
    Camras1Click();

    // Interface language: make sure the setting exists, then apply it.
    loadLanguageSetting();
    ApplyLanguage();
}

TForm1::~TForm1() = default;

void TForm1::buildLayout()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral(OCELLANE_PRODUCT_NAME));
    setFixedSize(BarLayout::ClientWidth + 2 * BarLayout::Border, BarLayout::ClientHeight + 2 * BarLayout::Border);
    move(BarLayout::Left, BarLayout::Top);
    setFont(Look::font(QStringLiteral("Verdana"), 11));
    Look::setTextColour(this, Qt::black);

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("Form1Client"));
    m_client->setGeometry(BarLayout::Border, BarLayout::Border, BarLayout::ClientWidth, BarLayout::ClientHeight);
    Look::setBackground(m_client, BarLayout::Colour);
    m_client->setCursor(Qt::SizeAllCursor);
    m_client->installEventFilter(this);

    for (const BarLayout::Control &row : BarLayout::controls())
        createControl(row, m_client);

#define OCELLANE_BAR_TAKE(name, ...) take(m_client, name, #name);
    OCELLANE_BAR_CONTROLS(OCELLANE_BAR_TAKE)
#undef OCELLANE_BAR_TAKE

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));

    connectGuarded(SpeedButton11, &QToolButton::clicked, this, &TForm1::SpeedButton11Click);
}

void TForm1::buildMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QHash<QString, QObject *> items;
    QList<QMenu *> parents{PopupMenu1};
    for (const BarLayout::MenuItem &row : BarLayout::menu()) {
        parents.resize(row.depth + 1);
        QMenu *parentMenu = parents.at(row.depth);
        const QString caption = QString::fromUtf8(row.caption);
        if (row.kind == BarLayout::MenuKind::Submenu) {
            QMenu *submenu = parentMenu->addMenu(caption);
            submenu->setObjectName(QLatin1String(row.name));
            parents.append(submenu);
            items.insert(QLatin1String(row.name), submenu);
        } else {
            QAction *action = parentMenu->addAction(caption);
            action->setObjectName(QLatin1String(row.name));
            if (row.shortcut != 0) {
                // Stored as the Ctrl flag 16384 plus the key code.
                const int key = row.shortcut & 0xff;
                const bool ctrl = row.shortcut & 16384;
                action->setShortcut(QKeySequence((ctrl ? int(Qt::ControlModifier) : 0) | key));
                action->setShortcutContext(Qt::WindowShortcut);
                // The shortcut works while the bar has focus, menu closed.
                addAction(action);
            }
            items.insert(QLatin1String(row.name), action);
        }
    }
#define OCELLANE_BAR_TAKE(name, ...) name = qobject_cast<std::remove_pointer_t<decltype(name)> *>(items.value(QLatin1String(#name)));
    OCELLANE_BAR_MENU(OCELLANE_BAR_TAKE)
#undef OCELLANE_BAR_TAKE

    // Only the right button on the menu button opens the menu.
    connect(SpeedButton7, &SpeedButton::rightPressed, this, [this](const QPoint &globalPos) {
        ErrorBox::guard([&] { PopupMenu1->popup(globalPos); });
    });
    connectGuarded(Quitter2, &QAction::triggered, this, &TForm1::Quitter2Click);
}

QList<QAction *> TForm1::cameraMenuItems() const
{
    return {Camra1, Camra2, Camra3, Camra4, Camra5, Camra6, Camra7, Camra8, Camra9};
}

QList<ClickPanel *> TForm1::inclusionPanels() const
{
    return {Panel3, Panel4, Panel5, Panel6, Panel15, Panel16, Panel17, Panel18, Panel19};
}

void TForm1::loadStartupList()
{
    // A missing or unreadable start-up file is not an error: the default
    // list stays. Only this step is guarded.
    try {
        m_cameras.loadFromFile(QStringLiteral("config.lst"));
    } catch (const std::exception &) {
    }
}

void TForm1::Camras1Click()
{
    const QList<QAction *> items = cameraMenuItems();
    for (int n = 1; n <= LineList::CameraCount; ++n)
        items[n - 1]->setText(m_cameras.text(LineList::NameLineOffset + n - 1));
}

void TForm1::FormMouseDown(Qt::MouseButton button, int x, int y)
{
    const auto which = button == Qt::LeftButton    ? DragTracker::Button::Left
                       : button == Qt::RightButton ? DragTracker::Button::Right
                                                   : DragTracker::Button::Middle;
    m_drag.press(which, x, y);
}

void TForm1::FormMouseMove(int x, int y)
{
    if (const auto offset = m_drag.move(x, y)) {
        // Left first, then top, as the bar always moved.
        move(pos().x() + offset->x(), pos().y());
        move(pos().x(), pos().y() + offset->y());
    }
}

void TForm1::FormMouseUp(Qt::MouseButton, int, int)
{
    m_drag.release();
}

void TForm1::Quitter2Click()
{
    close();
}

void TForm1::SpeedButton11Click()
{
    close();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    event->accept();
    Q_EMIT closed();
}

void TForm1::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_client)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    // A quick second press arrives as a double-click: it is a press too.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint p = mouse->position().toPoint();
        ErrorBox::guard([&] { FormMouseDown(mouse->button(), p.x(), p.y()); });
        return true;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint p = mouse->position().toPoint();
        ErrorBox::guard([&] { FormMouseMove(p.x(), p.y()); });
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint p = mouse->position().toPoint();
        ErrorBox::guard([&] { FormMouseUp(mouse->button(), p.x(), p.y()); });
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}
