#pragma once

#include <QString>

#include <atomic>
#include <optional>

#include "service/call_authorisation.h"
#include "telephony/discovery/connection_threads.h"

namespace zuvo {

struct PhoneState;

namespace service {
class ProxyCredentialsPrompt;
}  // namespace service

// The call authorisation (task MC) of a call being placed: one at a time, built from copies of
// the phone's state on the main thread, run on a worker; its minutes shown on the main thread.
class CallAuthorisationTask {
public:
    // How long the call's minutes stay on the display.
    static constexpr int kMinutesShownMs = 10'000;

    // Main thread. The request for the dialled number, or nothing while one runs. The minutes of
    // an earlier call stop showing.
    std::optional<service::CallAuthorisationInput> Begin(const QString& dialled, PhoneState& state,
                                                         const WebServerChoice& web,
                                                         const QString& requestKey);

    // Worker thread: sends the request; blocks until done.
    static service::CallAuthorisationResult Run(const service::CallAuthorisationInput& input,
                                                const std::atomic_bool* cancel,
                                                service::ProxyCredentialsPrompt* prompt);

    // Main thread: stores the minutes to show. True when they are to be drawn and timed; a reply
    // that comes after its call has ended shows nothing (it would be a stale limit on the next).
    bool Apply(const service::CallAuthorisationResult& result, PhoneState& state);

    // The sign-in ended: a running request's reply can no longer arrive.
    void Reset() { m_busy = false; }

    bool Busy() const { return m_busy; }

private:
    bool m_busy = false;
};

// The SIP proxy in use split into host and port; empty before the service has sent any.
service::ProxyHostPort CurrentProxy(const PhoneState& state);

}  // namespace zuvo
