#include "app/ui/proxy_prompt.h"

#include <QDialog>
#include <QLoggingCategory>

#include "app/ui/main_window.h"
#include "app/ui/worker_return.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

namespace {

// How often a waiting worker looks at its cancel token.
constexpr std::chrono::milliseconds kCancelPoll{100};

}  // namespace

void ProxyPromptAnswer::Give(bool confirmed, const QString& user, const QString& password) {
    {
        std::lock_guard lock(m_mutex);
        if (m_done) {
            return;
        }
        m_done = true;
        m_confirmed = confirmed;
        m_user = user;
        m_password = password;
    }
    m_answered.notify_all();
}

bool ProxyPromptAnswer::Wait(const std::atomic_bool& cancel, std::chrono::milliseconds timeout,
                             QString& user, QString& password) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(m_mutex);
    while (!m_done) {
        if (cancel.load() || std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        m_answered.wait_for(lock, kCancelPoll);
    }
    if (m_confirmed) {
        user = m_user;
        password = m_password;
    }
    return m_confirmed;
}

WindowProxyPrompt::WindowProxyPrompt(std::shared_ptr<WorkerReturn> way,
                                     std::chrono::milliseconds timeout)
    : m_return(std::move(way)), m_timeout(timeout) {}

bool WindowProxyPrompt::PromptProxyCredentials(const QString& proxy, QString& user,
                                               QString& password) {
    std::lock_guard oneAtATime(m_oneAtATime);
    if (m_return->Cancelled()) {
        return false;
    }
    auto answer = std::make_shared<ProxyPromptAnswer>();
    m_return->Post([answer, proxy](CMainWindow& w) { w.AskProxyCredentials(proxy, answer); });
    if (answer->Wait(m_return->token(), m_timeout, user, password)) {
        return true;
    }
    // Nobody answered in time (or the sign-in ended): the dialog, if still open, goes too.
    qCDebug(lcWindow) << "the proxy's question went unanswered";
    m_return->Post([answer](CMainWindow&) {
        if (answer->dialog) {
            answer->dialog->reject();
        }
    });
    return false;
}

}  // namespace zuvo
