#pragma once

#include <QString>

namespace zuvo::service {

// The desktop's proxy for url, as a proxy address curl understands ("http://host:port",
// "socks5://host:port"), or an empty text for a direct connection. Asks libproxy (desktop
// settings, PAC, environment); when libproxy is unavailable, falls back to the http_proxy /
// https_proxy environment. Thread-safe.
QString SystemProxyFor(const QString& url, bool secure);

}  // namespace zuvo::service
