// The whole sign-in path through the window and its dialog, against the provider simulator,
// Kamailio and a SIPp far end on 127.0.0.1.

#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include "app/core/app_globals.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/signin_dialog.h"
#include "app/logic/phone_state.h"
#include "app/ui/main_window.h"
#include "app/ui/phone_display.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "tests/support/kamailio.h"
#include "tests/support/provider_simulator.h"
#include "tests/support/sipp.h"
#include "tests/support/test_environment.h"
#include "tests/ui/support/signin_driver.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

constexpr auto kLong = std::chrono::seconds(20);

// One account whose SIP server is the given Kamailio.
QByteArray Accounts(int kamailioPort, bool withServers) {
    const QByteArray pxy =
        withServers ? "[\"127.0.0.1:" + QByteArray::number(kamailioPort) + ":UDP\"]" : "[]";
    return R"({"accounts": [{"account": "12345", "pin": "9876", "as": "1",
            "phonecfg": "0", "balance": "12.50", "currency": "EUR", "pxy": )" +
           pxy + R"(, "hosts": ["zuvo.test:127.0.0.1"], "web": []}]})";
}

struct Answer {
    QString user;
    QString pin;
    bool exit = false;
};

}  // namespace

class TestSigninEndToEnd : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TestEnvironment> m_env;
    std::unique_ptr<test::Kamailio> m_kamailio;
    std::unique_ptr<test::Sipp> m_farEnd;
    std::unique_ptr<test::ProviderSimulator> m_sim;
    std::unique_ptr<CMainWindow> m_window;
    QList<Answer> m_answers;  // how the next sign-in dialogs are answered
    QStringList m_messages;   // message boxes shown
    int m_dialogs = 0;
    bool m_tunnelTickShown = false;  // no tunnel component is registered here

    // Starts the peers and points the phone at the simulator (or at webHost when given).
    void StartPeers(bool withServers, const QString& webHost = {},
                    const QString& farEnd = u"uas_answer_wait_bye.xml"_s) {
        const QString dir = m_env->root();
        QDir().mkpath(dir + u"/sipp"_s);
        QDir().mkpath(dir + u"/kamailio"_s);
        m_farEnd =
            std::make_unique<test::Sipp>(farEnd, dir + u"/sipp"_s, QStringList{u"-rtp_echo"_s});
        QVERIFY(m_farEnd->Start());
        test::Kamailio::Options options;
        options.farEndPort = m_farEnd->port();
        m_kamailio = std::make_unique<test::Kamailio>(dir + u"/kamailio"_s, options);
        QVERIFY2(m_kamailio->Start(), m_kamailio->output().constData());
        m_sim = std::make_unique<test::ProviderSimulator>(
            dir + u"/sim"_s, Accounts(m_kamailio->udpPort(), withServers));
        QVERIFY2(m_sim->Start(), qPrintable(m_sim->error()));
        qputenv("ZUVO_DEFAULT_WEB_HOST",
                (webHost.isEmpty() ? m_sim->httpHost() : webHost).toUtf8());
        qputenv("ZUVO_SIP_DOMAIN", "zuvo.test");
    }

    // Answers each sign-in dialog as it opens, from the queued answers.
    void DriveDialogs() {
        CSigninDialog* dialog = m_answers.isEmpty() ? nullptr : test::UnansweredSigninDialog();
        if (dialog != nullptr) {
            ++m_dialogs;
            auto* tick = dialog->findChild<QCheckBox*>(QString::number(Ctl::Signin::UseTunnel));
            m_tunnelTickShown = m_tunnelTickShown || (tick != nullptr && tick->isVisibleTo(dialog));
            const Answer answer = m_answers.takeFirst();
            if (answer.exit) {
                test::CancelSignIn(*dialog);
            } else {
                test::SignIn(*dialog, answer.user, answer.pin);
            }
        }
        QTimer::singleShot(50, this, &TestSigninEndToEnd::DriveDialogs);
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

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<test::TestEnvironment>();
        m_answers.clear();
        m_messages.clear();
        m_dialogs = 0;
        SetMessageBoxHook([this](const MessageBoxRequest& r) {
            m_messages << r.text;
            return Cmd::Ok;
        });
        QTimer::singleShot(50, this, &TestSigninEndToEnd::DriveDialogs);
    }

    void cleanup() {
        m_answers = {Answer{{}, {}, true}};
        if (m_window) {
            m_window->port().PostMessage(Wm::Close, 0, 0);
            test::WaitUntil([this] { return m_window->isHidden(); }, kLong);
            QTest::qWait(200);
            m_window.reset();
        }
        SetMessageBoxHook(nullptr);
        m_sim.reset();
        m_kamailio.reset();
        m_farEnd.reset();
        qunsetenv("ZUVO_DEFAULT_WEB_HOST");
        qunsetenv("ZUVO_SIP_DOMAIN");
        m_env.reset();
    }

    void signInCallSignOutSignInAgain() {
        StartPeers(true);
        if (QTest::currentTestFailed()) {
            return;
        }
        m_answers = {Answer{u" 12345 "_s, u"9876"_s}};
        CMainWindow& phone = OpenPhone();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), u"Ready to call"_s, 20000);
        QCOMPARE(phone.state().account.number, u"12345"_s);  // trimmed by the dialog
        // Signed in: the display's balance line shows what the service reports.
        QTRY_COMPARE_WITH_TIMEOUT(PhoneDisplay::BalanceText(phone.state()), u"EUR 12.50"_s, 10000);
        QVERIFY(QFile::exists(qEnvironmentVariable("ZUVO_HOSTS_FILE")));

        QTest::keyClicks(&phone, u"4412345"_s);
        Command(Cmd::Call);
        QTRY_VERIFY_WITH_TIMEOUT(phone.state().call.active, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(phone.state().call.mediaStarted, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(phone.state().call.clock.running, 5000);
        QTest::qWait(1100);
        Command(Cmd::HangUp);
        QTRY_COMPARE_WITH_TIMEOUT(Status(), u"Call ended"_s, 10000);
        QCOMPARE(phone.history().Number(0), u"4412345"_s);
        QVERIFY(phone.history().Duration(0) != u"00:00:00"_s);
        QCOMPARE(phone.state().display.numberLine, QString());
        Command(Cmd::Redial);
        QTRY_COMPARE(phone.state().display.numberLine, u"4412345"_s);

        // Sign out: the dialog comes back; signing in again reaches the same state.
        m_answers = {Answer{u"12345"_s, u"9876"_s}};
        Command(Cmd::SignOut);
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs, 2, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(Status(), u"Ready to call"_s, 20000);
        QVERIFY(m_messages.isEmpty());
        QVERIFY(!m_tunnelTickShown);
    }

    void busyFarEndShowsLineBusy() {
        StartPeers(true, {}, u"uas_reject.xml"_s);
        if (QTest::currentTestFailed()) {
            return;
        }
        m_answers = {Answer{u"12345"_s, u"9876"_s}};
        CMainWindow& phone = OpenPhone();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), u"Ready to call"_s, 20000);
        QTest::keyClicks(&phone, u"+4420"_s);
        QCOMPARE(phone.state().display.numberLine, u"004420"_s);
        Command(Cmd::Call);
        QTRY_COMPARE_WITH_TIMEOUT(Status(), u"Line busy"_s, 10000);
        QVERIFY(!phone.state().call.active);
        QCOMPARE(phone.history().Number(0), u"004420"_s);
        QCOMPARE(phone.history().Duration(0), u"00:00:00"_s);
    }

    // Encrypted media required while the SIP server is reached over UDP: the call is not placed
    // (no INVITE reaches the far end) and the status line says why.
    void requiredEncryptionOverUdpSaysWhyNoCallWent() {
        StartPeers(true);
        if (QTest::currentTestFailed()) {
            return;
        }
        QVERIFY(Profile::Phone().WriteInt(u"Network"_s, u"Require Media Encryption"_s, 1));
        m_answers = {Answer{u"12345"_s, u"9876"_s}};
        CMainWindow& phone = OpenPhone();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), u"Ready to call"_s, 20000);
        QTest::keyClicks(&phone, u"4412345"_s);
        Command(Cmd::Call);
        QTRY_COMPARE_WITH_TIMEOUT(Status(), u"Encryption required"_s, 5000);
        QVERIFY(!phone.state().call.active);
        QCOMPARE(phone.state().display.numberLine, u"4412345"_s);
        // Refused before the engine sent anything.
        QVERIFY2(!m_farEnd->Messages().contains(u"INVITE"_s), qPrintable(m_farEnd->Messages()));
        // Clearing the display makes the phone ready again.
        Command(Cmd::HangUp);
        QTRY_COMPARE(Status(), u"Ready to call"_s);
    }

    void wrongPinAsksAgain() {
        StartPeers(true);
        if (QTest::currentTestFailed()) {
            return;
        }
        m_answers = {Answer{u"12345"_s, u"0000"_s}, Answer{u"12345"_s, u"9876"_s}};
        OpenPhone();
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs, 2, 20000);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].startsWith(u"Sign-in to Zuvo failed because either the Account "
                                          u"Number or PIN"_s),
                 qPrintable(m_messages[0]));
        QTRY_COMPARE_WITH_TIMEOUT(Status(), u"Ready to call"_s, 20000);
    }

    void deadServiceSaysUnavailable() {
        const int dead = test::FreePort();
        StartPeers(true, u"127.0.0.1:"_s + QString::number(dead));
        if (QTest::currentTestFailed()) {
            return;
        }
        m_answers = {Answer{u"12345"_s, u"9876"_s}, Answer{{}, {}, true}};
        OpenPhone();
        QTRY_COMPARE_WITH_TIMEOUT(m_messages.size(), 1, 20000);
        QVERIFY2(m_messages[0].startsWith(u"Sign-in  to Zuvo failed."_s),
                 qPrintable(m_messages[0]));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs, 2, 10000);
    }

    void noServersKeepsSigningInUntilSignOut() {
        StartPeers(false);
        if (QTest::currentTestFailed()) {
            return;
        }
        m_answers = {Answer{u"12345"_s, u"9876"_s}};
        CMainWindow& phone = OpenPhone();
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs, 1, 10000);
        QTest::qWait(3500);
        QCOMPARE(Status(), u"Signing in..."_s);
        QVERIFY(!phone.state().signin.configurationReceived);
        m_answers = {Answer{{}, {}, true}};
        Command(Cmd::SignOut);
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs, 2, 10000);
        QVERIFY(m_messages.isEmpty());
    }
};

QTEST_MAIN(TestSigninEndToEnd)
#include "tst_signin_e2e.moc"
