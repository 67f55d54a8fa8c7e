#include "app/logic/call_authorisation_task.h"

#include "app/logic/phone_state.h"

namespace zuvo {

service::ProxyHostPort CurrentProxy(const PhoneState& state) {
    if (state.servers.current < 0 || state.servers.current >= state.servers.entries.size()) {
        return {};
    }
    const SipServerEntry& entry = state.servers.entries.at(state.servers.current);
    return service::SplitProxyAddress(entry.address, entry.transport);
}

std::optional<service::CallAuthorisationInput> CallAuthorisationTask::Begin(
    const QString& dialled, PhoneState& state, const WebServerChoice& web,
    const QString& requestKey) {
    if (m_busy) {
        return std::nullopt;
    }
    state.display.minutesShown = false;

    const service::ProxyHostPort proxy = CurrentProxy(state);
    service::CallAuthorisationInput input;
    input.host = web.host;
    input.secure = web.scheme == 1;
    input.proxy = state.settings.proxy;
    input.requestKey = requestKey;
    input.version = state.settings.version;
    input.dialled = dialled;
    input.proxyHost = proxy.host;
    input.proxyPort = proxy.port;
    input.askMinutes = state.service.minutesEnabled && state.settings.displayMinutes;
    m_busy = true;
    return input;
}

service::CallAuthorisationResult CallAuthorisationTask::Run(
    const service::CallAuthorisationInput& input, const std::atomic_bool* cancel,
    service::ProxyCredentialsPrompt* prompt) {
    return service::AuthoriseCall(input, cancel, {}, prompt);
}

bool CallAuthorisationTask::Apply(const service::CallAuthorisationResult& result,
                                  PhoneState& state) {
    m_busy = false;
    if (!result.minutes || !state.call.active) {
        return false;
    }
    state.display.minutesText = *result.minutes;
    state.display.minutesShown = true;
    return true;
}

}  // namespace zuvo
