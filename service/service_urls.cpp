#include "service/service_urls.h"

#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace zuvo::service {

namespace {

QString Task(const QString& code) {
    return ServicePath() + u"?task="_s + code;
}

QString Scheme(bool secure) {
    return secure ? u"https://"_s : u"http://"_s;
}

}  // namespace

QString ServicePath() {
    return u"ZuvoDialler/phone.ashx"_s;
}

QString VersionCheckObject(const QString& key, const QString& version,
                           const QString& tunnelVersion) {
    QString object = Task(u"VV"_s) + u"&key="_s + key + u"&ver="_s + version;
    if (!tunnelVersion.isEmpty()) {
        // The component's own text: a space or "&" in it must not end or split the query.
        object +=
            u"&vpnver="_s +
            QString::fromLatin1(QUrl::toPercentEncoding(tunnelVersion.left(kMaxTunnelTextLength)));
    }
    return object;
}

QString CallAuthorisationObject(const QString& e164, const QString& key, const QString& proxyHost,
                                const QString& proxyPort, const QString& version, bool askMinutes) {
    QString object = Task(u"MC"_s) + u"&E164="_s + e164 + u"&key="_s + key + u"&pxy="_s +
                     proxyHost + u':' + proxyPort + u"&ver="_s + version;
    if (askMinutes) {
        object += u"&avt=1"_s;
    }
    return object;
}

QString BalanceObject(const QString& key, const QString& version, const QString& connectionSuffix,
                      const QString& encipheredNumber) {
    QString object = Task(u"AB"_s) + u"&key="_s + key + u"&ver="_s + version + connectionSuffix;
    if (!encipheredNumber.isEmpty()) {
        object += u"&cr="_s + encipheredNumber;
    }
    return object;
}

QString PopupsObject(const QString& key, const QString& version) {
    return Task(u"GA"_s) + u"&key="_s + key + u"&ver="_s + version;
}

QString SipProxyObject(const QString& key, const QString& version) {
    return Task(u"SP"_s) + u"&key="_s + key + u"&ver="_s + version;
}

QString TunnelRoutesObject() {
    return Task(u"VP"_s);
}

QString AccountPageAddress(bool secure, const QString& host, const QString& key,
                           const QString& version) {
    return Scheme(secure) + host + u'/' + Task(u"UA"_s) + u"&key="_s + key + u"&ver="_s + version;
}

QString RatesPageAddress(bool secure, const QString& host, const QString& key,
                         const QString& version) {
    return Scheme(secure) + host + u"/?task=RT&key="_s + key + u"&ver="_s + version;
}

QString HelpPageAddress(bool secure, const QString& host, const QString& version) {
    return Scheme(secure) + host + u'/' + Task(u"OH"_s) + u"&ver="_s + version;
}

QString CustomerPageAddress(bool secure, const QString& host, const QString& key,
                            const QString& version) {
    return Scheme(secure) + host + u"/?task=CS&key="_s + key + u"&ver="_s + version;
}

QString HomePageAddress(const QString& homeHost, const QString& key, const QString& version) {
    return u"http://"_s + homeHost + u"/?task=CS&key="_s + key + u"&ver="_s + version;
}

}  // namespace zuvo::service
