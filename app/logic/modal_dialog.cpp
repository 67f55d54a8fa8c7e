#include "app/logic/modal_dialog.h"

namespace zuvo {

bool ModalDialogState::Open(ModalDialog dialog) {
    if (dialog == ModalDialog::None || IsOpen()) {
        return false;
    }
    m_current = dialog;
    return true;
}

void ModalDialogState::Close(ModalDialog dialog) {
    if (IsOpen(dialog)) {
        m_current = ModalDialog::None;
    }
}

ModalDialogState::Scope::Scope(ModalDialogState& state, ModalDialog dialog)
    : m_state(state), m_dialog(dialog), m_held(state.Open(dialog)) {}

ModalDialogState::Scope::~Scope() {
    if (m_held) {
        m_state.Close(m_dialog);
    }
}

}  // namespace zuvo
