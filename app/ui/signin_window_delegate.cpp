#include "app/ui/signin_window_delegate.h"

#include <QLoggingCategory>

#include "app/core/window_position.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/signin_dialog.h"
#include "app/logic/dialing_input.h"
#include "app/strings/string_table.h"
#include "app/ui/main_window.h"
#include "app/ui/window_placement.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

bool SigninWindowDelegate::HasTunnelComponent() const {
    return m_window.tunnel() != nullptr;
}

void SigninWindowDelegate::DisconnectTunnel() {
    m_window.StopTunnel();
}

void SigninWindowDelegate::ShowSigninError(int stringId) {
    ShowMessageBox(&m_window, StringTable::Global().Text(stringId), MessageIcon::Error);
}

void SigninWindowDelegate::SaveWindowPosition() {
    if (!PlatformAllowsPositions()) {
        qCDebug(lcWindow) << "this platform gives no window positions; none stored";
        return;
    }
    SavePosition(m_window.m_profile, u"Main"_s, m_window.frameGeometry());
}

void SigninWindowDelegate::RedrawNumber() {
    m_window.RedrawNumber();
}
void SigninWindowDelegate::RedrawStatus() {
    m_window.RedrawStatus();
}
void SigninWindowDelegate::RedrawBalance() {
    m_window.RedrawBalance();
}

void SigninWindowDelegate::SetSignInIndicatorOff() {
    m_window.SetSignInIndicator(PhoneDelegate::Indicator::Dark);
}

SigninResult SigninWindowDelegate::RunSigninDialog(SigninDialogData& data) {
    CSigninDialog dialog(data, &m_window);
    dialog.SetHelpCallback([this] { m_window.OpenHelpPage(); });
    dialog.SetContextMenuCallback([this](QPoint at) { m_window.ShowContextMenuAt(at); });
    const SigninResult result = dialog.Run();
    data = dialog.data();
    return result;
}

void SigninWindowDelegate::PostClose() {
    m_window.port().PostMessage(Wm::Close, 0, 0);
}
void SigninWindowDelegate::StartConnection() {
    m_window.StartConnection();
}

void SigninWindowDelegate::HangUp() {
    m_window.m_input->HangUpOrClear(true);
}
void SigninWindowDelegate::KillTimer(int id) {
    m_window.port().KillTimer(id);
}

void SigninWindowDelegate::Unregister() {
    if (m_window.m_engine) {
        m_window.m_engine->Unregister();
    }
}

}  // namespace zuvo
