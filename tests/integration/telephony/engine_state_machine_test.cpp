// The engine on liblinphone feeding the call state machine through posted window messages, as the
// main window wires them: the machine must understand every message the real engine posts.

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/logic/call_state_machine.h"
#include "app/logic/dialing_input.h"
#include "platform/message_port.h"
#include "telephony/linphone_sip_client.h"
#include "telephony/linphone_telephony_module.h"
#include "telephony/rtc_engine.h"
#include "tests/integration/telephony/recording_window.h"
#include "tests/support/kamailio.h"
#include "tests/support/sipp.h"
#include "tests/unit/logic/logic_fakes.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

// The notify window: the engine's messages go through a real message port to the state machine.
// While holding, messages that arrive are kept and handled only on Release, as when the window's
// thread is busy while the engine goes on raising events.
class MachineWindow final : public RtcNotifyWindow {
public:
    explicit MachineWindow(CallStateMachine& machine) : m_machine(machine) {}

    void PostMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override {
        m_port.PostMessage(message, wParam, lParam);
    }
    LRESULT SendMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override {
        return m_port.SendMessage(message, wParam, lParam);
    }
    void Hide() override {}

    void Hold() { m_holding = true; }
    // Handles the held messages in order; the call status after each session message.
    std::vector<CallStatus> Release(const PhoneState& state) {
        m_holding = false;
        std::vector<CallStatus> statuses;
        for (const auto& [kind, lParam] : m_held) {
            m_machine.OnRtcEvent(kind, lParam);
            if (kind == RTC_EVT_SESSION) {
                statuses.push_back(state.callStatus);
            }
        }
        m_held.clear();
        return statuses;
    }
    size_t Held(WPARAM kind) const {
        size_t n = 0;
        for (const auto& message : m_held) {
            n += message.first == kind ? 1 : 0;
        }
        return n;
    }

private:
    LRESULT Procedure(uint32_t message, WPARAM wParam, LPARAM lParam) {
        if (message != Msg::RtcEvent) {
            return 0;
        }
        if (m_holding) {
            m_held.emplace_back(wParam, lParam);
        } else {
            m_machine.OnRtcEvent(wParam, lParam);
        }
        return 0;
    }

    CallStateMachine& m_machine;
    MessagePort m_port{[this](uint32_t m, WPARAM w, LPARAM l) { return Procedure(m, w, l); }};
    bool m_holding = false;
    std::vector<std::pair<WPARAM, LPARAM>> m_held;
};

class EngineIntoStateMachine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "telephony_state_machine_test";
            static char* argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
    }

    void SetUp() override {
        m_engine = std::make_unique<CRtcEngine>(LinphoneTelephonyModule::ClientFactory());
        m_input = std::make_unique<DialingInput>(m_state, m_delegate, m_engine.get(), m_history,
                                                 m_speedDial, m_selection);
        m_machine =
            std::make_unique<CallStateMachine>(m_state, m_delegate, m_engine.get(), *m_input);
        m_window = std::make_unique<MachineWindow>(*m_machine);
        ASSERT_EQ(m_engine->Start(m_window.get()), S_OK);
        ASSERT_TRUE(m_engine->HasClient());
    }

    void TearDown() override { m_engine->Shutdown(); }

    LinphoneSipClient& Client() { return *dynamic_cast<LinphoneSipClient*>(m_engine->Client()); }

    TestEnvironment m_env;
    Profile m_profile = Profile::Phone();
    PhoneState m_state;
    RecordingDelegate m_delegate;
    CallHistory m_history;
    CallHistorySelection m_selection;
    SpeedDial m_speedDial{m_profile};
    std::unique_ptr<CRtcEngine> m_engine;
    std::unique_ptr<DialingInput> m_input;
    std::unique_ptr<CallStateMachine> m_machine;
    std::unique_ptr<MachineWindow> m_window;
};

// A sound device plugged in or out makes liblinphone report a new device list; volume changes
// follow every SetVolume. The machine re-reads both volumes into the sliders and tells the
// wizard about the devices.
TEST_F(EngineIntoStateMachine, DeviceAndVolumeChangesReachTheSlidersAndTheWizard) {
    ASSERT_EQ(m_engine->SetVolume(RTCAD_SPEAKER, 30000), S_OK);
    ASSERT_EQ(m_engine->SetVolume(RTCAD_MICROPHONE, 20000), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return m_delegate.speakerSlider == 30000; }))
        << m_delegate.speakerSlider;
    EXPECT_EQ(m_delegate.micSlider, 20000);
    EXPECT_EQ(m_delegate.Count(u"wizard-devices"_s), 0);

    ASSERT_EQ(m_engine->SetVolume(RTCAD_SPEAKER, 1000), S_OK);
    // liblinphone's device-list callback, as after a headset was plugged in.
    Client().HandleAudioDevicesChanged();
    ASSERT_TRUE(WaitUntil([&] { return m_delegate.Count(u"wizard-devices"_s) == 1; }));
    EXPECT_EQ(m_delegate.speakerSlider, 1000);
    EXPECT_EQ(m_delegate.micSlider, 20000);
}

// Every event of a whole call reaches the machine before it handles any: each message is still
// handled with its own report, so ringing, answer, media and the end each take their step.
TEST_F(EngineIntoStateMachine, ACallHandledOnlyAfterItEndedStillTakesEveryStep) {
    Sipp farEnd(u"uas_ring_answer.xml"_s, m_env.root(), {u"-rtp_echo"_s, u"-d"_s, u"2000"_s});
    ASSERT_TRUE(farEnd.Start());
    Kamailio::Options options;
    options.farEndPort = farEnd.port();
    Kamailio registrar(m_env.path(u"kamailio"_s), options);
    ASSERT_TRUE(registrar.Start()) << registrar.output().constData();

    m_state.unattended.enabled = true;
    m_state.unattended.ringDelayMs = 60000;
    m_state.unattended.connectDelayMs = 60000;
    m_state.signin.configurationReceived = true;
    m_state.account.number = u"1001"_s;
    m_state.service.sipDomain = u"zuvo.test"_s;
    m_state.servers.entries = {
        {u"127.0.0.1:"_s + QString::number(registrar.tcpPort()), u"TCP"_s, u"127.0.0.1"_s}};
    m_machine->RegisterNow();
    ASSERT_TRUE(WaitUntil([&] { return m_state.connectionState == RTCRS_REGISTERED; },
                          std::chrono::seconds(15)));
    ASSERT_EQ(m_state.exitCode, ExitCode::SignedIn);

    m_window->Hold();
    m_state.display.numberLine = u"4420794600"_s;
    m_machine->OnTimer(Timer::Unattended);  // 21 -> 22: dial
    ASSERT_EQ(m_state.exitCode, ExitCode::Dialled);
    ASSERT_TRUE(m_engine->IsCallActive());
    ASSERT_TRUE(WaitUntil(
        [&] { return m_window->Held(RTC_EVT_SESSION) == 4 && m_window->Held(RTC_EVT_MEDIA) == 2; },
        std::chrono::seconds(30)))
        << m_window->Held(RTC_EVT_SESSION) << " session, " << m_window->Held(RTC_EVT_MEDIA)
        << " media";
    EXPECT_EQ(farEnd.Wait(), 0) << farEnd.output().constData();

    // Trying, ringing (with the flash tone), answered with the call clock, ended after media.
    EXPECT_EQ(m_window->Release(m_state),
              (std::vector<CallStatus>{CallStatus::PleaseWait, CallStatus::PleaseWaitRinging,
                                       CallStatus::Connected, CallStatus::CallEnded}));
    EXPECT_FALSE(m_state.call.clock.running);
    EXPECT_TRUE(m_state.call.mediaStarted);
    EXPECT_EQ(m_state.exitCode, ExitCode::EndedAfterMedia);
    EXPECT_EQ(m_delegate.signOuts, 1);
    EXPECT_EQ(m_engine->QueuedEvents(), 0u);
}

}  // namespace
}  // namespace zuvo::test
