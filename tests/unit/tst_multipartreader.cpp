#include "camctl/MultipartReader.h"
#include "camctl/PartFilter.h"
#include "camctl/StreamLimits.h"
#include "support/MultipartReaderInspector.h"

#include <QTest>

using Result = MultipartReader::Result;

namespace {

// Bodies with the traps a scanner can fall into: line ends, dashes, a
// boundary prefix and a look-alike boundary.
const QByteArray J1 = QByteArrayLiteral("\xFF\xD8one\r\n--not-it\r\nmyboundar\n\r\n-\xFF\xD9");
const QByteArray J2 = QByteArrayLiteral("\xFF\xD8two\r\n--myboundaryX\r\n\xFF\xD9");
const QByteArray N1 = QByteArray::number(J1.size());
const QByteArray N2 = QByteArray::number(J2.size());

struct Outcome
{
    QList<QByteArray> bodies;
    Result last = Result::NeedMore;
    quint64 resyncs = 0;
    quint64 dropped = 0;

    bool operator==(const Outcome &) const = default;
};

Outcome run(const QByteArray &boundary, const QList<QByteArray> &chunks)
{
    MultipartReader reader(boundary);
    Outcome o;
    for (const QByteArray &chunk : chunks) {
        reader.feed(chunk);
        for (int guard = 0; guard < 1000; ++guard) {
            MultipartPart part;
            const Result r = reader.next(&part);
            if (r == Result::Part) {
                o.bodies << part.body;
                continue;
            }
            o.last = r;
            break;
        }
        if (o.last == Result::End || o.last == Result::Error)
            break;
    }
    o.resyncs = reader.resyncs();
    o.dropped = reader.droppedParts();
    return o;
}

QByteArray jpegPart(const QByteArray &body, const QByteArray &length, const char *eol = "\r\n")
{
    const QByteArray e(eol);
    QByteArray head = "Content-Type: image/jpeg" + e;
    if (!length.isNull())
        head += "Content-Length: " + length + e;
    return head + e + body;
}

} // namespace

class TestMultipartReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void variants_data();
    void variants();
    void workIsLinearInTheBytes_data();
    void workIsLinearInTheBytes();
    void boundaryParameter_data();
    void boundaryParameter();
    void headerBlockBound();
    void endlessDashesAfterPartAreBounded();
    void oversizedPartIsDroppedAndStreamGoesOn();
    void memoryStaysFlatOverLongStream();
    void endAndErrorStick();
    void pictureFilter_data();
    void pictureFilter();
    void headersTravelWithTheirPart_data();
    void headersTravelWithTheirPart();
    void headerValue_data();
    void headerValue();
    void wholePictureGoesOnBeforeNextDelimiter_data();
    void wholePictureGoesOnBeforeNextDelimiter();
};

void TestMultipartReader::variants_data()
{
    QTest::addColumn<QByteArray>("boundary");
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<QByteArray>>("bodies");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("resyncs");

    const QList<QByteArray> both{J1, J2};
    const int end = int(Result::End);
    const int more = int(Result::NeedMore);
    const int error = int(Result::Error);
    const QByteArray close = "\r\n--myboundary--\r\n";

    QTest::newRow("crlf_with_length") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1, N1) + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both
        << end << 0;
    QTest::newRow("lf_only_line_ends") << QByteArray("myboundary")
        << "--myboundary\n" + jpegPart(J1, N1, "\n") + "\n--myboundary\n" + jpegPart(J2, N2, "\n")
               + "\n--myboundary--\n" << both << end << 0;
    QTest::newRow("mixed_line_ends") << QByteArray("myboundary")
        << "--myboundary\nContent-Type: image/jpeg\r\nContent-Length: " + N1 + "\n\r\n" + J1
               + "\n--myboundary\r\nContent-Type: image/jpeg\n\n" + J2 + "\r\n--myboundary--" << both << end << 0;
    QTest::newRow("without_length") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1, {}) + "\r\n--myboundary\r\n" + jpegPart(J2, {}) + close << both
        << end << 0;
    QTest::newRow("length_too_small") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1, QByteArray::number(J1.size() - 5)) + "\r\n--myboundary\r\n"
               + jpegPart(J2, N2) + close << QList<QByteArray>{J1.chopped(5), J2} << end << 1;
    // Swallows the start of the next delimiter: the part after it is lost.
    QTest::newRow("length_too_large") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1, QByteArray::number(J1.size() + 7)) + "\r\n--myboundary\r\n"
               + jpegPart(J2, N2) + close << QList<QByteArray>{J1 + "\r\n--myb"} << end << 1;
    QTest::newRow("junk_after_length_skipped") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1, N1) + "junk\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both
        << end << 1;
    QTest::newRow("delimiter_where_headers_were_due") << QByteArray("myboundary")
        << "--myboundary\r\nContent-Type: image/jpeg\r\n--myboundary\r\n" + jpegPart(J2, N2) + close
        << QList<QByteArray>{J2} << end << 1;
    QTest::newRow("length_not_a_number") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1, "12ab") + "\r\n--myboundary\r\n" + jpegPart(J2, "-4") + close << both
        << end << 0;
    const QByteArray pastFrame = QByteArray::number(StreamLimits::kMaxFrameBytes + 1);
    QTest::newRow("length_past_the_frame_bound_searched") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1, pastFrame) + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both
        << end << 0;
    QTest::newRow("length_doubled_same") << QByteArray("myboundary")
        << "--myboundary\r\nContent-Length: " + N1 + "\r\n" + jpegPart(J1, N1) + "\r\n--myboundary\r\n"
               + jpegPart(J2, N2 + ", " + N2) + close << both << end << 0;
    QTest::newRow("length_doubled_different") << QByteArray("myboundary")
        << "--myboundary\r\nContent-Length: 3\r\n" + jpegPart(J1, N1) + "\r\n--myboundary\r\n"
               + jpegPart(J2, N2 + ", 9") + close << both << end << 0;
    QTest::newRow("header_names_any_case") << QByteArray("myboundary")
        << "--myboundary\r\nCONTENT-TYPE: image/jpeg\r\ncontent-LENGTH:" + N1 + "\r\n\r\n" + J1
               + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both << end << 0;
    // The length after the odd line still counts: the part goes on whole.
    QTest::newRow("header_line_without_colon_passed_over") << QByteArray("myboundary")
        << "--myboundary\r\nFrame 12\r\n" + jpegPart(J1, N1) << QList<QByteArray>{J1} << more << 0;
    QTest::newRow("extra_and_long_headers") << QByteArray("myboundary")
        << "--myboundary\r\nX-Ocellane-Frame: 1\r\nX-Long: " + QByteArray(12000, 'a') + "\r\n"
               + jpegPart(J1, N1) + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both << end << 0;
    QTest::newRow("boundary_with_dashes_in_header") << QByteArray("--myboundary")
        << "--myboundary\r\n" + jpegPart(J1, {}) + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both
        << end << 0;
    QTest::newRow("header_dashes_body_doubled") << QByteArray("--myboundary")
        << "----myboundary\r\n" + jpegPart(J1, {}) + "\r\n----myboundary\r\n" + jpegPart(J2, N2)
               + "\r\n----myboundary--\r\n" << both << end << 0;
    QTest::newRow("body_boundary_without_dashes") << QByteArray("myboundary")
        << "myboundary\r\n" + jpegPart(J1, {}) + "\r\nmyboundary\r\n" + jpegPart(J2, N2) + "\r\nmyboundary--\r\n"
        << both << end << 0;
    // A bare boundary is a word like any other but at a line start.
    QTest::newRow("bare_boundary_needs_a_line_start") << QByteArray("myboundary")
        << "myboundary\r\n" + jpegPart(J1, N1) + "myboundary\r\n" + jpegPart(J2, N2) + "\r\nmyboundary--\r\n"
        << QList<QByteArray>{J1} << end << 1;
    QTest::newRow("quoted_boundary") << QByteArray("\"myboundary\"")
        << "--myboundary\r\n" + jpegPart(J1, N1) + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both
        << end << 0;
    QTest::newRow("header_boundary_differs_from_body") << QByteArray("camera")
        << "--myboundary\r\n" + jpegPart(J1, {}) + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both
        << end << 0;
    const QByteArray longest(StreamLimits::kMaxBoundaryBytes, 'b');
    QTest::newRow("boundary_at_its_bound") << longest
        << "--" + longest + "\r\n" + jpegPart(J1, {}) + "\r\n--" + longest + "\r\n" + jpegPart(J2, N2) + "\r\n--"
               + longest + "--" << both << end << 0;
    QTest::newRow("declared_boundary_past_its_bound") << longest + "b"
        << "--" + longest + "b\r\n" + jpegPart(J1, N1) + "\r\n--" + longest + "b--" << QList<QByteArray>{}
        << error << 0;
    QTest::newRow("learned_boundary_past_its_bound") << QByteArray()
        << "----" + longest + "\r\n" + jpegPart(J1, N1) + "\r\n----" + longest + "--" << QList<QByteArray>{}
        << error << 0;
    QTest::newRow("boundary_learned_from_body") << QByteArray()
        << "--myboundary\r\n" + jpegPart(J1, {}) + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both
        << end << 0;
    QTest::newRow("boundary_learned_after_preamble") << QByteArray()
        << "preamble line\r\n\r\n--myboundary\r\n" + jpegPart(J1, N1) + "\r\n--myboundary\r\n" + jpegPart(J2, {})
               + close << both << end << 0;
    QTest::newRow("dash_rule_in_preamble") << QByteArray("myboundary")
        << "Stream follows\r\n--------\r\n--myboundary\r\n" + jpegPart(J1, N1) + "\r\n--myboundary\r\n"
               + jpegPart(J2, N2) + close << both << end << 0;
    QTest::newRow("preamble") << QByteArray("myboundary")
        << "This is a preamble; ignore it.\r\n\r\n--myboundary\r\n" + jpegPart(J1, N1) + "\r\n--myboundary\r\n"
               + jpegPart(J2, N2) + close << both << end << 0;
    QTest::newRow("crlf_before_first_delimiter") << QByteArray("myboundary")
        << "\r\n--myboundary\r\n" + jpegPart(J1, N1) + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both
        << end << 0;
    QTest::newRow("headerless_part") << QByteArray("myboundary")
        << "--myboundary\r\n" + J1 + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both << end << 0;
    QTest::newRow("blank_line_before_headers") << QByteArray("myboundary")
        << "--myboundary\r\n\r\n" + jpegPart(J1, {}) + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both
        << end << 0;
    QTest::newRow("padding_after_delimiter") << QByteArray("myboundary")
        << "--myboundary  \t\r\n" + jpegPart(J1, N1) + "\r\n--myboundary \r\n" + jpegPart(J2, N2) + close << both
        << end << 0;
    QTest::newRow("no_line_end_before_delimiter") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1, {}) + "--myboundary\r\n" + jpegPart(J2, N2) + "--myboundary--" << both
        << end << 0;
    QTest::newRow("blank_lines_after_length") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1, N1) + "\r\n\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both
        << end << 0;
    QTest::newRow("blank_lines_past_the_gap_bound_resync") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1, N1) + "\r\n\r\n\r\n--myboundary\r\n" + jpegPart(J2, N2) + close << both
        << end << 1;
    QTest::newRow("junk_after_jpeg_kept_in_part") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1 + "junk", {}) + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + close
        << QList<QByteArray>{J1 + "junk", J2} << end << 0;
    QTest::newRow("last_part_waits_for_delimiter") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1, {}) + "\r\n--myboundary\r\n" + jpegPart(J2, {})
        << QList<QByteArray>{J1} << more << 0;
    QTest::newRow("whole_length_part_goes_on_before_delimiter") << QByteArray("myboundary")
        << "--myboundary\r\n" + jpegPart(J1, N1) + "\r\n--myboundary\r\n" + jpegPart(J2, N2) + "\r\n"
        << both << more << 0;
    QTest::newRow("closing_delimiter_only") << QByteArray("myboundary") << QByteArray("--myboundary--\r\n")
        << QList<QByteArray>{} << end << 0;
    QTest::newRow("empty_part") << QByteArray("myboundary")
        << "--myboundary\r\nContent-Length: 0\r\n\r\n\r\n--myboundary\r\n" + jpegPart(J2, N2) + close
        << QList<QByteArray>{QByteArray(""), J2} << end << 0;
}

// Fed whole, split in two at every offset and one byte at a time, a stream
// yields the same parts, final answer and counts.
void TestMultipartReader::variants()
{
    QFETCH(QByteArray, boundary);
    QFETCH(QByteArray, stream);
    QFETCH(QList<QByteArray>, bodies);
    QFETCH(int, last);
    QFETCH(int, resyncs);

    const Outcome whole = run(boundary, {stream});
    QCOMPARE(whole.bodies, bodies);
    QCOMPARE(int(whole.last), last);
    QCOMPARE(whole.resyncs, quint64(resyncs));

    for (qsizetype cut = 1; cut < stream.size(); ++cut) {
        if (!(run(boundary, {stream.left(cut), stream.mid(cut)}) == whole))
            QFAIL(qPrintable(QStringLiteral("differs when split at %1").arg(cut)));
    }

    QList<QByteArray> bytes;
    for (char c : stream)
        bytes << QByteArray(1, c);
    QVERIFY(run(boundary, bytes) == whole);
}

// Inputs that make a naive search or a rescan from the line start cost the
// boundary's or the line's length per byte.
void TestMultipartReader::workIsLinearInTheBytes_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("readSize");
    const QByteArray dashed = QByteArray(StreamLimits::kMaxBoundaryBytes - 4, '-') + "x";  // all but one dash
    const QByteArray head = "--" + dashed + "\r\nContent-Type: text/plain\r\n\r\n";
    const QByteArray tail = "\r\n--" + dashed + "--";
    QTest::newRow("endless_dashes_before_a_dashed_boundary") << head + QByteArray(1 << 20, '-') + tail << 7;
    QByteArray nearMisses;
    while (nearMisses.size() < (1 << 20))
        nearMisses += "--" + dashed.chopped(1) + "y";
    QTest::newRow("near_misses_of_a_long_boundary") << head + nearMisses + tail << 4096;
    QTest::newRow("long_header_line_byte_by_byte")
        << "--" + dashed + "\r\nX: " + QByteArray(15000, 'h') + "\r\n\r\nbody" + tail << 1;
    QTest::newRow("long_preamble_lines_byte_by_byte")
        << QByteArray(1000, 'p') + "\r\n" + QByteArray(5000, 'q') + "\r\n" + head + "body" + tail << 1;
}

void TestMultipartReader::workIsLinearInTheBytes()
{
    QFETCH(QByteArray, stream);
    QFETCH(int, readSize);
    MultipartReader reader;
    int parts = 0;
    Result r = Result::NeedMore;
    for (qsizetype at = 0; at < stream.size() && r != Result::End; at += readSize) {
        reader.feed(QByteArrayView(stream).sliced(at, qMin<qsizetype>(readSize, stream.size() - at)));
        MultipartPart part;
        while ((r = reader.next(&part)) == Result::Part)
            ++parts;
    }
    QCOMPARE(r, Result::End);
    QCOMPARE(parts, 1);
    const quint64 steps = MultipartReaderInspector::scanSteps(reader);
    QVERIFY2(steps <= 3 * quint64(stream.size()), qPrintable(QString::number(steps)));
}

void TestMultipartReader::boundaryParameter_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("boundary");
    QTest::newRow("plain") << QByteArray("multipart/x-mixed-replace; boundary=myboundary") << QByteArray("myboundary");
    QTest::newRow("any_case_no_space") << QByteArray("multipart/x-mixed-replace;BOUNDARY=--foo") << QByteArray("--foo");
    QTest::newRow("quoted_then_more") << QByteArray("multipart/mixed; boundary=\"a b\"; charset=x")
                                      << QByteArray("\"a b\"");
    QTest::newRow("missing") << QByteArray("multipart/x-mixed-replace") << QByteArray();
}

void TestMultipartReader::boundaryParameter()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, boundary);
    QCOMPARE(MultipartReader::boundaryParameter(contentType), boundary);
}

void TestMultipartReader::headerBlockBound()
{
    const qsizetype fill = StreamLimits::kMaxPartHeaderBytes;
    // Just inside: delimiter line and headers fill the block.
    const QByteArray within = "--b\r\nX: " + QByteArray(fill - 200, 'a') + "\r\n" + jpegPart(J2, N2) + "\r\n--b--";
    QCOMPARE(run("b", {within}).bodies, QList<QByteArray>{J2});
    // One header line past the bound, never finished: an error, not growth.
    MultipartReader reader("b");
    reader.feed("--b\r\nX: ");
    MultipartPart part;
    Result r = Result::NeedMore;
    for (int i = 0; i < 64 && r == Result::NeedMore; ++i) {
        reader.feed(QByteArray(1024, 'a'));
        r = reader.next(&part);
    }
    QCOMPARE(r, Result::Error);
    QVERIFY(MultipartReaderInspector::bufferedBytes(reader) <= StreamLimits::kMaxPartHeaderBytes + 1024);
}

// Endless dashes after a part of declared length: the part went on, and
// the dashes are skipped without being kept.
void TestMultipartReader::endlessDashesAfterPartAreBounded()
{
    MultipartReader reader("b");
    reader.feed("--b\r\n" + jpegPart(J2, N2) + "\r\n");
    MultipartPart part;
    QCOMPARE(reader.next(&part), Result::Part);
    QCOMPARE(part.body, J2);
    const QByteArray dashes(64 * 1024, '-');
    qsizetype peak = 0;
    for (qsizetype sent = 0; sent <= StreamLimits::kMaxFrameBytes + 4 * dashes.size(); sent += dashes.size()) {
        reader.feed(dashes);
        QCOMPARE(reader.next(&part), Result::NeedMore);
        peak = qMax(peak, MultipartReaderInspector::bufferedBytes(reader));
    }
    QCOMPARE(reader.resyncs(), 1u);
    QCOMPARE(reader.droppedParts(), 0u);
    QVERIFY2(peak <= 2 * dashes.size(), qPrintable(QString::number(peak)));
}

void TestMultipartReader::oversizedPartIsDroppedAndStreamGoesOn()
{
    MultipartReader reader("b");
    reader.feed("--b\r\nContent-Type: image/jpeg\r\n\r\n\xFF\xD8");
    const QByteArray chunk(64 * 1024, 'x');
    MultipartPart part;
    qsizetype peak = 0;
    for (qsizetype sent = 0; sent <= StreamLimits::kMaxFrameBytes + chunk.size(); sent += chunk.size()) {
        reader.feed(chunk);
        QCOMPARE(reader.next(&part), Result::NeedMore);
        peak = qMax(peak, MultipartReaderInspector::bufferedBytes(reader));
    }
    QCOMPARE(reader.droppedParts(), 1u);
    // Still dropping: the rest of the huge part is not kept.
    for (int i = 0; i < 32; ++i) {
        reader.feed(chunk);
        QCOMPARE(reader.next(&part), Result::NeedMore);
        peak = qMax(peak, MultipartReaderInspector::bufferedBytes(reader));
    }
    QVERIFY2(peak <= StreamLimits::kMaxFrameBytes + 3 * chunk.size(), qPrintable(QString::number(peak)));
    QVERIFY(MultipartReaderInspector::bufferedBytes(reader) <= 3 * chunk.size());
    reader.feed("\r\n--b\r\n" + jpegPart(J2, N2) + "\r\n--b\r\n");
    QCOMPARE(reader.next(&part), Result::Part);
    QCOMPARE(part.body, J2);
}

void TestMultipartReader::memoryStaysFlatOverLongStream()
{
    MultipartReader reader("myboundary");
    const QByteArray body = QByteArrayLiteral("\xFF\xD8") + QByteArray(50000, 'j');
    const QByteArray part = "--myboundary\r\n" + jpegPart(body, QByteArray::number(body.size())) + "\r\n";
    MultipartPart out;
    int parts = 0;
    qsizetype peak = 0;
    for (int i = 0; i < 2000; ++i) {
        // Reads that cut parts anywhere.
        reader.feed(part.left(777));
        reader.feed(part.mid(777));
        while (reader.next(&out) == Result::Part)
            ++parts;
        peak = qMax(peak, MultipartReaderInspector::bufferedBytes(reader));
    }
    QCOMPARE(parts, 2000);
    QVERIFY2(peak < 4 * part.size() + 64 * 1024, qPrintable(QString::number(peak)));
}

void TestMultipartReader::endAndErrorStick()
{
    MultipartReader reader("b");
    reader.feed("--b--\r\n--b\r\n" + jpegPart(J2, N2) + "\r\n--b\r\n");
    MultipartPart part;
    QCOMPARE(reader.next(&part), Result::End);
    const qsizetype held = MultipartReaderInspector::bufferedBytes(reader);
    reader.feed(QByteArray(100, 'x'));
    QCOMPARE(reader.next(&part), Result::End);
    QCOMPARE(MultipartReaderInspector::bufferedBytes(reader), held);

    MultipartReader broken("b");
    broken.feed("--b " + QByteArray(StreamLimits::kMaxDelimiterLineBytes + 10, ' '));
    QCOMPARE(broken.next(&part), Result::Error);
    broken.feed(QByteArray(100, 'x'));
    QCOMPARE(broken.next(&part), Result::Error);
    QCOMPARE(MultipartReaderInspector::bufferedBytes(broken), qsizetype(0));
}

void TestMultipartReader::pictureFilter_data()
{
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("picture");
    QTest::newRow("image_jpeg") << QByteArray("image/jpeg") << J1 << true;
    QTest::newRow("image_jpg") << QByteArray("image/jpg") << J1 << true;
    QTest::newRow("jpeg_with_size_parameter") << QByteArray("image/jpeg;size=1234") << J1 << true;
    QTest::newRow("upper_case_type") << QByteArray("IMAGE/JPEG") << J1 << true;
    QTest::newRow("untyped_jpeg") << QByteArray() << J1 << true;
    QTest::newRow("untyped_other") << QByteArray() << QByteArray("hello") << false;
    QTest::newRow("audio") << QByteArray("audio/basic") << QByteArray("\xFF\xD8 sound") << false;
    QTest::newRow("text") << QByteArray("text/plain") << QByteArray("status ok") << false;
}

void TestMultipartReader::pictureFilter()
{
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, body);
    QFETCH(bool, picture);
    QCOMPARE(isJpegPart(MultipartPart{type, body, {}}), picture);
}

void TestMultipartReader::headersTravelWithTheirPart_data()
{
    QTest::addColumn<int>("readSize");
    // The header bytes are let go while the body arrives: small reads must
    // not lose them.
    QTest::newRow("one_read") << 100000;
    QTest::newRow("reads_cut_headers_and_bodies") << 7;
    QTest::newRow("byte_by_byte") << 1;
}

void TestMultipartReader::headersTravelWithTheirPart()
{
    QFETCH(int, readSize);
    const QByteArray big = QByteArrayLiteral("\xFF\xD8") + QByteArray(150000, 'j');
    const QByteArray stream = "--b\r\nX-Seq: 1\r\n" + jpegPart(J1, N1) + "\r\n--b\r\n" + "X-Seq: 2\r\n"
                              + jpegPart(big, QByteArray::number(big.size())) + "\r\n--b\r\n"
                              + "\xFF\xD8headerless\r\n--b\r\nX-Seq: 4\r\n" + jpegPart(J2, {}) + "\r\n--b--\r\n";
    MultipartReader reader("b");
    QList<MultipartPart> parts;
    Result r = Result::NeedMore;
    for (qsizetype at = 0; at < stream.size() && r != Result::End; at += readSize) {
        reader.feed(QByteArrayView(stream).sliced(at, qMin<qsizetype>(readSize, stream.size() - at)));
        MultipartPart part;
        while ((r = reader.next(&part)) == Result::Part)
            parts << part;
    }
    QCOMPARE(r, Result::End);
    QCOMPARE(parts.size(), 4);
    QCOMPARE(parts[0].headers, "X-Seq: 1\r\nContent-Type: image/jpeg\r\nContent-Length: " + N1 + "\r\n");
    QCOMPARE(MultipartReader::headerValue(parts[1].headers, "x-seq"), QByteArray("2"));
    QCOMPARE(parts[1].body, big);
    QVERIFY(parts[2].headers.isEmpty());
    QCOMPARE(MultipartReader::headerValue(parts[3].headers, "X-Seq"), QByteArray("4"));
}

void TestMultipartReader::headerValue_data()
{
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");
    const QByteArray block = "Content-Type: image/jpeg\r\nX-Send-Time:  1765000000123456 \r\nX-Url: http://a:8/b\r\n"
                             "X-Twice: first\r\nx-twice: second\r\nX-Empty:\r\n";
    QTest::newRow("any_case_trimmed") << block << QByteArray("x-send-time") << QByteArray("1765000000123456");
    QTest::newRow("value_keeps_its_colons") << block << QByteArray("X-Url") << QByteArray("http://a:8/b");
    QTest::newRow("first_of_repeated") << block << QByteArray("X-Twice") << QByteArray("first");
    QTest::newRow("prefix_of_a_name_is_not_it") << block << QByteArray("X-Send") << QByteArray();
    QTest::newRow("absent") << block << QByteArray("Content-Length") << QByteArray();
    QTest::newRow("empty_value") << block << QByteArray("X-Empty") << QByteArray();
    QTest::newRow("lf_only_last_line_unended") << QByteArray("A: 1\nB: 2") << QByteArray("B") << QByteArray("2");
    QTest::newRow("line_without_colon_skipped") << QByteArray("garbage\r\nA: 1\r\n") << QByteArray("A")
                                                << QByteArray("1");
    QTest::newRow("no_headers") << QByteArray() << QByteArray("A") << QByteArray();
}

void TestMultipartReader::headerValue()
{
    QFETCH(QByteArray, headers);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);
    QCOMPARE(MultipartReader::headerValue(headers, name), value);
}

// Cameras write each part's delimiter in front of it, so the delimiter
// that ends a picture comes a frame interval later.
void TestMultipartReader::wholePictureGoesOnBeforeNextDelimiter_data()
{
    QTest::addColumn<QByteArray>("first");   // fed first
    QTest::addColumn<QByteArray>("second");  // fed next
    QTest::addColumn<QList<QByteArray>>("afterFirst");
    QTest::addColumn<QList<QByteArray>>("afterSecond");
    const QByteArray next = "--b\r\n" + jpegPart(J1, N1) + "\r\n--b--\r\n";
    QTest::newRow("whole_by_length_and_end_marker")
        << "--b\r\n" + jpegPart(J2, N2) + "\r\n" << next << QList<QByteArray>{J2} << QList<QByteArray>{J1};
    // Whole by its length is enough: the reader knows nothing of pictures.
    const QByteArray padded = J2 + "pad";
    QTest::newRow("whole_by_length_without_end_marker")
        << "--b\r\n" + jpegPart(padded, QByteArray::number(padded.size())) << next << QList<QByteArray>{padded}
        << QList<QByteArray>{J1};
    QTest::newRow("without_length_waits_for_delimiter")
        << "--b\r\n" + jpegPart(J2, {}) << next << QList<QByteArray>{} << QList<QByteArray>{J2, J1};
    // A length short of the real end that lands on an inner end marker:
    // what went on is cut there, and the rest is not taken for a picture.
    const QByteArray inner = QByteArrayLiteral("\xFF\xD8thumb\xFF\xD9");
    QTest::newRow("wrong_length_on_inner_end_marker")
        << "--b\r\n" + jpegPart(inner, QByteArray::number(inner.size())) << "rest\xFF\xD9\r\n" + next
        << QList<QByteArray>{inner} << QList<QByteArray>{J1};
}

void TestMultipartReader::wholePictureGoesOnBeforeNextDelimiter()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QList<QByteArray>, afterFirst);
    QFETCH(QList<QByteArray>, afterSecond);
    MultipartReader reader("b");
    auto take = [&reader](const QByteArray &bytes, Result *last) {
        reader.feed(bytes);
        QList<QByteArray> bodies;
        MultipartPart part;
        for (int guard = 0; guard < 16 && (*last = reader.next(&part)) == Result::Part; ++guard)
            bodies << part.body;
        return bodies;
    };
    Result last = Result::NeedMore;
    QCOMPARE(take(first, &last), afterFirst);
    QCOMPARE(last, Result::NeedMore);
    QCOMPARE(take(second, &last), afterSecond);
    QCOMPARE(last, Result::End);
}

QTEST_GUILESS_MAIN(TestMultipartReader)
#include "tst_multipartreader.moc"
