#include "popups/popup_fetch.h"

#include "service/service_request.h"
#include "service/service_urls.h"

namespace zuvo {

std::optional<PopupReply> FetchPopups(const PopupFetchInput& input, const std::atomic_bool* cancel,
                                      service::ProxyCredentialsPrompt* prompt,
                                      int64_t (*computerNow)()) {
    service::ServiceRequest request;
    request.SetCancelFlag(cancel);
    request.SetCredentialsPrompt(prompt);
    request.Perform({.agentName = QString::fromUtf16(service::agent::kPopups),
                     .host = input.host,
                     .object = service::PopupsObject(input.requestKey, input.version),
                     .secure = input.secure,
                     .proxy = input.proxy});
    if (!request.succeeded()) {
        return std::nullopt;
    }
    return ParsePopupReply(request.reply(), computerNow());
}

}  // namespace zuvo
