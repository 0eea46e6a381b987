#include "CameraListText.h"
#include "FaultPlan.h"
#include "HttpHead.h"
#include "PictureParams.h"

#include <QTest>

using namespace CamSim;

Q_DECLARE_METATYPE(HeadParse::Status)

class TestCamSimRequest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requestHead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<HeadParse::Status>("status");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("query");

        QTest::newRow("crlf head") << QByteArray("GET /axis-cgi/mjpg/video.cgi?camera=2 HTTP/1.0\r\nHost: x\r\n\r\n")
                                   << HeadParse::Complete << QByteArray("/axis-cgi/mjpg/video.cgi")
                                   << QByteArray("camera=2");
        QTest::newRow("lf only head") << QByteArray("GET /a?b HTTP/1.1\nHost: x\n\n") << HeadParse::Complete
                                      << QByteArray("/a") << QByteArray("b");
        QTest::newRow("absolute target loses scheme and host")
            << QByteArray("GET http://127.0.0.1:80/cgi-bin/jpg/image.cgi?&compression=20 HTTP/1.0\r\n\r\n")
            << HeadParse::Complete << QByteArray("/cgi-bin/jpg/image.cgi") << QByteArray("&compression=20");
        QTest::newRow("question mark with nothing after")
            << QByteArray("GET /cgi-bin/mjpg/video.cgi? HTTP/1.0\r\n\r\n") << HeadParse::Complete
            << QByteArray("/cgi-bin/mjpg/video.cgi") << QByteArray();
        QTest::newRow("head not ended yet") << QByteArray("GET / HTTP/1.0\r\nHost: x\r\n") << HeadParse::Incomplete
                                            << QByteArray() << QByteArray();
        QTest::newRow("endless head is too large")
            << QByteArray("GET / HTTP/1.0\r\nX: ") + QByteArray(kMaxRequestHeadBytes, 'a') << HeadParse::TooLarge
            << QByteArray() << QByteArray();
        QTest::newRow("ended head past the bound is too large")
            << QByteArray("GET / HTTP/1.0\r\nX: ") + QByteArray(kMaxRequestHeadBytes, 'a') + "\r\n\r\n"
            << HeadParse::TooLarge << QByteArray() << QByteArray();
        QTest::newRow("request line without version") << QByteArray("GET /\r\n\r\n") << HeadParse::Malformed
                                                      << QByteArray() << QByteArray();
        QTest::newRow("header line without colon") << QByteArray("GET / HTTP/1.0\r\nbroken\r\n\r\n")
                                                   << HeadParse::Malformed << QByteArray() << QByteArray();
    }

    void requestHead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(HeadParse::Status, status);
        const HeadParse parse = parseRequestHead(bytes);
        QCOMPARE(parse.status, status);
        if (status == HeadParse::Complete) {
            QTEST(parse.head.path, "path");
            QTEST(parse.head.query, "query");
            QCOMPARE(parse.head.method, QByteArray("GET"));
        }
    }

    void headerLookupIgnoresCase()
    {
        const HeadParse parse =
            parseRequestHead("GET / HTTP/1.0\r\nauthorization:  Basic abc \r\nX-Other: 1\r\n\r\n");
        QCOMPARE(parse.status, HeadParse::Complete);
        QCOMPARE(parse.head.header("Authorization"), QByteArray("Basic abc"));
        QCOMPARE(parse.head.header("Missing"), QByteArray());
    }

    void pictureParams_data()
    {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("camera");

        QTest::newRow("nothing asked gives the defaults") << QByteArray() << true << QSize(352, 288) << 70 << 1;
        QTest::newRow("dialog fragment with leading ampersand")
            << QByteArray("&compression=20&camera=3") << true << QSize(352, 288) << 80 << 3;
        QTest::newRow("resolution and compression")
            << QByteArray("resolution=704x576&compression=20") << true << QSize(704, 576) << 80 << 1;
        QTest::newRow("odd 358 wide resolution is used as is")
            << QByteArray("resolution=358x288") << true << QSize(358, 288) << 70 << 1;
        QTest::newRow("odd 640x400 resolution is used as is")
            << QByteArray("resolution=640x400&compression=70&camera=4") << true << QSize(640, 400) << 30 << 4;
        QTest::newRow("empty values keep the defaults")
            << QByteArray("resolution=&compression=&camera=") << true << QSize(352, 288) << 70 << 1;
        QTest::newRow("unknown parameters are ignored") << QByteArray("des_fps=5&color=0&camera=9") << true
                                                        << QSize(352, 288) << 70 << 9;
        QTest::newRow("compression 100 gives quality 0") << QByteArray("compression=100") << true
                                                          << QSize(352, 288) << 0 << 1;
        QTest::newRow("smallest and largest sides") << QByteArray("resolution=16x4096") << true << QSize(16, 4096)
                                                    << 70 << 1;
        QTest::newRow("side below 16 is refused") << QByteArray("resolution=15x288") << false << QSize() << 0 << 0;
        QTest::newRow("side above 4096 is refused") << QByteArray("resolution=4097x288") << false << QSize() << 0
                                                    << 0;
        QTest::newRow("resolution without x is refused") << QByteArray("resolution=352") << false << QSize() << 0
                                                         << 0;
        QTest::newRow("compression above 100 is refused") << QByteArray("compression=101") << false << QSize() << 0
                                                          << 0;
        QTest::newRow("camera 0 is refused") << QByteArray("camera=0") << false << QSize() << 0 << 0;
        QTest::newRow("camera 10 is refused") << QByteArray("camera=10") << false << QSize() << 0 << 0;
        QTest::newRow("unknown fault is refused") << QByteArray("fault=explode") << false << QSize() << 0 << 0;
        QTest::newRow("unknown auth mode is refused") << QByteArray("auth=kerberos") << false << QSize() << 0 << 0;
        QTest::newRow("fps above the bound is refused") << QByteArray("fps=1000") << false << QSize() << 0 << 0;
        QTest::newRow("stamp other than 0 or 1 is refused") << QByteArray("stamp=yes") << false << QSize() << 0 << 0;
    }

    void pictureParams()
    {
        QFETCH(QByteArray, query);
        QFETCH(bool, valid);
        QString error;
        const auto params = parsePictureParams(query, &error);
        QCOMPARE(params.has_value(), valid);
        if (!valid) {
            QVERIFY(!error.isEmpty());
            return;
        }
        QTEST(params->size, "size");
        QTEST(params->quality(), "quality");
        QTEST(params->camera, "camera");
    }

    void percentEncodedFaultAndOverrides()
    {
        const auto params = parsePictureParams("fault=close-after%3A3%2Cno-length&fps=5&auth=digest-noqop", nullptr);
        QVERIFY(params);
        QVERIFY(params->fault);
        QCOMPARE(params->fault->closeAfter, std::optional<int>(3));
        QVERIFY(params->fault->noLength);
        QCOMPARE(params->fps, std::optional<double>(5));
        QCOMPARE(params->auth, std::optional<AuthMode>(AuthMode::DigestNoQop));
    }

    void faultPlan_data()
    {
        QTest::addColumn<QByteArray>("plan");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty is no fault") << QByteArray() << true;
        QTest::newRow("every fault at once")
            << QByteArray("close-after:1,reset-after:2,stall-after:3,no-length,drip:7,status:503,html,truncate,"
                          "oversize:1000,delay:40")
            << true;
        QTest::newRow("drip without interval") << QByteArray("drip") << true;
        QTest::newRow("close-after needs a count") << QByteArray("close-after") << false;
        QTest::newRow("negative count") << QByteArray("stall-after:-1") << false;
        QTest::newRow("status outside HTTP codes") << QByteArray("status:42") << false;
        QTest::newRow("oversize above the bound") << QByteArray("oversize:") + QByteArray::number(kMaxOversizeBytes + 1)
                                                  << false;
        QTest::newRow("delay above the bound") << QByteArray("delay:") + QByteArray::number(kMaxDelayMs + 1) << false;
        QTest::newRow("drip of zero would spin") << QByteArray("drip:0") << false;
        QTest::newRow("flag with an argument") << QByteArray("html:1") << false;
        QTest::newRow("hostile camera faults at their bounds")
            << "body-boundary,body-boundary:" + QByteArray(kMaxBoundaryLength, 'b') + ",slow-link:100,header-flood:chunk"
            << true;
        QTest::newRow("body boundary too long") << "body-boundary:" + QByteArray(kMaxBoundaryLength + 1, 'b') << false;
        QTest::newRow("body boundary that would break a line") << QByteArray("body-boundary:a\r\nb") << false;
        QTest::newRow("body boundary same as the header's") << QByteArray("body-boundary:myboundary") << false;
        QTest::newRow("slow link below 100 B/s") << QByteArray("slow-link:99") << false;
        QTest::newRow("slow link above the bound")
            << QByteArray("slow-link:") + QByteArray::number(kMaxSlowLinkRate + 1) << false;
        QTest::newRow("drip and slow link are two paces") << QByteArray("drip,slow-link:1000") << false;
        QTest::newRow("unknown flood kind") << QByteArray("header-flood:body") << false;
    }

    void faultPlan()
    {
        QFETCH(QByteArray, plan);
        QFETCH(bool, valid);
        QString error;
        QCOMPARE(FaultPlan::parse(plan, &error).has_value(), valid);
        QCOMPARE(error.isEmpty(), valid);
    }

    void faultPlanValues()
    {
        const auto plan = FaultPlan::parse("drip, stall-after:4 ,oversize:99,status:500,delay:25", nullptr);
        QVERIFY(plan);
        QCOMPARE(plan->dripIntervalMs, std::optional<int>(kDefaultDripIntervalMs));
        QCOMPARE(plan->stallAfter, std::optional<int>(4));
        QCOMPARE(plan->oversizeBytes, std::optional<qint64>(99));
        QCOMPARE(plan->status, std::optional<int>(500));
        QCOMPARE(plan->delayMs, 25);
        QVERIFY(!plan->stopsAfter(3));
        QVERIFY(plan->stopsAfter(4));
    }

    void cameraListBytes()
    {
        const QByteArray bytes = CamSim::cameraListBytes(QStringLiteral("http://127.0.0.1:8080"));
        QVERIFY(bytes.endsWith("\r\n"));
        const QList<QByteArray> lines = bytes.chopped(2).split('\n');
        QCOMPARE(lines.size(), 31);
        // Every line ends in CR LF, and no CR or LF stands alone.
        QCOMPARE(bytes.count("\r\n"), 31);
        QCOMPARE(bytes.count('\n'), 31);
        QCOMPARE(bytes.count('\r'), 31);

        const QByteArray prefix = "http://127.0.0.1:8080/axis-cgi/";
        QCOMPARE(lines[0], prefix + "mjpg/video.cgi?resolution=352x288&camera=1\r");
        QCOMPARE(lines[8], prefix + "mjpg/video.cgi?resolution=352x288&camera=9\r");
        QCOMPARE(lines[9], QByteArray("D\xe9mo 1\r"));
        QCOMPARE(lines[17], QByteArray("D\xe9mo 9\r"));
        QCOMPARE(lines[18], QByteArray("\r"));
        QCOMPARE(lines[19], prefix + "jpg/video.cgi?resolution=352x288&camera=1\r");
        QCOMPARE(lines[27], prefix + "jpg/video.cgi?resolution=352x288&camera=9\r");
        QCOMPARE(lines[28], QByteArray("\r"));
        QCOMPARE(lines[29], QByteArray("\r"));
        QCOMPARE(lines[30], QByteArray());  // the final CR LF was chopped above
    }
};

QTEST_GUILESS_MAIN(TestCamSimRequest)
#include "tst_camsimrequest.moc"
