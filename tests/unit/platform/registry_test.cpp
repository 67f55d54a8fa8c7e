#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include "platform/profile.h"
#include "platform/registry.h"
#include "tests/support/file_system_limits.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::Profile;
using zuvo::Registry;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    zuvo::test::TestEnvironment env;
    QString dbPath() const { return env.path(u"store/test.db"_s); }
};

TEST_F(RegistryTest, TypesNamesAndOrder) {
    Registry hive(dbPath());
    EXPECT_FALSE(hive.KeyExists(u"Software\\Zuvo"_s));
    ASSERT_TRUE(hive.WriteString(u"Software\\Zuvo\\Zuvo PC\\Network"_s, u"Web Server"_s, u"a"_s));
    ASSERT_TRUE(hive.WriteDword(u"Software\\Zuvo\\Zuvo PC\\Network"_s, u"RTP Port"_s, 7001));
    ASSERT_TRUE(hive.WriteString(u"Software\\Zuvo\\Zuvo PC\\Network"_s, QString(), u"def"_s));

    // Case-insensitive look-up, case preserved from creation.
    EXPECT_TRUE(hive.KeyExists(u"software\\ZUVO\\zuvo pc"_s));
    EXPECT_EQ(hive.ReadString(u"SOFTWARE\\zuvo\\ZUVO PC\\network"_s, u"web server"_s), u"a"_s);
    EXPECT_EQ(hive.ReadDword(u"Software\\Zuvo\\Zuvo PC\\Network"_s, u"rtp port"_s), 7001u);
    EXPECT_EQ(hive.ReadString(u"Software\\Zuvo\\Zuvo PC\\Network"_s, QString()), u"def"_s);
    // Wrong type reads as absent.
    EXPECT_FALSE(hive.ReadDword(u"Software\\Zuvo\\Zuvo PC\\Network"_s, u"Web Server"_s));
    EXPECT_FALSE(hive.ReadString(u"Software\\Zuvo\\Zuvo PC\\Network"_s, u"RTP Port"_s));

    // Overwriting keeps the value's place and may change its type.
    ASSERT_TRUE(hive.WriteDword(u"Software\\Zuvo\\Zuvo PC\\Network"_s, u"WEB SERVER"_s, 5));
    const auto values = hive.Values(u"Software\\Zuvo\\Zuvo PC\\Network"_s);
    ASSERT_EQ(values.size(), 3);
    EXPECT_EQ(values[0].name, u"Web Server"_s);
    EXPECT_EQ(values[0].type, Registry::Type::Dword);
    EXPECT_EQ(values[1].name, u"RTP Port"_s);
    EXPECT_EQ(values[2].name, QString());

    hive.CreateKey(u"Software\\Zuvo\\Zuvo PC\\Zeta"_s);
    hive.CreateKey(u"Software\\Zuvo\\Zuvo PC\\Alpha"_s);
    EXPECT_EQ(hive.SubKeys(u"Software\\Zuvo\\Zuvo PC"_s),
              (QStringList{u"Network"_s, u"Zeta"_s, u"Alpha"_s}));

    // Deleting a key takes its subkeys and values.
    hive.WriteString(u"Software\\Zuvo\\Zuvo PC\\Zeta\\Deep"_s, u"x"_s, u"y"_s);
    EXPECT_TRUE(hive.DeleteKey(u"Software\\Zuvo\\Zuvo PC\\zeta"_s));
    EXPECT_FALSE(hive.KeyExists(u"Software\\Zuvo\\Zuvo PC\\Zeta\\Deep"_s));
    EXPECT_TRUE(hive.KeyExists(u"Software\\Zuvo\\Zuvo PC\\Alpha"_s));
    EXPECT_TRUE(hive.DeleteValue(u"Software\\Zuvo\\Zuvo PC\\Network"_s, u"rtp port"_s));
    EXPECT_FALSE(hive.DeleteValue(u"Software\\Zuvo\\Zuvo PC\\Network"_s, u"rtp port"_s));
}

TEST_F(RegistryTest, ValuesSurviveReopeningAndFileIsPrivate) {
    {
        Registry hive(dbPath());
        hive.WriteString(u"K"_s, u"V"_s, u"kept"_s);
    }
    Registry again(dbPath());
    EXPECT_EQ(again.ReadString(u"K"_s, u"V"_s), u"kept"_s);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(dbPath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// The phone and zuvo-reg share a hive. Statements are prepared once and used again; one left at
// a row after a read would keep that reader on the file as it was, blind to the other's writes
// and unable to write itself.
TEST_F(RegistryTest, EachReadSeesTheOtherWritersLatestValues) {
    Registry phone(dbPath());
    Registry tool(dbPath());
    ASSERT_TRUE(phone.WriteString(u"S\\Net"_s, u"Web"_s, u"one"_s));
    ASSERT_TRUE(phone.WriteString(u"S\\Net"_s, u"Proxy"_s, u"p"_s));
    for (int round = 0; round < 3; ++round) {
        const QString next = QString::number(round);
        // Every kind of read, each stopping at its first row or reading on.
        EXPECT_TRUE(phone.ReadString(u"S\\Net"_s, u"Web"_s).has_value());
        EXPECT_FALSE(phone.Values(u"S\\Net"_s).isEmpty());
        EXPECT_FALSE(phone.SubKeys(u"S"_s).isEmpty());
        EXPECT_TRUE(phone.KeyExists(u"S\\Net"_s));
        ASSERT_TRUE(tool.WriteString(u"S\\Net"_s, u"Web"_s, next));
        ASSERT_TRUE(tool.CreateKey(u"S\\Other"_s + next));
        EXPECT_EQ(phone.ReadString(u"S\\Net"_s, u"Web"_s), next);
        EXPECT_EQ(phone.SubKeys(u"S"_s).size(), round + 2);
        EXPECT_EQ(phone.Values(u"S\\Net"_s).first().text, next);
        // And the reader can still write, over what the other wrote.
        EXPECT_TRUE(phone.Put(u"S\\Net"_s, {u"Proxy"_s, Registry::Type::Dword, {}, 7u}).done);
        EXPECT_EQ(tool.ReadDword(u"S\\Net"_s, u"Proxy"_s), 7u);
    }
    EXPECT_TRUE(phone.DeleteKey(u"S"_s));
    EXPECT_FALSE(tool.KeyExists(u"S\\Net"_s));
}

TEST_F(RegistryTest, MissingFileReadsEmptyAndIsNotCreatedByReads) {
    Registry hive(dbPath());
    EXPECT_FALSE(hive.KeyExists(u"A"_s));
    EXPECT_TRUE(hive.SubKeys(u"A"_s).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dbPath()));
}

TEST_F(RegistryTest, DamagedFileIsMovedAsideNotOverwritten) {
    QDir().mkpath(env.path(u"store"_s));
    QFile junk(dbPath());
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    const QByteArray garbage(8192, '\x5a');
    junk.write(garbage);
    junk.close();

    Registry hive(dbPath());
    EXPECT_FALSE(hive.recoveryWarning().isEmpty());
    EXPECT_TRUE(hive.WriteString(u"K"_s, u"V"_s, u"fresh"_s));
    EXPECT_EQ(hive.ReadString(u"K"_s, u"V"_s), u"fresh"_s);

    const QStringList aside =
        QDir(env.path(u"store"_s)).entryList({u"test.db.damaged-*"_s}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    QFile moved(env.path(u"store/"_s + aside.first()));
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), garbage);
}

TEST_F(RegistryTest, ProfileDefaultsAndSectionCreation) {
    Profile profile = Profile::Phone();
    EXPECT_EQ(profile.GetInt(u"Network"_s, u"RTP Port"_s, 7000), 7000);
    // Reading through the profile creates the section key.
    EXPECT_TRUE(profile.hive().KeyExists(u"Software\\Zuvo\\Zuvo PC\\Network"_s));
    profile.WriteString(u"Network"_s, u"RTP Port"_s, u"not a number"_s);
    EXPECT_EQ(profile.GetInt(u"Network"_s, u"RTP Port"_s, 7000), 7000);
    profile.WriteInt(u"Network\\Last Connect"_s, u"HTTPS"_s, -1);
    EXPECT_EQ(profile.GetInt(u"Network\\Last Connect"_s, u"HTTPS"_s, 5), -1);
    EXPECT_EQ(profile.GetString(u"Network"_s, u"Missing"_s, u"dflt"_s), u"dflt"_s);
    EXPECT_EQ(profile.hive().path(), env.path(u"config/zuvo/user.db"_s));
}

// A file nobody may change (root included) is still read, by the phone's own access and by a
// reader; every change then fails with the reason, and the file is left as it was.
TEST_F(RegistryTest, ReadOnlyFileIsReadAndWritesSayWhy) {
    {
        Registry hive(dbPath());
        ASSERT_TRUE(hive.WriteString(u"Call History"_s, u"Nu0"_s, u"0123"_s));
    }
    zuvo::test::ImmutableFile frozen(dbPath());
    if (!frozen.ok()) {
        GTEST_SKIP() << "cannot make a file read-only here: " << frozen.error().toStdString();
    }
    for (const auto access : {Registry::Access::ReadWrite, Registry::Access::ReadOnly}) {
        Registry hive(dbPath(), access);
        EXPECT_TRUE(hive.ReadError().isEmpty()) << hive.ReadError().toStdString();
        EXPECT_EQ(hive.ReadString(u"Call History"_s, u"Nu0"_s), u"0123"_s);
        const Registry::Outcome put =
            hive.Put(u"Call History"_s, {u"Nu1"_s, Registry::Type::String, u"4"_s, 0});
        EXPECT_FALSE(put.done);
        EXPECT_TRUE(put.error.contains(u"readonly"_s)) << put.error.toStdString();
        EXPECT_FALSE(hive.WriteString(u"Call History"_s, u"Nu0"_s, u"x"_s));
        const Registry::Outcome removed = hive.RemoveValue(u"Call History"_s, u"Nu0"_s);
        EXPECT_FALSE(removed.done);
        EXPECT_FALSE(removed.error.isEmpty());
        EXPECT_EQ(hive.ReadString(u"Call History"_s, u"Nu0"_s), u"0123"_s);
    }
}

// Only looking never changes the file: a damaged file is reported, not moved aside, and a
// missing one is not created. Nothing there to delete is no error.
TEST_F(RegistryTest, ReadOnlyAccessReportsDamageAndChangesNothing) {
    QDir().mkpath(env.path(u"store"_s));
    QFile junk(dbPath());
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, '\x5a'));
    junk.close();
    {
        Registry reader(dbPath(), Registry::Access::ReadOnly);
        EXPECT_FALSE(reader.ReadError().isEmpty());
        EXPECT_FALSE(reader.KeyExists(u"K"_s));
        EXPECT_TRUE(reader.recoveryWarning().isEmpty());
    }
    EXPECT_EQ(QDir(env.path(u"store"_s)).entryList(QDir::Files), QStringList{u"test.db"_s});

    const QString missing = env.path(u"other/none.db"_s);
    Registry reader(missing, Registry::Access::ReadOnly);
    EXPECT_TRUE(reader.ReadError().isEmpty());
    EXPECT_FALSE(reader.Put(u"K"_s, {u"V"_s, Registry::Type::Dword, {}, 1}).done);
    EXPECT_FALSE(QFileInfo::exists(missing));

    Registry writer(env.path(u"store/fresh.db"_s));
    const Registry::Outcome nothing = writer.RemoveValue(u"K"_s, u"V"_s);
    EXPECT_FALSE(nothing.done);
    EXPECT_TRUE(nothing.error.isEmpty());
}

// On a full file system what is stored is still read (opening a WAL store needs room for its
// shared memory), and a change fails with the system's reason.
TEST_F(RegistryTest, FullDiskWritesSayWhy) {
    const QString folder = env.path(u"small"_s);
    zuvo::test::SmallFileSystem small(folder, 256);
    if (!small.ok()) {
        GTEST_SKIP() << "cannot mount a small file system here: " << small.error().toStdString();
    }
    const QString path = folder + u"/user.db"_s;
    {
        Registry hive(path);
        ASSERT_TRUE(hive.WriteString(u"Call History"_s, u"Nu0"_s, u"0123"_s));
    }
    ASSERT_TRUE(small.Fill());
    Registry hive(path);
    EXPECT_EQ(hive.ReadString(u"Call History"_s, u"Nu0"_s).value_or(u"(missing)"_s), u"0123"_s);
    const Registry::Outcome put =
        hive.Put(u"Call History"_s, {u"Nu1"_s, Registry::Type::String, QString(20000, u'5'), 0});
    EXPECT_FALSE(put.done);
    EXPECT_FALSE(put.error.isEmpty());
    EXPECT_TRUE(put.error.contains(u"full"_s) || put.error.contains(u"space"_s))
        << put.error.toStdString();
}

}  // namespace
