// The main window's side of the balance (task AB) and call authorisation (task MC) workers: the
// window copies what a request needs, a worker runs it, and the result comes back to the main
// thread, which alone changes the window's state.

#include <QLoggingCategory>
#include <QPointer>

#include "app/dialogs/message_box.h"
#include "app/ui/main_window.h"
#include "app/ui/worker_return.h"
#include "platform/ids.h"
#include "service/account_balance.h"
#include "service/call_authorisation.h"
#include "service/request_key.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kMinutesShownMs = 10'000;

// The SIP proxy in use, or nothing before the service has sent any.
service::ProxyHostPort CurrentProxy(const PhoneState& state) {
    if (state.currentServer < 0 || state.currentServer >= state.sipServers.size()) {
        return {};
    }
    const SipServerEntry& entry = state.sipServers.at(state.currentServer);
    return service::SplitProxyAddress(entry.address, entry.transport);
}

}  // namespace

void CMainWindow::StartBalanceRequest(bool withConnection) {
    if (m_balanceBusy) {
        return;  // the request in progress brings the news
    }
    m_connectionSuffix.clear();
    if (withConnection) {
        // The stored index is capped too, so later requests and pages agree with what was sent.
        m_web.index = std::min(m_web.index, service::kMaxReportedWebIndex);
        const service::ProxyHostPort proxy = CurrentProxy(m_state);
        service::ConnectionDescription connection;
        connection.proxyHost = proxy.host;
        connection.proxyPort = proxy.port;
        connection.secure = m_web.scheme == 1;
        connection.webIndex = m_web.index;
        // This phone has no tunnel component, so there is never a tunnel to describe.
        m_connectionSuffix = service::ConnectionSuffix(connection, *m_cipher);
    }

    service::BalanceInput input;
    input.host = m_web.host;
    input.secure = m_web.scheme == 1;
    input.proxy = m_state.settings.proxy;
    input.requestKey = m_requestKey->Current();
    input.version = m_state.settings.version;
    input.connectionSuffix = m_connectionSuffix;
    input.accountNumber = m_state.account;
    input.lastCallReference = m_lastCallReference;
    // Call records are asked for after a call: only then is there a finished call to charge.
    if (!withConnection) {
        input.dialledNumber = m_state.dialledNumber;
    }
    const QString logDirectory = service::CallLogDirectory();

    m_balanceBusy = true;
    StartWorker([input, logDirectory, cipher = m_cipher, run = CurrentRun(),
                 prompt = CurrentPrompt()] {
        const service::BalanceResult result =
            service::RequestBalance(input, *cipher, logDirectory, &run->token(), {}, prompt.get());
        run->Post([result](CMainWindow& w) { w.ApplyBalance(result); });
    });
}

void CMainWindow::ApplyBalance(const service::BalanceResult& result) {
    if (result.callReference) {
        m_lastCallReference = *result.callReference;
    }
    if (result.balanceText) {
        m_state.balanceText = *result.balanceText;
    }
    if (result.trigger) {
        const QPointer<CMainWindow> alive(this);
        ShowMessageBox(this, result.amountText, MessageIcon::None, MessageButtons::Ok,
                       *result.trigger);
        if (!alive) {
            return;
        }
        if (result.openAccountPage) {
            OpenAccountPage();
            FocusMainWindow();
        }
    }
    if (result.redraw) {
        RedrawBalance();
    }
    m_balanceBusy = false;
}

void CMainWindow::StartCallAuthorisation(const QString& dialled) {
    if (m_authorisationBusy) {
        return;
    }
    m_state.minutesShown = false;

    const service::ProxyHostPort proxy = CurrentProxy(m_state);
    service::CallAuthorisationInput input;
    input.host = m_web.host;
    input.secure = m_web.scheme == 1;
    input.proxy = m_state.settings.proxy;
    input.requestKey = m_requestKey->Current();
    input.version = m_state.settings.version;
    input.dialled = dialled;
    input.proxyHost = proxy.host;
    input.proxyPort = proxy.port;
    input.askMinutes = m_state.minutesEnabled && m_state.settings.displayMinutes;

    m_authorisationBusy = true;
    StartWorker([input, run = CurrentRun(), prompt = CurrentPrompt()] {
        const service::CallAuthorisationResult result =
            service::AuthoriseCall(input, &run->token(), {}, prompt.get());
        run->Post([result](CMainWindow& w) { w.ApplyCallAuthorisation(result); });
    });
}

void CMainWindow::ApplyCallAuthorisation(const service::CallAuthorisationResult& result) {
    m_authorisationBusy = false;
    // A reply that comes after its call has ended would show a stale limit on the next call.
    if (!result.minutes || !m_state.callActive) {
        return;
    }
    m_state.minutesText = *result.minutes;
    m_state.minutesShown = true;
    RedrawMinutes();
    SetTimer(Timer::MinutesDisplay, kMinutesShownMs);
}

}  // namespace zuvo
