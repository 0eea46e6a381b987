// The network cameras window against the ONVIF test device, and the bar
// writing what it hands back.
#include "app/Forms.h"
#include "app/Startup.h"
#include "bar/TForm1.h"
#include "config/TForm12.h"
#include "onvif/NetworkCamerasWindow.h"
#include "support/OnvifSimProcess.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {
const QString User = QStringLiteral("admin");
// Every character that would end a URL field early.
const QString Password = QStringLiteral("p@ss:w/rd?#");
} // namespace

class TestNetworkCameras : public QObject
{
    Q_OBJECT

    static void ask(NetworkCamerasWindow &window, const OnvifSimProcess &device, const QString &password)
    {
        window.AddressBox->setText(device.base());
        window.UserBox->setText(User);
        window.PasswordBox->setText(password);
        window.AskButton->click();
    }

private Q_SLOTS:
    void askedDeviceFillsTheBoxesAndWritesWithCredentials_data()
    {
        QTest::addColumn<QStringList>("deviceArgs");
        QTest::addColumn<QString>("typedPassword");
        QTest::addColumn<bool>("written");
        QTest::newRow("WS-Security token") << QStringList{} << Password << true;
        QTest::newRow("HTTP Digest") << QStringList{QStringLiteral("--http-digest")} << Password << true;
        QTest::newRow("clock hours off") << QStringList{QStringLiteral("--fault"), QStringLiteral("clock")} << Password
                                         << true;
        QTest::newRow("wrong password") << QStringList{} << QStringLiteral("wrong") << false;
        QTest::newRow("no video profile") << QStringList{QStringLiteral("--fault"), QStringLiteral("audio-only")}
                                          << Password << false;
    }

    void askedDeviceFillsTheBoxesAndWritesWithCredentials()
    {
        QFETCH(QStringList, deviceArgs);
        QFETCH(QString, typedPassword);
        QFETCH(bool, written);
        OnvifSimProcess device(QStringList{QStringLiteral("--user"), User, QStringLiteral("--password"), Password,
                                           QStringLiteral("--rtsp-main"), QStringLiteral("rtsp://127.0.0.1:8554/cam3"),
                                           QStringLiteral("--rtsp-sub"), QStringLiteral("rtsp://127.0.0.1:8554/sub3")}
                               + deviceArgs);
        QVERIFY(device.isRunning());
        NetworkCamerasWindow window;
        window.showCamera(2, QStringLiteral("Porch"), {}, {}, {});
        QSignalSpy writes(&window, &NetworkCamerasWindow::writeRequested);
        ask(window, device, typedPassword);
        QTRY_VERIFY_WITH_TIMEOUT(window.AskButton->isEnabled(), 30000);
        // The boxes and the status line never show the password.
        for (QWidget *shown : std::initializer_list<QWidget *>{window.StreamBox, window.SubStreamBox, window.StillBox,
                                                              window.StatusLine, window.NameBox}) {
            const QString text = shown->property("text").toString();
            QVERIFY2(!text.contains(QStringLiteral("p@ss")) && !text.contains(QStringLiteral("p%40ss")),
                     qPrintable(text));
        }
        window.WriteButton->click();
        QVERIFY2(writes.size() == (written ? 1 : 0), qPrintable(window.StatusLine->text()));
        if (!written) {
            QVERIFY(window.StatusLine->text().size() > 10);
            return;
        }
        QCOMPARE(window.StreamBox->text(), QStringLiteral("rtsp://127.0.0.1:8554/cam3"));
        const QList<QVariant> args = writes.first();
        QCOMPARE(args.at(0).toInt(), 2);
        QCOMPARE(args.at(1).toString(), QStringLiteral("Porch"));
        const QUrl stream(args.at(2).toString());
        QCOMPARE(stream.password(QUrl::FullyDecoded), Password);
        QCOMPARE(stream.path(), QStringLiteral("/cam3"));
        QCOMPARE(QUrl(args.at(3).toString()).path(), QStringLiteral("/sub3"));
        QCOMPARE(QUrl(args.at(4).toString()).userName(), User);
    }

    void typedAddressesAreCheckedBeforeAnythingIsWritten_data()
    {
        QTest::addColumn<QString>("stream");
        QTest::addColumn<bool>("written");
        QTest::newRow("rtsp") << QStringLiteral("rtsp://10.0.0.7:554/main") << true;
        QTest::newRow("not a camera's scheme") << QStringLiteral("ftp://10.0.0.7/main") << false;
        QTest::newRow("empty") << QString() << false;
    }

    void typedAddressesAreCheckedBeforeAnythingIsWritten()
    {
        QFETCH(QString, stream);
        QFETCH(bool, written);
        ProgramWindows windows;
        LineList &cameras = windows.cameraList();
        const QList<QByteArray> before = cameras.lines();
        Form1->Camrasrseau1Click();
        NetworkCamerasWindow *opened = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            opened = opened ? opened : qobject_cast<NetworkCamerasWindow *>(top);
        QVERIFY(opened && opened->isVisible());
        NetworkCamerasWindow &window = *opened;
        window.CameraBox->setCurrentIndex(8);
        window.StreamBox->setText(stream);
        window.SubStreamBox->setText(QStringLiteral("rtsp://10.0.0.7:554/sub"));
        window.NameBox->setText(QStringLiteral("Gate"));
        window.WriteButton->click();
        if (!written) {
            QCOMPARE(cameras.lines(), before);
            return;
        }
        QCOMPARE(cameras.count(), 40);
        QCOMPARE(cameras.text(8), stream);
        QCOMPARE(cameras.text(17), QStringLiteral("Gate"));
        QCOMPARE(cameras.text(39), QStringLiteral("rtsp://10.0.0.7:554/sub"));
        QCOMPARE(Form12->DialogCameraList.count(), 40);
        QCOMPARE(Form12->DialogCameraList.text(39), QStringLiteral("rtsp://10.0.0.7:554/sub"));
        QCOMPARE(cameras.multiViewAddress(8), QStringLiteral("rtsp://10.0.0.7:554/sub"));
    }
};

QTEST_MAIN(TestNetworkCameras)
#include "tst_networkcameras.moc"
