#include <gtest/gtest.h>

#include "service/service_urls.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo::service;

TEST(ServiceUrls, TaskObjectsKeepTheirParameterOrder) {
    EXPECT_EQ(VersionCheckObject(u"AB"_s, u"5.85"_s),
              u"ZuvoDialler/phone.ashx?task=VV&key=AB&ver=5.85"_s);
    EXPECT_EQ(VersionCheckObject(u"AB"_s, u"5.85"_s, u"1.2.3.4.5.6.7.8.9.10"_s),
              u"ZuvoDialler/phone.ashx?task=VV&key=AB&ver=5.85&vpnver=1.2.3.4.5.6.7.8."_s);
    // A tunnel's version text with a space or "&" stays one value of the query.
    EXPECT_EQ(VersionCheckObject(u"AB"_s, u"5.85"_s, u"OpenVPN 2.6&x=1"_s),
              u"ZuvoDialler/phone.ashx?task=VV&key=AB&ver=5.85&vpnver=OpenVPN%202.6%26x%3D1"_s);
    EXPECT_EQ(CallAuthorisationObject(u"441234567890"_s, u"K"_s, u"127.0.0.1"_s, u"5060"_s, u"V"_s,
                                      false),
              u"ZuvoDialler/phone.ashx?task=MC&E164=441234567890&key=K&pxy=127.0.0.1:5060&ver=V"_s);
    EXPECT_TRUE(CallAuthorisationObject(u"1"_s, u"K"_s, u"h"_s, u"1"_s, u"V"_s, true)
                    .endsWith(u"&ver=V&avt=1"_s));
    EXPECT_EQ(BalanceObject(u"K"_s, u"V"_s, u"&CP=AA"_s, u"BB"_s),
              u"ZuvoDialler/phone.ashx?task=AB&key=K&ver=V&CP=AA&cr=BB"_s);
    EXPECT_EQ(BalanceObject(u"K"_s, u"V"_s, {}), u"ZuvoDialler/phone.ashx?task=AB&key=K&ver=V"_s);
    EXPECT_EQ(PopupsObject(u"K"_s, u"V"_s), u"ZuvoDialler/phone.ashx?task=GA&key=K&ver=V"_s);
    EXPECT_EQ(SipProxyObject(u"K"_s, u"V"_s), u"ZuvoDialler/phone.ashx?task=SP&key=K&ver=V"_s);
    EXPECT_EQ(TunnelRoutesObject(), u"ZuvoDialler/phone.ashx?task=VP"_s);
}

TEST(ServiceUrls, PageAddresses) {
    EXPECT_EQ(AccountPageAddress(true, u"web.zuvo.test"_s, u"K"_s, u"V"_s),
              u"https://web.zuvo.test/ZuvoDialler/phone.ashx?task=UA&key=K&ver=V"_s);
    EXPECT_EQ(RatesPageAddress(false, u"w"_s, u"K"_s, u"V"_s), u"http://w/?task=RT&key=K&ver=V"_s);
    EXPECT_EQ(HelpPageAddress(true, u"w"_s, u"V"_s),
              u"https://w/ZuvoDialler/phone.ashx?task=OH&ver=V"_s);
    EXPECT_EQ(CustomerPageAddress(true, u"w"_s, {}, u"V"_s), u"https://w/?task=CS&key=&ver=V"_s);
    EXPECT_EQ(HomePageAddress(u"home.zuvo.test"_s, u"K"_s, u"V"_s),
              u"http://home.zuvo.test/?task=CS&key=K&ver=V"_s);
}
