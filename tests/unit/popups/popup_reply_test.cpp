#include <gtest/gtest.h>

#include <QDateTime>

#include "popups/popup_reply.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

// Seconds since 1970 of a wall-clock time in Berlin's standard time (UTC+1, all year).
int64_t BerlinStandard(int y, int m, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, m, d), QTime(h, mi, s), Qt::UTC).toSecsSinceEpoch() - 3600;
}

constexpr int64_t kComputerNow = 1'700'000'000;

}  // namespace

TEST(PopupReply, ReadsTheClockAndEachEntry) {
    const PopupReply r = ParsePopupReply(
        u"POPUPCONTROL=[25/03/2011,14:30:00,2] POPUP=[offers.htm,31/03/2011,0,60,640,480] "
        "POPUP=[/news.htm,01/04/2011,3,0,300,300]"_s,
        kComputerNow);
    ASSERT_TRUE(r.clock.has_value());
    EXPECT_EQ(r.clock->serverTime, BerlinStandard(2011, 3, 25, 14, 30, 0));
    EXPECT_EQ(r.clock->localTime, kComputerNow);
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0].name, u"offers.htm"_s);
    // 31 March 2011 is summer time in Berlin; the expiry is still read as standard time.
    EXPECT_EQ(r.entries[0].expiry, BerlinStandard(2011, 3, 31, 23, 59, 0));
    EXPECT_EQ(r.entries[0].control, 0);
    EXPECT_EQ(r.entries[0].freq, 60);
    EXPECT_EQ(r.entries[0].cx, 640);
    EXPECT_EQ(r.entries[0].cy, 480);
    EXPECT_EQ(r.entries[0].displayed, 0);
    EXPECT_EQ(r.entries[1].name, u"/news.htm"_s);
    EXPECT_EQ(r.entries[1].control, 3);
    EXPECT_EQ(r.entries[1].freq, 0);
}

TEST(PopupReply, CountsOnlyTheEntriesThatAreThere) {
    const PopupReply r = ParsePopupReply(
        u"POPUPCONTROL=[25/03/2011,14:30:00,3] POPUP=[a.htm,31/03/2011,0,-1,300,300] "
        "POPUP=[b.htm,31/03/2011,0,-1,300,300]"_s,
        kComputerNow);
    EXPECT_EQ(r.entries.size(), 2u);
    // A count below the entries present reads only that many.
    const PopupReply one = ParsePopupReply(
        u"POPUPCONTROL=[25/03/2011,14:30:00,1] POPUP=[a.htm,31/03/2011,0,-1,300,300] "
        "POPUP=[b.htm,31/03/2011,0,-1,300,300]"_s,
        kComputerNow);
    ASSERT_EQ(one.entries.size(), 1u);
    EXPECT_EQ(one.entries[0].name, u"a.htm"_s);
    EXPECT_TRUE(
        ParsePopupReply(u"POPUPCONTROL=[25/03/2011,14:30:00,0] POPUP=[a.htm,31/03/2011,0,-1,"
                        "300,300]"_s,
                        kComputerNow)
            .entries.empty());
}

TEST(PopupReply, MalformedPartsAreSkippedAndTheRestCounts) {
    const QString longName(256, u'x');
    const QString longest(255, u'y');
    const PopupReply r = ParsePopupReply(
        u"POPUPCONTROL=[25/03/2011,14:30:00,9] "
        "POPUP=[,31/03/2011,0,-1,300,300] "          // empty name
        "POPUP=[a\\b.htm,31/03/2011,0,-1,300,300] "  // backslash
        "POPUP=["_s +
            longName +
            u",31/03/2011,0,-1,300,300] "                // too long
            "POPUP=[bad.htm,31/03/2011,0,x,300,300] "    // not seven integers
            "POPUP=[gone.htm,31/02/2011,0,-1,300,300] "  // no such day
            "POPUP=[nocomma] "
            "POPUP=[huge.htm,31/03/2011,0,99999999999,300,300] "  // does not fit
            "POPUP=["_s +
            longest +
            u",31/03/2011,0,-1,300,300] "
            "POPUP=[good.htm,31/03/2011,2,5,10,20]"_s,
        kComputerNow);
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0].name, longest);
    EXPECT_EQ(r.entries[1].name, u"good.htm"_s);

    for (const QString& control : {u"POPUPCONTROL=[25/03/2011,14:30,2]"_s, u"POPUPCONTROL=[x]"_s,
                                   u"POPUPCONTROL=[]"_s, u"POPUPCONTROL=[30/02/2011,14:30:00,2]"_s,
                                   u"POPUPCONTROL=[25/03/2011,25:30:00,2]"_s, u"nothing"_s}) {
        const PopupReply bad =
            ParsePopupReply(control + u" POPUP=[a.htm,31/03/2011,0,-1,300,300]"_s, kComputerNow);
        EXPECT_FALSE(bad.clock.has_value()) << control.toStdString();
        EXPECT_TRUE(bad.entries.empty()) << control.toStdString();
    }
}

TEST(PopupReply, DatesAfter2038StayPositive) {
    const PopupReply r = ParsePopupReply(
        u"POPUPCONTROL=[1/1/2040,0:0:0,1] POPUP=[far.htm,31/12/2099,0,-1,300,300]"_s, kComputerNow);
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_GT(r.clock->serverTime, int64_t{1} << 31);
    EXPECT_EQ(r.entries[0].expiry, BerlinStandard(2099, 12, 31, 23, 59, 0));
}

TEST(PopupReply, ALongReplyIsBounded) {
    QString reply = u"POPUPCONTROL=[25/03/2011,14:30:00,999999999]"_s;
    for (int i = 0; i < kMaxPopupRecords + 10; ++i) {
        reply += u" POPUP=[p"_s + QString::number(i) + u".htm,31/03/2030,0,60,640,480]"_s;
    }
    EXPECT_EQ(ParsePopupReply(reply, kComputerNow).entries.size(), size_t{kMaxPopupRecords});
}

// Values that overlap (brackets opened and never closed) read as they always did. A reply holding
// half of a UTF-16 pair is still read; the half alone becomes a replacement mark (it was kept).
TEST(PopupReply, OverlappingValuesAndBrokenTextAreRead) {
    const PopupReply nested = ParsePopupReply(
        u"POPUPCONTROL=[25/03/2011,14:30:00,9] POPUP=[POPUP=[a.htm,31/03/2011,0,60,640,480] "
        "POPUP=[b.htm,31/03/2011,0,60,640,480 POPUP=[c.htm,31/03/2011,1,60,640,480]"_s,
        kComputerNow);
    ASSERT_EQ(nested.entries.size(), 4u);
    EXPECT_EQ(nested.entries[0].name, u"POPUP=[a.htm"_s);
    EXPECT_EQ(nested.entries[1].name, u"a.htm"_s);
    EXPECT_EQ(nested.entries[2].name, u"b.htm"_s);
    EXPECT_EQ(nested.entries[2].control, 0);
    EXPECT_EQ(nested.entries[3].name, u"c.htm"_s);
    EXPECT_EQ(nested.entries[3].control, 1);

    QString broken =
        u"POPUPCONTROL=[25/03/2011,14:30:00,2] POPUP=[x.htm,31/03/2011,0,60,640,480] "
        "POPUP=[y.htm,31/03/2011,0,60,640,480]"_s;
    broken[broken.indexOf(u'y')] = QChar(0xD800);  // half of a pair alone
    const qsizetype x = broken.indexOf(u'x');
    broken.insert(x, QChar(0xDE00));
    broken.insert(x, QChar(0xD83D));  // a whole pair
    const PopupReply r = ParsePopupReply(broken, kComputerNow);
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0].name, QString(QChar(0xD83D)) + QChar(0xDE00) + u"x.htm"_s);
    EXPECT_EQ(r.entries[1].name, QString(QChar::ReplacementCharacter) + u".htm"_s);
}
