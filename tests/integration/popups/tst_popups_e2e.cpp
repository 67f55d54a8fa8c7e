// The provider's pop-up messages through the whole phone: sign-in, the fetch, the browser window,
// the call button and the call's end, against the simulator, Kamailio and a SIPp far end.

#include <QtTest>

#include <QApplication>
#include <QDir>
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
#include "popups/browser/browser_plugin.h"
#include "tests/support/kamailio.h"
#include "tests/support/provider_simulator.h"
#include "tests/support/sipp.h"
#include "tests/support/test_environment.h"
#include "tests/ui/support/signin_driver.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

constexpr auto kLong = std::chrono::seconds(30);

// Pop-ups enabled (phonecfg 200): one message per event, on a service clock of June 2030; the
// service check names a welcome page on the simulator itself.
QByteArray Accounts(int kamailioPort, int simPort) {
    const QByteArray welcome = "http://127.0.0.1:" + QByteArray::number(simPort) + "/welcome.htm";
    return R"({"accounts": [{"account": "12345", "pin": "9876", "as": "1", "phonecfg": "200",
      "page": ")" +
           welcome + R"(",
      "pxy": ["127.0.0.1:)" +
           QByteArray::number(kamailioPort) +
           R"(:UDP"], "hosts": ["zuvo.test:127.0.0.1"], "web": [],
      "popups": [
        {"name": "offers.htm", "expiry": "31/12/2030", "control": 1, "freq": 60, "cx": 640, "cy": 480},
        {"name": "before.htm", "expiry": "31/12/2030", "control": 2, "freq": 0, "cx": 500, "cy": 400},
        {"name": "/news.htm", "expiry": "31/12/2030", "control": 3, "freq": 0, "cx": 300, "cy": 300},
        {"name": "old.htm", "expiry": "1/1/2030", "control": 0, "freq": -1, "cx": 300, "cy": 300}]}],
    "clock": "1/6/2030,12:0:0",
"pages": {"welcome.htm": "<html><head><title>Welcome</title></head><body>Hi</body></html>",
              "offers.htm": "<html><head><title>Offers</title></head><body>Offers</body></html>",
              "before.htm": "<html><head><title>Before</title></head><body>Before</body></html>",
              "/news.htm": "<html><head><title>News</title></head><body>News</body></html>"}})";
}

}  // namespace

class TestPopupsEndToEnd : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TestEnvironment> m_env;
    std::unique_ptr<test::Kamailio> m_kamailio;
    std::unique_ptr<test::Sipp> m_farEnd;
    std::unique_ptr<test::ProviderSimulator> m_sim;
    std::unique_ptr<CMainWindow> m_window;
    bool m_signInAnswered = false;

    void DriveDialog() {
        if (CSigninDialog* dialog = test::UnansweredSigninDialog()) {
            if (!m_signInAnswered) {
                m_signInAnswered = true;
                test::SignIn(*dialog);
            } else {
                test::CancelSignIn(*dialog);
            }
        }
        QTimer::singleShot(50, this, &TestPopupsEndToEnd::DriveDialog);
    }
    void Command(int id) {
        m_window->port().PostMessage(Wm::Command, MakeWParam(static_cast<uint16_t>(id), 0), 0);
    }
    QString Status() const { return PhoneDisplay::StatusText(m_window->state()); }
    // The page now in the pop-up window, once it finished loading and the simulator served it.
    QString PageShown() const {
        IPopupWindow* popup = m_window->popupWindow();
        if (popup == nullptr || popup->StatusText() != u"Done"_s) {
            return {};
        }
        const QString path = QUrl(popup->PageUrl()).path();
        return m_sim->RequestTargets().contains(path) ? path : QString();
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<test::TestEnvironment>();
        SetMessageBoxHook([](const MessageBoxRequest&) { return Cmd::Ok; });
        QTimer::singleShot(50, this, &TestPopupsEndToEnd::DriveDialog);
    }
    void cleanup() {
        if (m_window) {
            m_window->port().PostMessage(Wm::Close, 0, 0);
            test::WaitUntil([this] { return m_window->isHidden(); }, kLong);
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

    void popUpsAfterSignInAtTheCallButtonAndAtTheCallsEnd() {
        const QString dir = m_env->root();
        QDir().mkpath(dir + u"/sipp"_s);
        QDir().mkpath(dir + u"/kamailio"_s);
        m_farEnd = std::make_unique<test::Sipp>(u"uas_answer_wait_bye.xml"_s, dir + u"/sipp"_s,
                                                QStringList{u"-rtp_echo"_s});
        QVERIFY(m_farEnd->Start());
        test::Kamailio::Options options;
        options.farEndPort = m_farEnd->port();
        m_kamailio = std::make_unique<test::Kamailio>(dir + u"/kamailio"_s, options);
        QVERIFY2(m_kamailio->Start(), m_kamailio->output().constData());
        const int simPort = test::FreePort();
        m_sim = std::make_unique<test::ProviderSimulator>(
            dir + u"/sim"_s, Accounts(m_kamailio->udpPort(), simPort), false, simPort);
        QVERIFY2(m_sim->Start(), qPrintable(m_sim->error()));
        qputenv("ZUVO_DEFAULT_WEB_HOST", m_sim->httpHost().toUtf8());
        qputenv("ZUVO_SIP_DOMAIN", "zuvo.test");

        App().commandLine = CommandLineOptions{};
        m_window = std::make_unique<CMainWindow>();
        m_window->show();
        CMainWindow& phone = *m_window;

        // The service check's page opens in the phone's window. The sign-in goes on meanwhile,
        // and the message of event 1 may replace the page before the browser has asked for it:
        // the window's address is looked at after every turn of the event loop.
        const QString welcome = u"http://"_s + m_sim->httpHost() + u"/welcome.htm"_s;
        QVERIFY(test::WaitUntil(
            [&] {
                return m_window->popupWindow() != nullptr &&
                       m_window->popupWindow()->Url() == welcome;
            },
            std::chrono::seconds(30)));
        // Signed in: the fetch runs, and the message of event 1 opens from the simulator in the
        // same window, which takes its size as its outer size.
        QTRY_COMPARE_WITH_TIMEOUT(Status(), u"Ready to call"_s, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(PageShown(), u"/offers.htm"_s, 30000);
        QVERIFY(m_sim->RequestTargets().contains(u"/offers.htm"_s));
        QCOMPARE(m_window->popupWindow()->Widget()->frameGeometry().size(), QSize(640, 480));
        QVERIFY(phone.IsTimerRunning(Timer::PopupPoll));
        // The message that expired before the service's today is gone.
        for (const PopupRecord& r : phone.popups().records()) {
            QVERIFY(r.name != u"old.htm"_s);
        }

        // The call button: first the message of event 2, and no call; the next press calls.
        QTest::keyClicks(&phone, u"4412345"_s);
        Command(Cmd::Call);
        QTRY_COMPARE_WITH_TIMEOUT(PageShown(), u"/before.htm"_s, 30000);
        QVERIFY(!phone.state().call.active);
        Command(Cmd::Call);
        QTRY_VERIFY_WITH_TIMEOUT(phone.state().call.active, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(phone.state().call.mediaStarted, 15000);

        // The call ends through Kamailio: the message of event 3, once only.
        Command(Cmd::HangUp);
        QTRY_COMPARE_WITH_TIMEOUT(Status(), u"Call ended"_s, 10000);
        // A name with its own "/" is still put after the host and its "/".
        QTRY_COMPARE_WITH_TIMEOUT(PageShown(), u"//news.htm"_s, 30000);
        QCOMPARE(m_sim->RequestTargets().count(u"//news.htm"_s), 1);
        QCOMPARE(m_window->popupWindow()->PageTitle(), u"News"_s);

        // Closing keeps the list and the clock for the next run.
        m_window->port().PostMessage(Wm::Close, 0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_window->isHidden(), 20000);
        m_window.reset();
        Profile profile = Profile::Phone();
        Registry& hive = profile.hive();
        const QString root = profile.KeyPath(u"Popups"_s);
        QVERIFY(hive.ReadDword(root, u"ServerTime"_s).value_or(0) > 0);
        QVERIFY(hive.ReadDword(root + u"\\/news.htm"_s, u"Displayed"_s).value_or(0) > 0);
        QCOMPARE(hive.ReadDword(root + u"\\offers.htm"_s, u"cx"_s).value_or(0), 640u);
        QVERIFY(!hive.KeyExists(root + u"\\old.htm"_s));
    }
};

QTEST_MAIN(TestPopupsEndToEnd)
#include "tst_popups_e2e.moc"
