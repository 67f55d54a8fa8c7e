#include <gtest/gtest.h>

#include "app/core/install_layout.h"
#include "app/core/settings_store.h"
#include "app/core/window_position.h"
#include "platform/profile.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    test::TestEnvironment env;
    Profile profile = Profile::Phone();
};

TEST_F(SettingsTest, EmptyStoreGivesDefaultsAndWritesTheVersion) {
    const PhoneSettings s = LoadSettings(profile, u"EN"_s);
    EXPECT_EQ(s.version, u"5.85.EN.000.600.002"_s);
    EXPECT_EQ(profile.GetString(u"Version"_s, u"Serial"_s, QString()), s.version);
    EXPECT_TRUE(s.rtpDynamic);
    EXPECT_EQ(s.rtpPort, 7000);
    EXPECT_EQ(s.serverAddresses, QStringList{QString()});
    EXPECT_EQ(s.proxy.mode, 1);
    EXPECT_EQ(s.proxy.httpsPort, 80);
    EXPECT_TRUE(s.displayBalance && s.displayTimer && s.webLinks && s.accountButton);
    EXPECT_FALSE(s.webServer.isEmpty());
    // A first start is not an upgrade: the wizard flag is left alone.
    EXPECT_FALSE(profile.hive().Query(profile.KeyPath(u"Configuration"_s), u"Install Wizard"_s));
}

TEST_F(SettingsTest, UpgradeResetsWizardAndVersionCarriesPackageAndLanguage) {
    profile.WriteString(u"Version"_s, u"Serial"_s, u"5.60.EN.000.600.002"_s);
    profile.WriteInt(u"Configuration"_s, u"Install Wizard"_s, 1);
    profile.WriteInt(u"Configuration"_s, u"Package"_s, 7);
    profile.WriteString(u"Network"_s, u"SvrAddr0"_s, u"a"_s);
    profile.WriteString(u"Network"_s, u"SvrAddr1"_s, u"b"_s);
    profile.WriteString(u"Network"_s, u"SvrAddr3"_s, u"after a gap"_s);
    const PhoneSettings s = LoadSettings(profile, u"FR"_s);
    EXPECT_EQ(profile.GetInt(u"Configuration"_s, u"Install Wizard"_s, 9), 0);
    EXPECT_EQ(s.version, u"5.85.FR.007.600.002"_s);
    EXPECT_EQ(s.serverAddresses, (QStringList{u"a"_s, u"b"_s, QString()}));

    // The current version is no upgrade.
    profile.WriteInt(u"Configuration"_s, u"Install Wizard"_s, 1);
    LoadSettings(profile, u"FR"_s);
    EXPECT_EQ(profile.GetInt(u"Configuration"_s, u"Install Wizard"_s, 9), 1);
}

TEST_F(SettingsTest, ScrambleRoundTripsAndDependsOnTheKey) {
    EXPECT_EQ(Scramble(u"1234"_s, u"1234"_s), u"0x00000000"_s);
    EXPECT_EQ(Unscramble(u"0x00000000"_s, u"1234"_s), u"1234"_s);
    EXPECT_EQ(Unscramble(u"0x3141"_s, u"1"_s), QString());  // a zero byte ends the text
    for (const QString& pin : {u"9876"_s, u"a longer pin than key"_s, QString()}) {
        for (const QString& key : {u"-12345"_s, u"0"_s, u"2081109263"_s}) {
            EXPECT_EQ(Unscramble(Scramble(pin, key), key), pin);
        }
    }
    EXPECT_EQ(Scramble(u"A"_s, u"1"_s), u"0x70"_s);
    EXPECT_NE(Unscramble(Scramble(u"9876"_s, u"111"_s), u"222"_s), u"9876"_s);
    EXPECT_EQ(Unscramble(u"0x7"_s, u"0"_s), QString(QChar(0x37)));  // a lone last digit
    EXPECT_FALSE(MachineKey().isEmpty());
}

TEST_F(SettingsTest, AccountSaveAndPreferences) {
    AccountRecord account{u"12345"_s, u"9876"_s, u"12345"_s, true, true};
    SaveAccount(profile, account, u"77"_s);
    EXPECT_EQ(profile.GetString(u"Account"_s, u"Account"_s, QString()), u"12345"_s);
    EXPECT_EQ(Unscramble(profile.GetString(u"Account"_s, u"Number"_s, QString()), u"77"_s),
              u"9876"_s);
    EXPECT_EQ(profile.GetInt(u"Account"_s, u"PFlag"_s, 0), 1);

    account.password.clear();
    SaveAccount(profile, account, u"77"_s);
    EXPECT_EQ(profile.GetString(u"Account"_s, u"Number"_s, u"x"_s), QString());
    EXPECT_EQ(profile.GetInt(u"Account"_s, u"PFlag"_s, 1), 0);

    // Switching the save options off erases what is stored.
    account.password = u"9876"_s;
    SaveAccount(profile, account, u"77"_s);
    PhoneSettings settings = LoadSettings(profile, u"EN"_s);
    PreferencesPage page;
    page.saveOptions = false;
    page.displayBalance = false;
    const auto effects = SaveSettings(profile, page, settings, account, u"77"_s);
    EXPECT_TRUE(effects.balanceChanged);
    EXPECT_FALSE(effects.webLinksChanged);
    EXPECT_TRUE(settings.callShopMode);
    EXPECT_EQ(profile.GetString(u"Account"_s, u"Account"_s, u"x"_s), QString());
    EXPECT_EQ(profile.GetString(u"Account"_s, u"Number"_s, u"x"_s), QString());
    EXPECT_EQ(profile.GetInt(u"Settings"_s, u"DisplayBalance"_s, 1), 0);
    EXPECT_EQ(profile.GetInt(u"Account"_s, u"CyberMode"_s, 0), 1);

    // Locking to the account remembers both and re-reads the lock PIN.
    profile.WriteString(u"Configuration"_s, u"LockPIN"_s, u"4321"_s);
    page.saveOptions = true;
    page.lockToAccount = true;
    SaveSettings(profile, page, settings, account, u"77"_s);
    EXPECT_EQ(settings.lockPin, u"4321"_s);
    EXPECT_TRUE(account.rememberPassword);
    EXPECT_EQ(profile.GetInt(u"Account"_s, u"CyberSave"_s, 0), 1);
    EXPECT_EQ(profile.GetString(u"Account"_s, u"Account"_s, QString()), u"12345"_s);
}

TEST_F(SettingsTest, WindowPositionIsClampedToTheScreen) {
    const QSize screen(1024, 768);
    EXPECT_FALSE(RestoredPosition(profile, u"Main"_s, screen));  // never saved: centre
    SavePosition(profile, u"Main"_s, QRect(5000, -20, 250, 470));
    EXPECT_EQ(RestoredPosition(profile, u"Main"_s, screen), QPoint(774, 0));
    SavePosition(profile, u"Main"_s, QRect(100, 700, 250, 470));
    EXPECT_EQ(RestoredPosition(profile, u"Main"_s, screen), QPoint(100, 298));
    SavePosition(profile, u"Main"_s, QRect(10, 20, 250, 470));
    EXPECT_EQ(RestoredPosition(profile, u"Main"_s, screen), QPoint(10, 20));
}

}  // namespace

// The stored language picks a bundle file; only a language code may reach the path.
TEST(InstallLayoutTest, LanguageBundleTakesOnlyALanguageCode) {
    EXPECT_TRUE(InstallLayout::LanguageBundle(u"FR"_s).endsWith(u"/ResDll/ResFR.rcc"_s));
    EXPECT_TRUE(InstallLayout::LanguageBundle(u"ptBR"_s).endsWith(u"/ResDll/ResptBR.rcc"_s));
    for (const QString& bad : {u""_s, u"F"_s, u"../../../tmp/evil"_s, u"FR/../../x"_s,
                               u"FR.rcc\u0000"_s, u"ABCDEFGHI"_s, u"F1"_s, u"\u00C9S"_s}) {
        EXPECT_TRUE(InstallLayout::LanguageBundle(bad).isEmpty()) << bad.toStdString();
    }
}
