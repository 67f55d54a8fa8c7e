// The main window's modal dialogs of the configuration lock and the About box. Each holds the
// window while it is open, so that no menu, no dialling from the handset and no other dialog
// comes up behind it.

#include <QLoggingCategory>

#include "app/dialogs/about_dialog.h"
#include "app/dialogs/lock_dialog.h"
#include "app/dialogs/unlock_dialog.h"
#include "app/logic/config_lock.h"
#include "app/ui/main_window.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

void CMainWindow::ShowAboutBox() {
    const ModalDialogState::Scope held(m_state.modal, ModalDialog::About);
    if (!held) {
        qCDebug(lcWindow) << "About box not shown: another dialog is open";
        return;
    }
    CAboutDialog dialog(m_state.settings.webLinks, this);
    dialog.SetHelpCallback([this] { OpenHelpPage(); });
    dialog.exec();
}

void CMainWindow::LockConfiguration() {
    const ModalDialogState::Scope held(m_state.modal, ModalDialog::Lock);
    if (!held) {
        qCDebug(lcWindow) << "lock dialog not shown: another dialog is open";
        return;
    }
    ConfigLock lock(m_state, m_profile);
    CLockDialog dialog(lock, this);
    dialog.exec();
}

void CMainWindow::UnlockConfiguration() {
    const ModalDialogState::Scope held(m_state.modal, ModalDialog::Unlock);
    if (!held) {
        qCDebug(lcWindow) << "unlock dialog not shown: another dialog is open";
        return;
    }
    ConfigLock lock(m_state, m_profile);
    CUnlockDialog dialog(lock, this);
    dialog.exec();
}

}  // namespace zuvo
