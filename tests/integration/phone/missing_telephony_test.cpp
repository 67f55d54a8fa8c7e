// A phone installed without its telephony library: it says why and ends with "not started"
// instead of crashing or showing a phone that cannot call.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "tests/support/phone_peers.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo::test;

TEST(MissingTelephony, ThePhoneSaysSoAndEndsNotStarted) {
    TestEnvironment env;
    EnsureApplication();
    // The program alone, without the lib/zuvo folder it finds its library in.
    ASSERT_TRUE(QDir().mkpath(env.path(u"install/bin"_s)));
    const QString program = env.path(u"install/bin/zuvo"_s);
    ASSERT_TRUE(QFile::copy(BinaryPath(u"zuvo"_s), program));

    ChildProcess phone(program, {u"/T"_s, u"/B12345"_s, u"/P9876"_s});
    ASSERT_TRUE(phone.Start());
    EXPECT_EQ(phone.WaitForExit(std::chrono::seconds(60)), 20);
    const QString output = QString::fromLocal8Bit(phone.output());
    EXPECT_TRUE(output.contains(u"telephony library did not load"_s)) << output.toStdString();
    EXPECT_TRUE(output.contains(env.path(u"install/lib/zuvo/zuvo-engine.so"_s)))
        << output.toStdString();
}
