#pragma once

#include <QString>

namespace zuvo::service {

// Asks the user for proxy credentials after a proxy answered 407. The window supplies the
// implementation; it is called on the request's worker thread and blocks it until answered, so
// an implementation that shows a dialog must hand the question to the main thread itself.
class ProxyCredentialsPrompt {
public:
    virtual ~ProxyCredentialsPrompt() = default;
    // proxy: the proxy that asked ("host:port"); user and password come filled with the current
    // values. Returns true when the user confirmed (the request is then sent once more).
    virtual bool PromptProxyCredentials(const QString& proxy, QString& user, QString& password) = 0;
};

}  // namespace zuvo::service
