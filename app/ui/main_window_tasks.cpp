// The main window's side of the balance (task AB) and call authorisation (task MC) workers: the
// tasks build each request from the phone's state, a worker runs it, and the result comes back to
// the main thread, where the task stores it and the window shows it.

#include <QLoggingCategory>
#include <QPointer>

#include "app/dialogs/message_box.h"
#include "app/logic/desktop_notices.h"
#include "app/ui/main_window.h"
#include "app/ui/worker_return.h"
#include "platform/ids.h"
#include "service/request_cipher.h"
#include "service/request_key.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

void CMainWindow::StartBalanceRequest(bool withConnection) {
    const std::optional<service::BalanceInput> input =
        m_balance.Begin(withConnection, m_state, m_web, m_requestKey->Current(), *m_cipher);
    if (!input) {
        return;  // the request in progress brings the news
    }
    StartWorker([input = *input, logDirectory = service::CallLogDirectory(), cipher = m_cipher,
                 run = CurrentRun(), prompt = CurrentPrompt()] {
        const service::BalanceResult result =
            BalanceTask::Run(input, *cipher, logDirectory, &run->token(), prompt.get());
        run->Post([result](CMainWindow& w) { w.ApplyBalance(result); });
    });
}

void CMainWindow::ApplyBalance(const service::BalanceResult& result) {
    m_balance.Apply(result, m_state);
    NotifyDesktop(
        DesktopNoticePolicy::Balance(m_desktopSettings, result.openAccountPage, result.amountText));
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
    m_balance.Finished();
}

void CMainWindow::StartCallAuthorisation(const QString& dialled) {
    const std::optional<service::CallAuthorisationInput> input =
        m_authorisation.Begin(dialled, m_state, m_web, m_requestKey->Current());
    if (!input) {
        return;
    }
    StartWorker([input = *input, run = CurrentRun(), prompt = CurrentPrompt()] {
        const service::CallAuthorisationResult result =
            CallAuthorisationTask::Run(input, &run->token(), prompt.get());
        run->Post([result](CMainWindow& w) { w.ApplyCallAuthorisation(result); });
    });
}

void CMainWindow::ApplyCallAuthorisation(const service::CallAuthorisationResult& result) {
    if (m_authorisation.Apply(result, m_state)) {
        RedrawMinutes();
        SetTimer(Timer::MinutesDisplay, CallAuthorisationTask::kMinutesShownMs);
    }
}

}  // namespace zuvo
