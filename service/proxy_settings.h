#pragma once

#include <QString>

namespace zuvo::service {

// The six proxy values every request copies ("Network\Proxy" in the settings).
struct ProxySettings {
    enum Mode : int { Direct = 0, System = 1, Explicit = 2 };

    int mode = System;
    QString address;
    int httpPort = 80;
    int httpsPort = 80;
    QString userName;
    QString password;
};

// Limits of the texts sent to an explicit proxy; longer texts are not sent at all.
inline constexpr int kMaxProxyNameLength = 1023;
inline constexpr int kMaxProxyCredentialsBytes = 255;
inline constexpr int kMaxProxyAuthorizationLineLength = 1023;

// The proxy name of an explicit proxy: address ":" port, the port chosen by the scheme.
// Empty when the mode is not explicit, the address is empty or the name would exceed its limit.
QString ProxyName(const ProxySettings& settings, bool secure);

// The header block added to a request sent through an explicit proxy: empty without a proxy
// name, "Proxy-Connection: Keep-Alive" alone without both credentials, else that line, CR LF,
// "Proxy-Authorization: Basic " + base64(user ":" password), CR LF. Credentials over their
// limits leave only the keep-alive line.
QString ProxyHeaders(const ProxySettings& settings, bool secure);

}  // namespace zuvo::service
