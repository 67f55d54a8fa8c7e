#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

#include "telephony/call_statistics.h"
#include "telephony/rtc_types.h"

namespace zuvo {

class CRtcPortManager;

// Opaque handles the SIP client gives out; 0 is "none".
using SipProfileId = uint64_t;
using SipSessionId = uint64_t;

// Event kinds a client raises (the event filter's bits).
inline constexpr int32_t RTCEF_CLIENT = 0x1;
inline constexpr int32_t RTCEF_REGISTRATION_STATE_CHANGE = 0x2;
inline constexpr int32_t RTCEF_SESSION_STATE_CHANGE = 0x4;
inline constexpr int32_t RTCEF_MEDIA = 0x20;
inline constexpr int32_t RTCEF_INTENSITY = 0x40;
inline constexpr int32_t kEngineEventFilter = 0x67;

inline constexpr int32_t RTCLM_NONE = 0;
inline constexpr int32_t RTCLM_BOTH = 2;
inline constexpr int32_t RTCRF_REGISTER_ALL = 15;
inline constexpr int32_t kAudioSendReceive = 3;

// Receiver of a SIP client's events. Called on the thread that created the client, never from
// inside a client operation's caller frame in a way that re-enters it unexpectedly: a handler may
// call back into the client. Values are those of the RTC enumerations in rtc_types.h.
class SipClientEvents {
public:
    virtual ~SipClientEvents() = default;
    virtual void OnClientEvent(int32_t type) = 0;
    virtual void OnRegistrationStateChange(int32_t state, int32_t statusCode) = 0;
    virtual void OnSessionStateChange(SipSessionId session, int32_t state, int32_t statusCode) = 0;
    virtual void OnMediaEvent(int32_t type, int32_t reason) = 0;
    virtual void OnIntensityEvent(int32_t direction, int32_t level, int32_t minimum,
                                  int32_t maximum) = 0;
};

// The SIP client operations the telephony engine needs. Every operation returns a result code
// (negative = failure). Status codes of events carry a SIP response as SipStatus() does; a
// failure without a SIP response carries no SIP facility. Single-threaded: the creating thread.
class SipClient {
public:
    virtual ~SipClient() = default;

    // Must succeed before anything else.
    virtual HRESULT Initialize() = 0;
    // Only the event kinds whose bits are set are raised.
    virtual HRESULT SetEventFilter(int32_t filter) = 0;
    virtual HRESULT SetListenForIncomingSessions(int32_t mode) = 0;
    virtual HRESULT SetPreferredMediaTypes(int32_t types, bool persistent) = 0;
    // Connects (events != nullptr) or disconnects the event receiver.
    virtual HRESULT Advise(SipClientEvents* events) = 0;

    // Provisioning: registration progress arrives later as registration state events.
    virtual HRESULT CreateProfile(const QString& text, SipProfileId* profile) = 0;
    virtual HRESULT EnableProfile(SipProfileId profile, int32_t flags) = 0;
    virtual HRESULT DisableProfile(SipProfileId profile) = 0;
    virtual HRESULT GetProfileState(SipProfileId profile, int32_t* state) = 0;
    // Drops the caller's hold on the profile; the client forgets it once it is unregistered.
    virtual void ReleaseProfile(SipProfileId profile) = 0;

    // Sessions: progress arrives later as session state events.
    virtual HRESULT CreateSession(int32_t type, SipSessionId* session) = 0;
    // Media ports of the session are taken from the port manager (must outlive the session).
    virtual HRESULT SetPortManager(SipSessionId session, const CRtcPortManager* manager) = 0;
    // Starts the call; E_ENCRYPTION_REQUIRED when its media would have to go out in clear.
    virtual HRESULT AddParticipant(SipSessionId session, const QString& address) = 0;
    virtual HRESULT Terminate(SipSessionId session, int32_t reason) = 0;
    virtual HRESULT Answer(SipSessionId session) = 0;
    virtual HRESULT GetSessionType(SipSessionId session, int32_t* type) = 0;
    virtual HRESULT GetRemoteParticipant(SipSessionId session, QString* uri, QString* name) = 0;
    virtual void ReleaseSession(SipSessionId session) = 0;

    // Each entry "address:port".
    virtual HRESULT GetNetworkAddresses(bool tcp, bool external, QStringList* out) = 0;
    virtual HRESULT SendDtmf(int32_t tone) = 0;
    virtual HRESULT SetVolume(int32_t device, int32_t volume) = 0;
    virtual HRESULT GetVolume(int32_t device, int32_t* volume) = 0;
    virtual HRESULT SetAudioMuted(int32_t device, bool muted) = 0;
    virtual HRESULT SetPreferredAudioDevice(int32_t device, const QString& name) = 0;
    virtual HRESULT SetPreferredAec(bool on) = 0;
    virtual HRESULT GetPreferredAec(bool* on) = 0;
    virtual HRESULT GetNetworkQuality(int32_t* quality) = 0;
    virtual HRESULT InvokeTuningWizard() = 0;
    virtual HRESULT SetClientName(const QString& name) = 0;

    // Media of calls placed from now on must be encrypted: a call that cannot be is not placed in
    // clear (AddParticipant gives E_ENCRYPTION_REQUIRED). Clients without media encryption refuse.
    virtual HRESULT SetMediaEncryptionRequired(bool) { return E_NOTIMPL; }
    // The audio statistics of the current call, or of the last one once it ended; nullopt when
    // no call had media yet.
    virtual std::optional<CallStatistics> LastCallStatistics() const { return std::nullopt; }

    // After PrepareForShutdown succeeds, a client event RTCCET_ASYNC_CLEANUP_DONE follows later.
    virtual HRESULT PrepareForShutdown() = 0;
    virtual HRESULT Shutdown() = 0;
};

}  // namespace zuvo
