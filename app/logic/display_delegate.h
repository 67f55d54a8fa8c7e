#pragma once

namespace zuvo {

// The window's display as the call logic redraws it: areas repainted from the current state and
// the controls that show a value. Main thread; each call returns at once.
class DisplayDelegate {
public:
    enum class Indicator { Dark, Blinking, Lit };  // blinking = 125 ms lit, 75 ms dark

    virtual ~DisplayDelegate() = default;

    // Display areas: repaint one area from the current state.
    virtual void RedrawStatus() = 0;
    virtual void RedrawNumber() = 0;
    virtual void RedrawBalance() = 0;
    virtual void RedrawMinutes() = 0;
    // Number area tool tip back to "Phone number" (4021).
    virtual void ResetNumberTooltip() = 0;

    virtual void SetSignInIndicator(Indicator state) = 0;
    virtual void SetSpeakerSlider(int position) = 0;
    virtual void SetMicSlider(int position) = 0;
    // Shows the on-screen keypad key down or up; purely visual, must not notify back.
    virtual void ShowKeypadButton(int index, bool down) = 0;
};

}  // namespace zuvo
