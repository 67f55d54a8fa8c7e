#include <QLoggingCategory>

#include "app/dialogs/preferences_sheet.h"
#include "app/logic/preferences_model.h"
#include "app/ui/main_window.h"
#include "app/ui/signin_connection.h"
#include "platform/ids.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

void CMainWindow::SetPreferencesOpen(bool open) {
    m_preferencesOpen = open;
    if (m_connection) {
        m_connection->SetPreferencesOpen(open);
    }
}

void CMainWindow::OpenPreferences() {
    const ModalDialogState::Scope held(m_state.modal, ModalDialog::Preferences);
    if (!held) {
        qCDebug(lcWindow) << "preferences not shown: another dialog is open";
        return;
    }
    SetPreferencesOpen(true);
    {
        // The page reaches the window's own handler directly, never through the bus.
        CPreferencesSheet sheet(
            PreferencesModel::PageFrom(m_state), m_profile,
            [this](const PreferencesPage& page) {
                SendMessage(Msg::PreferencesApplied, 0, reinterpret_cast<LPARAM>(&page));
            },
            [this] { OpenHelpPage(); }, this);
        sheet.AddDesktopPage(m_desktopSettings, [this](const DesktopSettings& settings) {
            ApplyDesktopSettings(settings);
        });
        sheet.exec();
        sheet.model().TakeBack(m_state.settings);
    }
    SetPreferencesOpen(false);
}

}  // namespace zuvo
