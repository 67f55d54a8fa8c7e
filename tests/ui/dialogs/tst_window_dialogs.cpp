#include <QtTest>

#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/dialogs/message_box.h"
#include "app/logic/phone_state.h"
#include "app/strings/string_table.h"
#include "app/ui/main_window.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "popups/browser/browser_plugin.h"
#include "tests/ui/support/window_test.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

// While a command runs a dialog or a menu of its own, looks at each one that comes up, acts on
// it as the user would, and closes whatever is left, so that a test never hangs on one.
class UserAtTheScreen : public QObject {
public:
    // A dialog came up: act on it (it stays up unless the action closes it).
    std::function<void(QDialog*)> onDialog;
    // A menu came up: look at it (it is closed afterwards).
    std::function<void(QMenu*)> onMenu;
    QStringList seen;  // object names of dialogs, "menu" for menus, in order

    UserAtTheScreen() {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this] { Look(); });
        m_timer.start();
        // A timer is not run again while its own handler runs: a second one watches while an
        // action is under way.
        m_guard.setInterval(20);
        connect(&m_guard, &QTimer::timeout, this, [this] {
            if (m_busy) {
                Look();
            }
        });
        m_guard.start();
    }

private:
    void Look() {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            seen << u"menu"_s;
            if (onMenu && !m_busy) {
                onMenu(menu);
            }
            menu->close();
            return;
        }
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog == m_current) {
            return;
        }
        seen << dialog->objectName();
        if (m_busy) {
            dialog->reject();  // one that came up behind the dialog being handled
            return;
        }
        m_current = dialog;
        if (onDialog) {
            m_busy = true;  // the action may run nested loops; this keeps watching meanwhile
            onDialog(dialog);
            m_busy = false;
        }
    }

    QTimer m_timer;
    QTimer m_guard;
    QPointer<QDialog> m_current;
    bool m_busy = false;
};

void Command(CMainWindow& w, int id) {
    w.port().SendMessage(Wm::Command, MakeWParam(static_cast<uint16_t>(id), 0), 0);
}

void Type(QDialog* dialog, int field, const QString& text) {
    auto* edit = dialog->findChild<QLineEdit*>(QString::number(field));
    QVERIFY(edit != nullptr);
    edit->setFocus();
    QTest::keyClicks(edit, text);
}

void Press(QDialog* dialog, int button) {
    auto* control = dialog->findChild<QPushButton*>(QString::number(button));
    QVERIFY(control != nullptr);
    control->click();
}

// The enabled state of each command of the context menu as the window shows it.
QMap<int, bool> Entries(QMenu* menu) {
    QMap<int, bool> entries;
    for (QAction* action : menu->actions()) {
        if (action->data().isValid()) {
            entries[action->data().toInt()] = action->isEnabled();
        }
    }
    return entries;
}

}  // namespace

class TestWindowDialogs : public test::WindowTest {
    Q_OBJECT

private:
    // The context menu as the window builds it now (empty when none comes up).
    QMap<int, bool> MenuShown() {
        UserAtTheScreen user;
        QMap<int, bool> entries;
        user.onMenu = [&entries](QMenu* menu) { entries = Entries(menu); };
        Command(*window(), Cmd::Menu);
        return entries;
    }

private Q_SLOTS:
    // While the About box is open: no context menu (by command or right click), no second
    // About box and no other dialog; afterwards all of them work again.
    void aboutHoldsTheWindow() {
        CMainWindow& w = Window(false);
        auto user = std::make_unique<UserAtTheScreen>();
        ModalDialog whileOpen = ModalDialog::None;
        user->onDialog = [&](QDialog* dialog) {
            whileOpen = w.state().modal.Current();
            Command(w, Cmd::Menu);
            QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(130, 200),
                                         w.mapToGlobal(QPoint(130, 200)));
            QApplication::sendEvent(&w, &rightClick);
            Command(w, Cmd::About);
            Command(w, Cmd::LockConfig);
            w.port().SendMessage(Msg::CallHistoryDialog, 0, 0);
            QVERIFY(w.callHistoryDialog() == nullptr);
            Press(dialog, Cmd::Ok);
        };
        Command(w, Cmd::About);
        QCOMPARE(whileOpen, ModalDialog::About);
        QCOMPARE(user->seen, QStringList{u"100"_s});
        QCOMPARE(w.state().modal.Current(), ModalDialog::None);
        user.reset();
        QVERIFY(!MenuShown().isEmpty());
    }

    // The call-history dialog holds the window the same way.
    void historyDialogHoldsTheWindow() {
        CMainWindow& w = Window(false);
        w.port().SendMessage(Msg::CallHistoryDialog, 0, 0);
        QVERIFY(w.callHistoryDialog() != nullptr);
        QVERIFY(w.state().modal.IsOpen(ModalDialog::CallHistory));
        UserAtTheScreen user;
        user.onDialog = [](QDialog* dialog) { dialog->reject(); };
        Command(w, Cmd::About);
        Command(w, Cmd::Menu);
        QVERIFY(user.seen.isEmpty());
        w.port().SendMessage(Msg::CallHistoryDialog, 1, 0);
        QVERIFY(!w.state().modal.IsOpen());
        Command(w, Cmd::About);
        QCOMPARE(user.seen, QStringList{u"100"_s});
    }

    void aboutHelpFollowsWebLinks() {
        for (const int webLinks : {1, 0}) {
            Profile::Phone().WriteInt(u"Settings"_s, u"WebLinks"_s, webLinks);
            CMainWindow& w = Window(false);
            UserAtTheScreen user;
            bool helpShown = false;
            user.onDialog = [&](QDialog* dialog) {
                auto* help = dialog->findChild<QPushButton*>(QString::number(Cmd::Help));
                helpShown = help != nullptr && help->isVisible();
                if (helpShown) {
                    help->click();
                }
                Press(dialog, Cmd::Ok);
            };
            Command(w, Cmd::About);
            QCOMPARE(user.seen, QStringList{u"100"_s});
            QCOMPARE(helpShown, webLinks == 1);
            QCOMPARE(w.popupWindow() != nullptr, webLinks == 1);
            if (w.popupWindow() != nullptr) {
                QVERIFY(w.popupWindow()->Url().contains(u"task=OH"_s));
            }
            CloseWindow();
        }
    }

    // Locking greys the configuration entries at once and after a restart; unlocking with the
    // right PIN (after a wrong one) gives them back, and that too survives a restart.
    void menuFollowsTheLock() {
        QList<MessageBoxRequest> boxes;
        SetMessageBoxHook([&boxes](const MessageBoxRequest& box) {
            boxes << box;
            return int(Cmd::Ok);
        });
        const QList<int> configuration{Cmd::HomePage,    Cmd::About,         Cmd::AudioSettings,
                                       Cmd::Preferences, Cmd::ProxySettings, Cmd::LockConfig};
        CMainWindow& w = Window(false);
        QMap<int, bool> menu = MenuShown();
        for (const int id : configuration) {
            QVERIFY2(menu.value(id), qPrintable(QString::number(id)));
        }
        QVERIFY(!menu.value(Cmd::UnlockConfig, true));

        {
            UserAtTheScreen user;
            user.onDialog = [](QDialog* dialog) {
                Type(dialog, Ctl::Lock::Pin, u"2468"_s);
                Type(dialog, Ctl::Lock::Confirmation, u"2468"_s);
                Press(dialog, Cmd::Ok);
            };
            Command(w, Cmd::LockConfig);
            QCOMPARE(user.seen, QStringList{u"332"_s});
        }
        QVERIFY(boxes.isEmpty());
        QVERIFY(w.state().configLocked);
        QVERIFY(!w.state().modal.IsOpen());
        for (int restart = 0; restart < 2; ++restart) {
            menu = MenuShown();
            for (const int id : configuration) {
                QVERIFY2(!menu.value(id, true), qPrintable(QString::number(id)));
            }
            QVERIFY(menu.value(Cmd::UnlockConfig));
            // What the menu greys is refused from anywhere else too.
            UserAtTheScreen user;
            user.onDialog = [](QDialog* dialog) { dialog->reject(); };
            Command(*window(), Cmd::About);
            Command(*window(), Cmd::LockConfig);
            Command(*window(), Cmd::ProxySettings);
            QVERIFY(user.seen.isEmpty());
            CloseWindow();
            Window();
            QVERIFY(window()->state().configLocked);
        }
        QCOMPARE(Profile::Phone().GetString(u"Configuration"_s, u"LockPIN"_s, QString()),
                 u"2468"_s);

        for (const QString& entered : {u"2469"_s, u"2468"_s}) {
            UserAtTheScreen user;
            user.onDialog = [&entered](QDialog* dialog) {
                Type(dialog, Ctl::Unlock::Pin, entered);
                Press(dialog, Cmd::Ok);
            };
            Command(*window(), Cmd::UnlockConfig);
            QCOMPARE(user.seen, QStringList{u"331"_s});
        }
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, u"Illegal PIN"_s);
        QVERIFY(!window()->state().configLocked);
        menu = MenuShown();
        QVERIFY(menu.value(Cmd::Preferences));
        QVERIFY(!menu.value(Cmd::UnlockConfig, true));
        CloseWindow();
        Window();
        QVERIFY(!window()->state().configLocked);
        QVERIFY(MenuShown().value(Cmd::LockConfig));
        SetMessageBoxHook(nullptr);
    }

    // During a call neither lock command comes up.
    void noLockCommandsDuringACall() {
        CMainWindow& w = Window(false);
        w.mutableState().call.active = true;
        UserAtTheScreen user;
        user.onDialog = [](QDialog* dialog) { dialog->reject(); };
        Command(w, Cmd::LockConfig);
        w.mutableState().configLocked = true;
        Command(w, Cmd::UnlockConfig);
        QVERIFY(user.seen.isEmpty());
        w.mutableState().call.active = false;
        w.mutableState().configLocked = false;
    }
};

QTEST_MAIN(TestWindowDialogs)
#include "tst_window_dialogs.moc"
