#pragma once

#include <QPointer>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "service/proxy_credentials_prompt.h"

class QDialog;

namespace zuvo {

class WorkerReturn;

// One question to the user, shared by the waiting worker and the dialog on the main thread.
class ProxyPromptAnswer {
public:
    // Main thread: the dialog ended (confirmed with these credentials, or not).
    void Give(bool confirmed, const QString& user = {}, const QString& password = {});
    // Worker: waits until answered, the sign-in is cancelled or the time is up. True only when
    // the user confirmed; user and password then hold the answer.
    bool Wait(const std::atomic_bool& cancel, std::chrono::milliseconds timeout, QString& user,
              QString& password);

    QPointer<QDialog> dialog;  // main thread only: the dialog that asks

private:
    std::mutex m_mutex;
    std::condition_variable m_answered;
    bool m_done = false;
    bool m_confirmed = false;
    QString m_user;
    QString m_password;
};

// The prompt a proxy's 407 leads to: the worker hands the question to the main window (which shows
// the proxy settings dialog with its user name and password open for entry) and waits for the
// answer. The wait ends with the sign-in (sign-out, close) or after a time-out, so no worker, and
// no close, waits for a user who is not there. One question at a time per sign-in.
class WindowProxyPrompt : public service::ProxyCredentialsPrompt {
public:
    static constexpr std::chrono::minutes kTimeout{2};

    explicit WindowProxyPrompt(std::shared_ptr<WorkerReturn> way,
                               std::chrono::milliseconds timeout = kTimeout);

    bool PromptProxyCredentials(const QString& proxy, QString& user, QString& password) override;

private:
    std::shared_ptr<WorkerReturn> m_return;
    std::chrono::milliseconds m_timeout;
    std::mutex m_oneAtATime;
};

}  // namespace zuvo
