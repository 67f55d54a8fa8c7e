#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "app/logic/call_state_machine.h"
#include "app/logic/dialing_input.h"
#include "app/logic/phone_delegate.h"
#include "app/logic/phone_state.h"
#include "contacts/call_history.h"
#include "contacts/call_history_selection.h"
#include "contacts/speed_dial.h"
#include "platform/profile.h"
#include "telephony/rtc_engine_interface.h"
#include "telephony/rtc_event_queue.h"
#include "tests/support/test_environment.h"

namespace zuvo::test {

// Engine double: records what was asked, answers with configurable results.
class FakeEngine : public IRtcEngine {
public:
    struct Registration {
        QString uri, address, transport;
    };
    struct Call {
        int32_t type;
        QString remote;
        int port;
    };
    QList<Registration> registrations;
    QList<Call> calls;
    QList<int32_t> tones;
    QList<QPair<int32_t, bool>> muted;
    QMap<int32_t, int32_t> volumes{{RTCAD_SPEAKER, 0x8000}, {RTCAD_MICROPHONE, 0x4000}};
    int setVolumeCalls = 0;
    int unregisters = 0;
    int hangUps = 0;
    HRESULT registerResult = S_OK;
    HRESULT placeCallResult = S_OK;
    QStringList addresses;

    HRESULT Start(RtcNotifyWindow*) override { return S_OK; }
    HRESULT PrepareShutdown() override { return S_OK; }
    HRESULT Shutdown() override { return S_OK; }
    HRESULT Register(const QString& uri, const QString& address,
                     const QString& transport) override {
        registrations.append({uri, address, transport});
        return registerResult;
    }
    HRESULT Unregister() override {
        ++unregisters;
        return S_OK;
    }
    HRESULT PlaceCall(int32_t type, const QString& remote, const QString&, int port) override {
        calls.append({type, remote, port});
        return placeCallResult;
    }
    HRESULT HangUp() override {
        ++hangUps;
        return S_OK;
    }
    HRESULT SendTone(int32_t tone) override {
        tones.append(tone);
        return S_OK;
    }
    HRESULT GetNetworkQuality(int32_t*) override { return S_OK; }
    HRESULT GetNetworkAddresses(bool, bool, QStringList* out) override {
        *out = addresses;
        return S_OK;
    }
    // Every device handed over, as "speaker:NAME" / "microphone:NAME"; names in refused are
    // refused as the engine refuses a device it does not know.
    QStringList audioDevices;
    QStringList refused;
    HRESULT SetAudioDevice(int32_t device, const QString& name) override {
        audioDevices.append(
            (device == RTCAD_SPEAKER ? QStringLiteral("speaker:") : QStringLiteral("microphone:")) +
            name);
        return name.isEmpty() || refused.contains(name, Qt::CaseInsensitive) ? E_FAIL : S_OK;
    }
    HRESULT SetVolume(int32_t device, int32_t volume) override {
        ++setVolumeCalls;
        volumes[device] = volume;
        return S_OK;
    }
    HRESULT SetMuted(int32_t device, bool on) override {
        muted.append({device, on});
        return S_OK;
    }
    HRESULT RunTuningWizard() override { return S_OK; }
    HRESULT GetVolume(int32_t device, int32_t* volume) override {
        *volume = volumes.value(device);
        return S_OK;
    }
    bool echoCancellation = false;
    HRESULT echoResult = S_OK;
    QList<bool> echoSet;
    HRESULT SetEchoCancellation(bool on) override {
        echoSet.append(on);
        echoCancellation = on;
        return S_OK;
    }
    HRESULT GetEchoCancellation(bool* on) override {
        if (!Failed(echoResult)) {
            *on = echoCancellation;
        }
        return echoResult;
    }
    HRESULT SetListening(bool) override { return S_OK; }
    HRESULT AnswerCall() override { return S_OK; }
    HRESULT EndCall(int32_t) override { return S_OK; }
    HRESULT GetRemoteParty(QString*, QString*) override { return S_OK; }
    HRESULT SetClientName(const QString&) override { return S_OK; }
    bool IsCallActive() const override { return false; }
    std::optional<RtcEvent> TakeEvent(WPARAM kind, LPARAM sequence) override {
        return queue.Take(kind, sequence);
    }
    // Queues the report as the engine does; the sequence number to post.
    LPARAM Queue(const RtcEvent& event) { return queue.Push(event); }

    RtcEventQueue queue;
};

// Window double: records requests as short text lines and keeps the armed timers.
class RecordingDelegate : public PhoneDelegate {
public:
    QStringList log;
    QMap<int, int> timers;            // id -> ms of the running timers
    QList<QPair<int, int>> timerLog;  // every SetTimer
    QList<QPair<int, QByteArray>> clientMessages;
    QList<QPair<int, int>> handset;
    bool popupShows = false;
    std::optional<QString> clipboard;
    Indicator indicator = Indicator::Dark;
    int speakerSlider = -1, micSlider = -1;
    int signOuts = 0;

    int Count(const QString& entry) const { return static_cast<int>(log.count(entry)); }

    void RedrawStatus() override { log << QStringLiteral("status"); }
    void RedrawNumber() override { log << QStringLiteral("number"); }
    void RedrawBalance() override { log << QStringLiteral("balance"); }
    void RedrawMinutes() override { log << QStringLiteral("minutes"); }
    void ResetNumberTooltip() override { log << QStringLiteral("tooltip"); }
    void SetTimer(int id, int ms) override {
        timers[id] = ms;
        timerLog.append({id, ms});
    }
    void KillTimer(int id) override { timers.remove(id); }
    bool IsTimerRunning(int id) const override { return timers.contains(id); }
    void SetSignInIndicator(Indicator s) override { indicator = s; }
    void SetSpeakerSlider(int p) override { speakerSlider = p; }
    void SetMicSlider(int p) override { micSlider = p; }
    void WizardDevicesChanged() override { log << QStringLiteral("wizard-devices"); }
    void WizardVolumeChanged(int, int) override { log << QStringLiteral("wizard-volume"); }
    void ShowKeypadButton(int, bool) override {}
    void NotifyExternalClient(ExternalControlProtocol::PhoneNotice type,
                              const QByteArray& data) override {
        clientMessages.append({ToUnderlying(type), data});
    }
    void NotifyHandset(int code, int value) override { handset.append({code, value}); }
    void RebuildRequestKey() override { log << QStringLiteral("key"); }
    void StartBalanceRequest(bool withConnection) override {
        log << (withConnection ? QStringLiteral("balance-cp") : QStringLiteral("balance-req"));
    }
    void StartCallAuthorisation(const QString& dialled) override {
        log << QStringLiteral("auth ") + dialled;
    }
    void StartPopupFetch() override { log << QStringLiteral("popup-fetch"); }
    bool ShowPopup(int kind) override {
        log << QStringLiteral("popup %1").arg(kind);
        return popupShows;
    }
    void SignOut() override { ++signOuts; }
    void DestroyWindow() override { log << QStringLiteral("destroy"); }
    void Minimise() override { log << QStringLiteral("minimise"); }
    void ShowWindow() override { log << QStringLiteral("show"); }
    void ShowContextMenu() override { log << QStringLiteral("menu"); }
    void RunAudioWizard() override { log << QStringLiteral("wizard"); }
    void ScreenSaver(bool on) override { log << QStringLiteral("saver %1").arg(on); }
    void OpenAccountPage() override { log << QStringLiteral("account"); }
    void OpenHomePage() override { log << QStringLiteral("home"); }
    void OpenSupportPage() override { log << QStringLiteral("support"); }
    void OpenCallHistoryDialog() override { log << QStringLiteral("history-open"); }
    void CloseCallHistoryDialog() override { log << QStringLiteral("history-close"); }
    void CallHistorySelectionChanged(int row) override {
        log << QStringLiteral("history-row %1").arg(row);
    }
    std::optional<QString> ClipboardText() override { return clipboard; }
    void SetClipboardText(const QString& text) override { clipboard = text; }
    void FocusMainWindow() override {}
};

// The logic objects wired as the main window wires them, over a temporary settings store.
struct PhoneRig {
    TestEnvironment env;
    Profile profile = Profile::Phone();
    int64_t now = 1'000'000;
    PhoneState state;
    RecordingDelegate delegate;
    FakeEngine engine;
    CallHistory history;
    CallHistorySelection selection;
    SpeedDial speedDial{profile};
    DialingInput input{
        state, delegate, &engine, history, speedDial, selection, [this] { return now; }};
    CallStateMachine machine{state, delegate, &engine, input, [this] { return now; }};

    // Engine events, queued and posted as the engine does and handled at once.
    void Registration(int32_t regState, int32_t status = 0) {
        machine.OnRtcEvent(RTC_EVT_REGISTRATION,
                           engine.Queue(RtcStateEvent(RTC_EVT_REGISTRATION, regState, status)));
    }
    void Session(int32_t sessionState, int32_t status = 0) {
        machine.OnRtcEvent(RTC_EVT_SESSION,
                           engine.Queue(RtcStateEvent(RTC_EVT_SESSION, sessionState, status)));
    }
    void Media(int32_t type, int32_t reason) {
        machine.OnRtcEvent(RTC_EVT_MEDIA, engine.Queue(RtcMediaEvent(type, reason)));
    }
    void Client(int32_t type) { machine.OnRtcEvent(RTC_EVT_CLIENT, type); }
    // Signed in with a number on the line, ready to dial.
    void SignedIn(const QString& number = {}) {
        state.signin.pending = false;
        state.signin.configurationReceived = true;
        state.servers.entries = {{QStringLiteral("127.0.0.1:5060"), QStringLiteral("UDP"), {}}};
        Registration(RTCRS_REGISTERED);
        state.display.numberLine = number;
    }
    // Fires a timer the way the window does: only when it is running.
    void Fire(int id) {
        if (delegate.timers.contains(id))
            machine.OnTimer(id);
    }
};

}  // namespace zuvo::test
