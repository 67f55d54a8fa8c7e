#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <memory>
#include <vector>

#include "platform/external_control_protocol.h"
#include "platform/local_bus.h"
#include "platform/registry.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using test::BinaryPath;
using test::ChildProcess;

namespace {

int argc = 1;
char arg0[] = "test";
char* argv[] = {arg0, nullptr};

QProcessEnvironment PhoneEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"QT_LOGGING_RULES"_s, u"zuvo.window.debug=true"_s);
    return env;
}

// Several programs opening a store that does not exist yet, all at the same moment (the phone,
// zuvo-reg, a handset's tools): each gets it, and every value written is there afterwards.
TEST(FoundationProcessTest, ProgramsWritingAtOnceLoseNothing) {
    test::TestEnvironment env;
    const QString writer = BinaryPath(u"../tests/registry_writer"_s);
    const QStringList names = {u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s};
    std::vector<std::unique_ptr<ChildProcess>> writers;
    for (const QString& name : names) {
        writers.push_back(std::make_unique<ChildProcess>(writer, QStringList{name, u"150"_s}));
    }
    ChildProcess reader(BinaryPath(u"zuvo-reg"_s), {u"query"_s, u"HKCU\\Software"_s});
    for (auto& w : writers) {
        ASSERT_TRUE(w->Start());
    }
    ASSERT_TRUE(reader.Start());
    for (auto& w : writers) {
        EXPECT_EQ(w->WaitForExit(std::chrono::seconds(120)), 0) << w->output().constData();
    }
    EXPECT_GE(reader.WaitForExit(), 0);
    Registry& hive = Registry::CurrentUser();
    EXPECT_EQ(hive.Values(u"Software\\Race"_s).size(), 900);
    EXPECT_EQ(hive.ReadDword(u"Software\\Race"_s, u"A149"_s), 149u);
    EXPECT_EQ(hive.ReadDword(u"Software\\Race"_s, u"F0"_s), 0u);
}

TEST(FoundationProcessTest, RegToolQueryAddDelete) {
    test::TestEnvironment env;
    auto reg = [](const QStringList& args, QByteArray* out = nullptr) {
        ChildProcess p(BinaryPath(u"zuvo-reg"_s), args);
        p.Start();
        const int code = p.WaitForExit();
        if (out != nullptr) {
            *out = p.output();
        }
        return code;
    };
    const QString key = u"HKCU\\Software\\Zuvo\\Zuvo PC\\Network"_s;
    EXPECT_EQ(reg({u"add"_s, key, u"/v"_s, u"RTP Port"_s, u"/t"_s, u"REG_DWORD"_s, u"/d"_s,
                   u"7010"_s, u"/f"_s}),
              0);
    EXPECT_EQ(reg({u"add"_s, u"HKEY_CURRENT_USER\\Software\\Zuvo\\Zuvo PC\\Network"_s, u"/v"_s,
                   u"Web Server"_s, u"/d"_s, u"127.0.0.1:8080"_s}),
              0);
    QByteArray out;
    EXPECT_EQ(reg({u"query"_s, key, u"/v"_s, u"rtp port"_s}, &out), 0);
    EXPECT_TRUE(out.contains("    RTP Port    REG_DWORD    0x1b62\n")) << out.constData();
    EXPECT_EQ(reg({u"query"_s, key}, &out), 0);
    EXPECT_TRUE(out.contains("    Web Server    REG_SZ    127.0.0.1:8080\n")) << out.constData();
    EXPECT_EQ(reg({u"query"_s, key, u"/v"_s, u"Nothing"_s}), 1);
    EXPECT_EQ(reg({u"query"_s, u"HKCU\\Software\\Missing"_s}), 1);
    EXPECT_EQ(reg({u"delete"_s, key, u"/v"_s, u"RTP Port"_s, u"/f"_s}), 0);
    EXPECT_EQ(reg({u"query"_s, key, u"/v"_s, u"RTP Port"_s}), 1);
    EXPECT_EQ(reg({u"add"_s, u"HKLM\\Software\\Classes"_s}), 0);
    EXPECT_TRUE(Registry::LocalMachine().KeyExists(u"software\\classes"_s));
    EXPECT_EQ(reg({u"delete"_s, u"HKCU\\Software\\Zuvo"_s, u"/f"_s}), 0);
    EXPECT_FALSE(Registry::CurrentUser().KeyExists(u"Software\\Zuvo"_s));

    // Bad arguments: one line naming the problem, exit 2.
    EXPECT_EQ(reg({u"query"_s, u"HKXX\\Software"_s}, &out), 2);
    EXPECT_TRUE(out.contains("HKCU")) << out.constData();
    EXPECT_EQ(reg({u"add"_s, key, u"/v"_s, u"x"_s, u"/t"_s, u"REG_BINARY"_s}, &out), 2);
    EXPECT_EQ(
        reg({u"add"_s, key, u"/v"_s, u"x"_s, u"/t"_s, u"REG_DWORD"_s, u"/d"_s, u"12q"_s}, &out), 2);
    EXPECT_EQ(reg({u"frobnicate"_s, key}), 2);
    EXPECT_EQ(reg({}), 2);
}

// zuvo-reg run in a private mount namespace where setup (shell commands, given "$d" = the
// hive's folder, "$reg" = the tool and "$@" = the tool's arguments) has changed the hive's
// folder first; exit 97 from setup
// means mounting is not allowed here.
struct RegRun {
    int code = -1;
    QByteArray output;
};
RegRun RegInNamespace(const QString& setup, const QStringList& args) {
    const QString folder = QFileInfo(Registry::CurrentUserPath()).absolutePath();
    QDir().mkpath(folder);
    const QString script =
        u"d=\"$1\"; reg=\"$2\"; shift 2; "_s + setup + u"; exec \"$reg\" \"$@\""_s;
    ChildProcess p(u"unshare"_s, QStringList{u"-rm"_s, u"sh"_s, u"-c"_s, script, u"sh"_s, folder,
                                             BinaryPath(u"zuvo-reg"_s)} +
                                     args);
    RegRun run;
    if (p.Start()) {
        run.code = p.WaitForExit();
    }
    run.output = p.output();
    return run;
}

// A settings file that cannot be read or written is reported as such (exit 3 with the reason),
// never as a missing key; a query reads a file it cannot change, and never changes one.
TEST(FoundationProcessTest, RegToolTellsAnUnusableFileFromAMissingValue) {
    test::TestEnvironment env;
    const QString key = u"HKCU\\Software\\Zuvo\\Zuvo PC\\Call History"_s;
    const auto add = [&key](const QString& name, const QString& data) {
        ChildProcess p(BinaryPath(u"zuvo-reg"_s), {u"add"_s, key, u"/v"_s, name, u"/d"_s, data});
        p.Start();
        return p.WaitForExit();
    };
    ASSERT_EQ(add(u"Nu0"_s, u"0123"_s), 0);

    // The hive's folder mounted read-only: the values are there to read, and writing says why not.
    const QString readOnly =
        u"mount --bind \"$d\" \"$d\" && mount -o remount,bind,ro \"$d\" || exit 97"_s;
    RegRun run = RegInNamespace(readOnly, {u"query"_s, key, u"/v"_s, u"Nu0"_s});
    if (run.code == 97) {
        GTEST_SKIP() << "mounting is not allowed here: " << run.output.constData();
    }
    EXPECT_EQ(run.code, 0) << run.output.constData();
    EXPECT_TRUE(run.output.contains("    Nu0    REG_SZ    0123\n")) << run.output.constData();
    run = RegInNamespace(readOnly, {u"query"_s, key, u"/v"_s, u"Nu9"_s});
    EXPECT_EQ(run.code, 1) << run.output.constData();
    EXPECT_TRUE(run.output.contains("not found")) << run.output.constData();
    run = RegInNamespace(readOnly, {u"add"_s, key, u"/v"_s, u"Nu1"_s, u"/d"_s, u"4"_s});
    EXPECT_EQ(run.code, 3) << run.output.constData();
    EXPECT_TRUE(run.output.contains("cannot write the settings file: ")) << run.output.constData();
    run = RegInNamespace(readOnly, {u"delete"_s, key, u"/v"_s, u"Nu0"_s, u"/f"_s});
    EXPECT_EQ(run.code, 3) << run.output.constData();

    // A full file system (a small one, filled after the first value was written).
    const QString full =
        u"mount -t tmpfs -o size=256k zuvo-test \"$d\" || exit 97; "
        u"\"$reg\" add \"$2\" /v Nu0 /d 0123 >/dev/null || exit 98; "
        u"dd if=/dev/zero of=\"$d/filler\" bs=4k 2>/dev/null; "
        u"dd if=/dev/zero of=\"$d/filler2\" bs=1 2>/dev/null; true"_s;
    run = RegInNamespace(full, {u"add"_s, key, u"/v"_s, u"Nu1"_s, u"/d"_s, QString(20000, u'5')});
    if (run.code == 97) {
        GTEST_SKIP() << "mounting is not allowed here: " << run.output.constData();
    }
    EXPECT_EQ(run.code, 3) << run.output.constData();
    EXPECT_TRUE(run.output.contains("cannot write the settings file: ")) << run.output.constData();

    // A damaged file: a query says so and leaves the file where it is.
    const QString path = Registry::CurrentUserPath();
    for (const char* suffix : {"", "-wal", "-shm"}) {
        QFile::remove(path + QLatin1StringView(suffix));
    }
    QFile junk(path);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, '\x5a'));
    junk.close();
    ChildProcess query(BinaryPath(u"zuvo-reg"_s), {u"query"_s, key});
    ASSERT_TRUE(query.Start());
    EXPECT_EQ(query.WaitForExit(), 3) << query.output().constData();
    EXPECT_TRUE(query.output().contains("cannot read the settings file: "))
        << query.output().constData();
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList({u"user.db*"_s}, QDir::Files),
              QStringList{u"user.db"_s});
}

TEST(FoundationProcessTest, SecondPhoneHandsTheNumberOverAndEnds) {
    test::TestEnvironment env;
    QCoreApplication app(argc, argv);
    Registry& hive = Registry::CurrentUser();

    ChildProcess first(BinaryPath(u"zuvo"_s), {}, PhoneEnvironment());
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(test::WaitUntil(
        [] { return LocalBus::FindWindow(ExternalControlProtocol::kPhoneWindowClass).has_value(); },
        std::chrono::seconds(20)));

    // Without a "Call History" key nothing is handed over; the second phone still ends. (The
    // phone makes the key when it loads its history: wait for that before taking it away.)
    ASSERT_TRUE(
        test::WaitUntil([&] { return hive.KeyExists(u"Software\\Zuvo\\Zuvo PC\\Call History"_s); },
                        std::chrono::seconds(20)));
    hive.DeleteKey(u"Software\\Zuvo\\Zuvo PC\\Call History"_s);
    ChildProcess early(BinaryPath(u"zuvo"_s), {u"/N555"_s, u"/A"_s}, PhoneEnvironment());
    ASSERT_TRUE(early.Start());
    EXPECT_EQ(early.WaitForExit(), 20);
    EXPECT_FALSE(hive.ReadString(u"Software\\Zuvo\\Zuvo PC\\Call History"_s, u"FA"_s));

    hive.CreateKey(u"Software\\Zuvo\\Zuvo PC\\Call History"_s);
    ChildProcess second(BinaryPath(u"zuvo"_s), {u"/N123"_s, u"/A"_s}, PhoneEnvironment());
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(second.WaitForExit(), 20);
    EXPECT_EQ(hive.ReadString(u"Software\\Zuvo\\Zuvo PC\\Call History"_s, u"FA"_s), u"123"_s);

    first.process().terminate();
    EXPECT_EQ(first.WaitForExit(), 20);
    EXPECT_TRUE(first.output().contains("hand-over: number \"123\" auto-dial 1"))
        << first.output().constData();
    EXPECT_FALSE(first.output().contains("555"));
    EXPECT_EQ(hive.ReadString(u"Software\\Zuvo\\Zuvo PC\\Version"_s, u"Serial"_s),
              u"5.85.EN.000.600.002"_s);
}

}  // namespace
