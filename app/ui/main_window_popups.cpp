// The main window's side of the pop-up browser window and the provider's pop-up messages.

#include <QLoggingCategory>

#include "app/core/deployment.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "app/ui/main_window.h"
#include "app/ui/popup_window_host.h"
#include "platform/ids.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

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

void CMainWindow::StartPopupFetch() {}

bool CMainWindow::ShowPopup(int) {
    return false;
}

}  // namespace zuvo
