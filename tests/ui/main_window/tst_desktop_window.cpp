#include <QtTest>

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QRegularExpression>
#include <QSlider>
#include <QSystemTrayIcon>

#include <ctime>
#include <set>

#include "app/core/desktop_settings.h"
#include "app/core/settings_store.h"
#include "app/dialogs/preferences_sheet.h"
#include "app/logic/phone_state.h"
#include "app/ui/control_table.h"
#include "app/ui/desktop_presence.h"
#include "app/ui/main_window.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "skin/skin_button.h"
#include "tests/ui/support/window_test.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

// Every interface below root, depth first.
void Collect(QAccessibleInterface* root, std::vector<QAccessibleInterface*>& out) {
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        if (child != nullptr) {
            out.push_back(child);
            Collect(child, out);
        }
    }
}

QAccessibleInterface* Find(QAccessibleInterface* root, QAccessible::Role role,
                           const QString& name) {
    std::vector<QAccessibleInterface*> all;
    Collect(root, all);
    for (QAccessibleInterface* a : all) {
        if (a->role() == role && a->text(QAccessible::Name) == name) {
            return a;
        }
    }
    return nullptr;
}

}  // namespace

class TestDesktopWindow : public test::WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void everySkinnedControlHasANameAndARole() {
        CMainWindow& w = Window();
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&w);
        QVERIFY(root != nullptr);
        QCOMPARE(root->text(QAccessible::Name), u"Zuvo"_s);

        // Keypad keys are buttons named by their digit; pressing one through its action dials.
        for (const ControlEntry& key : kKeypadControls) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w.button(key.id));
            QVERIFY(a != nullptr);
            QCOMPARE(a->role(), QAccessible::Button);
            QCOMPARE(a->text(QAccessible::Name), QString::fromUtf16(key.text));
            QVERIFY(a->actionInterface() != nullptr);
            QVERIFY(a->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::pressAction()));
        }
        QAccessibleInterface* seven =
            QAccessible::queryAccessibleInterface(w.button(Cmd::Key0 + 7));
        seven->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QAccessibleInterface* four = QAccessible::queryAccessibleInterface(w.button(Cmd::Key0 + 4));
        four->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(w.state().display.numberLine, u"74"_s);

        // Every visible button of the phone: a named button.
        std::vector<QAccessibleInterface*> all;
        Collect(root, all);
        int buttons = 0;
        for (QAccessibleInterface* a : all) {
            auto* skinned = qobject_cast<CSkinButton*>(a->object());
            if (skinned == nullptr || !skinned->isVisible()) {
                continue;
            }
            ++buttons;
            QCOMPARE(a->role(), QAccessible::Button);
            QVERIFY2(!a->text(QAccessible::Name).isEmpty(),
                     qPrintable(QString::number(skinned->ControlId())));
        }
        QVERIFY(buttons >= 12 + 6);
        QVERIFY(Find(root, QAccessible::Button, u"Make call"_s) != nullptr);
        QVERIFY(Find(root, QAccessible::Button, u"End call / clear display"_s) != nullptr);
        QVERIFY(Find(root, QAccessible::Button, u"Redial last number"_s) != nullptr);
        QVERIFY(Find(root, QAccessible::Button, u"My account"_s) != nullptr);

        // The volume sliders: named sliders with a value.
        for (const QString& name : {u"Speaker volume"_s, u"Microphone volume"_s}) {
            QAccessibleInterface* slider = Find(root, QAccessible::Slider, name);
            QVERIFY2(slider != nullptr, qPrintable(name));
            QVERIFY(slider->valueInterface() != nullptr);
            QCOMPARE(slider->valueInterface()->maximumValue().toInt(), 0xFFFF);
        }

        // The display is read as text and follows what it shows.
        QAccessibleInterface* number = Find(root, QAccessible::StaticText, u"74"_s);
        QVERIFY(number != nullptr);
        QCOMPARE(number->text(QAccessible::Description), u"Phone number"_s);
        QAccessibleInterface* status = Find(root, QAccessible::StaticText, u"Signed out"_s);
        QVERIFY(status != nullptr);
        w.mutableState().connectionState = RTCRS_REGISTERED;
        w.mutableState().callStatus = CallStatus::ReadyToCall;
        w.RedrawStatus();
        QCOMPARE(status->text(QAccessible::Name), u"Ready to call"_s);
        // The texts take no clicks from the window below them.
        QCOMPARE(w.childAt(kStatusArea.center()), nullptr);
    }

    void keyboardAloneReachesEveryControl() {
        CMainWindow& w = Window();
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w)) {
            QSKIP("the window system gives this window no keyboard");
        }
        w.setFocus();
        // A compositor without a seat (a headless one) gives no keyboard focus at all.
        if (!QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; })) {
            QSKIP("the window system gives this window no keyboard focus");
        }
        std::set<QWidget*> reached;
        for (int i = 0; i < 60; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTRY_VERIFY(QApplication::focusWidget() != nullptr);
            reached.insert(QApplication::focusWidget());
        }
        for (QWidget* child : w.findChildren<QWidget*>()) {
            const bool control = qobject_cast<CSkinButton*>(child) != nullptr ||
                                 qobject_cast<QSlider*>(child) != nullptr;
            if (control && child->isVisible() && child->width() > 0) {
                QVERIFY2(reached.count(child) == 1, qPrintable(child->objectName()));
            }
        }
        // Space presses the focused key; typed digits still go to the number.
        CSkinButton* five = w.button(Cmd::Key0 + 5);
        five->setFocus(Qt::TabFocusReason);
        QTest::keyClick(five, Qt::Key_Space);
        QTest::keyClick(five, Qt::Key_2, Qt::NoModifier);
        QCOMPARE(w.state().display.numberLine, u"52"_s);
        // Escape (hang up or clear) still reaches the phone from a focused key.
        QTest::keyClick(five, Qt::Key_Escape);
        QCOMPARE(w.state().display.numberLine, QString());
    }

    // Offscreen there is no tray; under a real tray host (scripts/test-tray) the icon shows and
    // the window really hides into it.
    void trayToolTipAndMenu() {
        CMainWindow& w = Window();
        DesktopPresence* desktop = w.desktop();
        QVERIFY(desktop != nullptr);
        auto* icon = desktop->findChild<QSystemTrayIcon*>();
        const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
        // Set by the run beside a tray host, so that a tray that failed to come is no pass.
        if (qEnvironmentVariableIsSet("ZUVO_EXPECT_TRAY")) {
            QVERIFY(tray);
        }
        QCOMPARE(desktop->HasTray(), tray);
        QCOMPARE(icon != nullptr && icon->isVisible(), tray);
        QCOMPARE(desktop->toolTip(), u"Zuvo: signed out"_s);
        w.mutableState().connectionState = RTCRS_REGISTERED;
        w.RedrawStatus();
        QCOMPARE(desktop->toolTip(), u"Zuvo: ready"_s);
        if (icon != nullptr) {
            QCOMPARE(icon->toolTip(), u"Zuvo: ready"_s);
            QCOMPARE(icon->contextMenu(), desktop->menu());
        }

        QStringList entries;
        for (QAction* action : desktop->menu()->actions()) {
            if (!action->isSeparator()) {
                entries << action->text();
            }
        }
        QCOMPARE(entries,
                 (QStringList{u"&Hide Phone"_s, u"Call &History"_s, u"&Sign Out"_s, u"E&xit"_s}));
        // Hide goes into the tray when there is one; without a tray the window stays.
        desktop->menu()->actions().at(0)->trigger();
        QCOMPARE(w.isVisible(), !tray);
        w.hide();
        desktop->menu()->actions().at(0)->trigger();
        QVERIFY(w.isVisible());
        // A click on the icon brings a hidden phone back.
        if (icon != nullptr) {
            w.hide();
            Q_EMIT icon->activated(QSystemTrayIcon::Trigger);
            QVERIFY(w.isVisible());
        }
        // The menu names its first entry after what it would do.
        Q_EMIT desktop->menu()->aboutToShow();
        QCOMPARE(desktop->menu()->actions().at(0)->text(), u"&Hide Phone"_s);
        // Call history opens the history dialog.
        desktop->menu()->actions().at(1)->trigger();
        QVERIFY(w.callHistoryDialog() != nullptr);
        w.CloseCallHistoryDialog();
        // Start hidden is refused without a tray: the phone would be out of reach.
        DesktopSettings hidden = w.desktopSettings();
        hidden.startHidden = true;
        w.ApplyDesktopSettings(hidden);
        QCOMPARE(w.StartsHidden(), tray);
    }

    // The tool tip follows a call as the state machine's clock counts it, also when the display
    // is set not to show the time.
    void trayToolTipFollowsTheCallClock() {
        CMainWindow& w = Window();
        DesktopPresence* desktop = w.desktop();
        QVERIFY(desktop != nullptr);
        for (const bool displayTimer : {true, false}) {
            PhoneState& state = w.mutableState();
            state.settings.displayTimer = displayTimer;
            state.connectionState = RTCRS_REGISTERED;
            state.signin.configurationReceived = true;
            state.call.active = true;
            state.call.dialledNumber = u"+442079460000"_s;
            state.call.clock = {};
            w.RedrawStatus();
            QCOMPARE(desktop->toolTip(), u"Zuvo: calling +442079460000"_s);
            state.call.clock.running = true;
            state.call.clock.start = static_cast<int64_t>(std::time(nullptr)) - 65;
            w.port().SendMessage(Wm::Timer, Timer::CallClock, 0);
            const QRegularExpression inCall(
                uR"(^Zuvo: in a call with \+442079460000 \(00:01:0[5-9]\)$)"_s);
            QVERIFY2(inCall.match(desktop->toolTip()).hasMatch(), qPrintable(desktop->toolTip()));
            if (auto* icon = desktop->findChild<QSystemTrayIcon*>()) {
                QCOMPARE(icon->toolTip(), desktop->toolTip());
            }
            state.call = {};
            w.RedrawStatus();
            QCOMPARE(desktop->toolTip(), u"Zuvo: ready"_s);
        }
    }

    void desktopSettingsAreStoredAndTheAutostartEntryFollows() {
        CMainWindow& w = Window();
        const QString entry = environment().path(u"config/autostart/zuvo.desktop"_s);
        QVERIFY(!QFile::exists(entry));
        DesktopSettings settings = w.desktopSettings();
        settings.autostart = true;
        settings.notifyLowBalance = false;
        settings.dialLinks = true;
        w.ApplyDesktopSettings(settings);
        // The same value a link handed over by the desktop is dialled by.
        QVERIFY(DialLinksAtOnce(Profile::Phone()));
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains(
            (u"\nExec=\""_s + QCoreApplication::applicationFilePath() + u"\"\n"_s).toUtf8()));
        file.close();
        // Stored with the phone's settings and read back by the next phone.
        CloseWindow();
        CMainWindow& again = Window();
        QVERIFY(again.desktopSettings().autostart);
        QVERIFY(!again.desktopSettings().notifyLowBalance);
        QVERIFY(again.desktopSettings().dialLinks);
        settings = again.desktopSettings();
        settings.autostart = false;
        settings.dialLinks = false;
        again.ApplyDesktopSettings(settings);
        QVERIFY(!QFile::exists(entry));
        QVERIFY(!DialLinksAtOnce(Profile::Phone()));
    }

    void preferencesDesktopPageHandsItsValuesOver() {
        Profile profile = Profile::Phone();
        std::optional<DesktopSettings> applied;
        CPreferencesSheet sheet(PreferencesPage{}, profile, [](const PreferencesPage&) {}, {});
        sheet.AddDesktopPage(DesktopSettings{}, [&](const DesktopSettings& s) { applied = s; });
        auto* hidden = sheet.findChild<QCheckBox*>(QString::number(DesktopCtl::StartHidden));
        auto* autostart = sheet.findChild<QCheckBox*>(QString::number(DesktopCtl::Autostart));
        auto* incoming =
            sheet.findChild<QCheckBox*>(QString::number(DesktopCtl::NotifyIncomingCall));
        auto* links = sheet.findChild<QCheckBox*>(QString::number(DesktopCtl::DialLinks));
        QVERIFY(hidden && autostart && incoming && links);
        QVERIFY(incoming->isChecked());
        // Links are only shown unless the user asks for more.
        QVERIFY(!links->isChecked());
        QCOMPARE(autostart->text(), u"Start with the desktop session"_s);
        QCOMPARE(links->text(), u"Dial numbers from tel: and sip: links at once"_s);
        autostart->click();
        incoming->click();
        links->click();
        sheet.accept();
        QVERIFY(applied);
        QCOMPARE(*applied, (DesktopSettings{false, true, false, true, true}));
    }
};

QTEST_MAIN(TestDesktopWindow)
#include "tst_desktop_window.moc"
