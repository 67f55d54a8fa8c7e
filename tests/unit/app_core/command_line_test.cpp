#include <gtest/gtest.h>

#include <QFile>

#include <sys/stat.h>

#include "app/core/command_line.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::CommandLineOptions;
using zuvo::ParseCommandLine;

namespace {

TEST(CommandLineTest, SwitchesValuesAndWhereParsingStops) {
    auto o = ParseCommandLine(u"-a -n+44 20 79"_s);
    EXPECT_TRUE(o.autoDial);
    EXPECT_EQ(o.number, u"+44"_s);  // "20" is not a switch: parsing ends there

    o = ParseCommandLine(u"/N /Tx"_s);
    EXPECT_EQ(o.number, QString());
    EXPECT_TRUE(o.unattended);  // the "x" after /T ends parsing

    o = ParseCommandLine(u"/Nabc /Ndef /b12 /B34 /pA /PB\t/d"_s);
    EXPECT_EQ(o.number, u"abcdef"_s);
    EXPECT_EQ(o.userName, u"1234"_s);
    EXPECT_EQ(o.password, u"AB"_s);
    EXPECT_TRUE(o.connectStep);
    EXPECT_EQ(o.unrecognized, 0);

    o = ParseCommandLine(QString());
    EXPECT_EQ(o.delayR, 5000);
    EXPECT_EQ(o.delayC, 5000);
    EXPECT_EQ(o.delayU, 0);
}

TEST(CommandLineTest, TheRestIsKeptAsALinkOnlyWhenItBeginsLikeOne) {
    auto o = ParseCommandLine(u"tel:+44 20 7946 0000"_s);
    EXPECT_EQ(o.link, u"tel:+44 20 7946 0000"_s);
    EXPECT_EQ(o.number, QString());
    EXPECT_EQ(o.unrecognized, 0);

    // Switches before the link still count; switch-like words inside it are its own text.
    o = ParseCommandLine(u"/B12 callto://+4420 /A /N999"_s);
    EXPECT_EQ(o.userName, u"12"_s);
    EXPECT_EQ(o.link, u"callto://+4420 /A /N999"_s);
    EXPECT_FALSE(o.autoDial);
    EXPECT_EQ(o.number, QString());

    // Other words are ignored, as they always were.
    EXPECT_EQ(ParseCommandLine(u"/A 4420"_s).link, QString());
    EXPECT_EQ(ParseCommandLine(u"-a -n+44 20 79"_s).link, QString());
    EXPECT_EQ(ParseCommandLine(u"1tel:4420"_s).link, QString());
    EXPECT_EQ(ParseCommandLine(u"te l:4420"_s).link, QString());
    EXPECT_EQ(ParseCommandLine(u"javascript:x"_s).link, u"javascript:x"_s);  // refused later

    EXPECT_TRUE(zuvo::LooksLikeLink(u"x-zuvo+a.b-c:1"));
    EXPECT_FALSE(zuvo::LooksLikeLink(u":4420"));
    EXPECT_FALSE(zuvo::LooksLikeLink(u"/N4420:1"));
    EXPECT_FALSE(zuvo::LooksLikeLink(u"tel"));
    EXPECT_FALSE(zuvo::LooksLikeLink(QStringView()));
}

// /J names the test call's report file like /F names the dial file; it is no longer unknown.
TEST(CommandLineTest, ReportSwitchTakesAPath) {
    auto o = ParseCommandLine(u"/T /J/tmp/r.json /C1"_s);
    EXPECT_TRUE(o.report);
    EXPECT_EQ(o.reportPath, u"/tmp/r.json"_s);
    EXPECT_EQ(o.delayC, 1000);
    EXPECT_EQ(o.unrecognized, 0);

    o = ParseCommandLine(u"/T /j /N44"_s);
    EXPECT_TRUE(o.report);
    EXPECT_EQ(o.reportPath, QString());
    EXPECT_EQ(o.number, u"44"_s);

    o = ParseCommandLine(u"/T /N44"_s);
    EXPECT_FALSE(o.report);
}

TEST(CommandLineTest, DelaysAreWholeSecondsWithoutOverflow) {
    auto o = ParseCommandLine(u"/C3 /R0 /U12x /S99"_s);
    EXPECT_EQ(o.delayC, 3000);
    EXPECT_EQ(o.delayR, 0);
    EXPECT_EQ(o.delayU, 12000);
    o = ParseCommandLine(u"/Cabc /R99999999999 /U-5"_s);
    EXPECT_EQ(o.delayC, 0);
    EXPECT_EQ(o.delayR, INT_MAX);
    EXPECT_EQ(o.delayU, 0);
}

TEST(CommandLineTest, UnrecognizedSwitchesAreCountedAndParsingGoesOn) {
    auto o = ParseCommandLine(u"/X /N5"_s);
    EXPECT_EQ(o.unrecognized, 1);
    EXPECT_EQ(o.number, u"5"_s);
    o = ParseCommandLine(u"/A /"_s);
    EXPECT_EQ(o.unrecognized, 1);
    EXPECT_TRUE(o.autoDial);
    o = ParseCommandLine(u"-"_s);
    EXPECT_EQ(o.unrecognized, 1);
    o = ParseCommandLine(u"/Q/Z"_s);  // "/Z" is part of nothing: /Q takes no value, "/" follows
    EXPECT_EQ(o.unrecognized, 2);
}

TEST(CommandLineTest, DialFile) {
    zuvo::test::TestEnvironment env;
    const QString path = env.path(u"dial.txt"_s);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("// test pn=999\n  pn= 0123 \nad\n");
    f.close();
    auto o = ParseCommandLine(u"/F"_s + path);
    EXPECT_EQ(o.number, u"0123"_s);
    EXPECT_TRUE(o.autoDial);

    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("PN=1\nPN=2\n" + QByteArray(1500, 'x') + "\n");
    f.close();
    o = ParseCommandLine(u"/F"_s + path);
    EXPECT_EQ(o.number, u"2"_s);
    EXPECT_FALSE(o.autoDial);

    o = ParseCommandLine(u"/F"_s + env.path(u"missing.txt"_s) + u" /N7"_s);
    EXPECT_EQ(o.number, u"7"_s);
}

// Opening never waits and only a small regular file is read: a FIFO without a writer, a device
// that never ends, a folder or a huge file change nothing, and parsing goes on after them.
TEST(CommandLineTest, DialFileMustBeASmallRegularFile) {
    zuvo::test::TestEnvironment env;
    const QString fifo = env.path(u"dial.fifo"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    auto o = ParseCommandLine(u"/F"_s + fifo + u" /N7"_s);
    EXPECT_EQ(o.number, u"7"_s);
    EXPECT_FALSE(o.autoDial);

    o = ParseCommandLine(u"/F/dev/zero /N8"_s);
    EXPECT_EQ(o.number, u"8"_s);
    o = ParseCommandLine(u"/F"_s + env.root() + u" /N9"_s);
    EXPECT_EQ(o.number, u"9"_s);

    const QString big = env.path(u"big.txt"_s);
    QFile f(big);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PN=5\nAD\n");
    f.write(QByteArray(zuvo::kMaxDialFileBytes, '\n'));
    f.close();
    o = ParseCommandLine(u"/F"_s + big);
    EXPECT_EQ(o.number, QString());
    EXPECT_FALSE(o.autoDial);

    // At the bound itself the file is still read.
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("PN=6\n");
    f.write(QByteArray(zuvo::kMaxDialFileBytes - 5, '\n'));
    f.close();
    o = ParseCommandLine(u"/F"_s + big);
    EXPECT_EQ(o.number, u"6"_s);
}

}  // namespace
