#pragma once

#include <QString>

#include <atomic>

#include "app/signin/signin_delegate.h"
#include "platform/ids.h"

namespace zuvo {

class Profile;
struct AccountRecord;
struct CommandLineOptions;
struct PhoneState;

// The sign-in flow (handler of WM_SIGNIN_PROMPT) and sign-out, over the main window's state.
//
// The flow prepares the account from the command line and the stored account, shows the
// sign-in dialog through the delegate, stores what the user chose to remember and starts the
// connection. Main thread only; every reference must outlive the flow.
class SigninFlow {
public:
    SigninFlow(PhoneState& state, AccountRecord& account, CommandLineOptions& commandLine,
               Profile& profile, QString machineKey, std::atomic_bool& cancel,
               SigninDelegate& delegate);

    // Runs the whole flow. wParam 0 = no error, 1 = credentials rejected (6603), anything else
    // = service unreachable (6604). Returns how the dialog ended (SignIn for the unattended
    // skip); a prompt that arrives while the flow is already showing its dialog is dropped and
    // returns Other.
    SigninResult Run(WPARAM wParam);

    // Commands 101 and 32806: stops the connection, unregisters and, unless unattended, runs
    // the flow again with wParam 0.
    void SignOut();

    // The "Use VPN Tunnel" choice as last read or confirmed.
    bool tunnelChoice() const { return m_tunnelChoice; }
    // True while the dialog is open (preferences applied then refresh it).
    bool running() const { return m_running; }

private:
    void PrepareAccount();
    void StartConnection();

    PhoneState& m_state;
    AccountRecord& m_account;
    CommandLineOptions& m_commandLine;
    Profile& m_profile;
    QString m_machineKey;
    std::atomic_bool& m_cancel;
    SigninDelegate& m_delegate;
    bool m_tunnelChoice = true;
    bool m_running = false;
};

}  // namespace zuvo
