// The phone book window offscreen, on a real vCard folder: search, groups, sorting, the edit
// dialog, delete, calling a number, its placement, and following changes made on disk.

#include <QtTest>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/dialogs/message_box.h"
#include "app/strings/string_table.h"
#include "app/ui/bus_guard.h"
#include "app/ui/main_window.h"
#include "contacts/phonebook/contact_dialog.h"
#include "contacts/phonebook/contact_tree.h"
#include "contacts/phonebook/phone_book.h"
#include "contacts/phonebook/phone_book_ids.h"
#include "contacts/vdir_source.h"
#include "platform/ids.h"
#include "platform/message_port.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "skin/skin_button.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

void WriteCard(const QString& folder, const QString& name, const QByteArray& body) {
    QFile file(folder + u'/' + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VCARD\r\nVERSION:3.0\r\n" + body + "END:VCARD\r\n");
}

QStringList Texts(const QTreeWidget* tree, const QTreeWidgetItem* parent = nullptr) {
    QStringList texts;
    const int count = parent != nullptr ? parent->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        texts.append(parent != nullptr ? parent->child(i)->text(0)
                                       : tree->topLevelItem(i)->text(0));
    }
    return texts;
}

QTreeWidgetItem* Find(const QTreeWidget* tree, const QString& text) {
    const auto items = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

void ClickAt(QWidget* target, QPoint at) {
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, at);
}

// Runs answer on the next edit dialog once it is up.
void WhenDialog(std::function<void(CContactDialog*)> answer) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer = std::move(answer)] {
        if (auto* dialog = qobject_cast<CContactDialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            answer(dialog);
        }
    });
    poll->start(10);
}

// Answers the next edit dialog: sets the fields named by control id and presses OK.
void AnswerDialog(std::map<int, QString> fields, bool ok = true) {
    WhenDialog([fields = std::move(fields), ok](CContactDialog* dialog) {
        for (const auto& [id, text] : fields) {
            auto* edit = dialog->findChild<QLineEdit*>(QString::number(id));
            if (edit == nullptr) {
                auto* combo = dialog->findChild<QComboBox*>(QString::number(id));
                QVERIFY(combo != nullptr);
                edit = combo->lineEdit();
            }
            edit->setText(text);
        }
        ok ? dialog->accept() : dialog->reject();
    });
}

}  // namespace

class PhoneBookTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TestEnvironment> m_env;
    std::unique_ptr<Registry> m_machine;
    std::unique_ptr<Registry> m_user;
    std::unique_ptr<Profile> m_profile;
    QString m_folder;
    QStringList m_calls;

    std::unique_ptr<CPhoneBook> Open() {
        CPhoneBook::Services services;
        const QString folder = m_folder;
        services.source = [folder] { return std::make_unique<VdirSource>(folder); };
        services.handOver = [this](const QString& number) {
            m_calls.append(number);
            return true;
        };
        services.machine = m_machine.get();
        services.profile = m_profile.get();
        auto window = std::make_unique<CPhoneBook>(nullptr, services);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
        return window;
    }

    void SeedBook() {
        WriteCard(m_folder, u"smith.vcf"_s,
                  "FN:Jo Smith\r\nN:Smith;Jo;;;\r\nORG:Acme & Co\r\nTEL;TYPE=HOME:111\r\n"
                  "TEL;TYPE=CELL:333\r\n");
        WriteCard(m_folder, u"small.vcf"_s,
                  "FN:Small Al\r\nN:Al;small;;;\r\nORG:Acme & Co\r\nTEL;TYPE=WORK:222\r\n");
        WriteCard(m_folder, u"display.vcf"_s,
                  "FN:Smythe Display\r\nN:Brown;Bo;;;\r\nORG:Smiths Ltd\r\nTEL:444\r\n");
        WriteCard(m_folder, u"inner.vcf"_s, "FN:Ann Assmith\r\nN:Assmith;Ann;;;\r\n");
        WriteCard(m_folder, u"nameless.vcf"_s, "N:Hidden;Nobody;;;\r\nTEL:999\r\n");
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(StringTable::Global().Load()); }
    void init() {
        m_env = std::make_unique<test::TestEnvironment>();
        m_folder = m_env->path(u"data/contacts/zuvo"_s);
        QVERIFY(QDir().mkpath(m_folder));
        m_machine = std::make_unique<Registry>(m_env->path(u"machine/pb.db"_s));
        m_user = std::make_unique<Registry>(m_env->path(u"user/pb.db"_s));
        m_profile = std::make_unique<Profile>(*m_user, Profile::PhoneRoot());
        m_calls.clear();
        SetMessageBoxHook(nullptr);
    }
    void cleanup() {
        SetMessageBoxHook(nullptr);
        m_profile.reset();
        m_user.reset();
        m_machine.reset();
        m_env.reset();
    }

    void searchGroupsAndSorting() {
        SeedBook();
        auto window = Open();
        CContactTree* tree = window->tree();
        QCOMPARE(window->windowTitle(), u"Phonebook"_s);
        QCOMPARE(tree->objectName(), u"2256"_s);
        // The "Add Contact" button can be seen and clicked where it is drawn.
        auto* add = window->findChild<QPushButton*>(u"32179"_s);
        QVERIFY(add->isVisible());
        QCOMPARE(window->centralWidget()->childAt(add->geometry().center()), add);
        QCOMPARE(add->text(), u"Add Contact"_s);
        // Flat, by display name; the card without FN is not shown.
        QCOMPARE(Texts(tree), (QStringList{u"Ann Assmith"_s, u"Jo Smith"_s, u"Small Al"_s,
                                           u"Smythe Display"_s}));
        QTreeWidgetItem* jo = Find(tree, u"Jo Smith"_s);
        QCOMPARE(Texts(tree, jo), (QStringList{u"111"_s, u"333"_s}));  // home before mobile
        QCOMPARE(CContactTree::Kind(jo->child(0)), int(PhoneBookIds::ImageHome));
        QCOMPARE(CContactTree::Kind(jo->child(1)), int(PhoneBookIds::ImageMobile));
        QCOMPARE(jo->child(1)->toolTip(0), u"Call mobile..."_s);
        QTreeWidgetItem* ann = Find(tree, u"Ann Assmith"_s);
        QCOMPARE(Texts(tree, ann), QStringList{u"No phone details available"_s});

        // "sm" finds a last name and a first name that begin with it, in any case, and nothing
        // that only has it in its display name, company, or further in.
        QLineEdit* search = window->searchBox();
        QCOMPARE(search->placeholderText(), u"Find a contact..."_s);
        QTest::keyClicks(search, u"SM"_s);
        QCOMPARE(Texts(tree), (QStringList{u"Jo Smith"_s, u"Small Al"_s}));

        // Grouping waits while searching, and comes back when the box is emptied.
        QAction* byCompany = window->findChild<QAction*>(u"33773"_s);
        QVERIFY(byCompany);
        byCompany->trigger();
        QVERIFY(search->text().isEmpty());  // the view change empties the search
        QCOMPARE(Texts(tree),
                 (QStringList{u"Acme & Co (2)"_s, u"Other Contacts (1)"_s, u"Smiths Ltd (1)"_s}));
        QTest::keyClicks(search, u"sm"_s);
        QCOMPARE(Texts(tree), (QStringList{u"Jo Smith"_s, u"Small Al"_s}));
        window->findChild<QAction*>(u"2255"_s)->trigger();  // the clear sign
        QVERIFY(search->text().isEmpty());
        QCOMPARE(Texts(tree).size(), 3);
        QCOMPARE(Texts(tree, Find(tree, u"Acme & Co (2)"_s)),
                 (QStringList{u"Jo Smith"_s, u"Small Al"_s}));

        // By last name.
        byCompany->trigger();
        window->findChild<QAction*>(u"33772"_s)->trigger();
        QCOMPARE(Texts(tree),
                 (QStringList{u"Al, small"_s, u"Assmith, Ann"_s, u"Brown, Bo"_s, u"Smith, Jo"_s}));
        QVERIFY(window->findChild<QAction*>(u"33772"_s)->isChecked());
        QVERIFY(!window->findChild<QAction*>(u"33771"_s)->isChecked());
    }

    // The edit dialog's fields are wide enough to show a whole international number: none is
    // scrolled out of sight while the dialog is at its first size.
    void editFieldsShowAWholeNumber() {
        const QString number = u"+44 (0)20 7946 0958"_s;
        ContactRecord record;
        for (auto field : {ContactRecord::Home, ContactRecord::Business, ContactRecord::Mobile,
                           ContactRecord::Other, ContactRecord::Home2, ContactRecord::Business2}) {
            record[field] = number;
        }
        CContactDialog dialog(record);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (int id : {PhoneBookIds::Home, PhoneBookIds::Business, PhoneBookIds::Mobile,
                       PhoneBookIds::Other, PhoneBookIds::Home2, PhoneBookIds::Business2}) {
            auto* edit = dialog.findChild<QLineEdit*>(QString::number(id));
            QVERIFY(edit);
            QCOMPARE(edit->text(), number);
            edit->setCursorPosition(0);
            edit->repaint();  // the field scrolls to its caret when painted
            const int start = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
            edit->end(false);
            edit->repaint();
            // Unscrolled, the caret moves by the whole text's width.
            QCOMPARE(edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() - start,
                     edit->fontMetrics().horizontalAdvance(number));
        }
    }

    void addEditAndDeleteThroughTheDialogs() {
        auto window = Open();
        window->findChild<QAction*>(u"33773"_s)->trigger();  // grouped
        CContactTree* tree = window->tree();
        QCOMPARE(tree->topLevelItemCount(), 0);

        // New contact: the display name box offers the name's arrangements.
        WhenDialog([](CContactDialog* dialog) {
            QCOMPARE(dialog->objectName(), u"2130"_s);
            dialog->findChild<QLineEdit*>(u"118"_s)->setText(u" Jo "_s);
            QTest::keyClicks(dialog->findChild<QLineEdit*>(u"1001"_s), u"Smith"_s);
            auto* display = dialog->findChild<QComboBox*>(u"1011"_s);
            QStringList offers;
            for (int i = 0; i < display->count(); ++i) {
                offers.append(display->itemText(i));
            }
            QCOMPARE(offers, (QStringList{u"Jo Smith"_s, u"Smith Jo"_s, u"Smith, Jo"_s}));
            QCOMPARE(dialog->windowTitle(), u"Edit Details -  Jo  Smith"_s);
            display->setCurrentIndex(2);
            dialog->findChild<QLineEdit*>(u"1003"_s)->setText(u"Acme"_s);
            dialog->findChild<QLineEdit*>(u"1006"_s)->setText(u"+44 7700 "_s);
            dialog->accept();
        });
        window->findChild<QPushButton*>(u"32179"_s)->click();
        QTRY_COMPARE(Texts(tree), QStringList{u"Acme (1)"_s});
        QTreeWidgetItem* jo = Find(tree, u"Smith, Jo"_s);
        QVERIFY(jo);
        QVERIFY(jo->isExpanded());
        QCOMPARE(tree->currentItem(), jo);
        QCOMPARE(Texts(tree, jo), QStringList{u"+44 7700"_s});  // trimmed
        const QStringList files = QDir(m_folder).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QFile card(m_folder + u'/' + files.first());
        QVERIFY(card.open(QIODevice::ReadOnly));
        const QByteArray written = card.readAll();
        QVERIFY2(written.contains("FN:Smith\\, Jo\r\n"), written.constData());
        QVERIFY(written.contains("TEL;TYPE=CELL:+44 7700\r\n"));

        // A dialog without any name creates nothing; Cancel changes nothing.
        AnswerDialog({{PhoneBookIds::Home, u"123"_s}});
        window->port().SendMessage(PhoneBookIds::NewContact);
        AnswerDialog({{PhoneBookIds::First, u"Nobody"_s}}, false);
        window->port().SendMessage(PhoneBookIds::NewContact);
        QCOMPARE(QDir(m_folder).entryList(QDir::Files).size(), 1);

        // Edit through the row's edit icon: the contact gains a home number and moves group.
        tree->setCurrentItem(jo);
        const QRect row = tree->visualItemRect(jo);
        AnswerDialog({{PhoneBookIds::Home, u"+44 1111"_s}, {PhoneBookIds::Company, u" "_s}});
        ClickAt(tree->viewport(), CContactTree::EditIconRect(row).center());
        QTRY_COMPARE(Texts(tree), QStringList{u"Other Contacts (1)"_s});
        jo = Find(tree, u"Smith, Jo"_s);
        QCOMPARE(Texts(tree, jo), (QStringList{u"+44 1111"_s, u"+44 7700"_s}));

        // Delete: closing the box or No keeps the contact; only Yes deletes.
        QList<MessageBoxRequest> asked;
        int answer = Cmd::Cancel;
        SetMessageBoxHook([&](const MessageBoxRequest& request) {
            asked.append(request);
            return answer;
        });
        tree->setCurrentItem(jo);
        for (int no : {int(Cmd::Cancel), 7}) {
            answer = no;
            window->port().SendMessage(PhoneBookIds::DeleteContact);
        }
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].text, u"Are you sure you want to permanently delete this contact?"_s);
        QCOMPARE(asked[0].title, u"Smith, Jo - Delete this contact..."_s);
        QCOMPARE(QDir(m_folder).entryList(QDir::Files).size(), 1);
        QVERIFY(Find(tree, u"Smith, Jo"_s));
        answer = 6;
        ClickAt(tree->viewport(),
                CContactTree::DeleteIconRect(tree->visualItemRect(Find(tree, u"Smith, Jo"_s)))
                    .center());
        QTRY_COMPARE(QDir(m_folder).entryList(QDir::Files).size(), 0);
        QCOMPARE(tree->topLevelItemCount(), 0);  // the emptied group went with it
    }

    void clickingANumberHandsItToThePhone() {
        SeedBook();
        auto window = Open();
        CContactTree* tree = window->tree();
        QTreeWidgetItem* jo = Find(tree, u"Jo Smith"_s);
        ClickAt(tree->viewport(), tree->visualItemRect(jo).center());  // one click opens it
        QVERIFY(jo->isExpanded());
        ClickAt(tree->viewport(), tree->visualItemRect(jo).center());
        QVERIFY(!jo->isExpanded());
        jo->setExpanded(true);
        const QRect mobile = tree->NumberTextRect(jo->child(1));
        ClickAt(tree->viewport(), mobile.center());
        QCOMPARE(m_calls, QStringList{u"333"_s});
        // Right of the number's text, and on the placeholder, nothing is called.
        ClickAt(tree->viewport(), QPoint(mobile.right() + 20, mobile.center().y()));
        QTreeWidgetItem* ann = Find(tree, u"Ann Assmith"_s);
        ann->setExpanded(true);
        ClickAt(tree->viewport(), tree->visualItemRect(ann->child(0)).center());
        QCOMPARE(m_calls, QStringList{u"333"_s});

        // The view's messages are the window's own: never taken from another process.
        for (uint32_t message :
             {PhoneBookIds::NewContact, PhoneBookIds::EditContact, PhoneBookIds::DeleteContact}) {
            QVERIFY(!AdmitFromBus(message, 0, 0, {}).has_value());
        }
    }

    void placementIsSavedRestoredAndKeptOnScreen() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        {
            auto window = Open();
            QCOMPARE(window->size(), QSize(300, 400));
            QCOMPARE(window->minimumSize(), QSize(300, 300));
            window->findChild<QAction*>(u"33772"_s)->trigger();
            window->findChild<QAction*>(u"33773"_s)->trigger();
            window->resize(420, 380);
            window->move(20, 30);
            window->close();
        }
        const QString key = m_profile->KeyPath(u"Phone Book"_s);
        Registry& hive = m_profile->hive();
        QCOMPARE(hive.ReadDword(key, u"CX"_s).value_or(0), 420u);
        QCOMPARE(hive.ReadDword(key, u"CY"_s).value_or(0), 380u);
        QCOMPARE(hive.ReadDword(key, u"S0"_s).value_or(0), 1u);
        QCOMPARE(hive.ReadDword(key, u"S1"_s).value_or(0), 1u);
        {
            auto window = Open();
            QCOMPARE(window->size(), QSize(420, 380));
            QCOMPARE(window->view().sortByLastName, 1);
            QCOMPARE(window->view().groupByCompany, 1);
            QVERIFY(window->findChild<QAction*>(u"33773"_s)->isChecked());
        }
        // Wider and taller than the screen, and far off it: pulled back whole onto it.
        hive.WriteDword(key, u"X"_s, 50000);
        hive.WriteDword(key, u"Y"_s, static_cast<uint32_t>(-200));
        hive.WriteDword(key, u"CX"_s, static_cast<uint32_t>(screen.width() + 500));
        hive.WriteDword(key, u"CY"_s, 100);
        auto window = Open();
        const QRect placed(window->pos(), window->size());
        QVERIFY2(screen.contains(placed), qPrintable(u"%1,%2 %3x%4"_s.arg(placed.x())
                                                         .arg(placed.y())
                                                         .arg(placed.width())
                                                         .arg(placed.height())));
        QCOMPARE(window->height(), 300);
    }

    void followsChangesOnDiskKeepingTheSelection() {
        SeedBook();
        auto window = Open();
        CContactTree* tree = window->tree();
        QTreeWidgetItem* jo = Find(tree, u"Jo Smith"_s);
        tree->setCurrentItem(jo);
        // Another program (a sync) adds a card.
        WriteCard(m_folder, u"synced.vcf"_s, "FN:Zed Synced\r\nTEL;TYPE=WORK:555\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(Find(tree, u"Zed Synced"_s) != nullptr, 10000);
        QVERIFY(tree->SelectedContact() != nullptr);
        QCOMPARE(tree->SelectedContact()->text(0), u"Jo Smith"_s);
        QFile::remove(m_folder + u"/inner.vcf"_s);
        QTRY_VERIFY_WITH_TIMEOUT(Find(tree, u"Ann Assmith"_s) == nullptr, 10000);
        QCOMPARE(tree->SelectedContact()->text(0), u"Jo Smith"_s);
    }

    void otherDialersContactsAreImportedOnOpening() {
        const QString key = u"SOFTWARE\\Quennet\\Dialer\\addressbook"_s;
        m_machine->WriteString(key, u"Old Friend"_s, u"1*+/2*+/3"_s);
        auto window = Open();
        QTreeWidgetItem* friendItem = Find(window->tree(), u"Old Friend"_s);
        QVERIFY(friendItem);
        QCOMPARE(Texts(window->tree(), friendItem), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        QVERIFY(m_machine->Values(key).isEmpty());
    }

    void command155OpensOneWindowAndRaisesIt() {
        CMainWindow phone;
        // The sign-in prompt would open a modal dialog; this is about the phone book.
        QCoreApplication::removePostedEvents(&phone.port());
        phone.show();
        QVERIFY(QTest::qWaitForWindowExposed(&phone));
        QVERIFY(phone.phoneBook() == nullptr);
        // The phone book key on the handset opens it.
        CSkinButton* key = phone.button(Cmd::PhoneBook);
        QVERIFY(key != nullptr && key->isVisible());
        for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, QPointF(5, 5), key->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(key, &event);
        }
        QTRY_VERIFY(phone.phoneBook() != nullptr);
        QPointer<QWidget> book = phone.phoneBook();
        QVERIFY(book);
        QCOMPARE(book->objectName(), u"ZuvoPhoneBook"_s);
        QVERIFY(book->isVisible());
        phone.port().SendMessage(Wm::Command, Cmd::PhoneBook, 0);
        QCOMPARE(phone.phoneBook(), book.data());
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](QWidget* w) { return w->objectName() == u"ZuvoPhoneBook"_s; }),
                 1);
        book->close();
        QTRY_VERIFY(book.isNull());
        phone.port().SendMessage(Wm::Command, Cmd::PhoneBook, 0);
        book = phone.phoneBook();
        QVERIFY(book);

        // Signing out closes it before the sign-in dialog comes back.
        bool closedBeforeDialog = false;
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [&, poll] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                poll->stop();
                poll->deleteLater();
                closedBeforeDialog = book.isNull() || !book->isVisible();
                dialog->reject();
            }
        });
        poll->start(10);
        phone.SignOut();
        QCoreApplication::removePostedEvents(&phone.port());
        QVERIFY(closedBeforeDialog);
        QTRY_VERIFY(book.isNull());
    }
};

QTEST_MAIN(PhoneBookTest)
#include "tst_phone_book.moc"
