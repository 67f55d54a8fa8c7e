#include <gtest/gtest.h>

#include "service/service_check.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo::service;

TEST(ServiceCheck, PassingReplies) {
    ServiceCheckResult r =
        EvaluateServiceCheckReply(u"[as:][uc:1234567][key:67][phonecfg:300]"_s, u"999"_s);
    EXPECT_TRUE(r.passed);
    EXPECT_EQ(r.accountNumber, u"1234567"_s);
    EXPECT_TRUE(r.automaticSignIn);  // because of "uc"
    EXPECT_TRUE(r.minutesEnabled());
    EXPECT_TRUE(r.popupsEnabled());
    EXPECT_TRUE(r.pageAddress.isEmpty());

    r = EvaluateServiceCheckReply(u"[as:1][key:67]"_s, u"4567"_s);
    EXPECT_TRUE(r.passed);
    EXPECT_EQ(r.accountNumber, u"4567"_s);
    EXPECT_FALSE(r.accountReplaced);
    EXPECT_TRUE(r.automaticSignIn);  // because of "as"
    EXPECT_FALSE(r.phoneConfig.has_value());

    r = EvaluateServiceCheckReply(u"[as:][key:67]"_s, u"4567"_s);
    EXPECT_TRUE(r.passed);
    EXPECT_FALSE(r.automaticSignIn);

    // A short account is compared whole; the feature bits are read as hexadecimal.
    r = EvaluateServiceCheckReply(u"[as:][key:7][phonecfg:0x200]"_s, u"7"_s);
    EXPECT_TRUE(r.passed);
    EXPECT_FALSE(r.minutesEnabled());
    EXPECT_TRUE(r.popupsEnabled());
    r = EvaluateServiceCheckReply(u"[as:][key:45][phonecfg:0]"_s, u"12345"_s);
    ASSERT_TRUE(r.phoneConfig.has_value());
    EXPECT_FALSE(r.minutesEnabled() || r.popupsEnabled());
    r = EvaluateServiceCheckReply(u"[as:][key:45][phonecfg:1ff]"_s, u"12345"_s);
    EXPECT_TRUE(r.minutesEnabled());
    EXPECT_FALSE(r.popupsEnabled());
    // Not a number: the flags keep their values.
    r = EvaluateServiceCheckReply(u"[as:][key:45][phonecfg:zz]"_s, u"12345"_s);
    EXPECT_FALSE(r.phoneConfig.has_value());
}

TEST(ServiceCheck, FailingReplies) {
    EXPECT_FALSE(EvaluateServiceCheckReply(u"[as:][key:42]"_s, u"4567"_s).passed);
    EXPECT_FALSE(EvaluateServiceCheckReply(u"[uc:1267][key:67][phonecfg:300]"_s, u"67"_s).passed);
    EXPECT_FALSE(EvaluateServiceCheckReply(u"[as:1][uc:1267]"_s, u"67"_s).passed);
    EXPECT_FALSE(EvaluateServiceCheckReply(QString(), u"67"_s).passed);
    EXPECT_FALSE(EvaluateServiceCheckReply(u"[as:1][key:67"_s, u"67"_s).passed);

    // The reply's account has replaced the stored one even though the key did not match.
    const ServiceCheckResult r = EvaluateServiceCheckReply(u"[as:][uc:555][key:67]"_s, u"67"_s);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(r.accountNumber, u"555"_s);
    EXPECT_FALSE(r.phoneConfig.has_value());
}

TEST(ServiceCheck, PageAddress) {
    ServiceCheckResult r = EvaluateServiceCheckReply(
        u"[as:][uc:555][key:55][phonecfg:100][http://web.zuvo.test/welcome.htm]"_s, u"1"_s);
    EXPECT_TRUE(r.passed);
    EXPECT_EQ(r.pageAddress, u"http://web.zuvo.test/welcome.htm"_s);
    EXPECT_TRUE(r.minutesEnabled());

    // Searched from the end of "uc": an address before it is not taken.
    r = EvaluateServiceCheckReply(u"[as:http://a.test/x][uc:55][key:55]"_s, u"1"_s);
    EXPECT_TRUE(r.pageAddress.isEmpty());
    // Without "uc" from the start, so it may come from any item.
    r = EvaluateServiceCheckReply(u"[as:http://a.test/x][key:55]"_s, u"55"_s);
    EXPECT_EQ(r.pageAddress, u"http://a.test/x"_s);
    // Nothing between "http" and "]", or no "]": no page.
    EXPECT_TRUE(EvaluateServiceCheckReply(u"[as:][key:55][http]"_s, u"55"_s).pageAddress.isEmpty());
    EXPECT_TRUE(
        EvaluateServiceCheckReply(u"[as:][key:55][https://x"_s, u"55"_s).pageAddress.isEmpty());
}
