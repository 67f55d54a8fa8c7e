#pragma once

#include <QChar>
#include <QString>

#include "app/logic/phone_state.h"
#include "platform/handset_codes.h"
#include "platform/ids.h"

namespace zuvo {

class CallHistory;
class CallHistorySelection;
class IRtcEngine;
class PhoneDelegate;
class DialogDelegate;
class DisplayDelegate;
class HandsetDelegate;
class ServiceDelegate;
class ShellDelegate;
class TimerDelegate;
class SpeedDial;

// What the user's keys, clicks, handset and control program do to the number line and the call:
// typing with the key latch, the keypad and hold-to-dial, placing, hanging up and clearing,
// redial, paste and copy, volumes and mute, the handset key table and the call-history dialog's
// messages. Main thread only; the engine may be null (nothing is asked of it then).
class DialingInput {
public:
    static constexpr int kMaxNumberLength = 40;
    static constexpr int kAutoDialMs = 3000;

    // The window serves every role; the input uses them all.
    DialingInput(PhoneState& state, PhoneDelegate& window, IRtcEngine* engine, CallHistory& history,
                 const SpeedDial& speedDial, CallHistorySelection& selection,
                 SecondsClock now = SystemSeconds);
    // The engine, once the window has brought it up (it starts without one).
    void AttachEngine(IRtcEngine* engine) { m_engine = engine; }

    // A character from the keyboard (or a control program). Ignored while a key is latched.
    void OnChar(QChar ch, bool autoRepeat = false);
    // A key went up: releases the latched keypad key and clears the latch.
    void OnKeyUp();
    // Keypad key index 0..11 pressed or clicked (button id 105 + index), and released.
    void OnKeypadPressed(int index);
    void OnKeypadReleased();
    // A keypad command (id 105..116) with its notification code: pressed, or a plain click (0)
    // as a control program or an accelerator sends it, is a press; released is a release.
    void OnKeypadCommand(int id, int code);
    // Timer 5: dials the held key's speed-dial entry after the auto-dial delay.
    void HoldToDial();

    // Commands of the window this class carries out; false for any other id.
    bool OnCommand(int id);

    // The dial command: checks, history, call authorisation, PlaceCall.
    void PlaceCall();
    // Hang up or clear; fromButton for the hang-up button and Escape (refreshes the balance).
    void HangUpOrClear(bool fromButton);
    // The clear-display step: ends the call clock (duration into the newest history entry), tells
    // the client the call ended, empties the number line. setReady sets status 0 afterwards.
    void ClearDisplay(bool refreshBalance, bool setReady);
    void Redial();  // newest history number onto the line when no call is active
    void DeleteLast();
    void Paste();
    void Copy();
    // Puts a number from outside (hand-over, speed dial, control program) on the line, cleaned.
    void ShowNumber(const QString& text);
    // Sets the auto-dial flag and arms timer 7 (its expiry places the call).
    void StartAutoDial(int ms = kAutoDialMs);
    // WM_DIAL_HANDOVER with the "FA" number; dialAtOnce = wParam non-zero.
    void HandOver(const QString& number, bool dialAtOnce);

    // Slider 153 (speaker) or 152 (microphone) moved to position (0..0xFFFF).
    void OnSliderMoved(int controlId, int position, bool vertical);
    void VolumeUp();
    void VolumeDown();
    void SetMute(bool on);

    // A handset key event (a HandsetKey as the driver sent it); ignored while sign-in is pending.
    void HandleHandsetKey(int code, bool pressed);
    // WM_CALL_HISTORY_DIALOG: 0 open, 1 close, 2 take the selected number and close.
    LRESULT OnCallHistoryDialog(WPARAM wParam);

    void OnFocus();
    void OnMenuOpened();
    void OnMenuLoopEnd();

private:
    bool PopupsOn() const;
    void ApplySpeakerVolume(int volume);
    void HandleHistoryDialogKey(int code);

    PhoneState& m_state;
    DisplayDelegate& m_display;
    TimerDelegate& m_timers;
    ServiceDelegate& m_service;
    ShellDelegate& m_shell;
    DialogDelegate& m_dialogs;
    HandsetDelegate& m_handset;
    IRtcEngine* m_engine;
    CallHistory& m_history;
    const SpeedDial& m_speedDial;
    CallHistorySelection& m_selection;
    SecondsClock m_now;
};

}  // namespace zuvo
