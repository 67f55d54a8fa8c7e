#include "telephony/discovery/connection_threads.h"

#include <QLoggingCategory>
#include <QThread>

#include "platform/net.h"
#include "platform/profile.h"
#include "service/service_request.h"
#include "service/service_urls.h"
#include "telephony/discovery/hosts_file.h"
#include "telephony/discovery/tunnel_component.h"

Q_DECLARE_LOGGING_CATEGORY(lcHosts)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// Sleeps in short steps so a cancel ends the wait promptly. False when cancelled.
bool Pause(int milliseconds, const std::atomic_bool& cancel) {
    for (int waited = 0; waited < milliseconds; waited += 50) {
        if (cancel.load()) {
            return false;
        }
        QThread::msleep(static_cast<unsigned long>(std::min(50, milliseconds - waited)));
    }
    return !cancel.load();
}

service::ServiceCheckResult Check(const ConnectJob& job, const QString& key, const QString& account,
                                  const QString& host, int scheme, const std::atomic_bool& cancel) {
    service::ServiceCheckInput input;
    input.host = host;
    input.secure = scheme == 1;
    input.proxy = job.proxy;
    input.requestKey = key;
    input.version = job.version;
    input.accountNumber = account;
    input.tunnelVersion = job.tunnelVersion;
    return service::CheckService(input, job.prompt, &cancel);
}

}  // namespace

QStringList WebServerList(const ConnectJob& job, const QString& resolvedAddress) {
    QStringList list{job.configuredWebServer};
    list << job.serverAddresses;
    if (list.size() == 1 || !list.last().isEmpty()) {
        list << QString();
    }
    const QString port = PortSuffix(job.configuredWebServer);
    list.last() = resolvedAddress == u"0.0.0.0"_s ? resolvedAddress : resolvedAddress + port;
    return list;
}

namespace {

// Connects, starts and waits for the tunnel, then asks for its routes. False when the sign-in
// ends here: the tunnel failed (the user is asked again) or the wait was cancelled.
bool BringUpTunnel(ConnectJob& job, ConnectionReporter& reporter, const std::atomic_bool& cancel) {
    TunnelComponent& tunnel = *job.tunnel;
    QString address;
    if (tunnel.HasConnect()) {
        const QString key = reporter.RebuildRequestKey(job.account);
        address = tunnel.Connect(key, job.tunnelHost).value_or(QString());
    }
    const TunnelStartResult result = tunnel.StartAndWait(cancel);
    if (result != TunnelStartResult::Up) {
        // No traffic leaves outside the tunnel the user chose.
        tunnel.Stop();
        if (result != TunnelStartResult::Cancelled && !cancel.load()) {
            reporter.SigninPrompt(2);
        }
        return false;
    }
    // Through the tunnel the service is reached directly.
    job.proxy.mode = service::ProxySettings::Direct;
    tunnel.FetchRoutes(job.configuredWebServer, false, job.proxy, &cancel);
    job.tunnelVersion = tunnel.Version();
    reporter.TunnelUp(address, tunnel.Info(), job.tunnelVersion);
    return true;
}

}  // namespace

void RunConnect(const ConnectJob& startJob, ConnectionReporter& reporter,
                const std::atomic_bool& cancel) {
    ConnectJob job = startJob;
    if (job.tunnel && !BringUpTunnel(job, reporter, cancel)) {
        return;
    }
    QString account = job.account;
    QString key = reporter.RebuildRequestKey(account);
    if (cancel.load()) {
        return;
    }

    const QString host = HostPart(job.configuredWebServer);
    QString resolved = u"0.0.0.0"_s;
    for (int attempt = 0; attempt < 2 && resolved == u"0.0.0.0"_s; ++attempt) {
        if (attempt > 0 && !Pause(100, cancel)) {
            return;
        }
        resolved = ResolveIPv4(host);
    }
    const bool nameResolved = resolved != u"0.0.0.0"_s;
    if (job.unattended && job.connectStep && !nameResolved) {
        reporter.UnattendedStep(ExitCode::WebServerUnresolved);
        return;
    }
    const QStringList servers = WebServerList(job, resolved);

    // The current web host is the configured one until something else answers.
    WebServerChoice current{job.configuredWebServer, 0, 0};
    auto applyCheck = [&](const service::ServiceCheckResult& result) {
        if (result.accountReplaced) {
            account = result.accountNumber;
        }
        reporter.ServiceChecked(result);
    };

    if (!IsNetworkConnected() && !nameResolved) {
        const auto result = Check(job, key, account, current.host, current.scheme, cancel);
        applyCheck(result);
        if (!result.passed) {
            if (job.unattended) {
                reporter.UnattendedStep(ExitCode::NoInternet);
            } else {
                reporter.SigninPrompt(2);
            }
            return;
        }
    }

    Profile profile = Profile::Phone();
    const int lastScheme = profile.GetInt(u"Network\\Last Connect"_s, u"HTTPS"_s, -1);
    const QString lastHost = profile.GetString(u"Network\\Last Connect"_s, u"Web Server"_s, {});
    bool lastWorks = false;
    bool automaticSignIn = false;
    if (lastScheme >= 0 && !lastHost.isEmpty()) {
        current = {lastHost, lastScheme, 0};
        reporter.WebServerChosen(current);
        const auto result = Check(job, key, account, current.host, current.scheme, cancel);
        applyCheck(result);
        if (result.passed && result.automaticSignIn) {
            lastWorks = true;
            current.index =
                std::max<qsizetype>(servers.mid(0, servers.size() - 1).indexOf(lastHost), 0);
            reporter.WebServerChosen(current);
            reporter.StartServerConfiguration(current, account);
            if (current.scheme == 0) {
                return;
            }
        }
    }

    bool found = false;
    for (int index = 0; index < servers.size() && !found; ++index) {
        for (int scheme = 0; scheme < (lastWorks ? 1 : 2) && !found; ++scheme) {
            if (cancel.load()) {
                return;
            }
            const QString& entry = servers[index];
            if (entry.isEmpty() || entry == u"0.0.0.0"_s) {
                continue;
            }
            const auto result = Check(job, key, account, entry, scheme, cancel);
            applyCheck(result);
            if (result.passed) {
                found = true;
                automaticSignIn = result.automaticSignIn;
                current = {entry, scheme, index};
                reporter.WebServerChosen(current);
                profile.WriteInt(u"Network\\Last Connect"_s, u"HTTPS"_s, scheme);
                profile.WriteString(u"Network\\Last Connect"_s, u"Web Server"_s, entry);
            } else if (job.unattended) {
                reporter.UnattendedStep(ExitCode::WebServerSilent);
                return;
            }
        }
    }
    if (lastWorks) {
        return;
    }
    if (!found) {
        if (Pause(1000, cancel)) {
            reporter.SigninPrompt(2);
        }
        return;
    }
    if (automaticSignIn) {
        reporter.StartServerConfiguration(current, account);
        return;
    }
    while (reporter.PreferencesOpen()) {
        if (!Pause(500, cancel)) {
            return;
        }
    }
    reporter.SigninPrompt(1);
}

void RunServerConfiguration(const ServerConfigurationJob& job, ConnectionReporter& reporter,
                            const std::atomic_bool& cancel) {
    reporter.RebuildRequestKey(job.account);
    const QString key = reporter.RebuildRequestKey(job.account);
    service::RequestParameters request;
    request.agentName = u"SipProxy"_s;
    request.host = job.web.host;
    request.secure = job.web.scheme == 1;
    request.proxy = job.proxy;
    request.object = service::SipProxyObject(key, job.version);
    Profile profile = Profile::Phone();
    int attempts = 0;
    int allowed = kUnattendedConfigurationAttempts;
    while (!cancel.load()) {
        service::ServiceRequest exchange;
        exchange.SetCancelFlag(&cancel);
        exchange.SetCredentialsPrompt(job.prompt);
        exchange.Perform(request);
        if (exchange.succeeded()) {
            const ServerConfiguration config = ParseServerConfiguration(exchange.reply());
            if (config.hasHosts) {
                UpdateHostsFile(profile, config.hosts, HostsFilePath());
            }
            for (int i = 0; i < config.web.size(); ++i) {
                profile.WriteString(u"Network"_s, u"SvrAddr%1"_s.arg(i), config.web[i]);
            }
            if (config.carriesServers) {
                if (!cancel.load()) {
                    reporter.ServerConfigurationReceived(config);
                }
                return;
            }
            if (config.hasRetries && config.retries > 0) {
                allowed = std::min(config.retries, kMaxConfigurationAttempts);
            }
        }
        if (job.unattended && ++attempts >= allowed) {
            qCDebug(lcHosts) << "no SIP servers after" << attempts << "attempts; giving up";
            reporter.UnattendedStep(ExitCode::WebServerSilent);
            return;
        }
        if (!Pause(1000, cancel)) {
            return;
        }
    }
}

}  // namespace zuvo
