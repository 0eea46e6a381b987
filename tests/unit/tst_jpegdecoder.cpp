#include "camctl/JpegDecoder.h"
#include "camctl/JpegInfo.h"
#include "camctl/StreamLimits.h"
#include "support/JpegFixture.h"

#include <QTest>

namespace {

// The same picture with its frame header claiming another size.
QByteArray withFrameSize(QByteArray jpeg, int width, int height)
{
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        if (uchar(jpeg[i]) == 0xFF && (uchar(jpeg[i + 1]) == 0xC0 || uchar(jpeg[i + 1]) == 0xC2)) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
    }
    return {};
}

} // namespace

class TestJpegDecoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frameHeader_data();
    void frameHeader();
    void scaleDenominator_data();
    void scaleDenominator();
    void decodes_data();
    void decodes();
    void sideBoundCheckedBeforeDecoding_data();
    void sideBoundCheckedBeforeDecoding();
};

void TestJpegDecoder::frameHeader_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("progressive");
    const QByteArray base = makeJpeg(64, 48);
    QTest::newRow("baseline") << base << true << QSize(64, 48) << false;
    QTest::newRow("progressive") << makeJpeg(40, 30, Qt::blue, 80, true) << true << QSize(40, 30) << true;
    // Fill bytes before a marker are legal.
    QTest::newRow("fill_bytes") << base.left(2) + "\xFF\xFF" + base.mid(2) << true << QSize(64, 48) << false;
    QTest::newRow("cut_before_frame_header") << base.left(20) << false << QSize(0, 0) << false;
    QTest::newRow("not_a_jpeg") << QByteArray("GIF89a......") << false << QSize(0, 0) << false;
    QTest::newRow("segment_length_runs_off") << QByteArray("\xFF\xD8\xFF\xE0\xFF\xFF", 6) << false << QSize(0, 0)
                                             << false;
    QTest::newRow("zero_segment_length") << QByteArray("\xFF\xD8\xFF\xE0\x00\x00\xFF\xC0", 8) << false
                                         << QSize(0, 0) << false;
}

void TestJpegDecoder::frameHeader()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(bool, valid);
    QFETCH(QSize, size);
    QFETCH(bool, progressive);
    const JpegInfo info = readJpegInfo(jpeg);
    QCOMPARE(info.valid, valid);
    if (!valid)
        return;
    QCOMPARE(QSize(info.width, info.height), size);
    QCOMPARE(info.progressive, progressive);
    QCOMPARE(info.components, 3);
}

void TestJpegDecoder::scaleDenominator_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<int>("denominator");
    const QSize cam(704, 576);
    QTest::newRow("quarter_cif_quarter") << cam << QSize(176, 144) << 4;
    QTest::newRow("exact_half") << cam << QSize(352, 288) << 2;
    QTest::newRow("just_over_half") << cam << QSize(353, 288) << 1;
    QTest::newRow("eighth") << cam << QSize(88, 72) << 8;
    QTest::newRow("tiny_target") << cam << QSize(10, 10) << 8;
    QTest::newRow("same_size") << cam << cam << 1;
    QTest::newRow("larger_target") << cam << QSize(1400, 1000) << 1;
    QTest::newRow("wide_target_keeps_width") << cam << QSize(400, 100) << 1;
    QTest::newRow("invalid_target_full_size") << cam << QSize() << 1;
    QTest::newRow("odd_source_rounds_up") << QSize(705, 577) << QSize(177, 145) << 4;
}

void TestJpegDecoder::scaleDenominator()
{
    QFETCH(QSize, source);
    QFETCH(QSize, target);
    QFETCH(int, denominator);
    QCOMPARE(TurboJpegDecoder::scaleDenominator(source, target), denominator);
}

void TestJpegDecoder::decodes_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QSize>("size");
    const QByteArray base = makeJpeg(704, 576, Qt::red, 60);
    QTest::newRow("full_size") << base << QSize() << QSize(704, 576);
    QTest::newRow("reduced_in_dct") << base << QSize(176, 144) << QSize(176, 144);
    QTest::newRow("progressive") << makeJpeg(64, 48, Qt::red, 80, true) << QSize() << QSize(64, 48);
    // Cameras cut pictures short or append junk: drawn as far as they go.
    QTest::newRow("truncated") << base.left(base.size() / 2) << QSize() << QSize(704, 576);
    QTest::newRow("no_end_marker") << base.chopped(2) << QSize() << QSize(704, 576);
    QTest::newRow("junk_after_end") << base + "trailing junk" << QSize() << QSize(704, 576);
}

void TestJpegDecoder::decodes()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(QSize, target);
    QFETCH(QSize, size);
    QString error;
    const QImage image = TurboJpegDecoder().decode(jpeg, target, &error);
    QVERIFY2(!image.isNull(), qPrintable(error));
    QCOMPARE(image.size(), size);
    // The top left corner decoded to the picture's red, not left blank.
    QVERIFY(qRed(image.pixel(0, 0)) > 200);
}

void TestJpegDecoder::sideBoundCheckedBeforeDecoding_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<bool>("refused");
    const int side = StreamLimits::kMaxImageSide;
    // The claimed size has no pixel data behind it: a refusal that names
    // the bound proves the decoder was never started.
    QTest::newRow("too_wide") << withFrameSize(makeJpeg(16, 16), side + 1, 16) << true;
    QTest::newRow("too_high") << withFrameSize(makeJpeg(16, 16), 16, side + 1) << true;
    QTest::newRow("huge_progressive") << withFrameSize(makeJpeg(16, 16, Qt::red, 80, true), 60000, 60000) << true;
    QTest::newRow("at_the_bound") << makeJpeg(side, 8) << false;
    QTest::newRow("garbage") << QByteArray("not a picture at all") << true;
}

void TestJpegDecoder::sideBoundCheckedBeforeDecoding()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(bool, refused);
    QVERIFY(!jpeg.isEmpty());
    QString error;
    const QImage image = TurboJpegDecoder().decode(jpeg, QSize(), &error);
    QCOMPARE(image.isNull(), refused);
    if (refused && readJpegInfo(jpeg).valid)
        QVERIFY2(error.contains(QStringLiteral("larger than 8192x8192")), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestJpegDecoder)
#include "tst_jpegdecoder.moc"
