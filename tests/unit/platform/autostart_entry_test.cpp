#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "platform/autostart_entry.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::AutostartEntry;

namespace {

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(AutostartEntryTest, WrittenWholeAndRemoved) {
    zuvo::test::TestEnvironment env;
    AutostartEntry entry;
    EXPECT_EQ(entry.path(), env.path(u"config/autostart/zuvo.desktop"_s));
    EXPECT_FALSE(entry.Exists());
    EXPECT_TRUE(entry.Apply(false, u"/usr/bin/zuvo"_s, u"Zuvo"_s));  // nothing to remove

    ASSERT_TRUE(entry.Apply(true, u"/opt/my phone/bin/zuvo"_s, u"Zuvo"_s));
    const QByteArray text = Read(entry.path());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nName=Zuvo\n"));
    EXPECT_TRUE(text.contains("\nExec=\"/opt/my phone/bin/zuvo\"\n"));

    // Rewriting replaces the file and leaves nothing else in the folder.
    ASSERT_TRUE(entry.Apply(true, u"/usr/bin/zuvo"_s, u"Zuvo"_s));
    EXPECT_TRUE(Read(entry.path()).contains("\nExec=\"/usr/bin/zuvo\"\n"));
    EXPECT_EQ(QDir(env.path(u"config/autostart"_s)).entryList(QDir::Files | QDir::Hidden),
              QStringList{u"zuvo.desktop"_s});

    ASSERT_TRUE(entry.Apply(false, u"/usr/bin/zuvo"_s, u"Zuvo"_s));
    EXPECT_FALSE(entry.Exists());
}

TEST(AutostartEntryTest, ProgramPathQuotedOrRefused) {
    // Quote, dollar, backquote and backslash are escaped inside the quotes, then every backslash
    // again for the string value; a percent sign is doubled.
    const auto text = AutostartEntry::Contents(u"/tmp/a\"b$c`d\\e%f"_s, u"Zuvo"_s);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains("\nExec=\"/tmp/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\"\n"))
        << text->data();

    for (const QString& bad :
         {QString(), u"zuvo"_s, u"bin/zuvo"_s, u"/usr/bin/zu\nvo"_s, u"/usr/bin/zuvo\r"_s,
          u"/usr/bin/\u0001zuvo"_s, u"/"_s + QString(5000, u'a')}) {
        EXPECT_FALSE(AutostartEntry::Contents(bad, u"Zuvo"_s)) << bad.toStdString();
    }
    EXPECT_FALSE(AutostartEntry::Contents(u"/usr/bin/zuvo"_s, u"Zu\nvo"_s));

    zuvo::test::TestEnvironment env;
    AutostartEntry entry;
    EXPECT_FALSE(entry.Apply(true, u"bin/zuvo"_s, u"Zuvo"_s));
    EXPECT_FALSE(entry.Exists());
}

TEST(AutostartEntryTest, UnwritableFolderReported) {
    zuvo::test::TestEnvironment env;
    QDir().mkpath(env.path(u"config"_s));
    // A file where the folder should be.
    QFile blocker(env.path(u"config/autostart"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    AutostartEntry entry;
    EXPECT_FALSE(entry.Apply(true, u"/usr/bin/zuvo"_s, u"Zuvo"_s));
    EXPECT_FALSE(entry.Exists());
}
