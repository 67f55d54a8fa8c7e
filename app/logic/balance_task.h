#pragma once

#include <QString>

#include <atomic>
#include <optional>

#include "service/account_balance.h"
#include "telephony/discovery/connection_threads.h"

namespace zuvo {

struct PhoneState;

namespace service {
class ProxyCredentialsPrompt;
class RequestCipher;
}  // namespace service

// The balance request (task AB): one at a time, built from copies of the phone's state on the
// main thread, run on a worker, its reply stored back on the main thread.
class BalanceTask {
public:
    // Main thread. The request to send, or nothing while one runs (its reply brings the news).
    // With the connection, the request says which proxy and web host are in use, and the web
    // host's stored index is capped as it is reported, so later requests and pages agree.
    std::optional<service::BalanceInput> Begin(bool withConnection, const PhoneState& state,
                                               WebServerChoice& web, const QString& requestKey,
                                               const service::RequestCipher& cipher);

    // Worker thread: sends the request and writes the call records; blocks until done.
    static service::BalanceResult Run(const service::BalanceInput& input,
                                      const service::RequestCipher& cipher,
                                      const QString& logDirectory, const std::atomic_bool* cancel,
                                      service::ProxyCredentialsPrompt* prompt);

    // Main thread: stores the reply's call reference and balance text. The caller then shows
    // what the result asks for and calls Finished.
    void Apply(const service::BalanceResult& result, PhoneState& state);
    void Finished() { m_busy = false; }

    // The sign-in ended: a running request's reply can no longer arrive.
    void Reset() { m_busy = false; }

    bool Busy() const { return m_busy; }
    const QString& LastCallReference() const { return m_lastCallReference; }

private:
    bool m_busy = false;
    QString m_connectionSuffix;   // "" or "&CP=" + enciphered connection text
    QString m_lastCallReference;  // REF of the last call record written
};

}  // namespace zuvo
