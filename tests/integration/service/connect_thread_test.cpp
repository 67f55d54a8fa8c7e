// The connect thread against the provider simulator: a service that answers but signs no one in
// sends the user back to the sign-in dialog, and not while the preferences sheet is up.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "service/request_cipher.h"
#include "service/request_key.h"
#include "telephony/discovery/connection_threads.h"
#include "tests/support/provider_simulator.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using namespace zuvo::test;

namespace {

// The window's side of the connect thread, recorded. PreferencesOpen counts how often the
// thread asked, so the test knows it is waiting rather than guessing from the clock.
class RecordingReporter : public ConnectionReporter {
public:
    std::atomic_bool preferencesOpen{false};
    std::atomic_int preferencesAsked{0};
    std::atomic_int checks{0};

    RecordingReporter() { m_cipher.InitRequestCipher(); }

    // A well-formed key with a PIN the service does not know: it answers, but signs no one in.
    QString RebuildRequestKey(const QString& account) override {
        service::RequestKey key(m_cipher);
        service::RequestKeyInputs inputs;
        inputs.accountNumber = account;
        inputs.pin = u"0000"_s;
        inputs.version = u"5.85.EN.000.600.002"_s;
        return key.BuildRequestKey(inputs, [] { return u"127.0.0.1"_s; });
    }
    void ServiceChecked(const service::ServiceCheckResult&) override { ++checks; }
    void WebServerChosen(const WebServerChoice&) override {}
    void StartServerConfiguration(const WebServerChoice&, const QString&) override {
        std::lock_guard lock(m_mutex);
        m_events << u"configuration"_s;
    }
    void ServerConfigurationReceived(const ServerConfiguration&) override {}
    void SigninPrompt(int reason) override {
        std::lock_guard lock(m_mutex);
        m_events << u"prompt %1"_s.arg(reason);
    }
    void UnattendedStep(ExitCode) override {}
    bool PreferencesOpen() override {
        ++preferencesAsked;
        return preferencesOpen.load();
    }
    QStringList events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    service::RequestCipher m_cipher;
    mutable std::mutex m_mutex;
    QStringList m_events;
};

// Account 12345 signing in directly through the simulator.
ConnectJob JobFor(const ProviderSimulator& sim) {
    ConnectJob job;
    job.configuredWebServer = sim.httpHost();
    job.serverAddresses = {QString()};
    job.proxy.mode = service::ProxySettings::Direct;
    job.version = u"4.2.5"_s;
    job.account = u"12345"_s;
    return job;
}

// The provider simulator, started on this thread; each case then runs on a thread of its own.
// QProcess starts a child with a vfork-like clone whose child runs on the starting thread's
// ThreadSanitizer state, and the sanitizer sees none of that thread's locks and atomics after it:
// the thread that drives and checks the connect thread must be one that started no process.
class ConnectThread : public ::testing::Test {
protected:
    void SetUp() override {
        m_sim = std::make_unique<ProviderSimulator>(
            m_env.path(u"sim"_s), R"({"accounts": [{"account": "12345", "pin": "9876"}]})");
        ASSERT_TRUE(m_sim->Start()) << m_sim->error().toStdString();
    }

    static void OnThreadOfItsOwn(const std::function<void()>& body) {
        std::thread driver(body);
        driver.join();
    }

    TestEnvironment m_env;
    std::unique_ptr<ProviderSimulator> m_sim;
};

}  // namespace

TEST_F(ConnectThread, RefusedSignInWaitsForThePreferencesToClose) {
    const ConnectJob job = JobFor(*m_sim);
    OnThreadOfItsOwn([&] {
        RecordingReporter reporter;
        reporter.preferencesOpen = true;
        std::atomic_bool cancel{false};
        std::thread worker([&] { RunConnect(job, reporter, cancel); });

        // The service answered, the thread has looked at the sheet more than once, and the user
        // has not been asked yet.
        const bool waiting = WaitUntil([&] { return reporter.preferencesAsked.load() >= 3; },
                                       std::chrono::seconds(30));
        EXPECT_TRUE(waiting);
        EXPECT_GE(reporter.checks.load(), 1);
        EXPECT_TRUE(reporter.events().isEmpty()) << reporter.events().join(u',').toStdString();

        reporter.preferencesOpen = false;
        worker.join();
        EXPECT_EQ(reporter.events(), QStringList{u"prompt 1"_s});
    });
}

TEST_F(ConnectThread, CancelEndsTheWaitForThePreferences) {
    const ConnectJob job = JobFor(*m_sim);
    OnThreadOfItsOwn([&] {
        RecordingReporter reporter;
        reporter.preferencesOpen = true;
        std::atomic_bool cancel{false};
        std::thread worker([&] { RunConnect(job, reporter, cancel); });
        EXPECT_TRUE(WaitUntil([&] { return reporter.preferencesAsked.load() >= 1; },
                              std::chrono::seconds(30)));
        cancel = true;
        worker.join();
        EXPECT_TRUE(reporter.events().isEmpty());
    });
}
