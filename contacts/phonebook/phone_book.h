#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

#include "contacts/address_book_source.h"
#include "contacts/phone_book_view.h"
#include "platform/ids.h"

class QAction;
class QFileSystemWatcher;
class QLineEdit;
class QPushButton;
class QLabel;
class QTimer;
class QTreeWidgetItem;

namespace zuvo {

class CContactTree;
class MessagePort;
class Profile;
class Registry;

// "Phonebook": the user's address book as a searchable tree, grouped by company if wished, with
// add, edit and delete, and a click on a number to call it. It keeps no contacts of its own:
// every build reads the address book source again and every change is written straight to it.
// The list follows changes other programs make to the address book on disk. Main thread only.
class CPhoneBook : public QMainWindow {
    Q_OBJECT
public:
    // What the window works with; tests give their own, the phone the defaults.
    struct Services {
        std::function<std::unique_ptr<AddressBookSource>()> source;  // default: the chosen member
        std::function<bool(const QString& number)> handOver;         // default: to the phone window
        Registry* machine = nullptr;                                 // default: the machine store
        Profile* profile = nullptr;                                  // default: the phone's profile
    };

    static constexpr int kMinimumSize = 300;
    static constexpr int kDefaultWidth = 300;
    static constexpr int kDefaultHeight = 400;

    explicit CPhoneBook(QWidget* owner);
    CPhoneBook(QWidget* owner, Services services);
    ~CPhoneBook() override;

    // The window's message procedure: the new, edit and delete messages of its view.
    LRESULT WindowProc(uint32_t message, WPARAM wParam, LPARAM lParam);
    MessagePort& port() { return *m_port; }

    CContactTree* tree() const { return m_tree; }
    QLineEdit* searchBox() const { return m_search; }
    const PhoneBookView& view() const { return m_view; }

    // Builds the list again from the address book, keeping the selected contact selected.
    void Rebuild();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenu();
    void CreateView();
    void LayOut();
    void PlaceWindow();
    void SavePlacement();
    void UpdateMenuMarks();
    void OnSearchChanged(const QString& text);
    void SetSortByLastName(int value);
    void ToggleGroupByCompany();
    void UpdateSearchIcon();
    // Puts a contact into the list after it was created or changed, and shows it.
    void ShowContact(const ContactRecord& record, const QString& key);
    void NewContact();
    void EditContact();
    void DeleteContact();
    void Call(const QString& number);
    void WatchAddressBook();
    QString AddressBookSignature() const;
    void OnAddressBookChanged();

    Services m_services;
    std::unique_ptr<Profile> m_ownProfile;
    std::unique_ptr<AddressBookSource> m_source;
    PhoneBookView m_view;
    MessagePort* m_port = nullptr;
    QLineEdit* m_search = nullptr;
    QAction* m_searchIcon = nullptr;
    QPushButton* m_add = nullptr;
    QLabel* m_header = nullptr;
    CContactTree* m_tree = nullptr;
    QAction* m_byFirst = nullptr;
    QAction* m_byLast = nullptr;
    QAction* m_byCompany = nullptr;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_reload = nullptr;
    QString m_watchedPath;
    QString m_signature;
};

}  // namespace zuvo
