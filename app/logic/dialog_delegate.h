#pragma once

namespace zuvo {

// The dialogs and web pages the phone opens for the user. Main thread.
class DialogDelegate {
public:
    virtual ~DialogDelegate() = default;

    virtual void RunAudioWizard() = 0;
    virtual void OpenAccountPage() = 0;
    virtual void OpenHomePage() = 0;
    virtual void OpenSupportPage() = 0;

    // The call-history dialog window: create and show it, destroy it, show a new selection.
    virtual void OpenCallHistoryDialog() = 0;
    virtual void CloseCallHistoryDialog() = 0;
    virtual void CallHistorySelectionChanged(int row) = 0;
};

}  // namespace zuvo
