#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

#include "service/request_key.h"
#include "telephony/discovery/connection_threads.h"

namespace zuvo {

class CMainWindow;

// The connection threads' way back to the main window for one sign-in. Every report is handed to
// the window's thread as a queued call; once the sign-in is cancelled or the window is gone,
// reports are dropped. Shared by the threads, so it outlives the window when it must.
class SigninConnection : public ConnectionReporter {
public:
    SigninConnection(CMainWindow* window, std::shared_ptr<service::RequestKey> key,
                     service::RequestKeyInputs inputs, QString localAddress,
                     std::shared_ptr<std::atomic_bool> cancel);

    // The window is going away: nothing more is delivered to it.
    void Detach();
    void SetPreferencesOpen(bool open) { m_preferencesOpen = open; }

    QString RebuildRequestKey(const QString& account) override;
    void ServiceChecked(const service::ServiceCheckResult& result) override;
    void WebServerChosen(const WebServerChoice& choice) override;
    void StartServerConfiguration(const WebServerChoice& choice, const QString& account) override;
    void ServerConfigurationReceived(const ServerConfiguration& configuration) override;
    void SigninPrompt(int reason) override;
    void UnattendedStep(int step) override;
    bool PreferencesOpen() override { return m_preferencesOpen; }

private:
    template <class Fn>
    void Post(Fn&& fn);

    std::mutex m_mutex;
    CMainWindow* m_window;
    std::shared_ptr<service::RequestKey> m_key;
    service::RequestKeyInputs m_inputs;
    QString m_localAddress;
    std::shared_ptr<std::atomic_bool> m_cancel;
    std::atomic_bool m_preferencesOpen{false};
};

}  // namespace zuvo
