// The two address book members on real files, and the other dialer's one-time import.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <map>
#include <memory>

#include "contacts/address_book_source.h"
#include "contacts/other_dialer_import.h"
#include "contacts/vcard_file_source.h"
#include "contacts/vdir_source.h"
#include "platform/registry.h"
#include "tests/support/file_system_limits.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using namespace zuvo::test;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::map<QString, ContactRecord> All(AddressBookSource& source) {
    std::map<QString, ContactRecord> found;
    EXPECT_TRUE(source.Enumerate([&](const ContactRecord& record, const QString& key) {
        found[key] = record;
        return true;
    }));
    return found;
}

QStringList DisplayNames(AddressBookSource& source) {
    QStringList names;
    for (const auto& [key, record] : All(source)) {
        names.append(record[ContactRecord::Display]);
    }
    names.sort();
    return names;
}

ContactRecord Named(const QString& display) {
    ContactRecord record;
    record[ContactRecord::Display] = display;
    return record;
}

}  // namespace

TEST(VdirSourceTest, SixOperationsOnOneFilePerContact) {
    TestEnvironment env;
    const QString folder = env.path(u"data/contacts/zuvo"_s);
    VdirSource source(folder);
    ASSERT_TRUE(source.Open());
    EXPECT_TRUE(QFileInfo(folder).isDir());

    ContactRecord jo = Named(u"Jo Smith"_s);
    jo[ContactRecord::First] = u"Jo"_s;
    jo[ContactRecord::Last] = u"Smith"_s;
    jo[ContactRecord::Mobile] = u"+44 7700"_s;
    QString key;
    ASSERT_TRUE(source.Create(jo, &key));
    EXPECT_TRUE(key.endsWith(u".vcf"_s));
    EXPECT_TRUE(QFileInfo::exists(folder + u'/' + key));
    EXPECT_EQ(QFileInfo(folder + u'/' + key).permissions() & (QFile::ReadOther | QFile::ReadGroup),
              QFile::Permissions());

    ContactRecord read;
    ASSERT_TRUE(source.Read(key, read));
    EXPECT_EQ(read, jo);
    EXPECT_EQ(All(source).size(), 1u);

    // Update keeps the key; the edit of a mobile-only contact adds a home number.
    jo[ContactRecord::Home] = u"+44 1111"_s;
    QString sameKey = key;
    ASSERT_TRUE(source.Update(sameKey, jo));
    EXPECT_EQ(sameKey, key);
    ASSERT_TRUE(source.Read(key, read));
    EXPECT_EQ(read[ContactRecord::Home], u"+44 1111"_s);
    EXPECT_EQ(read[ContactRecord::Mobile], u"+44 7700"_s);

    ASSERT_TRUE(source.Delete(key));
    EXPECT_FALSE(source.Read(key, read));
    EXPECT_TRUE(All(source).empty());
    EXPECT_FALSE(source.Delete(key));
}

TEST(VdirSourceTest, FileNamesNeverComeFromWhatTheUserTyped) {
    TestEnvironment env;
    const QString folder = env.path(u"data/contacts/zuvo"_s);
    VdirSource source(folder);
    ASSERT_TRUE(source.Open());
    for (const QString& name : {u"../x"_s, u"a/b"_s, u"/etc/passwd"_s, u".hidden"_s}) {
        QString key;
        ASSERT_TRUE(source.Create(Named(name), &key)) << name.toStdString();
        EXPECT_FALSE(key.contains(u'/'));
        EXPECT_FALSE(key.startsWith(u'.'));
    }
    EXPECT_FALSE(QFileInfo::exists(env.path(u"data/contacts/x.vcf"_s)));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 4);
    EXPECT_EQ(QDir(env.path(u"data/contacts"_s)).entryList(QDir::Files).size(), 0);
    EXPECT_EQ(DisplayNames(source),
              (QStringList{u"../x"_s, u".hidden"_s, u"/etc/passwd"_s, u"a/b"_s}));

    // Keys from outside the folder are refused by every operation.
    WriteFile(env.path(u"data/contacts/outside.vcf"_s),
              "BEGIN:VCARD\nVERSION:3.0\nFN:Outside\nEND:VCARD\n");
    ContactRecord record;
    QString key = u"../outside.vcf"_s;
    EXPECT_FALSE(source.Read(key, record));
    EXPECT_FALSE(source.Update(key, Named(u"x"_s)));
    EXPECT_FALSE(source.Delete(key));
    EXPECT_FALSE(source.Delete(u"/tmp/x.vcf"_s));
    EXPECT_TRUE(QFileInfo::exists(env.path(u"data/contacts/outside.vcf"_s)));
}

TEST(VdirSourceTest, ASecondContactOfOneDisplayNameIsToldApart) {
    TestEnvironment env;
    VdirSource source(env.path(u"book"_s));
    ASSERT_TRUE(source.Open());
    QString first;
    QString second;
    QString third;
    ASSERT_TRUE(source.Create(Named(u"Jo"_s), &first));
    ASSERT_TRUE(source.Create(Named(u"Jo"_s), &second));
    ASSERT_TRUE(source.Create(Named(u"jo"_s), &third));
    EXPECT_NE(first, second);
    EXPECT_EQ(DisplayNames(source), (QStringList{u"Jo"_s, u"Jo(1)"_s, u"jo(2)"_s}));
}

TEST(VdirSourceTest, BadFilesAreSkippedAndNeverRewritten) {
    TestEnvironment env;
    const QString folder = env.path(u"book"_s);
    VdirSource source(folder);
    ASSERT_TRUE(source.Open());
    WriteFile(folder + u"/good.vcf"_s,
              "BEGIN:VCARD\nVERSION:4.0\nFN:Good\nTEL;TYPE=home:1\nEND:VCARD\n");
    WriteFile(folder + u"/nameless.vcf"_s, "BEGIN:VCARD\nVERSION:3.0\nN:X;Y;;;\nEND:VCARD\n");
    WriteFile(folder + u"/binary.vcf"_s, QByteArray("\x7f"
                                                    "ELF\0\0\x01\x02",
                                                    8));
    WriteFile(folder + u"/damaged.vcf"_s, "BEGIN:VCARD\nVERSION:3.0\nFN:Cut off\n");
    WriteFile(folder + u"/latin1.vcf"_s, "BEGIN:VCARD\nVERSION:3.0\nFN:Ren\xe9\nEND:VCARD\n");
    QByteArray many = "BEGIN:VCARD\nVERSION:3.0\nFN:Many\n";
    for (int i = 0; i < 1000; ++i) {
        many += "TEL:" + QByteArray::number(i) + "\n";
    }
    WriteFile(folder + u"/many.vcf"_s, many + "END:VCARD\n");
    {
        QFile huge(folder + u"/huge.vcf"_s);
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        huge.write("BEGIN:VCARD\nVERSION:3.0\nFN:Huge\nNOTE:");
        ASSERT_TRUE(huge.resize(50 * 1024 * 1024));
    }
    ASSERT_TRUE(QDir(folder).mkdir(u"folder.vcf"_s));
    WriteFile(folder + u"/notes.txt"_s,
              "BEGIN:VCARD\nVERSION:3.0\nFN:Not a card file\nEND:VCARD\n");

    EXPECT_EQ(DisplayNames(source), QStringList{u"Good"_s});

    const QByteArray damaged = ReadAll(folder + u"/damaged.vcf"_s);
    QString key = u"damaged.vcf"_s;
    EXPECT_FALSE(source.Update(key, Named(u"Fixed"_s)));
    EXPECT_EQ(ReadAll(folder + u"/damaged.vcf"_s), damaged);
    // No temporary file is left behind by refused or finished writes.
    key = u"good.vcf"_s;
    EXPECT_TRUE(source.Update(key, Named(u"Better"_s)));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 8);
}

TEST(VCardFileSourceTest, OneFileOfManyCardsKeepsWhatItDoesNotChange) {
    TestEnvironment env;
    const QString path = env.path(u"contacts.vcf"_s);
    const QByteArray first =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u-1\r\nFN:Ann\r\nTEL;TYPE=HOME:1\r\n"
        "END:VCARD\r\n";
    const QByteArray broken = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xff\r\nEND:VCARD\r\n";
    const QByteArray noUid =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob\r\nEMAIL:b@example.test\r\n"
        "END:VCARD\r\n";
    WriteFile(path, first + broken + noUid);
    VCardFileSource source(path);
    ASSERT_TRUE(source.Open());
    auto all = All(source);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[u"u-1"_s][ContactRecord::Home], u"1"_s);
    QString bobKey;
    for (const auto& [key, record] : all) {
        if (record[ContactRecord::Display] == u"Bob"_s) {
            bobKey = key;
        }
    }
    ASSERT_TRUE(bobKey.startsWith(u"sha1:"_s));

    // Bob gets a number and, with it, a UID that keeps his key from now on.
    ContactRecord bob = all[bobKey];
    bob[ContactRecord::Mobile] = u"5"_s;
    QString key = bobKey;
    ASSERT_TRUE(source.Update(key, bob));
    EXPECT_FALSE(key.startsWith(u"sha1:"_s));
    ContactRecord read;
    ASSERT_TRUE(source.Read(key, read));
    EXPECT_EQ(read[ContactRecord::Mobile], u"5"_s);
    const QByteArray after = ReadAll(path);
    EXPECT_TRUE(after.startsWith(first + broken)) << after.constData();
    EXPECT_TRUE(after.contains("EMAIL:b@example.test\r\n"));

    QString created;
    ASSERT_TRUE(source.Create(Named(u"Ann"_s), &created));
    EXPECT_EQ(DisplayNames(source), (QStringList{u"Ann"_s, u"Ann(1)"_s, u"Bob"_s}));
    ASSERT_TRUE(source.Delete(u"u-1"_s));
    EXPECT_TRUE(ReadAll(path).startsWith(broken));
    EXPECT_FALSE(source.Delete(u"u-1"_s));
    EXPECT_EQ(DisplayNames(source), (QStringList{u"Ann(1)"_s, u"Bob"_s}));
}

TEST(AddressBookChoiceTest, TheFolderOnCurrentPlatformsTheFileBefore) {
    TestEnvironment env;
    auto modern = ChooseAddressBookSource({true, 6});
    ASSERT_NE(dynamic_cast<VdirSource*>(modern.get()), nullptr);
    EXPECT_EQ(dynamic_cast<VdirSource*>(modern.get())->folder(), DefaultAddressBookFolder());
    EXPECT_TRUE(DefaultAddressBookFolder().startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
    EXPECT_TRUE(DefaultAddressBookFolder().endsWith(u"/contacts/zuvo"_s));
    EXPECT_NE(dynamic_cast<VCardFileSource*>(ChooseAddressBookSource({true, 5}).get()), nullptr);
    EXPECT_NE(dynamic_cast<VCardFileSource*>(ChooseAddressBookSource({false, 6}).get()), nullptr);
}

TEST(OtherDialerImportTest, ImportsOnceAndOnlyWhatItCouldDelete) {
    TestEnvironment env;
    const QString machinePath = env.path(u"machine/import.db"_s);
    const QString key = QString::fromUtf16(kOtherDialerKey);
    {
        Registry machine(machinePath);
        machine.WriteString(key, u"Ann Lee"_s, u"111*+/222*+/333"_s);
        machine.WriteString(key, u"One separator"_s, u"111*+/222"_s);
        machine.WriteString(key, u"Empty parts"_s, u"*+/*+/444"_s);
        machine.WriteDword(key, u"Number"_s, 7);
    }

    // A machine store the user cannot write: nothing is imported, nothing is lost.
    auto locked = std::make_unique<ImmutableFile>(machinePath);
    if (!locked->ok()) {
        GTEST_SKIP() << "cannot make the store read-only: " << locked->error().toStdString();
    }
    VdirSource source(env.path(u"book"_s));
    ASSERT_TRUE(source.Open());
    int seen = 0;
    const auto count = [&](const ContactRecord&, const QString&) {
        ++seen;
        return true;
    };
    {
        Registry machine(machinePath);
        for (int opening = 0; opening < 2; ++opening) {
            EXPECT_EQ(ImportOtherDialerContacts(machine, source, count), 0);
        }
        EXPECT_EQ(machine.Values(key).size(), 4);
    }
    EXPECT_EQ(seen, 0);
    EXPECT_TRUE(All(source).empty());

    locked.reset();
    {
        Registry machine(machinePath);
        EXPECT_EQ(ImportOtherDialerContacts(machine, source, count), 2);
        EXPECT_TRUE(machine.Values(key).isEmpty());
        EXPECT_EQ(ImportOtherDialerContacts(machine, source, count), 0);
    }
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(DisplayNames(source), (QStringList{u"Ann Lee"_s, u"Empty parts"_s}));
    for (const auto& [k, record] : All(source)) {
        if (record[ContactRecord::Display] == u"Ann Lee"_s) {
            EXPECT_EQ(record[ContactRecord::Home], u"111"_s);
            EXPECT_EQ(record[ContactRecord::Business], u"222"_s);
            EXPECT_EQ(record[ContactRecord::Mobile], u"333"_s);
        } else {
            EXPECT_EQ(record[ContactRecord::Mobile], u"444"_s);
            EXPECT_TRUE(record[ContactRecord::Home].isEmpty());
        }
    }
}
