#include <gtest/gtest.h>

#include "service/proxy_settings.h"
#include "service/service_request.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo::service;

namespace {
ProxySettings Explicit(const QString& address, const QString& user = {},
                       const QString& password = {}) {
    return {.mode = ProxySettings::Explicit,
            .address = address,
            .httpPort = 3128,
            .httpsPort = 8443,
            .userName = user,
            .password = password};
}
}  // namespace

TEST(ProxySettings, NameFollowsTheScheme) {
    EXPECT_EQ(ProxyName(Explicit(u"proxy.local"_s), true), u"proxy.local:8443"_s);
    EXPECT_EQ(ProxyName(Explicit(u"proxy.local"_s), false), u"proxy.local:3128"_s);
    // Empty address or another mode: direct, no headers.
    EXPECT_EQ(ProxyName(Explicit({}), false), QString());
    EXPECT_EQ(ProxyHeaders(Explicit({}, u"u"_s, u"p"_s), false), QString());
    ProxySettings system = Explicit(u"proxy.local"_s, u"u"_s, u"p"_s);
    system.mode = ProxySettings::System;
    EXPECT_EQ(ProxyName(system, false), QString());
    EXPECT_EQ(ProxyHeaders(system, false), QString());
    // Over the length limit: not used at all.
    EXPECT_EQ(ProxyName(Explicit(QString(1019, u'a')), false), QString());
    EXPECT_EQ(ProxyName(Explicit(QString(1018, u'a')), false).size(), 1023);
}

TEST(ProxySettings, HeaderBlock) {
    EXPECT_EQ(ProxyHeaders(Explicit(u"p"_s), false), u"Proxy-Connection: Keep-Alive"_s);
    EXPECT_EQ(ProxyHeaders(Explicit(u"p"_s, u"user"_s), false), u"Proxy-Connection: Keep-Alive"_s);
    EXPECT_EQ(ProxyHeaders(Explicit(u"p"_s, {}, u"pass"_s), true),
              u"Proxy-Connection: Keep-Alive"_s);
    EXPECT_EQ(ProxyHeaders(Explicit(u"p"_s, u"Aladdin"_s, u"open sesame"_s), false),
              u"Proxy-Connection: Keep-Alive\r\nProxy-Authorization: Basic "
              u"QWxhZGRpbjpvcGVuIHNlc2FtZQ==\r\n"_s);
    // 255 bytes of credentials pass, 256 do not.
    EXPECT_TRUE(ProxyHeaders(Explicit(u"p"_s, QString(127, u'u'), QString(127, u'p')), false)
                    .contains(u"Basic"_s));
    EXPECT_FALSE(ProxyHeaders(Explicit(u"p"_s, QString(128, u'u'), QString(127, u'p')), false)
                     .contains(u"Basic"_s));
}

TEST(ServiceRequest, HostsThatCannotChangeTheAddress) {
    for (const QString& good : {u"127.0.0.1"_s, u"127.0.0.1:8080"_s, u"web.zuvo.test"_s,
                                u"svc-1.example:443"_s, u"[::1]:8080"_s}) {
        EXPECT_TRUE(ServiceRequest::IsValidHost(good)) << good.toStdString();
    }
    for (const QString& bad :
         {u"user@evil.test"_s, u"a.test/x"_s, u"a.test:0"_s, u"a.test:70000"_s, u"a b"_s,
          u"a.test\r\nX: 1"_s, u":80"_s, u"a.test#"_s, u"a.test?x"_s}) {
        EXPECT_FALSE(ServiceRequest::IsValidHost(bad)) << bad.toStdString();
    }
}

TEST(ServiceRequest, EmptyOrBadHostSendsNothing) {
    ServiceRequest request;
    RequestParameters p;
    p.agentName = u"Version Session"_s;
    p.object = u"x"_s;
    request.Perform(p);
    EXPECT_FALSE(request.succeeded());
    EXPECT_EQ(request.statusCode(), 0);
    p.host = u"127.0.0.1:1/evil"_s;
    request.Perform(p);
    EXPECT_FALSE(request.succeeded());
    p.host = u"127.0.0.1"_s;
    p.object = u"x y\r\n"_s;
    request.Perform(p);
    EXPECT_FALSE(request.succeeded());
    EXPECT_TRUE(request.reply().isEmpty());
}
