#include <QtTest>

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QSlider>

#include <set>

#include "app/core/desktop_settings.h"
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

    void trayToolTipAndMenu() {
        CMainWindow& w = Window();
        DesktopPresence* desktop = w.desktop();
        QVERIFY(desktop != nullptr);
        QCOMPARE(desktop->toolTip(), u"Zuvo: signed out"_s);
        w.mutableState().connectionState = RTCRS_REGISTERED;
        w.RedrawStatus();
        QCOMPARE(desktop->toolTip(), u"Zuvo: ready"_s);

        QStringList entries;
        for (QAction* action : desktop->menu()->actions()) {
            if (!action->isSeparator()) {
                entries << action->text();
            }
        }
        QCOMPARE(entries,
                 (QStringList{u"&Hide Phone"_s, u"Call &History"_s, u"&Sign Out"_s, u"E&xit"_s}));
        // Without a tray (as here) the window does not hide into nothing.
        QVERIFY(!desktop->HasTray());
        desktop->menu()->actions().at(0)->trigger();
        QVERIFY(w.isVisible());
        w.hide();
        desktop->menu()->actions().at(0)->trigger();
        QVERIFY(w.isVisible());
        // Call history opens the history dialog.
        desktop->menu()->actions().at(1)->trigger();
        QVERIFY(w.callHistoryDialog() != nullptr);
        w.CloseCallHistoryDialog();
        // Start hidden is refused without a tray: the phone would be out of reach.
        DesktopSettings hidden = w.desktopSettings();
        hidden.startHidden = true;
        w.ApplyDesktopSettings(hidden);
        QVERIFY(!w.StartsHidden());
    }

    void autostartSettingWritesAndRemovesTheEntry() {
        CMainWindow& w = Window();
        const QString entry = environment().path(u"config/autostart/zuvo.desktop"_s);
        QVERIFY(!QFile::exists(entry));
        DesktopSettings settings = w.desktopSettings();
        settings.autostart = true;
        settings.notifyLowBalance = false;
        w.ApplyDesktopSettings(settings);
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
        settings = again.desktopSettings();
        settings.autostart = false;
        again.ApplyDesktopSettings(settings);
        QVERIFY(!QFile::exists(entry));
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
        QVERIFY(hidden && autostart && incoming);
        QVERIFY(incoming->isChecked());
        QCOMPARE(autostart->text(), u"Start with the desktop session"_s);
        autostart->click();
        incoming->click();
        sheet.accept();
        QVERIFY(applied);
        QCOMPARE(*applied, (DesktopSettings{false, true, false, true}));
    }
};

QTEST_MAIN(TestDesktopWindow)
#include "tst_desktop_window.moc"
