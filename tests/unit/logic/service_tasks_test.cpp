#include <gtest/gtest.h>

#include "app/logic/balance_task.h"
#include "app/logic/call_authorisation_task.h"
#include "app/logic/connection_task.h"
#include "app/logic/phone_state.h"
#include "service/request_cipher.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

struct ReadyCipher : service::RequestCipher {
    ReadyCipher() { InitRequestCipher(); }
};

// A signed-in phone: a SIP server list with the second entry in use, a configured proxy.
PhoneState SignedInState() {
    PhoneState state;
    state.account.number = u"1234567"_s;
    state.call.dialledNumber = u"+4420"_s;
    state.settings.version = u"2.1"_s;
    state.settings.proxy.address = u"proxy.example"_s;
    state.servers.entries = {{u"sip1.zuvo.test"_s, u"UDP"_s, {}},
                             {u"sip2.zuvo.test:5070"_s, u"TLS"_s, {}}};
    state.servers.current = 1;
    return state;
}

TEST(BalanceTask, BuildsEachRequestFromTheStateOneAtATime) {
    const ReadyCipher cipher;
    const PhoneState state = SignedInState();
    WebServerChoice web{u"web.zuvo.test"_s, 1, 5};
    BalanceTask task;

    // With the connection: "&CP=" describes the proxy in use and the capped web index, which is
    // also kept; no call is charged.
    std::optional<service::BalanceInput> input = task.Begin(true, state, web, u"KEY"_s, cipher);
    ASSERT_TRUE(input);
    EXPECT_EQ(web.index, 2);
    const service::ConnectionDescription described{
        .proxyHost = u"sip2.zuvo.test"_s, .proxyPort = u"5070"_s, .secure = true, .webIndex = 2};
    EXPECT_EQ(input->connectionSuffix, service::ConnectionSuffix(described, cipher));
    EXPECT_TRUE(input->connectionSuffix.startsWith(u"&CP="_s));
    EXPECT_EQ(input->host, u"web.zuvo.test"_s);
    EXPECT_TRUE(input->secure);
    EXPECT_EQ(input->proxy.address, u"proxy.example"_s);
    EXPECT_EQ(input->requestKey, u"KEY"_s);
    EXPECT_EQ(input->version, u"2.1"_s);
    EXPECT_EQ(input->accountNumber, u"1234567"_s);
    EXPECT_TRUE(input->dialledNumber.isEmpty());
    EXPECT_TRUE(task.Busy());

    // While it runs, no second request starts.
    EXPECT_FALSE(task.Begin(false, state, web, u"KEY"_s, cipher));

    // The reply's reference and balance are stored; the next request (after a call) carries the
    // reference and the dialled number and no connection text.
    PhoneState stored = state;
    service::BalanceResult result;
    result.callReference = u"REF9"_s;
    result.balanceText = u"12.50"_s;
    task.Apply(result, stored);
    EXPECT_EQ(stored.display.balanceText, u"12.50"_s);
    EXPECT_TRUE(task.Busy());  // until the window has shown what the reply asks for
    task.Finished();
    input = task.Begin(false, state, web, u"KEY"_s, cipher);
    ASSERT_TRUE(input);
    EXPECT_EQ(input->lastCallReference, u"REF9"_s);
    EXPECT_EQ(input->dialledNumber, u"+4420"_s);
    EXPECT_TRUE(input->connectionSuffix.isEmpty());

    // A reply without balance or reference leaves both alone; a reset sign-in may ask again.
    task.Apply({}, stored);
    EXPECT_EQ(stored.display.balanceText, u"12.50"_s);
    task.Reset();
    input = task.Begin(false, state, web, u"KEY"_s, cipher);
    ASSERT_TRUE(input);
    EXPECT_EQ(input->lastCallReference, u"REF9"_s);
}

TEST(BalanceTask, ConnectionTextWithoutServersOrCipher) {
    PhoneState state = SignedInState();
    state.servers.entries.clear();
    WebServerChoice web{u"web.zuvo.test"_s, 0, 1};
    BalanceTask task;
    const ReadyCipher cipher;
    std::optional<service::BalanceInput> input = task.Begin(true, state, web, {}, cipher);
    ASSERT_TRUE(input);
    EXPECT_EQ(input->connectionSuffix,
              service::ConnectionSuffix({.secure = false, .webIndex = 1}, cipher));
    EXPECT_FALSE(input->secure);

    // A cipher that cannot encipher gives no connection text; the request still goes.
    task.Reset();
    input = task.Begin(true, SignedInState(), web, {}, service::RequestCipher());
    ASSERT_TRUE(input);
    EXPECT_TRUE(input->connectionSuffix.isEmpty());
}

TEST(CallAuthorisationTask, RequestAndMinutesOfTheCallInProgress) {
    PhoneState state = SignedInState();
    state.display.minutesShown = true;
    state.service.minutesEnabled = true;
    state.settings.displayMinutes = true;
    const WebServerChoice web{u"web.zuvo.test"_s, 0, 0};
    CallAuthorisationTask task;

    std::optional<service::CallAuthorisationInput> input =
        task.Begin(u"4420"_s, state, web, u"KEY"_s);
    ASSERT_TRUE(input);
    EXPECT_FALSE(state.display.minutesShown);
    EXPECT_EQ(input->dialled, u"4420"_s);
    EXPECT_EQ(input->proxyHost, u"sip2.zuvo.test"_s);
    EXPECT_EQ(input->proxyPort, u"5070"_s);
    EXPECT_EQ(input->host, u"web.zuvo.test"_s);
    EXPECT_FALSE(input->secure);
    EXPECT_EQ(input->requestKey, u"KEY"_s);
    EXPECT_EQ(input->proxy.address, u"proxy.example"_s);
    EXPECT_TRUE(input->askMinutes);
    EXPECT_FALSE(task.Begin(u"4420"_s, state, web, u"KEY"_s));

    // Minutes of a call still in progress show; the task is free again.
    state.call.active = true;
    EXPECT_TRUE(task.Apply({.succeeded = true, .minutes = u"42"_s}, state));
    EXPECT_EQ(state.display.minutesText, u"42"_s);
    EXPECT_TRUE(state.display.minutesShown);
    EXPECT_FALSE(task.Busy());

    // A reply after the call ended, or one without minutes, shows nothing.
    state.display.minutesShown = false;
    ASSERT_TRUE(task.Begin(u"4420"_s, state, web, u"KEY"_s));
    state.call.active = false;
    EXPECT_FALSE(task.Apply({.succeeded = true, .minutes = u"7"_s}, state));
    EXPECT_EQ(state.display.minutesText, u"42"_s);
    EXPECT_FALSE(state.display.minutesShown);
    state.call.active = true;
    EXPECT_FALSE(task.Apply({.succeeded = true, .minutes = std::nullopt}, state));
    EXPECT_FALSE(task.Busy());

    // Minutes are asked for only when the service offers them and the user wants them.
    state.settings.displayMinutes = false;
    input = task.Begin(u"4420"_s, state, web, {});
    ASSERT_TRUE(input);
    EXPECT_FALSE(input->askMinutes);
    task.Reset();
    state.settings.displayMinutes = true;
    state.service.minutesEnabled = false;
    input = task.Begin(u"4420"_s, state, web, {});
    ASSERT_TRUE(input);
    EXPECT_FALSE(input->askMinutes);
}

TEST(CallAuthorisationTask, ProxyOfAServerOutsideTheList) {
    PhoneState state = SignedInState();
    for (int index : {-1, 2, 100}) {
        state.servers.current = index;
        const service::ProxyHostPort proxy = CurrentProxy(state);
        EXPECT_TRUE(proxy.host.isEmpty()) << index;
        EXPECT_TRUE(proxy.port.isEmpty()) << index;
    }
    state.servers.current = 0;
    EXPECT_EQ(CurrentProxy(state).host, u"sip1.zuvo.test"_s);
    EXPECT_EQ(CurrentProxy(state).port, u"5060"_s);
}

TEST(ConnectionTask, JobsCarryTheSettingsAndReportsChangeTheState) {
    PhoneState state;
    state.settings.webServer = u"web.zuvo.test:8080"_s;
    state.settings.serverAddresses = {u"alt.zuvo.test"_s, QString()};
    state.settings.proxy.address = u"proxy.example"_s;
    state.settings.version = u"2.1"_s;
    state.settings.language = u"de"_s;
    state.unattended.enabled = true;

    state.account.record.userName = u"555"_s;
    const ConnectJob job = ConnectionTask::Begin(state, true);
    EXPECT_EQ(state.account.number, u"555"_s);
    EXPECT_TRUE(state.signin.signingIn);
    EXPECT_EQ(job.configuredWebServer, u"web.zuvo.test:8080"_s);
    EXPECT_EQ(job.serverAddresses, state.settings.serverAddresses);
    EXPECT_EQ(job.proxy.address, u"proxy.example"_s);
    EXPECT_EQ(job.version, u"2.1"_s);
    EXPECT_EQ(job.account, u"555"_s);
    EXPECT_TRUE(job.unattended);
    EXPECT_TRUE(job.connectStep);
    EXPECT_EQ(job.prompt, nullptr);

    const service::RequestKeyInputs key =
        ConnectionTask::KeyInputs(u"555"_s, u"9999"_s, state.settings);
    EXPECT_EQ(key.accountNumber, u"555"_s);
    EXPECT_EQ(key.pin, u"9999"_s);
    EXPECT_EQ(key.version, u"2.1"_s);
    EXPECT_EQ(key.language, u"de"_s);

    state.signin.signingIn = false;
    const ServerConfigurationJob configuration =
        ConnectionTask::ConfigurationJob({u"web.zuvo.test"_s, 1, 2}, u"556"_s, state);
    EXPECT_TRUE(state.signin.signingIn);
    EXPECT_EQ(configuration.web.host, u"web.zuvo.test"_s);
    EXPECT_EQ(configuration.web.index, 2);
    EXPECT_EQ(configuration.account, u"556"_s);
    EXPECT_EQ(configuration.proxy.address, u"proxy.example"_s);
    EXPECT_TRUE(configuration.unattended);

    // The check's account replaces the signed-in one; its feature flags only when it sent them.
    state.service.minutesEnabled = true;
    state.service.popupsAvailable = true;
    service::ServiceCheckResult check;
    check.accountNumber = u"777"_s;
    EXPECT_EQ(ConnectionTask::ApplyServiceCheck(check, state), QString());
    EXPECT_EQ(state.account.number, u"555"_s);
    EXPECT_TRUE(state.service.minutesEnabled);
    check.accountReplaced = true;
    check.phoneConfig = 0x200U;
    check.pageAddress = u"https://web.zuvo.test/page"_s;
    EXPECT_EQ(ConnectionTask::ApplyServiceCheck(check, state), QString());  // check failed
    EXPECT_EQ(state.account.number, u"777"_s);
    EXPECT_FALSE(state.service.minutesEnabled);
    EXPECT_TRUE(state.service.popupsAvailable);
    check.passed = true;
    EXPECT_EQ(ConnectionTask::ApplyServiceCheck(check, state), u"https://web.zuvo.test/page"_s);

    // A new server list starts from its first entry.
    state.servers.current = 3;
    state.servers.lastGood = 2;
    ServerConfiguration servers;
    servers.servers = {{u"sip1.zuvo.test"_s, u"UDP"_s, {}}};
    ConnectionTask::ApplyServerConfiguration(servers, state);
    EXPECT_EQ(state.servers.entries.size(), 1);
    EXPECT_EQ(state.servers.current, 0);
    EXPECT_EQ(state.servers.lastGood, 0);
    EXPECT_TRUE(state.signin.configurationReceived);
}

}  // namespace
}  // namespace zuvo::test
