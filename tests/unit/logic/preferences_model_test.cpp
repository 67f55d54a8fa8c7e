#include <gtest/gtest.h>

#include "app/logic/phone_state.h"
#include "app/logic/preferences_model.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "platform/profile.h"
#include "tests/support/test_environment.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

class PreferencesModelTest : public ::testing::Test {
protected:
    TestEnvironment env;
    Profile profile = Profile::Phone();

    int Stored(const QString& name) const { return profile.GetInt(u"Network"_s, name, -99); }
};

TEST_F(PreferencesModelTest, PageIsFilledFromTheWindowAndThePortClampedAtStart) {
    PhoneState state;
    state.settings.displayBalance = false;
    state.settings.callShopMode = true;
    state.settings.webLinks = false;
    state.settings.rtpDynamic = false;
    state.settings.rtpPort = 1000;
    state.service.minutesEnabled = true;
    state.service.popupsAvailable = false;
    const PreferencesPage page = PreferencesModel::PageFrom(state);
    EXPECT_FALSE(page.displayBalance);
    EXPECT_FALSE(page.saveOptions);  // call-shop mode is the save options switched off
    EXPECT_FALSE(page.webLinks);
    EXPECT_TRUE(page.minutesAvailable);
    EXPECT_FALSE(page.popupsAvailable);
    EXPECT_FALSE(page.rtpDynamic);

    // The box shows what is stored; the page holds it clamped, and that is what a cancelled
    // sheet hands back.
    const PreferencesModel low(page);
    EXPECT_EQ(low.PortText(), u"1000"_s);
    EXPECT_EQ(low.page().rtpPort, 1025);
    low.TakeBack(state.settings);
    EXPECT_EQ(state.settings.rtpPort, 1025);
    EXPECT_FALSE(state.settings.rtpDynamic);

    PreferencesPage high = page;
    high.rtpPort = 70000;
    EXPECT_EQ(PreferencesModel(high).page().rtpPort, 65534);
    EXPECT_EQ(PreferencesModel(high).PortText(), u"70000"_s);
    high.rtpPort = 1024;
    EXPECT_EQ(PreferencesModel(high).page().rtpPort, 1025);
    high.rtpPort = 5060;
    EXPECT_EQ(PreferencesModel(high).page().rtpPort, 5060);
}

TEST_F(PreferencesModelTest, PortCheckRefusesAnythingButAWholeNumberInRange) {
    const int notNumber = StringId::EnterInteger;
    const int range = StringId::EnterIntegerInRange;
    const QList<QPair<QString, int>> cases{
        {QString(), notNumber},
        {u"abc"_s, notNumber},
        {u" 5060 "_s, notNumber},
        {u"5060 "_s, notNumber},
        {u"-"_s, notNumber},
        {u"12a"_s, notNumber},
        {u"0"_s, range},
        {u"99999"_s, range},
        {u"-1"_s, range},
        {u"1024"_s, range},
        {u"65535"_s, range},
        {u"12345678901234567890"_s, range},
        {u"00000000000000001030"_s, range},
        {u"１０３０"_s, notNumber},
    };
    for (const auto& [text, id] : cases) {
        EXPECT_EQ(PreferencesModel::CheckPort(text).messageId, id) << text.toStdString();
    }
    EXPECT_EQ(PreferencesModel::CheckPort(u"1025"_s).port, 1025);
    EXPECT_EQ(PreferencesModel::CheckPort(u"65534"_s).port, 65534);
    EXPECT_EQ(PreferencesModel::CheckPort(u"040000"_s).port, 40000);

    ASSERT_TRUE(StringTable::Global().Load());
    PreferencesModel::PortCheck bad;
    bad.messageId = range;
    EXPECT_EQ(PreferencesModel::Message(bad), u"Please enter an integer between 1025 and 65534."_s);
    bad.messageId = notNumber;
    EXPECT_EQ(PreferencesModel::Message(bad), u"Please enter an integer."_s);
}

TEST_F(PreferencesModelTest, ApplyStoresOnlyAGoodPageAndHandsItOverFirst) {
    PreferencesPage start;
    start.rtpPort = 7000;
    start.rtpDynamic = true;
    start.minutesAvailable = true;
    PreferencesModel model(start);
    int handedOver = 0;
    PreferencesPage seen;
    const PreferencesModel::ApplySink sink = [&](const PreferencesPage& page) {
        ++handedOver;
        seen = page;
        // The options are stored before the audio port values.
        EXPECT_EQ(profile.GetInt(u"Network"_s, u"RTP Port"_s, -99), handedOver == 1 ? -99 : 40000);
    };

    PreferencesPage controls = start;
    controls.rtpDynamic = false;
    controls.displayBalance = false;
    controls.minutesAvailable = false;  // never taken from the controls
    for (const QString& bad : {QString(), u"abc"_s, u"0"_s, u"99999"_s, u"-1"_s, u" 5060 "_s,
                               u"12345678901234567890"_s}) {
        EXPECT_NE(model.Apply(controls, bad, profile, sink).messageId, 0) << bad.toStdString();
    }
    EXPECT_EQ(handedOver, 0);
    EXPECT_EQ(Stored(u"RTP Port"_s), -99);
    EXPECT_EQ(Stored(u"RTP Dynamic"_s), -99);
    EXPECT_TRUE(model.page().rtpDynamic);

    EXPECT_EQ(model.Apply(controls, u"40000"_s, profile, sink).messageId, 0);
    EXPECT_EQ(handedOver, 1);
    EXPECT_FALSE(seen.displayBalance);
    EXPECT_TRUE(seen.minutesAvailable);
    EXPECT_EQ(seen.rtpPort, 40000);
    EXPECT_EQ(Stored(u"RTP Dynamic"_s), 0);
    EXPECT_EQ(Stored(u"RTP Port"_s), 40000);

    // Back to automatic: the port stays as it was.
    controls.rtpDynamic = true;
    EXPECT_EQ(model.Apply(controls, u"40000"_s, profile, sink).messageId, 0);
    EXPECT_EQ(Stored(u"RTP Dynamic"_s), 1);
    EXPECT_EQ(Stored(u"RTP Port"_s), 40000);
    PhoneSettings settings;
    model.TakeBack(settings);
    EXPECT_TRUE(settings.rtpDynamic);
    EXPECT_EQ(settings.rtpPort, 40000);
}

}  // namespace
}  // namespace zuvo::test
