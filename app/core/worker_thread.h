#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace zuvo {

// A thread for one piece of work, which its owner can wait for with a time limit. A wait that
// sees the work done joins the thread, so nothing of it outlives the wait: not the work, and not
// the thread's own clean-up at its end (thread-local data, Qt's record of the thread), which a
// QThread's wait does not wait for. A thread still running when its owner goes (stuck in a system
// call) is left to the process's end.
class WorkerThread {
public:
    explicit WorkerThread(std::function<void()> work);
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Whether the work has returned.
    bool IsFinished() const;
    // Waits up to milliseconds for the work to return; then joins the thread. True when it did.
    bool Wait(int milliseconds);

private:
    struct State {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
    std::thread m_thread;
};

}  // namespace zuvo
