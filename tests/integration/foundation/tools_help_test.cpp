// Each tool users run explains itself: --help prints every command and option it takes, and the
// exit codes, and ends with 0 without touching the settings or a running phone.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::test::BinaryPath;
using zuvo::test::ChildProcess;

namespace {

QByteArray Help(const QString& tool, const QString& word = u"--help"_s) {
    ChildProcess p(BinaryPath(tool), {word});
    EXPECT_TRUE(p.Start());
    EXPECT_EQ(p.WaitForExit(), 0) << tool.toStdString() << ' ' << p.output().constData();
    return p.output();
}

TEST(ToolsHelp, NamesEveryCommandOptionAndExitCode) {
    zuvo::test::TestEnvironment env;
    const struct {
        QString tool;
        QList<QByteArray> words;
    } tools[] = {
        {u"zuvo-reg"_s,
         {"query", "add", "delete", "/v NAME", "/ve", "/t", "REG_SZ", "REG_DWORD", "/d DATA", "/f",
          "HKCU\\", "HKLM\\", "0  done", "1  the key", "2  bad arguments", "3  the settings"}},
        {u"zuvo-ctl"_s,
         {"state", "dial NUMBER", "key DIGITS", "call ", "hangup", "redial", "mute, unmute",
          "volume up|down", "history", "watch", "home, support", "0  done", "1  no phone",
          "2  bad arguments", "3  another client"}},
        {u"zuvo-speeddial"_s,
         {"list", "set KEY NUMBER [NAME]", "clear KEY", "0-9, * or #", "0  done",
          "1  the settings file", "2  bad arguments"}},
    };
    for (const auto& t : tools) {
        const QByteArray text = Help(t.tool);
        EXPECT_TRUE(text.startsWith("Usage: " + t.tool.toUtf8())) << text.constData();
        for (const QByteArray& word : t.words) {
            EXPECT_TRUE(text.contains(word))
                << t.tool.toStdString() << " lacks " << word.constData();
        }
        EXPECT_EQ(Help(t.tool, u"-h"_s), text);
    }
    EXPECT_EQ(Help(u"zuvo-reg"_s, u"/?"_s), Help(u"zuvo-reg"_s));
    // Asking for help wrote no settings file.
    EXPECT_FALSE(QFileInfo::exists(env.path(u"config/zuvo/user.db"_s)));
}

}  // namespace
