#pragma once

#include <QString>

namespace zuvo::service {

// The desktop's proxy for requests to host ("name" or "name:port") over HTTP or HTTPS, as a
// proxy address curl understands ("http://host:port", "socks5://host:port"), or an empty text
// for a direct connection. Asks libproxy (desktop settings, PAC, environment) about the scheme
// and host alone: a PAC script is not the request's business, and its query carries the request
// key. When libproxy is unavailable, falls back to the http_proxy / https_proxy environment.
// Thread-safe.
QString SystemProxyFor(const QString& host, bool secure);

}  // namespace zuvo::service
