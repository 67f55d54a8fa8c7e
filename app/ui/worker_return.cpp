#include "app/ui/worker_return.h"

#include <QLoggingCategory>

#include "app/ui/main_window.h"
#include "platform/message_port.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

void WorkerReturn::Cancel() {
    std::lock_guard lock(m_mutex);
    m_cancel.store(true);
    m_window = nullptr;
}

void WorkerReturn::Post(std::function<void(CMainWindow&)> fn) {
    // Held while queueing, so Cancel (which the window runs before it goes) cannot slip between
    // the check and the call that names the window.
    std::lock_guard lock(m_mutex);
    if (m_window == nullptr || m_cancel.load()) {
        qCDebug(lcWindow) << "a worker's result came after its sign-in ended; dropped";
        return;
    }
    // Through the window's port, which goes with the window: a call still queued then is dropped.
    CMainWindow* window = m_window;
    window->port().PostCall([window, self = shared_from_this(), fn = std::move(fn)] {
        // On the main thread, where Cancel runs: the token read here is final.
        if (!self->Cancelled()) {
            fn(*window);
        }
    });
}

}  // namespace zuvo
