#include "base/ErrorGuard.h"
#include "app/Forms.h"
#include "app/Startup.h"
#include "bar/BarWidgets.h"
#include "camctl/SnapshotFetcher.h"
#include "bar/TForm1.h"
#include "camctl/TCamImage.h"
#include "support/CamSimProcess.h"
#include "views/TForm4.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

// The snapshot button on the real bar against the demo camera. Each
// camera's still address asks for a size of its own, so the saved
// picture's size tells which address was fetched.
class TestSnapshot : public QObject
{
    Q_OBJECT

    QTemporaryDir m_cwd;
    QString m_oldCwd;
    std::unique_ptr<QTemporaryDir> m_pictures;
    std::unique_ptr<CamSimProcess> m_camera;
    std::unique_ptr<ProgramWindows> m_windows;
    QStringList m_errors;

    static QString stream(int camera) { return QStringLiteral("http://127.0.0.1:9/stream/%1").arg(camera); }
    QString still(int camera, const QString &extra = QString()) const
    {
        return m_camera->base() + QStringLiteral("/cgi-bin/jpg/image.cgi?camera=%1&resolution=%2x%3%4")
                                 .arg(camera)
                                 .arg(100 + camera)
                                 .arg(80 + camera)
                                      .arg(extra);
    }
    // Camera c (1..9): stream address on line c-1, still on line 18+c.
    void setList(int lines = 31)
    {
        QList<QByteArray> content(31);
        for (int c = 1; c <= 9; ++c) {
            content[c - 1] = stream(c).toLatin1();
            content[18 + c] = still(c).toLatin1();
        }
        m_windows->cameraList().setLines(content.mid(0, lines));
    }
    QString picture(int n) const { return m_pictures->filePath(QStringLiteral("IPimage%1.jpg").arg(n)); }
    // Presses the button and waits for the fetch to end.
    bool pressAndWait()
    {
        QSignalSpy done(Form1->NMHTTP1, &SnapshotFetcher::finished);
        QTest::mouseClick(Form1->SpeedButton5, Qt::LeftButton);
        return done.wait(10000);
    }
    static QSize sizeOf(const QString &fileName) { return QImage(fileName).size(); }
    static QSize stillSize(int camera) { return QSize(100 + camera, 80 + camera); }

private Q_SLOTS:
    void initTestCase()
    {
        m_oldCwd = QDir::currentPath();
        QDir::setCurrent(m_cwd.path());
        ErrorBox::setPresenter([this](const QString &m) { m_errors << m; });
        m_camera = std::make_unique<CamSimProcess>();
        QVERIFY2(m_camera->port() != 0, "the demo camera did not start");
    }
    void cleanupTestCase()
    {
        m_camera.reset();
        ErrorBox::setPresenter({});
        QDir::setCurrent(m_oldCwd);
    }
    void init()
    {
        m_pictures = std::make_unique<QTemporaryDir>();
        m_windows = std::make_unique<ProgramWindows>();
        Form1->setSnapshotFolder(m_pictures->path());
        Form1->NMHTTP1->setTimeout(500);
        m_errors.clear();
        setList();
    }
    void cleanup()
    {
        m_windows.reset();
    }

    void pressesWriteNumberedPicturesOfTheCurrentCamera()
    {
        QCOMPARE(Form1->snapshotCounter(), 1);
        Form1->SpeedButton18Click(); // camera 3
        QVERIFY(pressAndWait());
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(sizeOf(picture(1)), stillSize(3));
        QCOMPARE(Form1->snapshotCounter(), 2);
        // The stream address is back and the single view shows it again.
        QCOMPARE(Form1->URLCombo->currentText(), stream(3));
        QCOMPARE(Form4->CamImage1->URL(), stream(3));
        QVERIFY(Form4->isVisible());

        QVERIFY(pressAndWait());
        QCOMPARE(sizeOf(picture(2)), stillSize(3));
        QCOMPARE(Form1->snapshotCounter(), 3);
    }

    void earlierFileIsKept()
    {
        QFile earlier(picture(1));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("from an earlier run");
        earlier.close();
        QVERIFY(pressAndWait());
        QFile kept(picture(1));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("from an earlier run"));
        QCOMPARE(sizeOf(picture(2)), stillSize(1));
        QCOMPARE(Form1->snapshotCounter(), 3);
    }

    void typedAddressIsNotKept()
    {
        Form1->SpeedButton17Click(); // camera 2
        Form1->URLCombo->setEditText(QStringLiteral("http://127.0.0.1:9/typed/by/user"));
        QVERIFY(pressAndWait());
        QCOMPARE(Form1->URLCombo->currentText(), stream(2));
    }

    // A failed retrieval: no file, the message, the still address stays in
    // the box, the view is not touched, the counter stays advanced.
    void failedRetrieval_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("says");
        QTest::newRow("server error") << "&fault=status:500" << "HTTP status 500";
        QTest::newRow("password asked") << "&auth=basic" << "user name or password";
        QTest::newRow("html page") << "&fault=html" << "not send a whole JPEG picture";
        QTest::newRow("no answer in time") << "&fault=delay:5000" << "within 0.5 seconds";
    }

    void failedRetrieval()
    {
        QFETCH(QString, fault);
        QFETCH(QString, says);
        m_windows->cameraList().setText(19, still(1, fault));
        QVERIFY(pressAndWait());
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.at(0).contains(says), qPrintable(m_errors.at(0)));
        QVERIFY(!QFile::exists(picture(1)));
        QCOMPARE(QDir(m_pictures->path()).entryList(QDir::Files), QStringList());
        QCOMPARE(Form1->URLCombo->currentText(), still(1, fault));
        QVERIFY(!Form4->isVisible());
        QCOMPARE(Form1->snapshotCounter(), 2);
        QVERIFY(Form1->SpeedButton5->isEnabled());
    }

    void credentialsNeverShowInTheMessage()
    {
        m_windows->cameraList().setText(19, m_camera->base(QStringLiteral("admin:hunter2")) + QStringLiteral("/axis-cgi/jpg/video.cgi?auth=basic"));
        QVERIFY(pressAndWait());
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(!m_errors.at(0).contains(QLatin1String("hunter2")));
        QVERIFY(!m_errors.at(0).contains(QLatin1String("admin")));
    }

    void rightCredentialsGetThePicture()
    {
        m_windows->cameraList().setText(19, m_camera->base(QStringLiteral("admin:secret")) + QStringLiteral("/axis-cgi/jpg/video.cgi?auth=digest"));
        QVERIFY(pressAndWait());
        QCOMPARE(m_errors, QStringList());
        QCOMPARE(sizeOf(picture(1)), QSize(352, 288));
    }

    void shortListChangesNothing()
    {
        setList(20); // still line of camera 1 only
        Form1->SpeedButton17Click(); // camera 2: line 20 is missing
        m_errors.clear();
        const QString before = Form1->URLCombo->currentText();
        QTest::mouseClick(Form1->SpeedButton5, Qt::LeftButton);
        QCOMPARE(m_errors, QStringList{QStringLiteral("List index out of bounds (20)")});
        QCOMPARE(Form1->URLCombo->currentText(), before);
        QCOMPARE(Form1->snapshotCounter(), 1);
        QVERIFY(!Form1->NMHTTP1->isBusy());
    }

    void pressDuringAFetchIsIgnoredAndShown()
    {
        Form1->NMHTTP1->setTimeout(5000);
        m_windows->cameraList().setText(19, still(1, QStringLiteral("&fault=delay:300")));
        QSignalSpy done(Form1->NMHTTP1, &SnapshotFetcher::finished);
        QTest::mouseClick(Form1->SpeedButton5, Qt::LeftButton);
        QVERIFY(!Form1->SpeedButton5->isEnabled());
        QTest::mouseClick(Form1->SpeedButton5, Qt::LeftButton);
        QCOMPARE(Form1->snapshotCounter(), 2);
        // Another camera chosen meanwhile: the finished fetch leaves it on
        // screen, in the view and in the box.
        Form1->SpeedButton20Click();
        QVERIFY(done.wait(5000));
        QCOMPARE(sizeOf(picture(1)), stillSize(1));
        QVERIFY(!QFile::exists(picture(2)));
        QCOMPARE(Form1->snapshotCounter(), 2);
        QVERIFY(Form1->SpeedButton5->isEnabled());
        QCOMPARE(Form4->CamImage1->URL(), stream(5));
        QCOMPARE(Form1->URLCombo->currentText(), stream(5));
    }

    void duringTheSequencerTheUsersCameraIsTaken()
    {
        Form1->SpeedButton21Click(); // camera 6
        Form1->CSpinEdit1->setValue(30); // running, its own ticks far off
        Form1->PlayList();
        Form1->PlayList(); // the sequencer shows camera 2
        QCOMPARE(Form4->CamImage1->URL(), stream(2));
        QVERIFY(pressAndWait());
        QCOMPARE(sizeOf(picture(1)), stillSize(6));
        QCOMPARE(Form4->CamImage1->URL(), stream(6));
        QCOMPARE(Form1->URLCombo->currentText(), stream(6));
        // The next tick carries on with the sequencer's own order.
        Form1->PlayList();
        QCOMPARE(Form4->CamImage1->URL(), stream(3));
    }
};

QTEST_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
