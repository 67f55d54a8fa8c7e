#include "app/logic/connection_task.h"

#include "app/logic/phone_state.h"

namespace zuvo {

ConnectJob ConnectionTask::Begin(PhoneState& state, bool connectStep) {
    state.account.number = state.account.record.userName;
    state.signin.signingIn = true;
    ConnectJob job;
    job.configuredWebServer = state.settings.webServer;
    job.serverAddresses = state.settings.serverAddresses;
    job.proxy = state.settings.proxy;
    job.version = state.settings.version;
    job.account = state.account.number;
    job.unattended = state.unattended.enabled;
    job.connectStep = connectStep;
    return job;
}

service::RequestKeyInputs ConnectionTask::KeyInputs(const QString& accountNumber,
                                                    const QString& pin,
                                                    const PhoneSettings& settings) {
    service::RequestKeyInputs inputs;
    inputs.accountNumber = accountNumber;
    inputs.pin = pin;
    inputs.version = settings.version;
    inputs.language = settings.language;
    return inputs;
}

ServerConfigurationJob ConnectionTask::ConfigurationJob(const WebServerChoice& choice,
                                                        const QString& accountNumber,
                                                        PhoneState& state) {
    state.signin.signingIn = true;
    ServerConfigurationJob job;
    job.web = choice;
    job.proxy = state.settings.proxy;
    job.version = state.settings.version;
    job.account = accountNumber;
    job.unattended = state.unattended.enabled;
    return job;
}

QString ConnectionTask::ApplyServiceCheck(const service::ServiceCheckResult& result,
                                          PhoneState& state) {
    if (result.accountReplaced) {
        state.account.number = result.accountNumber;
    }
    if (result.phoneConfig) {
        state.service.minutesEnabled = result.minutesEnabled();
        state.service.popupsAvailable = result.popupsEnabled();
    }
    return result.passed ? result.pageAddress : QString();
}

void ConnectionTask::ApplyServerConfiguration(const ServerConfiguration& configuration,
                                              PhoneState& state) {
    state.servers.entries = configuration.servers;
    state.servers.current = 0;
    state.servers.lastGood = 0;
    state.signin.configurationReceived = true;
}

}  // namespace zuvo
