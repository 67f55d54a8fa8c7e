// The main window's side of the phone book: opening the one window, or bringing it forward.

#include <QLoggingCategory>

#include "app/phonebook/phone_book.h"
#include "app/ui/main_window.h"

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

}  // namespace zuvo
