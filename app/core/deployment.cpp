#include "app/core/deployment.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

QString FromEnv(const char* name, const QString& fallback) {
    const QByteArray v = qgetenv(name);
    return v.isNull() ? fallback : QString::fromUtf8(v);
}

}  // namespace

QString Deployment::BrandName() {
    return u"Zuvo"_s;
}
QString Deployment::DefaultWebHost() {
    return FromEnv("ZUVO_DEFAULT_WEB_HOST", u"service.zuvo.example"_s);
}
QString Deployment::SipDomain() {
    return FromEnv("ZUVO_SIP_DOMAIN", u"sip.zuvo.example"_s);
}
QString Deployment::SiteName() {
    return FromEnv("ZUVO_SITE_NAME", u"www.zuvo.example"_s);
}
QString Deployment::ProviderSiteName() {
    return u"www.zuvo.example"_s;
}
QString Deployment::HomeHost() {
    return FromEnv("ZUVO_HOME_HOST", u"home.zuvo.example"_s);
}
QString Deployment::TunnelHost() {
    return FromEnv("ZUVO_TUNNEL_HOST", u"tunnel.zuvo.example"_s);
}
QString Deployment::PopupCaption() {
    return FromEnv("ZUVO_POPUP_CAPTION", u"Zuvo - www.zuvo.example"_s);
}
QString Deployment::ClientName() {
    return QString::asprintf("%d.%s", 585, "600.002");
}

}  // namespace zuvo
