#pragma once

#include <QString>

#include "app/core/phone_settings.h"
#include "service/request_key.h"
#include "service/service_check.h"
#include "telephony/discovery/connection_threads.h"

namespace zuvo {

struct PhoneState;

// The requests of a sign-in's connection threads (service check, web server choice, server
// configuration), built from copies of the phone's state, and their reports stored back. Main
// thread only; the threads get the jobs, never the state.
class ConnectionTask {
public:
    // A new sign-in with the user name of the account record: the state shows signing in and
    // signs in with that number; the connect thread's job. connectStep is the /D switch.
    static ConnectJob Begin(PhoneState& state, bool connectStep);

    // The inputs of the request key for the account.
    static service::RequestKeyInputs KeyInputs(const QString& accountNumber, const QString& pin,
                                               const PhoneSettings& settings);

    // The server configuration thread's job for the chosen web server; the state shows signing in.
    static ServerConfigurationJob ConfigurationJob(const WebServerChoice& choice,
                                                   const QString& accountNumber, PhoneState& state);

    // Stores what the service check says. Returns the page the service offered ("" for none).
    static QString ApplyServiceCheck(const service::ServiceCheckResult& result, PhoneState& state);

    // Stores the SIP server list; the first server is tried first.
    static void ApplyServerConfiguration(const ServerConfiguration& configuration,
                                         PhoneState& state);
};

}  // namespace zuvo
