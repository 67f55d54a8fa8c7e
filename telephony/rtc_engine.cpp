#include "telephony/rtc_engine.h"

#include "telephony/provisioning_profile.h"
#include "telephony/telephony_log.h"

namespace zuvo {

CRtcEngine::CRtcEngine(ClientFactory factory) : m_factory(std::move(factory)) {}

CRtcEngine::~CRtcEngine() {
    // The owner normally shuts down first; anything left is released in the same order.
    if (m_client != nullptr || m_profile != 0 || m_session != 0) {
        Shutdown();
    }
}

HRESULT CRtcEngine::Start(RtcNotifyWindow* window) {
    m_window = window;
    const HRESULT hr = RunStartSequence();
    if (Failed(hr)) {
        qCWarning(lcTelephony) << "SIP client did not start:" << Qt::hex << hr;
    }
    // A failed start leaves an engine without a client; the caller sees success either way.
    return S_OK;
}

HRESULT CRtcEngine::RunStartSequence() {
    if (m_client != nullptr) {
        return S_OK;
    }
    std::unique_ptr<SipClient> client = m_factory ? m_factory() : nullptr;
    if (client == nullptr) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = client->Initialize();
    if (Failed(hr)) {
        return hr;
    }
    if (Failed(client->SetEventFilter(kEngineEventFilter))) {
        client->Shutdown();
        return -1;
    }
    hr = client->SetListenForIncomingSessions(RTCLM_NONE);
    if (Failed(hr)) {
        client->Shutdown();
        return hr;
    }
    const HRESULT mediaTypes = client->SetPreferredMediaTypes(kAudioSendReceive, false);
    if (Failed(mediaTypes)) {
        qCWarning(lcTelephony) << "preferred media types not taken:" << Qt::hex << mediaTypes;
    }
    hr = client->Advise(this);
    if (Failed(hr)) {
        client->Shutdown();
        return hr;
    }
    m_advised = true;
    m_client = std::move(client);
    m_portManager = std::make_unique<CRtcPortManager>();
    return S_OK;
}

HRESULT CRtcEngine::PrepareShutdown() {
    if (m_client != nullptr && !Failed(m_client->PrepareForShutdown())) {
        if (m_window != nullptr) {
            m_window->Hide();
        }
        return S_OK;
    }
    if (m_client != nullptr) {
        m_client->Shutdown();
    }
    if (m_window != nullptr) {
        m_window->SendMessage(Wm::Destroy, 0, 0);
    }
    return E_FAIL;
}

HRESULT CRtcEngine::Shutdown() {
    if (m_profile != 0 && m_client != nullptr) {
        m_client->ReleaseProfile(m_profile);
    }
    m_profile = 0;
    m_portManager.reset();
    m_sessionPortManagement = false;
    if (m_session != 0 && m_client != nullptr) {
        m_client->ReleaseSession(m_session);
    }
    m_session = 0;
    m_callActive = false;
    if (m_client != nullptr) {
        if (m_advised) {
            m_client->Advise(nullptr);
            m_advised = false;
        }
        m_client->Shutdown();
        m_client.reset();
    }
    return S_OK;
}

HRESULT CRtcEngine::Register(const QString& userUri, const QString& serverAddress,
                             const QString& transport) {
    if (m_profile != 0) {
        return S_FALSE;
    }
    if (m_client == nullptr) {
        return E_FAIL;
    }
    const std::optional<QString> text = BuildProvisioningProfile(userUri, serverAddress, transport);
    if (!text) {
        qCWarning(lcTelephony) << "provisioning profile too long";
        return E_FAIL;
    }
    SipProfileId profile = 0;
    HRESULT hr = m_client->CreateProfile(*text, &profile);
    if (Failed(hr)) {
        return hr;
    }
    m_profile = profile;
    hr = m_client->EnableProfile(m_profile, RTCRF_REGISTER_ALL);
    if (Failed(hr)) {
        m_client->ReleaseProfile(m_profile);
        m_profile = 0;
        return hr;
    }
    return S_OK;
}

HRESULT CRtcEngine::Unregister() {
    if (m_profile == 0 || m_client == nullptr) {
        return S_OK;
    }
    m_client->DisableProfile(m_profile);
    m_client->ReleaseProfile(m_profile);
    m_profile = 0;
    return S_OK;
}

HRESULT CRtcEngine::PlaceCall(int32_t sessionType, const QString& remoteAddress,
                              const QString& /*localAddress*/, int rtpPort) {
    if (m_client == nullptr) {
        return E_FAIL;
    }
    SipSessionId session = 0;
    HRESULT hr = m_client->CreateSession(sessionType, &session);
    if (Failed(hr)) {
        return hr;
    }
    // The engine holds one session; a handle still held from an earlier call is let go.
    ReleaseSession();
    m_session = session;

    if (rtpPort != 0) {
        m_sessionPortManagement = true;
        QStringList addresses;
        hr = m_client->GetNetworkAddresses(false, false, &addresses);
        if (!Failed(hr) && !addresses.isEmpty()) {
            const QString& first = addresses.front();
            const qsizetype colon = first.indexOf(u':');
            m_portManager->SetLocalAddress(colon < 0 ? first : first.left(colon));
            m_portManager->SetRtpPort(rtpPort);
            hr = m_client->SetPortManager(m_session, m_portManager.get());
        } else if (!Failed(hr)) {
            hr = E_FAIL;
        }
        if (Failed(hr)) {
            m_sessionPortManagement = false;
        }
    }

    hr = m_client->AddParticipant(m_session, remoteAddress);
    if (Failed(hr)) {
        ReleaseSession();
        return hr;
    }
    m_callActive = true;
    return hr;
}

void CRtcEngine::ReleaseSession() {
    m_sessionPortManagement = false;
    if (m_session != 0 && m_client != nullptr) {
        m_client->ReleaseSession(m_session);
    }
    m_session = 0;
}

HRESULT CRtcEngine::HangUp() {
    if (!m_callActive) {
        return S_OK;
    }
    m_callActive = false;
    if (m_client == nullptr || m_session == 0) {
        return E_FAIL;
    }
    return m_client->Terminate(m_session, RTCTR_NORMAL);
}

HRESULT CRtcEngine::SendTone(int32_t tone) {
    return m_client ? m_client->SendDtmf(tone) : E_FAIL;
}

HRESULT CRtcEngine::GetNetworkQuality(int32_t* quality) {
    return m_client ? m_client->GetNetworkQuality(quality) : E_FAIL;
}

HRESULT CRtcEngine::GetNetworkAddresses(bool tcp, bool external, QStringList* out) {
    return m_client ? m_client->GetNetworkAddresses(tcp, external, out) : E_FAIL;
}

HRESULT CRtcEngine::SetAudioDevice(int32_t device, const QString& name) {
    return m_client ? m_client->SetPreferredAudioDevice(device, name) : E_FAIL;
}

HRESULT CRtcEngine::SetVolume(int32_t device, int32_t volume) {
    return m_client ? m_client->SetVolume(device, volume) : E_FAIL;
}

HRESULT CRtcEngine::SetMuted(int32_t device, bool muted) {
    return m_client ? m_client->SetAudioMuted(device, muted) : E_FAIL;
}

HRESULT CRtcEngine::RunTuningWizard() {
    return m_client ? m_client->InvokeTuningWizard() : E_FAIL;
}

HRESULT CRtcEngine::GetVolume(int32_t device, int32_t* volume) {
    return m_client ? m_client->GetVolume(device, volume) : E_FAIL;
}

HRESULT CRtcEngine::SetEchoCancellation(bool on) {
    return m_client ? m_client->SetPreferredAec(on) : E_FAIL;
}

HRESULT CRtcEngine::GetEchoCancellation(bool* on) {
    return m_client ? m_client->GetPreferredAec(on) : E_FAIL;
}

HRESULT CRtcEngine::SetListening(bool on) {
    return m_client ? m_client->SetListenForIncomingSessions(on ? RTCLM_BOTH : RTCLM_NONE) : E_FAIL;
}

HRESULT CRtcEngine::AnswerCall() {
    return m_client && m_session != 0 ? m_client->Answer(m_session) : E_FAIL;
}

HRESULT CRtcEngine::EndCall(int32_t reason) {
    if (m_client != nullptr && m_session != 0 && m_callActive) {
        return m_client->Terminate(m_session, reason);
    }
    m_callActive = false;
    return E_FAIL;
}

HRESULT CRtcEngine::GetRemoteParty(QString* uri, QString* name) {
    if (m_client == nullptr || m_session == 0) {
        return E_FAIL;
    }
    return m_client->GetRemoteParticipant(m_session, uri, name);
}

HRESULT CRtcEngine::SetClientName(const QString& name) {
    return m_client ? m_client->SetClientName(name) : E_FAIL;
}

void CRtcEngine::Post(WPARAM kind, LPARAM lParam) {
    if (m_window != nullptr) {
        m_window->PostMessage(Msg::RtcEvent, kind, lParam);
    }
}

void CRtcEngine::PostReport(const RtcEvent& event) {
    if (m_window != nullptr) {
        Post(event.kind, m_events.Push(event));
    }
}

std::optional<RtcEvent> CRtcEngine::TakeEvent(WPARAM kind, LPARAM sequence) {
    return m_events.Take(kind, sequence);
}

std::optional<CallStatistics> CRtcEngine::LastCallStatistics() const {
    return m_client ? m_client->LastCallStatistics() : std::nullopt;
}

HRESULT CRtcEngine::SetMediaEncryptionRequired(bool required) {
    return m_client ? m_client->SetMediaEncryptionRequired(required) : E_FAIL;
}

void CRtcEngine::PostSession(int32_t state, int32_t statusCode) {
    PostReport(RtcStateEvent(RTC_EVT_SESSION, state, statusCode));
}

void CRtcEngine::OnClientEvent(int32_t type) {
    if (type == RTCCET_ASYNC_CLEANUP_DONE) {
        Post(RTC_EVT_CLEANUP_DONE, 0);
    } else {
        Post(RTC_EVT_CLIENT, type);
    }
}

void CRtcEngine::OnRegistrationStateChange(int32_t state, int32_t statusCode) {
    PostReport(RtcStateEvent(RTC_EVT_REGISTRATION, state, statusCode));
}

void CRtcEngine::OnSessionStateChange(SipSessionId session, int32_t state, int32_t statusCode) {
    if (state < RTCSS_IDLE || state > RTCSS_DISCONNECTED) {
        return;
    }
    switch (state) {
        case RTCSS_INCOMING: {
            int32_t profileState = RTCRS_NOT_REGISTERED;
            if (m_profile != 0 && Failed(m_client->GetProfileState(m_profile, &profileState))) {
                profileState = RTCRS_NOT_REGISTERED;
            }
            if (!m_callActive && profileState == RTCRS_REGISTERED) {
                int32_t type = RTCST_PC_TO_PHONE;
                m_client->GetSessionType(session, &type);
                if (type == RTCST_IM) {
                    m_client->Terminate(session, RTCTR_REJECT);
                    m_client->ReleaseSession(session);
                    return;
                }
                ReleaseSession();
                m_session = session;
                m_callActive = true;
                PostSession(state, statusCode);
            } else {
                m_client->Terminate(session, RTCTR_BUSY);
                m_client->ReleaseSession(session);
            }
            return;
        }
        case RTCSS_INPROGRESS: {
            const int sip = static_cast<int>(static_cast<uint32_t>(statusCode) & 0xFFF);
            if (sip == 180 || sip == 183) {
                m_client->SendDtmf(RTC_DTMF_FLASH);
            }
            PostSession(state, statusCode);
            return;
        }
        case RTCSS_DISCONNECTED:
            if (session != 0 && session != m_session) {
                // The end of a session that was turned away.
                m_client->ReleaseSession(session);
                return;
            }
            m_callActive = false;
            ReleaseSession();
            PostSession(state, statusCode);
            return;
        default:
            PostSession(state, statusCode);
            return;
    }
}

void CRtcEngine::OnMediaEvent(int32_t type, int32_t reason) {
    PostReport(RtcMediaEvent(type, reason));
}

void CRtcEngine::OnIntensityEvent(int32_t direction, int32_t level, int32_t minimum,
                                  int32_t maximum) {
    PostReport(RtcIntensityEvent(direction, level, minimum, maximum));
}

}  // namespace zuvo
