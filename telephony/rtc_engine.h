#pragma once

#include <functional>
#include <memory>

#include "telephony/rtc_engine_interface.h"
#include "telephony/rtc_event_queue.h"
#include "telephony/rtc_port_manager.h"
#include "telephony/sip_client.h"

namespace zuvo {

// The telephony engine: owns the SIP client, the one provisioning profile, at most one call and
// the port manager, and turns the client's events into WM_RTC_EVENT messages posted to the
// notify window. Each message's report waits in the engine's event queue until the handler takes
// it (TakeEvent), so events of one kind never overwrite one another. Main thread only.
class CRtcEngine final : public IRtcEngine, private SipClientEvents {
public:
    using ClientFactory = std::function<std::unique_ptr<SipClient>()>;

    // An engine over the SIP client the factory makes; the factory runs in Start.
    explicit CRtcEngine(ClientFactory factory);
    ~CRtcEngine() override;
    CRtcEngine(const CRtcEngine&) = delete;
    CRtcEngine& operator=(const CRtcEngine&) = delete;

    HRESULT Start(RtcNotifyWindow* window) override;
    HRESULT PrepareShutdown() override;
    HRESULT Shutdown() override;
    HRESULT Register(const QString& userUri, const QString& serverAddress,
                     const QString& transport) override;
    HRESULT Unregister() override;
    HRESULT PlaceCall(int32_t sessionType, const QString& remoteAddress,
                      const QString& localAddress, int rtpPort) override;
    HRESULT HangUp() override;
    HRESULT SendTone(int32_t tone) override;
    HRESULT GetNetworkQuality(int32_t* quality) override;
    HRESULT GetNetworkAddresses(bool tcp, bool external, QStringList* out) override;
    HRESULT SetAudioDevice(int32_t device, const QString& name) override;
    HRESULT SetVolume(int32_t device, int32_t volume) override;
    HRESULT SetMuted(int32_t device, bool muted) override;
    HRESULT RunTuningWizard() override;
    HRESULT GetVolume(int32_t device, int32_t* volume) override;
    HRESULT SetEchoCancellation(bool on) override;
    HRESULT GetEchoCancellation(bool* on) override;
    HRESULT SetListening(bool on) override;
    HRESULT AnswerCall() override;
    HRESULT EndCall(int32_t reason) override;
    HRESULT GetRemoteParty(QString* uri, QString* name) override;
    HRESULT SetClientName(const QString& name) override;

    bool IsCallActive() const override { return m_callActive; }
    std::optional<RtcEvent> TakeEvent(WPARAM kind, LPARAM sequence) override;
    std::optional<CallStatistics> LastCallStatistics() const override;
    // E_FAIL without a client.
    HRESULT SetMediaEncryptionRequired(bool required) override;

    // Reports posted and not yet taken.
    size_t QueuedEvents() const { return m_events.Size(); }
    bool HasClient() const { return m_client != nullptr; }
    bool HasProfile() const { return m_profile != 0; }
    // The client itself, for diagnostics of the product client (call statistics).
    SipClient* Client() const { return m_client.get(); }

private:
    HRESULT RunStartSequence();
    void ReleaseSession();
    void Post(WPARAM kind, LPARAM lParam);
    void PostReport(const RtcEvent& event);
    void PostSession(int32_t state, int32_t statusCode);

    void OnClientEvent(int32_t type) override;
    void OnRegistrationStateChange(int32_t state, int32_t statusCode) override;
    void OnSessionStateChange(SipSessionId session, int32_t state, int32_t statusCode) override;
    void OnMediaEvent(int32_t type, int32_t reason) override;
    void OnIntensityEvent(int32_t direction, int32_t level, int32_t minimum,
                          int32_t maximum) override;

    RtcEventQueue m_events;
    ClientFactory m_factory;
    std::unique_ptr<SipClient> m_client;
    bool m_advised = false;
    SipSessionId m_session = 0;
    SipProfileId m_profile = 0;
    bool m_sessionPortManagement = false;
    std::unique_ptr<CRtcPortManager> m_portManager;
    bool m_callActive = false;
    RtcNotifyWindow* m_window = nullptr;
};

}  // namespace zuvo
