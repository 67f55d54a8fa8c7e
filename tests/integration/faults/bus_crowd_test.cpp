// The running phone and a crowd of other programs on its bus: a thousand clients at once, clients
// that send half a frame or nothing, and clients that never read their answers. The phone is its
// own process here; zuvo-ctl is the well-behaved client that must still be answered.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/bus_frame.h"
#include "platform/external_control_protocol.h"
#include "platform/local_bus.h"
#include "tests/support/bus_phone.h"
#include "tests/support/raw_bus_client.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using namespace zuvo::test;

namespace {

constexpr auto kSignIn = std::chrono::seconds(30);
const QString kHistoryKey = u"HKCU\\Software\\Zuvo\\Zuvo PC\\Call History"_s;

class BusCrowdTest : public ::testing::Test {
protected:
    void StartPeers() {
        ASSERT_TRUE(m_bus.StartPeers()) << m_bus.error().toStdString();
        // Something stored before, to be found again afterwards.
        const ProgramResult stored = m_bus.Run(
            u"zuvo-reg"_s, {u"add"_s, kHistoryKey, u"/v"_s, u"Nu0"_s, u"/d"_s, u"4477"_s, u"/f"_s});
        ASSERT_EQ(stored.code, 0) << stored.output.constData();
    }

    void StartPhone() {
        ASSERT_TRUE(m_bus.Launch());
        ASSERT_TRUE(m_bus.WaitUntilIdleAndSignedIn(kSignIn)) << m_bus.Diagnostics();
    }

    bool Idle() { return m_bus.State().find(" call idle ") != std::string::npos; }

    // The phone is running, and what was stored before is still there.
    void CheckAliveAndNothingLost() {
        ASSERT_TRUE(m_bus.Running()) << m_bus.Diagnostics();
        const ProgramResult r =
            m_bus.Run(u"zuvo-reg"_s, {u"query"_s, kHistoryKey, u"/v"_s, u"Nu0"_s});
        EXPECT_TRUE(r.output.contains("4477")) << r.output.constData();
    }

    TestEnvironment m_env;
    BusPhone m_bus{m_env.path(u"peers"_s)};
};

// A thousand clients at once: a third send half a frame, a third nothing, a third whole requests
// that they never read the answers of; one keeps sending requests without reading for as long as
// it can. The phone stays up and answers the next well-behaved client, while they are still
// there and after they have gone. A client that leaves its answers unread is held back: the phone
// keeps only so many answers for it, then takes no more of its requests (its sending stalls) and
// lets it go once it has been held for a few seconds.
TEST_F(BusCrowdTest, ThousandBusClientsAndClientsThatNeverRead) {
    ASSERT_NO_FATAL_FAILURE(StartPeers());
    ASSERT_NO_FATAL_FAILURE(StartPhone());
    const auto phone = LocalBus::FindWindow(ExternalControlProtocol::kPhoneWindowClass);
    ASSERT_TRUE(phone);
    const QString path = LocalBus::Folder() + u'/' + ExternalControlProtocol::kPhoneWindowClass +
                         u'.' + QString::number(*phone, 16);

    BusFrame request;
    request.wantReply = true;
    request.message = 0;
    const QByteArray whole = request.Encode();
    const QByteArray half = whole.left(whole.size() / 2);

    // One client sends requests as fast as the phone takes them and never reads an answer,
    // from before the crowd arrives until the end. What it sends stays whole frames: a write that
    // only partly went goes on where it stopped.
    RawBusClient flood(path);
    ASSERT_TRUE(flood.connected());
    std::atomic_bool stop{false};
    std::atomic<qint64> flooded{0};
    std::thread flooder([&] {
        const QByteArray many = whole.repeated(1000);
        qsizetype at = 0;
        while (!stop) {
            const qsizetype n = flood.WriteSome(many.mid(at));
            flooded += n;
            at = (at + n) % many.size();
            if (n == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return flooded > 0; }));

    std::vector<RawBusClient> clients;
    for (int i = 0; i < 1000; ++i) {
        RawBusClient client(path);
        if (!client.connected()) {
            continue;  // the queue of the listening socket is full: turned away, as it may be
        }
        client.WriteSome(i % 3 == 0 ? half : i % 3 == 1 ? QByteArray() : whole.repeated(50));
        clients.push_back(std::move(client));
    }
    EXPECT_GT(clients.size(), 50u);

    // The next well-behaved client is answered, with all of them still connected and the flood
    // going on.
    EXPECT_TRUE(WaitUntil([&] { return Idle(); }, std::chrono::seconds(60)))
        << m_bus.State() << '\n'
        << m_bus.Diagnostics();
    stop = true;
    flooder.join();
    EXPECT_GT(flooded.load(), 0);
    ASSERT_TRUE(m_bus.Running()) << m_bus.Diagnostics();

    clients.clear();
    flood.Close();
    EXPECT_EQ(m_bus.State(), "state: number \"\" call idle muted no");
    CheckAliveAndNothingLost();
}

}  // namespace
