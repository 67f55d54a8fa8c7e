#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

#include "platform/exit_code.h"
#include "service/proxy_settings.h"
#include "service/service_check.h"
#include "telephony/discovery/sip_server_entry.h"

namespace zuvo {

class TunnelComponent;

namespace service {
class ProxyCredentialsPrompt;
}

// The web host and scheme the phone talks to, and the host's place in the web server list.
struct WebServerChoice {
    QString host;
    int scheme = 0;  // 0 = HTTP, 1 = HTTPS
    int index = 0;
};

// How the connection threads reach the main window. Every method is called on a worker thread
// and must be safe there: results are handed over (posted), never written into window state.
class ConnectionReporter {
public:
    virtual ~ConnectionReporter() = default;
    // Rebuilds the request key for this account (the window owns the local address) and
    // returns it.
    virtual QString RebuildRequestKey(const QString& account) = 0;
    // A service check ran; the window applies the account, feature flags and page.
    virtual void ServiceChecked(const service::ServiceCheckResult& result) = 0;
    // Current web host, scheme and index from now on.
    virtual void WebServerChosen(const WebServerChoice& choice) = 0;
    // Starts the server configuration thread for this host (the window owns threads).
    virtual void StartServerConfiguration(const WebServerChoice& choice,
                                          const QString& account) = 0;
    // A reply carried SIP servers: the window takes the list and registers (timer 8).
    virtual void ServerConfigurationReceived(const ServerConfiguration& configuration) = 0;
    // WM_SIGNIN_PROMPT with this reason (1 rejected, 2 unreachable).
    virtual void SigninPrompt(int reason) = 0;
    // The unattended cycle's step (WebServerUnresolved, NoInternet, WebServerSilent).
    virtual void UnattendedStep(ExitCode step) = 0;
    virtual bool PreferencesOpen() = 0;
    // The tunnel is up: its local address (empty when it gave none), identification and version.
    virtual void TunnelUp(const QString& address, const QString& info, const QString& version) {
        static_cast<void>(address);
        static_cast<void>(info);
        static_cast<void>(version);
    }
};

// What the connect thread starts from: copies of the window's values at sign-in.
struct ConnectJob {
    QString configuredWebServer;  // "Network" \ "Web Server", may carry ":port"
    QStringList serverAddresses;  // "SvrAddr%d", ending with one empty entry
    service::ProxySettings proxy;
    QString version;
    QString account;
    QString tunnelVersion;
    // The tunnel component, when it exists and "Use VPN Tunnel" is on; its service's host.
    std::shared_ptr<TunnelComponent> tunnel;
    QString tunnelHost;
    bool unattended = false;
    bool connectStep = false;  // /D
    service::ProxyCredentialsPrompt* prompt = nullptr;
};

// The web server list: the configured server, the stored alternatives, and last the configured
// server's resolved address (with its port, when it had one) or "0.0.0.0".
QStringList WebServerList(const ConnectJob& job, const QString& resolvedAddress);

// Finds a web host that answers the service check, remembers it, and starts the server
// configuration or sends the user back to the sign-in dialog. Runs on its own thread; returns
// promptly once cancel is set.
void RunConnect(const ConnectJob& job, ConnectionReporter& reporter,
                const std::atomic_bool& cancel);

struct ServerConfigurationJob {
    WebServerChoice web;
    service::ProxySettings proxy;
    QString version;
    QString account;
    bool unattended = false;  // /T
    service::ProxyCredentialsPrompt* prompt = nullptr;
};

// Attempts an unattended phone makes before it gives up on the server configuration, unless the
// service named its own number of retries ("RETRIES", at most kMaxConfigurationAttempts).
inline constexpr int kUnattendedConfigurationAttempts = 3;
inline constexpr int kMaxConfigurationAttempts = 30;

// Asks the service for the SIP servers every second until a reply carries them or cancel is
// set; updates the hosts file and the stored web alternatives on the way. Unattended, it gives up
// after its attempts with unattended step 33, as when no web service answers, so the program ends
// rather than ask for ever.
void RunServerConfiguration(const ServerConfigurationJob& job, ConnectionReporter& reporter,
                            const std::atomic_bool& cancel);

}  // namespace zuvo
