#include <gtest/gtest.h>

#include "platform/profile.h"
#include "popups/popup_store.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

PopupRecord Record(const QString& name, int64_t expiry, int64_t displayed, int control, int freq,
                   int cx, int cy) {
    PopupRecord r;
    r.name = name;
    r.expiry = expiry;
    r.displayed = displayed;
    r.control = control;
    r.freq = freq;
    r.cx = cx;
    r.cy = cy;
    return r;
}

}  // namespace

TEST(PopupStore, SavesAndLoadsTheClockAndTheRecords) {
    test::TestEnvironment env;
    Profile profile = Profile::Phone();
    EXPECT_TRUE(PopupStore::Load(profile).records().empty());

    // 2040 and 2099 do not fit a signed 32-bit number.
    const int64_t y2040 = 2'209'075'200;
    const int64_t y2099 = 4'102'444'740;
    PopupSchedule s(PopupClock{y2040, 1'700'000'000},
                    {Record(u"offers.htm"_s, y2099, y2040, 0, -1, 640, 480),
                     Record(u"/news.htm"_s, y2040, 0, 3, 60, 300, 300),
                     Record(u"http://127.0.0.1/x?a=1&b=2"_s, y2040, 5, -2, 0, 800, 600)});
    ASSERT_TRUE(PopupStore::Save(profile, s).done);

    PopupSchedule loaded = PopupStore::Load(profile);
    EXPECT_EQ(loaded.clock().serverTime, y2040);
    EXPECT_EQ(loaded.clock().localTime, 1'700'000'000);
    ASSERT_EQ(loaded.records().size(), 3u);
    const PopupRecord& first = loaded.records()[0];
    EXPECT_EQ(first.name, u"offers.htm"_s);
    EXPECT_EQ(first.expiry, y2099);
    EXPECT_EQ(first.displayed, y2040);
    EXPECT_EQ(first.freq, -1);
    EXPECT_EQ(first.cx, 640);
    EXPECT_EQ(first.cy, 480);
    EXPECT_EQ(loaded.records()[1].name, u"/news.htm"_s);
    EXPECT_EQ(loaded.records()[1].control, 3);
    EXPECT_EQ(loaded.records()[2].control, -2);

    // The message of 2099 is not taken for expired after the reload.
    const auto best = loaded.Next(1, 1'700'000'000, [](const QString&) {});
    ASSERT_TRUE(best.has_value());
    EXPECT_EQ(loaded.records()[*best].name, u"offers.htm"_s);
}

TEST(PopupStore, MissingValuesTakeTheirDefaults) {
    test::TestEnvironment env;
    Profile profile = Profile::Phone();
    profile.hive().CreateKey(profile.KeyPath(u"Popups\\bare.htm"_s));
    const PopupSchedule loaded = PopupStore::Load(profile);
    ASSERT_EQ(loaded.records().size(), 1u);
    const PopupRecord& r = loaded.records()[0];
    EXPECT_EQ(r.expiry, 0);
    EXPECT_EQ(r.displayed, 0);
    EXPECT_EQ(r.control, 0);
    EXPECT_EQ(r.freq, 0);
    EXPECT_EQ(r.cx, 300);
    EXPECT_EQ(r.cy, 300);
    EXPECT_EQ(loaded.clock().serverTime, 0);
}

TEST(PopupStore, ForgettingAMessageNeverReachesAnotherKey) {
    test::TestEnvironment env;
    Profile profile = Profile::Phone();
    PopupSchedule s(PopupClock{100, 200}, {Record(u"a.htm"_s, 1000, 0, 0, -1, 300, 300),
                                           Record(u"b.htm"_s, 1000, 0, 0, -1, 300, 300)});
    ASSERT_TRUE(PopupStore::Save(profile, s).done);
    Registry& hive = profile.hive();
    const QString root = profile.KeyPath(u"Popups"_s);

    // Names that would name the "Popups" key itself or a key below another one.
    for (const QString& name : {QString(), u"\\"_s, u"a.htm\\"_s, u"x\\..\\a.htm"_s}) {
        PopupStore::Forget(profile, name);
    }
    EXPECT_TRUE(hive.KeyExists(root));
    EXPECT_EQ(hive.ReadDword(root, u"ServerTime"_s), 100u);
    EXPECT_EQ(hive.SubKeys(root), (QStringList{u"a.htm"_s, u"b.htm"_s}));

    PopupStore::Forget(profile, u"a.htm"_s);
    EXPECT_EQ(hive.SubKeys(root), (QStringList{u"b.htm"_s}));

    // Expired at the next event: the record goes from the list and its key from the store.
    PopupSchedule loaded = PopupStore::Load(profile);
    EXPECT_FALSE(
        loaded.Next(1, 200 + 1000, [&](const QString& name) { PopupStore::Forget(profile, name); })
            .has_value());
    EXPECT_TRUE(hive.SubKeys(root).isEmpty());
    EXPECT_TRUE(hive.KeyExists(root));
}

TEST(PopupStore, OnlyChangedRecordsAreWrittenAgain) {
    test::TestEnvironment env;
    Profile profile = Profile::Phone();
    PopupSchedule s(PopupClock{100, 200}, {Record(u"a.htm"_s, 5000, 0, 0, -1, 300, 300)});
    ASSERT_TRUE(PopupStore::Save(profile, s).done);
    const QString key = profile.KeyPath(u"Popups\\a.htm"_s);
    // Changed behind the schedule's back: an unchanged record does not overwrite it...
    profile.hive().WriteDword(key, u"cx"_s, 999);
    ASSERT_TRUE(PopupStore::Save(profile, s).done);
    EXPECT_EQ(profile.hive().ReadDword(key, u"cx"_s), 999u);
    // ...a shown one does.
    s.MarkShown(0, 300);
    ASSERT_TRUE(PopupStore::Save(profile, s).done);
    EXPECT_EQ(profile.hive().ReadDword(key, u"cx"_s), 300u);
    EXPECT_EQ(profile.hive().ReadDword(key, u"Displayed"_s), 200u);
}
