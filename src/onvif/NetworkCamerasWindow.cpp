#include "onvif/NetworkCamerasWindow.h"

#include "base/CameraAddress.h"
#include "base/CameraCount.h"
#include "base/ErrorGuard.h"
#include "onvif/OnvifAddress.h"
#include "onvif/OnvifQuery.h"
#include "onvif/OnvifSearch.h"
#include "onvif/OnvifTypes.h"
#include "widgets/Look.h"
#include "widgets/Take.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>

namespace {

using NetworkCamerasLayout::Message;

QUrl parsed(const QString &address)
{
    return QUrl(address.trimmed(), QUrl::StrictMode);
}

// What an address box shows: the address without its user:password@.
QString withoutCredentials(const QString &address)
{
    QUrl url = parsed(address);
    if (!url.isValid() || url.userInfo().isEmpty())
        return address;
    url.setUserInfo({});
    return url.toString();
}

// How the window names a device: maker and model, as far as it told them.
QString makerAndModel(const QString &maker, const QString &model)
{
    return QStringList{maker, model}.join(QLatin1Char(' ')).trimmed();
}

QWidget *createControl(const NetworkCamerasLayout::Control &row, QWidget *parent)
{
    using NetworkCamerasLayout::Kind;
    const QString text = QString::fromUtf8(row.text);
    QWidget *widget = nullptr;
    switch (row.kind) {
    case Kind::Label:
        widget = new QLabel(text, parent);
        Look::setBoldText(widget, Look::colour(NetworkCamerasLayout::Yellow));
        break;
    case Kind::Edit:
        widget = new QLineEdit(text, parent);
        break;
    case Kind::Password: {
        auto *edit = new QLineEdit(parent);
        edit->setEchoMode(QLineEdit::Password);
        widget = edit;
        break;
    }
    case Kind::Combo: {
        auto *combo = new QComboBox(parent);
        for (int n = 1; n <= kCameraCount; ++n)
            combo->addItem(QString::number(n));
        widget = combo;
        break;
    }
    case Kind::List:
        widget = new QListWidget(parent);
        break;
    case Kind::Button:
        widget = new QPushButton(text, parent);
        break;
    case Kind::Status: {
        auto *label = new QLabel(parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // A device's words are shown as text, never as rich text.
        label->setTextFormat(Qt::PlainText);
        Look::setTextColour(label, Look::colour(NetworkCamerasLayout::White));
        widget = label;
        break;
    }
    }
    widget->setObjectName(QLatin1String(row.name));
    widget->setGeometry(row.rect);
    return widget;
}

} // namespace

NetworkCamerasWindow::NetworkCamerasWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("NetworkCameras"));
    setWindowTitle(QString::fromUtf8(NetworkCamerasLayout::Caption));
    setFixedSize(NetworkCamerasLayout::ClientSize);
    Look::setBackground(this, NetworkCamerasLayout::Colour);

    for (const NetworkCamerasLayout::Control &row : NetworkCamerasLayout::controls())
        createControl(row, this);
#define OCELLANE_NETWORK_CAMERAS_TAKE(name, ...) take(this, name, #name);
    OCELLANE_NETWORK_CAMERAS_CONTROLS(OCELLANE_NETWORK_CAMERAS_TAKE)
#undef OCELLANE_NETWORK_CAMERAS_TAKE
    AddressBox->setPlaceholderText(QStringLiteral("http://192.168.1.10"));
    StreamBox->setPlaceholderText(QStringLiteral("rtsp://"));
    SubStreamBox->setPlaceholderText(QStringLiteral("rtsp://"));
    StillBox->setPlaceholderText(QStringLiteral("http://"));

    m_query = new OnvifQuery(this);
    m_search = new OnvifSearch(this);
    connectGuarded(m_query, &OnvifQuery::finished, this, &NetworkCamerasWindow::asked);
    connectGuarded(m_search, &OnvifSearch::found, this, &NetworkCamerasWindow::deviceFound);
    connectGuarded(m_search, &OnvifSearch::finished, this, &NetworkCamerasWindow::searchFinished);
    connectGuarded(SearchButton, &QPushButton::clicked, this, &NetworkCamerasWindow::SearchButtonClick);
    connectGuarded(AskButton, &QPushButton::clicked, this, &NetworkCamerasWindow::AskButtonClick);
    connectGuarded(WriteButton, &QPushButton::clicked, this, &NetworkCamerasWindow::WriteButtonClick);
    connectGuarded(CloseButton, &QPushButton::clicked, this, &NetworkCamerasWindow::CloseButtonClick);
    connectGuarded(CameraBox, &QComboBox::activated, this, &NetworkCamerasWindow::CameraBoxChange);
    connectGuarded(DeviceList, &QListWidget::itemClicked, this, &NetworkCamerasWindow::DeviceListClick);
}

NetworkCamerasWindow::~NetworkCamerasWindow() = default;

void NetworkCamerasWindow::showCamera(int camera, const QString &name, const QString &stream,
                                      const QString &subStream, const QString &still)
{
    CameraBox->setCurrentIndex(camera);
    NameBox->setText(name);
    StreamBox->setText(withoutCredentials(stream));
    SubStreamBox->setText(withoutCredentials(subStream));
    StillBox->setText(withoutCredentials(still));
    // The credentials the camera is asked with now, so that writing the
    // camera back keeps them.
    const QUrl url = parsed(stream);
    UserBox->setText(url.userName(QUrl::FullyDecoded));
    PasswordBox->setText(url.password(QUrl::FullyDecoded));
}

int NetworkCamerasWindow::camera() const
{
    return CameraBox->currentIndex();
}

void NetworkCamerasWindow::setMessageText(const QByteArray &key, const QString &text)
{
    m_messages.insert(key, text);
}

void NetworkCamerasWindow::say(Message message, const QString &argument, const QString &more)
{
    QString text = m_messages.value(NetworkCamerasLayout::messageKey(message),
                                    QString::fromUtf8(NetworkCamerasLayout::frenchText(message)));
    // One pass: a device's own words may hold "%1" or "%2" themselves.
    if (text.contains(QLatin1String("%2")))
        text = text.arg(argument, more);
    else if (text.contains(QLatin1String("%1")))
        text = text.arg(argument);
    StatusLine->setText(text);
}

void NetworkCamerasWindow::SearchButtonClick()
{
    DeviceList->clear();
    m_found = 0;
    SearchButton->setEnabled(false);
    say(Message::Searching);
    // A typed address is probed alone: discovery does not cross subnets.
    const QString typed = AddressBox->text().trimmed();
    const QUrl url = parsed(typed.contains(QLatin1String("://")) ? typed : QStringLiteral("http://") + typed);
    m_search->start(typed.isEmpty() ? QString() : url.host());
}

void NetworkCamerasWindow::deviceFound(const OnvifDiscovered &device)
{
    ++m_found;
    const QString who = makerAndModel(device.maker, device.model);
    auto *item = new QListWidgetItem(
        QStringLiteral("%1 — %2").arg(who.isEmpty() ? device.name : who, device.address.toString()), DeviceList);
    item->setData(Qt::UserRole, device.address.toString());
}

void NetworkCamerasWindow::searchFinished(const QString &error)
{
    SearchButton->setEnabled(true);
    if (m_found > 0)
        say(Message::Found, QString::number(m_found));
    else if (!error.isEmpty())
        say(Message::Failed, error);
    else
        say(Message::NoneFound);
}

void NetworkCamerasWindow::DeviceListClick(QListWidgetItem *item)
{
    AddressBox->setText(item->data(Qt::UserRole).toString());
}

void NetworkCamerasWindow::AskButtonClick()
{
    QString typed = AddressBox->text().trimmed();
    if (typed.isEmpty()) {
        say(Message::NoAddress);
        return;
    }
    if (!typed.contains(QLatin1String("://")))
        typed.prepend(QStringLiteral("http://"));
    const QUrl address = parsed(typed);
    AskButton->setEnabled(false);
    say(Message::Asking, address.toDisplayString(QUrl::RemoveUserInfo));
    m_query->start(address, UserBox->text(), PasswordBox->text());
}

void NetworkCamerasWindow::asked(const OnvifDevice &device, const QString &error)
{
    AskButton->setEnabled(true);
    if (!error.isEmpty()) {
        say(Message::Failed, error);
        return;
    }
    const QString who = makerAndModel(device.maker, device.model);
    // The user's own name for the camera stays.
    if (NameBox->text().trimmed().isEmpty())
        NameBox->setText(who);
    StreamBox->setText(withoutCredentials(device.stream));
    SubStreamBox->setText(withoutCredentials(device.subStream));
    StillBox->setText(withoutCredentials(device.still));
    say(Message::Asked, who, QString::number(device.profiles.size()));
    if (!device.notes.isEmpty())
        StatusLine->setText(StatusLine->text() + QLatin1Char(' ') + device.notes.join(QLatin1Char(' ')));
}

QString NetworkCamerasWindow::withTypedCredentials(const QString &address) const
{
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty() || UserBox->text().isEmpty() || !parsed(trimmed).userInfo().isEmpty())
        return trimmed;
    return OnvifAddress::withCredentials(trimmed, UserBox->text(), PasswordBox->text());
}

void NetworkCamerasWindow::WriteButtonClick()
{
    const QString stream = withTypedCredentials(StreamBox->text());
    if (CameraAddress::kindOf(parsed(stream)) == CameraAddress::Kind::None) {
        say(Message::NoStream);
        return;
    }
    Q_EMIT writeRequested(camera(), NameBox->text(), stream, withTypedCredentials(SubStreamBox->text()),
                          withTypedCredentials(StillBox->text()));
    say(Message::Written, QString::number(camera() + 1));
}

void NetworkCamerasWindow::CloseButtonClick()
{
    m_query->cancel();
    m_search->cancel();
    hide();
}

void NetworkCamerasWindow::CameraBoxChange()
{
    Q_EMIT cameraChosen(camera());
}
