#pragma once

#include "onvif/NetworkCamerasLayout.h"

#include <QHash>
#include <QWidget>

class OnvifQuery;
class OnvifSearch;
struct OnvifDevice;
struct OnvifDiscovered;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The network cameras window: not modal, one camera (1 to 9) at a time. It
// finds ONVIF devices (WS-Discovery, or a probe at a typed address), asks
// one for its stream, sub-stream and still-picture addresses with the user
// name and password typed, or takes them typed, and hands them on to be
// written. The address boxes never show a password: the credentials typed
// are put into every address when it is written.
class NetworkCamerasWindow : public QWidget
{
    Q_OBJECT

public:
    explicit NetworkCamerasWindow(QWidget *parent = nullptr);
    ~NetworkCamerasWindow() override;

    // Fills the boxes with camera `camera`'s (0..8) lines as they stand.
    void showCamera(int camera, const QString &name, const QString &stream, const QString &subStream,
                    const QString &still);
    int camera() const;
    // Replaces a status message's text (the bar's language).
    void setMessageText(const QByteArray &key, const QString &text);

    // ---- Handlers -----------------------------------------------------------
    void SearchButtonClick();
    void AskButtonClick();
    void WriteButtonClick();
    void CloseButtonClick();
    void CameraBoxChange();
    void DeviceListClick(QListWidgetItem *item);

    // ---- Controls, built from NetworkCamerasLayout ---------------------------
#define OCELLANE_NETWORK_CAMERAS_MEMBER(name, kind, ...) NetworkCamerasControls::kind *name = nullptr;
    struct NetworkCamerasControls
    {
        using Label = QLabel;
        using Edit = QLineEdit;
        using Password = QLineEdit;
        using Combo = QComboBox;
        using List = QListWidget;
        using Button = QPushButton;
        using Status = QLabel;
    };
    OCELLANE_NETWORK_CAMERAS_CONTROLS(OCELLANE_NETWORK_CAMERAS_MEMBER)
#undef OCELLANE_NETWORK_CAMERAS_MEMBER

Q_SIGNALS:
    // The user picked another camera: the bar answers with showCamera.
    void cameraChosen(int camera);
    // Write these lines of camera `camera` (0..8); addresses carry the
    // credentials.
    void writeRequested(int camera, const QString &name, const QString &stream, const QString &subStream,
                        const QString &still);

private:
    void deviceFound(const OnvifDiscovered &device);
    void searchFinished(const QString &error);
    void asked(const OnvifDevice &device, const QString &error);
    void say(NetworkCamerasLayout::Message message, const QString &argument = {}, const QString &more = {});
    QString withTypedCredentials(const QString &address) const;

    OnvifQuery *m_query = nullptr;
    OnvifSearch *m_search = nullptr;
    QHash<QByteArray, QString> m_messages;
    int m_found = 0;
};
