#pragma once

#include <QString>

#include <atomic>
#include <optional>

#include "service/proxy_settings.h"
#include "service/service_request.h"

namespace zuvo::service {

class ProxyCredentialsPrompt;

// Inputs of one call report (task MC), copied from the window's state on the main thread.
struct CallAuthorisationInput {
    QString host;
    bool secure = false;
    ProxySettings proxy;
    QString requestKey;
    QString version;
    QString dialled;  // digits only, without "00" or "+"
    QString proxyHost;
    QString proxyPort;
    bool askMinutes = false;  // minutes enabled by the service and not switched off
};

struct CallAuthorisationResult {
    bool succeeded = false;
    std::optional<QString> minutes;  // MINUTES, only when asked for
};

// Host and port of a SIP server address "host" or "host:port"; without a port the transport's
// usual one (5061 for TLS, else 5060).
struct ProxyHostPort {
    QString host;
    QString port;
};
ProxyHostPort SplitProxyAddress(const QString& address, const QString& transport);

// The object of an MC request.
QString CallAuthorisationRequestObject(const CallAuthorisationInput& input);

// Reads a reply that arrived with status 200; the reply is not examined when minutes were not
// asked for.
CallAuthorisationResult EvaluateCallAuthorisationReply(const QString& reply,
                                                       const CallAuthorisationInput& input);

// Runs task MC on the calling (worker) thread. Blocks until the exchange ends; never touches
// window state. The call never waits for it. prompt (not owned) is asked when a proxy wants
// credentials.
CallAuthorisationResult AuthoriseCall(const CallAuthorisationInput& input,
                                      const std::atomic_bool* cancel = nullptr,
                                      const RequestLimits& limits = {},
                                      ProxyCredentialsPrompt* prompt = nullptr);

}  // namespace zuvo::service
