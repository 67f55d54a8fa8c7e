// What other processes can do to a running phone over the bus: this test process is the other
// process. It sends every message number with made-up parameters, keeps the phone waiting on a
// client that never answers, clicks a key as a control program does, and closes the phone.

#include <gtest/gtest.h>

#include <QLocalServer>

#include "platform/external_control_protocol.h"
#include "platform/ids.h"
#include "platform/local_bus.h"
#include "tests/support/bus_phone.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using namespace zuvo::test;

namespace {

constexpr auto kSignIn = std::chrono::seconds(20);
const QString kHistoryKey = u"HKCU\\Software\\Zuvo\\Zuvo PC\\Call History"_s;

class BusGuardTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_bus.StartPeers()) << m_bus.error().toStdString(); }

    void LaunchPhone() { ASSERT_TRUE(m_bus.Launch()); }

    void WaitUntilIdleAndSignedIn() {
        ASSERT_TRUE(m_bus.WaitUntilIdleAndSignedIn(kSignIn)) << m_bus.Diagnostics();
    }

    TestEnvironment m_env;
    BusPhone m_bus{m_env.path(u"peers"_s)};
};

TEST_F(BusGuardTest, OnlyWhatIsMeantForOtherProgramsReachesThePhone) {
    for (const auto& [name, value] : {std::pair{u"Nu0"_s, u"4477"_s}, {u"Tu0"_s, u"00:01:02"_s}}) {
        const ProgramResult r = m_bus.Run(
            u"zuvo-reg"_s, {u"add"_s, kHistoryKey, u"/v"_s, name, u"/d"_s, value, u"/f"_s});
        ASSERT_EQ(r.code, 0) << r.output.constData();
    }
    ASSERT_NO_FATAL_FAILURE(LaunchPhone());
    ASSERT_NO_FATAL_FAILURE(WaitUntilIdleAndSignedIn());
    const auto phone = LocalBus::FindWindow(ExternalControlProtocol::kPhoneWindowClass);
    ASSERT_TRUE(phone);

    // Every message number up to 0x7FF but the two meant for others (tried below), with
    // parameters that a handler would take for pointers, counts, keys or timer ids. Each is
    // answered and the phone goes on.
    const std::vector<std::pair<WPARAM, LPARAM>> madeUp = {{1, 0x41414141},
                                                           {0xDEADBEEF, -0x7FFF0000}};
    for (uint32_t message = 0; message <= 0x7FF; ++message) {
        if (message == Wm::Command || message == Wm::Close) {
            continue;
        }
        for (const auto& [w, l] : madeUp) {
            ASSERT_TRUE(LocalBus::SendMessage(*phone, message, w, l))
                << "no answer to message 0x" << std::hex << message << '\n'
                << m_bus.Diagnostics();
        }
    }
    ASSERT_TRUE(m_bus.Running()) << m_bus.Diagnostics();
    EXPECT_EQ(m_bus.State(), "state: number \"\" call idle muted no");
    // A device choice in range from outside is not the wizard's: nothing is stored.
    ASSERT_TRUE(LocalBus::SendMessage(*phone, Msg::AudioDeviceChosen, 2, 0));
    EXPECT_EQ(m_bus
                  .Run(u"zuvo-reg"_s, {u"query"_s, u"HKCU\\Software\\Zuvo\\Zuvo PC\\Audio"_s,
                                       u"/v"_s, u"Audio Devices"_s})
                  .code,
              1);

    // A client that binds and then never answers: the phone waits for it while the client's own
    // request gives up, four times over.
    const uint32_t bind =
        LocalBus::RegisterWindowMessage(ExternalControlProtocol::kBindMessageName);
    const uint32_t reg =
        LocalBus::RegisterWindowMessage(ExternalControlProtocol::kRegisterMessageName);
    const WindowHandle slowHandle = 0x7E57AB01;
    QLocalServer slow;
    ASSERT_TRUE(
        slow.listen(LocalBus::Folder() + u"/SlowClient."_s + QString::number(slowHandle, 16)));
    for (int round = 0; round < 4; ++round) {
        EXPECT_FALSE(LocalBus::SendMessage(*phone, reg, 1, slowHandle, 300));
        WaitUntil([] { return false; }, std::chrono::milliseconds(2500));
        ASSERT_TRUE(m_bus.Running()) << "round " << round << '\n' << m_bus.Diagnostics();
    }
    EXPECT_EQ(LocalBus::SendMessage(*phone, reg, 0, slowHandle), 1);
    slow.close();
    EXPECT_EQ(m_bus.State(), "state: number \"\" call idle muted no");

    // Commands as a control program sends them: a plain click on key 5, once with a made-up
    // control in lParam.
    const WPARAM clickFive = MakeWParam(static_cast<uint16_t>(Cmd::Key0 + 5), 0);
    EXPECT_TRUE(LocalBus::SendMessage(*phone, Wm::Command, clickFive, 0));
    EXPECT_TRUE(LocalBus::SendMessage(*phone, Wm::Command, clickFive, 0x41414141));
    EXPECT_EQ(m_bus.State(), "state: number \"55\" call idle muted no");

    // Close from the bus takes the phone's own close path: the bound client is let go, the call
    // history is written back (all twenty entries), and the program ends.
    LocalBusEndpoint client(u"BusGuardTest"_s);
    ASSERT_TRUE(client.Listen());
    QList<WPARAM> binds;
    client.setMessageHandler([&](uint32_t message, WPARAM w, LPARAM) -> LRESULT {
        if (message == bind) {
            binds.append(w);
        }
        return 1;
    });
    ASSERT_TRUE(LocalBus::SendMessage(*phone, reg, 1, client.handle()));
    ASSERT_TRUE(WaitUntil([&] { return binds.contains(2); })) << m_bus.Diagnostics();
    EXPECT_TRUE(LocalBus::SendMessage(*phone, Wm::Close, 0xDEADBEEF, 0x41414141));
    EXPECT_TRUE(WaitUntil([&] { return binds.contains(0); })) << m_bus.Diagnostics();
    EXPECT_NE(m_bus.phone().WaitForExit(std::chrono::seconds(20)), -1) << m_bus.Diagnostics();
    const ProgramResult last =
        m_bus.Run(u"zuvo-reg"_s, {u"query"_s, kHistoryKey, u"/v"_s, u"Nu19"_s});
    EXPECT_EQ(last.code, 0) << last.output.constData();
    const ProgramResult first =
        m_bus.Run(u"zuvo-reg"_s, {u"query"_s, kHistoryKey, u"/v"_s, u"Nu0"_s});
    EXPECT_TRUE(first.output.contains("4477")) << first.output.constData();
}

}  // namespace
