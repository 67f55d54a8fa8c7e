#pragma once

#include <QString>
#include <QStringList>

namespace zuvo {

// The host part of "host" or "host:port" ("[v6]:port" keeps the brackets' content).
QString HostPart(const QString& hostAndPort);
// The ":port" suffix of "host:port", or empty.
QString PortSuffix(const QString& hostAndPort);

// The first IPv4 address of a host name in dotted form, or "0.0.0.0" when it does not resolve.
// Blocking; worker threads only.
QString ResolveIPv4(const QString& host);

// True when an interface other than loopback is up with an IPv4 address.
bool IsNetworkConnected();

// True for a dotted IPv4 address.
bool IsIpv4Address(const QString& text);
// The local address the system routes toward an IPv4 host (a UDP connect, which sends nothing);
// empty for a name or when there is no route.
QString LocalAddressToward(const QString& host);
// The phone's IPv4 addresses as the engine reports them: those toward the given servers first,
// then the interfaces that are up, loopback last, each once.
QStringList LocalIPv4Addresses(const QStringList& towardHosts);

}  // namespace zuvo
