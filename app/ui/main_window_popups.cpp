// The main window's side of the pop-up browser window and the provider's pop-up messages.

#include <QLoggingCategory>

#include "app/core/deployment.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "app/ui/main_window.h"
#include "app/ui/popup_window_host.h"
#include "app/ui/worker_return.h"
#include "platform/ids.h"
#include "popups/popup_fetch.h"
#include "popups/popup_store.h"
#include "service/request_key.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// The event of a finished fetch (events 2 and 3 come from the call button and the call's end).
constexpr int kPopupAfterFetch = 1;

}  // namespace

IPopupWindow* CMainWindow::popupWindow() const {
    return m_popupWindow ? m_popupWindow->window() : nullptr;
}

bool CMainWindow::OpenPopupWindow(const QString& address, int cx, int cy) {
    if (!m_popupWindow) {
        const StringTable& strings = StringTable::Global();
        PopupWindowTexts texts{.caption = Deployment::PopupCaption(),
                               .ready = Deployment::BrandName(),
                               .downloading = strings.Text(StringId::Downloading),
                               .done = strings.Text(StringId::DownloadDone)};
        m_popupWindow = std::make_unique<PopupWindowHost>(
            this, texts, [this] { m_port->SendMessage(Msg::PopupClosed, 0, 0); });
    }
    return m_popupWindow->Open(address, cx, cy, m_web.host);
}

std::optional<LRESULT> CMainWindow::OnPopupMessage(uint32_t message, WPARAM wParam, LPARAM) {
    if (message == Msg::PopupClosed) {
        if (m_popupWindow) {
            m_popupWindow->Forget();
        }
        return 0;
    }
    if (message == Msg::PopupSchedule) {
        return ShowPopup(static_cast<int>(wParam)) ? 1 : 0;
    }
    return std::nullopt;
}

void CMainWindow::LoadPopups() {
    m_popups = PopupStore::Load(m_profile);
}

void CMainWindow::SavePopups() {
    const Registry::Outcome outcome = PopupStore::Save(m_profile, m_popups);
    if (!outcome.done) {
        qCWarning(lcWindow) << "the pop-up messages could not be saved:" << outcome.error;
    }
}

void CMainWindow::StartPopupFetch() {
    const PopupFetchInput input{.host = m_web.host,
                                .secure = m_web.scheme == 1,
                                .proxy = m_state.settings.proxy,
                                .requestKey = m_requestKey->Current(),
                                .version = m_state.settings.version};
    StartWorker([input, run = CurrentRun(), prompt = CurrentPrompt()] {
        // Parsed here, so a reply of any size costs the main thread only the merge.
        std::optional<PopupReply> reply =
            FetchPopups(input, &run->token(), prompt.get(), &SystemSeconds);
        if (!reply) {
            qCDebug(lcWindow) << "the pop-up messages could not be fetched";
            return;
        }
        run->Post([reply = std::move(*reply)](CMainWindow& w) { w.ApplyPopupFetch(reply); });
    });
}

void CMainWindow::ApplyPopupFetch(const PopupReply& reply) {
    m_popups.Merge(reply);
    if (m_state.settings.popupsEnabled) {
        m_port->PostMessage(Msg::PopupSchedule, kPopupAfterFetch, 0);
    }
}

bool CMainWindow::ShowPopup(int event) {
    if (!m_state.service.popupsAvailable || !m_state.settings.popupsEnabled) {
        return false;
    }
    const int64_t now = SystemSeconds();
    const std::optional<size_t> best = m_popups.Next(
        event, now, [this](const QString& name) { PopupStore::Forget(m_profile, name); });
    if (!best) {
        return false;
    }
    const PopupRecord record = m_popups.records()[*best];
    if (!OpenPopupWindow(record.name, record.cx, record.cy)) {
        return false;
    }
    m_popups.MarkShown(*best, now);
    return true;
}

}  // namespace zuvo
