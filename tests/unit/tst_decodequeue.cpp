#include "camctl/DecodeQueue.h"
#include "camctl/JpegDecoder.h"
#include "support/JpegFixture.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QThread>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <atomic>

namespace {

const QByteArray kFrame = makeJpeg(32, 24);

// A decoder that holds each decode until the test opens the gate.
class GateDecoder : public JpegDecoder
{
public:
    QImage decode(const QByteArray &jpeg, QSize target, QString *error) override
    {
        ++entered;
        gate.acquire();
        const QImage image = TurboJpegDecoder().decode(jpeg, target, error);
        ++finished;
        return image;
    }
    std::atomic<int> entered = 0;
    std::atomic<int> finished = 0;
    QSemaphore gate;
};

} // namespace

class TestDecodeQueue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void slowDecoderHoldsAtMostOneWaitingFrame();
    void oneCameraSlowOthersGoOn();
    void failureIsReportedWithItsTag();
    void queueMayDieDuringDecode();
    void clearedFrameIsNotDecoded();
    void busyReceiverGetsOnlyTheNewestPicture();
};

void TestDecodeQueue::slowDecoderHoldsAtMostOneWaitingFrame()
{
    auto decoder = std::make_shared<GateDecoder>();
    const auto open = qScopeGuard([decoder] { decoder->gate.release(1000); });
    DecodeQueue queue(decoder);
    QSignalSpy decoded(&queue, &DecodeQueue::decoded);
    queue.submit(kFrame, QSize(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(decoder->entered.load(), 1, 5000);
    for (quint64 tag = 2; tag <= 50; ++tag) {
        queue.submit(kFrame, QSize(), tag);
        QCOMPARE(queue.waitingCount(), 1);
    }
    QCOMPARE(queue.replacedCount(), 48u);
    decoder->gate.release(1000);
    QTRY_VERIFY_WITH_TIMEOUT(!decoded.isEmpty() && decoded.last().at(2).toULongLong() == 50u, 5000);
    // The one being decoded (unless the newest replaced it before this
    // thread took it), then the newest; nothing in between.
    QVERIFY(decoded.size() <= 2);
    QCOMPARE(decoded.first().at(2).toULongLong(), decoded.size() == 2 ? 1u : 50u);
    QCOMPARE(decoder->entered.load(), 2);
    QCOMPARE(queue.waitingCount(), 0);
}

void TestDecodeQueue::oneCameraSlowOthersGoOn()
{
    auto slow = std::make_shared<GateDecoder>();
    const auto open = qScopeGuard([slow] { slow->gate.release(1000); });
    std::vector<std::unique_ptr<DecodeQueue>> stuck;
    // More stuck cameras than the machine has cores.
    for (int i = 0; i < 13; ++i) {
        stuck.push_back(std::make_unique<DecodeQueue>(slow));
        stuck.back()->submit(kFrame, QSize(), 1);
    }
    QTRY_COMPARE_WITH_TIMEOUT(slow->entered.load(), 13, 5000);
    DecodeQueue healthy(std::make_shared<TurboJpegDecoder>());
    QSignalSpy decoded(&healthy, &DecodeQueue::decoded);
    healthy.submit(kFrame, QSize(16, 12), 7);
    QVERIFY(decoded.wait(5000));
    QCOMPARE(decoded.first().at(0).value<QImage>().size(), QSize(16, 12));
}

void TestDecodeQueue::failureIsReportedWithItsTag()
{
    DecodeQueue queue(std::make_shared<TurboJpegDecoder>());
    QSignalSpy failed(&queue, &DecodeQueue::failed);
    queue.submit("not a jpeg", QSize(), 9);
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.first().at(1).toULongLong(), 9u);
    QVERIFY(!failed.first().at(0).toString().isEmpty());
}

void TestDecodeQueue::queueMayDieDuringDecode()
{
    auto decoder = std::make_shared<GateDecoder>();
    const auto open = qScopeGuard([decoder] { decoder->gate.release(1000); });
    auto queue = std::make_unique<DecodeQueue>(decoder);
    queue->submit(kFrame, QSize(), 1);
    queue->submit(kFrame, QSize(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(decoder->entered.load(), 1, 5000);
    queue.reset();
    decoder->gate.release(1000);
    // The decode ends and posts nowhere; the test would crash otherwise.
    QTRY_COMPARE_WITH_TIMEOUT(decoder->finished.load(), 1, 5000);
    QCoreApplication::processEvents();
}

void TestDecodeQueue::clearedFrameIsNotDecoded()
{
    auto decoder = std::make_shared<GateDecoder>();
    const auto open = qScopeGuard([decoder] { decoder->gate.release(1000); });
    DecodeQueue queue(decoder);
    QSignalSpy decoded(&queue, &DecodeQueue::decoded);
    queue.submit(kFrame, QSize(), 1);
    queue.submit(kFrame, QSize(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(decoder->entered.load(), 1, 5000);
    queue.clearWaiting();
    QCOMPARE(queue.waitingCount(), 0);
    decoder->gate.release(1);
    QVERIFY(decoded.wait(5000));
    queue.submit(kFrame, QSize(), 3);
    decoder->gate.release(1000);
    QTRY_COMPARE_WITH_TIMEOUT(decoded.size(), 2, 5000);
    QCOMPARE(decoded.at(1).at(2).toULongLong(), 3u);
    QCOMPARE(decoder->entered.load(), 2);
}

QTEST_GUILESS_MAIN(TestDecodeQueue)
#include "tst_decodequeue.moc"

void TestDecodeQueue::busyReceiverGetsOnlyTheNewestPicture()
{
    auto decoder = std::make_shared<GateDecoder>();
    const auto open = qScopeGuard([decoder] { decoder->gate.release(1000); });
    DecodeQueue queue(decoder);
    QSignalSpy decoded(&queue, &DecodeQueue::decoded);
    // This thread runs no event loop while pictures 1 to 10 are decoded;
    // the decoder starting on picture n means picture n - 1 is done.
    queue.submit(kFrame, QSize(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(decoder->entered.load(), 1, 5000);
    for (int tag = 2; tag <= 11; ++tag) {
        queue.submit(kFrame, QSize(), quint64(tag));
        decoder->gate.release();
        QElapsedTimer clock;
        clock.start();
        while (decoder->entered < tag && clock.elapsed() < 5000)
            QThread::yieldCurrentThread();
    }
    QTRY_COMPARE_WITH_TIMEOUT(decoded.size(), 1, 5000);
    QCOMPARE(decoded.first().at(2).toULongLong(), 10u);
}
