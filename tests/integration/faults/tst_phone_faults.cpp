// The phone through the faults of the real world: the provider's web service failing in every
// way a server or the network can (behind a front that misbehaves on request), Kamailio killed in
// a call, a far end that freezes, a hosts file and a settings store that cannot be written. The
// window runs here; Kamailio, SIPp and the provider simulator on 127.0.0.1. Throughout, zuvo-ctl
// must get the phone's state (the window is not held by a worker), and afterwards what was stored
// before is still there.

#include <QtTest>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>

#include <signal.h>

#include "app/core/app_globals.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/signin_dialog.h"
#include "app/logic/phone_state.h"
#include "app/ui/main_window.h"
#include "app/ui/phone_display.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "tests/integration/faults/faulty_provider.h"
#include "tests/support/file_system_limits.h"
#include "tests/support/kamailio.h"
#include "tests/support/phone_peers.h"
#include "tests/support/provider_simulator.h"
#include "tests/support/sipp.h"
#include "tests/support/test_environment.h"
#include "tests/ui/support/signin_driver.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

constexpr auto kLong = std::chrono::seconds(30);
const QString kReady = u"Ready to call"_s;
const QString kSigningIn = u"Signing in..."_s;
// The start of message 6604: the service could not be reached.
const QString kUnavailable = u"Sign-in  to Zuvo failed."_s;
const QByteArray kHostsBefore = "127.0.0.1\tlocalhost\n# the administrator's own line\n";
const QString kHistory = Profile::PhoneRoot() + u"\\Call History"_s;

QByteArray Accounts(int kamailioPort) {
    return R"({"accounts": [{"account": "12345", "pin": "9876", "as": "1",
            "phonecfg": "0", "balance": "12.50", "currency": "EUR",
            "pxy": ["127.0.0.1:)" +
           QByteArray::number(kamailioPort) + R"(:UDP"], "hosts": ["zuvo.test:127.0.0.1"],
            "web": []}]})";
}

struct Answer {
    bool exit = false;
    bool askStateFirst = false;     // a control program asks for the state while the dialog is up
    bool mendServiceFirst = false;  // the service's fault is cleared before the dialog is answered
};

enum class Outcome {
    SignsIn,    // the fault is ridden out without a word to the user
    AsksAgain,  // message 6604 and the sign-in dialog again
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(1 << 20) : QByteArray();
}

// A file that cannot be written: on a small file system that is then filled, or made
// unchangeable. error() says why the machine cannot do either (the test is then skipped).
class UnwritableFile {
public:
    UnwritableFile(const QString& path, bool full) : m_path(path) {
        if (full) {
            m_small = std::make_unique<test::SmallFileSystem>(QFileInfo(path).absolutePath(), 512);
            if (!m_small->ok()) {
                m_error = u"cannot mount a small file system here: "_s + m_small->error();
            }
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
    }
    // Once what the user had is stored: takes the room left, or makes the file unchangeable.
    bool Seal() {
        if (m_small) {
            return m_small->Fill();
        }
        m_frozen = std::make_unique<test::ImmutableFile>(m_path);
        if (!m_frozen->ok()) {
            m_error = u"cannot make a file unchangeable here: "_s + m_frozen->error();
        }
        return m_frozen->ok();
    }
    QString error() const { return m_error; }

private:
    QString m_path;
    QString m_error;
    std::unique_ptr<test::SmallFileSystem> m_small;
    std::unique_ptr<test::ImmutableFile> m_frozen;
};

}  // namespace

class TestPhoneFaults : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TestEnvironment> m_env;
    std::unique_ptr<test::Sipp> m_farEnd;
    std::unique_ptr<test::Kamailio> m_kamailio;
    std::unique_ptr<test::ProviderSimulator> m_sim;
    std::unique_ptr<test::FaultyProvider> m_front;
    std::unique_ptr<CMainWindow> m_window;
    QList<Answer> m_answers;  // how the next sign-in dialogs are answered
    QStringList m_messages;   // message boxes shown
    int m_dialogs = 0;
    bool m_mended = false;
    int m_ctlRuns = 0;
    QStringList m_ctlFailures;
    QElapsedTimer m_clock;  // since the test function began

    // farEnd: a SIPp far end that answers every call, echoes its audio and waits for the BYE;
    // without one, calls go where nothing listens.
    void StartPeers(bool farEnd = false) {
        const QString dir = m_env->root();
        test::Kamailio::Options options;
        options.farEndPort = test::FreePort(true);
        if (farEnd) {
            m_farEnd = std::make_unique<test::Sipp>(u"uas_answer_wait_bye.xml"_s, dir + u"/sipp"_s,
                                                    QStringList{u"-rtp_echo"_s});
            m_farEnd->SetLimits(0, 0);
            QVERIFY2(m_farEnd->Start(), m_farEnd->output().constData());
            options.farEndPort = m_farEnd->port();
        }
        m_kamailio = std::make_unique<test::Kamailio>(dir + u"/kamailio"_s, options);
        QVERIFY2(m_kamailio->Start(), m_kamailio->output().constData());
        m_sim = std::make_unique<test::ProviderSimulator>(dir + u"/sim"_s,
                                                          Accounts(m_kamailio->udpPort()));
        QVERIFY2(m_sim->Start(), qPrintable(m_sim->error()));
        m_front = std::make_unique<test::FaultyProvider>(dir + u"/front"_s, m_sim->httpPort());
        QVERIFY2(m_front->Start(), m_front->output().constData());
        qputenv("ZUVO_DEFAULT_WEB_HOST", m_front->host().toUtf8());
        qputenv("ZUVO_SIP_DOMAIN", "zuvo.test");
    }

    // What the user had stored before this run: a call history entry and hosts-file lines.
    void StoreBefore() {
        Registry hive(Registry::CurrentUserPath());
        QVERIFY(hive.WriteString(kHistory, u"Nu0"_s, u"4477"_s));
        QFile hosts(qEnvironmentVariable("ZUVO_HOSTS_FILE"));
        QVERIFY(hosts.open(QIODevice::WriteOnly));
        hosts.write(kHostsBefore);
    }

    // Answers each sign-in dialog as it opens, from the queued answers.
    void DriveDialogs() {
        CSigninDialog* dialog = m_answers.isEmpty() ? nullptr : test::UnansweredSigninDialog();
        if (dialog != nullptr) {
            ++m_dialogs;
            const Answer answer = m_answers.takeFirst();
            if (answer.askStateFirst) {
                AskState();
            }
            if (answer.mendServiceFirst) {
                m_mended = m_front != nullptr && m_front->Clear();
            }
            if (answer.exit) {
                test::CancelSignIn(*dialog);
            } else {
                test::SignIn(*dialog);
            }
        }
        QTimer::singleShot(50, this, &TestPhoneFaults::DriveDialogs);
    }

    CMainWindow& OpenPhone() {
        App().commandLine = CommandLineOptions{};
        m_window = std::make_unique<CMainWindow>();
        m_window->show();
        return *m_window;
    }

    QString Status() const { return PhoneDisplay::StatusText(m_window->state()); }

    void Command(int id) {
        m_window->port().PostMessage(Wm::Command, MakeWParam(static_cast<uint16_t>(id), 0), 0);
    }

    // Asks the phone for its state as a control program does; a miss is noted with what
    // zuvo-ctl said. zuvo-ctl's own time-outs are a few seconds: a window held by a worker or a
    // library call for longer does not answer.
    void AskState() {
        ++m_ctlRuns;
        const test::ProgramResult r = test::RunProgram(
            u"zuvo-ctl"_s, {u"state"_s}, QProcessEnvironment::systemEnvironment(), kLong);
        if (r.code != 0 || !r.output.startsWith("state: ")) {
            m_ctlFailures << u"zuvo-ctl %1 at %2 ms, status \"%3\": %4"_s.arg(r.code)
                                 .arg(m_clock.elapsed())
                                 .arg(m_window ? Status() : u"no window"_s,
                                      QString::fromUtf8(r.output));
        }
    }

    // Waits for the condition as WaitUntil does, asking for the phone's state between looks.
    bool WaitAsking(const std::function<bool()>& condition, std::chrono::seconds timeout) {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > std::chrono::milliseconds(timeout).count()) {
                return false;
            }
            AskState();
            test::WaitUntil(condition, std::chrono::milliseconds(1000));
        }
        return true;
    }

    QByteArray Diagnostics() const {
        QByteArray text = "status " + (m_window ? Status().toUtf8() : QByteArray("none")) +
                          "\nmessages " + m_messages.join(u" | "_s).toUtf8() + "\nfront log " +
                          QJsonDocument(m_front ? m_front->Log() : QJsonObject()).toJson();
        if (m_front) {
            text += "\n--- front\n" + m_front->output().right(2000);
        }
        if (m_kamailio) {
            text += "\n--- kamailio\n" + m_kamailio->output().right(2000);
        }
        if (m_farEnd) {
            text += "\n--- far end\n" + m_farEnd->Messages().right(3000).toUtf8();
        }
        return text;
    }

    // Dials the far end and waits until the call is connected and has media. The phone keeps
    // the media flag of its first call, so a later call is known by its connected status.
    void CallAndWaitForMedia() {
        QVERIFY2(WaitAsking(
                     [this] {
                         return m_window->state().connectionState == RTCRS_REGISTERED && !InCall();
                     },
                     std::chrono::seconds(60)),
                 Diagnostics().constData());
        QTest::keyClicks(m_window.get(), u"4412345"_s);
        Command(Cmd::Call);
        // Generous: a far end just woken from SIGSTOP first works off what piled up meanwhile,
        // and a loaded machine slows that further.
        QVERIFY2(WaitAsking(
                     [this] {
                         const PhoneState& state = m_window->state();
                         return state.call.active && state.callStatus == CallStatus::Connected &&
                                state.call.mediaStarted;
                     },
                     std::chrono::seconds(45)),
                 Diagnostics().constData());
    }

    // A caller rings the phone's account through Kamailio and gives up after a second of
    // ringing. Only the phone rings: anything Kamailio does not know goes to the far end, which
    // answers at once, and the caller then fails.
    void RingThePhone() {
        const auto caller =
            test::RingingCaller(m_env->path(u"caller"_s), u"12345_Z"_s, m_kamailio->udpPort());
        QVERIFY2(caller->Start(), caller->output().constData());
        QVERIFY2(WaitAsking([&caller] { return caller->Wait(0) != -1; }, std::chrono::seconds(40)),
                 caller->output().constData());
        QVERIFY2(caller->Wait(0) == 0, (caller->Messages().toUtf8() + Diagnostics()).constData());
        QVERIFY2(WaitAsking([this] { return !m_window->state().call.incomingAnnounced; },
                            std::chrono::seconds(30)),
                 Diagnostics().constData());
    }

    bool InCall() const { return m_window->state().call.active; }

    // Closes the window the user's way; the messages it shows on the way are kept.
    void ClosePhone() {
        m_answers = {Answer{true}};
        if (m_window) {
            m_window->port().PostMessage(Wm::Close, 0, 0);
            test::WaitUntil([this] { return m_window->isHidden(); }, kLong);
            QTest::qWait(200);
            m_window.reset();
        }
    }

    // What was stored before is still there, and the hosts file holds only whole, readable lines.
    void CheckNothingLost(bool hostsWritten = true) {
        Registry hive(Registry::CurrentUserPath(), Registry::Access::ReadOnly);
        QStringList history;
        for (int i = 0; i < 20; ++i) {
            history << hive.ReadString(kHistory, u"Nu%1"_s.arg(i)).value_or(QString());
        }
        QVERIFY2(history.contains(u"4477"_s), qPrintable(history.join(u',')));
        const QString hostsPath = qEnvironmentVariable("ZUVO_HOSTS_FILE");
        const QByteArray hosts = ReadAll(hostsPath);
        QVERIFY2(hosts.startsWith(kHostsBefore),
                 qPrintable(hostsPath + u": "_s + QString::fromUtf8(hosts) + u" beside: "_s +
                            QDir(QFileInfo(hostsPath).absolutePath())
                                .entryList(QDir::Files | QDir::Hidden)
                                .join(u' ')));
        QVERIFY2(!hosts.contains('\0'), hosts.toHex().constData());
        QVERIFY2(QString::fromUtf8(hosts).toUtf8() == hosts, hosts.toHex().constData());
        QVERIFY2(hosts.endsWith('\n'), hosts.constData());
        if (hostsWritten) {
            QVERIFY2(hosts.contains("127.0.0.1\t_sip._tls.zuvo.test\n"), hosts.constData());
        } else {
            QCOMPARE(hosts, kHostsBefore);
        }
    }

    // Starts the peers, stores what the user had before, sets the front's fault (none when
    // empty) and opens the phone, whose sign-in dialog is answered; false when a step failed.
    bool OpenPhoneWith(const QString& fault, bool farEnd = false) {
        StartPeers(farEnd);
        if (QTest::currentTestFailed()) {
            return false;
        }
        StoreBefore();
        if (!fault.isEmpty() && !m_front->SetFault(fault)) {
            QTest::qFail("the front took no fault", __FILE__, __LINE__);
            return false;
        }
        m_answers = {Answer{}};
        OpenPhone();
        // Its first sign-in dialog is answered before the test goes on.
        if (!test::WaitUntil([this] { return m_dialogs > 0; }, std::chrono::seconds(30))) {
            QTest::qFail("the sign-in dialog never came", __FILE__, __LINE__);
        }
        return !QTest::currentTestFailed();
    }

    // As OpenPhoneWith without a fault, with the file made unwritable once what the user had is
    // stored; false when that failed or the machine cannot do it (the test is then skipped).
    bool OpenPhoneSealing(UnwritableFile& file) {
        StartPeers();
        if (QTest::currentTestFailed()) {
            return false;
        }
        StoreBefore();
        if (!file.Seal()) {
            QTest::qSkip(qPrintable(file.error()), __FILE__, __LINE__);
            return false;
        }
        m_answers = {Answer{}};
        OpenPhone();
        if (!test::WaitUntil([this] { return m_dialogs > 0; }, std::chrono::seconds(30))) {
            QTest::qFail("the sign-in dialog never came", __FILE__, __LINE__);
        }
        return !QTest::currentTestFailed();
    }

    // Waits until the front holds the first configuration request.
    bool ConfigurationHeld() {
        return WaitAsking([this] { return m_front->Applied(u"SP"_s) == 1; },
                          std::chrono::seconds(20));
    }

    // The window answered throughout; it closes, and nothing stored before is lost.
    void CloseAndCheck(bool hostsWritten = true) {
        CheckStateAlwaysAnswered();
        ClosePhone();
        CheckNothingLost(hostsWritten);
    }

    void CheckStateAlwaysAnswered() {
        QVERIFY2(m_ctlRuns > 0, "the phone's state was never asked for");
        QVERIFY2(m_ctlFailures.isEmpty(), qPrintable(m_ctlFailures.join(u'\n')));
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<test::TestEnvironment>();
        m_answers.clear();
        m_messages.clear();
        m_dialogs = 0;
        m_mended = false;
        m_ctlRuns = 0;
        m_ctlFailures.clear();
        m_clock.start();
        SetMessageBoxHook([this](const MessageBoxRequest& r) {
            m_messages << r.text;
            return Cmd::Ok;
        });
        QTimer::singleShot(50, this, &TestPhoneFaults::DriveDialogs);
    }

    void cleanup() {
        ClosePhone();
        SetMessageBoxHook(nullptr);
        m_front.reset();
        m_sim.reset();
        m_kamailio.reset();
        m_farEnd.reset();
        qunsetenv("KAMAILIO_DEBUG");
        qunsetenv("ZUVO_DEFAULT_WEB_HOST");
        qunsetenv("ZUVO_SIP_DOMAIN");
        m_env.reset();
    }

    // Each fault on the requests of one task of the sign-in: the service check (VV) or the SIP
    // server configuration (SP). A service check that never succeeds ends in message 6604 and
    // the dialog again; the phone keeps asking for its configuration until an answer is good.
    void signInThroughAFaultyService_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<Outcome>("outcome");
        QTest::newRow("check answered with 500") << u"task=VV&mode=500"_s << Outcome::AsksAgain;
        QTest::newRow("check connection reset") << u"task=VV&mode=reset"_s << Outcome::AsksAgain;
        QTest::newRow("check redirected to another host")
            << u"task=VV&mode=redirect"_s << Outcome::AsksAgain;
        QTest::newRow("check answer of 10 MB")
            << u"task=VV&mode=huge&size=10485760"_s << Outcome::AsksAgain;
        QTest::newRow("check answer between NUL bytes and invalid UTF-8")
            << u"task=VV&mode=garble"_s << Outcome::SignsIn;
        QTest::newRow("configuration answered with 500, three times")
            << u"task=SP&mode=500&count=3"_s << Outcome::SignsIn;
        QTest::newRow("configuration connection reset, twice")
            << u"task=SP&mode=reset&count=2"_s << Outcome::SignsIn;
        QTest::newRow("configuration redirected, twice")
            << u"task=SP&mode=redirect&count=2"_s << Outcome::SignsIn;
        QTest::newRow("configuration answer of 10 MB")
            << u"task=SP&mode=huge&size=10485760&count=1"_s << Outcome::SignsIn;
        QTest::newRow("configuration with NUL and invalid UTF-8 in its addresses, three times")
            << u"task=SP&mode=corrupt&count=3"_s << Outcome::SignsIn;
        QTest::newRow("configuration sent one byte a second")
            << u"task=SP&mode=drip&seconds=1&count=1"_s << Outcome::SignsIn;
    }

    void signInThroughAFaultyService() {
        QFETCH(QString, fault);
        QFETCH(Outcome, outcome);
        const QString task = fault.mid(5, 2);
        if (!OpenPhoneWith(fault)) {
            return;
        }
        // The second dialog, after a message. The service mends before it is answered: mended
        // after the answer, the phone's next check could still meet the fault and bring a third.
        m_answers << Answer{.mendServiceFirst = outcome == Outcome::AsksAgain};
        CMainWindow& phone = *m_window;
        if (outcome == Outcome::AsksAgain) {
            QVERIFY2(WaitAsking([this] { return m_dialogs == 2; }, std::chrono::seconds(90)),
                     Diagnostics().constData());
            QCOMPARE(m_messages.size(), 1);
            QVERIFY2(m_messages[0].startsWith(kUnavailable), qPrintable(m_messages[0]));
            QVERIFY(!phone.state().signin.configurationReceived);
            QVERIFY(m_mended);
        }
        QVERIFY2(WaitAsking([this] { return Status() == kReady; }, std::chrono::seconds(90)),
                 Diagnostics().constData());
        QVERIFY(m_front->Applied(task) >= 1);
        if (outcome == Outcome::SignsIn) {
            QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u" | "_s)));
            QCOMPARE(m_dialogs, 1);
        }
        // Nobody follows a redirect: the other host was never asked.
        QCOMPARE(m_front->Log().value(u"other"_s).toInt(), 0);
        CloseAndCheck();
    }

    // Sign-out while the service holds the configuration request (it would answer only after
    // 40 s, past the phone's own 30 s limit): the dialog is back before the answer, no request
    // goes on behind it, and the next sign-in goes through.
    void signOutEndsAHeldSignIn() {
        if (!OpenPhoneWith(u"task=SP&mode=delay&seconds=40"_s)) {
            return;
        }
        QVERIFY2(ConfigurationHeld(), Diagnostics().constData());
        AskState();
        QCOMPARE(Status(), kSigningIn);
        // The service mends meanwhile. The dialog that sign-out brings back is answered once a
        // control program has had the state while it is up (and no other one is bound).
        QVERIFY(m_front->Clear());
        m_answers = {Answer{.askStateFirst = true}};
        Command(Cmd::SignOut);
        QVERIFY2(test::WaitUntil([this] { return m_dialogs == 2; }, std::chrono::seconds(25)),
                 Diagnostics().constData());
        // Signed in again while the first request is still held (its answer would come at 40 s):
        // sign-out did not wait for it.
        QVERIFY2(WaitAsking([this] { return Status() == kReady; }, std::chrono::seconds(25)),
                 Diagnostics().constData());
        QCOMPARE(m_front->Applied(u"SP"_s), 1);
        QVERIFY(m_messages.isEmpty());
        CloseAndCheck();
    }

    // The service stops in the middle of a sign-in (after the check, while the configuration is
    // being asked for): the phone keeps asking, and signs in once the service is back on its
    // port.
    void serviceStoppedDuringSignIn() {
        if (!OpenPhoneWith(u"task=SP&mode=hold"_s)) {
            return;
        }
        QVERIFY2(ConfigurationHeld(), Diagnostics().constData());
        const int port = m_front->port();
        m_front->Kill();
        // Refused connections, one after another: still signing in, nothing said.
        for (int i = 0; i < 4; ++i) {
            AskState();
            test::WaitUntil([] { return false; }, std::chrono::seconds(1));
        }
        QCOMPARE(Status(), kSigningIn);
        QVERIFY(m_messages.isEmpty());
        QVERIFY2(m_front->Start(port), m_front->output().constData());
        QVERIFY2(WaitAsking([this] { return Status() == kReady; }, std::chrono::seconds(60)),
                 Diagnostics().constData());
        QCOMPARE(m_dialogs, 1);
        CloseAndCheck();
    }

    // Kamailio ends without a word in the middle of a call (SIGKILL) and comes back on the same
    // port, knowing nothing of the phone (it keeps registrations in memory only): at once, or only
    // once the phone has given up on its hang-up and found the registrar gone. The call can be hung
    // up and ends; the phone registers with the new Kamailio by itself, long before its hourly
    // refresh, so a caller reaches it again; the next call works.
    void registrarKilledInACallAndStartedAgain_data() {
        QTest::addColumn<bool>("late");
        QTest::newRow("restarted at once") << false;
        QTest::newRow("restarted after the phone lost it") << true;
    }

    void registrarKilledInACallAndStartedAgain() {
        QFETCH(bool, late);
        // The new Kamailio logs each message it handles, so the phone's new contact shows there.
        qputenv("KAMAILIO_DEBUG", "1");
        if (!OpenPhoneWith({}, true)) {
            return;
        }
        CallAndWaitForMedia();
        if (QTest::currentTestFailed()) {
            return;
        }
        m_kamailio->Kill();
        // Hung up while nothing routes the BYE: the call still ends.
        Command(Cmd::HangUp);
        QVERIFY2(WaitAsking([this] { return !InCall(); }, std::chrono::seconds(60)),
                 Diagnostics().constData());
        if (late) {
            // The BYE goes unanswered to its end; the REGISTER that follows too.
            QVERIFY2(
                WaitAsking([this] { return m_window->state().connectionState != RTCRS_REGISTERED; },
                           std::chrono::seconds(120)),
                Diagnostics().constData());
        }
        QVERIFY2(m_kamailio->Restart(), m_kamailio->output().constData());
        QVERIFY2(WaitAsking(
                     [this] {
                         return m_kamailio->output().contains(
                                    "created Contact HF: Contact: <sip:12345_Z@") &&
                                m_window->state().connectionState == RTCRS_REGISTERED;
                     },
                     std::chrono::seconds(90)),
                 Diagnostics().constData());
        RingThePhone();
        if (QTest::currentTestFailed()) {
            return;
        }
        // Calls out go through the new Kamailio.
        CallAndWaitForMedia();
        if (QTest::currentTestFailed()) {
            return;
        }
        Command(Cmd::HangUp);
        QVERIFY2(WaitAsking([this] { return !InCall(); }, std::chrono::seconds(30)),
                 Diagnostics().constData());
        QVERIFY(m_messages.isEmpty());
        CloseAndCheck();
    }

    // The far end freezes in a call (SIGSTOP: no audio, no SIP). Left alone, the engine reports
    // the silence and the call ends; hung up while the far end is frozen, the call ends too. The
    // next call works once the far end runs again.
    void farEndFrozenInACall() {
        if (!OpenPhoneWith({}, true)) {
            return;
        }
        const auto farEnd = static_cast<pid_t>(m_farEnd->processId());
        QVERIFY(farEnd > 0);

        CallAndWaitForMedia();
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(::kill(farEnd, SIGSTOP), 0);
        const bool endedByEngine =
            WaitAsking([this] { return !InCall(); }, std::chrono::seconds(90));
        ::kill(farEnd, SIGCONT);
        QVERIFY2(endedByEngine, Diagnostics().constData());

        CallAndWaitForMedia();
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(::kill(farEnd, SIGSTOP), 0);
        AskState();
        Command(Cmd::HangUp);
        const bool endedByHangUp =
            WaitAsking([this] { return !InCall(); }, std::chrono::seconds(40));
        ::kill(farEnd, SIGCONT);
        QVERIFY2(endedByHangUp, Diagnostics().constData());

        CallAndWaitForMedia();
        if (QTest::currentTestFailed()) {
            return;
        }
        Command(Cmd::HangUp);
        QVERIFY2(WaitAsking([this] { return !InCall(); }, std::chrono::seconds(30)),
                 Diagnostics().constData());
        CloseAndCheck();
    }

    // A hosts file that cannot be written: one nobody may change, and one on a full file system.
    // The sign-in goes on, the file is exactly as it was and no temporary file is left beside it.
    void hostsFileNotWritable_data() {
        QTest::addColumn<bool>("full");
        QTest::newRow("unchangeable") << false;
        QTest::newRow("full file system") << true;
    }

    void hostsFileNotWritable() {
        QFETCH(bool, full);
        const QString folder = m_env->path(u"etc"_s);
        UnwritableFile hosts(folder + u"/hosts"_s, full);
        if (!hosts.error().isEmpty()) {
            QSKIP(qPrintable(hosts.error()));
        }
        qputenv("ZUVO_HOSTS_FILE", QFile::encodeName(folder + u"/hosts"_s));
        if (!OpenPhoneSealing(hosts)) {
            return;
        }
        QVERIFY2(WaitAsking([this] { return Status() == kReady; }, std::chrono::seconds(60)),
                 Diagnostics().constData());
        QVERIFY(m_messages.isEmpty());
        CloseAndCheck(false);
        QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(u"filler"_s);
        QCOMPARE(left, QStringList{u"hosts"_s});
    }

    // The settings store cannot be written: one nobody may change, and one on a full file
    // system. The phone starts and signs in with what it reads, tells once at close what it could
    // not save, and the values from before are intact.
    void settingsStoreNotWritable_data() {
        QTest::addColumn<bool>("full");
        QTest::newRow("unchangeable") << false;
        QTest::newRow("full file system") << true;
    }

    void settingsStoreNotWritable() {
        QFETCH(bool, full);
        UnwritableFile store(Registry::CurrentUserPath(), full);
        if (!store.error().isEmpty()) {
            QSKIP(qPrintable(store.error()));
        }
        if (!OpenPhoneSealing(store)) {
            return;
        }
        QCOMPARE(m_window->history().Number(0), u"4477"_s);
        QVERIFY2(WaitAsking([this] { return Status() == kReady; }, std::chrono::seconds(60)),
                 Diagnostics().constData());
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u" | "_s)));
        CheckStateAlwaysAnswered();
        ClosePhone();
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains(u"could not be saved"_s), qPrintable(m_messages[0]));
        QVERIFY2(full ? (m_messages[0].contains(u"full"_s) || m_messages[0].contains(u"space"_s))
                      : m_messages[0].contains(u"readonly"_s),
                 qPrintable(m_messages[0]));
        CheckNothingLost();
    }
};

QTEST_MAIN(TestPhoneFaults)
#include "tst_phone_faults.moc"
