#include "app/logic/balance_task.h"

#include "app/logic/call_authorisation_task.h"
#include "app/logic/phone_state.h"
#include "service/request_cipher.h"

namespace zuvo {

std::optional<service::BalanceInput> BalanceTask::Begin(bool withConnection,
                                                        const PhoneState& state,
                                                        WebServerChoice& web,
                                                        const QString& requestKey,
                                                        const service::RequestCipher& cipher) {
    if (m_busy) {
        return std::nullopt;
    }
    m_connectionSuffix.clear();
    if (withConnection) {
        web.index = std::min(web.index, service::kMaxReportedWebIndex);
        const service::ProxyHostPort proxy = CurrentProxy(state);
        service::ConnectionDescription connection;
        connection.proxyHost = proxy.host;
        connection.proxyPort = proxy.port;
        connection.secure = web.scheme == 1;
        connection.webIndex = web.index;
        if (state.service.useTunnel && state.service.tunnelUp) {
            connection.tunnelActive = true;
            connection.tunnelIdentification = state.service.tunnelInfo;
            connection.tunnelVersion = state.service.tunnelVersion;
        }
        m_connectionSuffix = service::ConnectionSuffix(connection, cipher);
    }

    service::BalanceInput input;
    input.host = web.host;
    input.secure = web.scheme == 1;
    input.proxy = state.settings.proxy;
    input.requestKey = requestKey;
    input.version = state.settings.version;
    input.connectionSuffix = m_connectionSuffix;
    input.accountNumber = state.account.number;
    input.lastCallReference = m_lastCallReference;
    // Call records are asked for after a call: only then is there a finished call to charge.
    if (!withConnection) {
        input.dialledNumber = state.call.dialledNumber;
    }
    m_busy = true;
    return input;
}

service::BalanceResult BalanceTask::Run(const service::BalanceInput& input,
                                        const service::RequestCipher& cipher,
                                        const QString& logDirectory, const std::atomic_bool* cancel,
                                        service::ProxyCredentialsPrompt* prompt) {
    return service::RequestBalance(input, cipher, logDirectory, cancel, {}, prompt);
}

void BalanceTask::Apply(const service::BalanceResult& result, PhoneState& state) {
    if (result.callReference) {
        m_lastCallReference = *result.callReference;
    }
    if (result.balanceText) {
        state.display.balanceText = *result.balanceText;
    }
}

}  // namespace zuvo
