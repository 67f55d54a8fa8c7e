// The address book against the tools Linux users keep their contacts with: cards written by
// khard and by python3-vobject are read with the right fields, and the cards the phone writes or
// edits are read back by both with nothing lost.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>

#include <map>

#include "contacts/vdir_source.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using namespace zuvo::test;

namespace {

struct ToolRun {
    int code = -1;
    QByteArray out;
};

ToolRun Start(const QString& program, const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        return {};
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    ToolRun run{process.exitCode(), process.readAllStandardOutput()};
    if (run.code != 0) {
        run.out += process.readAllStandardError();
    }
    return run;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class VCardRoundTripTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFile::exists(u"/usr/bin/khard"_s)) {
            GTEST_SKIP() << "khard is not installed";
        }
        m_book = m_env.path(u"data/contacts/zuvo"_s);
        ASSERT_TRUE(QDir().mkpath(m_book));
        m_config = m_env.path(u"khard.conf"_s);
        QFile config(m_config);
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write("[addressbooks]\n[[zuvo]]\npath = " + m_book.toUtf8() +
                     "\n[general]\ndefault_action = list\neditor = /bin/false\n"
                     "merge_editor = /bin/false\n[vcard]\npreferred_version = 3.0\n");
    }

    ToolRun Khard(const QStringList& arguments, const QByteArray& input = {}) {
        return Start(u"/usr/bin/khard"_s, QStringList{u"-c"_s, m_config} + arguments, input);
    }
    QJsonObject Vobject(const QString& file) {
        const ToolRun run = Start(u"/usr/bin/python3"_s, {Peer(), u"read"_s, file});
        EXPECT_EQ(run.code, 0) << run.out.constData();
        return QJsonDocument::fromJson(run.out).object();
    }
    static QString Peer() { return SourcePath(u"tests/integration/contacts/vcard_peer.py"_s); }

    std::map<QString, ContactRecord> ReadBook() {
        VdirSource source(m_book);
        std::map<QString, ContactRecord> found;
        EXPECT_TRUE(source.Enumerate([&](const ContactRecord& record, const QString& key) {
            found[record[ContactRecord::Display]] = record;
            m_keys[record[ContactRecord::Display]] = key;
            return true;
        }));
        return found;
    }

    TestEnvironment m_env;
    QString m_book;
    QString m_config;
    std::map<QString, QString> m_keys;
};

TEST_F(VCardRoundTripTest, CardsWrittenByKhardAndVobjectAreReadWithTheRightFields) {
    for (const QString& version : {u"3.0"_s, u"4.0"_s}) {
        const QByteArray yaml =
            "First name : Zoë\nAdditional : Q\nLast name : Smith, Jr\n"
            "Formatted name : Zoë Smith " +
            version.toUtf8() +
            "\nOrganisation : Acme; Sons\nPhone :\n    home : +44 1\n"
            "    work : +44 2\n    cell : +44 3\n    fax : +44 9\n"
            "Email :\n    home : zoe@example.test\n";
        const ToolRun made =
            Khard({u"new"_s, u"-a"_s, u"zuvo"_s, u"--vcard-version"_s, version}, yaml);
        ASSERT_EQ(made.code, 0) << made.out.constData();
        ASSERT_EQ(
            Start(u"/usr/bin/python3"_s,
                  {Peer(), u"write"_s, m_book + u"/vobject-"_s + version + u".vcf"_s, version})
                .code,
            0);
    }
    const auto book = ReadBook();
    ASSERT_EQ(book.size(), 3u);  // vobject's two cards share one display name
    for (const QString& version : {u"3.0"_s, u"4.0"_s}) {
        const ContactRecord& khard = book.at(u"Zoë Smith "_s + version);
        EXPECT_EQ(khard[ContactRecord::First], u"Zoë"_s);
        EXPECT_EQ(khard[ContactRecord::Middle], u"Q"_s);
        EXPECT_EQ(khard[ContactRecord::Last], u"Smith, Jr"_s);
        EXPECT_EQ(khard[ContactRecord::Company], u"Acme; Sons"_s);
        EXPECT_EQ(khard[ContactRecord::Home], u"+44 1"_s) << version.toStdString();
        EXPECT_EQ(khard[ContactRecord::Business], u"+44 2"_s);
        EXPECT_EQ(khard[ContactRecord::Mobile], u"+44 3"_s);
        EXPECT_EQ(khard[ContactRecord::Other], u"+44 9"_s);
    }
    const ContactRecord& vobject = book.at(u"Müller, Zoë; the second"_s);
    EXPECT_EQ(vobject[ContactRecord::Last], u"Müller, Jr"_s);
    EXPECT_EQ(vobject[ContactRecord::Company], u"Acme; Sons, Ltd"_s);
    EXPECT_EQ(vobject[ContactRecord::Home], u"+49 30 1"_s);
    EXPECT_EQ(vobject[ContactRecord::Business], u"+49 30 2"_s);
    EXPECT_EQ(vobject[ContactRecord::Mobile], u"+49 170 3"_s);
    EXPECT_EQ(vobject[ContactRecord::Other], u"+49 30 9"_s);
}

TEST_F(VCardRoundTripTest, CardsThePhoneWritesAreReadBackByBothTools) {
    VdirSource source(m_book);
    ASSERT_TRUE(source.Open());
    ContactRecord record;
    record[ContactRecord::First] = u"Zoë, \"Z\""_s;
    record[ContactRecord::Middle] = u"Q;R"_s;
    record[ContactRecord::Last] = u"Smith\\Jones"_s;
    record[ContactRecord::Display] =
        u"Zoë Smith; of Acme, Sons & Daughters, a name long enough to be folded over lines"_s;
    record[ContactRecord::Company] = u"Acme; Sons, Ltd"_s;
    record[ContactRecord::Home] = u"+44 1"_s;
    record[ContactRecord::Home2] = u"+44 11"_s;
    record[ContactRecord::Business] = u"+44 2"_s;
    record[ContactRecord::Business2] = u"+44 22"_s;
    record[ContactRecord::Mobile] = u"+44 3"_s;
    record[ContactRecord::Other] = u"+44 4"_s;
    QString key;
    ASSERT_TRUE(source.Create(record, &key));
    const QString file = m_book + u'/' + key;
    const QByteArray written = ReadAll(file);
    for (const QByteArray& line : written.split('\n')) {
        // 75 characters and the line end; a multi-byte letter may make it a few bytes more.
        EXPECT_LE(line.size(), 80) << "not folded: " << line.constData();
    }

    const QJsonObject card = Vobject(file);
    EXPECT_EQ(card[u"fn"_s].toString(), record[ContactRecord::Display]);
    EXPECT_EQ(card[u"n"_s].toArray(), (QJsonArray{u"Smith\\Jones"_s, u"Zoë, \"Z\""_s, u"Q;R"_s}));
    EXPECT_EQ(card[u"org"_s].toArray().first().toString(), u"Acme; Sons, Ltd"_s);
    QStringList numbers;
    for (const auto& tel : card[u"tel"_s].toArray()) {
        numbers.append(tel.toArray()[0].toString() + u' ' +
                       tel.toArray()[1].toVariant().toStringList().join(u','));
    }
    EXPECT_EQ(numbers,
              (QStringList{u"+44 1 home,voice"_s, u"+44 11 home,voice"_s, u"+44 2 voice,work"_s,
                           u"+44 22 voice,work"_s, u"+44 3 cell"_s, u"+44 4 voice"_s}));

    // khard names a contact by its name parts; each number comes with its types.
    const ToolRun phones = Khard({u"phone"_s, u"--parsable"_s});
    ASSERT_EQ(phones.code, 0) << phones.out.constData();
    const QString listed = QString::fromUtf8(phones.out);
    const QString name = u"Zoë, \"Z\" Q;R Smith\\Jones"_s;
    for (const QString& line :
         {u"+44 1\t%1\tHOME, VOICE"_s, u"+44 11\t%1\tHOME, VOICE"_s, u"+44 2\t%1\tWORK, VOICE"_s,
          u"+44 22\t%1\tWORK, VOICE"_s, u"+44 3\t%1\tCELL"_s, u"+44 4\t%1\tVOICE"_s}) {
        EXPECT_TRUE(listed.contains(line.arg(name))) << listed.toStdString();
    }

    // And the phone reads its own card back unchanged.
    ContactRecord read;
    ASSERT_TRUE(source.Read(key, read));
    EXPECT_EQ(read, record);
}

TEST_F(VCardRoundTripTest, AnEditOfNumbersKeepsPhotoAndEmailByteForByte) {
    for (const QString& version : {u"3.0"_s, u"4.0"_s}) {
        const QString file = m_book + u"/photo-"_s + version + u".vcf"_s;
        ASSERT_EQ(Start(u"/usr/bin/python3"_s, {Peer(), u"write"_s, file, version}).code, 0);
        const QByteArray before = ReadAll(file);
        const QJsonObject original = Vobject(file);

        VdirSource source(m_book);
        QString key = u"photo-"_s + version + u".vcf"_s;
        ContactRecord record;
        ASSERT_TRUE(source.Read(key, record));
        record[ContactRecord::Mobile] = u"+49 170 4"_s;
        record[ContactRecord::Home2] = u"+49 30 5"_s;
        ASSERT_TRUE(source.Update(key, record));
        const QByteArray after = ReadAll(file);

        // Every line but the mobile number's is still there in its order; one line is new.
        const QList<QByteArray> oldLines = before.split('\n');
        const QList<QByteArray> newLines = after.split('\n');
        QList<QByteArray> gone;
        QList<QByteArray> added;
        qsizetype j = 0;
        for (const QByteArray& line : oldLines) {
            const qsizetype at = newLines.indexOf(line, j);
            if (at < 0) {
                gone.append(line);
            } else {
                for (qsizetype k = j; k < at; ++k) {
                    added.append(newLines[k]);
                }
                j = at + 1;
            }
        }
        EXPECT_EQ(gone, QList<QByteArray>{"TEL;TYPE=CELL:+49 170 3\r"}) << after.constData();
        EXPECT_EQ(added, (QList<QByteArray>{"TEL;TYPE=CELL:+49 170 4\r",
                                            "TEL;TYPE=HOME,VOICE:+49 30 5\r"}))
            << after.constData();

        const QJsonObject edited = Vobject(file);
        EXPECT_EQ(edited[u"photo"_s], original[u"photo"_s]);
        EXPECT_EQ(edited[u"email"_s], original[u"email"_s]);
        EXPECT_EQ(edited[u"fn"_s], original[u"fn"_s]);
        EXPECT_EQ(edited[u"tel"_s].toArray().size(), 5);
        const ToolRun phones = Khard({u"phone"_s, u"--parsable"_s});
        EXPECT_TRUE(phones.out.contains("+49 170 4")) << phones.out.constData();
        EXPECT_TRUE(phones.out.contains("+49 30 5"));
    }
}

}  // namespace
