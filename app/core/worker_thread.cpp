#include "app/core/worker_thread.h"

#include <QLoggingCategory>

#include <chrono>
#include <system_error>

Q_LOGGING_CATEGORY(lcWorker, "zuvo.worker", QtWarningMsg)

namespace zuvo {

WorkerThread::WorkerThread(std::function<void()> work) {
    // The thread holds the state too, so a thread left behind never touches a freed one.
    auto run = [state = m_state, work = std::move(work)] {
        work();
        const std::lock_guard lock(state->mutex);
        state->finished = true;
        state->done.notify_all();
    };
    try {
        m_thread = std::thread(run);
    } catch (const std::system_error& error) {
        // Late is better than never: the work's own cancel and time limits still hold.
        qCWarning(lcWorker) << "no thread for the work, running it here:" << error.what();
        run();
    }
}

WorkerThread::~WorkerThread() {
    if (!m_thread.joinable()) {
        return;
    }
    if (IsFinished()) {
        m_thread.join();
    } else {
        m_thread.detach();
    }
}

bool WorkerThread::IsFinished() const {
    const std::lock_guard lock(m_state->mutex);
    return m_state->finished;
}

bool WorkerThread::Wait(int milliseconds) {
    {
        std::unique_lock lock(m_state->mutex);
        if (!m_state->done.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                    [this] { return m_state->finished; })) {
            return false;
        }
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    return true;
}

}  // namespace zuvo
