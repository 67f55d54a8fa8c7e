// Signing in with "Use VPN Tunnel" ticked, against the provider simulator and Kamailio, with a
// scripted tunnel component registered on the machine: the tick shows, the tunnel comes up and
// gets the service's routes, its version and connection reach the service, and a tunnel that
// fails (or does not start) stops and sends the user back to the sign-in dialog with 6604.

#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>

#include "app/core/app_globals.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/signin_dialog.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "app/ui/main_window.h"
#include "app/ui/phone_display.h"
#include "platform/ids.h"
#include "platform/plugin_abi.h"
#include "platform/registry.h"
#include "tests/support/phone_peers.h"
#include "tests/support/test_environment.h"
#include "tests/ui/support/signin_driver.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

constexpr auto kLong = std::chrono::seconds(20);

// The account the phone signs in with (its SIP server is the test's Kamailio) and the routes the
// service hands to the tunnel.
constexpr const char kAccounts[] =
    R"({"accounts": [{"account": "12345", "pin": "9876", "as": "1",
            "phonecfg": "0", "balance": "12.50", "currency": "EUR",
            "hosts": ["zuvo.test:127.0.0.1"], "web": []}],
            "routes": [["10.1.0.0", "255.255.0.0"], ["10.2.0.0", "255.255.0.0"]]})";

}  // namespace

class TestTunnelSignin : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TestEnvironment> m_env;
    std::unique_ptr<test::PhonePeers> m_peers;
    std::unique_ptr<CMainWindow> m_window;
    int m_dialogs = 0;
    int m_answers = 0;  // sign-in dialogs still to be answered with the account
    QList<bool> m_tickShown;
    QStringList m_messages;
    QString m_log;

    void DriveDialogs() {
        if (CSigninDialog* dialog = test::UnansweredSigninDialog()) {
            ++m_dialogs;
            auto* tick = dialog->findChild<QCheckBox*>(QString::number(Ctl::Signin::UseTunnel));
            m_tickShown << (tick != nullptr && tick->isVisibleTo(dialog) && tick->isChecked());
            if (m_answers > 0) {
                --m_answers;
                test::SignIn(*dialog);
            } else {
                test::CancelSignIn(*dialog);
            }
        }
        QTimer::singleShot(50, this, &TestTunnelSignin::DriveDialogs);
    }

    QStringList Calls() const {
        QFile file(m_log);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    QList<QJsonObject> Requests(const QString& task) const {
        return m_peers->simulator()->Requests(task);
    }

    QString Status() const { return PhoneDisplay::StatusText(m_window->state()); }

    CMainWindow& OpenPhone() {
        App().commandLine = CommandLineOptions{};
        m_window = std::make_unique<CMainWindow>();
        m_window->show();
        return *m_window;
    }

    void ClosePhone() {
        if (m_window) {
            m_answers = 0;
            m_window->port().PostMessage(Wm::Close, 0, 0);
            test::WaitUntil([this] { return m_window->isHidden(); }, kLong);
            QTest::qWait(200);
            m_window.reset();
        }
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(StringTable::Global().Load());
        m_env = std::make_unique<test::TestEnvironment>();
        m_log = m_env->path(u"tunnel.log"_s);
        qputenv("ZUVO_TEST_TUNNEL_LOG", m_log.toLocal8Bit());
        Registry machine(Registry::LocalMachinePath());
        QVERIFY(machine.WriteString(u"Software\\Classes\\CLSID\\" ZUVO_TUNNEL_CLASS_ID
                                    "\\InprocServer32"_s,
                                    {}, QStringLiteral(SCRIPTED_TUNNEL)));
        test::PhonePeers::Options options;
        options.scenario = u"uas_answer_wait_bye.xml"_s;
        options.accounts = kAccounts;
        m_peers = std::make_unique<test::PhonePeers>(m_env->path(u"peers"_s), options);
        QVERIFY2(m_peers->Start(), qPrintable(m_peers->error()));
        m_peers->UseInThisProcess();
        SetMessageBoxHook([this](const MessageBoxRequest& r) {
            m_messages << r.text;
            return Cmd::Ok;
        });
        QTimer::singleShot(50, this, &TestTunnelSignin::DriveDialogs);
    }

    void init() {
        QFile::remove(m_log);
        m_dialogs = 0;
        m_tickShown.clear();
        m_messages.clear();
        qunsetenv("ZUVO_TEST_TUNNEL_START");
    }

    void cleanup() { ClosePhone(); }

    void cleanupTestCase() {
        SetMessageBoxHook(nullptr);
        m_peers.reset();
        for (const char* name :
             {"ZUVO_TEST_TUNNEL_LOG", "ZUVO_TEST_TUNNEL_STATUS", "ZUVO_TEST_TUNNEL_START",
              "ZUVO_DEFAULT_WEB_HOST", "ZUVO_SIP_DOMAIN"}) {
            qunsetenv(name);
        }
        m_env.reset();
    }

    void tunnelComesUpWithRoutesVersionAndConnection() {
        qputenv("ZUVO_TEST_TUNNEL_STATUS", "1,1,2");
        m_answers = 1;
        CMainWindow& phone = OpenPhone();
        QVERIFY(phone.tunnel() != nullptr);
        QVERIFY2(test::WaitUntil([this] { return Status() == u"Ready to call"_s; }, kLong),
                 qPrintable(Status() + u"; "_s + Calls().join(u';') + u"; "_s +
                            m_messages.join(u';') + u"; dialogs "_s + QString::number(m_dialogs)));
        QCOMPARE(m_tickShown, QList<bool>{true});
        const QStringList calls = Calls();
        // Stopped before the sign-in, connected, started, polled until up, routes replaced.
        QCOMPARE(calls.mid(0, 7),
                 (QStringList{u"stop"_s, u"connect tunnel.zuvo.example with-key"_s, u"start"_s,
                              u"status"_s, u"status"_s, u"status"_s, u"clear"_s}));
        QVERIFY(calls.contains(u"route 10.1.0.0 255.255.0.0"_s));
        QVERIFY(calls.contains(u"route 10.2.0.0 255.255.0.0"_s));
        QCOMPARE(phone.state().service.tunnelLocalAddress, u"127.0.0.77"_s);

        const auto routes = Requests(u"VP"_s);
        QCOMPARE(routes.size(), 1);
        QCOMPARE(routes[0].value(u"headers"_s).toObject().value(u"user-agent"_s).toString(),
                 u"Version Session"_s);
        QVERIFY(!routes[0].value(u"target"_s).toString().contains(u"key="_s));
        const auto checks = Requests(u"VV"_s);
        QVERIFY(!checks.isEmpty());
        QVERIFY2(
            checks.last().value(u"target"_s).toString().contains(u"&vpnver=ScriptVPN%201.0%20bu"_s),
            qPrintable(checks.last().value(u"target"_s).toString()));
        QTRY_VERIFY_WITH_TIMEOUT(!Requests(u"AB"_s).isEmpty(), 10000);
        const QString connection = Requests(u"AB"_s)
                                       .first()
                                       .value(u"facts"_s)
                                       .toObject()
                                       .value(u"connection"_s)
                                       .toString();
        QVERIFY2(connection.endsWith(u"|tun-test|ScriptVPN 1.0 bu"_s), qPrintable(connection));
        QVERIFY(m_messages.isEmpty());
    }

    void failingTunnelStopsAndSays6604() {
        const QString unavailable = StringTable::Global().Text(StringId::ServiceUnavailable);
        // Connecting, then a failure status; then a start that fails outright.
        for (const char* script : {"status", "start"}) {
            QFile::remove(m_log);
            m_messages.clear();
            m_dialogs = 0;
            if (QByteArray(script) == "status") {
                qputenv("ZUVO_TEST_TUNNEL_STATUS", "1,5");
            } else {
                qputenv("ZUVO_TEST_TUNNEL_START", "fail");
            }
            m_answers = 1;
            OpenPhone();
            QTRY_COMPARE_WITH_TIMEOUT(m_dialogs, 2, 20000);
            QCOMPARE(m_messages.size(), 1);
            QCOMPARE(m_messages[0], unavailable);
            const QStringList calls = Calls();
            QVERIFY2(calls.indexOf(u"stop"_s, calls.indexOf(u"start"_s)) > 0,
                     qPrintable(calls.join(u';')));
            QVERIFY(!calls.contains(u"clear"_s));  // no routes through a tunnel that is down
            ClosePhone();
            qunsetenv("ZUVO_TEST_TUNNEL_START");
        }
    }
};

QTEST_MAIN(TestTunnelSignin)
#include "tst_tunnel_signin.moc"
