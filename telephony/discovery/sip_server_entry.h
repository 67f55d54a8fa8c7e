#pragma once

#include <QList>
#include <QString>

namespace zuvo {

// One SIP server the service handed out: where to register and how.
struct SipServerEntry {
    QString address;    // "host" or "host:port", given to the engine as received
    QString transport;  // "TCP" (default), "TLS", "UDP"...
    QString host;       // the address up to its first ":"
    bool operator==(const SipServerEntry&) const = default;
};

// A domain and the address its "_sip._tls." and "_sip._ssl." names point at.
struct HostsPair {
    QString domain;
    QString address;
    bool operator==(const HostsPair&) const = default;
};

// What a server configuration reply (task SP) carries.
struct ServerConfiguration {
    QList<SipServerEntry> servers;
    bool carriesServers = false;  // "PXY" with a count above 0
    bool hasHosts = false;
    QList<HostsPair> hosts;
    bool hasWeb = false;
    QStringList web;  // web-server alternatives for the next start
    bool hasRetries = false;
    int retries = 0;
};

// Reads "PXY", "HOSTS", "WEB" and "RETRIES" from a reply. Counts larger than the items present
// take only the items present.
ServerConfiguration ParseServerConfiguration(const QString& reply);

}  // namespace zuvo
