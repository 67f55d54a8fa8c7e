#include <gtest/gtest.h>

#include "platform/registry.h"
#include "telephony/engine_bring_up.h"
#include "tests/support/test_environment.h"

namespace zuvo {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(EngineBringUp, PortRangePolicyIsTurnedOffOnlyWhereItsKeyExists) {
    test::TestEnvironment env;
    Registry machine(env.path(u"machine.db"_s));
    Registry user(env.path(u"user.db"_s));
    const QString machineKey = QString::fromUtf16(kPortRangePolicyKey);
    const QString userKey = QString::fromUtf16(kPortRangeVirtualStoreKey);

    DisableRtcPortRangePolicy(machine, user);
    EXPECT_FALSE(machine.KeyExists(machineKey));
    EXPECT_FALSE(user.KeyExists(userKey));

    ASSERT_TRUE(machine.WriteDword(machineKey, u"Enabled"_s, 1));
    DisableRtcPortRangePolicy(machine, user);
    EXPECT_EQ(machine.ReadDword(machineKey, u"enabled"_s), 0u);
    EXPECT_FALSE(user.KeyExists(userKey));

    ASSERT_TRUE(user.CreateKey(userKey));
    DisableRtcPortRangePolicy(machine, user);
    EXPECT_EQ(user.ReadDword(userKey, u"Enabled"_s), 0u);
}

}  // namespace
}  // namespace zuvo
