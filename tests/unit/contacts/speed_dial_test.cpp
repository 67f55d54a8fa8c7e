#include <gtest/gtest.h>

#include "app/strings/string_table.h"
#include "contacts/speed_dial.h"
#include "platform/profile.h"
#include "platform/speed_dial_store.h"
#include "tests/support/test_environment.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(SpeedDial, SplitAtTheFirstSemicolon) {
    auto e = SpeedDial::Split(u"0123;Mum"_s);
    EXPECT_EQ(e.number, u"0123"_s);
    EXPECT_EQ(e.comment, u"Mum"_s);
    e = SpeedDial::Split(u"0123;a;b"_s);
    EXPECT_EQ(e.number, u"0123"_s);
    EXPECT_EQ(e.comment, u"a;b"_s);
    e = SpeedDial::Split(u" 0123 "_s);
    EXPECT_EQ(e.number, u" 0123 "_s);  // no trimming here
    EXPECT_TRUE(e.comment.isEmpty());
}

TEST(SpeedDial, LookupAndTooltipsFromTheStore) {
    TestEnvironment env;
    ASSERT_TRUE(StringTable::Global().Load());
    Profile profile = Profile::Phone();
    SpeedDial dial(profile);
    const QString key = profile.KeyPath(SpeedDialStore::kSection);

    EXPECT_FALSE(dial.Lookup(1));
    EXPECT_EQ(dial.TooltipText(1), QString());
    EXPECT_FALSE(profile.hive().KeyExists(key));  // looking never creates the store

    profile.hive().WriteString(key, u"Nu1"_s, u"0123;Mum"_s);
    profile.hive().WriteString(key, u"Nu2"_s, u"0456"_s);
    profile.hive().WriteString(key, u"Nu3"_s, u";Nobody"_s);
    profile.hive().WriteString(key, u"Nu11"_s, u"9"_s + QString(2000, u'x'));
    EXPECT_EQ(dial.TooltipText(1), u"Hold to dial - Mum"_s);
    EXPECT_EQ(dial.TooltipText(2), u"Hold to dial - 0456"_s);
    EXPECT_FALSE(dial.Lookup(3));
    EXPECT_EQ(dial.TooltipText(3), QString());
    EXPECT_FALSE(dial.Lookup(12));
    const auto longEntry = dial.Lookup(11);
    ASSERT_TRUE(longEntry);
    EXPECT_EQ(longEntry->number.size(), 1023);

    // Changes made by the manager show at once.
    profile.hive().WriteString(key, u"Nu2"_s, u"0789;Work"_s);
    EXPECT_EQ(dial.Lookup(2)->number, u"0789"_s);
}

}  // namespace
}  // namespace zuvo::test
