#pragma once

#include <QString>

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

}  // namespace zuvo
