#include "app/logic/connection_task.h"

#include "app/logic/phone_state.h"

namespace zuvo {

ConnectJob ConnectionTask::Begin(PhoneState& state, const QString& accountNumber,
                                 bool connectStep) {
    state.account = accountNumber;
    state.signingIn = true;
    ConnectJob job;
    job.configuredWebServer = state.settings.webServer;
    job.serverAddresses = state.settings.serverAddresses;
    job.proxy = state.settings.proxy;
    job.version = state.settings.version;
    job.account = state.account;
    job.unattended = state.unattended;
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
    state.signingIn = true;
    ServerConfigurationJob job;
    job.web = choice;
    job.proxy = state.settings.proxy;
    job.version = state.settings.version;
    job.account = accountNumber;
    job.unattended = state.unattended;
    return job;
}

QString ConnectionTask::ApplyServiceCheck(const service::ServiceCheckResult& result,
                                          PhoneState& state) {
    if (result.accountReplaced) {
        state.account = result.accountNumber;
    }
    if (result.phoneConfig) {
        state.minutesEnabled = result.minutesEnabled();
        state.popupsAvailable = result.popupsEnabled();
    }
    return result.passed ? result.pageAddress : QString();
}

void ConnectionTask::ApplyServerConfiguration(const ServerConfiguration& configuration,
                                              PhoneState& state) {
    state.sipServers = configuration.servers;
    state.currentServer = 0;
    state.lastGoodServer = 0;
    state.configurationReceived = true;
}

}  // namespace zuvo
