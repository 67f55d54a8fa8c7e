// The engine on liblinphone against Kamailio and SIPp on 127.0.0.1: the events it posts, in
// order, with their status codes.

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <iostream>

#include "platform/net.h"
#include "telephony/linphone_sip_client.h"
#include "telephony/linphone_telephony_module.h"
#include "telephony/media_sound_devices.h"
#include "telephony/rtc_engine.h"
#include "tests/integration/telephony/recording_window.h"
#include "tests/support/kamailio.h"
#include "tests/support/sipp.h"

namespace zuvo::test {

void PrintTo(const RecordingWindow::Event& e, std::ostream* os) {
    *os << "{kind " << e.kind << ", " << e.a << ", 0x" << std::hex << static_cast<uint32_t>(e.b)
        << std::dec << "}";
}

namespace {

using namespace Qt::Literals::StringLiterals;
using Event = RecordingWindow::Event;

constexpr auto kUri = u"sip:1001_Z@zuvo.test";

Event Reg(int32_t state, int32_t status = 0) {
    return {RTC_EVT_REGISTRATION, state, status};
}
Event Ses(int32_t state, int32_t status = 0) {
    return {RTC_EVT_SESSION, state, status};
}

class EngineIntegration : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "telephony_engine_integration_test";
            static char* argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
    }

    void TearDown() override {
        if (m_engine) {
            m_engine->Shutdown();
        }
        // ZUVO_PEER_LOGS=1 shows what the peers saw, for a failing run.
        if (qEnvironmentVariableIntValue("ZUVO_PEER_LOGS") != 0) {
            if (m_sipp) {
                std::cerr << "--- sipp\n" << m_sipp->Messages().toStdString();
            }
            if (m_kamailio) {
                m_kamailio->Stop();
                std::cerr << "--- kamailio\n" << m_kamailio->output().constData();
            }
        }
    }

    // Starts the far end with the scenario, then Kamailio routing to it.
    void StartPeers(const QString& scenario, const QStringList& sippArgs = {},
                    Kamailio::Options options = {}) {
        if (!scenario.isEmpty()) {
            m_sipp = std::make_unique<Sipp>(scenario, m_env.root(), sippArgs);
            ASSERT_TRUE(m_sipp->Start());
            options.farEndPort = m_sipp->port();
        } else if (options.farEndPort == 0) {
            options.farEndPort = FreePort(true);
        }
        m_kamailio = std::make_unique<Kamailio>(m_env.path(u"kamailio"_s), options);
        ASSERT_TRUE(m_kamailio->Start()) << m_kamailio->output().constData();
    }

    void StartEngine() {
        m_engine = std::make_unique<CRtcEngine>(LinphoneTelephonyModule::ClientFactory());
        m_window.engine = m_engine.get();
        ASSERT_EQ(m_engine->Start(&m_window), S_OK);
        ASSERT_TRUE(m_engine->HasClient());
        ASSERT_EQ(m_engine->SetClientName(u"585.600.002"_s), S_OK);
    }

    QString TcpServer() const { return u"127.0.0.1:"_s + QString::number(m_kamailio->tcpPort()); }

    bool WaitFor(WPARAM kind, int32_t state, int seconds = 15) {
        return WaitUntil([&] { return m_window.Has(kind, state); }, std::chrono::seconds(seconds));
    }

    void RegisterOverTcp() {
        ASSERT_EQ(m_engine->Register(QString::fromUtf16(kUri), TcpServer(), u"TCP"_s), S_OK);
        ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_REGISTERED));
        m_window.events.clear();
    }

    LinphoneSipClient& Client() { return *dynamic_cast<LinphoneSipClient*>(m_engine->Client()); }

    TestEnvironment m_env;
    RecordingWindow m_window;
    std::unique_ptr<Sipp> m_sipp;
    std::unique_ptr<Kamailio> m_kamailio;
    std::unique_ptr<CRtcEngine> m_engine;
};

namespace {
QStringList g_warnings;
void KeepWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg) {
        g_warnings << text;
    }
}
}  // namespace

// A machine without a sound server or card (as this one): the engine still starts, on the
// stand-in card, and says so.
TEST_F(EngineIntegration, WithoutSoundDevicesTheEngineStartsSilentAndSaysSo) {
    qputenv("PULSE_SERVER", "unix:/nonexistent/zuvo-no-sound-server");
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(KeepWarnings);
    m_engine = std::make_unique<CRtcEngine>(LinphoneTelephonyModule::ClientFactory());
    m_window.engine = m_engine.get();
    const HRESULT started = m_engine->Start(&m_window);
    qInstallMessageHandler(previous);
    qunsetenv("PULSE_SERVER");
    ASSERT_EQ(started, S_OK);
    if (!Client().UsesNullCard()) {
        GTEST_SKIP() << "this machine has a sound device";
    }
    EXPECT_TRUE(g_warnings.contains(u"no sound device to play on: calls are silent"_s))
        << g_warnings.join(u'\n').toStdString();
    EXPECT_TRUE(
        g_warnings.contains(u"no sound device to record from: the far end hears silence"_s));
}

TEST_F(EngineIntegration, RegistersRefusesASecondProfileAndUnregisters) {
    StartPeers({});
    StartEngine();
    // Before its first registration the engine reports what the window uses for a sign-in that
    // starts before the engine is up.
    const auto hosts = [this] {
        QStringList addresses;
        EXPECT_EQ(m_engine->GetNetworkAddresses(false, false, &addresses), S_OK);
        for (QString& address : addresses) {
            address = address.section(u':', 0, 0);
        }
        return addresses;
    };
    EXPECT_EQ(hosts(), LocalIPv4Addresses({}));
    ASSERT_EQ(m_engine->Register(QString::fromUtf16(kUri), TcpServer(), u"TCP"_s), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_REGISTERED));
    EXPECT_EQ(m_window.Of(RTC_EVT_REGISTRATION),
              (std::vector<Event>{Reg(RTCRS_REGISTERING), Reg(RTCRS_REGISTERED)}));
    EXPECT_EQ(m_engine->Register(QString::fromUtf16(kUri), TcpServer(), u"TCP"_s), S_FALSE);

    QStringList addresses;
    ASSERT_EQ(m_engine->GetNetworkAddresses(false, false, &addresses), S_OK);
    ASSERT_FALSE(addresses.isEmpty());
    EXPECT_TRUE(addresses.front().startsWith(u"127.0.0.1:"_s)) << addresses.front().toStdString();

    m_window.events.clear();
    ASSERT_EQ(m_engine->Unregister(), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_NOT_REGISTERED));
    EXPECT_EQ(m_window.Of(RTC_EVT_REGISTRATION),
              (std::vector<Event>{Reg(RTCRS_UNREGISTERING), Reg(RTCRS_NOT_REGISTERED)}));
    EXPECT_FALSE(m_engine->HasProfile());
    EXPECT_EQ(hosts(), LocalIPv4Addresses({}));
    // Registering again works once the profile is gone.
    m_window.events.clear();
    ASSERT_EQ(m_engine->Register(QString::fromUtf16(kUri), TcpServer(), u"TCP"_s), S_OK);
    EXPECT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_REGISTERED));
}

TEST_F(EngineIntegration, RejectionsAndUnreachableServerAreReported) {
    StartPeers({}, {}, {.password = u"other"_s, .forbiddenUser = u"403_Z"_s});
    StartEngine();

    // 403 for the refused user.
    ASSERT_EQ(m_engine->Register(u"sip:403_Z@zuvo.test"_s, TcpServer(), u"TCP"_s), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_REJECTED));
    EXPECT_EQ(
        m_window.Of(RTC_EVT_REGISTRATION),
        (std::vector<Event>{Reg(RTCRS_REGISTERING), Reg(RTCRS_REJECTED, SipStatus(403, true))}));
    ASSERT_EQ(m_engine->Unregister(), S_OK);

    // 401 when the server expects another password.
    m_window.events.clear();
    ASSERT_EQ(m_engine->Register(QString::fromUtf16(kUri), TcpServer(), u"TCP"_s), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_REJECTED));
    EXPECT_EQ(
        m_window.Of(RTC_EVT_REGISTRATION),
        (std::vector<Event>{Reg(RTCRS_REGISTERING), Reg(RTCRS_REJECTED, SipStatus(401, true))}));
    ASSERT_EQ(m_engine->Unregister(), S_OK);

    // Nobody at the address: an error without a SIP response.
    m_window.events.clear();
    const QString nobody = u"127.0.0.1:"_s + QString::number(FreePort(false));
    ASSERT_EQ(m_engine->Register(QString::fromUtf16(kUri), nobody, u"TCP"_s), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_ERROR, 40));
    const auto events = m_window.Of(RTC_EVT_REGISTRATION);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], Reg(RTCRS_REGISTERING));
    EXPECT_EQ(events[1].a, RTCRS_ERROR);
    EXPECT_TRUE(Failed(events[1].b));
    EXPECT_EQ(SipCodeOf(events[1].b), 0);
    ASSERT_EQ(m_engine->Unregister(), S_OK);

    // A datagram registrar that never answers.
    m_window.events.clear();
    const QString silent = u"127.0.0.1:"_s + QString::number(FreePort(true));
    ASSERT_EQ(m_engine->Register(QString::fromUtf16(kUri), silent, u"UDP"_s), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_ERROR, 40));
    const auto udp = m_window.Of(RTC_EVT_REGISTRATION);
    ASSERT_EQ(udp.size(), 2u);
    EXPECT_EQ(udp[1].a, RTCRS_ERROR);
    EXPECT_EQ(SipCodeOf(udp[1].b), 0);
}

TEST_F(EngineIntegration, RingingCallIsAnsweredMediaFlowsBothWaysAndFarEndHangsUp) {
    StartPeers(u"uas_ring_answer.xml"_s, {u"-rtp_echo"_s, u"-d"_s, u"2000"_s});
    StartEngine();
    RegisterOverTcp();
    const int rtpPort = FreePort(true) & ~1;
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794600"_s, QString(), rtpPort), S_OK);
    EXPECT_TRUE(m_engine->IsCallActive());
    ASSERT_TRUE(WaitFor(RTC_EVT_MEDIA, RTCMET_STARTED));
    // Packets go out and come back from the echoing far end while the call lasts.
    bool bothWays = WaitUntil(
        [&] {
            const auto counts = Client().CurrentAudioCounts();
            return counts && counts->sent > 20 && counts->received > 20;
        },
        std::chrono::seconds(5));
    EXPECT_TRUE(bothWays);
    EXPECT_TRUE(WaitUntil([&] { return m_window.Has(RTC_EVT_INTENSITY, 1); }));
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
    EXPECT_EQ(m_sipp->Wait(), 0) << m_sipp->output().constData();
    EXPECT_FALSE(m_engine->IsCallActive());

    EXPECT_EQ(
        m_window.Of(RTC_EVT_SESSION),
        (std::vector<Event>{Ses(RTCSS_INPROGRESS), Ses(RTCSS_INPROGRESS, SipStatus(180, false)),
                            Ses(RTCSS_CONNECTED), Ses(RTCSS_DISCONNECTED)}));
    EXPECT_EQ(m_window.Of(RTC_EVT_MEDIA), (std::vector<Event>{{RTC_EVT_MEDIA, RTCMET_STARTED, 0},
                                                              {RTC_EVT_MEDIA, RTCMET_STOPPED, 0}}));
    // The offer carried the fixed RTP port.
    EXPECT_TRUE(m_sipp->Messages().contains(u"m=audio "_s + QString::number(rtpPort) + u" "_s));
    EXPECT_TRUE(m_sipp->Messages().contains(u"User-Agent: 585.600.002"_s));
}

TEST_F(EngineIntegration, EarlyMediaIsReportedAs183) {
    StartPeers(u"uas_early_media.xml"_s, {u"-rtp_echo"_s, u"-d"_s, u"1000"_s});
    StartEngine();
    RegisterOverTcp();
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794601"_s, QString(), 0), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
    EXPECT_EQ(m_sipp->Wait(), 0) << m_sipp->output().constData();
    EXPECT_EQ(
        m_window.Of(RTC_EVT_SESSION),
        (std::vector<Event>{Ses(RTCSS_INPROGRESS), Ses(RTCSS_INPROGRESS, SipStatus(183, false)),
                            Ses(RTCSS_CONNECTED), Ses(RTCSS_DISCONNECTED)}));
    EXPECT_TRUE(m_window.Has(RTC_EVT_MEDIA, RTCMET_STARTED));
}

struct Rejection {
    int code;
    const char* reason;
};

class EngineRejection : public EngineIntegration,
                        public ::testing::WithParamInterface<Rejection> {};

TEST_P(EngineRejection, FailureResponseEndsTheCallWithItsCode) {
    const Rejection rejection = GetParam();
    // SIPp takes the status line from the file only: write the scenario with this one.
    QFile source(SourcePath(u"deploy/sipp/uas_reject.xml"_s));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QString scenario = m_env.path(u"uas_reject.xml"_s);
    QFile copy(scenario);
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(source.readAll().replace(
        "SIP/2.0 486 Busy Here",
        QByteArray("SIP/2.0 ") + QByteArray::number(rejection.code) + ' ' + rejection.reason));
    copy.close();
    StartPeers(scenario);
    StartEngine();
    RegisterOverTcp();
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794602"_s, QString(), 0), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
    EXPECT_EQ(m_sipp->Wait(), 0) << m_sipp->output().constData();
    EXPECT_EQ(m_window.Of(RTC_EVT_SESSION),
              (std::vector<Event>{Ses(RTCSS_INPROGRESS),
                                  Ses(RTCSS_DISCONNECTED, SipStatus(rejection.code, true))}));
    EXPECT_FALSE(m_engine->IsCallActive());
    EXPECT_TRUE(m_window.Of(RTC_EVT_MEDIA).empty());
}

INSTANTIATE_TEST_SUITE_P(Responses, EngineRejection,
                         ::testing::Values(Rejection{486, "Busy Here"}, Rejection{404, "Not Found"},
                                           Rejection{603, "Decline"}));

TEST_F(EngineIntegration, HangUpWhileRingingCancelsTheCall) {
    StartPeers(u"uas_ring_forever.xml"_s);
    StartEngine();
    RegisterOverTcp();
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794603"_s, QString(), 0), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return m_window.Of(RTC_EVT_SESSION).size() >= 2; }));
    ASSERT_EQ(m_engine->HangUp(), S_OK);
    EXPECT_FALSE(m_engine->IsCallActive());
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
    EXPECT_EQ(m_sipp->Wait(), 0) << m_sipp->output().constData();
    EXPECT_EQ(
        m_window.Of(RTC_EVT_SESSION),
        (std::vector<Event>{Ses(RTCSS_INPROGRESS), Ses(RTCSS_INPROGRESS, SipStatus(180, false)),
                            Ses(RTCSS_DISCONNECTED)}));
    // Without a call, HangUp has nothing to do.
    EXPECT_EQ(m_engine->HangUp(), S_OK);
}

TEST_F(EngineIntegration, KeysReachTheFarEndAndOurHangUpEndsTheCall) {
    StartPeers(u"uas_answer_wait_bye.xml"_s, {u"-rtp_echo"_s});
    StartEngine();
    RegisterOverTcp();
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794604"_s, QString(), 0), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_MEDIA, RTCMET_STARTED));
    // The far end echoes its RTP: the key comes back only if it went out in the stream.
    ASSERT_EQ(m_engine->SendTone(5), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return Client().ReceivedTones() == u"5"_s; }))
        << Client().ReceivedTones().toStdString();
    ASSERT_EQ(m_engine->SendTone(RTC_DTMF_POUND), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return Client().ReceivedTones() == u"5#"_s; }))
        << Client().ReceivedTones().toStdString();
    ASSERT_EQ(m_engine->HangUp(), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
    EXPECT_EQ(m_sipp->Wait(), 0) << m_sipp->output().constData();
    EXPECT_EQ(m_window.Of(RTC_EVT_SESSION).back(), Ses(RTCSS_DISCONNECTED));
}

// The demo's far end: answers every call, echoes the audio and waits for our hang-up; the
// account registers over UDP. Each call must connect with audio both ways and end cleanly.
TEST_F(EngineIntegration, RepeatedCallsToAnEchoingFarEndEachConnectAndEndByOurHangUp) {
    StartPeers(u"uas_answer_wait_bye.xml"_s, {u"-rtp_echo"_s, u"-m"_s, u"3"_s});
    StartEngine();
    const QString udpServer = u"127.0.0.1:"_s + QString::number(m_kamailio->udpPort());
    ASSERT_EQ(m_engine->Register(QString::fromUtf16(kUri), udpServer, u"UDP"_s), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_REGISTERED));
    for (int call = 0; call < 3; ++call) {
        SCOPED_TRACE(call);
        m_window.events.clear();
        ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794610"_s, QString(), 0), S_OK);
        ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_CONNECTED));
        EXPECT_TRUE(WaitUntil(
            [&] {
                const auto counts = Client().CurrentAudioCounts();
                return counts && counts->sent > 10 && counts->received > 10;
            },
            std::chrono::seconds(5)));
        ASSERT_EQ(m_engine->HangUp(), S_OK);
        ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
        EXPECT_FALSE(m_engine->IsCallActive());
        EXPECT_EQ(m_window.Of(RTC_EVT_SESSION).back(), Ses(RTCSS_DISCONNECTED));
        EXPECT_EQ(m_window.Of(RTC_EVT_MEDIA).back(), (Event{RTC_EVT_MEDIA, RTCMET_STOPPED, 0}));
    }
    EXPECT_EQ(m_sipp->Wait(), 0) << m_sipp->output().constData();
    // Still registered after the calls.
    EXPECT_FALSE(m_window.Has(RTC_EVT_REGISTRATION, RTCRS_NOT_REGISTERED));
}

// Kamailio killed in a call: nothing answers the BYE of our hang-up. Once the call's signalling is
// over the registration is refreshed. Started again at once (knowing nothing of the phone), the
// new Kamailio gets the phone's contact without a registration event; left dead, the refresh is
// reported as an error without a SIP response, for the caller to retry.
TEST_F(EngineIntegration, UnansweredHangUpRefreshesTheRegistration) {
    // The new Kamailio logs what it handles, so the phone's new contact shows there.
    struct DebugLog {
        DebugLog() { qputenv("KAMAILIO_DEBUG", "1"); }
        ~DebugLog() { qunsetenv("KAMAILIO_DEBUG"); }
    } debugLog;
    StartPeers(u"uas_answer_wait_bye.xml"_s, {u"-rtp_echo"_s, u"-m"_s, u"2"_s});
    ASSERT_FALSE(HasFatalFailure());
    StartEngine();
    const QString udpServer = u"127.0.0.1:"_s + QString::number(m_kamailio->udpPort());
    ASSERT_EQ(m_engine->Register(QString::fromUtf16(kUri), udpServer, u"UDP"_s), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_REGISTERED));
    const auto callAndKill = [this] {
        m_window.events.clear();
        ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794620"_s, QString(), 0), S_OK);
        ASSERT_TRUE(WaitFor(RTC_EVT_MEDIA, RTCMET_STARTED));
        m_kamailio->Kill();
        ASSERT_EQ(m_engine->HangUp(), S_OK);
        ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
    };
    callAndKill();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(m_kamailio->Restart()) << m_kamailio->output().constData();
    ASSERT_TRUE(WaitUntil(
        [this] {
            return m_kamailio->output().contains("created Contact HF: Contact: <sip:1001_Z@");
        },
        std::chrono::seconds(60)))
        << m_kamailio->output().right(3000).constData();
    EXPECT_TRUE(m_window.Of(RTC_EVT_REGISTRATION).empty());

    callAndKill();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_ERROR, 90));
    const auto events = m_window.Of(RTC_EVT_REGISTRATION);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(Failed(events[0].b));
    EXPECT_EQ(SipCodeOf(events[0].b), 0);
}

TEST_F(EngineIntegration, IncomingCallDuringACallIsTurnedAwayBusy) {
    StartPeers(u"uas_answer_wait_bye.xml"_s, {u"-rtp_echo"_s});
    StartEngine();
    RegisterOverTcp();
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794605"_s, QString(), 0), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_CONNECTED));
    const size_t before = m_window.events.size();

    Sipp caller(u"uac_call_busy.xml"_s, m_env.root(),
                {u"-s"_s, u"1001_Z"_s, u"127.0.0.1:"_s + QString::number(m_kamailio->udpPort())});
    ASSERT_TRUE(caller.Start());
    EXPECT_EQ(caller.Wait(), 0) << caller.output().constData();
    EXPECT_TRUE(caller.Messages().contains(u"SIP/2.0 486"_s));
    // No session event about the turned-away call; ours goes on.
    for (size_t i = before; i < m_window.events.size(); ++i) {
        EXPECT_NE(m_window.events[i].kind, static_cast<WPARAM>(RTC_EVT_SESSION));
    }
    EXPECT_TRUE(m_engine->IsCallActive());
    ASSERT_EQ(m_engine->HangUp(), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
    EXPECT_EQ(m_sipp->Wait(), 0) << m_sipp->output().constData();
}

TEST_F(EngineIntegration, IncomingCallWhileIdleIsTakenAndEndsWhenTheCallerGivesUp) {
    StartPeers({});
    StartEngine();
    RegisterOverTcp();
    Sipp caller(u"uac_call_cancel.xml"_s, m_env.root(),
                {u"-s"_s, u"1001_Z"_s, u"127.0.0.1:"_s + QString::number(m_kamailio->udpPort())});
    ASSERT_TRUE(caller.Start());
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_INCOMING));
    EXPECT_TRUE(m_engine->IsCallActive());
    QString uri;
    QString name;
    EXPECT_EQ(m_engine->GetRemoteParty(&uri, &name), S_OK);
    EXPECT_TRUE(uri.startsWith(u"sip:sipp@"_s)) << uri.toStdString();
    EXPECT_EQ(caller.Wait(), 0) << caller.output().constData();
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
    EXPECT_FALSE(m_engine->IsCallActive());
    EXPECT_EQ(m_window.Of(RTC_EVT_SESSION),
              (std::vector<Event>{Ses(RTCSS_INCOMING), Ses(RTCSS_DISCONNECTED)}));
}

TEST_F(EngineIntegration, PrepareShutdownWhileRegisteredEndsWithCleanUpAndNothingAfter) {
    StartPeers({});
    StartEngine();
    RegisterOverTcp();
    ASSERT_EQ(m_engine->PrepareShutdown(), S_OK);
    EXPECT_EQ(m_window.hidden, 1);
    ASSERT_TRUE(WaitUntil([&] { return m_window.Has(RTC_EVT_CLEANUP_DONE, 0); }));
    const size_t count = m_window.events.size();
    WaitUntil([] { return false; }, std::chrono::milliseconds(500));
    EXPECT_EQ(m_window.events.size(), count);
    EXPECT_EQ(m_window.events.back().kind, static_cast<WPARAM>(RTC_EVT_CLEANUP_DONE));
    EXPECT_EQ(m_engine->Shutdown(), S_OK);
    EXPECT_FALSE(m_engine->HasClient());
    EXPECT_EQ(m_window.events.size(), count);
}

TEST_F(EngineIntegration, RegistersOverTls) {
    StartPeers({}, {}, {.tls = true});
    StartEngine();
    const QString server = u"127.0.0.1:"_s + QString::number(m_kamailio->tlsPort());
    // A server whose certificate chains to no trusted authority is an error, not a rejection.
    ASSERT_EQ(m_engine->Register(QString::fromUtf16(kUri), server, u"tls"_s), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_ERROR, 20));
    EXPECT_FALSE(m_window.Has(RTC_EVT_REGISTRATION, RTCRS_REGISTERED));
    EXPECT_EQ(SipCodeOf(m_window.Of(RTC_EVT_REGISTRATION).back().b), 0);
    ASSERT_EQ(m_engine->Unregister(), S_OK);

    m_window.events.clear();
    ASSERT_EQ(Client().SetTrustedCertificates(m_kamailio->certificate()), S_OK);
    ASSERT_EQ(m_engine->Register(QString::fromUtf16(kUri), server, u"tls"_s), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_REGISTERED, 20))
        << m_kamailio->output().constData();
    EXPECT_EQ(m_window.Of(RTC_EVT_REGISTRATION),
              (std::vector<Event>{Reg(RTCRS_REGISTERING), Reg(RTCRS_REGISTERED)}));
}

// The media plug-ins installed are video outputs, one of them on a second Qt: an audio phone's
// engine and its sound device list load none of them.
TEST_F(EngineIntegration, NeitherTheEngineNorTheSoundListLoadsVideoPlugIns) {
    StartEngine();
    MediaSoundDevices sounds;
    QFile maps(u"/proc/self/maps"_s);
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    EXPECT_FALSE(mapped.contains("/mediastreamer/plugins/"));
    EXPECT_FALSE(mapped.contains("libQt5Core"));
}

// liblinphone keeps its databases inside the phone's own data folder.
// The phone keeps its own history: the engine creates none of its databases (each one costs
// the start time), and nothing of the engine's lands beside its data folder.
TEST_F(EngineIntegration, NoEngineDatabaseIsCreated) {
    StartEngine();
    const QString data = m_env.path(u"data/zuvo"_s);
    EXPECT_TRUE(QDir(data + u"/linphone"_s).exists());
    EXPECT_EQ(QDir(data + u"/linphone"_s).entryList(QDir::Files), QStringList());
    EXPECT_EQ(QDir(data).entryList(QDir::Files), QStringList());
}

TEST_F(EngineIntegration, VolumesReadBackAsSetAndEchoCancellationToggles) {
    StartEngine();
    for (int32_t volume : {0, 1, 255, 32768, 40000, 65534, 65535}) {
        ASSERT_EQ(m_engine->SetVolume(RTCAD_SPEAKER, volume), S_OK);
        ASSERT_EQ(m_engine->SetVolume(RTCAD_MICROPHONE, 65535 - volume), S_OK);
        int32_t speaker = -1;
        int32_t microphone = -1;
        ASSERT_EQ(m_engine->GetVolume(RTCAD_SPEAKER, &speaker), S_OK);
        ASSERT_EQ(m_engine->GetVolume(RTCAD_MICROPHONE, &microphone), S_OK);
        EXPECT_EQ(speaker, volume);
        EXPECT_EQ(microphone, 65535 - volume);
    }
    EXPECT_TRUE(Failed(m_engine->SetVolume(RTCAD_SPEAKER, 70000)));
    EXPECT_TRUE(m_window.Has(RTC_EVT_CLIENT, RTCCET_VOLUME_CHANGE));
    bool aec = false;
    ASSERT_EQ(m_engine->SetEchoCancellation(false), S_OK);
    ASSERT_EQ(m_engine->GetEchoCancellation(&aec), S_OK);
    EXPECT_FALSE(aec);
    ASSERT_EQ(m_engine->SetEchoCancellation(true), S_OK);
    ASSERT_EQ(m_engine->GetEchoCancellation(&aec), S_OK);
    EXPECT_TRUE(aec);
    EXPECT_TRUE(Failed(m_engine->SetAudioDevice(RTCAD_SPEAKER, u"No Such Device 42"_s)));
}

}  // namespace
}  // namespace zuvo::test
