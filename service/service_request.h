#pragma once

#include <QString>

#include <atomic>
#include <chrono>

#include "service/proxy_settings.h"

namespace zuvo::service {

class ProxyCredentialsPrompt;

// What one request needs, copied by the worker thread when it builds the request.
struct RequestParameters {
    QString agentName;  // sent as User-Agent
    QString host;       // web host, optionally "host:port" (that port then wins over 80/443)
    QString object;     // path and query relative to the host's root
    bool secure = false;
    ProxySettings proxy;
};

// Bounds that keep a silent or endless server from holding a worker.
struct RequestLimits {
    std::chrono::milliseconds connectTimeout{10'000};
    std::chrono::milliseconds totalTimeout{30'000};
    qsizetype maxBodyBytes = 8 * 1024 * 1024;
};

// One GET request to the provider's web service over libcurl. Created and used on one worker
// thread; Perform blocks that thread until the exchange ends, fails, times out or is cancelled.
class ServiceRequest {
public:
    ServiceRequest();

    // Asked once when a proxy answers 407; without one a 407 simply fails. Not owned.
    void SetCredentialsPrompt(ProxyCredentialsPrompt* prompt) { m_prompt = prompt; }
    // When the flag becomes true the request stops promptly and fails. Not owned.
    void SetCancelFlag(const std::atomic_bool* cancel) { m_cancel = cancel; }
    void SetLimits(const RequestLimits& limits) { m_limits = limits; }

    // Carries out the request. Afterwards succeeded() is true only when a 200 reply was read
    // whole; its body is then appended to reply(). An empty or malformed host causes no network
    // activity. Nothing is shown to the user and no secret is logged.
    void Perform(const RequestParameters& parameters);

    bool succeeded() const { return m_succeeded; }
    int statusCode() const { return m_statusCode; }
    const QString& reply() const { return m_reply; }

    // Look-ups in reply() (see reply_lookup.h).
    int GetReplyValue(const QString& key, QString& value, int start = 0) const;
    int GetTaggedValue(const QString& tag, QString& value, int start = 0) const;

    // Makes sure a system-wide offline mode never blocks the service. Linux has no such mode:
    // this does nothing.
    static void ForceOnline() {}

    // True for "name", "name:port", "1.2.3.4", "[v6]:port": nothing that could change the URL.
    static bool IsValidHost(const QString& host);

private:
    ProxyCredentialsPrompt* m_prompt = nullptr;
    const std::atomic_bool* m_cancel = nullptr;
    RequestLimits m_limits;
    QString m_reply;
    bool m_succeeded = false;
    int m_statusCode = 0;
};

}  // namespace zuvo::service
