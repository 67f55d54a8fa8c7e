#pragma once

#include <QString>

#include <atomic>
#include <memory>

#include "service/request_cipher.h"
#include "service/request_key.h"
#include "telephony/discovery/connection_threads.h"

namespace zuvo {

class WorkerReturn;

// The connection threads' way back to the main window for one sign-in: every report goes through
// the sign-in's WorkerReturn, so once the sign-in is cancelled or the window is gone, reports are
// dropped, and a key rebuild of a cancelled sign-in leaves the current request key alone. Shared
// by the threads, so it outlives the window when it must.
class SigninConnection : public ConnectionReporter {
public:
    SigninConnection(std::shared_ptr<WorkerReturn> way,
                     std::shared_ptr<const service::RequestCipher> cipher,
                     std::shared_ptr<service::RequestKey> key, service::RequestKeyInputs inputs,
                     QString localAddress);

    void SetPreferencesOpen(bool open) { m_preferencesOpen = open; }

    QString RebuildRequestKey(const QString& account) override;
    void ServiceChecked(const service::ServiceCheckResult& result) override;
    void WebServerChosen(const WebServerChoice& choice) override;
    void StartServerConfiguration(const WebServerChoice& choice, const QString& account) override;
    void ServerConfigurationReceived(const ServerConfiguration& configuration) override;
    void SigninPrompt(int reason) override;
    void UnattendedStep(ExitCode step) override;
    void TunnelUp(const QString& address, const QString& info, const QString& version) override;
    bool PreferencesOpen() override { return m_preferencesOpen; }

private:
    std::shared_ptr<WorkerReturn> m_return;
    // The key enciphers with the cipher; both stay alive as long as a thread may rebuild.
    std::shared_ptr<const service::RequestCipher> m_cipher;
    std::shared_ptr<service::RequestKey> m_key;
    service::RequestKeyInputs m_inputs;
    QString m_localAddress;
    std::atomic_bool m_preferencesOpen{false};
};

}  // namespace zuvo
