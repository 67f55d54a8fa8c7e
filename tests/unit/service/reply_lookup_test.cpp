#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>

#include "service/reply_lookup.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::service::GetReplyValue;
using zuvo::service::GetTaggedValue;

namespace {

QString RandomReply(QRandomGenerator& random, const QString& alphabet, int longest) {
    QString reply;
    const int length = random.bounded(longest);
    for (int i = 0; i < length; ++i) {
        reply += alphabet.at(random.bounded(alphabet.size()));
    }
    return reply;
}

}  // namespace

TEST(ReplyLookup, KeyedValues) {
    QString value = u"old"_s;
    EXPECT_EQ(GetReplyValue(u"x BALANCE=[3.20] y"_s, u"BALANCE="_s, value), 11);
    EXPECT_EQ(value, u"3.20"_s);

    // No brackets: found, but the output keeps its value.
    value = u"old"_s;
    EXPECT_GE(GetReplyValue(u"BALANCE=3.20"_s, u"BALANCE="_s, value), 0);
    EXPECT_EQ(value, u"old"_s);

    // Absent key.
    EXPECT_EQ(GetReplyValue(u"AMOUNT=[1]"_s, u"BALANCE="_s, value), -1);
    EXPECT_EQ(value, u"old"_s);

    // Keys are case-sensitive substrings: the first occurrence wins, even inside a longer key.
    EXPECT_GE(GetReplyValue(u"LRATE=[0.02] RATE=[0.05]"_s, u"RATE="_s, value), 0);
    EXPECT_EQ(value, u"0.02"_s);
    EXPECT_GE(GetReplyValue(u"LCOST=[9] COST=[1]"_s, u"COST="_s, value), 0);
    EXPECT_EQ(value, u"9"_s);
    EXPECT_EQ(GetReplyValue(u"balance=[1]"_s, u"BALANCE="_s, value), -1);

    // The value may be empty and is everything up to the first "]".
    EXPECT_GE(GetReplyValue(u"LCUR=[]"_s, u"LCUR="_s, value), 0);
    EXPECT_EQ(value, QString());
    EXPECT_GE(GetReplyValue(u"PXY=[2;a:1;b]]"_s, u"PXY"_s, value), 0);
    EXPECT_EQ(value, u"2;a:1;b"_s);
}

TEST(ReplyLookup, WalksRepeatedKeysFromAStart) {
    const QString reply = u"POPUP=[a,1] POPUP=[b,2] POPUP=[c,3]"_s;
    QStringList seen;
    int at = 0;
    QString value;
    while ((at = GetReplyValue(reply, u"POPUP="_s, value, at)) >= 0) {
        seen << value;
    }
    EXPECT_EQ(seen, (QStringList{u"a,1"_s, u"b,2"_s, u"c,3"_s}));
}

TEST(ReplyLookup, TaggedValues) {
    QString value = u"old"_s;
    EXPECT_EQ(GetTaggedValue(u"[as:][uc:123456]"_s, u"[uc:"_s, value), 9);
    EXPECT_EQ(value, u"123456"_s);
    EXPECT_GE(GetTaggedValue(u"[as:][uc:1"_s, u"[as:"_s, value), 0);
    EXPECT_EQ(value, QString());
    // Unclosed tag: found, output unchanged.
    value = u"old"_s;
    EXPECT_EQ(GetTaggedValue(u"xx[uc:1234"_s, u"[uc:"_s, value), 6);
    EXPECT_EQ(value, u"old"_s);
    EXPECT_EQ(GetTaggedValue(u"[UC:1]"_s, u"[uc:"_s, value), -1);
}

TEST(ReplyLookup, MalformedInputStaysInBounds) {
    QString value = u"old"_s;
    // Odd starts and empty texts find nothing rather than read outside the reply.
    EXPECT_EQ(GetReplyValue(u"A=[1]"_s, u"A="_s, value, -5), -1);
    EXPECT_EQ(GetReplyValue(u"A=[1]"_s, u"A="_s, value, 1000), -1);
    EXPECT_EQ(GetTaggedValue(u"[a:1]"_s, u"[a:"_s, value, 5), -1);
    EXPECT_EQ(GetReplyValue(QString(), u"A="_s, value), -1);
    EXPECT_EQ(GetReplyValue(u"A=[1]"_s, QString(), value), -1);
    EXPECT_EQ(GetReplyValue(u"A="_s, u"A="_s, value), 2);
    EXPECT_EQ(GetReplyValue(u"A=["_s, u"A="_s, value), 3);
    EXPECT_EQ(value, u"old"_s);

    // Any reply, any start: a result is -1 or inside the reply, and a value is a piece of it.
    QRandomGenerator random(4711);
    const QString alphabet = u"[]:=AB\0x"_s;
    for (int round = 0; round < 3000; ++round) {
        const QString reply = RandomReply(random, alphabet, 40);
        const int start = random.bounded(-3, 45);
        QString keyed = u"\u2603"_s;
        const int keyedAt = GetReplyValue(reply, u"A="_s, keyed, start);
        QString tagged = u"\u2603"_s;
        const int taggedAt = GetTaggedValue(reply, u"[B:"_s, tagged, start);
        for (const auto& [at, found] : {std::pair{keyedAt, keyed}, std::pair{taggedAt, tagged}}) {
            ASSERT_GE(at, -1);
            ASSERT_LE(at, reply.size());
            if (found != u"\u2603"_s) {
                ASSERT_TRUE(reply.contains(found));
                ASSERT_FALSE(found.contains(u']'));
            }
        }
    }
}

// The walk must give exactly what the repeated look-ups give, whatever the brackets do.
TEST(ReplyLookup, TheWalkGivesWhatRepeatedLookUpsGive) {
    const auto lookUps = [](const QString& reply, const QString& key) {
        QStringList seen;
        int at = 0;
        for (;;) {
            QString value;
            at = GetReplyValue(reply, key, value, at);
            if (at < 0) {
                return seen;
            }
            seen << value;
        }
    };
    const auto walk = [](const QString& reply, const QString& key) {
        QStringList seen;
        zuvo::service::ReplyValueWalk values(reply, key);
        QStringView value;
        while (values.Next(&value)) {
            seen << value.toString();
        }
        return seen;
    };
    const QStringList chosen = {
        u"POPUP=[a,1] POPUP=[b,2] POPUP=[c,3]"_s,
        u"POPUP=POPUP=POPUP=[x]"_s,       // one value for three keys
        u"POPUP=[POPUP=[POPUP=[a,1]"_s,   // values that overlap, one close
        u"POPUP=[a POPUP=[b POPUP=[c"_s,  // never closed
        u"POPUP= POPUP= POPUP="_s,        // no brackets at all
        u"POPUP=[] POPUP=]["_s,           // empty value; close before open
        u"POPUP=[a]] POPUP=[[b]"_s,       // extra brackets
        u"POPUP"_s,
        u"POPUP=["_s,
        u"POPUP=]"_s,
        QString(),
    };
    for (const QString& reply : chosen) {
        EXPECT_EQ(walk(reply, u"POPUP="_s), lookUps(reply, u"POPUP="_s)) << qPrintable(reply);
    }
    EXPECT_TRUE(walk(u"A=[1]"_s, QString()).isEmpty());

    QRandomGenerator random(1742);
    const QString alphabet = u"[]A=,x"_s;
    for (int round = 0; round < 5000; ++round) {
        const QString reply = RandomReply(random, alphabet, 60);
        for (const QString& key : {u"A="_s, u"A"_s, u"=A="_s}) {
            ASSERT_EQ(walk(reply, key), lookUps(reply, key)) << qPrintable(reply);
        }
    }
}
