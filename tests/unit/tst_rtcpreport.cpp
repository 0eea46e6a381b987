#include "camctl/RtcpReport.h"
#include "support/RtpFixture.h"

#include <QTest>

namespace {

QByteArray be32(quint32 value)
{
    return be16(int(value >> 16)) + be16(int(value & 0xFFFF));
}

// A sender report without report blocks: network time, RTP time.
QByteArray senderReport(quint32 seconds, quint32 fraction, quint32 rtpTime)
{
    return QByteArray("\x80\xC8\x00\x06", 4) + be32(0xCA11AB1E) + be32(seconds) + be32(fraction) + be32(rtpTime)
        + QByteArray(8, 0);
}

// 2026-12-08 00:00:00 UTC in network time, and in Unix microseconds.
constexpr quint32 kSeconds = 4005676800u;
constexpr qint64 kUnixUs = 1796688000LL * 1000000;

} // namespace

class TestRtcpReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wallClock_data()
    {
        QTest::addColumn<QByteArray>("compound");
        QTest::addColumn<quint32>("rtpTime");
        QTest::addColumn<qint64>("us");
        const QByteArray report = senderReport(kSeconds, 0x80000000u, 1000);
        const QByteArray receiverReport("\x81\xC9\x00\x07", 4);
        QTest::newRow("before any report") << QByteArray() << 1000u << qint64(0);
        QTest::newRow("the report's own instant") << report << 1000u << kUnixUs + 500000;
        QTest::newRow("a second later") << report << 91000u << kUnixUs + 1500000;
        QTest::newRow("after a receiver report in one compound")
            << receiverReport + be32(1) + QByteArray(24, 0) + report << 91000u << kUnixUs + 1500000;
        QTest::newRow("before the report, across the wrap")
            << senderReport(kSeconds, 0, 45000) << quint32(-45000) << kUnixUs - 1000000;
        QTest::newRow("no wall-clock time: passed over") << senderReport(0, 0, 1000) << 1000u << qint64(0);
        QTest::newRow("length past the packet") << report.chopped(4) << 1000u << qint64(0);
        // Network time's seconds wrap on 2036-02-07.
        QTest::newRow("after 2036") << senderReport(10, 0, 0) << 0u
                                    << (qint64(1) << 32) * 1000000 - 2208988800000000LL + 10000000;
    }
    void wallClock()
    {
        QFETCH(QByteArray, compound);
        QFETCH(quint32, rtpTime);
        RtcpReport report(90000);
        report.read(compound);
        QTEST(report.wallClockUs(rtpTime), "us");
    }
};

QTEST_GUILESS_MAIN(TestRtcpReport)
#include "tst_rtcpreport.moc"
