#include "camctl/SnapshotFetcher.h"
#include "support/CamSimProcess.h"

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The snapshot fetch against the demo camera, which answers the way the
// real cameras do: both still paths, Basic and Digest, and its faults.
class TestSnapshotCamSim : public QObject
{
    Q_OBJECT

    std::unique_ptr<CamSimProcess> m_camera;
    QTemporaryDir m_dir;

    QString target() const { return m_dir.filePath(QStringLiteral("IPimage1.jpg")); }

private Q_SLOTS:
    void initTestCase()
    {
        m_camera = std::make_unique<CamSimProcess>();
        QVERIFY2(m_camera->port() != 0, "the demo camera did not start");
    }
    void cleanupTestCase() { m_camera.reset(); }
    void init() { QFile::remove(target()); }

    void fetch_data()
    {
        QTest::addColumn<QString>("userInfo");
        QTest::addColumn<QString>("pathAndQuery");
        QTest::addColumn<QSize>("size"); // invalid: the fetch fails
        QTest::addColumn<QString>("says");
        QTest::newRow("axis 2100 still") << "" << "/cgi-bin/jpg/image.cgi?camera=3&resolution=320x240"
                                         << QSize(320, 240) << "";
        QTest::newRow("axis 2400 still") << "" << "/axis-cgi/jpg/video.cgi?camera=2&resolution=704x576"
                                         << QSize(704, 576) << "";
        QTest::newRow("basic, right password") << "admin:secret" << "/axis-cgi/jpg/video.cgi?auth=basic"
                                               << QSize(352, 288) << "";
        QTest::newRow("digest, right password") << "admin:secret" << "/axis-cgi/jpg/video.cgi?auth=digest"
                                                << QSize(352, 288) << "";
        QTest::newRow("digest, wrong password") << "admin:nope" << "/axis-cgi/jpg/video.cgi?auth=digest" << QSize()
                                                << "user name or password";
        QTest::newRow("basic, no credentials") << "" << "/axis-cgi/jpg/video.cgi?auth=basic" << QSize()
                                               << "user name or password";
        QTest::newRow("basic, wrong password") << "admin:nope" << "/axis-cgi/jpg/video.cgi?auth=basic" << QSize()
                                               << "user name or password";
        QTest::newRow("server error") << "" << "/axis-cgi/jpg/video.cgi?fault=status:500" << QSize()
                                      << "HTTP status 500";
        QTest::newRow("not found") << "" << "/axis-cgi/jpg/video.cgi?fault=status:404" << QSize() << "HTTP status 404";
        QTest::newRow("picture cut short") << "" << "/axis-cgi/jpg/video.cgi?fault=truncate" << QSize() << "whole JPEG picture";
        QTest::newRow("announced size too large") << "" << "/axis-cgi/jpg/video.cgi?fault=oversize:17000000"
                                                  << QSize() << "too large";
        QTest::newRow("unannounced size too large")
            << "" << "/axis-cgi/jpg/video.cgi?fault=oversize:17000000,no-length" << QSize() << "too large";
        QTest::newRow("html page") << "" << "/axis-cgi/jpg/video.cgi?fault=html" << QSize() << "whole JPEG picture";
        QTest::newRow("too slow") << "" << "/axis-cgi/jpg/video.cgi?fault=delay:5000" << QSize() << "within 2 seconds";
    }

    void fetch()
    {
        QFETCH(QString, userInfo);
        QFETCH(QString, pathAndQuery);
        QFETCH(QSize, size);
        QFETCH(QString, says);
        SnapshotFetcher fetcher;
        fetcher.setTimeout(2000);
        QSignalSpy done(&fetcher, &SnapshotFetcher::finished);
        QVERIFY(fetcher.fetch(m_camera->base(userInfo) + pathAndQuery, target()));
        QVERIFY(done.wait(10000));
        QVERIFY(!fetcher.isBusy());
        const QString error = done.at(0).at(0).toString();
        if (size.isValid()) {
            QCOMPARE(error, QString());
            const QImage image(target());
            QCOMPARE(image.size(), size);
        } else {
            QVERIFY2(!error.isEmpty() && error.contains(says), qPrintable(error));
            QVERIFY(!error.contains(QLatin1String("secret")) && !error.contains(QLatin1String("nope")));
            QVERIFY(!QFile::exists(target()));
        }
    }

    void secondFetchWhileBusyIsRefused()
    {
        SnapshotFetcher fetcher;
        QSignalSpy done(&fetcher, &SnapshotFetcher::finished);
        const QString other = m_dir.filePath(QStringLiteral("other.jpg"));
        QVERIFY(fetcher.fetch(m_camera->base() + QStringLiteral("/axis-cgi/jpg/video.cgi?fault=delay:300"), target()));
        QVERIFY(!fetcher.fetch(m_camera->base() + QStringLiteral("/axis-cgi/jpg/video.cgi"), other));
        QVERIFY(done.wait(5000));
        QCOMPARE(done.at(0).at(0).toString(), QString());
        QVERIFY(QFile::exists(target()));
        QVERIFY(!QFile::exists(other));
        // Only the one answer comes.
        QVERIFY(!done.wait(500));
    }
};

QTEST_GUILESS_MAIN(TestSnapshotCamSim)
#include "tst_snapshotcamsim.moc"
