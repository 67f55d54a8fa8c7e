#include <gtest/gtest.h>

#include "telephony/provisioning_profile.h"

namespace zuvo {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(ProvisioningProfile, FollowsTheTemplateCharacterForCharacter) {
    const auto tcp =
        BuildProvisioningProfile(u"sip:1001_Z@sip.zuvo.test"_s, u"10.1.2.3:5060"_s, u"TCP"_s);
    ASSERT_TRUE(tcp);
    EXPECT_EQ(*tcp,
              u"<provision key=\"Tavicore Talk\" name=\"Tavicore Plus\"><user account=\"account\" "
              u"password=\"mirthful\" uri=\"sip:1001_Z@sip.zuvo.test\" name=\"joe bloggs\" "
              u"realm=\"sip.zuvo.test\" /><sipsrv addr=\"10.1.2.3:5060\" protocol=\"TCP\"  "
              u"role=\"proxy\"><session party=\"first\" type=\"pc2pc\" /><session party=\"first\" "
              u"type=\"pc2ph\" /><session party=\"first\" type=\"im\" /></sipsrv><sipsrv "
              u"addr=\"10.1.2.3:5060\" protocol=\"TCP\"  role=\"registrar\" /></provision>"_s);

    // "TLS" in any case asks for basic authentication on both servers; the name stays as given.
    for (const QString& tls : {u"TLS"_s, u"tls"_s, u"tLs"_s}) {
        const auto text = BuildProvisioningProfile(u"sip:1@d"_s, u"h"_s, tls);
        ASSERT_TRUE(text);
        EXPECT_EQ(text->count(u"protocol=\""_s + tls + u"\" auth=\"basic\" role="_s), 2);
    }
    const auto udp = BuildProvisioningProfile(u"sip:1@d"_s, u"h"_s, u"UDP"_s);
    EXPECT_FALSE(udp->contains(u"auth="_s));
    EXPECT_EQ(udp->count(u"protocol=\"UDP\"  role="_s), 2);
}

TEST(ProvisioningProfile, RealmComesFromTheFirstAtAndIsBounded) {
    EXPECT_TRUE(
        BuildProvisioningProfile(u"sip:nobody"_s, u"h"_s, u"TCP"_s)->contains(u"realm=\"\""_s));
    EXPECT_TRUE(
        BuildProvisioningProfile(u"sip:a@b@c"_s, u"h"_s, u"TCP"_s)->contains(u"realm=\"b@c\""_s));
    const QString longDomain(300, u'x');
    const auto parsed = ParseProvisioningProfile(
        *BuildProvisioningProfile(u"sip:1@"_s + longDomain, u"h"_s, u"TCP"_s));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->realm, QString(255, u'x'));
}

TEST(ProvisioningProfile, InputCannotBreakTheXmlAndOverlongTextIsRefused) {
    const QString hostile = u"sip:1\" password=\"x\"/><user uri=\"evil@d&<>'"_s;
    const auto text = BuildProvisioningProfile(hostile, u"h\"o"_s, u"T<CP"_s);
    ASSERT_TRUE(text);
    const auto parsed = ParseProvisioningProfile(*text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->uri, hostile);
    EXPECT_EQ(parsed->password, u"mirthful"_s);
    EXPECT_EQ(parsed->proxyAddress, u"h\"o"_s);
    EXPECT_EQ(parsed->registrarProtocol, u"T<CP"_s);

    EXPECT_FALSE(BuildProvisioningProfile(u"sip:1@d"_s, QString(2000, u'h'), u"TCP"_s));
    // Just inside the limit is still built.
    const int base = BuildProvisioningProfile(u"sip:1@d"_s, QString(), u"TCP"_s)->size();
    const int room = kMaxProvisioningProfileLength - base;
    EXPECT_TRUE(BuildProvisioningProfile(u"sip:1@d"_s, QString(room / 2, u'h'), u"TCP"_s));
    EXPECT_FALSE(BuildProvisioningProfile(u"sip:1@d"_s, QString(room / 2 + 1, u'h'), u"TCP"_s));
}

TEST(ProvisioningProfile, ParsesWhatTheClientNeeds) {
    const auto parsed = ParseProvisioningProfile(
        *BuildProvisioningProfile(u"sip:7_Z@zuvo.test"_s, u"127.0.0.1:5061"_s, u"TLS"_s));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->account, u"account"_s);
    EXPECT_EQ(parsed->displayName, u"joe bloggs"_s);
    EXPECT_EQ(parsed->realm, u"zuvo.test"_s);
    EXPECT_EQ(parsed->registrarAddress, u"127.0.0.1:5061"_s);
    EXPECT_TRUE(parsed->proxyBasicAuth);
    EXPECT_FALSE(ParseProvisioningProfile(u"<provision><user"_s));
    EXPECT_FALSE(ParseProvisioningProfile(u"<provision></provision>"_s));
}

}  // namespace
}  // namespace zuvo
