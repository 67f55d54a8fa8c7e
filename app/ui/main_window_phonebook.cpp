// The main window's side of the phone book: opening the one window, or bringing it forward.

#include <QLoggingCategory>

#include "app/ui/main_window.h"
#include "app/ui/signin_window_delegate.h"
#include "contacts/phonebook/phone_book.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

QWidget* CMainWindow::phoneBook() const {
    return m_phoneBook.data();
}

void CMainWindow::OpenPhoneBook() {
    if (!m_state.settings.phoneBookEnabled) {
        qCDebug(lcWindow) << "the phone book is turned off";
        return;
    }
    if (m_phoneBook) {
        m_phoneBook->showNormal();
        m_phoneBook->raise();
        m_phoneBook->activateWindow();
        return;
    }
    m_phoneBook = new CPhoneBook(this);
    m_phoneBook->show();
}

// Signing out closes the phone book with the rest of the signed-in session.
void SigninWindowDelegate::ClosePhoneBook() {
    if (m_window.m_phoneBook) {
        m_window.m_phoneBook->close();
    }
}

}  // namespace zuvo
