#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace zuvo {

class CMainWindow;

// The way back to the main window for the workers of one sign-in (the connection threads, the
// balance and the call authorisation): its cancel token, and results handed to the window's thread
// as calls queued on the window's message port. Once the sign-in is cancelled (sign-out, a new
// sign-in, close) or the window is gone, results are dropped, also those already queued. Workers
// hold this object (always by shared_ptr), never the window; it outlives the window when it must.
class WorkerReturn : public std::enable_shared_from_this<WorkerReturn> {
public:
    explicit WorkerReturn(CMainWindow* window) : m_window(window) {}
    WorkerReturn(const WorkerReturn&) = delete;
    WorkerReturn& operator=(const WorkerReturn&) = delete;

    // Main thread: ends the run. Nothing more reaches the window, and workers that poll the token
    // stop.
    void Cancel();
    bool Cancelled() const { return m_cancel.load(); }
    // The token, for loops and requests that poll it.
    const std::atomic_bool& token() const { return m_cancel; }

    // Any thread: runs fn on the window's thread, unless the run is cancelled or the window gone
    // by then.
    void Post(std::function<void(CMainWindow&)> fn);

private:
    std::mutex m_mutex;
    CMainWindow* m_window;
    std::atomic_bool m_cancel{false};
};

}  // namespace zuvo
