#include <gtest/gtest.h>

#include "app/logic/context_menu_model.h"
#include "app/logic/modal_dialog.h"
#include "logic_fakes.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(ModalDialogState, OneDialogAtATime) {
    ModalDialogState modal;
    EXPECT_FALSE(modal.IsOpen());
    EXPECT_FALSE(modal.Open(ModalDialog::None));
    ASSERT_TRUE(modal.Open(ModalDialog::About));
    EXPECT_TRUE(modal.IsOpen(ModalDialog::About));
    EXPECT_FALSE(modal.IsOpen(ModalDialog::CallHistory));
    // Neither a second copy nor another dialog.
    EXPECT_FALSE(modal.Open(ModalDialog::About));
    EXPECT_FALSE(modal.Open(ModalDialog::Lock));
    // A close for a dialog that is not the open one leaves it open.
    modal.Close(ModalDialog::CallHistory);
    modal.Close(ModalDialog::None);
    EXPECT_EQ(modal.Current(), ModalDialog::About);
    modal.Close(ModalDialog::About);
    EXPECT_FALSE(modal.IsOpen());

    {
        const ModalDialogState::Scope held(modal, ModalDialog::Unlock);
        ASSERT_TRUE(held);
        const ModalDialogState::Scope second(modal, ModalDialog::Unlock);
        EXPECT_FALSE(second);
        {
            const ModalDialogState::Scope other(modal, ModalDialog::Preferences);
            EXPECT_FALSE(other);
        }  // a refused scope does not close the one that holds the window
        EXPECT_TRUE(modal.IsOpen(ModalDialog::Unlock));
    }
    EXPECT_FALSE(modal.IsOpen());
}

// While another dialog holds the window the handset neither dials nor opens anything, and the
// call-history dialog's messages do not touch it.
TEST(ModalDialogState, HandsetAndHistoryWhileAnotherDialogIsOpen) {
    PhoneRig rig;
    rig.SignedIn(u"44"_s);
    for (int i = 0; i < 3; ++i)
        rig.history.Add(QString::number(100 + i));
    ASSERT_TRUE(rig.state.modal.Open(ModalDialog::About));

    for (const int key : {5, 10, 11, 13, 16, 21, 22, 23, 24}) {
        rig.input.HandleHandsetKey(key, true);
        rig.input.HandleHandsetKey(key, false);
    }
    EXPECT_EQ(rig.state.display.numberLine, u"44"_s);
    EXPECT_TRUE(rig.engine.calls.isEmpty());
    EXPECT_EQ(rig.delegate.Count(u"menu"_s), 0);
    EXPECT_EQ(rig.delegate.Count(u"wizard"_s), 0);
    EXPECT_EQ(rig.delegate.Count(u"home"_s), 0);
    EXPECT_EQ(rig.delegate.Count(u"history-open"_s), 0);
    EXPECT_FALSE(rig.delegate.timers.contains(Timer::AutoDial));

    // The history messages neither open a second dialog nor close this one.
    rig.input.OnCallHistoryDialog(ToUnderlying(HistoryDialogRequest::Open));
    rig.input.OnCallHistoryDialog(ToUnderlying(HistoryDialogRequest::TakeNumber));
    rig.input.OnCallHistoryDialog(ToUnderlying(HistoryDialogRequest::Close));
    EXPECT_EQ(rig.state.modal.Current(), ModalDialog::About);
    EXPECT_EQ(rig.state.display.numberLine, u"44"_s);
    EXPECT_EQ(rig.delegate.Count(u"history-open"_s), 0);
    EXPECT_EQ(rig.delegate.Count(u"history-close"_s), 0);
    EXPECT_FALSE(ContextMenuModel::Shown(rig.state));

    // Closed again: the handset dials and opens the history dialog, which then has the keys.
    rig.state.modal.Close(ModalDialog::About);
    rig.input.HandleHandsetKey(5, true);
    rig.input.HandleHandsetKey(5, false);
    EXPECT_EQ(rig.state.display.numberLine, u"445"_s);
    rig.input.HandleHandsetKey(22, true);
    EXPECT_TRUE(rig.state.modal.IsOpen(ModalDialog::CallHistory));
    EXPECT_FALSE(rig.state.modal.Open(ModalDialog::About));
    rig.input.HandleHandsetKey(2, true);
    rig.input.HandleHandsetKey(13, true);
    EXPECT_EQ(rig.state.display.numberLine, u"101"_s);
    EXPECT_FALSE(rig.state.modal.IsOpen());
}

// The configuration entries' commands follow the menu: refused when greyed or left out, and
// while a dialog holds the window.
TEST(ModalDialogState, ConfigurationCommandsFollowTheMenu) {
    PhoneState state;
    state.signin.pending = false;
    EXPECT_TRUE(ContextMenuModel::Allows(state, Cmd::LockConfig));
    EXPECT_FALSE(ContextMenuModel::Allows(state, Cmd::UnlockConfig));
    EXPECT_TRUE(ContextMenuModel::Allows(state, Cmd::About));
    EXPECT_TRUE(ContextMenuModel::Allows(state, Cmd::Call));  // not a menu entry

    state.configLocked = true;
    for (const int id : {Cmd::LockConfig, Cmd::About, Cmd::HomePage, Cmd::AudioSettings,
                         Cmd::Preferences, Cmd::ProxySettings})
        EXPECT_FALSE(ContextMenuModel::Allows(state, id)) << id;
    EXPECT_TRUE(ContextMenuModel::Allows(state, Cmd::UnlockConfig));

    state.call.active = true;
    EXPECT_FALSE(ContextMenuModel::Allows(state, Cmd::UnlockConfig));
    state.configLocked = false;
    EXPECT_FALSE(ContextMenuModel::Allows(state, Cmd::LockConfig));
    EXPECT_TRUE(ContextMenuModel::Allows(state, Cmd::About));
    state.call.active = false;

    state.settings.webLinks = false;
    EXPECT_FALSE(ContextMenuModel::Allows(state, Cmd::HomePage));
    EXPECT_TRUE(ContextMenuModel::Allows(state, Cmd::HomePageButton));  // the button is not

    ASSERT_TRUE(state.modal.Open(ModalDialog::CallHistory));
    EXPECT_FALSE(ContextMenuModel::Allows(state, Cmd::About));
    EXPECT_FALSE(ContextMenuModel::Allows(state, Cmd::LockConfig));
    EXPECT_TRUE(ContextMenuModel::Allows(state, Cmd::HangUp));
}

}  // namespace
}  // namespace zuvo::test
