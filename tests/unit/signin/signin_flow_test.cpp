#include <gtest/gtest.h>

#include <QStringList>

#include <atomic>
#include <functional>

#include "app/core/command_line.h"
#include "app/core/settings_store.h"
#include "app/logic/phone_state.h"
#include "app/signin/signin_flow.h"
#include "platform/profile.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

const QString kKey = u"-123456789"_s;

// Records every request in order; the dialog is answered by a test-supplied function.
class RecordingDelegate : public SigninDelegate {
public:
    QStringList calls;
    bool tunnel = false;
    std::function<SigninResult(SigninDialogData&)> dialog = [](SigninDialogData&) {
        return SigninResult::SignIn;
    };
    SigninDialogData shown;  // what the last dialog was opened with
    int dialogs = 0;
    std::function<void()> onUnregister;

    bool HasTunnelComponent() const override { return tunnel; }
    void DisconnectTunnel() override { calls << u"DisconnectTunnel"_s; }
    void ShowSigninError(int id) override { calls << u"Error %1"_s.arg(id); }
    void SaveWindowPosition() override { calls << u"SavePosition"_s; }
    void RedrawNumber() override { calls << u"RedrawNumber"_s; }
    void RedrawStatus() override { calls << u"RedrawStatus"_s; }
    void RedrawBalance() override { calls << u"RedrawBalance"_s; }
    void SetSignInIndicatorOff() override { calls << u"IndicatorOff"_s; }
    SigninResult RunSigninDialog(SigninDialogData& data) override {
        calls << u"Dialog"_s;
        ++dialogs;
        shown = data;
        return dialog(data);
    }
    void PostClose() override { calls << u"PostClose"_s; }
    void StartConnection() override { calls << u"StartConnection"_s; }
    void ClosePhoneBook() override { calls << u"ClosePhoneBook"_s; }
    void HangUp() override { calls << u"HangUp"_s; }
    void KillTimer(int id) override { calls << u"KillTimer %1"_s.arg(id); }
    void Unregister() override {
        calls << u"Unregister"_s;
        if (onUnregister) {
            onUnregister();
        }
    }
};

class SigninFlowTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    Profile profile = Profile::Phone();
    PhoneState state;
    AccountRecord account;
    CommandLineOptions commandLine;
    std::atomic_bool cancel{true};
    RecordingDelegate delegate;
    SigninFlow flow{state, account, commandLine, profile, kKey, cancel, delegate};

    QString Text(const QString& section, const QString& name) {
        return profile.GetString(section, name, u"<missing>"_s);
    }
    int Number(const QString& section, const QString& name) {
        return profile.GetInt(section, name, -1);
    }
    // A stored account in the current form.
    void StoreAccount(const QString& user, const QString& password) {
        profile.WriteInt(u"Account"_s, u"Format"_s, 1);
        profile.WriteString(u"Account"_s, u"Account"_s, user);
        profile.WriteInt(u"Account"_s, u"Save"_s, user.isEmpty() ? 0 : 1);
        profile.WriteString(u"Account"_s, u"Number"_s,
                            password.isEmpty() ? QString() : Scramble(password, kKey));
        profile.WriteInt(u"Account"_s, u"PFlag"_s, password.isEmpty() ? 0 : 1);
    }
};

TEST_F(SigninFlowTest, StepsRunInOrderAndTheConnectionStarts) {
    delegate.tunnel = true;
    state.callStatus = CallStatus::Incoming;
    state.connectionState = RTCRS_REGISTERED;
    state.signin.signingIn = true;
    state.display.numberLine = u"0044"_s;

    EXPECT_EQ(flow.Run(1), SigninResult::SignIn);

    const QStringList expected{u"DisconnectTunnel"_s, u"Error 6603"_s,   u"SavePosition"_s,
                               u"RedrawNumber"_s,     u"RedrawStatus"_s, u"RedrawBalance"_s,
                               u"IndicatorOff"_s,     u"Dialog"_s,       u"RedrawStatus"_s,
                               u"StartConnection"_s};
    EXPECT_EQ(delegate.calls, expected);
    EXPECT_EQ(state.callStatus, CallStatus::SignedOut);
    EXPECT_EQ(state.connectionState, RTCRS_NOT_REGISTERED);
    EXPECT_TRUE(state.display.numberLine.isEmpty());
    EXPECT_TRUE(state.signin.signingIn);  // set again by the connection start
    EXPECT_FALSE(cancel);
    EXPECT_FALSE(state.signin.pending);

    // Any other non-zero wParam is the service message; 0 shows none; no tunnel, no disconnect.
    delegate.tunnel = false;
    delegate.calls.clear();
    flow.Run(2);
    EXPECT_EQ(delegate.calls.first(), u"Error 6604"_s);
    delegate.calls.clear();
    flow.Run(77);
    EXPECT_EQ(delegate.calls.first(), u"Error 6604"_s);
    delegate.calls.clear();
    flow.Run(0);
    EXPECT_EQ(delegate.calls.first(), u"SavePosition"_s);
}

TEST_F(SigninFlowTest, OldAccountFormIsEmptiedBeforeTheDialog) {
    profile.WriteString(u"Account"_s, u"Account"_s, u"old-user"_s);
    profile.WriteString(u"Account"_s, u"Number"_s, Scramble(u"1234"_s, kKey));
    profile.WriteInt(u"Account"_s, u"Save"_s, 1);
    profile.WriteInt(u"Account"_s, u"PFlag"_s, 1);

    delegate.dialog = [](SigninDialogData&) { return SigninResult::Other; };
    flow.Run(0);
    EXPECT_TRUE(delegate.shown.account.userName.isEmpty());
    EXPECT_TRUE(delegate.shown.account.password.isEmpty());
    EXPECT_EQ(Number(u"Account"_s, u"Format"_s), 1);
    EXPECT_EQ(Text(u"Account"_s, u"Account"_s), QString());
    EXPECT_EQ(Text(u"Account"_s, u"Number"_s), QString());

    // Once in the current form, the remembered account is loaded and the password unscrambled.
    StoreAccount(u"alice"_s, u"9876"_s);
    commandLine.userName = u"from-command-line"_s;
    flow.Run(0);
    EXPECT_EQ(delegate.shown.account.userName, u"alice"_s);
    EXPECT_EQ(delegate.shown.account.password, u"9876"_s);
    EXPECT_TRUE(delegate.shown.account.rememberUserName);
    EXPECT_TRUE(delegate.shown.account.rememberPassword);
}

TEST_F(SigninFlowTest, LockToAccountAndCallShopModes) {
    StoreAccount(u"locked"_s, u"5555"_s);
    profile.WriteInt(u"Account"_s, u"Save"_s, 0);  // lock mode ignores the remember values
    profile.WriteInt(u"Account"_s, u"PFlag"_s, 0);
    state.settings.lockToAccount = true;
    commandLine.userName = u"cli"_s;
    commandLine.password = u"clipw"_s;
    delegate.dialog = [](SigninDialogData&) { return SigninResult::Other; };

    flow.Run(0);
    EXPECT_EQ(delegate.shown.account.userName, u"locked"_s);
    EXPECT_EQ(delegate.shown.account.password, u"5555"_s);
    EXPECT_TRUE(delegate.shown.account.rememberUserName && delegate.shown.account.rememberPassword);
    EXPECT_TRUE(delegate.shown.lockToAccount);

    // Call-shop mode: nothing stored is used; the remember-password flag stays as it was.
    state.settings.lockToAccount = false;
    state.settings.callShopMode = true;
    account.rememberPassword = true;
    StoreAccount(u"stored"_s, u"1111"_s);
    flow.Run(0);
    EXPECT_EQ(delegate.shown.account.userName, u"cli"_s);
    EXPECT_EQ(delegate.shown.account.password, u"clipw"_s);
    EXPECT_FALSE(delegate.shown.account.rememberUserName);
    EXPECT_TRUE(delegate.shown.account.rememberPassword);
    EXPECT_TRUE(delegate.shown.callShopMode);
}

TEST_F(SigninFlowTest, CommandLineNumberMovesToTheNumberLineOnce) {
    commandLine.number = u"+44 (20) 7946-0000"_s;
    flow.Run(0);
    EXPECT_EQ(state.display.numberLine, u"00442079460000"_s);
    EXPECT_TRUE(commandLine.number.isEmpty());

    state.display.numberLine = u"123"_s;
    flow.Run(0);
    EXPECT_TRUE(state.display.numberLine.isEmpty());
}

TEST_F(SigninFlowTest, UnattendedWithBothCredentialsSkipsTheDialog) {
    state.unattended.enabled = true;
    commandLine.userName = u"tester"_s;
    commandLine.password = u"4321"_s;

    EXPECT_EQ(flow.Run(0), SigninResult::SignIn);
    EXPECT_EQ(delegate.dialogs, 0);
    EXPECT_EQ(account.userName, u"tester"_s);
    EXPECT_EQ(account.password, u"4321"_s);
    EXPECT_EQ(account.savedUserName, u"tester"_s);
    EXPECT_TRUE(delegate.calls.contains(u"StartConnection"_s));
    // Nothing was asked to be remembered.
    EXPECT_EQ(Number(u"Account"_s, u"Save"_s), 0);
    EXPECT_EQ(Number(u"Account"_s, u"PFlag"_s), 0);

    // Remembered values replace the command-line ones.
    StoreAccount(u"remembered"_s, u"0000"_s);
    flow.Run(0);
    EXPECT_EQ(delegate.dialogs, 0);
    EXPECT_EQ(account.userName, u"remembered"_s);
    EXPECT_EQ(account.password, u"0000"_s);

    // Without a password on the command line the dialog is shown.
    commandLine.password.clear();
    flow.Run(0);
    EXPECT_EQ(delegate.dialogs, 1);
}

TEST_F(SigninFlowTest, ExitStoresTheTypedUserNameAndCloses) {
    delegate.dialog = [](SigninDialogData& data) {
        data.account.userName = u"typed"_s;
        data.account.password = u"pin"_s;
        data.account.rememberUserName = true;
        data.account.rememberPassword = false;
        return SigninResult::Exit;
    };
    EXPECT_EQ(flow.Run(0), SigninResult::Exit);
    EXPECT_EQ(delegate.calls.last(), u"PostClose"_s);
    EXPECT_FALSE(delegate.calls.contains(u"StartConnection"_s));
    EXPECT_EQ(account.savedUserName, u"typed"_s);
    EXPECT_EQ(Text(u"Account"_s, u"Account"_s), u"typed"_s);
    EXPECT_EQ(Number(u"Account"_s, u"Save"_s), 1);
    EXPECT_EQ(Text(u"Account"_s, u"Number"_s), QString());
    EXPECT_TRUE(state.signin.pending);

    // Any other ending changes nothing and starts nothing.
    delegate.calls.clear();
    delegate.dialog = [](SigninDialogData& data) {
        data.account.userName = u"ignored"_s;
        return SigninResult::Other;
    };
    EXPECT_EQ(flow.Run(0), SigninResult::Other);
    EXPECT_EQ(delegate.calls.last(), u"Dialog"_s);
    EXPECT_EQ(Text(u"Account"_s, u"Account"_s), u"typed"_s);
    EXPECT_TRUE(state.signin.pending);
}

TEST_F(SigninFlowTest, SignInRemembersThePasswordScrambledAndStoresTheTunnelTick) {
    delegate.tunnel = true;
    delegate.dialog = [](SigninDialogData& data) {
        data.account.userName = u"bob"_s;
        data.account.password = u"2468"_s;
        data.account.rememberUserName = true;
        data.account.rememberPassword = true;
        data.tunnelChoice = false;
        return SigninResult::SignIn;
    };
    flow.Run(0);
    EXPECT_TRUE(delegate.shown.tunnelChoice);  // "VPN" defaults to 1
    EXPECT_TRUE(delegate.shown.hasTunnel);
    EXPECT_EQ(Text(u"Account"_s, u"Number"_s), Scramble(u"2468"_s, kKey));
    EXPECT_EQ(Number(u"Account"_s, u"PFlag"_s), 1);
    EXPECT_EQ(Number(u"Configuration"_s, u"VPN"_s), 0);
    EXPECT_FALSE(flow.tunnelChoice());
    EXPECT_FALSE(state.service.useTunnel);

    // The next prompt reopens with what was remembered and the stored tunnel choice.
    delegate.dialog = [](SigninDialogData&) { return SigninResult::Other; };
    flow.Run(1);
    EXPECT_EQ(delegate.shown.account.userName, u"bob"_s);
    EXPECT_EQ(delegate.shown.account.password, u"2468"_s);
    EXPECT_FALSE(delegate.shown.tunnelChoice);

    // Without a tunnel component the choice is not written.
    delegate.tunnel = false;
    profile.WriteInt(u"Configuration"_s, u"VPN"_s, 1);
    delegate.dialog = [](SigninDialogData& data) {
        data.account.userName = u"bob"_s;
        data.account.password = u"2468"_s;
        data.tunnelChoice = false;
        return SigninResult::SignIn;
    };
    flow.Run(0);
    EXPECT_EQ(Number(u"Configuration"_s, u"VPN"_s), 1);
    EXPECT_FALSE(state.service.useTunnel);
}

TEST_F(SigninFlowTest, PromptWhileTheDialogIsOpenIsDropped) {
    int nested = 0;
    delegate.dialog = [&](SigninDialogData&) {
        if (nested++ == 0) {
            EXPECT_TRUE(flow.running());
            EXPECT_EQ(flow.Run(2), SigninResult::Other);
        }
        return SigninResult::Other;
    };
    flow.Run(0);
    EXPECT_EQ(delegate.dialogs, 1);
    EXPECT_FALSE(delegate.calls.contains(u"Error 6604"_s));
    EXPECT_FALSE(flow.running());
}

TEST_F(SigninFlowTest, SignOutStopsEverythingThenPromptsAgain) {
    state.call.active = true;
    state.signin.configurationReceived = true;
    state.signin.pending = false;
    state.servers.entries.append(SipServerEntry{});
    state.servers.current = 1;
    cancel = false;
    bool cancelledBeforeUnregister = false;
    delegate.onUnregister = [&] { cancelledBeforeUnregister = cancel; };
    delegate.dialog = [](SigninDialogData&) { return SigninResult::Other; };

    flow.SignOut();

    const QStringList head{u"ClosePhoneBook"_s, u"HangUp"_s, u"KillTimer 1"_s, u"Unregister"_s,
                           u"SavePosition"_s};
    EXPECT_EQ(delegate.calls.mid(0, head.size()), head);
    EXPECT_TRUE(delegate.calls.contains(u"Dialog"_s));
    EXPECT_TRUE(cancelledBeforeUnregister);
    EXPECT_FALSE(state.signin.configurationReceived);
    EXPECT_TRUE(state.signin.pending);
    EXPECT_TRUE(state.servers.entries.isEmpty());
    EXPECT_EQ(state.servers.current, 0);

    // Unattended: no hang-up without a call, and the program closes instead of prompting.
    delegate.calls.clear();
    state.call.active = false;
    state.unattended.enabled = true;
    flow.SignOut();
    const QStringList unattended{u"ClosePhoneBook"_s, u"KillTimer 1"_s, u"Unregister"_s,
                                 u"PostClose"_s};
    EXPECT_EQ(delegate.calls, unattended);
}

}  // namespace
