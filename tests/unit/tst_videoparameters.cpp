#include "camctl/VideoParameters.h"

#include <QTest>

namespace {

// The size shown, the pictures kept and the bytes of each (the coded
// size at 4:2:0 here), or why the set is refused.
QString outcome(bool h265, const QByteArray &sps)
{
    QString error;
    const std::optional<VideoParameters> v
        = h265 ? VideoParameters::fromH265(sps, &error) : VideoParameters::fromH264(sps, &error);
    return v ? QStringLiteral("%1x%2, %3 x %4").arg(v->width).arg(v->height).arg(v->picturesKept).arg(v->pictureBytes)
             : error;
}

} // namespace

class TestVideoParameters : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<bool>("h265");
        QTest::addColumn<QByteArray>("sps");
        QTest::addColumn<QString>("outcome");
        const auto b64 = [](const char *text) { return QByteArray::fromBase64(text); };
        const QString unreadable = "unreadable sequence parameter set";
        // tools/rtspsim: GStreamer's x264enc and x265enc at 704x576, and its 4000x3000 camera.
        QTest::newRow("x264, 704x576") << false << b64("Z0LAHtoCwEmwFKDAwNSgAAADACAAAAZR4sXU") << "704x576, 1 x 608256";
        QTest::newRow("x264, 4000x3000 cropped from 3008 rows")
            << false << b64("Z0LAPNoA+gF5+XAWoCAgKAAAAwAIAAADAFR4QCFQ") << "4000x3000, 1 x 18048000";
        // ffmpeg -f lavfi -i testsrc=size=4096x2160 -pix_fmt yuv420p -c:v libx264 -profile:v high -refs 16:
        // over 200 MB for the decoder.
        QTest::newRow("x264 high, 4096x2160 with 16 reference pictures")
            << false << b64("Z2QAPKx2EQBAAEPsBEAAAAMAQAAADIPCAQYRgA==") << "4096x2160, 16 x 13271040";
        QTest::newRow("x265, 704x576") << true
                                       << b64("QgEBAWAAAAMAkAAAAwAAAwBaoAWCAJBZbpKTC//AAEAAWoMDAwIAAAMAAgAAAwAyEA==")
                                       << "704x576, 3 x 608256";
        // ffmpeg -f lavfi -i testsrc=size=1916x1076 -pix_fmt yuv420p -c:v libx265: a conformance window
        QTest::newRow("x265, 1916x1076 cropped from 1920x1080")
            << true << b64("QgEBAWAAAAMAkAAAAwAAAwB4oAPAgBDnd5ZWaSTK8BaAgAAAAwCAAAAMhA==") << "1916x1076, 5 x 3110400";
        // Baseline sets written bit by bit: only the references and the size
        // in blocks of 16 differ (16 at 512x512, 17 at 44x36, 1 at 563x36).
        QTest::newRow("8192 a side, 16 pictures") << false << b64("Z0LAHthEAIAAEAZA") << "8192x8192, 16 x 100663296";
        QTest::newRow("17 pictures") << false << b64("Z0LAHthICwEmQA==") << "17 pictures kept by the decoder, over 16";
        QTest::newRow("9008 wide") << false << b64("Z0LAHtoAIzBJkA==")
                                   << "coded pictures of 9008x576, over 8192 a side";
        QTest::newRow("usability information cut short: size and references hold")
            << false << b64("Z0LAHtoCwEmw") << "704x576, 1 x 608256";
        QTest::newRow("cut short") << false << b64("Z0LAHtoC") << unreadable;
        QTest::newRow("a picture parameter set") << false << b64("aM48gA==") << unreadable;
        QTest::newRow("an H.264 set read as H.265")
            << true << b64("Z0LAHtoCwEmwFKDAwNSgAAADACAAAAZR4sXU") << unreadable;
    }
    void read()
    {
        QFETCH(bool, h265);
        QFETCH(QByteArray, sps);
        QTEST(outcome(h265, sps), "outcome");
    }
};

QTEST_GUILESS_MAIN(TestVideoParameters)
#include "tst_videoparameters.moc"
