// The main window's side of the desktop: the tray icon's tool tip and menu, notifications, the
// start-hidden and autostart settings.

#include <QApplication>
#include <QLoggingCategory>
#include <QMenu>

#include "app/core/deployment.h"
#include "app/logic/desktop_notices.h"
#include "app/logic/tray_status.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "app/ui/control_table.h"
#include "app/ui/desktop_presence.h"
#include "app/ui/main_window.h"
#include "platform/autostart_entry.h"
#include "platform/ids.h"
#include "skin/accessible_text.h"

Q_DECLARE_LOGGING_CATEGORY(lcDesktop)

namespace zuvo {

void CMainWindow::StartDesktop() {
    m_desktopSettings = LoadDesktopSettings(m_profile);
    if (m_state.unattended.enabled) {
        return;
    }
    DesktopPresence::Actions actions;
    actions.toggleWindow = [this] { ToggleFromTray(); };
    actions.callHistory = [this] {
        ShowWindow();
        OpenCallHistoryDialog();
    };
    actions.signOut = [this] {
        m_port->SendMessage(Wm::Command, MakeWParam(Cmd::SignOutMenu, 0), 0);
    };
    actions.exit = [this] { m_port->PostMessage(Wm::Close, 0, 0); };
    actions.raise = [this] { ShowWindow(); };
    m_desktop = new DesktopPresence(windowIcon(), std::move(actions), this);
    connect(m_desktop->menu(), &QMenu::aboutToShow, this,
            [this] { m_desktop->SetWindowShown(isVisible() && !isMinimized()); });
    // The program may have moved since the entry was written.
    if (m_desktopSettings.autostart) {
        AutostartEntry().Apply(true, QCoreApplication::applicationFilePath(),
                               Deployment::BrandName());
    }
    RefreshDesktop();
}

void CMainWindow::RefreshDesktop() {
    if (m_desktop != nullptr) {
        m_desktop->SetToolTip(TrayToolTip(m_state, Deployment::BrandName()));
    }
}

void CMainWindow::NotifyDesktop(const std::optional<DesktopNotice>& notice) {
    if (notice && m_desktop != nullptr) {
        m_desktop->Notify(*notice);
    }
}

void CMainWindow::ApplyDesktopSettings(const DesktopSettings& settings) {
    const bool autostartChanged = settings.autostart != m_desktopSettings.autostart;
    m_desktopSettings = settings;
    if (!SaveDesktopSettings(m_profile, settings)) {
        qCWarning(lcDesktop) << "the desktop settings could not be stored";
    }
    if (autostartChanged) {
        AutostartEntry().Apply(settings.autostart, QCoreApplication::applicationFilePath(),
                               Deployment::BrandName());
    }
}

bool CMainWindow::StartsHidden() const {
    if (!m_desktopSettings.startHidden) {
        return false;
    }
    if (m_desktop == nullptr || !m_desktop->HasTray()) {
        qCDebug(lcDesktop) << "no tray to start hidden in; the phone shows its window";
        return false;
    }
    return true;
}

void CMainWindow::ToggleFromTray() {
    if (isVisible() && !isMinimized() && m_desktop != nullptr && m_desktop->HasTray()) {
        hide();
        return;
    }
    ShowWindow();
    activateWindow();
}

void CMainWindow::CreateAccessibleTexts() {
    const StringTable& strings = StringTable::Global();
    auto make = [this](const QString& label, const QRect& area) {
        auto* text = new CAccessibleText(label, this);
        text->setGeometry(area);
        return text;
    };
    m_statusText = make(strings.Text(StringId::TipCallStatus), kStatusArea);
    m_numberText = make(strings.Text(StringId::TipPhoneNumber), kNumberArea);
    m_balanceText = make(strings.Text(StringId::TipAccountBalance), kBalanceArea);
    setAccessibleName(Deployment::BrandName());
    RefreshAccessibleTexts();
}

void CMainWindow::RefreshAccessibleTexts() {
    if (m_statusText == nullptr) {
        return;
    }
    m_statusText->SetText(PhoneDisplay::StatusText(m_state));
    m_numberText->SetText(PhoneDisplay::NumberAreaText(m_state));
    m_balanceText->SetText(PhoneDisplay::BalanceText(m_state));
}

}  // namespace zuvo
