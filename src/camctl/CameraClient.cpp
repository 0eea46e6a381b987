#include "camctl/CameraClient.h"

#include "camctl/CameraClientPrivate.h"
#include "camctl/FfmpegLog.h"
#include "camctl/StreamLimits.h"

#include <curl/curl.h>

#include <system_error>
#include <thread>
#include <vector>

#ifdef __linux__
#include <pthread.h>
#endif

extern "C" {
#include <libavutil/mem.h>
}

void Cancellation::cancel()
{
    std::lock_guard lock(m_mutex);
    if (m_cancelled.exchange(true, std::memory_order_acq_rel))
        return;
    if (m_waker)
        m_waker();
}

void Cancellation::setWaker(std::function<void()> waker)
{
    std::lock_guard lock(m_mutex);
    m_waker = std::move(waker);
    if (m_waker && isCancelled())
        m_waker();
}

CameraAttempt::CameraAttempt(std::shared_ptr<Cancellation> cancellation)
    : m_cancellation(std::move(cancellation))
{
}

CameraAttempt::~CameraAttempt()
{
    m_cancellation->cancel();
}

namespace {

struct Running
{
    std::thread thread;
    std::shared_ptr<Cancellation> cancellation;
    // Set once the job and everything it held are gone: joining is then
    // only the thread's own exit.
    std::shared_ptr<std::atomic<bool>> finished;
};

class Threads
{
public:
    Threads()
    {
        // Before any camera thread: these outlive every one of them, since
        // statics are destroyed in the reverse order of their making.
        curl_global_init(CURL_GLOBAL_DEFAULT);
        FfmpegLog::install();
        av_max_alloc(StreamLimits::kMaxAvAllocationBytes);
    }

    ~Threads()
    {
        std::vector<Running> all;
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
            all.swap(m_running);
        }
        for (Running &r : all)
            r.cancellation->cancel();
        for (Running &r : all)
            r.thread.join();
        curl_global_cleanup();
    }

    std::unique_ptr<CameraAttempt> start(std::function<void(Cancellation &)> job)
    {
        std::vector<Running> ended;
        std::unique_ptr<CameraAttempt> attempt;
        {
            std::lock_guard lock(m_mutex);
            takeEnded(&ended);
            if (!m_closing && m_running.size() < size_t(StreamLimits::kMaxCameraThreads))
                attempt = launch(std::move(job));
        }
        for (Running &r : ended)
            r.thread.join();
        return attempt;
    }

    int running()
    {
        std::vector<Running> ended;
        int count = 0;
        {
            std::lock_guard lock(m_mutex);
            takeEnded(&ended);
            count = int(m_running.size());
        }
        for (Running &r : ended)
            r.thread.join();
        return count;
    }

private:
    void takeEnded(std::vector<Running> *ended)
    {
        for (auto it = m_running.begin(); it != m_running.end();) {
            if (it->finished->load(std::memory_order_acquire)) {
                ended->push_back(std::move(*it));
                it = m_running.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::unique_ptr<CameraAttempt> launch(std::function<void(Cancellation &)> job)
    {
        auto cancellation = std::make_shared<Cancellation>();
        auto finished = std::make_shared<std::atomic<bool>>(false);
        auto work = std::make_unique<std::function<void(Cancellation &)>>(std::move(job));
        try {
            std::thread thread([work = std::move(work), cancellation, finished]() mutable {
#ifdef __linux__
                // So that top -H, perf and the benchmarks tell camera threads apart.
                pthread_setname_np(pthread_self(), "camera");
#endif
                (*work)(*cancellation);
                work.reset();
                finished->store(true, std::memory_order_release);
            });
            m_running.push_back({std::move(thread), cancellation, finished});
        } catch (const std::system_error &) {
            return nullptr;
        }
        return std::make_unique<CameraAttempt>(std::move(cancellation));
    }

    std::mutex m_mutex;
    std::vector<Running> m_running;
    bool m_closing = false;
};

Threads &threads()
{
    static Threads instance;
    return instance;
}

} // namespace

namespace CameraClient {

std::unique_ptr<CameraAttempt> start(std::function<void(Cancellation &)> job)
{
    return threads().start(std::move(job));
}

} // namespace CameraClient

int CameraClientPrivate::runningThreads()
{
    return threads().running();
}
