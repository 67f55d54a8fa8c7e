#include "app/signin/signin_flow.h"

#include "app/core/command_line.h"
#include "app/core/settings_store.h"
#include "app/logic/normalise_number.h"
#include "app/logic/phone_state.h"
#include "app/strings/string_ids.h"
#include "platform/profile.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo {

namespace {

const QString kAccount = u"Account"_s;
const QString kConfiguration = u"Configuration"_s;

// Clears a flag on every path out of the dialog, including an exception from the delegate.
class RunningGuard {
public:
    explicit RunningGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~RunningGuard() { m_flag = false; }
    RunningGuard(const RunningGuard&) = delete;
    RunningGuard& operator=(const RunningGuard&) = delete;

private:
    bool& m_flag;
};

}  // namespace

SigninFlow::SigninFlow(PhoneState& state, AccountRecord& account, CommandLineOptions& commandLine,
                       Profile& profile, QString machineKey, std::atomic_bool& cancel,
                       SigninDelegate& delegate)
    : m_state(state),
      m_account(account),
      m_commandLine(commandLine),
      m_profile(profile),
      m_machineKey(std::move(machineKey)),
      m_cancel(cancel),
      m_delegate(delegate) {}

SigninResult SigninFlow::Run(WPARAM wParam) {
    // A second prompt while the dialog is up would stack a second modal dialog on the first.
    if (m_running) {
        return SigninResult::Other;
    }
    RunningGuard guard(m_running);

    const bool hasTunnel = m_delegate.HasTunnelComponent();
    if (hasTunnel) {
        m_delegate.DisconnectTunnel();
    }
    if (wParam != 0) {
        m_delegate.ShowSigninError(wParam == 1 ? StringId::SigninFailed
                                               : StringId::ServiceUnavailable);
    }
    m_delegate.SaveWindowPosition();

    PrepareAccount();

    if (!m_commandLine.number.isEmpty()) {
        m_state.display.numberLine = NormaliseNumber(m_commandLine.number);
        m_commandLine.number.clear();
    } else {
        m_state.display.numberLine.clear();
    }

    m_state.callStatus = CallStatus::SignedOut;
    m_state.connectionState = RTCRS_NOT_REGISTERED;
    m_state.signin.signingIn = false;
    m_delegate.RedrawNumber();
    m_delegate.RedrawStatus();
    m_delegate.RedrawBalance();
    m_delegate.SetSignInIndicatorOff();

    m_tunnelChoice = m_profile.GetInt(kConfiguration, u"VPN"_s, 1) != 0;

    const bool skipDialog = m_state.unattended.enabled && !m_commandLine.userName.isEmpty() &&
                            !m_commandLine.password.isEmpty();
    if (!skipDialog) {
        SigninDialogData data;
        data.account = m_account;
        data.tunnelChoice = m_tunnelChoice;
        data.hasTunnel = hasTunnel;
        data.lockToAccount = m_state.settings.lockToAccount;
        data.callShopMode = m_state.settings.callShopMode;

        const SigninResult result = m_delegate.RunSigninDialog(data);
        if (result == SigninResult::Exit) {
            m_account = data.account;
            m_account.savedUserName = m_account.userName;
            SaveAccount(m_profile, m_account, m_machineKey);
            m_delegate.PostClose();
            return result;
        }
        if (result != SigninResult::SignIn) {
            return result;
        }
        m_account = data.account;
        m_tunnelChoice = data.tunnelChoice;
    }

    m_state.signin.pending = false;
    m_account.savedUserName = m_account.userName;
    SaveAccount(m_profile, m_account, m_machineKey);
    if (hasTunnel) {
        m_profile.WriteInt(kConfiguration, u"VPN"_s, m_tunnelChoice ? 1 : 0);
    }
    m_state.service.useTunnel = hasTunnel && m_tunnelChoice;
    StartConnection();
    return SigninResult::SignIn;
}

void SigninFlow::PrepareAccount() {
    m_account.userName = m_commandLine.userName;
    m_account.password = m_commandLine.password;
    m_account.rememberUserName = false;

    // An account stored before the current form cannot be trusted: start it afresh.
    if (m_profile.GetInt(kAccount, u"Format"_s, 0) == 0) {
        m_profile.WriteString(kAccount, u"Account"_s, QString());
        m_profile.WriteString(kAccount, u"Number"_s, QString());
        m_profile.WriteInt(kAccount, u"Format"_s, 1);
    }

    const PhoneSettings& settings = m_state.settings;
    if (settings.lockToAccount) {
        m_account.userName = m_profile.GetString(kAccount, u"Account"_s, QString());
        m_account.rememberUserName = true;
        m_account.rememberPassword = true;
        m_account.password =
            Unscramble(m_profile.GetString(kAccount, u"Number"_s, QString()), m_machineKey);
    } else if (!settings.callShopMode) {
        m_account.rememberUserName = m_profile.GetInt(kAccount, u"Save"_s, 0) != 0;
        if (m_account.rememberUserName) {
            m_account.userName = m_profile.GetString(kAccount, u"Account"_s, QString());
        }
        m_account.rememberPassword = m_profile.GetInt(kAccount, u"PFlag"_s, 0) != 0;
        if (m_account.rememberPassword) {
            m_account.password =
                Unscramble(m_profile.GetString(kAccount, u"Number"_s, QString()), m_machineKey);
        }
    }
}

void SigninFlow::StartConnection() {
    m_state.signin.signingIn = true;
    m_cancel = false;
    m_delegate.RedrawStatus();
    m_delegate.StartConnection();
}

void SigninFlow::SignOut() {
    m_delegate.ClosePhoneBook();
    m_state.signin.configurationReceived = false;
    m_cancel = true;
    if (m_state.call.active) {
        m_delegate.HangUp();
    }
    m_delegate.KillTimer(Timer::Registration);
    m_state.signin.registrationTimerRunning = false;
    m_delegate.Unregister();
    m_state.signin.pending = true;
    m_state.servers.entries.clear();
    m_state.servers.current = 0;
    m_state.servers.lastGood = 0;
    if (m_state.unattended.enabled) {
        m_delegate.PostClose();
    } else {
        Run(0);
    }
}

}  // namespace zuvo
