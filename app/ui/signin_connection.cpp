#include "app/ui/signin_connection.h"

#include <QMetaObject>

#include "app/ui/main_window.h"

namespace zuvo {

SigninConnection::SigninConnection(CMainWindow* window, std::shared_ptr<service::RequestKey> key,
                                   service::RequestKeyInputs inputs, QString localAddress,
                                   std::shared_ptr<std::atomic_bool> cancel)
    : m_window(window),
      m_key(std::move(key)),
      m_inputs(std::move(inputs)),
      m_localAddress(std::move(localAddress)),
      m_cancel(std::move(cancel)) {}

void SigninConnection::Detach() {
    std::lock_guard lock(m_mutex);
    m_window = nullptr;
}

template <class Fn>
void SigninConnection::Post(Fn&& fn) {
    std::lock_guard lock(m_mutex);
    if (m_window == nullptr || m_cancel->load()) {
        return;
    }
    // The window is the context: a call still queued when it is deleted is dropped.
    QMetaObject::invokeMethod(
        m_window,
        [window = m_window, cancel = m_cancel, fn = std::forward<Fn>(fn)]() {
            if (!cancel->load()) {
                fn(*window);
            }
        },
        Qt::QueuedConnection);
}

QString SigninConnection::RebuildRequestKey(const QString& account) {
    service::RequestKeyInputs inputs = m_inputs;
    inputs.accountNumber = account;
    return m_key->BuildRequestKey(inputs,
                                  [this] { return std::optional<QString>(m_localAddress); });
}

void SigninConnection::ServiceChecked(const service::ServiceCheckResult& result) {
    Post([result](CMainWindow& w) { w.ApplyServiceCheck(result); });
}

void SigninConnection::WebServerChosen(const WebServerChoice& choice) {
    Post([choice](CMainWindow& w) { w.m_web = choice; });
}

void SigninConnection::StartServerConfiguration(const WebServerChoice& choice,
                                                const QString& account) {
    Post([choice, account](CMainWindow& w) { w.StartServerConfiguration(choice, account); });
}

void SigninConnection::ServerConfigurationReceived(const ServerConfiguration& configuration) {
    Post([configuration](CMainWindow& w) { w.ApplyServerConfiguration(configuration); });
}

void SigninConnection::SigninPrompt(int reason) {
    Post([reason](CMainWindow& w) {
        w.port().PostMessage(Msg::SigninPrompt, static_cast<WPARAM>(reason), 0);
    });
}

void SigninConnection::UnattendedStep(int step) {
    Post([step](CMainWindow& w) { w.RunUnattendedStep(step); });
}

}  // namespace zuvo
