#pragma once

#include <QList>
#include <QString>

#include <QDateTime>

#include <cstdint>
#include <functional>

#include "app/core/phone_settings.h"
#include "app/core/settings_store.h"
#include "app/logic/call_report.h"
#include "app/logic/call_status.h"
#include "app/logic/modal_dialog.h"
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

// What the display areas show.
struct DisplayTexts {
    QString numberLine;
    QString balanceText;
    QString minutesText;
    bool minutesShown = false;
    QString finalCallTime;  // "%H:%M:%S" of the call that ended last
};

// The call in progress, or the one placed last.
struct CallProgress {
    // The number of the call placed last, as dialled: "+" and digits, or an IP address. The
    // balance request after the call charges it.
    QString dialledNumber;
    bool active = false;
    // The external client heard that an incoming call started and not yet that it ended.
    bool incomingAnnounced = false;
    bool muted = false;
    bool autoDial = false;
    bool mediaStarted = false;
    bool popupCheckDone = false;  // one-shot flag of the pre-call pop-up check
    int type = 1;
    CallClock clock;
};

// Sign-in and registration progress.
struct SigninProgress {
    bool signingIn = false;
    bool pending = true;  // cleared when the sign-in dialog is confirmed
    bool configurationReceived = false;
    bool registrationTimerRunning = false;
    int32_t registrationStatus = 0;
};

// The unattended test-call cycle (/U /R /C, delays in ms).
struct UnattendedCycle {
    bool enabled = false;
    int delayMs = 0;         // /U
    int ringDelayMs = 0;     // /R
    int connectDelayMs = 0;  // /C
};

// The one account record: as entered or stored (user name, PIN, what to remember), and the
// number signed in with, which the service may replace.
struct AccountState {
    AccountRecord record;
    QString number;
};

// What the service and the network offer this phone.
struct ServiceState {
    QString sipDomain;  // the service's SIP domain (deployment value)
    QString localAddress;
    bool popupsAvailable = false;
    bool minutesEnabled = false;
    bool useTunnel = false;  // "Use VPN Tunnel" and a tunnel component exists
    QString tunnelLocalAddress;
    bool tunnelUp = false;  // started at this sign-in; its texts go to the service
    QString tunnelInfo;     // identification and version, at most 16 characters each
    QString tunnelVersion;
};

// The SIP server list; empty = none received.
struct SipServers {
    QList<SipServerEntry> entries;
    int current = 0;
    int lastGood = 0;
};

// Keyboard, keypad and handset.
struct KeypadState {
    int index = 0;           // last keypad key, 0..11
    QChar latch;             // keyboard key being held; null when none
    int handsetOptions = 0;  // the handset device's own option flags
    bool handsetPresent = false;
};

// The run-time values of the main window that the call logic reads and writes. The window owns
// the one instance and lends it to its logic classes.
//
// Main thread only. Worker threads (connect, server configuration, call authorisation, balance,
// pop-up fetch) never write here: they post their results to the window, which stores them.
struct PhoneState {
    DisplayTexts display;
    CallProgress call;
    SigninProgress signin;
    UnattendedCycle unattended;
    AccountState account;
    ServiceState service;
    SipServers servers;
    KeypadState keypad;

    CallStatus callStatus = CallStatus::SignedOut;  // shown as its status string
    // The engine's last registration state; RTCRS_REGISTERED = signed in.
    RtcRegistrationState connectionState = RTCRS_NOT_REGISTERED;
    ExitCode exitCode = ExitCode::NotStarted;
    // When the steps of the (test) call were reached, for the call-quality report.
    CallTimeline timeline;

    // The dialog that holds the window (the call-history dialog among them), if any.
    ModalDialogState modal;

    PhoneSettings settings;
    bool configLocked = false;          // the lock PIN is set
    bool installWizardPending = false;  // "Install Wizard" is non-zero
};

}  // namespace zuvo
