#include "camctl/CameraClient.h"
#include "camctl/CameraClientPrivate.h"
#include "camctl/StreamLimits.h"

#include <QTest>

#include <condition_variable>
#include <vector>

namespace {

// A job that waits, as a camera thread does in its poll, until cancelled.
void waitForCancel(Cancellation &cancellation)
{
    std::mutex mutex;
    std::condition_variable woken;
    cancellation.setWaker([&] {
        std::lock_guard lock(mutex);
        woken.notify_all();
    });
    {
        std::unique_lock lock(mutex);
        woken.wait(lock, [&] { return cancellation.isCancelled(); });
    }
    cancellation.setWaker({});
}

} // namespace

// The owner of every camera thread.
class TestCameraClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void threadsAreBoundedAndEndWhenCancelled()
    {
        std::vector<std::unique_ptr<CameraAttempt>> attempts;
        for (int i = 0; i < StreamLimits::kMaxCameraThreads; ++i) {
            attempts.push_back(CameraClient::start(waitForCancel));
            QVERIFY(attempts.back());
        }
        QCOMPARE(CameraClientPrivate::runningThreads(), StreamLimits::kMaxCameraThreads);
        QVERIFY(!CameraClient::start(waitForCancel));
        // Dropping the handles wakes every waiting thread; the client
        // joins each once it has ended.
        attempts.clear();
        QTRY_COMPARE_WITH_TIMEOUT(CameraClientPrivate::runningThreads(), 0, 5000);
        QVERIFY(CameraClient::start([](Cancellation &) {}));
    }
};

QTEST_GUILESS_MAIN(TestCameraClient)
#include "tst_cameraclient.moc"
