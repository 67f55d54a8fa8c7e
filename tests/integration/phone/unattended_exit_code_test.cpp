// The unattended call cycle of the whole phone against real peers: each exit code produced by the
// far-end (or network) behaviour that causes it. The phones of one test run side by side, each
// with its own peers and folders, so the whole file takes about as long as its slowest case.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <vector>

#include "tests/support/phone_peers.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo::test;

namespace {

// Any exit code will do (the phone must end, whatever it reports).

struct Case {
    QString name;
    PhonePeers::Options peers;
    QStringList arguments;  // after /T
    int expected = -1;
    // Overrides of the phone's environment (for example another web host).
    std::function<void(QProcessEnvironment&)> environment;
    // A program the phone runs under (for example a private network namespace).
    QStringList wrapper;
    // How long the phone may take to end.
    std::chrono::seconds timeout{45};
    // Further checks once the phone has ended.
    std::function<void(PhonePeers&)> check;
};

struct Run {
    std::unique_ptr<PhonePeers> peers;
    std::unique_ptr<ChildProcess> phone;
    int code = -1;
};

const QStringList kCaller{u"/B12345"_s, u"/P9876"_s, u"/N4412345"_s};

QStringList Args(const QStringList& extra) {
    return kCaller + extra;
}

PhonePeers::Options FarEnd(const QString& scenario, const QStringList& sipp = {}) {
    PhonePeers::Options options;
    options.scenario = scenario;
    options.sippArguments = sipp;
    return options;
}

// Starts every case's peers and phone, then waits for every phone to end and checks its code.
void RunSideBySide(const TestEnvironment& env, const std::vector<Case>& cases) {
    EnsureApplication();
    std::vector<Run> runs(cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        Run& run = runs[i];
        run.peers = std::make_unique<PhonePeers>(env.path(QString::number(i)), c.peers);
        ASSERT_TRUE(run.peers->Start())
            << c.name.toStdString() << ": " << run.peers->error().toStdString();
        QProcessEnvironment phoneEnv = run.peers->Environment();
        if (c.environment) {
            c.environment(phoneEnv);
        }
        QStringList args{u"/T"_s};
        args << c.arguments;
        QString program = BinaryPath(u"zuvo"_s);
        if (!c.wrapper.isEmpty()) {
            args = c.wrapper.mid(1) + QStringList{program} + args;
            program = c.wrapper.first();
        }
        run.phone = std::make_unique<ChildProcess>(program, args, phoneEnv);
        ASSERT_TRUE(run.phone->Start()) << c.name.toStdString();
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        Run& run = runs[i];
        run.code = run.phone->WaitForExit(c.timeout);
        EXPECT_EQ(run.code, c.expected)
            << c.name.toStdString() << "\n--- phone\n"
            << run.phone->output().right(3000).constData() << '\n'
            << run.peers->Logs().constData() << "\n--- SIP at the far end\n"
            << run.peers->FarEndMessages().right(3000).toStdString();
        if (c.check && run.code == c.expected) {
            c.check(*run.peers);
        }
    }
}

// Appends a case; further fields are set on the returned entry.
Case& Add(std::vector<Case>& cases, const QString& name, const PhonePeers::Options& peers,
          const QStringList& arguments, int expected) {
    Case c;
    c.name = name;
    c.peers = peers;
    c.arguments = arguments;
    c.expected = expected;
    cases.push_back(std::move(c));
    return cases.back();
}

// The far end's scenario ran to its end: the phone ended the call (BYE or CANCEL) itself.
void FarEndFinished(PhonePeers& peers) {
    EXPECT_EQ(peers.WaitFarEnd(std::chrono::seconds(10)), 0)
        << "the phone should have ended the call itself\n"
        << peers.FarEndMessages().toStdString();
}

// An even UDP port on 127.0.0.1 held for the whole test and never read: audio sent there goes
// nowhere, and no peer or phone started meanwhile can take the port and answer on it.
class DeadPort {
public:
    DeadPort() {
        for (int attempt = 0; attempt < 64 && m_port == 0; ++attempt) {
            const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t length = sizeof address;
            if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
                ntohs(address.sin_port) % 2 == 0) {
                m_fd = fd;
                m_port = ntohs(address.sin_port);
            } else if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    ~DeadPort() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    DeadPort(const DeadPort&) = delete;
    DeadPort& operator=(const DeadPort&) = delete;
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

TEST(UnattendedExitCodeTest, CallOutcomesAtTheFarEnd) {
    TestEnvironment env;
    std::vector<Case> cases;
    const DeadPort deadPort;
    ASSERT_NE(deadPort.port(), 0);

    // 0: answered, RTP echoed, held for /C; the phone hangs up itself when it signs out.
    Add(cases, u"answered with media"_s, FarEnd(u"uas_answer_wait_bye.xml"_s, {u"-rtp_echo"_s}),
        Args({u"/C1"_s, u"/R5"_s}), 0)
        .check = [](PhonePeers& peers) {
        EXPECT_TRUE(peers.FarEndSaw(u"INVITE sip:+4412345@"_s))
            << peers.FarEndMessages().toStdString();
        FarEndFinished(peers);
    };
    // 1: answered, but the answer's audio port is dead and the far end sends no RTP at all.
    Add(cases, u"answered without media"_s,
        FarEnd(u"uas_answer_dead_media.xml"_s,
               {u"-key"_s, u"dead_port"_s, QString::number(deadPort.port())}),
        Args({u"/C2"_s}), 1);
    // 2: the far end hangs up after media started.
    Add(cases, u"far end hangs up in the call"_s,
        FarEnd(u"uas_answer_hang_up.xml"_s, {u"-rtp_echo"_s, u"-d"_s, u"1500"_s}),
        Args({u"/C20"_s}), 2);
    // 3: ringing without media, then the far end ends the attempt (487, which carries no code).
    Add(cases, u"ends before media"_s, FarEnd(u"uas_ring_then_terminate.xml"_s),
        Args({u"/R20"_s, u"/C20"_s}), 3);
    // 10: early media (183 with SDP) for the whole /R delay; the phone then gives up (CANCEL).
    Add(cases, u"early media for /R"_s, FarEnd(u"uas_early_media_forever.xml"_s, {u"-rtp_echo"_s}),
        Args({u"/R1"_s, u"/C1"_s}), 10)
        .check = FarEndFinished;
    // 11: 180 ringing without media for the whole /R delay.
    Add(cases, u"ringing without media for /R"_s,
        FarEnd(SourcePath(u"deploy/sipp/uas_ring_forever.xml"_s)), Args({u"/R1"_s, u"/C1"_s}), 11)
        .check = FarEndFinished;
    // 35: rejected with any code but 486.
    Add(cases, u"rejected 404"_s, FarEnd(FinalAnswerScenario(env.root(), 404, u"Not Found"_s)),
        Args({u"/R1"_s, u"/C1"_s}), 35);
    Add(cases, u"rejected 603"_s, FarEnd(FinalAnswerScenario(env.root(), 603, u"Decline"_s)),
        Args({u"/R1"_s, u"/C1"_s}), 35);
    // 36: neither ringing nor an answer within /U.
    Add(cases, u"no ringing within /U"_s, FarEnd(u"uas_trying_forever.xml"_s),
        Args({u"/U2"_s, u"/R1"_s, u"/C1"_s}), 36)
        .check = FarEndFinished;
    // 37: busy.
    Add(cases, u"busy"_s, FarEnd(FinalAnswerScenario(env.root(), 486, u"Busy Here"_s)),
        Args({u"/R1"_s, u"/C1"_s}), 37);
    RunSideBySide(env, cases);
}

// 3 as well when the cycle has nothing to dial and no /U delay: the phone signs in, finds no call
// to place and signs out instead of staying registered for ever.
TEST(UnattendedExitCodeTest, NothingToDial) {
    TestEnvironment env;
    std::vector<Case> cases;
    const auto noCall = [](PhonePeers& peers) {
        EXPECT_TRUE(peers.SignedIn());
        EXPECT_FALSE(peers.FarEndSaw(u"INVITE"_s)) << peers.FarEndMessages().toStdString();
    };
    Add(cases, u"no number"_s, FarEnd(u"uas_answer_wait_bye.xml"_s),
        {u"/B12345"_s, u"/P9876"_s, u"/C1"_s, u"/R1"_s}, 3)
        .check = noCall;
    Add(cases, u"a number without digits"_s, FarEnd(u"uas_answer_wait_bye.xml"_s),
        {u"/B12345"_s, u"/P9876"_s, u"/Nabc"_s, u"/C1"_s, u"/R1"_s, u"/U0"_s}, 3)
        .check = noCall;
    Add(cases, u"nothing after the international prefix"_s, FarEnd(u"uas_answer_wait_bye.xml"_s),
        {u"/B12345"_s, u"/P9876"_s, u"/N00"_s, u"/C1"_s, u"/R1"_s}, 3)
        .check = noCall;
    RunSideBySide(env, cases);
}

// Encrypted media required, and the SIP server is reached over UDP: the call is never sent, and
// the cycle ends at once with 3 and the reason instead of waiting out /U for a 36.
TEST(UnattendedExitCodeTest, RequiredEncryptionWithoutTlsPlacesNoCall) {
    TestEnvironment env;
    PhonePeers peers(env.path(u"peers"_s), FarEnd(u"uas_answer_wait_bye.xml"_s));
    ASSERT_TRUE(peers.Start()) << peers.error().toStdString();
    const ProgramResult reg = RunProgram(
        u"zuvo-reg"_s,
        {u"add"_s, u"HKCU\\Software\\Zuvo\\Zuvo PC\\Network"_s, u"/v"_s,
         u"Require Media Encryption"_s, u"/t"_s, u"REG_DWORD"_s, u"/d"_s, u"1"_s, u"/f"_s},
        peers.Environment());
    ASSERT_EQ(reg.code, 0) << reg.output.constData();

    const ProgramResult run =
        RunProgram(u"zuvo"_s, QStringList{u"/T"_s} + Args({u"/U600"_s, u"/R1"_s, u"/C1"_s}),
                   peers.Environment(), std::chrono::seconds(60));
    EXPECT_EQ(run.code, 3) << run.output.right(3000).constData() << peers.Logs().constData();
    EXPECT_TRUE(run.output.contains("call not placed: encrypted media is required"))
        << run.output.right(3000).constData();
    EXPECT_TRUE(peers.SignedIn());
    EXPECT_FALSE(peers.FarEndSaw(u"INVITE"_s)) << peers.FarEndMessages().toStdString();
}

TEST(UnattendedExitCodeTest, SignInFailures) {
    TestEnvironment env;
    std::vector<Case> cases;
    const auto webHost = [](const QString& host) {
        return [host](QProcessEnvironment& e) { e.insert(u"ZUVO_DEFAULT_WEB_HOST"_s, host); };
    };
    // A name with an empty label fails in the resolver itself: no query leaves the machine.
    const QString unresolvable = u"nonexistent..invalid:80"_s;

    // 30: the registrar does not accept the phone's password.
    PhonePeers::Options otherPassword;
    otherPassword.registrarPassword = u"another-password"_s;
    Add(cases, u"registrar rejects the password"_s, otherPassword, Args({u"/C1"_s}), 30);
    // 30: the registrar forbids this user (403).
    Add(cases, u"registrar forbids the user"_s, PhonePeers::Options{},
        {u"/Bforbidden"_s, u"/P1111"_s, u"/N4412345"_s, u"/C1"_s}, 30);

    PhonePeers::Options nothing;
    nothing.simulator = false;
    nothing.registrar = false;
    // 31: with /D, the web host's name does not resolve.
    Add(cases, u"/D and an unresolvable web host"_s, nothing, Args({u"/D"_s, u"/C1"_s}), 31)
        .environment = webHost(unresolvable);
    // 33: a resolvable web host where nothing answers; the machine is connected.
    Add(cases, u"no web service answers the scan"_s, nothing, Args({u"/C1"_s}), 33);
    // 32: not connected (a private network namespace holds only a loopback that is down) and the
    // name does not resolve, so the current web server is checked once and fails.
    Case& offline = Add(cases, u"not connected and not resolved"_s, nothing, Args({u"/C1"_s}), 32);
    offline.environment = webHost(unresolvable);
    offline.wrapper = {u"unshare"_s, u"-rn"_s};

    // 33: the service signs the phone in but its configuration names no SIP server; after its
    // attempts the phone gives up as when no web service answers.
    PhonePeers::Options noServers;
    noServers.sipServers = false;
    noServers.registrar = false;
    Add(cases, u"configuration without SIP servers"_s, noServers, Args({u"/C1"_s}), 33).check =
        [](PhonePeers& peers) {
            EXPECT_GE(peers.SimulatorLog().count("task=SP"), 3) << peers.SimulatorLog().constData();
        };

    // A wrong PIN: the service answers but signs no one in, so the phone prompts again with
    // message 6603. With nobody to press OK, an unattended phone ends as a rejected sign-in.
    Add(cases, u"wrong PIN"_s, PhonePeers::Options{},
        {u"/B12345"_s, u"/P0000"_s, u"/N4412345"_s, u"/C1"_s}, 30)
        .timeout = std::chrono::seconds(20);
    RunSideBySide(env, cases);
}

// Nothing at start-up waits for a person or for another program: an unknown switch is only
// logged, and a dial file that is a FIFO without a writer or an endless device is refused
// without blocking. Each phone then runs its cycle to the end (no web service answers: 33).
TEST(UnattendedExitCodeTest, StartUpWaitsForNobody) {
    TestEnvironment env;
    const QString fifo = env.path(u"dial.fifo"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    PhonePeers::Options nothing;
    nothing.simulator = false;
    nothing.registrar = false;
    std::vector<Case> cases;
    Add(cases, u"unknown switch"_s, nothing, Args({u"/X"_s, u"/C1"_s}), 33);
    Add(cases, u"dial file is a FIFO"_s, nothing, Args({u"/F"_s + fifo, u"/C1"_s}), 33);
    Add(cases, u"dial file is a device"_s, nothing, Args({u"/F/dev/zero"_s, u"/C1"_s}), 33);
    RunSideBySide(env, cases);
}

}  // namespace
