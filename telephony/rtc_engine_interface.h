#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "telephony/call_statistics.h"
#include "telephony/rtc_types.h"

namespace zuvo {

// The window the engine reports to: every event is posted to it as WM_RTC_EVENT; PrepareShutdown
// hides it, and a failed PrepareShutdown sends it WM_DESTROY.
class RtcNotifyWindow {
public:
    virtual ~RtcNotifyWindow() = default;
    virtual void PostMessage(uint32_t message, WPARAM wParam, LPARAM lParam) = 0;
    virtual LRESULT SendMessage(uint32_t message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void Hide() = 0;
};

// The telephony engine's operation table, in slot order: the only way the rest of the phone
// reaches SIP. Every operation returns a result code (negative = failure). Main thread only.
class IRtcEngine {
public:
    virtual ~IRtcEngine() = default;
    virtual HRESULT Start(RtcNotifyWindow* window) = 0;  // 0
    virtual HRESULT PrepareShutdown() = 0;               // 1
    virtual HRESULT Shutdown() = 0;                      // 2
    virtual HRESULT Register(const QString& userUri, const QString& serverAddress,
                             const QString& transport) = 0;  // 3
    virtual HRESULT Unregister() = 0;                        // 4
    virtual HRESULT PlaceCall(int32_t sessionType, const QString& remoteAddress,
                              const QString& localAddress, int rtpPort) = 0;             // 5
    virtual HRESULT HangUp() = 0;                                                        // 6
    virtual HRESULT SendTone(int32_t tone) = 0;                                          // 7
    virtual HRESULT GetNetworkQuality(int32_t* quality) = 0;                             // 8
    virtual HRESULT GetNetworkAddresses(bool tcp, bool external, QStringList* out) = 0;  // 9
    virtual HRESULT SetAudioDevice(int32_t device, const QString& name) = 0;             // 10
    virtual HRESULT SetVolume(int32_t device, int32_t volume) = 0;                       // 11
    virtual HRESULT SetMuted(int32_t device, bool muted) = 0;                            // 12
    virtual HRESULT RunTuningWizard() = 0;                                               // 13
    virtual HRESULT GetVolume(int32_t device, int32_t* volume) = 0;                      // 14
    virtual HRESULT SetEchoCancellation(bool on) = 0;                                    // 15
    virtual HRESULT GetEchoCancellation(bool* on) = 0;                                   // 16
    virtual HRESULT SetListening(bool on) = 0;                                           // 17
    virtual HRESULT AnswerCall() = 0;                                                    // 18
    virtual HRESULT EndCall(int32_t reason) = 0;                                         // 19
    virtual HRESULT GetRemoteParty(QString* uri, QString* name) = 0;                     // 20
    virtual HRESULT SetClientName(const QString& name) = 0;                              // 21

    virtual bool IsCallActive() const = 0;
    // The report of the WM_RTC_EVENT (kind, lParam) this engine posted, handed out once and in
    // posting order; nullopt for a message it did not post or one already taken.
    virtual std::optional<RtcEvent> TakeEvent(WPARAM kind, LPARAM sequence) = 0;
    // The audio statistics of the current or last call (nullopt: none, or not measured).
    virtual std::optional<CallStatistics> LastCallStatistics() const { return std::nullopt; }
    // Calls placed afterwards must have encrypted media: one that cannot be is not placed in
    // clear (PlaceCall gives E_ENCRYPTION_REQUIRED). Fails where that cannot be promised.
    virtual HRESULT SetMediaEncryptionRequired(bool) { return E_NOTIMPL; }
};

}  // namespace zuvo
