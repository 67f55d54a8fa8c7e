#include "contacts/phonebook/phone_book.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/dialogs/dialog_texts.h"
#include "app/dialogs/message_box.h"
#include "app/strings/string_ids.h"
#include "contacts/contacts_log.h"
#include "contacts/dial_handover.h"
#include "contacts/other_dialer_import.h"
#include "contacts/phonebook/contact_dialog.h"
#include "contacts/phonebook/contact_tree.h"
#include "contacts/phonebook/phone_book_ids.h"
#include "platform/message_port.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "skin/skin_assets.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;
using namespace PhoneBookIds;

namespace {

constexpr auto kPlacementKey = u"Phone Book";
constexpr int kYes = 6;
// Other programs often write a card in several steps; the list is rebuilt once they are done.
constexpr int kReloadDelayMs = 300;

// The search box's sign: a magnifier while empty, a cross while it holds text.
QIcon SearchIcon(bool clear) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(119, 121, 118), 2));
    if (clear) {
        painter.drawLine(4, 4, 12, 12);
        painter.drawLine(12, 4, 4, 12);
    } else {
        painter.drawEllipse(QRectF(2, 2, 8, 8));
        painter.drawLine(9, 9, 14, 14);
    }
    return QIcon(pixmap);
}

}  // namespace

CPhoneBook::CPhoneBook(QWidget* owner) : CPhoneBook(owner, Services{}) {}

CPhoneBook::CPhoneBook(QWidget* owner, Services services)
    : QMainWindow(owner, Qt::Window), m_services(std::move(services)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QString::fromUtf16(kWindowClass));
    SetTitle(this, StringId::PhoneBookTitle);
    setWindowIcon(LoadSkinIcon(WindowIcon));
    setMinimumSize(kMinimumSize, kMinimumSize);
    if (!m_services.source) {
        m_services.source = [] { return ChooseAddressBookSource(); };
    }
    if (m_services.profile == nullptr) {
        m_ownProfile = std::make_unique<Profile>(Profile::Phone());
        m_services.profile = m_ownProfile.get();
    }
    if (!m_services.handOver) {
        Profile* profile = m_services.profile;
        m_services.handOver = [profile](const QString& number) {
            return HandNumberToPhone(*profile, number);
        };
    }
    if (m_services.machine == nullptr) {
        m_services.machine = &Registry::LocalMachine();
    }
    m_port = new MessagePort(
        [this](uint32_t message, WPARAM w, LPARAM l) { return WindowProc(message, w, l); }, this);
    m_reload = new QTimer(this);
    m_reload->setSingleShot(true);
    m_reload->setInterval(kReloadDelayMs);
    connect(m_reload, &QTimer::timeout, this, &CPhoneBook::OnAddressBookChanged);

    CreateView();
    CreateMenu();
    PlaceWindow();
    const QString key = m_services.profile->KeyPath(QString::fromUtf16(kPlacementKey));
    m_view.sortByLastName = static_cast<int>(
        m_services.profile->hive().ReadDword(key, u"S0"_s).value_or(0) != 0 ? 1 : 0);
    m_view.groupByCompany = static_cast<int>(
        m_services.profile->hive().ReadDword(key, u"S1"_s).value_or(0) != 0 ? 1 : 0);
    m_view.groupingInForce = m_view.groupByCompany;
    Rebuild();
    if (m_source) {
        ImportOtherDialerContacts(*m_services.machine, *m_source,
                                  [this](const ContactRecord& record, const QString& key) {
                                      return m_tree->AddContact(record, key) != nullptr;
                                  });
        m_signature = AddressBookSignature();
    }
    UpdateMenuMarks();
}

CPhoneBook::~CPhoneBook() = default;

void CPhoneBook::CreateMenu() {
    QMenu* file = menuBar()->addMenu(DialogText(StringId::PhoneBookFileMenu));
    QAction* exit = file->addAction(DialogText(StringId::PhoneBookExit));
    exit->setObjectName(QString::number(Exit));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* viewMenu = menuBar()->addMenu(DialogText(StringId::PhoneBookViewMenu));
    auto* order = new QActionGroup(this);
    m_byFirst = viewMenu->addAction(DialogText(StringId::PhoneBookByFirstName));
    m_byLast = viewMenu->addAction(DialogText(StringId::PhoneBookByLastName));
    for (QAction* action : {m_byFirst, m_byLast}) {
        action->setCheckable(true);
        order->addAction(action);
    }
    m_byFirst->setObjectName(QString::number(ViewByFirstName));
    m_byLast->setObjectName(QString::number(ViewByLastName));
    connect(m_byFirst, &QAction::triggered, this, [this] { SetSortByLastName(0); });
    connect(m_byLast, &QAction::triggered, this, [this] { SetSortByLastName(1); });
    viewMenu->addSeparator();
    m_byCompany = viewMenu->addAction(DialogText(StringId::PhoneBookByCompany));
    m_byCompany->setObjectName(QString::number(ViewByCompany));
    m_byCompany->setCheckable(true);
    connect(m_byCompany, &QAction::triggered, this, &CPhoneBook::ToggleGroupByCompany);

    QMenu* contacts = menuBar()->addMenu(DialogText(StringId::PhoneBookContactsMenu));
    QAction* add = contacts->addAction(DialogText(StringId::PhoneBookNewContact));
    add->setObjectName(QString::number(NewContactCommand));
    connect(add, &QAction::triggered, this,
            [this] { m_port->PostMessage(PhoneBookIds::NewContact); });
}

void CPhoneBook::CreateView() {
    auto* inner = new QWidget(this);
    setCentralWidget(inner);

    QFont large(u"Tahoma"_s);
    large.setPixelSize(16);
    large.setWeight(QFont::Medium);
    QFont small(u"Tahoma"_s);
    small.setPixelSize(11);
    small.setWeight(QFont::Normal);

    m_search = new QLineEdit(inner);
    m_search->setObjectName(QString::number(SearchBox));
    m_search->setFont(large);
    SetCueText(m_search, StringId::FindContactCue);
    QPalette palette = m_search->palette();
    palette.setColor(QPalette::PlaceholderText, QColor(119, 121, 118));
    m_search->setPalette(palette);
    m_searchIcon = m_search->addAction(SearchIcon(false), QLineEdit::TrailingPosition);
    m_searchIcon->setObjectName(QString::number(ClearSearch));
    connect(m_searchIcon, &QAction::triggered, this, [this] {
        if (!m_search->text().isEmpty()) {
            m_search->clear();
        }
    });
    connect(m_search, &QLineEdit::textChanged, this, &CPhoneBook::OnSearchChanged);

    m_add = new QPushButton(inner);
    SetText(m_add, StringId::AddContact);
    m_add->setObjectName(QString::number(AddContactButton));
    m_add->setFont(small);
    connect(m_add, &QPushButton::clicked, this,
            [this] { m_port->PostMessage(PhoneBookIds::NewContact); });

    m_header = new QLabel(inner);
    SetText(m_header, StringId::NameHeader);
    m_header->setFont(small);
    m_header->setStyleSheet(uR"(QLabel { background: #e6e8ea; padding-left: 6px; })"_s);
    m_add->raise();  // the button sits at the right end of the header strip

    CContactTree::Handlers handlers;
    handlers.call = [this](const QString& number) { Call(number); };
    handlers.edit = [this] { m_port->PostMessage(PhoneBookIds::EditContact); };
    handlers.remove = [this] { m_port->PostMessage(PhoneBookIds::DeleteContact); };
    m_tree = new CContactTree(m_view, std::move(handlers), inner);
    m_tree->setFont(small);
    inner->installEventFilter(this);
}

bool CPhoneBook::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        LayOut();
    }
    return QMainWindow::eventFilter(watched, event);
}

void CPhoneBook::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayOut();
}

void CPhoneBook::LayOut() {
    const QSize client = centralWidget()->size();
    m_search->setGeometry(5, 5, std::max(0, client.width() - 10), 24);
    m_header->setGeometry(7, 34, std::max(0, client.width() - 14), 22);
    const int buttonWidth = m_add->sizeHint().width();
    m_add->setGeometry(client.width() - 7 - buttonWidth, 34, buttonWidth, 22);
    m_tree->setGeometry(7, 60, std::max(0, client.width() - 54), std::max(0, client.height() - 67));
}

void CPhoneBook::PlaceWindow() {
    const QString key = m_services.profile->KeyPath(QString::fromUtf16(kPlacementKey));
    Registry& hive = m_services.profile->hive();
    const auto x = hive.ReadDword(key, u"X"_s);
    const auto y = hive.ReadDword(key, u"Y"_s);
    const auto cx = hive.ReadDword(key, u"CX"_s);
    const auto cy = hive.ReadDword(key, u"CY"_s);
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    if (x && y && cx && cy) {
        // A stored size larger than the screen is cut to it, so the window cannot start off it.
        const int width = std::clamp(static_cast<int>(static_cast<int32_t>(*cx)), kMinimumSize,
                                     std::max(kMinimumSize, area.width()));
        const int height = std::clamp(static_cast<int>(static_cast<int32_t>(*cy)), kMinimumSize,
                                      std::max(kMinimumSize, area.height()));
        int left = std::max(0, static_cast<int>(static_cast<int32_t>(*x)));
        int top = std::max(0, static_cast<int>(static_cast<int32_t>(*y)));
        if (left + width >= area.right() + 1) {
            left = std::max(0, area.right() + 1 - width);
        }
        if (top + height >= area.bottom() + 1) {
            top = std::max(0, area.bottom() + 1 - height);
        }
        resize(width, height);
        move(left, top);
        return;
    }
    resize(kDefaultWidth, kDefaultHeight);
    move(area.center() - QPoint(kDefaultWidth / 2, kDefaultHeight / 2));
}

void CPhoneBook::SavePlacement() {
    const QString section = QString::fromUtf16(kPlacementKey);
    Profile& profile = *m_services.profile;
    const QRect frame = frameGeometry();
    bool saved = profile.WriteInt(section, u"X"_s, frame.x());
    saved = profile.WriteInt(section, u"Y"_s, frame.y()) && saved;
    saved = profile.WriteInt(section, u"CX"_s, width()) && saved;
    saved = profile.WriteInt(section, u"CY"_s, height()) && saved;
    saved = profile.WriteInt(section, u"S0"_s, m_view.sortByLastName) && saved;
    saved = profile.WriteInt(section, u"S1"_s, m_view.groupByCompany) && saved;
    if (!saved) {
        qCDebug(lcContacts) << "the phone book's placement could not be saved";
    }
}

void CPhoneBook::closeEvent(QCloseEvent* event) {
    SavePlacement();
    if (QWidget* owner = parentWidget()) {
        owner->activateWindow();
    }
    QMainWindow::closeEvent(event);
}

void CPhoneBook::UpdateMenuMarks() {
    m_byFirst->setChecked(m_view.sortByLastName == 0);
    m_byLast->setChecked(m_view.sortByLastName != 0);
    m_byCompany->setChecked(m_view.groupByCompany != 0);
}

void CPhoneBook::UpdateSearchIcon() {
    m_searchIcon->setIcon(SearchIcon(!m_search->text().isEmpty()));
}

void CPhoneBook::OnSearchChanged(const QString& text) {
    m_view.SetSearch(text);
    UpdateSearchIcon();
    Rebuild();
}

void CPhoneBook::SetSortByLastName(int value) {
    m_view.sortByLastName = value;
    Rebuild();
    UpdateMenuMarks();
}

void CPhoneBook::ToggleGroupByCompany() {
    m_view.groupByCompany = m_view.groupByCompany != 0 ? 0 : 1;
    m_view.groupingInForce = m_view.groupByCompany;
    {
        const QSignalBlocker quiet(m_search);
        m_search->clear();
    }
    m_view.searchText.clear();
    UpdateSearchIcon();
    Rebuild();
    UpdateMenuMarks();
}

void CPhoneBook::Rebuild() {
    QString selectedKey;
    if (QTreeWidgetItem* selected = m_tree->SelectedContact()) {
        selectedKey = selected->data(0, CContactTree::KeyRole).toString();
    }
    QStringList expandedGroups;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        if (CContactTree::Kind(item) == ImageGroup && item->isExpanded()) {
            expandedGroups.append(item->data(0, CContactTree::GroupRole).toString());
        }
    }
    m_tree->clear();
    m_source = m_services.source();
    if (!m_source || !m_source->Open()) {
        m_source.reset();
        ShowMessageBox(this, DialogText(StringId::ContactsUnavailable), MessageIcon::Error);
        return;
    }
    WatchAddressBook();
    m_tree->BeginBuild();
    m_source->Enumerate([this](const ContactRecord& record, const QString& key) {
        return m_tree->AddContact(record, key) != nullptr;
    });
    m_tree->EndBuild();
    m_signature = AddressBookSignature();
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        if (expandedGroups.contains(item->data(0, CContactTree::GroupRole).toString())) {
            item->setExpanded(true);
        }
    }
    if (!selectedKey.isEmpty()) {
        if (QTreeWidgetItem* again = m_tree->FindContact(selectedKey)) {
            if (again->parent() != nullptr) {
                again->parent()->setExpanded(true);
            }
            m_tree->setCurrentItem(again);
            m_tree->scrollToItem(again);
        }
    }
}

void CPhoneBook::WatchAddressBook() {
    const QString path = m_source->Location();
    if (path == m_watchedPath) {
        return;
    }
    delete m_watcher;
    m_watcher = new QFileSystemWatcher(this);
    m_watchedPath = path;
    const QFileInfo info(path);
    // The folder of a single-file book is watched too: tools replace the file by a rename.
    m_watcher->addPath(info.isDir() ? path : info.absolutePath());
    if (info.isFile()) {
        m_watcher->addPath(path);
    }
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_reload,
            qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_reload, qOverload<>(&QTimer::start));
}

QString CPhoneBook::AddressBookSignature() const {
    if (m_watchedPath.isEmpty()) {
        return {};
    }
    QString signature;
    const QFileInfo info(m_watchedPath);
    const QFileInfoList entries = info.isDir()
                                      ? QDir(m_watchedPath).entryInfoList(QDir::Files, QDir::Name)
                                      : QFileInfoList{info};
    for (const QFileInfo& entry : entries) {
        signature += entry.fileName() + u':' + QString::number(entry.size()) + u':' +
                     QString::number(entry.lastModified().toMSecsSinceEpoch()) + u'\n';
    }
    return signature;
}

void CPhoneBook::OnAddressBookChanged() {
    // The phone book's own writes are already in the list.
    if (AddressBookSignature() == m_signature) {
        return;
    }
    qCDebug(lcContacts) << "the address book changed on disk; reloading";
    Rebuild();
}

LRESULT CPhoneBook::WindowProc(uint32_t message, WPARAM, LPARAM) {
    switch (message) {
        case PhoneBookIds::NewContact:
            NewContact();
            break;
        case PhoneBookIds::EditContact:
            EditContact();
            break;
        case PhoneBookIds::DeleteContact:
            DeleteContact();
            break;
        default:
            break;
    }
    return 0;
}

void CPhoneBook::ShowContact(const ContactRecord& record, const QString& key) {
    QTreeWidgetItem* item = m_tree->AddContact(record, key);
    m_signature = AddressBookSignature();
    if (item == nullptr) {
        return;
    }
    if (item->parent() != nullptr) {
        item->parent()->setExpanded(true);
    }
    item->setExpanded(true);
    m_tree->scrollToItem(item);
    m_tree->setFocus();
    m_tree->setCurrentItem(item);
}

void CPhoneBook::NewContact() {
    CContactDialog dialog(ContactRecord{}, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const ContactRecord record = dialog.record();
    const bool named =
        !record[ContactRecord::First].isEmpty() || !record[ContactRecord::Middle].isEmpty() ||
        !record[ContactRecord::Last].isEmpty() || !record[ContactRecord::Display].isEmpty();
    if (!named || !m_source) {
        return;
    }
    QString key;
    ContactRecord stored;
    if (m_source->Create(record, &key) && m_source->Read(key, stored)) {
        ShowContact(stored, key);
    }
}

void CPhoneBook::EditContact() {
    QTreeWidgetItem* item = m_tree->SelectedContact();
    if (item == nullptr || !m_source) {
        return;
    }
    QString key = item->data(0, CContactTree::KeyRole).toString();
    ContactRecord record;
    if (!m_source->Read(key, record)) {
        return;
    }
    CContactDialog dialog(record, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QString oldKey = key;
    ContactRecord stored;
    if (!m_source->Update(key, dialog.record()) || !m_source->Read(key, stored)) {
        return;
    }
    if (QTreeWidgetItem* old = m_tree->FindContact(oldKey)) {
        m_tree->RemoveContact(old);
    }
    ShowContact(stored, key);
}

void CPhoneBook::DeleteContact() {
    QTreeWidgetItem* item = m_tree->SelectedContact();
    if (item == nullptr || !m_source) {
        return;
    }
    const QString key = item->data(0, CContactTree::KeyRole).toString();
    const QString title = item->text(0) + u" - "_s + DialogText(StringId::DeleteContact);
    // Only an explicit Yes deletes: closing the box keeps the contact.
    if (ShowMessageBox(this, DialogText(StringId::ConfirmDeleteContact), MessageIcon::Question,
                       MessageButtons::YesNo, title) != kYes) {
        return;
    }
    if (!m_source->Delete(key)) {
        return;
    }
    if (QTreeWidgetItem* still = m_tree->FindContact(key)) {
        m_tree->RemoveContact(still);
    }
    m_signature = AddressBookSignature();
}

void CPhoneBook::Call(const QString& number) {
    if (!m_services.handOver(number)) {
        qCDebug(lcContacts) << "the number could not be handed to the phone";
    }
}

}  // namespace zuvo
