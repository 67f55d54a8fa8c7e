#pragma once

namespace zuvo {

// The dialogs that hold the phone's window while they are open. The call-history dialog is
// modeless on screen, but for the window it counts the same: one at a time.
enum class ModalDialog { None, CallHistory, About, Lock, Unlock, Preferences, AudioWizard };

// Which dialog holds the window now. While one does, the context menu is not shown, the
// handset's keys do not dial (they steer the call-history dialog when that is the one open) and
// no other dialog, nor a second copy of the same one, opens. Main thread only.
class ModalDialogState {
public:
    ModalDialog Current() const { return m_current; }
    bool IsOpen() const { return m_current != ModalDialog::None; }
    bool IsOpen(ModalDialog dialog) const {
        return dialog != ModalDialog::None && m_current == dialog;
    }

    // Marks dialog as open. False, changing nothing, when a dialog is open already.
    [[nodiscard]] bool Open(ModalDialog dialog);
    // Marks dialog as closed; a close for a dialog that is not the open one changes nothing.
    void Close(ModalDialog dialog);

    // Holds the window for one dialog for the life of the scope; check it before showing.
    //     ModalDialogState::Scope scope(state.modal, ModalDialog::About);
    //     if (!scope) return;  // refused: another dialog is open
    class Scope {
    public:
        Scope(ModalDialogState& state, ModalDialog dialog);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        explicit operator bool() const { return m_held; }

    private:
        ModalDialogState& m_state;
        ModalDialog m_dialog;
        bool m_held;
    };

private:
    ModalDialog m_current = ModalDialog::None;
};

}  // namespace zuvo
