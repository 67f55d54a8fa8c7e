// The request layer and the service check against the provider simulator and a real tinyproxy.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <proxy.h>

#include <memory>
#include <mutex>
#include <thread>

#include <dlfcn.h>

#include "service/account_balance.h"
#include "service/call_authorisation.h"
#include "service/proxy_credentials_prompt.h"
#include "service/request_key.h"
#include "service/service_check.h"
#include "service/service_request.h"
#include "service/service_urls.h"
#include "tests/support/provider_simulator.h"
#include "tests/support/test_environment.h"
#include "tests/support/tinyproxy.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo::service;
using namespace zuvo::test;

namespace {

std::mutex g_askedMutex;
QStringList g_askedUrls;

QStringList TakeAskedUrls() {
    std::lock_guard lock(g_askedMutex);
    return std::exchange(g_askedUrls, {});
}

}  // namespace

// Records what the desktop's proxy configuration (a PAC script among it) is shown of a request,
// then hands the question to the real libproxy.
extern "C" char** px_proxy_factory_get_proxies(pxProxyFactory* self, const char* url) {
    {
        std::lock_guard lock(g_askedMutex);
        g_askedUrls << QString::fromUtf8(url);
    }
    using Lookup = char** (*)(pxProxyFactory*, const char*);
    static const auto real =
        reinterpret_cast<Lookup>(dlsym(RTLD_NEXT, "px_proxy_factory_get_proxies"));
    return real != nullptr ? real(self, url) : nullptr;
}

namespace {

const QString kVersion = u"5.85.EN.000.600.002"_s;

const char kAccounts[] = R"({
  "accounts": [
    {"account": "12345", "pin": "9876", "phonecfg": "300", "balance": "4.10",
     "currency": "EUR", "minutes": "42", "pxy": ["127.0.0.1:5060:UDP"],
     "hosts": ["zuvo.test:127.0.0.1"], "web": ["127.0.0.1"],
     "callRecord": {"dur": "00:01:05", "cur": "EUR", "rate": "0.05", "cost": "0.06"},
     "popups": [{"name": "offers.htm", "expiry": "31/12/2037", "control": 0, "freq": 60,
                 "cx": 640, "cy": 480}]},
    {"account": "777", "pin": "1", "as": "1", "uc": "1234567", "phonecfg": "100",
     "page": "http://127.0.0.1/welcome.htm"}
  ],
  "routes": [["10.1.0.0", "255.255.0.0"], ["10.2.0.0", "255.255.0.0"]]
})";

// The simulator, started on free ports for the life of the object.
class Simulator {
public:
    explicit Simulator(const TestEnvironment& env)
        : m_process(env.path(u"sim"_s), kAccounts, true) {
        if (!m_process.Start()) {
            ADD_FAILURE() << m_process.error().toStdString();
            return;
        }
        http = m_process.httpHost();
        https = m_process.httpsHost();
        cert = m_process.certificate();
    }

    // A request of the phone's kind to the simulator.
    ServiceRequest Get(const QString& object, bool secure = false,
                       const ProxySettings& proxy = Direct(), const QString& agentName = u"Test"_s,
                       ProxyCredentialsPrompt* prompt = nullptr,
                       const RequestLimits& limits = {}) const {
        ServiceRequest request;
        request.SetCredentialsPrompt(prompt);
        request.SetLimits(limits);
        RequestParameters p;
        p.agentName = agentName;
        p.host = secure ? https : http;
        p.object = object;
        p.secure = secure;
        p.proxy = proxy;
        request.Perform(p);
        return request;
    }

    void Control(const QString& query) const {
        ASSERT_TRUE(Get(u"sim/control?"_s + query).succeeded()) << query.toStdString();
    }

    QJsonArray Log() const {
        return QJsonDocument::fromJson(Get(u"sim/log"_s).reply().toUtf8()).array();
    }
    QJsonObject LastEntry() const {
        const QJsonArray log = Log();
        return log.isEmpty() ? QJsonObject() : log.last().toObject();
    }

    static ProxySettings Direct() {
        ProxySettings direct;
        direct.mode = ProxySettings::Direct;
        return direct;
    }

    QString http;
    QString https;
    QString cert;

private:
    ProviderSimulator m_process;
};

class TestPrompt : public ProxyCredentialsPrompt {
public:
    bool PromptProxyCredentials(const QString& proxy, QString& user, QString& password) override {
        ++calls;
        asked = proxy;
        user = m_user;
        password = m_password;
        return m_answer;
    }
    void Answer(bool answer, const QString& user = {}, const QString& password = {}) {
        m_answer = answer;
        m_user = user;
        m_password = password;
    }
    int calls = 0;
    QString asked;

private:
    bool m_answer = false;
    QString m_user;
    QString m_password;
};

class ServiceAgainstSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        m_cipher.InitRequestCipher();
        m_sim = std::make_unique<Simulator>(m_env);
        ASSERT_FALSE(m_sim->http.isEmpty()) << "simulator did not start";
        qputenv("ZUVO_CA_FILE", m_sim->cert.toLocal8Bit());
    }
    void TearDown() override { qunsetenv("ZUVO_CA_FILE"); }

    QString Key(const QString& account, const QString& pin) {
        RequestKey key(m_cipher);
        RequestKeyInputs inputs;
        inputs.accountNumber = account;
        inputs.pin = pin;
        inputs.version = kVersion;
        return key.BuildRequestKey(inputs, [] { return u"10.0.0.5:5060"_s; });
    }

    ServiceCheckInput Check(const QString& account, const QString& pin, bool secure) {
        ServiceCheckInput input;
        input.host = secure ? m_sim->https : m_sim->http;
        input.secure = secure;
        input.proxy = Simulator::Direct();
        input.requestKey = Key(account, pin);
        input.version = kVersion;
        input.accountNumber = account;
        return input;
    }

    TestEnvironment m_env;
    RequestCipher m_cipher;
    std::unique_ptr<Simulator> m_sim;
};

}  // namespace

TEST_F(ServiceAgainstSimulator, ServiceCheckOverHttpAndHttps) {
    for (const bool secure : {false, true}) {
        SCOPED_TRACE(secure ? "https" : "http");
        ServiceCheckResult r = CheckService(Check(u"12345"_s, u"9876"_s, secure));
        EXPECT_TRUE(r.passed);
        EXPECT_EQ(r.accountNumber, u"12345"_s);
        EXPECT_FALSE(r.automaticSignIn);
        EXPECT_TRUE(r.minutesEnabled() && r.popupsEnabled());

        // The simulator read our key with its own cipher, and saw the request's frame.
        const QJsonObject entry = m_sim->LastEntry();
        const QJsonObject facts = entry.value(u"facts"_s).toObject();
        EXPECT_EQ(facts.value(u"key"_s).toString(), u"accepted"_s);
        EXPECT_EQ(facts.value(u"localAddress"_s).toString(), u"10.0.0.5"_s);
        EXPECT_EQ(facts.value(u"version"_s).toString(), kVersion);
        const QJsonObject headers = entry.value(u"headers"_s).toObject();
        EXPECT_EQ(headers.value(u"user-agent"_s).toString(), u"Version Session"_s);
        EXPECT_EQ(headers.value(u"cache-control"_s).toString(), u"no-cache"_s);
        EXPECT_EQ(headers.value(u"pragma"_s).toString(), u"no-cache"_s);
        EXPECT_EQ(entry.value(u"secure"_s).toBool(), secure);

        // Wrong PIN: the service answers but signs no one in.
        r = CheckService(Check(u"12345"_s, u"0000"_s, secure));
        EXPECT_TRUE(r.passed);
        EXPECT_FALSE(r.automaticSignIn);
        EXPECT_EQ(r.statusCode, 200);
    }

    // The reply's account, automatic sign-in and page.
    const ServiceCheckResult r = CheckService(Check(u"777"_s, u"1"_s, false));
    EXPECT_TRUE(r.passed);
    EXPECT_EQ(r.accountNumber, u"1234567"_s);
    EXPECT_TRUE(r.automaticSignIn);
    EXPECT_TRUE(r.minutesEnabled());
    EXPECT_FALSE(r.popupsEnabled());
    EXPECT_EQ(r.pageAddress, u"http://127.0.0.1/welcome.htm"_s);

    m_sim->Control(u"mode=no-key"_s);
    EXPECT_FALSE(CheckService(Check(u"12345"_s, u"9876"_s, false)).passed);
}

TEST_F(ServiceAgainstSimulator, CertificateMustBeTrustedButItsNameMayDiffer) {
    // The simulator's certificate names provider.zuvo.test, not 127.0.0.1: tolerated.
    EXPECT_TRUE(m_sim->Get(u"?task=CS"_s, true).succeeded());
    qunsetenv("ZUVO_CA_FILE");
    const ServiceRequest untrusted = m_sim->Get(u"?task=CS"_s, true);
    EXPECT_FALSE(untrusted.succeeded());
    EXPECT_TRUE(untrusted.reply().isEmpty());
}

TEST_F(ServiceAgainstSimulator, TasksAnswerInTheirNotation) {
    const QString key = Key(u"12345"_s, u"9876"_s);
    QString value;

    ServiceRequest sp = m_sim->Get(SipProxyObject(key, kVersion));
    ASSERT_TRUE(sp.succeeded());
    EXPECT_GE(sp.GetReplyValue(u"PXY"_s, value), 0);
    EXPECT_EQ(value, u"1;127.0.0.1:5060:UDP"_s);
    EXPECT_GE(sp.GetReplyValue(u"HOSTS"_s, value), 0);
    EXPECT_EQ(value, u"1;zuvo.test:127.0.0.1"_s);
    EXPECT_GE(sp.GetReplyValue(u"RETRIES"_s, value), 0);
    EXPECT_EQ(value, u"3"_s);

    ServiceRequest mc = m_sim->Get(
        CallAuthorisationObject(u"441234567890"_s, key, u"127.0.0.1"_s, u"5060"_s, kVersion, true));
    EXPECT_GE(mc.GetReplyValue(u"MINUTES="_s, value), 0);
    EXPECT_EQ(value, u"42"_s);
    EXPECT_EQ(m_sim->LastEntry()[u"facts"_s][u"pxy"_s].toString(), u"127.0.0.1:5060"_s);

    RequestCipher cipher;
    cipher.InitRequestCipher();
    QString number = u"441234567890"_s;
    ASSERT_TRUE(cipher.EncipherToHex(number));
    ServiceRequest ab = m_sim->Get(BalanceObject(key, kVersion, {}, number));
    EXPECT_GE(ab.GetReplyValue(u"BALANCE="_s, value), 0);
    EXPECT_EQ(value, u"EUR 4.10"_s);
    EXPECT_GE(ab.GetReplyValue(u"REF="_s, value), 0);
    EXPECT_EQ(m_sim->LastEntry()[u"facts"_s][u"callRecordNumber"_s].toString(), u"441234567890"_s);

    ServiceRequest ga = m_sim->Get(PopupsObject(key, kVersion));
    EXPECT_GE(ga.GetReplyValue(u"POPUP="_s, value), 0);
    EXPECT_EQ(value, u"offers.htm,31/12/2037,0,60,640,480"_s);

    ServiceRequest vp = m_sim->Get(TunnelRoutesObject());
    EXPECT_TRUE(vp.reply().startsWith(u"[10.1.0.0,255.255.0.0][10.2.0.0,255.255.0.0]"_s));

    // A bad key gets no configuration.
    ServiceRequest denied = m_sim->Get(SipProxyObject(u"00FF"_s, kVersion));
    EXPECT_LT(denied.GetReplyValue(u"PXY"_s, value), 0);
}

TEST_F(ServiceAgainstSimulator, StatusOtherThan200LeavesNoReply) {
    for (const QString& mode : {u"404"_s, u"500"_s}) {
        m_sim->Control(u"mode="_s + mode);
        const ServiceRequest r = m_sim->Get(u"?task=CS"_s);
        EXPECT_FALSE(r.succeeded());
        EXPECT_EQ(r.statusCode(), mode.toInt());
        EXPECT_TRUE(r.reply().isEmpty());
    }
    m_sim->Control(u"mode=none"_s);
    // Refused connection: the simulator's own port plus one is not listening.
    RequestParameters p;
    p.host = u"127.0.0.1:"_s + QString::number(FreePort());
    p.object = u"x"_s;
    p.proxy = Simulator::Direct();
    ServiceRequest refused;
    refused.Perform(p);
    EXPECT_FALSE(refused.succeeded());
    EXPECT_EQ(refused.statusCode(), 0);
}

TEST_F(ServiceAgainstSimulator, SilentSlowAndCancelledServersEndInFailure) {
    RequestLimits shortLimits;
    shortLimits.connectTimeout = std::chrono::seconds(2);
    shortLimits.totalTimeout = std::chrono::seconds(2);

    m_sim->Control(u"mode=silent"_s);
    for (const bool secure : {false, true}) {
        const ServiceRequest r =
            m_sim->Get(u"?task=CS"_s, secure, Simulator::Direct(), u"T"_s, nullptr, shortLimits);
        EXPECT_FALSE(r.succeeded());
    }

    // The cancel flag stops a request that the time-outs would let run for a minute. The request
    // and its canceller run on threads that started no process: this one started the simulator,
    // and ThreadSanitizer sees none of its locks and atomics after that.
    const QString host = m_sim->http;
    std::thread requester([&host] {
        std::atomic_bool cancel = false;
        RequestLimits longLimits;
        longLimits.totalTimeout = std::chrono::seconds(60);
        ServiceRequest cancelled;
        cancelled.SetCancelFlag(&cancel);
        cancelled.SetLimits(longLimits);
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            cancel = true;
        });
        RequestParameters p;
        p.host = host;
        p.object = u"?task=CS"_s;
        p.proxy = Simulator::Direct();
        cancelled.Perform(p);
        canceller.join();
        EXPECT_FALSE(cancelled.succeeded());
    });
    requester.join();

    m_sim->Control(u"mode=slow&delay=4"_s);
    EXPECT_FALSE(m_sim->Get(u"?task=CS"_s, false, Simulator::Direct(), u"T"_s, nullptr, shortLimits)
                     .succeeded());
    m_sim->Control(u"delay=1"_s);
    EXPECT_TRUE(m_sim->Get(u"?task=CS"_s).succeeded());
}

TEST_F(ServiceAgainstSimulator, MalformedRepliesAreReadSafely) {
    const QString key = Key(u"12345"_s, u"9876"_s);
    for (const QString& mode : {u"malformed"_s, u"junk"_s}) {
        SCOPED_TRACE(mode.toStdString());
        m_sim->Control(u"mode="_s + mode);
        const ServiceRequest r = m_sim->Get(VersionCheckObject(key, kVersion));
        ASSERT_TRUE(r.succeeded());
        QString value;
        for (const QString& k :
             {u"BALANCE="_s, u"AMOUNT="_s, u"MINUTES="_s, u"POPUP="_s, u"PXY"_s, u"HOSTS"_s}) {
            int at = 0;
            int guard = 0;
            while ((at = r.GetReplyValue(k, value, at)) >= 0 && ++guard < 10000) {
            }
        }
        EXPECT_FALSE(EvaluateServiceCheckReply(r.reply(), u"12345"_s).passed);
    }

    // A large body arrives whole; one over the limit is refused.
    m_sim->Control(u"mode=huge&size=3000000"_s);
    ServiceRequest large = m_sim->Get(VersionCheckObject(key, kVersion));
    ASSERT_TRUE(large.succeeded());
    EXPECT_EQ(large.reply().size(), 3000000);
    EXPECT_TRUE(EvaluateServiceCheckReply(large.reply(), u"12345"_s).passed);
    RequestLimits small;
    small.maxBodyBytes = 1000000;
    const ServiceRequest tooLarge = m_sim->Get(VersionCheckObject(key, kVersion), false,
                                               Simulator::Direct(), u"T"_s, nullptr, small);
    EXPECT_FALSE(tooLarge.succeeded());
    EXPECT_TRUE(tooLarge.reply().isEmpty());
}

// A real tinyproxy with Basic authentication, on a free port of its own.
class ServiceThroughProxy : public ServiceAgainstSimulator {
protected:
    void SetUp() override {
        ServiceAgainstSimulator::SetUp();
        m_proxy = std::make_unique<Tinyproxy>(m_env.path(u"proxy"_s), u"user"_s, u"pass"_s);
        ASSERT_TRUE(m_proxy->Start()) << m_proxy->output().constData();
        m_proxyPort = m_proxy->port();
    }

    ProxySettings Explicit(const QString& user = {}, const QString& password = {}) const {
        ProxySettings proxy;
        proxy.mode = ProxySettings::Explicit;
        proxy.address = u"127.0.0.1"_s;
        proxy.httpPort = m_proxyPort;
        proxy.httpsPort = m_proxyPort;
        proxy.userName = user;
        proxy.password = password;
        return proxy;
    }

    int m_proxyPort = 0;
    std::unique_ptr<Tinyproxy> m_proxy;
};

TEST_F(ServiceThroughProxy, ExplicitProxyWithAndWithoutCredentials) {
    for (const bool secure : {false, true}) {
        SCOPED_TRACE(secure ? "https" : "http");
        const ServiceRequest ok = m_sim->Get(u"?task=CS"_s, secure, Explicit(u"user"_s, u"pass"_s));
        EXPECT_TRUE(ok.succeeded());
        const QJsonObject headers = m_sim->LastEntry()[u"headers"_s].toObject();
        if (secure) {
            // Through the tunnel the server sees neither the proxy's headers nor its mark.
            EXPECT_FALSE(headers.contains(u"proxy-authorization"_s));
            EXPECT_FALSE(headers.contains(u"proxy-connection"_s));
        } else {
            EXPECT_TRUE(headers.value(u"via"_s).toString().contains(u"tinyproxy"_s));
        }

        // Without credentials the proxy refuses, and without a prompt that is the end.
        const ServiceRequest refused = m_sim->Get(u"?task=CS"_s, secure, Explicit(u"user"_s));
        EXPECT_FALSE(refused.succeeded());
        EXPECT_EQ(refused.statusCode(), 407);
        const ServiceRequest wrong =
            m_sim->Get(u"?task=CS"_s, secure, Explicit(u"user"_s, u"wrong"_s));
        EXPECT_FALSE(wrong.succeeded());
        EXPECT_NE(wrong.statusCode(), 200);  // tinyproxy answers 401 to wrong credentials
    }
}

TEST_F(ServiceThroughProxy, PromptOnceAndSendOnceMore) {
    for (const bool secure : {false, true}) {
        SCOPED_TRACE(secure ? "https" : "http");
        TestPrompt prompt;
        prompt.Answer(true, u"user"_s, u"pass"_s);
        const ServiceRequest answered =
            m_sim->Get(u"?task=CS"_s, secure, Explicit(u"user"_s), u"T"_s, &prompt);
        EXPECT_TRUE(answered.succeeded());
        EXPECT_EQ(prompt.calls, 1);
        EXPECT_EQ(prompt.asked, u"127.0.0.1:"_s + QString::number(m_proxyPort));

        // Still wrong after the prompt: no second prompt.
        TestPrompt stubborn;
        stubborn.Answer(true, u"user"_s, u"nope"_s);
        const ServiceRequest still =
            m_sim->Get(u"?task=CS"_s, secure, Explicit(), u"T"_s, &stubborn);
        EXPECT_FALSE(still.succeeded());
        EXPECT_NE(still.statusCode(), 200);
        EXPECT_EQ(stubborn.calls, 1);

        TestPrompt declined;
        EXPECT_FALSE(m_sim->Get(u"?task=CS"_s, secure, Explicit(), u"T"_s, &declined).succeeded());
        EXPECT_EQ(declined.calls, 1);
    }
}

TEST_F(ServiceThroughProxy, SystemModeTakesTheEnvironmentsProxy) {
    const QByteArray proxyUrl = "http://127.0.0.1:" + QByteArray::number(m_proxyPort);
    qputenv("http_proxy", proxyUrl);
    ProxySettings system;
    system.mode = ProxySettings::System;
    const ServiceRequest viaProxy = m_sim->Get(u"?task=CS"_s, false, system);
    EXPECT_EQ(viaProxy.statusCode(), 407);  // the proxy, not the simulator, answered

    TestPrompt prompt;
    prompt.Answer(true, u"user"_s, u"pass"_s);
    EXPECT_TRUE(m_sim->Get(u"?task=CS"_s, false, system, u"T"_s, &prompt).succeeded());
    EXPECT_TRUE(m_sim->LastEntry()[u"headers"_s][u"via"_s].toString().contains(u"tinyproxy"_s));

    // Mode 0 ignores the environment.
    EXPECT_TRUE(m_sim->Get(u"?task=CS"_s, false, Simulator::Direct()).succeeded());
    EXPECT_FALSE(m_sim->LastEntry()[u"headers"_s].toObject().contains(u"via"_s));
    qunsetenv("http_proxy");
}

TEST_F(ServiceThroughProxy, SystemModeShowsTheDesktopOnlyWhereTheRequestGoes) {
    const QByteArray proxyUrl = "http://127.0.0.1:" + QByteArray::number(m_proxyPort);
    qputenv("http_proxy", proxyUrl);
    ProxySettings system;
    system.mode = ProxySettings::System;
    const QString object = VersionCheckObject(Key(u"12345"_s, u"9876"_s), kVersion);
    TakeAskedUrls();

    TestPrompt prompt;
    prompt.Answer(true, u"user"_s, u"pass"_s);
    EXPECT_TRUE(m_sim->Get(object, false, system, u"T"_s, &prompt).succeeded());
    EXPECT_TRUE(m_sim->LastEntry()[u"headers"_s][u"via"_s].toString().contains(u"tinyproxy"_s));
    EXPECT_TRUE(m_sim->Get(object, true, system, u"T"_s, &prompt).succeeded());
    // Neither the path nor the request key: only scheme, host and port.
    EXPECT_EQ(TakeAskedUrls().join(u' ').toStdString(),
              (u"http://"_s + m_sim->http + u"/ https://"_s + m_sim->https + u'/').toStdString());
    qunsetenv("http_proxy");
}

TEST_F(ServiceThroughProxy, ExplicitProxyIsNotBypassedByTheEnvironment) {
    qputenv("NO_PROXY", "127.0.0.1");
    qputenv("no_proxy", "127.0.0.1");
    for (const bool secure : {false, true}) {
        SCOPED_TRACE(secure ? "https" : "http");
        EXPECT_TRUE(m_sim->Get(u"?task=CS"_s, secure, Explicit(u"user"_s, u"pass"_s)).succeeded());
        const QJsonObject headers = m_sim->LastEntry()[u"headers"_s].toObject();
        // The proxy's password never reaches the web server.
        EXPECT_FALSE(headers.contains(u"proxy-authorization"_s));
        if (!secure) {
            EXPECT_TRUE(headers.value(u"via"_s).toString().contains(u"tinyproxy"_s));
        }
        // Only the proxy asks for credentials: the request went there.
        EXPECT_EQ(m_sim->Get(u"?task=CS"_s, secure, Explicit(u"user"_s)).statusCode(), 407);
    }
    // Mode 0 stays direct.
    EXPECT_TRUE(m_sim->Get(u"?task=CS"_s, false, Simulator::Direct()).succeeded());
    EXPECT_FALSE(m_sim->LastEntry()[u"headers"_s].toObject().contains(u"via"_s));
    qunsetenv("NO_PROXY");
    qunsetenv("no_proxy");
}

TEST_F(ServiceAgainstSimulator, BalanceAndCallRecords) {
    ConnectionDescription connection{
        .proxyHost = u"127.0.0.1"_s, .proxyPort = u"5060"_s, .secure = false, .webIndex = 3};
    BalanceInput input;
    input.host = m_sim->http;
    input.proxy = Simulator::Direct();
    input.requestKey = Key(u"12345"_s, u"9876"_s);
    input.version = kVersion;
    input.accountNumber = u"12345"_s;
    input.connectionSuffix = ConnectionSuffix(connection, m_cipher);
    const QString logs = m_env.path(u"Logs"_s);

    // After sign-in: the connection goes with it, no call record is asked for.
    BalanceResult r = RequestBalance(input, m_cipher, logs);
    EXPECT_TRUE(r.succeeded);
    EXPECT_EQ(r.balanceText, u"EUR 4.10"_s);
    EXPECT_TRUE(r.redraw);
    EXPECT_FALSE(r.trigger.has_value());
    EXPECT_TRUE(r.records.isEmpty());
    QJsonObject entry = m_sim->LastEntry();
    QJsonObject facts = entry.value(u"facts"_s).toObject();
    EXPECT_EQ(facts.value(u"key"_s).toString(), u"accepted"_s);
    EXPECT_EQ(facts.value(u"connection"_s).toString(), u"127.0.0.1|5060|0|2"_s);
    EXPECT_FALSE(facts.contains(u"callRecordNumber"_s));
    EXPECT_EQ(entry.value(u"headers"_s).toObject().value(u"user-agent"_s).toString(),
              u"Account Session"_s);
    EXPECT_FALSE(QDir(logs).exists());

    // After a call: the service reads the number without "+" and the day's log gets the record.
    input.connectionSuffix.clear();
    input.dialledNumber = u"+441234567890"_s;
    r = RequestBalance(input, m_cipher, logs);
    ASSERT_TRUE(r.callReference.has_value());
    facts = m_sim->LastEntry().value(u"facts"_s).toObject();
    EXPECT_EQ(facts.value(u"callRecordNumber"_s).toString(), u"441234567890"_s);
    EXPECT_FALSE(facts.contains(u"connection"_s));
    QFile log(QDir(logs).filePath(CallLogFileName(u"12345"_s, QDateTime::currentDateTime())));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(QRegularExpression(u"^\\d\\d:\\d\\d:\\d\\d,BAL,\\d\\d/\\d\\d/\\d{4},"
                                   "\\+441234567890,00:01:05,EUR,0\\.05,0\\.06,4\\.10\\r\\n$"_s)
                    .match(line)
                    .hasMatch())
        << line.toStdString();

    // A wrong key: the service refuses and nothing is taken from the reply.
    input.requestKey = Key(u"12345"_s, u"0000"_s);
    r = RequestBalance(input, m_cipher, logs);
    EXPECT_FALSE(r.balanceText.has_value() || r.callReference.has_value());

    // No service at all: an unsucceeded request.
    input.host = u"127.0.0.1:"_s + QString::number(FreePort(false));
    EXPECT_FALSE(RequestBalance(input, m_cipher, logs).succeeded);
}

TEST_F(ServiceAgainstSimulator, CallAuthorisationMinutes) {
    CallAuthorisationInput input;
    input.host = m_sim->http;
    input.proxy = Simulator::Direct();
    input.requestKey = Key(u"12345"_s, u"9876"_s);
    input.version = kVersion;
    input.dialled = u"441234567890"_s;
    input.proxyHost = u"127.0.0.1"_s;
    input.proxyPort = u"5060"_s;

    input.askMinutes = true;
    CallAuthorisationResult r = AuthoriseCall(input);
    EXPECT_TRUE(r.succeeded);
    EXPECT_EQ(r.minutes, u"42"_s);
    const QJsonObject entry = m_sim->LastEntry();
    const QJsonObject facts = entry.value(u"facts"_s).toObject();
    EXPECT_EQ(facts.value(u"E164"_s).toString(), u"441234567890"_s);
    EXPECT_EQ(facts.value(u"pxy"_s).toString(), u"127.0.0.1:5060"_s);
    EXPECT_EQ(entry.value(u"headers"_s).toObject().value(u"user-agent"_s).toString(),
              u"Make Call"_s);

    input.askMinutes = false;
    r = AuthoriseCall(input);
    EXPECT_TRUE(r.succeeded);
    EXPECT_FALSE(r.minutes.has_value());
}
