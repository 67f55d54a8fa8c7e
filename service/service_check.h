#pragma once

#include <QString>

#include <atomic>
#include <optional>

#include "service/proxy_settings.h"
#include "service/service_request.h"

namespace zuvo::service {

class ProxyCredentialsPrompt;

// Inputs of one service check (task VV), copied from the window's state by the caller.
struct ServiceCheckInput {
    QString host;
    bool secure = false;
    ProxySettings proxy;
    QString requestKey;
    QString version;
    QString accountNumber;  // the stored account, before the reply's "uc"
    QString tunnelVersion;  // empty when there is no connected tunnel
};

// What the check found; the caller applies it to the window's state on its own thread.
struct ServiceCheckResult {
    bool passed = false;
    // The account to keep: the reply's non-empty "uc" replaces the stored one, even when the
    // check then fails on its key.
    QString accountNumber;
    bool accountReplaced = false;
    bool automaticSignIn = false;
    // Present only when the reply carried "phonecfg"; the feature flags otherwise keep their
    // previous values.
    std::optional<unsigned> phoneConfig;
    bool minutesEnabled() const { return phoneConfig && (*phoneConfig & 0x100U) != 0; }
    bool popupsEnabled() const { return phoneConfig && (*phoneConfig & 0x200U) != 0; }
    // A page to open in the pop-up window at 800 x 600; empty for none.
    QString pageAddress;
    int statusCode = 0;  // HTTP status of the exchange
};

// Page area of the page a service check opens.
inline constexpr int kServicePageWidth = 800;
inline constexpr int kServicePageHeight = 600;

// Applies the rules of the check to a reply that arrived with status 200.
ServiceCheckResult EvaluateServiceCheckReply(const QString& reply, const QString& accountNumber);

// Runs task VV against input.host on the calling (worker) thread and evaluates the reply.
// Blocks until the exchange ends; never touches window state.
ServiceCheckResult CheckService(const ServiceCheckInput& input,
                                ProxyCredentialsPrompt* prompt = nullptr,
                                const std::atomic_bool* cancel = nullptr,
                                const RequestLimits& limits = {});

}  // namespace zuvo::service
