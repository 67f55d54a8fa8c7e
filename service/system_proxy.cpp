#include "service/system_proxy.h"

#include <proxy.h>

#include <QByteArray>

#include <memory>
#include <mutex>

using namespace Qt::Literals::StringLiterals;

namespace zuvo::service {

namespace {

struct FactoryDeleter {
    void operator()(pxProxyFactory* factory) const { px_proxy_factory_free(factory); }
};

QString FromEnvironment(bool secure) {
    const char* names[] = {secure ? "https_proxy" : "http_proxy",
                           secure ? "HTTPS_PROXY" : "HTTP_PROXY"};
    for (const char* name : names) {
        const QByteArray value = qgetenv(name);
        if (!value.isEmpty()) {
            return QString::fromLocal8Bit(value);
        }
    }
    return {};
}

}  // namespace

QString SystemProxyFor(const QString& host, bool secure) {
    // One factory for the process: creating one loads libproxy's modules each time.
    static std::mutex mutex;
    static std::unique_ptr<pxProxyFactory, FactoryDeleter> factory;
    std::lock_guard lock(mutex);
    if (!factory) {
        factory.reset(px_proxy_factory_new());
    }
    if (!factory) {
        return FromEnvironment(secure);
    }
    const QString url = (secure ? u"https://"_s : u"http://"_s) + host + u'/';
    char** proxies = px_proxy_factory_get_proxies(factory.get(), url.toUtf8().constData());
    if (proxies == nullptr) {
        return FromEnvironment(secure);
    }
    QString chosen;
    for (char** entry = proxies; *entry != nullptr; ++entry) {
        const QString proxy = QString::fromUtf8(*entry);
        if (!proxy.startsWith(u"direct://"_s) && chosen.isEmpty()) {
            chosen = proxy;
        }
    }
    px_proxy_factory_free_proxies(proxies);
    return chosen;
}

}  // namespace zuvo::service
