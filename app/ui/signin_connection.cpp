#include "app/ui/signin_connection.h"

#include "app/ui/main_window.h"
#include "app/ui/worker_return.h"

namespace zuvo {

SigninConnection::SigninConnection(std::shared_ptr<WorkerReturn> way,
                                   std::shared_ptr<const service::RequestCipher> cipher,
                                   std::shared_ptr<service::RequestKey> key,
                                   service::RequestKeyInputs inputs, QString localAddress)
    : m_return(std::move(way)),
      m_cipher(std::move(cipher)),
      m_key(std::move(key)),
      m_inputs(std::move(inputs)),
      m_localAddress(std::move(localAddress)) {}

QString SigninConnection::RebuildRequestKey(const QString& account) {
    service::RequestKeyInputs inputs = m_inputs;
    inputs.accountNumber = account;
    return m_key->BuildRequestKey(
        inputs, [this] { return std::optional<QString>(m_localAddress); }, &m_return->token());
}

void SigninConnection::ServiceChecked(const service::ServiceCheckResult& result) {
    m_return->Post([result](CMainWindow& w) { w.ApplyServiceCheck(result); });
}

void SigninConnection::WebServerChosen(const WebServerChoice& choice) {
    m_return->Post([choice](CMainWindow& w) { w.m_web = choice; });
}

void SigninConnection::StartServerConfiguration(const WebServerChoice& choice,
                                                const QString& account) {
    m_return->Post(
        [choice, account](CMainWindow& w) { w.StartServerConfiguration(choice, account); });
}

void SigninConnection::ServerConfigurationReceived(const ServerConfiguration& configuration) {
    m_return->Post([configuration](CMainWindow& w) { w.ApplyServerConfiguration(configuration); });
}

void SigninConnection::SigninPrompt(int reason) {
    m_return->Post([reason](CMainWindow& w) {
        w.port().PostMessage(Msg::SigninPrompt, static_cast<WPARAM>(reason), 0);
    });
}

void SigninConnection::TunnelUp(const QString& address, const QString& info,
                                const QString& version) {
    m_return->Post([address, info, version](CMainWindow& w) {
        w.m_state.service.tunnelUp = true;
        w.m_state.service.tunnelLocalAddress = address;
        w.m_state.service.tunnelInfo = info;
        w.m_state.service.tunnelVersion = version;
    });
}

void SigninConnection::UnattendedStep(ExitCode step) {
    m_return->Post([step](CMainWindow& w) { w.RunUnattendedStep(step); });
}

}  // namespace zuvo
