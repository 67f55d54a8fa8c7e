// The main window's side of the provider's web service: the request key, the connection threads
// of a sign-in and the web pages.

#include <QLoggingCategory>

#include "app/core/app_globals.h"
#include "app/core/deployment.h"
#include "app/core/telephony_loader.h"
#include "app/core/worker_thread.h"
#include "app/dialogs/proxy_dialog.h"
#include "app/logic/call_report.h"
#include "app/logic/call_state_machine.h"
#include "app/logic/connection_task.h"
#include "app/ui/main_window.h"
#include "app/ui/proxy_prompt.h"
#include "app/ui/signin_connection.h"
#include "app/ui/worker_return.h"
#include "platform/net.h"
#include "service/request_key.h"
#include "service/service_urls.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

service::RequestKeyInputs CMainWindow::KeyInputs(const QString& account) const {
    return ConnectionTask::KeyInputs(account, m_state.account.record.password, m_state.settings);
}

void CMainWindow::RefreshLocalAddress() {
    if (m_telephony == TelephonyState::Up) {
        m_machine->RefreshLocalAddress();
        return;
    }
    // The engine has no server before its first registration, so once up it reports the
    // interfaces' addresses: the same list now, and the sign-in need not wait for the library.
    m_machine->SetLocalAddress(LocalIPv4Addresses({}));
}

void CMainWindow::RebuildRequestKey() {
    RefreshLocalAddress();
    const QString address = m_state.service.localAddress;
    m_requestKey->BuildRequestKey(KeyInputs(m_state.account.number),
                                  [address] { return std::optional<QString>(address); });
}

void CMainWindow::StartWorker(std::function<void()> work) {
    std::erase_if(m_workers, [](const auto& worker) { return worker->IsFinished(); });
    m_workers.push_back(std::make_unique<WorkerThread>(std::move(work)));
}

std::shared_ptr<WorkerReturn> CMainWindow::CurrentRun() {
    if (!m_run) {
        m_run = std::make_shared<WorkerReturn>(this);
    }
    return m_run;
}

std::shared_ptr<service::ProxyCredentialsPrompt> CMainWindow::CurrentPrompt() {
    // Unattended, nobody is there to answer: a proxy's 407 simply fails the request.
    if (m_state.unattended.enabled) {
        return nullptr;
    }
    if (!m_prompt) {
        m_prompt = std::make_shared<WindowProxyPrompt>(CurrentRun());
    }
    return m_prompt;
}

void CMainWindow::StartConnection() {
    // The engine is not needed before registering: it comes up while the requests are out.
    CancelConnection();
    m_run = std::make_shared<WorkerReturn>(this);
    ConnectJob job = ConnectionTask::Begin(m_state, App().commandLine.connectStep);
    if (m_state.service.useTunnel) {
        job.tunnel = m_tunnel;
        job.tunnelHost = Deployment::TunnelHost();
    }
    RedrawStatus();
    RefreshLocalAddress();
    service::RequestKeyInputs inputs = KeyInputs(m_state.account.number);
    m_connection = std::make_shared<SigninConnection>(m_run, m_cipher, m_requestKey, inputs,
                                                      m_state.service.localAddress);
    m_connection->SetPreferencesOpen(m_preferencesOpen);
    m_web = WebServerChoice{job.configuredWebServer, 0, 0};
    StartWorker([job, connection = m_connection, run = m_run, prompt = CurrentPrompt()]() mutable {
        job.prompt = prompt.get();
        RunConnect(job, *connection, run->token());
    });
}

void CMainWindow::CancelConnection() {
    if (m_run) {
        m_run->Cancel();
    }
    m_connection.reset();
    m_prompt.reset();
    // Their results can no longer arrive; the next sign-in may ask again.
    m_balance.Reset();
    m_authorisation.Reset();
    if (m_proxyPrompt) {
        m_proxyPrompt->reject();
    }
}

void CMainWindow::AskProxyCredentials(const QString& proxy,
                                      const std::shared_ptr<ProxyPromptAnswer>& answer) {
    if (m_proxyPrompt) {
        answer->Give(false);  // another request's question is open; that one decides
        return;
    }
    auto* dialog = new CProxyDialog(m_state.settings.proxy, m_profile, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->AskForCredentials(proxy);
    m_proxyPrompt = dialog;
    answer->dialog = dialog;
    connect(dialog, &QDialog::finished, this, [this, dialog, answer](int result) {
        if (result != QDialog::Accepted) {
            answer->Give(false);
            return;
        }
        // Confirmed like the dialog of the menu: the values are stored and used from now on.
        m_state.settings.proxy = dialog->settings();
        answer->Give(true, dialog->settings().userName, dialog->settings().password);
    });
    dialog->open();
}

void CMainWindow::ApplyServiceCheck(const service::ServiceCheckResult& result) {
    const QString page = ConnectionTask::ApplyServiceCheck(result, m_state);
    if (!page.isEmpty()) {
        OpenPopupWindow(page, 800, 600);
    }
}

void CMainWindow::StartServerConfiguration(const WebServerChoice& choice, const QString& account) {
    ServerConfigurationJob job = ConnectionTask::ConfigurationJob(choice, account, m_state);
    RedrawStatus();
    StartWorker(
        [job, connection = m_connection, run = CurrentRun(), prompt = CurrentPrompt()]() mutable {
            job.prompt = prompt.get();
            RunServerConfiguration(job, *connection, run->token());
        });
    // A sign-in without the dialog on the screen loads the telephony library from here: loading
    // holds the dynamic loader's lock, which a new thread needs, so beside the service check it
    // slowed the check by half and held back this thread's start until it had loaded. The engine
    // is first needed 100 ms after the configuration's reply.
    TelephonyLoader::Process().Start();
}

void CMainWindow::ApplyServerConfiguration(const ServerConfiguration& configuration) {
    ConnectionTask::ApplyServerConfiguration(configuration, m_state);
    m_state.timeline.Mark(CallStep::SignIn);
    m_port->SetTimer(Timer::RegisterNow, 100);
}

void CMainWindow::RunUnattendedStep(ExitCode step) {
    m_machine->UnattendedStep(step);
}

void CMainWindow::SaveCallReport() {
    const CommandLineOptions& options = App().commandLine;
    if (!options.report || !m_state.unattended.enabled) {
        return;
    }
    const QByteArray json =
        CallReportJson(m_state.timeline, m_engine ? m_engine->LastCallStatistics() : std::nullopt,
                       m_state.exitCode, CallTimeline::Now());
    QString error;
    if (!WriteCallReport(options.reportPath, json, &error)) {
        // The exit code still tells the cycle's outcome; only the report is missing.
        qCWarning(lcWindow).noquote()
            << "call report not written to" << options.reportPath << "-" << error;
    }
}

void CMainWindow::OpenPage(const QString& address) {
    // The account pages carry the request key: they open in the phone's own window, never on a
    // desktop browser's command line.
    OpenPopupWindow(address, 800, 600);
}

void CMainWindow::OpenAccountPage() {
    OpenPage(service::AccountPageAddress(m_web.scheme == 1, m_web.host, m_requestKey->Current(),
                                         m_state.settings.version));
}

void CMainWindow::OpenRatesPage() {
    OpenPage(service::RatesPageAddress(m_web.scheme == 1, m_web.host, m_requestKey->Current(),
                                       m_state.settings.version));
}

void CMainWindow::OpenHelpPage() {
    if (m_state.settings.webLinks) {
        OpenPage(service::HelpPageAddress(m_web.scheme == 1, m_web.host, m_state.settings.version));
    }
}

void CMainWindow::OpenSupportPage() {
    OpenPage(service::CustomerPageAddress(m_web.scheme == 1, m_web.host, m_requestKey->Current(),
                                          m_state.settings.version));
}

void CMainWindow::OpenHomePage() {
    OpenPage(service::HomePageAddress(Deployment::HomeHost(), m_requestKey->Current(),
                                      m_state.settings.version));
}

void CMainWindow::OpenProxySettings() {
    CProxyDialog dialog(m_state.settings.proxy, m_profile, this);
    if (dialog.exec() == QDialog::Accepted) {
        m_state.settings.proxy = dialog.settings();
    }
}

}  // namespace zuvo
