#pragma once

#include <QList>
#include <QString>

#include <QDateTime>

#include <cstdint>
#include <functional>

#include "app/core/phone_settings.h"
#include "app/logic/call_status.h"
#include "platform/exit_code.h"
#include "telephony/discovery/sip_server_entry.h"
#include "telephony/rtc_types.h"

namespace zuvo {

// The wall clock in seconds since 1970; tests give their own.
using SecondsClock = std::function<int64_t()>;
inline int64_t SystemSeconds() {
    return QDateTime::currentSecsSinceEpoch();
}

// The call clock of a connected call. Seconds since 1970.
struct CallClock {
    int64_t start = 0;
    int64_t lastTick = 0;
    int64_t elapsed = 0;
    bool running = false;
};

// The run-time values of the main window that the call logic reads and writes.
//
// Main thread only. Worker threads (connect, server configuration, call authorisation, balance,
// pop-up fetch) never write here: they post their results to the window, which stores them.
struct PhoneState {
    // Display.
    QString numberLine;
    QString balanceText;
    QString minutesText;
    bool minutesShown = false;
    QString finalCallTime;  // "%H:%M:%S" of the call that ended last

    // Call and sign-in.
    // The number of the call placed last, as dialled: "+" and digits, or an IP address. The
    // balance request after the call charges it.
    QString dialledNumber;
    CallStatus callStatus = CallStatus::SignedOut;
    // The engine's last registration state; RTCRS_REGISTERED = signed in.
    RtcRegistrationState connectionState = RTCRS_NOT_REGISTERED;
    int32_t registrationStatus = 0;
    bool callActive = false;
    // The external client heard that an incoming call started and not yet that it ended.
    bool incomingCallAnnounced = false;
    bool signingIn = false;
    bool muted = false;
    bool signInPending = true;  // cleared when the sign-in dialog is confirmed
    bool autoDial = false;
    bool mediaStarted = false;
    bool configurationReceived = false;
    bool registrationTimerRunning = false;
    bool callHistoryDialogOpen = false;
    int callType = 1;
    CallClock clock;

    // Unattended test-call cycle (/U /R /C, delays in ms).
    bool unattended = false;
    int unattendedDelayMs = 0;  // /U
    int ringDelayMs = 0;        // /R
    int connectDelayMs = 0;     // /C
    ExitCode exitCode = ExitCode::NotStarted;

    // Account and service.
    QString account;    // account number as signed in
    QString sipDomain;  // the service's SIP domain (deployment value)
    QString localAddress;
    bool popupsAvailable = false;
    bool minutesEnabled = false;
    bool useTunnel = false;  // "Use VPN Tunnel" and a tunnel component exists
    QString tunnelLocalAddress;

    // SIP server list; empty = none received.
    QList<SipServerEntry> sipServers;
    int currentServer = 0;
    int lastGoodServer = 0;

    // Keyboard and keypad.
    int keyIndex = 0;        // last keypad key, 0..11
    QChar keyLatch;          // keyboard key being held; null when none
    int handsetOptions = 0;  // the handset device's own option flags
    bool handsetPresent = false;
    bool popupCheckDone = false;  // one-shot flag of the pre-call pop-up check
    bool configLocked = false;    // the lock PIN is set

    PhoneSettings settings;
    bool installWizardPending = false;  // "Install Wizard" is non-zero
};

}  // namespace zuvo
