#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// How a camera attempt learns that it is cancelled, and how whatever it
// waits in is woken when it is. Shared by the attempt's thread and the
// handle that cancels it.
class Cancellation
{
public:
    bool isCancelled() const { return m_cancelled.load(std::memory_order_acquire); }
    // Any thread, any number of times; the waker runs at the first.
    void cancel();
    // From the attempt's thread: what wakes it while it waits (curl's poll).
    // Runs at once when the attempt is already cancelled. Set it empty
    // before what the waker wakes is destroyed.
    void setWaker(std::function<void()> waker);

private:
    std::mutex m_mutex;  // held to set the waker and to run it, never longer
    std::atomic<bool> m_cancelled{false};
    std::function<void()> m_waker;
};

// A running camera attempt. Destroying it cancels it; nothing waits.
class CameraAttempt
{
public:
    explicit CameraAttempt(std::shared_ptr<Cancellation> cancellation);
    ~CameraAttempt();
    CameraAttempt(const CameraAttempt &) = delete;
    CameraAttempt &operator=(const CameraAttempt &) = delete;

private:
    std::shared_ptr<Cancellation> m_cancellation;
};

// The camera client's threads. Every camera attempt (a stream, a still
// picture, a snapshot; HTTP or RTSP) runs on a thread of its own, which
// connects, reads, splits and decodes there and hands its pictures to the
// UI thread. The client owns those threads: it joins each once its attempt
// has ended (at the next start, never waiting for one still working), and
// at the process's exit cancels those still running and joins them; every
// wait an attempt makes is woken by its cancellation within a poll turn.
// It also sets up, once, the libraries those threads use, so that they
// outlive every thread.
namespace CameraClient {

// Runs job on a thread of its own. Null when no thread can be started (the
// system refuses, or StreamLimits::kMaxCameraThreads are running): the
// caller reports that as the attempt's failure.
std::unique_ptr<CameraAttempt> start(std::function<void(Cancellation &)> job);

} // namespace CameraClient
