#include <gtest/gtest.h>

#include "contacts/call_history.h"
#include "platform/profile.h"
#include "tests/support/test_environment.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(CallHistory, LoadStopsAtAGapAndSaveErasesWhatWasNotLoaded) {
    TestEnvironment env;
    Profile profile = Profile::Phone();
    for (int i : {0, 1, 2, 4}) {
        profile.WriteString(u"Call History"_s, u"Nu%1"_s.arg(i), u"n%1"_s.arg(i));
        profile.WriteString(u"Call History"_s, u"Tu%1"_s.arg(i), u"00:00:0%1"_s.arg(i));
    }
    CallHistory history;
    history.Load(profile);
    EXPECT_EQ(history.Count(), 3);
    EXPECT_EQ(history.Number(2), u"n2"_s);
    EXPECT_EQ(history.Duration(1), u"00:00:01"_s);
    EXPECT_EQ(history.Number(4), QString());
    EXPECT_EQ(history.JoinedNumbers(), u"n0,n1,n2"_s);
    history.Save(profile);
    EXPECT_EQ(profile.GetString(u"Call History"_s, u"Nu4"_s, u"x"_s), QString());
    EXPECT_EQ(profile.GetString(u"Call History"_s, u"Tu19"_s, u"x"_s), QString());

    CallHistory reloaded;
    reloaded.Load(profile);
    EXPECT_EQ(reloaded.Count(), 3);
}

TEST(CallHistory, TwentyEntriesNewestFirst) {
    CallHistory history;
    history.SetDuration(10);  // no entry: nothing to record against
    EXPECT_EQ(history.Duration(0), QString());
    for (int i = 0; i < 21; ++i)
        history.Add(QString::number(i));
    EXPECT_EQ(history.Count(), 20);
    EXPECT_EQ(history.Number(0), u"20"_s);
    EXPECT_EQ(history.Number(19), u"1"_s);  // "0" dropped out
    history.Add(u"20"_s);                   // no de-duplication
    EXPECT_EQ(history.Number(1), u"20"_s);

    history.SetDuration(3723);
    EXPECT_EQ(history.Duration(0), u"01:02:03"_s);
    history.SetDuration(25 * 3600);
    EXPECT_EQ(history.Duration(0), u"01:00:00"_s);
    EXPECT_EQ(history.Duration(1), u"00:00:00"_s);
}

TEST(CallHistory, HandoverIsReadWithoutCreatingTheKey) {
    TestEnvironment env;
    Profile profile = Profile::Phone();
    EXPECT_FALSE(CallHistory::ReadHandover(profile));
    EXPECT_FALSE(profile.hive().KeyExists(profile.KeyPath(u"Call History"_s)));
    profile.WriteString(u"Call History"_s, u"Nu0"_s, u"1"_s);
    EXPECT_FALSE(CallHistory::ReadHandover(profile));
    profile.WriteString(u"Call History"_s, u"FA"_s, QString(150, u'7'));
    const auto number = CallHistory::ReadHandover(profile);
    ASSERT_TRUE(number);
    EXPECT_EQ(number->size(), 99);
    EXPECT_TRUE(CallHistory::ReadHandover(profile));  // the value stays
}

}  // namespace
}  // namespace zuvo::test
