#pragma once

#include "app/signin/signin_delegate.h"

namespace zuvo {

class CMainWindow;

// The sign-in flow's requests carried out on the main window.
class SigninWindowDelegate : public SigninDelegate {
public:
    explicit SigninWindowDelegate(CMainWindow& window) : m_window(window) {}

    bool HasTunnelComponent() const override;
    void DisconnectTunnel() override;
    void ShowSigninError(int stringId) override;
    void SaveWindowPosition() override;
    void RedrawNumber() override;
    void RedrawStatus() override;
    void RedrawBalance() override;
    void SetSignInIndicatorOff() override;
    SigninResult RunSigninDialog(SigninDialogData& data) override;
    void PostClose() override;
    void StartConnection() override;
    void ClosePhoneBook() override;
    void HangUp() override;
    void KillTimer(int id) override;
    void Unregister() override;

private:
    CMainWindow& m_window;
};

}  // namespace zuvo
