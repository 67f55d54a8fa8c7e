// The engine's own rules over a SIP client: a fake client, configured by each test, raises
// events and records the operations the engine asks for.

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "telephony/rtc_engine.h"

namespace zuvo {
namespace {

using namespace Qt::Literals::StringLiterals;

struct FakeClient final : SipClient {
    struct State {
        SipClientEvents* events = nullptr;
        std::vector<std::string> calls;
        std::map<SipSessionId, int32_t> sessionTypes;
        int32_t profileState = RTCRS_NOT_REGISTERED;
        HRESULT initialize = S_OK;
        HRESULT enableProfile = S_OK;
        HRESULT addParticipant = S_OK;
        HRESULT prepare = S_OK;
        QStringList addresses{u"10.0.0.5:5060"_s};
        QString lastProfileText;
        QString portAddress;
        int rtpPort = 0;
        int rtcpPort = 0;
        SipSessionId nextSession = 100;
        bool destroyed = false;
    };
    explicit FakeClient(State* state) : s(state) {}
    ~FakeClient() override { s->destroyed = true; }
    void Log(const std::string& text) { s->calls.push_back(text); }

    HRESULT Initialize() override { return s->initialize; }
    HRESULT SetEventFilter(int32_t f) override {
        Log("filter " + std::to_string(f));
        return S_OK;
    }
    HRESULT SetListenForIncomingSessions(int32_t m) override {
        Log("listen " + std::to_string(m));
        return S_OK;
    }
    HRESULT SetPreferredMediaTypes(int32_t, bool) override { return S_OK; }
    HRESULT Advise(SipClientEvents* e) override {
        s->events = e;
        return S_OK;
    }
    HRESULT CreateProfile(const QString& text, SipProfileId* p) override {
        s->lastProfileText = text;
        *p = 7;
        Log("create profile");
        return S_OK;
    }
    HRESULT EnableProfile(SipProfileId, int32_t flags) override {
        Log("enable " + std::to_string(flags));
        return s->enableProfile;
    }
    HRESULT DisableProfile(SipProfileId) override {
        Log("disable");
        return S_OK;
    }
    HRESULT GetProfileState(SipProfileId, int32_t* st) override {
        *st = s->profileState;
        return S_OK;
    }
    void ReleaseProfile(SipProfileId) override { Log("release profile"); }
    HRESULT CreateSession(int32_t type, SipSessionId* id) override {
        *id = s->nextSession++;
        s->sessionTypes[*id] = type;
        return S_OK;
    }
    HRESULT SetPortManager(SipSessionId, const CRtcPortManager* m) override {
        CRtcPortManager::Mapping rtp;
        CRtcPortManager::Mapping rtcp;
        m->GetMapping({}, RTCPT_AUDIO_RTP, &rtp);
        m->GetMapping({}, RTCPT_AUDIO_RTCP, &rtcp);
        s->portAddress = rtp.internalAddress;
        s->rtpPort = rtp.internalPort;
        s->rtcpPort = rtcp.externalPort;
        return S_OK;
    }
    HRESULT AddParticipant(SipSessionId, const QString& a) override {
        Log("add " + a.toStdString());
        return s->addParticipant;
    }
    HRESULT Terminate(SipSessionId id, int32_t reason) override {
        Log("terminate " + std::to_string(id) + " " + std::to_string(reason));
        return S_OK;
    }
    HRESULT Answer(SipSessionId) override { return S_OK; }
    HRESULT GetSessionType(SipSessionId id, int32_t* t) override {
        *t = s->sessionTypes.count(id) ? s->sessionTypes[id] : RTCST_PC_TO_PHONE;
        return S_OK;
    }
    HRESULT GetRemoteParticipant(SipSessionId, QString*, QString*) override { return S_OK; }
    void ReleaseSession(SipSessionId id) override { Log("release " + std::to_string(id)); }
    HRESULT GetNetworkAddresses(bool, bool, QStringList* out) override {
        *out = s->addresses;
        return S_OK;
    }
    HRESULT SendDtmf(int32_t t) override {
        Log("dtmf " + std::to_string(t));
        return S_OK;
    }
    HRESULT SetVolume(int32_t, int32_t) override { return S_OK; }
    HRESULT GetVolume(int32_t, int32_t*) override { return S_OK; }
    HRESULT SetAudioMuted(int32_t, bool) override { return S_OK; }
    HRESULT SetPreferredAudioDevice(int32_t, const QString&) override { return S_OK; }
    HRESULT SetPreferredAec(bool) override { return S_OK; }
    HRESULT GetPreferredAec(bool*) override { return S_OK; }
    HRESULT GetNetworkQuality(int32_t*) override { return S_OK; }
    HRESULT InvokeTuningWizard() override { return S_OK; }
    HRESULT SetClientName(const QString& n) override {
        Log("name " + n.toStdString());
        return S_OK;
    }
    HRESULT PrepareForShutdown() override { return s->prepare; }
    HRESULT Shutdown() override {
        Log("shutdown");
        return S_OK;
    }
    State* s;
};

// Records the posted messages; with an engine set, takes each report back at once as the
// window's handler would.
struct Window final : RtcNotifyWindow {
    struct Posted {
        WPARAM kind;
        LPARAM lParam;
        RtcStateReport state;
    };
    void PostMessage(uint32_t, WPARAM w, LPARAM l) override {
        RtcStateReport copy;
        if (engine != nullptr && (w == RTC_EVT_SESSION || w == RTC_EVT_REGISTRATION)) {
            const std::optional<RtcEvent> event = engine->TakeEvent(w, l);
            EXPECT_TRUE(event.has_value());
            copy = event ? event->state : RtcStateReport{-1, -1};
        }
        posted.push_back({w, l, copy});
    }
    IRtcEngine* engine = nullptr;
    LRESULT SendMessage(uint32_t m, WPARAM, LPARAM) override {
        sent.push_back(m);
        return 0;
    }
    void Hide() override { ++hidden; }
    std::vector<Posted> posted;
    std::vector<uint32_t> sent;
    int hidden = 0;
};

class EngineRules : public ::testing::Test {
protected:
    void SetUp() override {
        m_engine = std::make_unique<CRtcEngine>(
            [this] { return std::unique_ptr<SipClient>(std::make_unique<FakeClient>(&m_state)); });
        ASSERT_EQ(m_engine->Start(&m_window), S_OK);
        m_window.engine = m_engine.get();
        ASSERT_NE(m_state.events, nullptr);
        m_state.calls.clear();
    }
    void Registered() {
        ASSERT_EQ(m_engine->Register(u"sip:1_Z@d"_s, u"h"_s, u"TCP"_s), S_OK);
        m_state.profileState = RTCRS_REGISTERED;
        m_state.calls.clear();
    }
    SipClientEvents& Events() { return *m_state.events; }

    FakeClient::State m_state;
    Window m_window;
    std::unique_ptr<CRtcEngine> m_engine;
};

TEST_F(EngineRules, StartConfiguresTheClientAndAFailedStartLeavesNoClient) {
    FakeClient::State state;
    CRtcEngine engine(
        [&] { return std::unique_ptr<SipClient>(std::make_unique<FakeClient>(&state)); });
    Window window;
    ASSERT_EQ(engine.Start(&window), S_OK);
    EXPECT_EQ(state.calls, (std::vector<std::string>{"filter 103", "listen 0"}));

    FakeClient::State broken;
    broken.initialize = E_FAIL;
    CRtcEngine failed(
        [&] { return std::unique_ptr<SipClient>(std::make_unique<FakeClient>(&broken)); });
    EXPECT_EQ(failed.Start(&window), S_OK);  // reported as success all the same
    EXPECT_FALSE(failed.HasClient());
    EXPECT_TRUE(broken.destroyed);
    EXPECT_TRUE(Failed(failed.Register(u"sip:1@d"_s, u"h"_s, u"TCP"_s)));
    EXPECT_TRUE(Failed(failed.PlaceCall(RTCST_PC_TO_PHONE, u"+1"_s, {}, 0)));
    EXPECT_TRUE(Failed(failed.SetListening(true)));
    EXPECT_EQ(failed.HangUp(), S_OK);
    EXPECT_TRUE(Failed(failed.PrepareShutdown()));
    EXPECT_EQ(window.sent, (std::vector<uint32_t>{Wm::Destroy}));
}

TEST_F(EngineRules, RegisterRefusesWhileAProfileExistsAndFailuresLeaveNone) {
    ASSERT_EQ(m_engine->Register(u"sip:1_Z@d"_s, u"h:1"_s, u"TLS"_s), S_OK);
    EXPECT_TRUE(m_state.lastProfileText.contains(u"auth=\"basic\""_s));
    EXPECT_EQ(m_state.calls, (std::vector<std::string>{"create profile", "enable 15"}));
    m_state.calls.clear();
    EXPECT_EQ(m_engine->Register(u"sip:1_Z@d"_s, u"h"_s, u"TCP"_s), S_FALSE);
    EXPECT_TRUE(m_state.calls.empty());

    EXPECT_EQ(m_engine->Unregister(), S_OK);
    EXPECT_EQ(m_state.calls, (std::vector<std::string>{"disable", "release profile"}));
    EXPECT_EQ(m_engine->Unregister(), S_OK);

    m_state.enableProfile = E_FAIL;
    EXPECT_EQ(m_engine->Register(u"sip:1_Z@d"_s, u"h"_s, u"TCP"_s), E_FAIL);
    EXPECT_FALSE(m_engine->HasProfile());
    EXPECT_TRUE(Failed(m_engine->Register(u"sip:1_Z@d"_s, QString(5000, u'h'), u"TCP"_s)));
    EXPECT_FALSE(m_engine->HasProfile());
}

TEST_F(EngineRules, FixedRtpPortUsesTheFirstAddressAndTheNextPortForRtcp) {
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+44123"_s, u"ignored"_s, 30000), S_OK);
    EXPECT_TRUE(m_engine->IsCallActive());
    EXPECT_EQ(m_state.portAddress, u"10.0.0.5"_s);
    EXPECT_EQ(m_state.rtpPort, 30000);
    EXPECT_EQ(m_state.rtcpPort, 30001);
    EXPECT_EQ(m_state.calls.back(), "add +44123");

    // Port 0 leaves the ports to the client; a failed start of the call leaves no session.
    FakeClient::State other;
    CRtcEngine engine(
        [&] { return std::unique_ptr<SipClient>(std::make_unique<FakeClient>(&other)); });
    engine.Start(&m_window);
    other.addParticipant = E_FAIL;
    EXPECT_EQ(engine.PlaceCall(RTCST_PC_TO_PHONE, u"+1"_s, {}, 0), E_FAIL);
    EXPECT_EQ(other.rtpPort, 0);
    EXPECT_FALSE(engine.IsCallActive());
    EXPECT_TRUE(Failed(engine.AnswerCall()));
}

TEST_F(EngineRules, IncomingSessionsAreTakenOnlyWhileIdleAndRegistered) {
    // Not registered: turned away busy, nothing posted.
    Events().OnSessionStateChange(5, RTCSS_INCOMING, 0);
    EXPECT_EQ(m_state.calls, (std::vector<std::string>{"terminate 5 2", "release 5"}));
    EXPECT_TRUE(m_window.posted.empty());

    Registered();
    // An instant-message session is rejected.
    m_state.sessionTypes[6] = RTCST_IM;
    Events().OnSessionStateChange(6, RTCSS_INCOMING, 0);
    EXPECT_EQ(m_state.calls, (std::vector<std::string>{"terminate 6 3", "release 6"}));
    EXPECT_TRUE(m_window.posted.empty());

    // A call is taken and reported.
    m_state.calls.clear();
    Events().OnSessionStateChange(8, RTCSS_INCOMING, 0);
    EXPECT_TRUE(m_state.calls.empty());
    EXPECT_TRUE(m_engine->IsCallActive());
    ASSERT_EQ(m_window.posted.size(), 1u);
    EXPECT_EQ(m_window.posted[0].kind, static_cast<WPARAM>(RTC_EVT_SESSION));
    EXPECT_EQ(m_window.posted[0].state.state, RTCSS_INCOMING);

    // A second one while that call is active is turned away; its end is not reported.
    Events().OnSessionStateChange(9, RTCSS_INCOMING, 0);
    Events().OnSessionStateChange(9, RTCSS_DISCONNECTED, SipStatus(486, true));
    EXPECT_EQ(m_window.posted.size(), 1u);
    EXPECT_EQ(m_state.calls, (std::vector<std::string>{"terminate 9 2", "release 9", "release 9"}));

    // The end of our own session clears the call and is reported.
    Events().OnSessionStateChange(8, RTCSS_DISCONNECTED, 0);
    EXPECT_FALSE(m_engine->IsCallActive());
    ASSERT_EQ(m_window.posted.size(), 2u);
    EXPECT_EQ(m_window.posted[1].state.state, RTCSS_DISCONNECTED);
}

TEST_F(EngineRules, RingingSendsTheFlashToneBeforeReportingAndHoldIsNeverReported) {
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+1"_s, {}, 0), S_OK);
    m_state.calls.clear();
    Events().OnSessionStateChange(100, RTCSS_INPROGRESS, 0);
    EXPECT_TRUE(m_state.calls.empty());
    for (int32_t status : {SipStatus(180, false), SipStatus(183, false), 183}) {
        m_state.calls.clear();
        const size_t before = m_window.posted.size();
        Events().OnSessionStateChange(100, RTCSS_INPROGRESS, status);
        EXPECT_EQ(m_state.calls, (std::vector<std::string>{"dtmf 16"}));
        ASSERT_EQ(m_window.posted.size(), before + 1);
        EXPECT_EQ(m_window.posted.back().state.statusCode, status);
    }
    m_state.calls.clear();
    Events().OnSessionStateChange(100, RTCSS_INPROGRESS, SipStatus(100, false));
    EXPECT_TRUE(m_state.calls.empty());

    const size_t before = m_window.posted.size();
    Events().OnSessionStateChange(100, RTCSS_HOLD, 0);
    Events().OnSessionStateChange(100, RTCSS_REFER, 0);
    EXPECT_EQ(m_window.posted.size(), before);
}

// Events raised before the window handles any of them: every message names its own report, kept
// in the engine until taken once, in order; client events carry their type itself.
TEST_F(EngineRules, EveryEventKeepsItsOwnReportUntilTaken) {
    m_window.engine = nullptr;  // nothing is handled while the events arrive
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+1"_s, {}, 0), S_OK);
    Events().OnRegistrationStateChange(RTCRS_REGISTERING, 0);
    Events().OnRegistrationStateChange(RTCRS_REJECTED, SipStatus(403, true));
    Events().OnSessionStateChange(100, RTCSS_INPROGRESS, SipStatus(180, false));
    Events().OnSessionStateChange(100, RTCSS_CONNECTED, 0);
    Events().OnIntensityEvent(0, 40, 0, 100);
    Events().OnIntensityEvent(1, 70, 0, 100);
    Events().OnMediaEvent(RTCMET_STARTED, RTCMER_NORMAL);
    Events().OnMediaEvent(RTCMET_STOPPED, RTCMER_NORMAL);
    Events().OnClientEvent(RTCCET_DEVICE_CHANGE);
    Events().OnClientEvent(RTCCET_ASYNC_CLEANUP_DONE);
    ASSERT_EQ(m_window.posted.size(), 10u);
    EXPECT_EQ(m_engine->QueuedEvents(), 8u);

    const auto take = [&](size_t i) {
        const std::optional<RtcEvent> event =
            m_engine->TakeEvent(m_window.posted[i].kind, m_window.posted[i].lParam);
        EXPECT_TRUE(event.has_value()) << i;
        return event.value_or(RtcEvent{});
    };
    EXPECT_EQ(take(0).state.state, RTCRS_REGISTERING);
    EXPECT_EQ(take(1).state.statusCode, SipStatus(403, true));
    EXPECT_EQ(take(2).state.statusCode, SipStatus(180, false));
    EXPECT_EQ(take(3).state.state, RTCSS_CONNECTED);
    EXPECT_EQ(take(4).intensity.level, 40);
    const RtcEvent microphone = take(5);
    EXPECT_EQ(microphone.intensity.direction, 1);
    EXPECT_EQ(microphone.intensity.level, 70);
    EXPECT_EQ(take(6).media.type, RTCMET_STARTED);
    EXPECT_EQ(take(7).media.type, RTCMET_STOPPED);
    EXPECT_EQ(m_engine->QueuedEvents(), 0u);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_NE(m_window.posted[i].lParam, 0);
        EXPECT_FALSE(m_engine->TakeEvent(m_window.posted[i].kind, m_window.posted[i].lParam));
    }
    EXPECT_EQ(m_window.posted[8].kind, static_cast<WPARAM>(RTC_EVT_CLIENT));
    EXPECT_EQ(m_window.posted[8].lParam, RTCCET_DEVICE_CHANGE);
    EXPECT_EQ(m_window.posted[9].kind, static_cast<WPARAM>(RTC_EVT_CLEANUP_DONE));
    EXPECT_EQ(m_window.posted[9].lParam, 0);

    // A message that was never handled is dropped when a later one is taken; a number the engine
    // never posted takes nothing.
    Events().OnMediaEvent(RTCMET_STARTED, RTCMER_NORMAL);
    Events().OnMediaEvent(RTCMET_FAILED, RTCMER_NORMAL);
    EXPECT_FALSE(m_engine->TakeEvent(RTC_EVT_MEDIA, m_window.posted[11].lParam + 1));
    EXPECT_FALSE(m_engine->TakeEvent(RTC_EVT_SESSION, m_window.posted[11].lParam));
    EXPECT_EQ(m_engine->QueuedEvents(), 2u);
    EXPECT_EQ(take(11).media.type, RTCMET_FAILED);
    EXPECT_EQ(m_engine->QueuedEvents(), 0u);
}

TEST_F(EngineRules, HangUpEndCallAndShutdown) {
    EXPECT_EQ(m_engine->HangUp(), S_OK);
    EXPECT_TRUE(m_state.calls.empty());
    EXPECT_EQ(m_engine->EndCall(RTCTR_NORMAL), E_FAIL);

    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+1"_s, {}, 0), S_OK);
    m_state.calls.clear();
    EXPECT_EQ(m_engine->HangUp(), S_OK);
    EXPECT_FALSE(m_engine->IsCallActive());
    EXPECT_EQ(m_state.calls, (std::vector<std::string>{"terminate 100 0"}));

    EXPECT_EQ(m_engine->PrepareShutdown(), S_OK);
    EXPECT_EQ(m_window.hidden, 1);
    Registered();
    EXPECT_EQ(m_engine->Shutdown(), S_OK);
    // The profile is dropped without unregistering, then the session, then the client.
    EXPECT_EQ(m_state.calls,
              (std::vector<std::string>{"release profile", "release 100", "shutdown"}));
    EXPECT_TRUE(m_state.destroyed);
    EXPECT_FALSE(m_engine->HasClient());
}

}  // namespace
}  // namespace zuvo
