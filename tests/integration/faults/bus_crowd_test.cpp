// The running phone and a crowd of other programs on its bus: a thousand clients at once, clients
// that send half a frame or nothing, and clients that never read their answers. The phone is its
// own process here; zuvo-ctl is the well-behaved client that must still be answered.

#include <gtest/gtest.h>

#include <QFileInfo>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/bus_frame.h"
#include "platform/external_control_protocol.h"
#include "platform/local_bus.h"
#include "tests/support/phone_peers.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using namespace zuvo::test;

namespace {

constexpr auto kSignIn = std::chrono::seconds(30);
const QString kHistoryKey = u"HKCU\\Software\\Zuvo\\Zuvo PC\\Call History"_s;

class BusCrowdTest : public ::testing::Test {
protected:
    void StartPeers(const PhonePeers::Options& options) {
        EnsureApplication();
        m_peers = std::make_unique<PhonePeers>(m_env.path(u"peers"_s), options);
        ASSERT_TRUE(m_peers->Start()) << m_peers->error().toStdString();
        qputenv("XDG_RUNTIME_DIR",
                m_peers->Environment().value(u"XDG_RUNTIME_DIR"_s).toLocal8Bit());
        // Something stored before, to be found again afterwards.
        const ProgramResult stored = Ctl(
            u"zuvo-reg"_s, {u"add"_s, kHistoryKey, u"/v"_s, u"Nu0"_s, u"/d"_s, u"4477"_s, u"/f"_s});
        ASSERT_EQ(stored.code, 0) << stored.output.constData();
    }

    void StartPhone() {
        m_phone = std::make_unique<IdlePhone>(*m_peers);
        ASSERT_TRUE(m_phone->Launch());
        ASSERT_TRUE(m_phone->WaitUntilIdleAndSignedIn(kSignIn)) << Diagnostics();
    }

    ProgramResult Ctl(const QString& program, const QStringList& args) {
        return RunProgram(program, args, m_peers->Environment(), std::chrono::seconds(30));
    }

    // What zuvo-ctl state prints, or its exit code and message.
    std::string State() {
        const ProgramResult r = Ctl(u"zuvo-ctl"_s, {u"state"_s});
        return r.code == 0 ? r.output.trimmed().toStdString()
                           : "zuvo-ctl " + std::to_string(r.code) + ": " + r.output.toStdString();
    }

    bool Idle() { return State().find(" call idle ") != std::string::npos; }

    // The phone is running, and what was stored before is still there.
    void CheckAliveAndNothingLost() {
        ASSERT_TRUE(m_phone->Running()) << Diagnostics();
        const ProgramResult r = Ctl(u"zuvo-reg"_s, {u"query"_s, kHistoryKey, u"/v"_s, u"Nu0"_s});
        EXPECT_TRUE(r.output.contains("4477")) << r.output.constData();
    }

    std::string Diagnostics() {
        return "--- phone\n" + m_phone->Output().toStdString() + '\n' +
               m_peers->Logs().toStdString();
    }

    TestEnvironment m_env;
    std::unique_ptr<PhonePeers> m_peers;
    std::unique_ptr<IdlePhone> m_phone;
};

// A raw connection to the phone's bus socket; -1 when the phone turned it away.
int ConnectRaw(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (name.size() >= static_cast<qsizetype>(sizeof(address.sun_path))) {
        ::close(fd);
        return -1;
    }
    std::copy(name.begin(), name.end(), address.sun_path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Writes what fits without waiting; the bytes written.
qsizetype WriteSome(int fd, const QByteArray& bytes) {
    const ssize_t n = ::send(fd, bytes.constData(), static_cast<size_t>(bytes.size()),
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    return n < 0 ? 0 : n;
}

// A thousand clients at once: a third send half a frame, a third nothing, a third whole requests
// that they never read the answers of; one keeps sending requests without reading for as long as
// it can. The phone stays up and answers the next well-behaved client, while they are still
// there and after they have gone.
TEST_F(BusCrowdTest, ThousandBusClientsAndClientsThatNeverRead) {
    PhonePeers::Options options;
    ASSERT_NO_FATAL_FAILURE(StartPeers(options));
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
    // from before the crowd arrives until the end.
    const int flood = ConnectRaw(path);
    ASSERT_GE(flood, 0);
    std::atomic_bool stop{false};
    std::atomic<qint64> flooded{0};
    std::thread flooder([&] {
        const QByteArray many = whole.repeated(1000);
        while (!stop) {
            const qsizetype n = WriteSome(flood, many);
            flooded += n;
            if (n == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return flooded > 0; }));

    std::vector<int> clients;
    for (int i = 0; i < 1000; ++i) {
        const int fd = ConnectRaw(path);
        if (fd < 0) {
            continue;  // the queue of the listening socket is full: turned away, as it may be
        }
        clients.push_back(fd);
        WriteSome(fd, i % 3 == 0 ? half : i % 3 == 1 ? QByteArray() : whole.repeated(50));
    }
    EXPECT_GT(clients.size(), 50u);

    // The next well-behaved client is answered, with all of them still connected and the flood
    // going on.
    EXPECT_TRUE(WaitUntil([&] { return Idle(); }, std::chrono::seconds(60))) << State() << '\n'
                                                                             << Diagnostics();
    stop = true;
    flooder.join();
    EXPECT_GT(flooded.load(), 0);
    ASSERT_TRUE(m_phone->Running()) << Diagnostics();

    for (const int fd : clients) {
        ::close(fd);
    }
    ::close(flood);
    EXPECT_EQ(State(), "state: number \"\" call idle muted no");
    CheckAliveAndNothingLost();
}

}  // namespace
