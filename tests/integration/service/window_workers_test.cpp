// The main window's service workers against the provider simulator and a real tinyproxy with Basic
// authentication: results reach only the sign-in that asked for them, and a proxy's question
// reaches the user through the proxy dialog while the worker waits.

#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

#include <functional>
#include <memory>

#include "app/dialogs/proxy_dialog.h"
#include "app/ui/main_window.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "service/service_request.h"
#include "tests/support/provider_simulator.h"
#include "tests/support/test_environment.h"
#include "tests/support/tinyproxy.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using namespace zuvo::test;

namespace {

const char kAccounts[] = R"({
  "accounts": [
    {"account": "12345", "pin": "9876", "as": "1", "phonecfg": "0", "balance": "4.10",
     "currency": "EUR", "minutes": "42", "pxy": ["127.0.0.1:%1:UDP"], "hosts": [], "web": []}
  ],
  "routes": []
})";

// A plain GET on the simulator's control targets, without the main loop.
QByteArray SimGet(const QString& host, const QString& object) {
    service::ServiceRequest request;
    service::RequestParameters p;
    p.agentName = u"Test"_s;
    p.host = host;
    p.object = object;
    p.proxy.mode = service::ProxySettings::Direct;
    request.Perform(p);
    return request.reply().toUtf8();
}

// The requests the simulator saw for a task ("task=AB").
QJsonArray Requests(const QString& host, const QString& task) {
    QJsonArray matching;
    const QJsonArray log = QJsonDocument::fromJson(SimGet(host, u"sim/log"_s)).array();
    for (const QJsonValue& entry : log) {
        if (entry[u"target"_s].toString().contains(task)) {
            matching.append(entry);
        }
    }
    return matching;
}

// Waits for predicate without running the main loop, so results queued meanwhile stay queued.
bool WaitHoldingTheLoop(const std::function<bool()>& predicate) {
    for (int waited = 0; waited < 10000; waited += 20) {
        if (predicate()) {
            return true;
        }
        QThread::msleep(20);
    }
    return false;
}

}  // namespace

class TestWindowWorkers : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<ProviderSimulator> m_sim;
    std::unique_ptr<Tinyproxy> m_proxy;
    std::unique_ptr<CMainWindow> m_window;
    QString m_web;  // 127.0.0.1:port of the simulator
    int m_proxyPort = 0;

    // A window whose configured web server is the simulator, with account 12345 and its key.
    CMainWindow& Window(const service::ProxySettings& proxy) {
        Profile::Phone().WriteString(u"Network"_s, u"Web Server"_s, m_web);
        m_window = std::make_unique<CMainWindow>();
        // No sign-in dialog: the tests start what they need themselves.
        QCoreApplication::removePostedEvents(&m_window->port());
        CMainWindow& w = *m_window;
        w.account().userName = u"12345"_s;
        w.account().password = u"9876"_s;
        w.mutableState().account.number = u"12345"_s;
        w.mutableState().settings.proxy = proxy;
        w.RebuildRequestKey();
        return w;
    }

    service::ProxySettings ThroughProxy() const {
        service::ProxySettings proxy;
        proxy.mode = service::ProxySettings::Explicit;
        proxy.address = u"127.0.0.1"_s;
        proxy.httpPort = m_proxyPort;
        proxy.httpsPort = m_proxyPort;
        return proxy;
    }

    static service::ProxySettings Direct() {
        service::ProxySettings proxy;
        proxy.mode = service::ProxySettings::Direct;
        return proxy;
    }

    // Waits for the proxy's question and answers it (OK with these credentials, or Cancel).
    static bool Answer(CMainWindow& w, bool confirm, const QString& user = {},
                       const QString& password = {}) {
        CProxyDialog* dialog = nullptr;
        const bool shown = WaitUntil([&] {
            dialog = w.findChild<CProxyDialog*>();
            return dialog != nullptr && dialog->isVisible();
        });
        if (!shown) {
            return false;
        }
        auto* userEdit = dialog->findChild<QLineEdit*>(QString::number(Ctl::Proxy::UserName));
        auto* passwordEdit = dialog->findChild<QLineEdit*>(QString::number(Ctl::Proxy::Password));
        if (!userEdit->isEnabled() || !passwordEdit->isEnabled()) {
            return false;
        }
        userEdit->setText(user);
        passwordEdit->setText(password);
        dialog->findChild<QPushButton*>(confirm ? u"1"_s : u"2"_s)->click();
        return true;
    }

private Q_SLOTS:
    void init() {
        m_env = std::make_unique<TestEnvironment>();
        // The SIP server is a port where nothing answers: registering is not what is tested.
        m_sim = std::make_unique<ProviderSimulator>(
            m_env->path(u"sim"_s), QString::fromLatin1(kAccounts).arg(FreePort(true)).toUtf8());
        QVERIFY2(m_sim->Start(), qPrintable(m_sim->error()));
        m_web = m_sim->httpHost();

        m_proxy = std::make_unique<Tinyproxy>(m_env->path(u"proxy"_s), u"user"_s, u"pass"_s);
        QVERIFY2(m_proxy->Start(), m_proxy->output().constData());
        m_proxyPort = m_proxy->port();
    }

    void cleanup() {
        m_window.reset();
        m_proxy.reset();
        m_sim.reset();
        qunsetenv("http_proxy");
        m_env.reset();
    }

    void resultsReachOnlyTheSignInThatAsked() {
        CMainWindow& w = Window(Direct());
        w.StartBalanceRequest(true);
        QTRY_COMPARE(w.state().display.balanceText, u"EUR 4.10"_s);

        // The next reply is on its way back while the user signs out: it must not show.
        w.mutableState().display.balanceText.clear();
        w.StartBalanceRequest(true);
        QVERIFY(WaitHoldingTheLoop([&] { return Requests(m_web, u"task=AB"_s).size() == 2; }));
        QThread::msleep(1000);  // the reply arrives and waits in the queue
        w.CancelConnection();   // what sign-out and close do first
        QTest::qWait(300);
        QCOMPARE(w.state().display.balanceText, QString());

        // The same for a call report's minutes, in a window that has not signed out.
        m_window.reset();
        CMainWindow& next = Window(Direct());
        next.mutableState().service.minutesEnabled = true;
        next.mutableState().call.active = true;
        next.StartCallAuthorisation(u"441234567890"_s);
        QTRY_VERIFY(next.state().display.minutesShown);
        QCOMPARE(next.state().display.minutesText, u"42"_s);
        next.mutableState().display.minutesShown = false;
        next.StartCallAuthorisation(u"441234567890"_s);
        QVERIFY(WaitHoldingTheLoop([&] { return Requests(m_web, u"task=MC"_s).size() == 2; }));
        QThread::msleep(1000);
        next.CancelConnection();
        QTest::qWait(300);
        QVERIFY(!next.state().display.minutesShown);
    }

    void theProxysQuestionReachesTheUser() {
        CMainWindow& w = Window(ThroughProxy());

        // Declined: the request fails and nothing changes.
        w.StartBalanceRequest(true);
        QVERIFY(Answer(w, false));
        QTest::qWait(300);
        QCOMPARE(w.state().display.balanceText, QString());
        QVERIFY(Requests(m_web, u"task=AB"_s).isEmpty());

        // Answered: the request goes through the proxy, and the answer is kept like the proxy
        // dialog's.
        QTRY_VERIFY(w.findChild<CProxyDialog*>() == nullptr);
        w.StartBalanceRequest(true);
        QVERIFY(Answer(w, true, u"user"_s, u"pass"_s));
        QTRY_COMPARE(w.state().display.balanceText, u"EUR 4.10"_s);
        const QJsonArray balance = Requests(m_web, u"task=AB"_s);
        QCOMPARE(balance.size(), 1);
        QVERIFY(balance[0][u"headers"_s][u"via"_s].toString().contains(u"tinyproxy"_s));
        QCOMPARE(w.state().settings.proxy.userName, u"user"_s);
        QCOMPARE(Profile::Phone().GetString(u"Network\\Proxy"_s, u"Username"_s, {}), u"user"_s);

        // The call report asks too.
        w.mutableState().settings.proxy = ThroughProxy();
        w.StartCallAuthorisation(u"441234567890"_s);
        QVERIFY(Answer(w, true, u"user"_s, u"pass"_s));
        QTRY_COMPARE(Requests(m_web, u"task=MC"_s).size(), 1);
    }

    void theSignInAsksThroughTheDesktopsProxy() {
        // The desktop's proxy wants a password the phone has never been given.
        qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(m_proxyPort));
        service::ProxySettings desktop;
        desktop.mode = service::ProxySettings::System;
        CMainWindow& w = Window(desktop);
        w.StartConnection();
        // The service check, then the server configuration.
        QVERIFY(Answer(w, true, u"user"_s, u"pass"_s));
        QVERIFY(Answer(w, true, u"user"_s, u"pass"_s));
        QTRY_VERIFY(w.state().signin.configurationReceived);
        for (const QString& task : {u"task=VV"_s, u"task=SP"_s}) {
            const QJsonArray seen = Requests(m_web, task);
            QVERIFY2(!seen.isEmpty(), qPrintable(task));
            QVERIFY(seen[0][u"headers"_s][u"via"_s].toString().contains(u"tinyproxy"_s));
        }
        w.CancelConnection();
    }

    void signOutAndCloseEndTheQuestion() {
        CMainWindow& w = Window(ThroughProxy());
        w.StartBalanceRequest(true);
        QTRY_VERIFY(w.findChild<CProxyDialog*>() != nullptr);
        QPointer<CProxyDialog> dialog = w.findChild<CProxyDialog*>();
        w.CancelConnection();
        QTRY_VERIFY(dialog.isNull());
        QVERIFY(Requests(m_web, u"task=AB"_s).isEmpty());

        // The next sign-in's request may ask again; closing with the question open ends it.
        w.StartConnection();
        QTRY_VERIFY(w.findChild<CProxyDialog*>() != nullptr);
        dialog = w.findChild<CProxyDialog*>();
        m_window.reset();
        QVERIFY(dialog.isNull());
    }
};

QTEST_MAIN(TestWindowWorkers)
#include "window_workers_test.moc"
