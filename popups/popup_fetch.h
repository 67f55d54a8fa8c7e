#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <optional>

#include "popups/popup_reply.h"
#include "service/proxy_settings.h"

namespace zuvo {

namespace service {
class ProxyCredentialsPrompt;
}

// What task GA needs, copied on the main thread.
struct PopupFetchInput {
    QString host;
    bool secure = false;
    service::ProxySettings proxy;
    QString requestKey;
    QString version;
};

// Task GA (agent "Popups"): asks the service for its pop-up messages and reads the reply.
// Worker thread; blocks until done. None when the request did not succeed.
std::optional<PopupReply> FetchPopups(const PopupFetchInput& input, const std::atomic_bool* cancel,
                                      service::ProxyCredentialsPrompt* prompt,
                                      int64_t (*computerNow)());

}  // namespace zuvo
