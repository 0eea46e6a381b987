#include "camctl/PictureSink.h"

#include <QTest>

#include <atomic>

namespace {

Picture picture(int width)
{
    return Picture{QImage(width, 1, QImage::Format_RGB32), QByteArray::number(width), 0};
}

} // namespace

// The one path pictures take from a camera's thread to its control.
class TestPictureSink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void busyTakerGetsOnlyTheNewestPicture()
    {
        std::atomic<int> notified = 0;
        auto sink = std::make_shared<PictureSink>([&] { ++notified; });
        sink->begin(1);
        const PictureSink::Inlet inlet(sink, 1);
        for (int width = 1; width <= 10; ++width)
            inlet.offer(picture(width));
        inlet.end(SourceEnd{false, QStringLiteral("gone")});
        // One call on its way carries all of it, the newest picture first.
        QCOMPARE(notified.load(), 1);
        const SinkMail mail = sink->take();
        QCOMPARE(mail.picture->image.width(), 10);
        QCOMPARE(mail.picture->jpeg, QByteArray("10"));
        QCOMPARE(mail.end->reason, QStringLiteral("gone"));
        QCOMPARE(sink->counters().replaced, 9u);
        inlet.offer(picture(11));
        QCOMPARE(notified.load(), 2);
    }

    void olderAttemptsAreNotHeard_data()
    {
        QTest::addColumn<quint64>("current");
        QTest::newRow("a_newer_attempt_began") << quint64(2);
        QTest::newRow("stopped") << quint64(0);
    }
    void olderAttemptsAreNotHeard()
    {
        QFETCH(quint64, current);
        std::atomic<int> notified = 0;
        auto sink = std::make_shared<PictureSink>([&] { ++notified; });
        sink->begin(1);
        const PictureSink::Inlet old(sink, 1);
        old.offer(picture(1));
        // Taken away by the new beginning, unshown.
        sink->begin(current);
        QVERIFY(!sink->take().picture);
        QCOMPARE(sink->counters().replaced, 1u);
        old.offer(picture(2));
        old.describe(QStringLiteral("h264 1x1"));
        old.end(SourceEnd{});
        QVERIFY(!old.current());
        const SinkMail mail = sink->take();
        QVERIFY(!mail.picture && !mail.end && mail.source.isEmpty());
        QCOMPARE(notified.load(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPictureSink)
#include "tst_picturesink.moc"
