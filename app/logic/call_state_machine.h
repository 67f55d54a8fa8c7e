#pragma once

#include <QString>

#include "app/logic/phone_state.h"
#include "platform/ids.h"
#include "telephony/rtc_types.h"

namespace zuvo {

class DialingInput;
class IRtcEngine;
class PhoneDelegate;
class DisplayDelegate;
class TimerDelegate;
class ServiceDelegate;
class ShellDelegate;
class HandsetDelegate;

// The sign-in and call state machine: turns the engine's events and the window's timers into
// call status codes, SIP server walking, the call clock, the pop-up poll and the unattended
// test-call cycle. Main thread only; the engine may be null (nothing is asked of it then).
class CallStateMachine {
public:
    static constexpr int kQuickRetryMs = 10;
    static constexpr int kPassRetryMs = 10000;
    static constexpr int kPollInCallMs = 120000;
    static constexpr int kPollIdleMs = 7200000;

    // The window serves every role; the machine keeps those it uses (no dialogs).
    CallStateMachine(PhoneState& state, PhoneDelegate& window, IRtcEngine* engine,
                     DialingInput& input, SecondsClock now = SystemSeconds);
    // The engine, once the window has brought it up (it starts without one).
    void AttachEngine(IRtcEngine* engine) { m_engine = engine; }

    // WM_RTC_EVENT: lParam is the client event type for kind 6 and, for kinds 2 to 5, the
    // sequence number of the report queued in the engine, which is taken from it here (a message
    // without a queued report is ignored). Unknown kinds and client types are ignored.
    void OnRtcEvent(WPARAM wParam, LPARAM lParam);
    // WM_TIMER for the main window's timers. Before the configuration arrived every timer is
    // killed without action.
    void OnTimer(int id);

    // Registers with the current entry of the SIP server list; retries in 10 s when refused.
    void RegisterNow();
    // Sets the exit code to step and carries out that step of the unattended cycle. Also the
    // connect thread's failure steps (31..33), which it must post to the main thread.
    void UnattendedStep(ExitCode step);
    // Refreshes the local address: the tunnel's, or the engine's first UDP internal address up
    // to its ":" ("0.0.0.0" when it has none). Nothing without an engine.
    void RefreshLocalAddress();
    // The same from a given list of the engine's addresses ("host" or "host:port").
    void SetLocalAddress(const QStringList& addresses);
    // Arms timer 12 (2 min in a call, else 2 h) and, outside a call, starts the pop-up fetch.
    void PopupPoll();

    // The SIP user URI: "sip:" + account + "_Z@" + SIP domain.
    QString UserUri() const;

private:
    void OnRegistration(const RtcStateReport& report);
    void OnSession(const RtcStateReport& report);
    void OnClientEvent(int32_t type);
    void ArmRegistrationTimer(int ms);

    PhoneState& m_state;
    DisplayDelegate& m_display;
    TimerDelegate& m_timers;
    ServiceDelegate& m_service;
    ShellDelegate& m_shell;
    HandsetDelegate& m_handset;
    IRtcEngine* m_engine;
    DialingInput& m_input;
    SecondsClock m_now;
};

}  // namespace zuvo
