// Every dialog shows the texts of the language in force: each control's text is the string
// table's, English or French, the French texts fit without being cut, and a language file that
// lacks a text leaves that one English.

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QResource>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QWizard>

#include <functional>
#include <memory>

#include "app/core/settings_store.h"
#include "app/dialogs/about_dialog.h"
#include "app/dialogs/call_history_dialog.h"
#include "app/dialogs/lock_dialog.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/preferences_sheet.h"
#include "app/dialogs/proxy_dialog.h"
#include "app/dialogs/signin_dialog.h"
#include "app/dialogs/unlock_dialog.h"
#include "app/logic/config_lock.h"
#include "app/logic/phone_state.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "audio/audio_wizard.h"
#include "audio/audio_wizard_context.h"
#include "contacts/call_history.h"
#include "contacts/call_history_selection.h"
#include "contacts/phonebook/contact_dialog.h"
#include "contacts/phonebook/contact_tree.h"
#include "contacts/phonebook/phone_book.h"
#include "contacts/phonebook/phone_book_ids.h"
#include "contacts/vdir_source.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "telephony/media_sound_devices.h"
#include "tests/support/pulse_audio.h"
#include "tests/support/test_environment.h"

using namespace zuvo;
using namespace Qt::Literals::StringLiterals;

namespace {

QHash<int, QString> ReadTable(const QString& relative) {
    QFile file(test::SourcePath(relative));
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("cannot read %s", qPrintable(relative));
    }
    return StringTable::ParseTable(file.readAll(), relative);
}

// The texts of ids as the given table file has them, "%" read as the brand name.
QSet<QString> TextsOf(const QHash<int, QString>& table, const QList<int>& ids) {
    QSet<QString> texts;
    for (int id : ids) {
        texts.insert(StringTable::ReplaceMarker(table.value(id), StringTable::kBrandName));
    }
    return texts;
}

// Every text the dialog puts before the user: caption, labels, buttons, group boxes, tabs,
// column headers, menus, tool tips and cue texts. Labels named in dataLabels show data (the brand,
// the version) and are left out. With visibleOnly, only the controls on screen now count.
QSet<QString> ShownTexts(QWidget& dialog, const QSet<QString>& dataLabels = {},
                         bool visibleOnly = false) {
    QSet<QString> texts{dialog.windowTitle()};
    QList<QWidget*> widgets = dialog.findChildren<QWidget*>();
    widgets.prepend(&dialog);
    for (QWidget* widget : widgets) {
        if (visibleOnly && !widget->isVisible()) {
            continue;
        }
        texts.insert(widget->toolTip());
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (!dataLabels.contains(label->objectName())) {
                texts.insert(label->text());
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            texts.insert(button->text());
        } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            texts.insert(box->title());
        } else if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                texts.insert(tabs->tabText(i));
            }
        } else if (auto* table = qobject_cast<QTableWidget*>(widget)) {
            for (int column = 0; column < table->columnCount(); ++column) {
                texts.insert(table->horizontalHeaderItem(column)->text());
            }
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            texts.insert(edit->placeholderText());
        } else if (auto* menu = qobject_cast<QMenu*>(widget)) {
            texts.insert(menu->title());
            for (const QAction* action : menu->actions()) {
                texts.insert(action->text());
            }
        }
    }
    texts.remove(QString());
    return texts;
}

// Shown controls whose text needs more room than they were given.
QStringList Clipped(QWidget& dialog) {
    QStringList clipped;
    for (QWidget* widget : dialog.findChildren<QWidget*>()) {
        if (!widget->isVisible()) {
            continue;
        }
        QString text;
        QSize needed;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            text = label->text();
            // A wrapped text needs the height its lines take at the width it has.
            needed = label->wordWrap() ? QSize(0, label->heightForWidth(label->width()))
                                       : label->sizeHint();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            text = button->text();
            needed = button->sizeHint();
        } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            text = box->title();
            needed = box->minimumSizeHint();
        } else if (auto* table = qobject_cast<QTableWidget*>(widget)) {
            for (int column = 0; column < table->columnCount(); ++column) {
                if (table->columnWidth(column) <
                    table->horizontalHeader()->sectionSizeHint(column)) {
                    clipped << table->horizontalHeaderItem(column)->text();
                }
            }
            continue;
        }
        if (!text.isEmpty() &&
            (widget->width() < needed.width() || widget->height() < needed.height())) {
            clipped << u"%1 (%2x%3 < %4x%5)"_s.arg(text)
                           .arg(widget->width())
                           .arg(widget->height())
                           .arg(needed.width())
                           .arg(needed.height());
        }
    }
    return clipped;
}

// With ZUVO_DIALOG_SHOTS set to a folder, a picture of the whole X screen (as `import` takes
// it) is saved there under the dialog's name, for a person to look at.
void TakeShot(QWidget& dialog, const QString& name) {
    const QString folder = qEnvironmentVariable("ZUVO_DIALOG_SHOTS");
    if (folder.isEmpty() || name.isEmpty()) {
        return;
    }
    dialog.move(40, 40);
    dialog.raise();
    QTest::qWait(300);
    QProcess::execute(u"/usr/bin/import"_s,
                      {u"-window"_s, u"root"_s, folder + u'/' + name + u".png"_s});
}

// One language in force for the life of the object: French from the built bundle, or English.
class Language {
public:
    explicit Language(bool french) : m_french(french) {
        if (m_french) {
            m_path = test::LanguageBundlePath(u"FR"_s);
            m_registered = QResource::registerResource(m_path, u"/lang"_s);
        }
        StringTable::Global().Load();
    }
    ~Language() {
        if (m_registered) {
            QResource::unregisterResource(m_path, u"/lang"_s);
        }
        StringTable::Global().Load();
    }
    bool ready() const { return !m_french || StringTable::Global().HasLanguageBundle(); }
    const QHash<int, QString>& table() const { return m_french ? French() : English(); }
    QString name() const { return m_french ? u"FR"_s : u"EN"_s; }
    static const QHash<int, QString>& English() {
        static const QHash<int, QString> table = ReadTable(u"resources/strings/EN.tsv"_s);
        return table;
    }
    static const QHash<int, QString>& French() {
        static const QHash<int, QString> table = ReadTable(u"resources/strings/FR.tsv"_s);
        return table;
    }

private:
    bool m_french = false;
    bool m_registered = false;
    QString m_path;
};

// A card in the address book folder.
void WriteCard(const QString& folder, const QString& name, const QByteArray& body) {
    QFile file(folder + u'/' + name);
    if (!file.open(QIODevice::WriteOnly)) {
        qFatal("cannot write %s", qPrintable(file.fileName()));
    }
    file.write("BEGIN:VCARD\r\nVERSION:3.0\r\n" + body + "END:VCARD\r\n");
}

// The phone's settings, state and lock as the window has them, and an address book folder.
struct Rig {
    test::TestEnvironment env;
    QString contacts = env.path(u"data/contacts/zuvo"_s);
    Profile profile = Profile::Phone();
    PhoneState state;
    std::unique_ptr<ConfigLock> lock;
    CallHistory history;
    CallHistorySelection selection;
    Rig() {
        state.settings = LoadSettings(profile, u"EN"_s);
        lock = std::make_unique<ConfigLock>(state, profile);
        history.Add(u"+441234567"_s);
        selection.Open(history.Count());
        QDir().mkpath(contacts);
    }
    // The phone book window on the rig's folder; it calls no one.
    std::unique_ptr<CPhoneBook> PhoneBook() {
        CPhoneBook::Services services;
        services.source = [folder = contacts] { return std::make_unique<VdirSource>(folder); };
        services.handOver = [](const QString&) { return true; };
        services.profile = &profile;
        auto window = std::make_unique<CPhoneBook>(nullptr, services);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        return window;
    }
};

struct DialogCase {
    QString name;
    std::function<std::unique_ptr<QWidget>(Rig&)> make;
    QList<int> ids;
    QSet<QString> dataLabels;
};

QList<DialogCase> DialogCases() {
    namespace S = StringId;
    return {
        {u"signin"_s,
         [](Rig&) {
             SigninDialogData data;
             data.hasTunnel = true;
             return std::make_unique<CSigninDialog>(data);
         },
         {S::SigninCaption, S::SigninUserLabel, S::SigninPasswordLabel, S::SigninRememberUser,
          S::SigninRememberPassword, S::SigninUseTunnel, S::SigninSignIn, S::SigninExit,
          S::ButtonHelp, S::TipEnterAccount, S::TipEnterPin, S::TipHelp},
         {u"brand"_s}},
        {u"proxy"_s,
         [](Rig& rig) {
             return std::make_unique<CProxyDialog>(service::ProxySettings(), rig.profile);
         },
         {S::ProxyTitle, S::ProxyHeading, S::ProxyNone, S::ProxyDesktop, S::ProxyExplicit,
          S::ProxyAddress, S::ProxyHttpPort, S::ProxyHttpsPort, S::ProxyUserName, S::ProxyPassword,
          S::ButtonOk, S::ButtonCancel},
         {}},
        {u"call_history"_s,
         [](Rig& rig) { return std::make_unique<CCallHistoryDialog>(rig.history, rig.selection); },
         {S::HistoryTitle, S::HistoryKeyHeader, S::HistoryNumberHeader, S::HistoryCall,
          S::ButtonClose},
         {}},
        {u"preferences"_s,
         [](Rig& rig) {
             PreferencesPage page;
             page.minutesAvailable = true;
             page.popupsAvailable = true;
             page.webLinks = true;
             return std::make_unique<CPreferencesSheet>(page, rig.profile, nullptr, nullptr);
         },
         {S::PreferencesTitle, S::PrefDisplayBalance, S::PrefDisplayMinutes, S::PrefPopups,
          S::PrefAutomaticPort, S::PrefFixedPort, S::PrefSaveOptions, S::PrefLockToAccount,
          S::PrefAccountButton, S::PrefWebLinks, S::PrefPhoneBook, S::PrefGeneralGroup,
          S::PrefCallShopGroup, S::PrefRtpGroup, S::ButtonOk, S::ButtonCancel, S::ButtonApply,
          S::ButtonHelp},
         {}},
        {u"lock"_s,
         [](Rig& rig) { return std::make_unique<CLockDialog>(*rig.lock); },
         {S::LockTitle, S::LockAdminPin, S::LockConfirmPin, S::LockPinHint, S::ButtonOk,
          S::ButtonCancel},
         {}},
        {u"unlock"_s,
         [](Rig& rig) { return std::make_unique<CUnlockDialog>(*rig.lock); },
         {S::UnlockTitle, S::LockAdminPin, S::UnlockPermanently, S::ButtonOk, S::ButtonCancel},
         {}},
        {u"about"_s,
         [](Rig&) { return std::make_unique<CAboutDialog>(true); },
         {S::AboutTitle, S::AboutVersionLabel, S::ButtonClose, S::ButtonHelp},
         {QString::number(Ctl::About::ProductLine), QString::number(Ctl::About::Version)}},
        {u"phone_book"_s,
         [](Rig& rig) { return rig.PhoneBook(); },
         {S::PhoneBookTitle, S::PhoneBookFileMenu, S::PhoneBookExit, S::PhoneBookViewMenu,
          S::PhoneBookByFirstName, S::PhoneBookByLastName, S::PhoneBookByCompany,
          S::PhoneBookContactsMenu, S::PhoneBookNewContact, S::FindContactCue, S::AddContact,
          S::NameHeader},
         {}},
        {u"contact_edit"_s,
         [](Rig&) { return std::make_unique<CContactDialog>(ContactRecord{}); },
         {S::ContactTitle, S::ContactFirst, S::ContactMiddle, S::ContactLast, S::ContactDisplay,
          S::ContactCompany, S::ContactHome, S::ContactBusiness, S::ContactMobile, S::ContactOther,
          S::ContactHome2, S::ContactBusiness2, S::ButtonOk, S::ButtonCancel},
         {}},
    };
}

// Shows a message box with the given buttons and hands back what it showed.
QSet<QString> MessageBoxTexts(MessageButtons buttons, const QString& shot) {
    QSet<QString> texts;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        poll.stop();
        for (QAbstractButton* button : box->buttons()) {
            texts.insert(button->text());
        }
        TakeShot(*box, shot);
        box->reject();
    });
    poll.start(10);
    ShowMessageBox(nullptr, StringTable::Global().Text(StringId::IncorrectPin),
                   MessageIcon::Question, buttons);
    return texts;
}

}  // namespace

class TestDialogTexts : public QObject {
    Q_OBJECT

    // The wizard lists the sound server's devices: a private one, for the whole program.
    std::unique_ptr<test::PulseAudio> m_pulse;
    std::unique_ptr<SoundDevices> m_devices;

private Q_SLOTS:
    void initTestCase() {
        m_pulse = std::make_unique<test::PulseAudio>();
        QVERIFY2(m_pulse->Start(), m_pulse->output().constData());
        m_devices = std::make_unique<MediaSoundDevices>();
    }
    void cleanupTestCase() {
        m_devices.reset();
        m_pulse.reset();
    }

    // Each dialog, opened with each language, shows exactly that language's texts, and none of
    // them is cut short.
    void everyDialogShowsTheLanguageInForce() {
        QStringList problems;
        for (const bool french : {false, true}) {
            Language language(french);
            QVERIFY2(language.ready(), "the French bundle is not built");
            for (const DialogCase& c : DialogCases()) {
                const QString what = language.name() + u' ' + c.name;
                const QSet<QString> expected = TextsOf(language.table(), c.ids);
                // The French file really differs from the English one for this dialog.
                QVERIFY2(TextsOf(Language::English(), c.ids) != TextsOf(Language::French(), c.ids),
                         qPrintable(what));
                Rig rig;
                std::unique_ptr<QWidget> dialog = c.make(rig);
                dialog->show();
                QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
                const QSet<QString> shown = ShownTexts(*dialog, c.dataLabels);
                if (shown != expected) {
                    problems << what + u": shown but not expected: "_s +
                                    (shown - expected).values().join(u" | "_s) +
                                    u"; expected but not shown: "_s +
                                    (expected - shown).values().join(u" | "_s);
                }
                const QStringList clipped = Clipped(*dialog);
                if (!clipped.isEmpty()) {
                    problems << what + u": cut: "_s + clipped.join(u", "_s);
                }
                if (french) {
                    TakeShot(*dialog, c.name);
                }
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    // The Audio Tune wizard, page by page in each language: the caption, the page's title and
    // texts and the wizard's own buttons are the language's, nothing on or off screen is left
    // in another language, and nothing is cut.
    void audioWizardShowsTheLanguageInForce() {
        namespace S = StringId;
        const QList<int> always{S::AudioTuneTitle, S::ButtonCancel, S::ButtonHelp};
        const QList<QList<int>> pages{
            {S::AudioIntroTitle, S::AudioIntroText, S::AudioAcceleration, S::AudioAccelerationNote,
             S::WizardNext},
            {S::AudioSpeakersTitle, S::AudioSpeakersText, S::PlaySound, S::AudioEcho,
             S::AudioEchoNote, S::WizardBack, S::WizardNext},
            {S::AudioMicrophoneTitle, S::AudioMicrophoneText, S::WizardBack, S::WizardFinish},
        };
        const QStringList shots{u"wizard_intro"_s, u"wizard_speakers"_s, u"wizard_microphone"_s};
        QList<int> everyId = always;
        for (const QList<int>& ids : pages) {
            everyId += ids;
        }
        QStringList problems;
        for (const bool french : {false, true}) {
            Language language(french);
            QVERIFY(language.ready());
            AudioWizardContext context;
            context.devices = m_devices.get();
            // The acceleration switch and the Help button shown as well.
            context.modernPlatform = false;
            context.helpEnabled = true;
            CConfig wizard(context, nullptr);
            wizard.show();
            QVERIFY(QTest::qWaitForWindowExposed(&wizard));
            for (int page = 0; page < pages.size(); ++page) {
                if (page > 0) {
                    wizard.next();
                }
                QCOMPARE(wizard.currentId(), page);
                QApplication::processEvents();
                const QString what = language.name() + u" wizard page "_s + QString::number(page);
                const QList<int> ids = always + pages[page];
                QVERIFY2(TextsOf(Language::English(), ids) != TextsOf(Language::French(), ids),
                         qPrintable(what));
                const QSet<QString> expected = TextsOf(language.table(), ids);
                const QSet<QString> shown = ShownTexts(wizard, {}, true);
                if (shown != expected) {
                    problems << what + u": shown but not expected: "_s +
                                    (shown - expected).values().join(u" | "_s) +
                                    u"; expected but not shown: "_s +
                                    (expected - shown).values().join(u" | "_s);
                }
                // No page commits anything: the toolkit's Commit button is never shown.
                const QSet<QString> foreign =
                    ShownTexts(wizard) - TextsOf(language.table(), everyId) -
                    QSet<QString>{wizard.button(QWizard::CommitButton)->text()};
                if (!foreign.isEmpty()) {
                    problems << what + u": hidden texts not of the language: "_s +
                                    foreign.values().join(u" | "_s);
                }
                const QStringList clipped = Clipped(wizard);
                if (!clipped.isEmpty()) {
                    problems << what + u": cut: "_s + clipped.join(u", "_s);
                }
                if (french) {
                    TakeShot(wizard, shots[page]);
                }
            }
            wizard.reject();
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    // Texts put in later: the proxy's question for credentials and the message boxes' buttons.
    void laterTextsFollowTheLanguage() {
        for (const bool french : {false, true}) {
            Language language(french);
            QVERIFY(language.ready());
            const QHash<int, QString>& table = language.table();
            Rig rig;
            CProxyDialog proxy(service::ProxySettings(), rig.profile);
            proxy.show();
            proxy.AskForCredentials(u"proxy.test:3128"_s);
            const QString question =
                table.value(StringId::ProxyAsksCredentials).arg(u"proxy.test:3128"_s);
            QVERIFY(ShownTexts(proxy).contains(question));
            QVERIFY(Clipped(proxy).isEmpty());
            if (french) {
                TakeShot(proxy, u"proxy_credentials"_s);
            }
            proxy.close();

            QCOMPARE(
                MessageBoxTexts(MessageButtons::OkCancel, french ? u"message_box"_s : QString()),
                TextsOf(table, {StringId::ButtonOk, StringId::ButtonCancel}));
            QCOMPARE(MessageBoxTexts(MessageButtons::YesNo, QString()),
                     TextsOf(table, {StringId::ButtonYes, StringId::ButtonNo}));
        }
    }

    // The phone book's list and its delete box in each language: the group of contacts without
    // a company, the placeholder of a contact without numbers, the numbers' and the row icons'
    // tips, and the box that asks before a contact is deleted, whose texts are not cut.
    void phoneBookListAndDeleteBoxFollowTheLanguage() {
        namespace S = StringId;
        const QList<int> listIds{S::OtherContacts, S::NoPhoneDetails, S::CallHome,   S::CallWork,
                                 S::CallHome2,     S::CallWork2,      S::CallMobile, S::CallOther,
                                 S::EditContact,   S::DeleteContact};
        const QList<int> boxIds{S::ConfirmDeleteContact, S::ButtonYes, S::ButtonNo};
        QStringList problems;
        for (const bool french : {false, true}) {
            Language language(french);
            QVERIFY(language.ready());
            const QHash<int, QString>& table = language.table();
            Rig rig;
            WriteCard(rig.contacts, u"all.vcf"_s,
                      "FN:Al Numbers\r\nN:Numbers;Al;;;\r\nTEL;TYPE=HOME:101\r\n"
                      "TEL;TYPE=WORK:102\r\nTEL;TYPE=CELL:103\r\nTEL:104\r\n"
                      "TEL;TYPE=HOME:105\r\nTEL;TYPE=WORK:106\r\n");
            WriteCard(rig.contacts, u"none.vcf"_s, "FN:Bo Nothing\r\nN:Nothing;Bo;;;\r\n");
            // Grouped by company, as the user left it.
            QVERIFY(rig.profile.WriteInt(u"Phone Book"_s, u"S1"_s, 1));
            std::unique_ptr<CPhoneBook> window = rig.PhoneBook();
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            CContactTree* tree = window->tree();
            tree->expandAll();
            QSet<QString> shown;
            for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it) {
                QTreeWidgetItem* item = *it;
                shown.insert(item->toolTip(0));
                const int kind = CContactTree::Kind(item);
                if (kind == PhoneBookIds::ImageGroup || kind == PhoneBookIds::ImagePlaceholder) {
                    shown.insert(kind == PhoneBookIds::ImageGroup
                                     ? item->text(0).chopped(u" (2)"_s.size())
                                     : item->text(0));
                    // The row is wide enough for its text at the window's first size.
                    const int needed = tree->sizeHintForIndex(tree->indexFromItem(item)).width();
                    if (tree->visualItemRect(item).width() < needed) {
                        problems << language.name() + u" list: cut: "_s + item->text(0);
                    }
                } else if (kind == PhoneBookIds::ImageContact) {
                    // The row icons' tips, where the mouse rests on them.
                    const QRect row = tree->visualItemRect(item);
                    for (const QRect& icon :
                         {CContactTree::EditIconRect(row), CContactTree::DeleteIconRect(row)}) {
                        QHelpEvent help(QEvent::ToolTip, icon.center(),
                                        tree->viewport()->mapToGlobal(icon.center()));
                        QApplication::sendEvent(tree->viewport(), &help);
                        shown.insert(QToolTip::text());
                    }
                    QToolTip::hideText();
                }
            }
            shown.remove(QString());
            const QSet<QString> expected = TextsOf(table, listIds);
            if (shown != expected) {
                problems << language.name() + u" list: shown but not expected: "_s +
                                (shown - expected).values().join(u" | "_s) +
                                u"; expected but not shown: "_s +
                                (expected - shown).values().join(u" | "_s);
            }
            if (french) {
                TakeShot(*window, u"phone_book_list"_s);
            }

            // The delete box, over the contact without numbers; No keeps it.
            tree->setCurrentItem(
                tree->findItems(u"Bo Nothing"_s, Qt::MatchExactly | Qt::MatchRecursive).value(0));
            QVERIFY(tree->SelectedContact() != nullptr);
            QSet<QString> boxTexts;
            QString boxTitle;
            QStringList boxClipped;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (box == nullptr || !box->isVisible()) {
                    return;
                }
                poll.stop();
                boxTitle = box->windowTitle();
                boxTexts = ShownTexts(*box) - QSet<QString>{boxTitle};
                boxClipped = Clipped(*box);
                if (french) {
                    TakeShot(*box, u"phone_book_delete"_s);
                }
                box->button(QMessageBox::No)->click();
            });
            poll.start(10);
            window->WindowProc(PhoneBookIds::DeleteContact, 0, 0);
            poll.stop();
            if (boxTitle != u"Bo Nothing - "_s + table.value(S::DeleteContact)) {
                problems << language.name() + u" delete box title: "_s + boxTitle;
            }
            if (boxTexts != TextsOf(table, boxIds)) {
                problems << language.name() + u" delete box: "_s + boxTexts.values().join(u" | "_s);
            }
            if (!boxClipped.isEmpty()) {
                problems << language.name() + u" delete box cut: "_s + boxClipped.join(u", "_s);
            }
            QVERIFY(tree->SelectedContact() != nullptr);
            window->close();
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

    // The About box's logo carries words too: the language bundle's own logo when it has one.
    void aboutLogoFollowsTheLanguage() {
        QImage logos[2];
        for (const bool french : {false, true}) {
            Language language(french);
            QVERIFY(language.ready());
            CAboutDialog about(false);
            const auto* logo = about.findChild<QLabel*>(QString::number(Ctl::About::Logo));
            QVERIFY(logo);
            logos[french ? 1 : 0] = logo->pixmap().toImage();
            QCOMPARE(logos[french ? 1 : 0].size(), QSize(160, 64));
        }
        QVERIFY(logos[0] != logos[1]);
    }

    // A language file without some texts: those stay English, the others are the language's.
    // Without any language file everything is English (the first pass above).
    void missingTextsFallBackToEnglish() {
        test::TestEnvironment env;
        const QString path = env.path(u"partial.tsv"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("7106\tSe connecter\n7004\tAide\n");
        file.close();
        QVERIFY(StringTable::Global().LoadFrom(u":/strings/EN.tsv"_s, path));
        QVERIFY(StringTable::Global().HasLanguageBundle());
        {
            CSigninDialog dialog{SigninDialogData()};
            const QSet<QString> shown = ShownTexts(dialog, {u"brand"_s});
            QVERIFY(shown.contains(u"Se connecter"_s));
            QVERIFY(shown.contains(u"Aide"_s));
            QVERIFY(shown.contains(u"Exit"_s));
            QVERIFY(shown.contains(u"Remember My Username"_s));
            QVERIFY(!shown.contains(u"Sign In"_s));
        }
        {
            // A bundle that cannot be read at all: English throughout.
            QVERIFY(StringTable::Global().LoadFrom(u":/strings/EN.tsv"_s, env.path(u"none"_s)));
            CSigninDialog dialog{SigninDialogData()};
            const QSet<QString> shown = ShownTexts(dialog, {u"brand"_s});
            QVERIFY(shown.contains(u"Sign In"_s));
            QVERIFY(shown.contains(u"Help"_s));
        }
        QVERIFY(StringTable::Global().Load());
    }
};

QTEST_MAIN(TestDialogTexts)
#include "tst_dialog_texts.moc"
