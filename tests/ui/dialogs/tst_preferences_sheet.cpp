#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/dialogs/message_box.h"
#include "app/dialogs/preferences_sheet.h"
#include "app/strings/string_table.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "tests/support/test_environment.h"

using namespace zuvo;
using namespace Qt::Literals::StringLiterals;

namespace {

template <class T>
T* Control(QWidget& sheet, int id) {
    return sheet.findChild<T*>(QString::number(id));
}

QLineEdit* PortBox(QWidget& sheet) {
    return Control<QLineEdit>(sheet, PreferencesCtl::Port);
}

QPushButton* Button(QWidget& sheet, int id) {
    return Control<QPushButton>(sheet, id);
}

// A click on the button's own mark, as a user would make it.
void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

struct MessageRecorder {
    QStringList texts;
    MessageRecorder() {
        SetMessageBoxHook([this](const MessageBoxRequest& request) {
            texts << request.text;
            return Cmd::Ok;
        });
    }
    ~MessageRecorder() { SetMessageBoxHook(nullptr); }
};

PreferencesPage Stored(int port, bool dynamic) {
    PreferencesPage page;
    page.rtpPort = port;
    page.rtpDynamic = dynamic;
    return page;
}

const QString kRange = u"Please enter an integer between 1025 and 65534."_s;
const QString kInteger = u"Please enter an integer."_s;

}  // namespace

class TestPreferencesSheet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(StringTable::Global().Load()); }

    void pageShowsItsControlsInOrderAndFollowsTheService() {
        test::TestEnvironment env;
        Profile profile = Profile::Phone();
        PreferencesPage page = Stored(7000, true);
        page.minutesAvailable = false;
        page.popupsAvailable = true;
        page.saveOptions = false;
        CPreferencesSheet sheet(page, profile, nullptr, nullptr);
        sheet.show();
        QCOMPARE(sheet.windowTitle(), u"Preferences"_s);

        const QList<QPair<int, QString>> texts{
            {PreferencesCtl::DisplayBalance, u"Display account balance"_s},
            {PreferencesCtl::DisplayMinutes, u"Display \"Minutes for this call\""_s},
            {PreferencesCtl::Popups, u"Enable pop-up message notifications"_s},
            {PreferencesCtl::AutomaticPort, u"Automatically select the port"_s},
            {PreferencesCtl::FixedPort, u"Use the following Port:"_s},
            {PreferencesCtl::Port, QString()},
            {PreferencesCtl::SaveOptions, u"Enable the Username and Password save options"_s},
            {PreferencesCtl::LockToAccount,
             u"Lock the phone to the current Username and Password"_s},
            {PreferencesCtl::AccountButton, u"Enable the account information button"_s},
            {PreferencesCtl::WebLinks, u"Enable Web links and online help"_s},
            {PreferencesCtl::PhoneBook, u"Enable Phone Book"_s}};
        QWidget* previous = nullptr;
        for (const auto& [id, text] : texts) {
            QWidget* control = Control<QWidget>(sheet, id);
            QVERIFY2(control != nullptr, qPrintable(QString::number(id)));
            if (auto* button = qobject_cast<QAbstractButton*>(control)) {
                QCOMPARE(button->text(), text);
            }
            if (previous != nullptr) {
                QCOMPARE(previous->nextInFocusChain(), control);
            }
            previous = control;
        }
        QStringList groups;
        for (QGroupBox* box : sheet.findChildren<QGroupBox*>()) {
            groups << box->title();
        }
        groups.sort();
        QCOMPARE(groups, (QStringList{u"Call Shop Settings"_s, u"General Settings"_s,
                                      u"RTP (audio) Ports Settings"_s}));

        QVERIFY(!Control<QCheckBox>(sheet, PreferencesCtl::DisplayMinutes)->isVisible());
        QVERIFY(Control<QCheckBox>(sheet, PreferencesCtl::Popups)->isVisible());
        for (int id :
             {PreferencesCtl::AccountButton, PreferencesCtl::WebLinks, PreferencesCtl::PhoneBook}) {
            QVERIFY(Control<QCheckBox>(sheet, id)->isVisible());
        }
        QVERIFY(!Control<QCheckBox>(sheet, PreferencesCtl::SaveOptions)->isChecked());

        // Automatic port: the box is closed; the fixed choice opens it; only digits go in.
        QVERIFY(Control<QRadioButton>(sheet, PreferencesCtl::AutomaticPort)->isChecked());
        QVERIFY(!PortBox(sheet)->isEnabled());
        QVERIFY(!Button(sheet, PreferencesCtl::Apply)->isEnabled());
        Click(Control<QRadioButton>(sheet, PreferencesCtl::FixedPort));
        QVERIFY(PortBox(sheet)->isEnabled());
        QVERIFY(Button(sheet, PreferencesCtl::Apply)->isEnabled());
        PortBox(sheet)->clear();
        QTest::keyClicks(PortBox(sheet), u"4a0-0 0.0"_s);
        QCOMPARE(PortBox(sheet)->text(), u"40000"_s);
        Click(Control<QRadioButton>(sheet, PreferencesCtl::AutomaticPort));
        QVERIFY(!PortBox(sheet)->isEnabled());

        // The other way round, with both service options.
        page.rtpDynamic = false;
        page.minutesAvailable = true;
        page.popupsAvailable = false;
        CPreferencesSheet fixed(page, profile, nullptr, nullptr);
        fixed.show();
        QVERIFY(Control<QRadioButton>(fixed, PreferencesCtl::FixedPort)->isChecked());
        QVERIFY(PortBox(fixed)->isEnabled());
        QVERIFY(Control<QCheckBox>(fixed, PreferencesCtl::DisplayMinutes)->isVisible());
        QVERIFY(!Control<QCheckBox>(fixed, PreferencesCtl::Popups)->isVisible());
        // Any check box marks the page changed.
        QVERIFY(!Button(fixed, PreferencesCtl::Apply)->isEnabled());
        Click(Control<QCheckBox>(fixed, PreferencesCtl::PhoneBook));
        QVERIFY(Button(fixed, PreferencesCtl::Apply)->isEnabled());
    }

    void storedPortOutOfRangeIsClampedOnCancelAndRefusedOnOk() {
        test::TestEnvironment env;
        Profile profile = Profile::Phone();
        profile.WriteInt(u"Network"_s, u"RTP Port"_s, 1000);
        MessageRecorder messages;
        int applied = 0;
        auto sink = [&](const PreferencesPage&) { ++applied; };
        {
            CPreferencesSheet sheet(Stored(1000, false), profile, sink, nullptr);
            sheet.show();
            QCOMPARE(PortBox(sheet)->text(), u"1000"_s);
            Button(sheet, Cmd::Ok)->click();
            QCOMPARE(messages.texts, QStringList{kRange});
            QVERIFY(sheet.isVisible());
            QCOMPARE(sheet.focusWidget(), PortBox(sheet));
            QCOMPARE(applied, 0);
            Button(sheet, Cmd::Cancel)->click();
            QCOMPARE(sheet.result(), int(QDialog::Rejected));
            QCOMPARE(sheet.model().page().rtpPort, 1025);
            PhoneSettings settings;
            sheet.model().TakeBack(settings);
            QCOMPARE(settings.rtpPort, 1025);
            QVERIFY(!settings.rtpDynamic);
        }
        QCOMPARE(profile.GetInt(u"Network"_s, u"RTP Port"_s, 0), 1000);

        // Even with the box closed, OK checks it.
        messages.texts.clear();
        CPreferencesSheet automatic(Stored(1000, true), profile, sink, nullptr);
        automatic.show();
        Button(automatic, Cmd::Ok)->click();
        QCOMPARE(messages.texts, QStringList{kRange});
        QVERIFY(automatic.isVisible());

        CPreferencesSheet high(Stored(70000, false), profile, sink, nullptr);
        high.show();
        QCOMPARE(PortBox(high)->text(), u"70000"_s);
        QTest::keyClick(&high, Qt::Key_Escape);
        QCOMPARE(high.result(), int(QDialog::Rejected));
        QCOMPARE(high.model().page().rtpPort, 65534);
        QCOMPARE(applied, 0);
        QCOMPARE(profile.GetInt(u"Network"_s, u"RTP Port"_s, 0), 1000);
    }

    void badPortsAreRefusedAndNothingIsStored() {
        test::TestEnvironment env;
        Profile profile = Profile::Phone();
        MessageRecorder messages;
        int applied = 0;
        CPreferencesSheet sheet(
            Stored(7000, false), profile, [&](const PreferencesPage&) { ++applied; }, nullptr);
        sheet.show();
        const QList<QPair<QString, QString>> cases{{QString(), kInteger},
                                                   {u"abc"_s, kInteger},
                                                   {u"0"_s, kRange},
                                                   {u"99999"_s, kRange},
                                                   {u"-1"_s, kRange},
                                                   {u" 5060 "_s, kInteger},
                                                   {u"12345678901234567890"_s, kRange}};
        for (const auto& [text, message] : cases) {
            PortBox(sheet)->setText(text);  // as a paste would put it there
            messages.texts.clear();
            Button(sheet, Cmd::Ok)->click();
            QCOMPARE(messages.texts, QStringList{message});
            messages.texts.clear();
            Button(sheet, PreferencesCtl::Apply)->click();
            QCOMPARE(messages.texts, QStringList{message});
            QVERIFY(sheet.isVisible());
            QVERIFY(Button(sheet, PreferencesCtl::Apply)->isEnabled());
        }
        QCOMPARE(applied, 0);
        QVERIFY(!profile.hive().Query(profile.KeyPath(u"Network"_s), u"RTP Port"_s));
        QVERIFY(!profile.hive().Query(profile.KeyPath(u"Network"_s), u"RTP Dynamic"_s));

        // Enter takes the default button, OK.
        PortBox(sheet)->setText(u"40000"_s);
        QTest::keyClick(PortBox(sheet), Qt::Key_Return);
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(applied, 1);
        QCOMPARE(profile.GetInt(u"Network"_s, u"RTP Port"_s, 0), 40000);
        QCOMPARE(profile.GetInt(u"Network"_s, u"RTP Dynamic"_s, 1), 0);
    }

    void applyWritesTheAudioPortChoiceAndGoesQuiet() {
        test::TestEnvironment env;
        Profile profile = Profile::Phone();
        QList<PreferencesPage> pages;
        CPreferencesSheet sheet(
            Stored(40000, false), profile, [&](const PreferencesPage& page) { pages << page; },
            nullptr);
        sheet.show();
        Click(Control<QRadioButton>(sheet, PreferencesCtl::AutomaticPort));
        Click(Control<QCheckBox>(sheet, PreferencesCtl::DisplayBalance));
        QPushButton* apply = Button(sheet, PreferencesCtl::Apply);
        QVERIFY(apply->isEnabled());
        apply->click();
        QVERIFY(!apply->isEnabled());
        QVERIFY(sheet.isVisible());
        QCOMPARE(pages.size(), 1);
        QVERIFY(!pages[0].displayBalance);
        QVERIFY(pages[0].rtpDynamic);
        QCOMPARE(profile.GetInt(u"Network"_s, u"RTP Dynamic"_s, 0), 1);
        QCOMPARE(profile.GetInt(u"Network"_s, u"RTP Port"_s, 0), 40000);

        // Cancel after an apply: what was applied stays and is what the window takes back.
        Button(sheet, Cmd::Cancel)->click();
        PhoneSettings settings;
        settings.rtpDynamic = false;
        sheet.model().TakeBack(settings);
        QVERIFY(settings.rtpDynamic);
        QCOMPARE(settings.rtpPort, 40000);
    }

    void helpIsThereOnlyWithWebLinks() {
        test::TestEnvironment env;
        Profile profile = Profile::Phone();
        PreferencesPage page = Stored(7000, true);
        page.webLinks = false;
        int helped = 0;
        CPreferencesSheet without(page, profile, nullptr, [&] { ++helped; });
        QVERIFY(Button(without, Cmd::Help) == nullptr);

        page.webLinks = true;
        CPreferencesSheet with(page, profile, nullptr, [&] { ++helped; });
        with.show();
        QVERIFY(Button(with, Cmd::Help) != nullptr);
        Button(with, Cmd::Help)->click();
        QCOMPARE(helped, 1);
        QVERIFY(with.isVisible());
    }
};

QTEST_MAIN(TestPreferencesSheet)
#include "tst_preferences_sheet.moc"
