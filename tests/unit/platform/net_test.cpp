#include "platform/net.h"

#include <gtest/gtest.h>

namespace zuvo {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(LocalAddresses, TowardServersFirstLoopbackLastEachOnce) {
    const QStringList plain = LocalIPv4Addresses({});
    ASSERT_FALSE(plain.isEmpty());
    EXPECT_EQ(plain.last(), u"127.0.0.1"_s);
    EXPECT_EQ(plain.count(u"127.0.0.1"_s), 1);
    for (const QString& address : plain) {
        EXPECT_TRUE(IsIpv4Address(address)) << address.toStdString();
    }

    // Toward a loopback server, loopback comes first and is not listed twice.
    const QStringList toward = LocalIPv4Addresses({u"127.0.0.1"_s, u"127.0.0.1"_s});
    EXPECT_EQ(toward.first(), u"127.0.0.1"_s);
    EXPECT_EQ(toward.count(u"127.0.0.1"_s), 1);
    EXPECT_EQ(toward.size(), plain.size());

    // Names, empty text and malformed numbers are not looked up.
    EXPECT_EQ(LocalIPv4Addresses({u"sip.example.test"_s, QString(), u"300.1.1.1"_s,
                                  u"127.0.0.1.5"_s, u"127.0.0.1:5060"_s}),
              plain);
    EXPECT_TRUE(LocalAddressToward(u"localhost"_s).isEmpty());
    EXPECT_EQ(LocalAddressToward(u"127.0.0.1"_s), u"127.0.0.1"_s);
}

}  // namespace
}  // namespace zuvo
