#include "app/strings/string_table.h"
#include "app/strings/string_ids.h"

#include <QFile>
#include <QResource>
#include <QSet>
#include <QStringList>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::StringTable;
namespace StringId = zuvo::StringId;

namespace {

QHash<int, QString> ReadTable(const QString& relative) {
    QFile file(zuvo::test::SourcePath(relative));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << relative.toStdString();
    return StringTable::ParseTable(file.readAll(), relative);
}

// The markers a translation must keep: "%" followed by its argument letter or digit, line
// breaks and tabs, in order of appearance.
QStringList Markers(const QString& text) {
    QStringList markers;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%') {
            const bool hasArgument = i + 1 < text.size() && text[i + 1].isLetterOrNumber();
            markers.append(hasArgument ? text.mid(i, 2) : u"%"_s);
        } else if (text[i] == u'\n') {
            markers.append(u"\\n"_s);
        } else if (text[i] == u'\t') {
            markers.append(u"\\t"_s);
        }
    }
    return markers;
}

// Registers a language bundle at "/lang" for the life of the object.
class RegisteredBundle {
public:
    explicit RegisteredBundle(QString path) : m_path(std::move(path)) {
        m_ok = QResource::registerResource(m_path, u"/lang"_s);
    }
    ~RegisteredBundle() {
        if (m_ok) {
            QResource::unregisterResource(m_path, u"/lang"_s);
        }
    }
    bool ok() const { return m_ok; }

private:
    QString m_path;
    bool m_ok = false;
};

QString FrenchBundlePath() {
    return zuvo::test::LanguageBundlePath(u"FR"_s);
}

}  // namespace

TEST(StringTableFiles, EveryIdIsInBothLanguagesAndNothingElse) {
    const QHash<int, QString> en = ReadTable(u"resources/strings/EN.tsv"_s);
    const QHash<int, QString> fr = ReadTable(u"resources/strings/FR.tsv"_s);
    const QSet<int> declared(StringId::All.begin(), StringId::All.end());
    ASSERT_EQ(declared.size(), qsizetype(StringId::All.size())) << "an id is declared twice";

    for (int id : StringId::All) {
        EXPECT_FALSE(en.value(id).isEmpty()) << "English lacks " << id;
        EXPECT_FALSE(fr.value(id).isEmpty()) << "French lacks " << id;
    }
    for (auto it = en.cbegin(); it != en.cend(); ++it) {
        EXPECT_TRUE(declared.contains(it.key())) << "English id not declared: " << it.key();
    }
    for (auto it = fr.cbegin(); it != fr.cend(); ++it) {
        EXPECT_TRUE(declared.contains(it.key())) << "French id not declared: " << it.key();
    }
    // The status line indexes the table by StatusBase + code, for every code.
    for (int code = 0; StringId::StatusBase + code <= StringId::StatusLast; ++code) {
        EXPECT_TRUE(en.contains(StringId::StatusBase + code)) << code;
    }
}

TEST(StringTableFiles, TranslationKeepsMarkersInOrder) {
    const QHash<int, QString> en = ReadTable(u"resources/strings/EN.tsv"_s);
    const QHash<int, QString> fr = ReadTable(u"resources/strings/FR.tsv"_s);
    for (int id : StringId::All) {
        EXPECT_EQ(Markers(en.value(id)), Markers(fr.value(id))) << "id " << id;
    }
    // The check itself must see the markers that matter.
    EXPECT_EQ(Markers(en.value(StringId::SigninFailed)), (QStringList{u"%"_s, u"\\n"_s, u"\\n"_s}));
    EXPECT_EQ(Markers(en.value(StringId::EnterIntegerInRange)), (QStringList{u"%1"_s, u"%2"_s}));
}

TEST(StringTableLoad, EnglishIsCompiledInWithTextsAsWritten) {
    StringTable table;
    ASSERT_TRUE(table.Load());
    EXPECT_FALSE(table.HasLanguageBundle());
    EXPECT_EQ(table.Ids().size(), qsizetype(StringId::All.size()));

    EXPECT_EQ(table.Get(StringId::ReadyToCall), u"Ready to call"_s);
    EXPECT_EQ(table.Get(StringId::StatusSigningIn), u"Signng in..."_s);
    EXPECT_EQ(table.Get(StringId::HoldToDial), u"Hold to dial - "_s);  // trailing blank kept
    EXPECT_EQ(table.Get(StringId::VisitSite), u"Visit  %"_s);
    EXPECT_EQ(table.Get(StringId::IncorrectPin),
              u"Incorrect PIN.\n\nPlease check your details and try again."_s);
    EXPECT_EQ(table.Get(StringId::ServiceUnavailable),
              u"Sign-in  to % failed.\n\nThe service may be temporarily unavailable or you may "
              u"not be correctly connected to the Internet.  Please also check any firewall "
              u"settings."_s);

    EXPECT_EQ(table.Text(StringId::SigninFailed).left(21), u"Sign-in to Zuvo faile"_s);
    EXPECT_EQ(table.Text(StringId::MinutesValue, u"12"), u"12"_s);
    EXPECT_EQ(table.Text(StringId::VisitSite, u"www.example.org"), u"Visit  www.example.org"_s);
    EXPECT_EQ(table.Text(StringId::EnterIntegerInRange),
              u"Please enter an integer between %1 and %2."_s);

    // Unknown ids, including a status code past the table, give nothing.
    EXPECT_TRUE(table.Get(12345).isNull());
    EXPECT_TRUE(table.Text(12345).isEmpty());
    EXPECT_TRUE(table.Get(StringId::StatusLast + 1).isEmpty());
    EXPECT_TRUE(table.Get(-1).isEmpty());
}

TEST(StringTableLoad, FrenchBundleOverridesEnglish) {
    StringTable table;
    {
        RegisteredBundle bundle(FrenchBundlePath());
        ASSERT_TRUE(bundle.ok()) << FrenchBundlePath().toStdString();
        ASSERT_TRUE(table.Load());
        EXPECT_TRUE(table.HasLanguageBundle());
        EXPECT_EQ(table.Get(StringId::ReadyToCall), u"Prêt à appeler"_s);
        EXPECT_EQ(table.Get(StringId::PreferencesTitle), u"Préférences"_s);
        EXPECT_TRUE(table.Text(StringId::SigninFailed).startsWith(u"La connexion à Zuvo a"_s));
        EXPECT_TRUE(table.Get(StringId::IncorrectPin).contains(u"\n\n"_s));
        EXPECT_EQ(table.Ids().size(), qsizetype(StringId::All.size()));
    }
    // Without the bundle a reload is English again.
    ASSERT_TRUE(table.Load());
    EXPECT_FALSE(table.HasLanguageBundle());
    EXPECT_EQ(table.Get(StringId::ReadyToCall), u"Ready to call"_s);
}

TEST(StringTableLoad, MissingTranslationFallsBackToEnglish) {
    StringTable table;
    RegisteredBundle bundle(QStringLiteral(ZUVO_PARTIAL_BUNDLE));
    ASSERT_TRUE(bundle.ok());
    ASSERT_TRUE(table.Load());
    EXPECT_EQ(table.Get(StringId::ReadyToCall), u"Prêt à appeler"_s);
    EXPECT_EQ(table.Text(StringId::SigninFailed),
              u"La connexion à Zuvo a échoué.\n\nVérifiez vos informations."_s);
    EXPECT_EQ(table.Get(StringId::StatusSigningIn), u"Signng in..."_s);
    EXPECT_EQ(table.Get(StringId::WrongAdminPin),
              u"Sorry, you have entered an incorrect administrators PIN.  Please try again."_s);
    EXPECT_TRUE(table.Get(12345).isEmpty());
    EXPECT_EQ(table.Ids().size(), qsizetype(StringId::All.size()));
}

TEST(StringTableLoad, UnreadableFiles) {
    zuvo::test::TestEnvironment env;
    StringTable table;
    ASSERT_TRUE(table.Load());
    // A missing English table empties the table rather than keeping stale texts.
    EXPECT_FALSE(table.LoadFrom(env.path(u"none.tsv"_s), QString()));
    EXPECT_TRUE(table.Ids().isEmpty());
    EXPECT_TRUE(table.Text(StringId::ReadyToCall).isEmpty());
    // A missing language file leaves English in place.
    EXPECT_TRUE(table.LoadFrom(u":/strings/EN.tsv"_s, env.path(u"none.tsv"_s)));
    EXPECT_FALSE(table.HasLanguageBundle());
    EXPECT_EQ(table.Get(StringId::Mute), u"Mute"_s);
}

TEST(StringTableParse, MalformedAndEscapedLines) {
    const QByteArray data =
        "# comment\r\n"
        "\r\n"
        "10\tcrlf line\r\n"
        "11\tline\\nbreak and\\ttab and \\\\n literal\n"
        "12\tunknown \\q escape and trailing \\\n"
        "13\tinner\ttab kept\n"
        "14\t\n"
        "no tab here\n"
        "abc\tnot a number\n"
        "\tno id\n"
        "-5\tnegative\n"
        "10\tsecond copy\n"
        " 15 \tpadded id\n"
        "16\tlast line without newline";
    const QHash<int, QString> t = StringTable::ParseTable(data, u"test"_s);
    EXPECT_EQ(t.value(10), u"crlf line"_s);
    EXPECT_EQ(t.value(11), u"line\nbreak and\ttab and \\n literal"_s);
    EXPECT_EQ(t.value(12), u"unknown \\q escape and trailing \\"_s);
    EXPECT_EQ(t.value(13), u"inner\ttab kept"_s);
    EXPECT_TRUE(t.contains(14));
    EXPECT_TRUE(t.value(14).isEmpty());
    EXPECT_EQ(t.value(15), u"padded id"_s);
    EXPECT_EQ(t.value(16), u"last line without newline"_s);
    EXPECT_EQ(t.size(), 7);
}

TEST(StringTableText, BrandMarkerReplacement) {
    const auto r = [](const QString& text) { return StringTable::ReplaceMarker(text, u"Zuvo"); };
    EXPECT_EQ(r(u"%"_s), u"Zuvo"_s);
    EXPECT_EQ(r(u"Sign in to %"_s), u"Sign in to Zuvo"_s);
    EXPECT_EQ(r(u"% and %"_s), u"Zuvo and Zuvo"_s);
    EXPECT_EQ(r(u"%%"_s), u"ZuvoZuvo"_s);
    EXPECT_EQ(r(u"between %1 and %2."_s), u"between %1 and %2."_s);
    EXPECT_EQ(r(u"%1%"_s), u"%1Zuvo"_s);
    EXPECT_EQ(r(u"100% sure"_s), u"100Zuvo sure"_s);
    EXPECT_EQ(r(u"no marker"_s), u"no marker"_s);
    EXPECT_TRUE(r(QString()).isEmpty());
    // Replacement texts are inserted as they are, never re-scanned.
    EXPECT_EQ(StringTable::ReplaceMarker(u"a % b"_s, u"50%"), u"a 50% b"_s);
    EXPECT_EQ(StringTable::kBrandName, u"Zuvo");
}

TEST(StringTableThreads, ReadsDuringReloadSeeAWholeTable) {
    StringTable table;
    ASSERT_TRUE(table.Load());
    RegisteredBundle bundle(FrenchBundlePath());
    ASSERT_TRUE(bundle.ok());

    std::atomic<bool> stop = false;
    std::atomic<int> bad = 0;
    std::vector<std::thread> readers;
    for (int n = 0; n < 3; ++n) {
        readers.emplace_back([&] {
            while (!stop) {
                const QString text = table.Text(StringId::ReadyToCall);
                if (text != u"Ready to call"_s && text != u"Prêt à appeler"_s) {
                    ++bad;
                }
            }
        });
    }
    for (int n = 0; n < 50; ++n) {
        EXPECT_TRUE(n % 2 ? table.LoadFrom(u":/strings/EN.tsv"_s, QString()) : table.Load());
    }
    stop = true;
    for (auto& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(bad, 0);
}
