#include <gtest/gtest.h>

#include "app/core/settings_store.h"
#include "app/logic/config_lock.h"
#include "app/logic/phone_state.h"
#include "app/strings/string_ids.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "tests/support/file_system_limits.h"
#include "tests/support/test_environment.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;
using Refusal = ConfigLock::Refusal;

QString StoredPin(const Profile& profile) {
    return profile.GetString(u"Configuration"_s, u"LockPIN"_s, u"<missing>"_s);
}

TEST(ConfigLock, NewPinMustMatchAndHoldFourToSixteenCharacters) {
    EXPECT_EQ(ConfigLock::CheckNewPin(u"1234"_s, u"1234"_s), Refusal::None);
    EXPECT_EQ(ConfigLock::CheckNewPin(u"abCD"_s, u"abCD"_s), Refusal::None);  // letters too
    EXPECT_EQ(ConfigLock::CheckNewPin(QString(16, u'9'), QString(16, u'9')), Refusal::None);
    EXPECT_EQ(ConfigLock::CheckNewPin(u"123"_s, u"123"_s), Refusal::TooShort);
    EXPECT_EQ(ConfigLock::CheckNewPin(QString(), QString()), Refusal::TooShort);
    // A mismatch is told first, even when both are short.
    EXPECT_EQ(ConfigLock::CheckNewPin(u"12"_s, u"13"_s), Refusal::Mismatch);
    EXPECT_EQ(ConfigLock::CheckNewPin(u"abcd"_s, u"ABCD"_s), Refusal::Mismatch);
    EXPECT_EQ(ConfigLock::CheckNewPin(u"12345"_s, u"1234"_s), Refusal::Mismatch);
    // What the field could never hold is not taken either.
    EXPECT_EQ(ConfigLock::CheckNewPin(QString(17, u'1'), QString(17, u'1')), Refusal::TooShort);
    EXPECT_EQ(ConfigLock::CheckNewPin(u"12\n34"_s, u"12\n34"_s), Refusal::TooShort);

    EXPECT_EQ(ConfigLock::MessageFor(Refusal::Mismatch).text, StringId::PinMismatch);
    EXPECT_EQ(ConfigLock::MessageFor(Refusal::Mismatch).title, StringId::PinMismatchTitle);
    EXPECT_EQ(ConfigLock::MessageFor(Refusal::TooShort).text, StringId::PinTooShort);
    EXPECT_EQ(ConfigLock::MessageFor(Refusal::TooShort).title, StringId::IllegalPinTitle);
    EXPECT_EQ(ConfigLock::MessageFor(Refusal::WrongPin).text, StringId::WrongAdminPin);
    EXPECT_EQ(ConfigLock::MessageFor(Refusal::WrongPin).title, StringId::IllegalPinTitle);
}

TEST(ConfigLock, PinTextIsWhatCanBeStoredAsTyped) {
    EXPECT_TRUE(ConfigLock::IsPinText(QString()));
    EXPECT_TRUE(ConfigLock::IsPinText(u"Ab 9-é€"_s));
    EXPECT_TRUE(ConfigLock::IsPinText(u"12\U0001F600"_s));  // a whole surrogate pair
    EXPECT_FALSE(ConfigLock::IsPinText(QString(17, u'a')));
    EXPECT_FALSE(ConfigLock::IsPinText(u"12\t3"_s));
    EXPECT_FALSE(ConfigLock::IsPinText(u"12"_s + QChar(u'\0')));
    const QString pair = u"\U0001F600"_s;
    EXPECT_FALSE(ConfigLock::IsPinText(u"12"_s + pair.at(0)));      // half a character
    EXPECT_FALSE(ConfigLock::IsPinText(pair.at(1) + u"12"_s));      // the other half
    EXPECT_FALSE(ConfigLock::IsPinText(QString(15, u'1') + pair));  // 17 units
}

TEST(ConfigLock, LockAndUnlockFollowTheStoreAndSurviveARestart) {
    TestEnvironment env;
    Profile profile = Profile::Phone();
    PhoneState state;
    state.settings = LoadSettings(profile, u"EN"_s);
    ConfigLock lock(state, profile);
    EXPECT_FALSE(lock.IsLocked());

    // Refused entries change nothing, in memory or in the store.
    EXPECT_EQ(lock.Lock(u"1234"_s, u"1243"_s), Refusal::Mismatch);
    EXPECT_EQ(lock.Lock(u"123"_s, u"123"_s), Refusal::TooShort);
    EXPECT_FALSE(state.configLocked);
    EXPECT_EQ(StoredPin(profile), u"<missing>"_s);

    EXPECT_EQ(lock.Lock(u"Pin9"_s, u"Pin9"_s), Refusal::None);
    EXPECT_TRUE(state.configLocked);
    EXPECT_EQ(StoredPin(profile), u"Pin9"_s);  // kept as entered
    EXPECT_EQ(LoadSettings(profile, u"EN"_s).lockPin, u"Pin9"_s);

    // Unlocking compares exactly.
    for (const QString& wrong : {u"pin9"_s, u"Pin9 "_s, u"Pin"_s, QString()}) {
        EXPECT_EQ(lock.Unlock(wrong), Refusal::WrongPin);
        EXPECT_TRUE(state.configLocked);
    }
    EXPECT_EQ(StoredPin(profile), u"Pin9"_s);

    // After a restart the lock is read back and the right PIN removes it for good.
    PhoneState restarted;
    restarted.settings = LoadSettings(profile, u"EN"_s);
    ConfigLock again(restarted, profile);
    EXPECT_TRUE(again.IsLocked());
    EXPECT_EQ(again.Unlock(u"Pin9"_s), Refusal::None);
    EXPECT_FALSE(restarted.configLocked);
    EXPECT_TRUE(restarted.settings.lockPin.isEmpty());
    EXPECT_EQ(StoredPin(profile), QString());
    EXPECT_TRUE(LoadSettings(profile, u"EN"_s).lockPin.isEmpty());

    // Any text the field takes comes back the same.
    const QString unusual = u"Ünï €\U0001F600x"_s;
    EXPECT_EQ(again.Lock(unusual, unusual), Refusal::None);
    EXPECT_EQ(LoadSettings(profile, u"EN"_s).lockPin, unusual);
}

// A settings file nobody may change: the lock still takes effect for this run.
TEST(ConfigLock, UnwritableStoreStillLocksInMemory) {
    TestEnvironment env;
    const QString path = Registry::CurrentUserPath();
    {
        Registry hive(path);
        ASSERT_TRUE(
            hive.WriteString(Profile::PhoneRoot() + u"\\Version"_s, u"Language"_s, u"EN"_s));
    }
    ImmutableFile frozen(path);
    if (!frozen.ok())
        GTEST_SKIP() << "cannot make a file read-only here: " << frozen.error().toStdString();
    Profile profile = Profile::Phone();
    PhoneState state;
    ConfigLock lock(state, profile);
    EXPECT_EQ(lock.Lock(u"4321"_s, u"4321"_s), Refusal::None);
    EXPECT_TRUE(state.configLocked);
    EXPECT_EQ(StoredPin(profile), u"<missing>"_s);
    EXPECT_EQ(lock.Unlock(u"4321"_s), Refusal::None);
    EXPECT_FALSE(state.configLocked);
}

}  // namespace
}  // namespace zuvo::test
