#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "service/account_balance.h"
#include "service/call_authorisation.h"
#include "service/request_cipher.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo::service;

namespace {

struct ReadyCipher : RequestCipher {
    ReadyCipher() { InitRequestCipher(); }
};

QString Enciphered(const QString& text) {
    const ReadyCipher cipher;
    QString out = text;
    EXPECT_TRUE(cipher.EncipherToHex(out));
    return out;
}

BalanceInput CallRecordInput(const QString& lastReference = {}) {
    BalanceInput input;
    input.dialledNumber = u"+441234567890"_s;
    input.accountNumber = u"12345"_s;
    input.lastCallReference = lastReference;
    return input;
}

}  // namespace

TEST(AccountBalance, ConnectionText) {
    ConnectionDescription c{
        .proxyHost = u"sip.zuvo.test"_s, .proxyPort = u"5061"_s, .secure = true, .webIndex = 1};
    EXPECT_EQ(ComposeConnectionText(c), u"sip.zuvo.test|5061|1|1"_s);

    // Indexes above 2 are reported as 2; every ":" of the host becomes "|".
    c = {.proxyHost = u"fe80::1"_s, .proxyPort = u"5060"_s, .secure = false, .webIndex = 4};
    EXPECT_EQ(ComposeConnectionText(c), u"fe80||1|5060|0|2"_s);
    c.webIndex = 2;
    EXPECT_EQ(ComposeConnectionText(c), u"fe80||1|5060|0|2"_s);

    // The tunnel's texts are cut to 16 characters.
    c = {.proxyHost = u"h"_s,
         .proxyPort = u"1"_s,
         .tunnelActive = true,
         .tunnelIdentification = u"0123456789abcdefXYZ"_s,
         .tunnelVersion = u"2.1"_s};
    EXPECT_EQ(ComposeConnectionText(c), u"h|1|0|0|0123456789abcdef|2.1"_s);

    const ReadyCipher cipher;
    EXPECT_EQ(ConnectionSuffix(c, cipher), u"&CP="_s + Enciphered(ComposeConnectionText(c)));
    // Without a cipher nothing is sent rather than the text in clear.
    EXPECT_EQ(ConnectionSuffix(c, RequestCipher()), QString());
}

TEST(AccountBalance, RequestObject) {
    const ReadyCipher cipher;
    BalanceInput input = CallRecordInput();
    input.requestKey = u"ABCD"_s;
    input.version = u"5.85"_s;
    input.connectionSuffix = u"&CP=00FF"_s;
    // The number goes out without its "+", enciphered.
    EXPECT_EQ(BalanceRequestObject(input, cipher),
              u"ZuvoDialler/phone.ashx?task=AB&key=ABCD&ver=5.85&CP=00FF&cr="_s +
                  Enciphered(u"441234567890"_s));
    input.dialledNumber.clear();
    EXPECT_EQ(BalanceRequestObject(input, cipher),
              u"ZuvoDialler/phone.ashx?task=AB&key=ABCD&ver=5.85&CP=00FF"_s);
    input.dialledNumber = u"+44"_s;
    EXPECT_FALSE(BalanceRequestObject(input, RequestCipher()).contains(u"44"_s));
}

TEST(AccountBalance, BalanceAmountAndTrigger) {
    const BalanceInput plain;
    // Low balance: box titled with the trigger, text the amount, and the account page.
    BalanceResult r =
        EvaluateBalanceReply(u"BALANCE=[ \u20ac 4.10]\nAMOUNT=[4.10]\nTRIGGER=[5.00]\n"_s, plain);
    EXPECT_TRUE(r.succeeded);
    EXPECT_EQ(r.balanceText, u"\u20ac 4.10"_s);  // leading blanks removed
    EXPECT_TRUE(r.redraw);
    EXPECT_EQ(r.trigger, u"5.00"_s);
    EXPECT_EQ(r.amountText, u"4.10"_s);
    EXPECT_TRUE(r.openAccountPage);

    r = EvaluateBalanceReply(u"BALANCE=[4.10] AMOUNT=[4.10] TRIGGER=[2.00]"_s, plain);
    EXPECT_EQ(r.trigger, u"2.00"_s);
    EXPECT_FALSE(r.openAccountPage);
    r = EvaluateBalanceReply(u"AMOUNT=[5] TRIGGER=[5.00]"_s, plain);
    EXPECT_FALSE(r.openAccountPage);  // equal is not below
    EXPECT_FALSE(r.balanceText.has_value());
    EXPECT_TRUE(r.redraw);

    // Non-numeric amount: no box, no page, but the balance is still redrawn.
    r = EvaluateBalanceReply(u"BALANCE=[ n/a] AMOUNT=[n/a] TRIGGER=[5.00]"_s, plain);
    EXPECT_FALSE(r.trigger.has_value());
    EXPECT_FALSE(r.openAccountPage);
    EXPECT_TRUE(r.redraw);
    EXPECT_EQ(r.balanceText, u"n/a"_s);
    // A number followed by text still reads as that number.
    r = EvaluateBalanceReply(u"AMOUNT=[ -1.5 EUR] TRIGGER=[0]"_s, plain);
    EXPECT_TRUE(r.openAccountPage);

    // Balance only: stored as sent, not redrawn.
    r = EvaluateBalanceReply(u"BALANCE=[ 7.00]"_s, plain);
    EXPECT_EQ(r.balanceText, u" 7.00"_s);
    EXPECT_FALSE(r.redraw);
    EXPECT_FALSE(r.trigger.has_value());

    r = EvaluateBalanceReply(u"ERROR=[denied]"_s, plain);
    EXPECT_FALSE(r.balanceText.has_value() || r.redraw || r.trigger.has_value());
    EXPECT_TRUE(r.records.isEmpty());
}

TEST(AccountBalance, CallRecords) {
    const QString reply =
        u"BALANCE=[EUR 4.04] AMOUNT=[4.04] REF=[A1] DATE=[25/03/2011] DUR=[00:01:05] CUR=[EUR] "
        "RATE=[0.05] COST=[0.06] LCUR=[GBP] LRATE=[0.04] LCOST=[0.05]"_s;
    BalanceResult r = EvaluateBalanceReply(reply, CallRecordInput());
    EXPECT_EQ(r.callReference, u"A1"_s);
    ASSERT_EQ(r.records.size(), 2);
    EXPECT_EQ(r.records.at(0), u"BAL,25/03/2011,+441234567890,00:01:05,EUR,0.05,0.06,4.04"_s);
    EXPECT_EQ(r.records.at(1), u"LCL,+441234567890,GBP,0.04,0.05"_s);

    // The same reference again writes nothing.
    r = EvaluateBalanceReply(reply, CallRecordInput(u"A1"_s));
    EXPECT_FALSE(r.callReference.has_value());
    EXPECT_TRUE(r.records.isEmpty());

    // Keys are substrings: with LRATE first, RATE takes its value. Missing fields stay empty;
    // an empty LCUR means no local-currency record.
    r = EvaluateBalanceReply(u"REF=[B2] LRATE=[0.09] RATE=[0.05] LCUR=[]"_s, CallRecordInput());
    ASSERT_EQ(r.records.size(), 1);
    EXPECT_EQ(r.records.at(0), u"BAL,,+441234567890,,,0.09,,"_s);

    // No REF, or no call to record: no records at all.
    EXPECT_TRUE(
        EvaluateBalanceReply(u"AMOUNT=[1] DATE=[x]"_s, CallRecordInput()).records.isEmpty());
    const BalanceResult plain = EvaluateBalanceReply(reply, BalanceInput());
    EXPECT_TRUE(plain.records.isEmpty());
    EXPECT_FALSE(plain.callReference.has_value());
}

TEST(AccountBalance, CallLogFiles) {
    const QDateTime when(QDate(2011, 3, 25), QTime(9, 5, 7));
    EXPECT_EQ(CallLogFileName(u"12345"_s, when), u"12345_11_03_25.txt"_s);
    EXPECT_EQ(CallLogLine(u"BAL,a"_s, when), QByteArray("09:05:07,BAL,a\r\n"));
    EXPECT_EQ(CallLogLine(QString(300, u'x'), when).size(), 9 + 251 + 2);
    // Accounts that would lead the file out of its folder name no file.
    for (const QString& bad : {u""_s, u".."_s, u"../x"_s, u"a/b"_s, u"a\\b"_s, u"a\nb"_s}) {
        EXPECT_TRUE(CallLogFileName(bad, when).isEmpty()) << bad.toStdString();
    }

    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString logs = temp.filePath(u"Logs"_s);
    EXPECT_TRUE(AppendCallLog(logs, u"12345"_s, u"BAL,1"_s, when));
    EXPECT_TRUE(AppendCallLog(logs, u"12345"_s, u"LCL,\u20ac"_s, when.addSecs(60)));
    EXPECT_TRUE(AppendCallLog(logs, u"12345"_s, u"BAL,2"_s, when.addDays(1)));
    QFile day(logs + u"/12345_11_03_25.txt"_s);
    ASSERT_TRUE(day.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(day.readAll()), u"09:05:07,BAL,1\r\n09:06:07,LCL,\u20ac\r\n"_s);
    EXPECT_TRUE(QFile::exists(logs + u"/12345_11_03_26.txt"_s));
    EXPECT_FALSE(AppendCallLog(logs, u"../12345"_s, u"BAL,3"_s, when));
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files).size(), 0);

    // A folder that cannot be made, or a file that cannot be opened, is skipped.
    QFile blocker(temp.filePath(u"NotAFolder"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(AppendCallLog(blocker.fileName(), u"12345"_s, u"BAL,1"_s, when));
    ASSERT_TRUE(QDir(logs).mkdir(u"12345_11_03_27.txt"_s));
    EXPECT_FALSE(AppendCallLog(logs, u"12345"_s, u"BAL,1"_s, when.addDays(2)));
}

TEST(AccountBalance, CallLogsArePrivateAndHoldOneLinePerRecord) {
    // Reply values cannot start lines of their own.
    const QString reply =
        u"REF=[A1] DATE=[25/03/2011\r\n09:05:08,BAL,forged] DUR=[1\n2] CUR=[E\u2028UR] "
        u"RATE=[0.05\t] COST=[0.06\x1b] AMOUNT=[4.10\r] LCUR=[\nGBP] LRATE=[1\x7f] LCOST=[2\u0085]"_s;
    const BalanceResult result = EvaluateBalanceReply(reply, CallRecordInput());
    EXPECT_EQ(result.records.join(u'|').toStdString(),
              "BAL,25/03/201109:05:08,BAL,forged,+441234567890,12,EUR,0.05,0.06,4.10|"
              "LCL,+441234567890,GBP,1,2");
    const QDateTime when(QDate(2011, 3, 25), QTime(9, 5, 7));
    EXPECT_EQ(CallLogLine(u"LCL,a\r\n09:00:00,b\u2029c"_s, when),
              QByteArray("09:05:07,LCL,a09:00:00,bc\r\n"));

    zuvo::test::TestEnvironment env;
    const mode_t oldMask = ::umask(022);
    const QString oldCurrent = QDir::currentPath();
    QDir().mkpath(env.path(u"started-here"_s));
    QDir::setCurrent(env.path(u"started-here"_s));

    // The user's state folder, not the folder the phone was started from; private.
    const QString logs = CallLogDirectory();
    EXPECT_EQ(logs.toStdString(), env.path(u"state/zuvo/Logs"_s).toStdString());
    for (const QString& record : result.records) {
        EXPECT_TRUE(AppendCallLog(logs, u"12345"_s, record, when));
    }
    EXPECT_TRUE(QDir(env.path(u"started-here"_s)).isEmpty());
    const auto mode = [](const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
    };
    EXPECT_EQ(mode(logs + u"/12345_11_03_25.txt"_s), 0600u);
    EXPECT_EQ(mode(logs), 0700u);
    EXPECT_EQ(mode(env.path(u"state/zuvo"_s)), 0700u);
    QFile day(logs + u"/12345_11_03_25.txt"_s);
    EXPECT_TRUE(day.open(QIODevice::ReadOnly));
    EXPECT_EQ(day.readAll().count("\r\n"), 2);

    // Without a state folder of its own (or with a relative one) the default one in the home.
    qputenv("XDG_STATE_HOME", "relative/state");
    EXPECT_EQ(CallLogDirectory().toStdString(),
              env.path(u"home/.local/state/zuvo/Logs"_s).toStdString());
    qunsetenv("XDG_STATE_HOME");
    EXPECT_EQ(CallLogDirectory().toStdString(),
              env.path(u"home/.local/state/zuvo/Logs"_s).toStdString());

    QDir::setCurrent(oldCurrent);
    ::umask(oldMask);
}

TEST(CallAuthorisation, RequestAndReply) {
    CallAuthorisationInput input;
    input.requestKey = u"K"_s;
    input.version = u"5.85"_s;
    input.dialled = u"441234567890"_s;
    const ProxyHostPort proxy = SplitProxyAddress(u"sip.zuvo.test:5060"_s, u"UDP"_s);
    input.proxyHost = proxy.host;
    input.proxyPort = proxy.port;
    EXPECT_EQ(CallAuthorisationRequestObject(input),
              u"ZuvoDialler/phone.ashx?task=MC&E164=441234567890&key=K&pxy=sip.zuvo.test:5060"
              "&ver=5.85"_s);
    // Not asked: the reply is not examined.
    EXPECT_FALSE(EvaluateCallAuthorisationReply(u"MINUTES=[42]"_s, input).minutes.has_value());

    input.askMinutes = true;
    EXPECT_TRUE(CallAuthorisationRequestObject(input).endsWith(u"&ver=5.85&avt=1"_s));
    EXPECT_EQ(EvaluateCallAuthorisationReply(u"OK=[1] MINUTES=[42]"_s, input).minutes, u"42"_s);
    EXPECT_FALSE(EvaluateCallAuthorisationReply(u"OK=[1]"_s, input).minutes.has_value());

    // Addresses without a port take the transport's usual one.
    EXPECT_EQ(SplitProxyAddress(u"10.0.0.1"_s, u"TLS"_s).port, u"5061"_s);
    EXPECT_EQ(SplitProxyAddress(u"10.0.0.1"_s, u"UDP"_s).port, u"5060"_s);
    EXPECT_EQ(SplitProxyAddress(u"10.0.0.1:5070:x"_s, u"UDP"_s).port, u"5070"_s);
    EXPECT_EQ(SplitProxyAddress(u"10.0.0.1:5070"_s, u"UDP"_s).host, u"10.0.0.1"_s);
}
