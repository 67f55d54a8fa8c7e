#pragma once

#include "app/core/settings_store.h"

namespace zuvo {

// How the sign-in dialog ended: "Sign In", "Exit", or anything else (the dialog was torn down).
enum class SigninResult { SignIn, Exit, Other };

// What the sign-in dialog is opened with and, for "Sign In" and "Exit", what it hands back.
struct SigninDialogData {
    AccountRecord account;       // texts and remember ticks, in and out
    bool tunnelChoice = true;    // "Use VPN Tunnel" tick, in and out
    bool hasTunnel = false;      // the tunnel component exists: the tick is shown
    bool lockToAccount = false;  // edits disabled, remember boxes hidden
    bool callShopMode = false;   // remember boxes hidden
};

// What the sign-in flow asks of the main window. Main thread only; every call but
// ShowSigninError and RunSigninDialog returns at once.
class SigninDelegate {
public:
    virtual ~SigninDelegate() = default;

    virtual bool HasTunnelComponent() const = 0;
    virtual void DisconnectTunnel() = 0;
    // Message box with the string id (6603 or 6604), brand name as title, error icon; returns
    // when the user has answered.
    virtual void ShowSigninError(int stringId) = 0;
    // Window position saved with the prefix "Main".
    virtual void SaveWindowPosition() = 0;
    virtual void RedrawNumber() = 0;
    virtual void RedrawStatus() = 0;
    virtual void RedrawBalance() = 0;
    virtual void SetSignInIndicatorOff() = 0;
    // Shows the modal sign-in dialog over the main window; on "Sign In" and "Exit" data holds
    // the dialog's texts and ticks.
    virtual SigninResult RunSigninDialog(SigninDialogData& data) = 0;
    // Posts the close message to the main window (the program ends).
    virtual void PostClose() = 0;
    // Starts the connection thread; the flags are already set and the status line redrawn.
    virtual void StartConnection() = 0;

    // Sign-out steps.
    virtual void ClosePhoneBook() = 0;  // "ZuvoPhoneBook", when open
    virtual void HangUp() = 0;          // as the hang-up button
    virtual void KillTimer(int id) = 0;
    virtual void Unregister() = 0;  // the engine's Unregister
};

}  // namespace zuvo
