#include "service/proxy_settings.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo::service {

QString ProxyName(const ProxySettings& settings, bool secure) {
    if (settings.mode != ProxySettings::Explicit || settings.address.isEmpty()) {
        return {};
    }
    const int port = secure ? settings.httpsPort : settings.httpPort;
    QString name = settings.address + u':' + QString::number(port);
    if (name.size() > kMaxProxyNameLength) {
        return {};
    }
    return name;
}

QString ProxyHeaders(const ProxySettings& settings, bool secure) {
    if (ProxyName(settings, secure).isEmpty()) {
        return {};
    }
    const QString keepAlive = u"Proxy-Connection: Keep-Alive"_s;
    if (settings.userName.isEmpty() || settings.password.isEmpty()) {
        return keepAlive;
    }
    const QByteArray credentials = (settings.userName + u':' + settings.password).toUtf8();
    if (credentials.size() > kMaxProxyCredentialsBytes) {
        return keepAlive;
    }
    const QString line =
        u"Proxy-Authorization: Basic "_s + QString::fromLatin1(credentials.toBase64());
    if (line.size() > kMaxProxyAuthorizationLineLength) {
        return keepAlive;
    }
    return keepAlive + u"\r\n"_s + line + u"\r\n"_s;
}

}  // namespace zuvo::service
