#include <gtest/gtest.h>

#include "app/logic/context_menu_model.h"
#include "app/logic/normalise_number.h"
#include "app/logic/status_line.h"
#include "logic_fakes.h"
#include "platform/speed_dial_store.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(NormaliseNumber, CleansPastedText) {
    EXPECT_EQ(NormaliseNumber(u"+44 (20) 123-4"_s), u"0044201234"_s);
    EXPECT_EQ(NormaliseNumber(u"  \"John Smith\" 0123 "_s), u"0123"_s);
    EXPECT_EQ(NormaliseNumber(u"\"abc"_s), QString());
    EXPECT_EQ(NormaliseNumber(u"\"a\"1\"b\"2\"3"_s), u"123"_s);  // last quote unclosed
    EXPECT_EQ(NormaliseNumber(u"   "_s), QString());
    EXPECT_EQ(NormaliseNumber(u"12+34"_s), u"1234"_s);  // only a leading "+" counts
    EXPECT_EQ(NormaliseNumber(u" +1"_s), u"001"_s);
    // Property: the result is digits only and never longer than the input's digits plus two.
    const QStringList samples{u"+"_s, u"\"\""_s, u"a1b2c3"_s, u"+\"1\"2"_s, u"١٢٣"_s};
    for (const QString& s : samples) {
        const QString n = NormaliseNumber(s);
        for (const QChar c : n)
            EXPECT_TRUE(c >= u'0' && c <= u'9') << s.toStdString();
    }
}

class DialingTest : public ::testing::Test {
protected:
    PhoneRig rig;
    void Type(const QString& text) {
        for (const QChar c : text) {
            rig.input.OnChar(c);
            rig.input.OnKeyUp();
        }
    }
};

TEST_F(DialingTest, TypingRules) {
    rig.state.signin.pending = false;
    Type(u"+"_s);
    EXPECT_EQ(rig.state.display.numberLine, u"00"_s);
    Type(u"1+"_s);
    EXPECT_EQ(rig.state.display.numberLine, u"001"_s);
    Type(u"*"_s);
    EXPECT_EQ(rig.state.display.numberLine, u"001"_s);
    EXPECT_EQ(rig.engine.tones.last(), 10);
    Type(u"#."_s);  // "." presses "*"
    EXPECT_EQ(rig.state.display.numberLine, u"001"_s);
    EXPECT_EQ(rig.engine.tones.mid(rig.engine.tones.size() - 2), (QList<int32_t>{11, 10}));
    rig.state.settings.allowIpCalls = true;
    Type(u"#"_s);
    EXPECT_EQ(rig.state.display.numberLine, u"001."_s);
    Type(u"\b"_s);
    EXPECT_EQ(rig.state.display.numberLine, u"001"_s);

    // Latch: a second character before the key-up is ignored, and repeats are not added.
    rig.input.OnChar(u'5');
    rig.input.OnChar(u'6');
    rig.input.OnKeyUp();
    rig.input.OnChar(u'7', true);
    rig.input.OnKeyUp();
    EXPECT_EQ(rig.state.display.numberLine, u"0015"_s);
    // Holding a key arms hold-to-dial; releasing it kills it.
    rig.input.OnChar(u'2');
    EXPECT_EQ(rig.delegate.timers.value(Timer::HoldToDial), 3000);
    EXPECT_EQ(rig.state.keypad.index, 2);
    rig.input.OnKeyUp();
    EXPECT_FALSE(rig.delegate.timers.contains(Timer::HoldToDial));
}

TEST_F(DialingTest, FortyCharacterLimit) {
    Type(QString(40, u'1'));
    EXPECT_EQ(rig.state.display.numberLine.size(), 40);
    const auto tones = rig.engine.tones.size();
    Type(u"2"_s);  // the 41st from the keyboard: not added, no tone
    EXPECT_EQ(rig.state.display.numberLine.size(), 40);
    EXPECT_EQ(rig.engine.tones.size(), tones);
    rig.input.OnKeypadPressed(3);  // from the keypad: not added, tone plays, handset told
    EXPECT_EQ(rig.state.display.numberLine, QString(40, u'1'));
    EXPECT_EQ(rig.engine.tones.last(), 3);
    EXPECT_EQ(rig.delegate.handset.last(), qMakePair(HandsetNotice::AttentionCode, 1));
    // Pasted numbers are not cut.
    rig.delegate.clipboard = QString(45, u'9');
    rig.input.Paste();
    EXPECT_EQ(rig.state.display.numberLine.size(), 45);
}

TEST_F(DialingTest, PlacingACallFormsTheDialString) {
    rig.SignedIn(u"0044123"_s);
    rig.state.call.muted = true;
    rig.input.PlaceCall();
    ASSERT_EQ(rig.engine.calls.size(), 1);
    EXPECT_EQ(rig.engine.calls[0].remote, u"+44123"_s);
    EXPECT_EQ(rig.engine.calls[0].type, 1);
    EXPECT_EQ(rig.engine.calls[0].port, 0);
    EXPECT_TRUE(rig.delegate.log.contains(u"auth 44123"_s));
    EXPECT_EQ(rig.history.Number(0), u"0044123"_s);
    EXPECT_EQ(rig.history.Duration(0), u"00:00:00"_s);
    EXPECT_TRUE(rig.state.call.active);
    EXPECT_FALSE(rig.state.call.muted);
    EXPECT_EQ(rig.engine.muted,
              (QList<QPair<int32_t, bool>>{{RTCAD_MICROPHONE, false}, {RTCAD_SPEAKER, false}}));
    EXPECT_EQ(rig.delegate.clientMessages.last().first, 4);
    // A second request during the call does nothing.
    rig.input.PlaceCall();
    EXPECT_EQ(rig.engine.calls.size(), 1);

    rig.input.HangUpOrClear(true);  // in a call: only asks the engine
    EXPECT_EQ(rig.engine.hangUps, 1);
    rig.Session(RTCSS_DISCONNECTED, 0);

    rig.state.display.numberLine = u"44123"_s;
    rig.state.settings.rtpDynamic = false;
    rig.state.settings.rtpPort = 7010;
    rig.input.PlaceCall();
    EXPECT_EQ(rig.engine.calls[1].remote, u"+44123"_s);
    EXPECT_EQ(rig.engine.calls[1].port, 7010);
}

TEST_F(DialingTest, InstallWizardRunsBeforeTheFirstCallOnlyAndTheCallGoesOn) {
    rig.SignedIn(u"0044123"_s);
    rig.state.installWizardPending = true;
    rig.input.PlaceCall();
    EXPECT_EQ(rig.delegate.Count(u"wizard"_s), 1);
    EXPECT_FALSE(rig.state.installWizardPending);
    ASSERT_EQ(rig.engine.calls.size(), 1);
    rig.input.HangUpOrClear(true);
    rig.Session(RTCSS_DISCONNECTED);

    rig.state.display.numberLine = u"0044124"_s;
    rig.input.PlaceCall();
    EXPECT_EQ(rig.delegate.Count(u"wizard"_s), 1);
    EXPECT_EQ(rig.engine.calls.size(), 2);

    // The handset's audio-settings key opens it any time no dialog is up.
    rig.input.HandleHandsetKey(23, true);
    EXPECT_EQ(rig.delegate.Count(u"wizard"_s), 2);
}

TEST_F(DialingTest, IpAddressesOnlyWhenAllowed) {
    rig.SignedIn(u"10.0.0.1"_s);
    rig.input.PlaceCall();
    EXPECT_TRUE(rig.engine.calls.isEmpty());
    EXPECT_EQ(rig.history.Count(), 0);
    rig.state.settings.allowIpCalls = true;
    rig.input.PlaceCall();
    ASSERT_EQ(rig.engine.calls.size(), 1);
    EXPECT_EQ(rig.engine.calls[0].remote, u"10.0.0.1"_s);
    for (const QString& entry : rig.delegate.log)
        EXPECT_FALSE(entry.startsWith(u"auth"_s));
}

TEST_F(DialingTest, EveryCallLeavesItsDialledNumberForTheBalance) {
    rig.SignedIn(u"0044123"_s);
    rig.input.PlaceCall();
    EXPECT_EQ(rig.state.call.dialledNumber, u"+44123"_s);
    rig.state.call.mediaStarted = true;  // this call's audio came
    rig.input.HangUpOrClear(true);
    rig.Session(RTCSS_DISCONNECTED, 0);

    // A direct IP call has no call report, but the balance after it must not charge the number
    // of the call before.
    rig.state.settings.allowIpCalls = true;
    rig.state.display.numberLine = u"127.0.0.2"_s;
    rig.input.PlaceCall();
    ASSERT_EQ(rig.engine.calls.size(), 2);
    EXPECT_EQ(rig.state.call.dialledNumber, u"127.0.0.2"_s);
    // Nor does the new call inherit the audio of the one before.
    EXPECT_FALSE(rig.state.call.mediaStarted);
}

TEST_F(DialingTest, CallIsNotPlacedWhenNotReady) {
    rig.state.display.numberLine = u"123"_s;
    rig.input.PlaceCall();  // not signed in
    rig.SignedIn();
    rig.input.PlaceCall();  // empty line
    rig.state.display.numberLine = u"00"_s;
    rig.input.PlaceCall();  // nothing left after "00"
    EXPECT_TRUE(rig.engine.calls.isEmpty());
    EXPECT_EQ(rig.history.Count(), 0);

    // Refused by the engine: the entry stays, no call is active.
    rig.state.display.numberLine = u"123"_s;
    rig.engine.placeCallResult = E_FAIL;
    rig.input.PlaceCall();
    EXPECT_EQ(rig.history.Count(), 1);
    EXPECT_FALSE(rig.state.call.active);
    EXPECT_EQ(rig.state.callStatus, CallStatus::ReadyToCall);

    // Refused because its audio could not be encrypted: the status line says so, the number
    // stays on the display for a call once the setting or the server changed.
    const int redraws = rig.delegate.Count(u"status"_s);
    rig.engine.placeCallResult = E_ENCRYPTION_REQUIRED;
    rig.input.PlaceCall();
    EXPECT_FALSE(rig.state.call.active);
    EXPECT_EQ(StatusLineOf(rig.state).stringId, StringId::EncryptionRequired);
    EXPECT_GT(rig.delegate.Count(u"status"_s), redraws);
    EXPECT_EQ(rig.state.display.numberLine, u"123"_s);
}

TEST_F(DialingTest, PopupBeforeACallStopsOnlyTheFirstRequest) {
    rig.SignedIn(u"123"_s);
    rig.state.service.popupsAvailable = true;
    rig.delegate.popupShows = true;
    rig.input.PlaceCall();
    EXPECT_TRUE(rig.engine.calls.isEmpty());
    rig.input.PlaceCall();
    EXPECT_EQ(rig.engine.calls.size(), 1);
    EXPECT_EQ(rig.delegate.Count(u"popup 2"_s), 1);
}

TEST_F(DialingTest, HangUpOrClearBranches) {
    rig.SignedIn(u"123"_s);
    // Pending auto-dial: cancelled, nothing else.
    rig.input.StartAutoDial();
    EXPECT_EQ(StatusLineOf(rig.state).stringId, 3018);
    rig.input.HangUpOrClear(true);
    EXPECT_FALSE(rig.state.call.autoDial);
    EXPECT_EQ(rig.state.display.numberLine, u"123"_s);
    // Idle: clears the display; the button also refreshes the balance.
    rig.state.display.minutesShown = true;
    rig.input.HangUpOrClear(true);
    EXPECT_TRUE(rig.state.display.numberLine.isEmpty());
    EXPECT_FALSE(rig.state.display.minutesShown);
    EXPECT_EQ(rig.state.callStatus, CallStatus::ReadyToCall);
    EXPECT_EQ(rig.delegate.Count(u"balance-req"_s), 1);
    rig.input.HangUpOrClear(false);
    EXPECT_EQ(rig.delegate.Count(u"balance-req"_s), 1);

    // Escape acts as the button.
    rig.input.OnChar(QChar(0x1B));
    rig.input.OnKeyUp();
    EXPECT_EQ(rig.delegate.Count(u"balance-req"_s), 2);
}

TEST_F(DialingTest, HoldToDialAndAutoDialTimer) {
    rig.SignedIn();
    rig.profile.hive().WriteString(rig.profile.KeyPath(SpeedDialStore::kSection), u"Nu2"_s,
                                   u"+44 20;Office"_s);
    rig.input.OnKeypadPressed(2);
    rig.Fire(Timer::HoldToDial);
    EXPECT_EQ(rig.state.display.numberLine, u"004420"_s);
    EXPECT_TRUE(rig.state.call.autoDial);
    rig.Fire(Timer::AutoDial);
    ASSERT_EQ(rig.engine.calls.size(), 1);
    EXPECT_EQ(rig.engine.calls[0].remote, u"+4420"_s);
    EXPECT_FALSE(rig.state.call.autoDial);
    EXPECT_FALSE(rig.delegate.timers.contains(Timer::AutoDial));

    // A key without an entry does nothing.
    rig.Session(RTCSS_DISCONNECTED, 0);
    rig.input.OnKeypadPressed(3);
    rig.Fire(Timer::HoldToDial);
    EXPECT_EQ(rig.state.display.numberLine, u"3"_s);
    EXPECT_FALSE(rig.state.call.autoDial);
}

// Keypad commands: the buttons' pressed and released notifications, and the plain click (code 0)
// that a control program or an accelerator sends.
TEST_F(DialingTest, KeypadCommandsPressOnClickAndRelease) {
    rig.input.OnKeypadCommand(Cmd::Key0 + 5, 0);
    EXPECT_EQ(rig.state.display.numberLine, u"5"_s);
    EXPECT_EQ(rig.engine.tones.last(), 5);
    EXPECT_TRUE(rig.delegate.timers.contains(Timer::HoldToDial));
    rig.input.OnKeypadCommand(Cmd::Key0 + 5, Msg::ButtonReleased);
    EXPECT_FALSE(rig.delegate.timers.contains(Timer::HoldToDial));

    rig.input.OnKeypadCommand(Cmd::KeyHash - 1, Msg::ButtonPressed);  // "*"
    rig.input.OnKeypadCommand(Cmd::Key0 + 7, Msg::ButtonPressed);
    EXPECT_EQ(rig.state.display.numberLine, u"57"_s);
    EXPECT_EQ(rig.engine.tones, (QList<int32_t>{5, 10, 7}));

    // Other notification codes and ids outside the keypad do nothing.
    rig.input.OnKeypadCommand(Cmd::Key0 + 1, 0x404);
    rig.input.OnKeypadCommand(Cmd::Key0 - 1, 0);
    rig.input.OnKeypadCommand(Cmd::KeyHash + 1, 0);
    EXPECT_EQ(rig.state.display.numberLine, u"57"_s);
    EXPECT_EQ(rig.engine.tones.size(), 3);
}

TEST_F(DialingTest, VolumeStepsStopAtTheLimits) {
    rig.engine.volumes[RTCAD_SPEAKER] = 0xF801;
    rig.input.VolumeUp();
    EXPECT_EQ(rig.engine.setVolumeCalls, 0);
    rig.engine.volumes[RTCAD_SPEAKER] = 0xF800;
    rig.state.call.muted = true;
    rig.input.VolumeUp();
    EXPECT_EQ(rig.engine.volumes[RTCAD_SPEAKER], 0xFFFF);
    EXPECT_FALSE(rig.state.call.muted);
    rig.engine.volumes[RTCAD_SPEAKER] = 2046;
    rig.input.VolumeDown();
    EXPECT_EQ(rig.engine.volumes[RTCAD_SPEAKER], 2046);
    rig.engine.volumes[RTCAD_SPEAKER] = 2047;
    rig.input.VolumeDown();
    EXPECT_EQ(rig.engine.volumes[RTCAD_SPEAKER], 0);

    rig.input.OnSliderMoved(Cmd::MicVolume, 0x1000, true);
    EXPECT_EQ(rig.engine.volumes[RTCAD_MICROPHONE], 0xEFFF);
    rig.input.OnSliderMoved(Cmd::SpkVolume, 0x1000, false);
    EXPECT_EQ(rig.engine.volumes[RTCAD_SPEAKER], 0x1000);
}

TEST_F(DialingTest, RedialPasteCopyAndHistoryMenu) {
    rig.history.Add(u"111"_s);
    rig.history.Add(u"222"_s);
    rig.input.OnCommand(Cmd::Redial);
    EXPECT_EQ(rig.state.display.numberLine, u"222"_s);
    rig.input.OnCommand(Cmd::HistoryFirst + 1);
    EXPECT_EQ(rig.state.display.numberLine, u"111"_s);
    rig.input.OnCommand(Cmd::HistoryFirst + 5);  // no such entry
    EXPECT_EQ(rig.state.display.numberLine, u"111"_s);
    rig.input.OnCommand(Cmd::Copy);
    EXPECT_EQ(rig.delegate.clipboard, u"111"_s);
    rig.delegate.clipboard.reset();
    rig.input.OnCommand(Cmd::Paste);  // clipboard unavailable: nothing changes
    EXPECT_EQ(rig.state.display.numberLine, u"111"_s);
    rig.state.call.active = true;
    rig.input.OnCommand(Cmd::Redial);
    EXPECT_EQ(rig.state.display.numberLine, u"111"_s);
}

TEST_F(DialingTest, HandsetKeys) {
    rig.input.HandleHandsetKey(5, true);  // sign-in pending: ignored
    EXPECT_TRUE(rig.state.display.numberLine.isEmpty());
    rig.SignedIn();
    rig.input.HandleHandsetKey(5, true);
    rig.input.HandleHandsetKey(5, false);
    rig.input.HandleHandsetKey(7, true);
    rig.input.HandleHandsetKey(7, false);
    EXPECT_EQ(rig.state.display.numberLine, u"57"_s);
    // "*" places the call only with handset option 4.
    rig.input.HandleHandsetKey(10, true);
    rig.input.HandleHandsetKey(10, false);
    EXPECT_TRUE(rig.engine.calls.isEmpty());
    rig.state.keypad.handsetOptions = 4;
    rig.input.HandleHandsetKey(10, true);
    rig.input.HandleHandsetKey(10, false);
    EXPECT_EQ(rig.engine.calls.size(), 1);
    // Call key in a call with option 1: does not hang up; without it, it does.
    rig.state.keypad.handsetOptions = 1;
    rig.input.HandleHandsetKey(13, true);
    EXPECT_EQ(rig.engine.hangUps, 0);
    rig.state.keypad.handsetOptions = 0;
    rig.input.HandleHandsetKey(13, true);
    EXPECT_EQ(rig.engine.hangUps, 1);
    // Mute toggles in a call.
    rig.input.HandleHandsetKey(15, true);
    EXPECT_TRUE(rig.state.call.muted);
    rig.input.HandleHandsetKey(15, true);
    EXPECT_FALSE(rig.state.call.muted);
    rig.Session(RTCSS_DISCONNECTED, 0);
    // 16 redials with auto-dial.
    rig.input.HandleHandsetKey(16, true);
    EXPECT_EQ(rig.state.display.numberLine, u"57"_s);
    EXPECT_EQ(rig.delegate.timers.value(Timer::AutoDial), 3000);
    rig.input.HandleHandsetKey(12, true);
    EXPECT_FALSE(rig.state.call.autoDial);
    EXPECT_EQ(rig.delegate.Count(u"minimise"_s), 1);
}

TEST_F(DialingTest, CallHistoryDialogSelection) {
    rig.SignedIn();
    for (int i = 0; i < 3; ++i)
        rig.history.Add(QString::number(100 + i));
    rig.input.HandleHandsetKey(22, true);
    ASSERT_TRUE(rig.state.modal.IsOpen(ModalDialog::CallHistory));
    EXPECT_EQ(rig.selection.Selected(), 0);
    rig.input.HandleHandsetKey(5, true);  // row 5 is beyond the 3 entries
    EXPECT_EQ(rig.selection.Selected(), 0);
    rig.input.HandleHandsetKey(3, true);
    EXPECT_EQ(rig.selection.Selected(), 2);
    rig.input.HandleHandsetKey(19, true);
    EXPECT_EQ(rig.selection.Selected(), 1);
    EXPECT_TRUE(rig.state.display.numberLine.isEmpty());  // keys steer the dialog, not the line
    rig.input.HandleHandsetKey(13, true);
    EXPECT_EQ(rig.state.display.numberLine, u"101"_s);
    EXPECT_FALSE(rig.state.modal.IsOpen());

    // Not opened during a call; 0 selects row 10 only with ten entries.
    CallHistorySelection selection;
    selection.Open(9);
    EXPECT_FALSE(selection.SelectDigit(0));
    selection.Open(10);
    EXPECT_TRUE(selection.SelectDigit(0));
    EXPECT_EQ(selection.SelectedEntry(), 9);
    selection.Open(0);
    EXPECT_EQ(selection.Selected(), -1);
    rig.state.call.active = true;
    rig.input.OnCallHistoryDialog(0);
    EXPECT_FALSE(rig.state.modal.IsOpen());
}

TEST(ContextMenuModel, HistorySubMenuAndGreying) {
    EXPECT_EQ(ContextMenuModel::HistoryItemText(0, u"123"_s, u"00:01:00"_s),
              u"  &1 -  123     \t00:01:00"_s);
    EXPECT_EQ(ContextMenuModel::HistoryItemText(9, u"10"_s, u"t"_s), u"1&0 -  10     \tt"_s);
    EXPECT_EQ(ContextMenuModel::HistoryItemText(10, u"%1"_s, u"t"_s), u"&11 -  %1     \tt"_s);

    test::TestEnvironment env;
    PhoneState state;
    CallHistory history;
    auto menu = ContextMenuModel::Build(state, history);
    EXPECT_TRUE(menu.historyGreyed());  // empty history, sign-in pending
    EXPECT_EQ(menu.StateOf(Cmd::SignOutMenu), ContextMenuModel::ItemState::Greyed);
    for (int i = 0; i < 12; ++i)
        history.Add(QString::number(i));
    state.signin.pending = false;
    menu = ContextMenuModel::Build(state, history);
    EXPECT_FALSE(menu.historyGreyed());
    ASSERT_EQ(menu.historyItems().size(), 12);
    EXPECT_EQ(menu.historyItems()[10].id, Cmd::HistoryFirst + 10);
    EXPECT_EQ(menu.StateOf(Cmd::UnlockConfig), ContextMenuModel::ItemState::Greyed);
    EXPECT_EQ(menu.StateOf(Cmd::Preferences), ContextMenuModel::ItemState::Enabled);

    state.call.active = true;
    state.settings.webLinks = false;
    menu = ContextMenuModel::Build(state, history);
    EXPECT_TRUE(menu.historyGreyed());
    EXPECT_EQ(menu.StateOf(Cmd::Preferences), ContextMenuModel::ItemState::Greyed);
    EXPECT_EQ(menu.StateOf(Cmd::LockConfig), ContextMenuModel::ItemState::Greyed);
    EXPECT_EQ(menu.StateOf(Cmd::HomePage), ContextMenuModel::ItemState::Removed);
    EXPECT_EQ(menu.StateOf(Cmd::SignOutMenu), ContextMenuModel::ItemState::Greyed);

    state.call.active = false;
    state.configLocked = true;
    menu = ContextMenuModel::Build(state, history);
    EXPECT_TRUE(menu.historyGreyed());
    EXPECT_EQ(menu.StateOf(Cmd::UnlockConfig), ContextMenuModel::ItemState::Enabled);
    EXPECT_EQ(menu.StateOf(Cmd::About), ContextMenuModel::ItemState::Greyed);
    ASSERT_TRUE(state.modal.Open(ModalDialog::CallHistory));
    EXPECT_FALSE(ContextMenuModel::Shown(state));
}

}  // namespace
}  // namespace zuvo::test
