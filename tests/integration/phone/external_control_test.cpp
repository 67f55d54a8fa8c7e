// The external control of a running phone, through zuvo-ctl, and the hand-over of a number from a
// second phone, against real peers. The phone runs unattended without a number and with a long
// /U delay: it signs in, finds nothing to dial and waits for a call until the end of that delay;
// the end of a call ends its cycle (so each test drives one call).

#include <gtest/gtest.h>

#include <QDir>
#include <QThread>

#include <csignal>

#include "platform/external_control_protocol.h"
#include "platform/local_bus.h"
#include "tests/support/phone_peers.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo::test;

namespace {

constexpr auto kSignIn = std::chrono::seconds(20);

class ExternalControlTest : public ::testing::Test {
protected:
    // Starts the peers with this far end and a phone that signs in and waits.
    void StartPhone(const QString& scenario, const QStringList& sipp) {
        PhonePeers::Options options;
        options.scenario = scenario;
        options.sippArguments = sipp;
        m_peers = std::make_unique<PhonePeers>(m_env.path(u"peers"_s), options);
        ASSERT_TRUE(m_peers->Start()) << m_peers->error().toStdString();
        LaunchPhone();
    }

    void LaunchPhone() {
        m_phone = std::make_unique<IdlePhone>(*m_peers);
        ASSERT_TRUE(m_phone->Launch());
    }

    void WaitUntilIdleAndSignedIn() {
        ASSERT_TRUE(m_phone->WaitUntilIdleAndSignedIn(kSignIn)) << Diagnostics();
    }

    ProgramResult Ctl(const QStringList& args) {
        return RunProgram(u"zuvo-ctl"_s, args, m_peers->Environment());
    }

    QString State() {
        const ProgramResult r = Ctl({u"state"_s});
        return r.code == 0 ? QString::fromUtf8(r.output).trimmed() : QString();
    }

    bool FarEndSawWithin(const QString& text, std::chrono::seconds timeout) {
        return WaitUntil([&] { return m_peers->FarEndSaw(text); }, timeout);
    }

    std::string Diagnostics() {
        return "--- phone\n" + (m_phone ? m_phone->Output().toStdString() : std::string()) + '\n' +
               m_peers->Logs().toStdString() + "\n--- SIP at the far end\n" +
               m_peers->FarEndMessages().right(3000).toStdString();
    }

    TestEnvironment m_env;
    std::unique_ptr<PhonePeers> m_peers;
    std::unique_ptr<IdlePhone> m_phone;
};

TEST_F(ExternalControlTest, DialsMutesListsAndHangsUp) {
    EnsureApplication();
    ASSERT_NO_FATAL_FAILURE(StartPhone(u"uas_answer_wait_bye.xml"_s, {u"-rtp_echo"_s}));
    ASSERT_NO_FATAL_FAILURE(WaitUntilIdleAndSignedIn());
    EXPECT_EQ(State(), u"state: number \"\" call idle muted no"_s);

    // The number is normalised on the display and dialled in international form.
    const ProgramResult dial = Ctl({u"dial"_s, u"+44 (1) 2345"_s});
    EXPECT_EQ(dial.code, 0) << dial.output.constData();
    ASSERT_TRUE(FarEndSawWithin(u"INVITE sip:+4412345@"_s, std::chrono::seconds(10)))
        << Diagnostics();
    EXPECT_TRUE(
        WaitUntil([this] { return State().contains(u"call active"_s); }, std::chrono::seconds(10)))
        << State().toStdString();

    // The call ends "after media started" only once the echoed audio came back.
    EXPECT_TRUE(m_phone->WaitForOutput("media started", std::chrono::seconds(10))) << Diagnostics();

    // A second number during the call is refused.
    const ProgramResult busyDial = Ctl({u"dial"_s, u"999"_s});
    EXPECT_EQ(busyDial.code, 1) << busyDial.output.constData();
    EXPECT_TRUE(busyDial.output.contains("in a call")) << busyDial.output.constData();

    const ProgramResult history = Ctl({u"history"_s});
    EXPECT_EQ(history.code, 0);
    EXPECT_EQ(history.output.trimmed(), "004412345") << history.output.constData();

    EXPECT_EQ(Ctl({u"mute"_s}).code, 0);
    EXPECT_TRUE(State().endsWith(u"muted yes"_s)) << State().toStdString();
    EXPECT_EQ(Ctl({u"unmute"_s}).code, 0);
    EXPECT_TRUE(State().endsWith(u"muted no"_s)) << State().toStdString();

    // Hanging up ends the call at the far end; the end of the call ends the unattended cycle with
    // "ended after media started".
    EXPECT_EQ(Ctl({u"hangup"_s}).code, 0);
    EXPECT_EQ(m_peers->WaitFarEnd(std::chrono::seconds(10)), 0) << Diagnostics();
    EXPECT_EQ(m_phone->WaitForExit(std::chrono::seconds(15)), 2) << Diagnostics();
}

TEST_F(ExternalControlTest, WatchSeesAHandedOverNumberDialledAndEnded) {
    EnsureApplication();
    ASSERT_NO_FATAL_FAILURE(
        StartPhone(u"uas_answer_hang_up.xml"_s, {u"-rtp_echo"_s, u"-d"_s, u"1500"_s}));
    ASSERT_NO_FATAL_FAILURE(WaitUntilIdleAndSignedIn());

    ChildProcess watch(BinaryPath(u"zuvo-ctl"_s), {u"watch"_s}, m_peers->Environment());
    ASSERT_TRUE(watch.Start());
    // While watch is bound, any other client is turned away. (Give watch time to bind first: a
    // client that binds before it would turn watch itself away.)
    WaitUntil([] { return false; }, std::chrono::milliseconds(1500));
    ASSERT_EQ(watch.process().state(), QProcess::Running) << watch.output().constData();
    const ProgramResult other = Ctl({u"state"_s});
    EXPECT_EQ(other.code, 3) << other.output.constData();
    EXPECT_TRUE(other.output.contains("another client is bound")) << other.output.constData();

    // A second phone hands its number over to the running one and ends; the running phone shows
    // it and dials it 3 s later.
    const ProgramResult second =
        RunProgram(u"zuvo"_s, {u"/N123"_s, u"/A"_s}, m_peers->Environment());
    EXPECT_EQ(second.code, 20) << second.output.constData();
    ASSERT_TRUE(FarEndSawWithin(u"INVITE sip:+123@"_s, std::chrono::seconds(10))) << Diagnostics();

    // The far end hangs up after 1.5 s; the phone's cycle ends with that call.
    EXPECT_EQ(m_phone->WaitForExit(std::chrono::seconds(20)), 2) << Diagnostics();
    watch.Stop();
    const QByteArray seen = watch.output();
    const qsizetype number = seen.indexOf("number: 123\n");
    const qsizetype started = seen.indexOf("call started\n");
    const qsizetype ended = seen.indexOf("call ended\n");
    EXPECT_GE(number, 0) << seen.constData();
    EXPECT_GT(started, number) << seen.constData();
    EXPECT_GT(ended, started) << seen.constData();
}

// An incoming call is never answered, but the client hears both that it started and that it
// ended when the caller gave up; that end also ends the unattended cycle (no media: 3).
TEST_F(ExternalControlTest, WatchSeesAnIncomingCallStartAndEnd) {
    EnsureApplication();
    ASSERT_NO_FATAL_FAILURE(StartPhone(u"uas_answer_wait_bye.xml"_s, {}));
    ASSERT_NO_FATAL_FAILURE(WaitUntilIdleAndSignedIn());
    ChildProcess watch(BinaryPath(u"zuvo-ctl"_s), {u"watch"_s}, m_peers->Environment());
    ASSERT_TRUE(watch.Start());
    WaitUntil([] { return false; }, std::chrono::milliseconds(1500));
    ASSERT_EQ(watch.process().state(), QProcess::Running) << watch.output().constData();

    // A caller rings the phone's account through the registrar and gives up after a second.
    Sipp caller(
        u"uac_call_cancel.xml"_s, m_env.path(u"caller"_s),
        {u"-s"_s, u"12345_Z"_s, u"127.0.0.1:"_s + QString::number(m_peers->registrarPort())});
    caller.SetLimits(1, 30);
    ASSERT_TRUE(caller.Start()) << caller.output().constData();
    EXPECT_EQ(caller.Wait(30), 0) << caller.output().constData();

    EXPECT_EQ(m_phone->WaitForExit(std::chrono::seconds(15)), 3) << Diagnostics();
    WaitUntil([&] { return watch.process().state() != QProcess::Running; },
              std::chrono::seconds(5));
    watch.Stop();
    const QByteArray seen = watch.output();
    const qsizetype started = seen.indexOf("call started\n");
    EXPECT_GE(started, 0) << seen.constData();
    EXPECT_GT(seen.indexOf("call ended\n"), started) << seen.constData();
}

TEST_F(ExternalControlTest, RedialReachesABusyFarEnd) {
    EnsureApplication();
    // The newest entry of the call history, as a previous run left it.
    const QString key = u"HKCU\\Software\\Zuvo\\Zuvo PC\\Call History"_s;
    PhonePeers::Options options;
    options.scenario = FinalAnswerScenario(m_env.root(), 486, u"Busy Here"_s);
    m_peers = std::make_unique<PhonePeers>(m_env.path(u"peers"_s), options);
    ASSERT_TRUE(m_peers->Start()) << m_peers->error().toStdString();
    for (const auto& [name, value] : {std::pair{u"Nu0"_s, u"4477"_s}, {u"Tu0"_s, u"00:01:02"_s}}) {
        const ProgramResult r =
            RunProgram(u"zuvo-reg"_s, {u"add"_s, key, u"/v"_s, name, u"/d"_s, value, u"/f"_s},
                       m_peers->Environment());
        ASSERT_EQ(r.code, 0) << r.output.constData();
    }
    ASSERT_NO_FATAL_FAILURE(LaunchPhone());
    ASSERT_NO_FATAL_FAILURE(WaitUntilIdleAndSignedIn());

    const ProgramResult history = Ctl({u"history"_s});
    EXPECT_EQ(history.output.trimmed(), "4477") << history.output.constData();

    // Redial puts the newest entry on the display and dials it 1.5 s later.
    EXPECT_EQ(Ctl({u"redial"_s}).code, 0);
    EXPECT_TRUE(State().startsWith(u"state: number \"4477\""_s)) << State().toStdString();
    ASSERT_TRUE(FarEndSawWithin(u"INVITE sip:+4477@"_s, std::chrono::seconds(10))) << Diagnostics();
    // Busy: "Line busy", and the cycle ends with the busy code.
    EXPECT_EQ(m_phone->WaitForExit(std::chrono::seconds(15)), 37) << Diagnostics();
}

// A client that ends without unbinding does not keep the phone from others, and zuvo-ctl unbinds
// and removes its socket on its ways out. The phone waits in its sign-in dialog (it has no
// account): it takes no commands then, but still answers the protocol and a state request.
TEST_F(ExternalControlTest, AClientThatEndsLeavesThePhoneFree) {
    EnsureApplication();
    PhonePeers::Options options;
    options.simulator = false;
    options.registrar = false;
    m_peers = std::make_unique<PhonePeers>(m_env.path(u"peers"_s), options);
    ASSERT_TRUE(m_peers->Start()) << m_peers->error().toStdString();
    qputenv("XDG_RUNTIME_DIR", m_peers->Environment().value(u"XDG_RUNTIME_DIR"_s).toLocal8Bit());
    const auto ctlSockets = [] {
        return QDir(zuvo::LocalBus::Folder())
            .entryList({u"ZuvoCtl.*"_s}, QDir::System | QDir::Files)
            .size();
    };

    // This process is a client too: it hears every Bind the phone sends it.
    const uint32_t bind =
        zuvo::LocalBus::RegisterWindowMessage(zuvo::ExternalControlProtocol::kBindMessageName);
    const uint32_t reg =
        zuvo::LocalBus::RegisterWindowMessage(zuvo::ExternalControlProtocol::kRegisterMessageName);
    zuvo::LocalBusEndpoint self(u"ControlTest"_s);
    ASSERT_TRUE(self.Listen());
    QList<zuvo::WPARAM> binds;
    self.setMessageHandler([&](uint32_t message, zuvo::WPARAM w, zuvo::LPARAM) -> zuvo::LRESULT {
        if (message == bind) {
            binds.append(w);
        }
        return 1;
    });
    ChildProcess waitingPhone(BinaryPath(u"zuvo"_s), QStringList{}, m_peers->Environment());
    ASSERT_TRUE(waitingPhone.Start());
    ASSERT_TRUE(WaitUntil([&] { return binds.contains(1); })) << waitingPhone.output().constData();
    const auto phone = zuvo::LocalBus::FindWindow(zuvo::ExternalControlProtocol::kPhoneWindowClass);
    ASSERT_TRUE(phone);

    ChildProcess watch(BinaryPath(u"zuvo-ctl"_s), {u"watch"_s}, m_peers->Environment());
    ASSERT_TRUE(watch.Start());
    WaitUntil([] { return false; }, std::chrono::milliseconds(1500));
    ASSERT_EQ(watch.process().state(), QProcess::Running) << watch.output().constData();
    const ProgramResult refused = Ctl({u"state"_s});
    EXPECT_EQ(refused.code, 3) << refused.output.constData();
    EXPECT_EQ(ctlSockets(), 1);  // watch's own; the refused one took its socket with it

    // watch dies without a word: the next client is bound all the same.
    ::kill(static_cast<pid_t>(watch.process().processId()), SIGKILL);
    watch.WaitForExit(std::chrono::seconds(10));
    binds.clear();
    ASSERT_TRUE(zuvo::LocalBus::SendMessage(*phone, reg, 1, self.handle()));
    EXPECT_TRUE(WaitUntil([&] { return !binds.isEmpty(); }));
    EXPECT_EQ(binds, QList<zuvo::WPARAM>{2});
    EXPECT_EQ(zuvo::LocalBus::SendMessage(*phone, reg, 0, self.handle()), 1);
    EXPECT_EQ(ctlSockets(), 0);  // the dead one's file is gone too

    // One zuvo-ctl after another, each binding as the last one unbinds at its exit: every one
    // gets the state, though the phone waits in its sign-in dialog, and the phone tells everyone
    // it is free again after each.
    WaitUntil([] { return false; }, std::chrono::milliseconds(500));
    for (int i = 0; i < 10; ++i) {
        binds.clear();
        const ProgramResult state = Ctl({u"state"_s});
        EXPECT_EQ(state.code, 0) << i << ": " << state.output.constData();
        EXPECT_EQ(state.output.trimmed().toStdString(), "state: number \"\" call idle muted no");
        EXPECT_TRUE(WaitUntil([&] { return binds.contains(1); }, std::chrono::seconds(3))) << i;
    }
    EXPECT_EQ(ctlSockets(), 0);
}

}  // namespace
