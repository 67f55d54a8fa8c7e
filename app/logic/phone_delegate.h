#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "platform/external_control_protocol.h"

namespace zuvo {

// What the call logic asks of the main window. The window implements it; tests record the calls.
// Every call is made on the main thread and returns quickly (long work goes to the window's
// worker threads).
class PhoneDelegate {
public:
    enum class Indicator { Dark, Blinking, Lit };  // blinking = 125 ms lit, 75 ms dark

    virtual ~PhoneDelegate() = default;

    // Display areas: repaint one area from the current state.
    virtual void RedrawStatus() = 0;
    virtual void RedrawNumber() = 0;
    virtual void RedrawBalance() = 0;
    virtual void RedrawMinutes() = 0;
    // Number area tool tip back to "Phone number" (4021).
    virtual void ResetNumberTooltip() = 0;

    // Window timers by id; arming a running timer replaces it.
    virtual void SetTimer(int id, int ms) = 0;
    virtual void KillTimer(int id) = 0;
    virtual bool IsTimerRunning(int id) const = 0;

    virtual void SetSignInIndicator(Indicator state) = 0;
    virtual void SetSpeakerSlider(int position) = 0;
    virtual void SetMicSlider(int position) = 0;
    // The audio wizard's open pages: re-read device lists; show a new volume (device 0/1).
    virtual void WizardDevicesChanged() = 0;
    virtual void WizardVolumeChanged(int device, int volume) = 0;
    // Shows the on-screen keypad key down or up; purely visual, must not notify back.
    virtual void ShowKeypadButton(int index, bool down) = 0;

    // Copy-data to the bound external-control client; nothing when none is bound.
    virtual void NotifyExternalClient(ExternalControlProtocol::PhoneNotice type,
                                      const QByteArray& data) = 0;
    // Handset property (code, value); nothing while no handset exists.
    virtual void NotifyHandset(int code, int value) = 0;

    // Service tasks, each on its own worker.
    virtual void RebuildRequestKey() = 0;
    virtual void StartBalanceRequest(bool withConnection) = 0;  // with "&CP=" when true
    virtual void StartCallAuthorisation(const QString& dialled) = 0;
    virtual void StartPopupFetch() = 0;
    // Shows a due pop-up of kind 2 (before a call) or 3 (after a call); true when one showed.
    virtual bool ShowPopup(int kind) = 0;

    virtual void SignOut() = 0;  // in unattended mode this closes the program
    virtual void DestroyWindow() = 0;
    virtual void Minimise() = 0;
    virtual void ShowWindow() = 0;
    virtual void ShowContextMenu() = 0;  // at the mouse position
    virtual void RunAudioWizard() = 0;
    virtual void ScreenSaver(bool on) = 0;
    virtual void OpenAccountPage() = 0;
    virtual void OpenHomePage() = 0;
    virtual void OpenSupportPage() = 0;

    // The call-history dialog window: create and show it, destroy it, show a new selection.
    virtual void OpenCallHistoryDialog() = 0;
    virtual void CloseCallHistoryDialog() = 0;
    virtual void CallHistorySelectionChanged(int row) = 0;

    // The clipboard's text (empty when it holds none); nothing when the clipboard is unavailable.
    virtual std::optional<QString> ClipboardText() = 0;
    virtual void SetClipboardText(const QString& text) = 0;
    virtual void FocusMainWindow() = 0;
};

}  // namespace zuvo
