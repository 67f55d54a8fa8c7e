#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>

#include "service/reply_lookup.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::service::GetReplyValue;
using zuvo::service::GetTaggedValue;

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
        QString reply;
        const int length = random.bounded(40);
        for (int i = 0; i < length; ++i) {
            reply += alphabet.at(random.bounded(alphabet.size()));
        }
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
