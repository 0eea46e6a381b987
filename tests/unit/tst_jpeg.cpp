#include "camctl/Jpeg.h"
#include "camctl/StreamLimits.h"
#include "support/JpegFixture.h"
#include "support/LibjpegFixture.h"

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

// After the start marker: four stray bytes, then an APP1 segment holding a
// frame header. libjpeg skips the stray bytes one by one and the segment by
// its length; a reader taking "FF 00" for a marker with a length lands
// inside the segment and reads the decoy there.
QByteArray withDecoyFrameHeader(const QByteArray &jpeg, int width, int height)
{
    QByteArray decoy("\xFF\x00\x00\x04\xFF\xE1\x00\x15", 8);
    decoy += QByteArray("\xFF\xC0\x00\x11\x08", 5) + char(height >> 8) + char(height & 0xFF) + char(width >> 8)
             + char(width & 0xFF) + QByteArray("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10);
    return jpeg.left(2) + decoy + jpeg.mid(2);
}

// A progressive picture whose last scan is sent again until it has scans
// in all; libjpeg decodes the repeats with a warning each.
QByteArray withScans(const QByteArray &progressive, int scans)
{
    const qsizetype last = progressive.lastIndexOf(QByteArray("\xFF\xDA", 2));
    const QByteArray lastScan = progressive.mid(last, progressive.size() - 2 - last);
    QByteArray out = progressive.chopped(2);
    for (int n = int(progressive.count(QByteArray("\xFF\xDA", 2))); n < scans; ++n)
        out += lastScan;
    return out + "\xFF\xD9";
}

// A sequential picture written one component per scan: libjpeg holds all
// of its coefficients, as it does a progressive one's.
QByteArray scanPerComponent(int width, int height)
{
    static const jpeg_scan_info scans[3] = {{1, {0}, 0, 63, 0, 0}, {1, {1}, 0, 63, 0, 0}, {1, {2}, 0, 63, 0, 0}};
    return compressWithLibjpeg(
        width, height,
        [](jpeg_compress_struct &c) {
            c.scan_info = scans;
            c.num_scans = 3;
        },
        [](QByteArray &row, int) { row.fill(char(200)); });
}

// The first scan's first component reads Huffman tables 3, never defined:
// a fatal error before any row is written.
QByteArray withUndefinedTables(QByteArray jpeg)
{
    const qsizetype sos = jpeg.indexOf(QByteArray("\xFF\xDA", 2));
    jpeg[sos + 6] = char(0x33);
    return jpeg;
}

} // namespace

class TestJpeg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void header_data();
    void header();
    void scaleDenominator_data();
    void scaleDenominator();
    void decodes_data();
    void decodes();
    void budgetCheckedBeforeDecoding_data();
    void budgetCheckedBeforeDecoding();
    void errorGivesNoPicture_data();
    void errorGivesNoPicture();
};

void TestJpeg::header_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("multiScan");
    const QByteArray base = makeJpeg(64, 48);
    QTest::newRow("baseline") << base << true << QSize(64, 48) << false;
    QTest::newRow("progressive") << makeJpeg(40, 30, Qt::blue, 80, true) << true << QSize(40, 30) << true;
    QTest::newRow("scan_per_component") << scanPerComponent(24, 16) << true << QSize(24, 16) << true;
    // Fill bytes before a marker are legal.
    QTest::newRow("fill_bytes") << base.left(2) + "\xFF\xFF" + base.mid(2) << true << QSize(64, 48) << false;
    QTest::newRow("decoy_frame_header_is_not_read") << withDecoyFrameHeader(base, 8, 8) << true << QSize(64, 48)
                                                    << false;
    QTest::newRow("cut_before_frame_header") << base.left(20) << false << QSize(0, 0) << false;
    QTest::newRow("not_a_jpeg") << QByteArray("GIF89a......") << false << QSize(0, 0) << false;
    QTest::newRow("segment_length_runs_off") << QByteArray("\xFF\xD8\xFF\xE0\xFF\xFF", 6) << false << QSize(0, 0)
                                             << false;
    QTest::newRow("zero_segment_length") << QByteArray("\xFF\xD8\xFF\xE0\x00\x00\xFF\xC0", 8) << false
                                         << QSize(0, 0) << false;
}

void TestJpeg::header()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(bool, valid);
    QFETCH(QSize, size);
    QFETCH(bool, multiScan);
    const Jpeg::Header h = Jpeg::readHeader(jpeg);
    QCOMPARE(h.valid, valid);
    if (!valid)
        return;
    QCOMPARE(QSize(h.width, h.height), size);
    QCOMPARE(h.multiScan, multiScan);
    QCOMPARE(h.scanBufferBytes > 0, multiScan);
}

void TestJpeg::scaleDenominator_data()
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

void TestJpeg::scaleDenominator()
{
    QFETCH(QSize, source);
    QFETCH(QSize, target);
    QFETCH(int, denominator);
    QCOMPARE(Jpeg::scaleDenominator(source, target), denominator);
}

void TestJpeg::decodes_data()
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
    // Covering 64 x 64 would take the whole 2048 x 120: reduced until the
    // output is within six times the drawn area.
    QTest::newRow("odd_shape_reduced_further") << makeJpeg(2048, 120) << QSize(64, 64) << QSize(512, 30);
    // Fisheye and panoramic cameras, in a cell of the nine-camera window.
    QTest::newRow("twelve_megapixels_in_a_cell") << makeJpeg(4000, 3000) << QSize(174, 142) << QSize(500, 375);
    QTest::newRow("fisheye_in_a_cell") << makeJpeg(2992, 2992) << QSize(174, 142) << QSize(374, 374);
}

void TestJpeg::decodes()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(QSize, target);
    QFETCH(QSize, size);
    QString error;
    const QImage image = Jpeg::decode(jpeg, target, &error);
    QVERIFY2(!image.isNull(), qPrintable(error));
    QCOMPARE(image.size(), size);
    // The top left corner decoded to the picture's red, not left blank.
    QVERIFY(qRed(image.pixel(0, 0)) > 200);
}

void TestJpeg::budgetCheckedBeforeDecoding_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<QString>("refusal");  // part of the error; empty: decoded
    const int side = StreamLimits::kMaxImageSide;
    const QString tooLarge = QStringLiteral("larger than 8192x8192");
    const QString scanBuffer = QStringLiteral("in several scans");
    const QByteArray progressive = makeJpeg(64, 48, Qt::red, 80, true);
    // The claimed size has no pixel data behind it: a refusal that names
    // the bound proves the decoder was never started.
    QTest::newRow("too_wide") << withFrameSize(makeJpeg(16, 16), side + 1, 16) << tooLarge;
    QTest::newRow("too_high") << withFrameSize(makeJpeg(16, 16), 16, side + 1) << tooLarge;
    QTest::newRow("at_the_side_bound") << makeJpeg(side, 8) << QString();
    QTest::newRow("huge_progressive") << withFrameSize(makeJpeg(16, 16, Qt::red, 80, true), 60000, 60000)
                                      << tooLarge;
    // The decoy says 8192 x 8192; libjpeg would decode the real header's.
    QTest::newRow("decoy_frame_header")
        << withDecoyFrameHeader(withFrameSize(makeJpeg(16, 16), 65500, 65500), side, side) << tooLarge;
    // No pixel cap: what a picture costs goes to the memory budget.
    QTest::newRow("twelve_megapixels_within_the_sides") << withFrameSize(makeJpeg(16, 16), 4000, 3000) << QString();
    QTest::newRow("progressive_4k_over_scan_buffer")
        << withFrameSize(makeJpeg(16, 16, Qt::red, 80, true), 4096, 2160) << scanBuffer;
    QTest::newRow("scan_per_component_over_scan_buffer") << withFrameSize(scanPerComponent(16, 16), 4096, 2160)
                                                         << scanBuffer;
    QTest::newRow("progressive_1080p_in_budget") << makeJpeg(1920, 1080, Qt::red, 80, true) << QString();
    QTest::newRow("scans_at_the_bound") << withScans(progressive, StreamLimits::kMaxScans) << QString();
    QTest::newRow("too_many_scans") << withScans(progressive, StreamLimits::kMaxScans + 1)
                                    << QStringLiteral("more than 64 scans");
}

void TestJpeg::budgetCheckedBeforeDecoding()
{
    QFETCH(QByteArray, jpeg);
    QFETCH(QString, refusal);
    QVERIFY(!jpeg.isEmpty());
    QString error;
    const QImage image = Jpeg::decode(jpeg, QSize(), &error);
    QCOMPARE(image.isNull(), !refusal.isEmpty());
    QVERIFY2(error.contains(refusal), qPrintable(error));
}

void TestJpeg::errorGivesNoPicture_data()
{
    QTest::addColumn<QByteArray>("jpeg");
    const QByteArray base = makeJpeg(64, 48);
    QTest::newRow("garbage") << QByteArray("not a picture at all");
    QTest::newRow("fatal_error") << withUndefinedTables(base);
    // TurboJPEG 2.1 reports an error after a warning as a warning: the
    // picture, never written, must not be shown as one.
    QTest::newRow("warning_then_fatal_error")
        << withUndefinedTables(base.left(2) + QByteArray("\x00\x00", 2) + base.mid(2));
}

void TestJpeg::errorGivesNoPicture()
{
    QFETCH(QByteArray, jpeg);
    QString error;
    const QImage image = Jpeg::decode(jpeg, QSize(), &error);
    QVERIFY(image.isNull());
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestJpeg)
#include "tst_jpeg.moc"
