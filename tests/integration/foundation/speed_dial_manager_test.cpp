// zuvo-speeddial writes the store that the phone reads and tells the phone's window which key
// changed: the real tool against the phone's own reader and a window of the phone's class.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <vector>

#include "contacts/speed_dial.h"
#include "platform/external_control_protocol.h"
#include "platform/ids.h"
#include "platform/local_bus.h"
#include "platform/profile.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using test::BinaryPath;
using test::ChildProcess;

namespace {

int argc = 1;
char arg0[] = "test";
char* argv[] = {arg0, nullptr};

int SpeedDialTool(const QStringList& args) {
    ChildProcess tool(BinaryPath(u"zuvo-speeddial"_s), args);
    if (!tool.Start())
        return -1;
    return tool.WaitForExit();
}

TEST(SpeedDialManagerTest, ThePhoneReadsWhatTheToolWritesAndHearsWhichKeyChanged) {
    test::TestEnvironment env;
    QCoreApplication app(argc, argv);
    LocalBusEndpoint phone(ExternalControlProtocol::kPhoneWindowClass);
    ASSERT_TRUE(phone.Listen());
    std::vector<std::pair<uint32_t, WPARAM>> heard;
    phone.setMessageHandler([&](uint32_t message, WPARAM w, LPARAM) {
        heard.emplace_back(message, w);
        return LRESULT{0};
    });

    ASSERT_EQ(SpeedDialTool({u"set"_s, u"2"_s, u"0123"_s, u"Mum"_s}), 0);
    ASSERT_EQ(SpeedDialTool({u"set"_s, u"#"_s, u"0456"_s}), 0);
    ASSERT_TRUE(test::WaitUntil([&] { return heard.size() == 2; }));
    EXPECT_EQ(heard[0], std::make_pair(Msg::SpeedDialTooltip, WPARAM{2}));
    EXPECT_EQ(heard[1], std::make_pair(Msg::SpeedDialTooltip, WPARAM{11}));

    const Profile profile = Profile::Phone();
    const SpeedDial reader(profile);
    const auto mum = reader.Lookup(2);
    ASSERT_TRUE(mum);
    EXPECT_EQ(mum->number, u"0123"_s);
    EXPECT_EQ(mum->comment, u"Mum"_s);
    const auto hash = reader.Lookup(11);
    ASSERT_TRUE(hash);
    EXPECT_EQ(hash->number, u"0456"_s);
    EXPECT_TRUE(hash->comment.isEmpty());

    ASSERT_EQ(SpeedDialTool({u"clear"_s, u"2"_s}), 0);
    EXPECT_FALSE(reader.Lookup(2));
    ASSERT_TRUE(test::WaitUntil([&] { return heard.size() == 3; }));
    EXPECT_EQ(heard[2], std::make_pair(Msg::SpeedDialTooltip, WPARAM{2}));

    // An entry the phone could not hold whole is refused, not cut.
    EXPECT_EQ(SpeedDialTool({u"set"_s, u"3"_s, QString(1024, u'5')}), 2);
    EXPECT_FALSE(reader.Lookup(3));
}

}  // namespace
