#include <gtest/gtest.h>

#include <QDateTime>
#include <QStringList>

#include "popups/popup_schedule.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

constexpr int64_t kFetchedAt = 1'700'000'000;  // the computer's clock at the fetch

PopupRecord Record(const QString& name, int control, int freq, int64_t expiry,
                   int64_t displayed = 0) {
    PopupRecord r;
    r.name = name;
    r.control = control;
    r.freq = freq;
    r.expiry = expiry;
    r.displayed = displayed;
    return r;
}

// A schedule fetched at kFetchedAt whose service clock then read serviceTime.
PopupSchedule Fetched(int64_t serviceTime, std::vector<PopupRecord> entries) {
    PopupReply reply;
    reply.clock = PopupClock{serviceTime, kFetchedAt};
    reply.entries = std::move(entries);
    PopupSchedule schedule;
    schedule.Merge(reply);
    return schedule;
}

struct Shown {
    std::optional<QString> name;
    QStringList forgotten;
};

// One event at the computer time `at`: what is shown (and marked shown) and what expired.
Shown Event(PopupSchedule& s, int event, int64_t at) {
    Shown shown;
    const auto best = s.Next(event, at, [&](const QString& name) { shown.forgotten << name; });
    if (best) {
        shown.name = s.records()[*best].name;
        s.MarkShown(*best, at);
    }
    return shown;
}

const int64_t kService = QDateTime(QDate(2011, 3, 25), QTime(14, 30), Qt::UTC).toSecsSinceEpoch();
const int64_t kFarExpiry = kService + 365 * 86400;

}  // namespace

TEST(PopupSchedule, TheEdgeCaseReply) {
    PopupSchedule s = Fetched(kService, {Record(u"offers.htm"_s, 0, 60, kFarExpiry),
                                         Record(u"/news.htm"_s, 3, 0, kFarExpiry)});
    EXPECT_EQ(Event(s, 1, kFetchedAt).name, u"offers.htm"_s);
    // The call ends: news.htm belongs to event 3, once only.
    EXPECT_EQ(Event(s, 3, kFetchedAt + 60).name, u"/news.htm"_s);
    EXPECT_FALSE(Event(s, 3, kFetchedAt + 120).name.has_value());
    EXPECT_FALSE(Event(s, 3, kFetchedAt + 86400).name.has_value() &&
                 *Event(s, 3, kFetchedAt + 86400).name == u"/news.htm"_s);
}

TEST(PopupSchedule, EveryControlAndFrequency) {
    // Control: 0 and below match every event; above 0 only its own.
    for (const int control : {0, -1, -7, 1, 2, 3}) {
        for (const int event : {1, 2, 3}) {
            PopupSchedule s = Fetched(kService, {Record(u"p"_s, control, -1, kFarExpiry)});
            const bool matches = control <= 0 || control == event;
            EXPECT_EQ(Event(s, event, kFetchedAt).name.has_value(), matches)
                << control << " " << event;
        }
    }
    // Freq -1: at every event.
    PopupSchedule every = Fetched(kService, {Record(u"p"_s, 0, -1, kFarExpiry)});
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Event(every, 1, kFetchedAt + i).name.has_value());
    }
    // Freq 0: once only, ever.
    PopupSchedule once = Fetched(kService, {Record(u"p"_s, 0, 0, kFarExpiry)});
    EXPECT_TRUE(Event(once, 1, kFetchedAt).name.has_value());
    EXPECT_FALSE(Event(once, 1, kFetchedAt + 86400 * 30).name.has_value());
    // Freq 60 shown at T: due again only after T + 3600.
    PopupSchedule hourly = Fetched(kService, {Record(u"p"_s, 0, 60, kFarExpiry)});
    EXPECT_TRUE(Event(hourly, 1, kFetchedAt).name.has_value());
    EXPECT_EQ(hourly.records()[0].displayed, kService);
    EXPECT_FALSE(Event(hourly, 1, kFetchedAt + 3600).name.has_value());
    EXPECT_TRUE(Event(hourly, 1, kFetchedAt + 3601).name.has_value());
    EXPECT_EQ(hourly.records()[0].displayed, kService + 3601);
    // A frequency whose seconds do not fit 32 bits still counts right, after 2038 too.
    PopupSchedule rare(PopupClock{3'000'000'000, kFetchedAt},
                       {Record(u"p"_s, 0, 40'000'000, kFarExpiry * 100)});
    EXPECT_TRUE(Event(rare, 1, kFetchedAt).name.has_value());
    EXPECT_FALSE(Event(rare, 1, kFetchedAt + int64_t{40'000'000} * 60).name.has_value());
    EXPECT_TRUE(Event(rare, 1, kFetchedAt + int64_t{40'000'000} * 60 + 1).name.has_value());
}

TEST(PopupSchedule, ExpiredRecordsGoWithTheirKeys) {
    const int64_t expiry = kService + 100;
    PopupSchedule s = Fetched(
        kService, {Record(u"old.htm"_s, 0, -1, expiry), Record(u"old2.htm"_s, 0, -1, expiry),
                   Record(u"new.htm"_s, 3, -1, kFarExpiry)});
    // At the expiry itself the message may still be shown.
    Shown at = Event(s, 1, kFetchedAt + 100);
    EXPECT_EQ(at.name, u"old2.htm"_s);
    EXPECT_TRUE(at.forgotten.isEmpty());
    // A second later both are gone, one after the other, and nothing is shown for event 1.
    Shown after = Event(s, 1, kFetchedAt + 101);
    EXPECT_FALSE(after.name.has_value());
    EXPECT_EQ(after.forgotten, (QStringList{u"old.htm"_s, u"old2.htm"_s}));
    ASSERT_EQ(s.records().size(), 1u);
    EXPECT_EQ(s.records()[0].name, u"new.htm"_s);
}

TEST(PopupSchedule, TheLeastRecentlyShownWinsAndTheLastAmongEquals) {
    PopupSchedule s = Fetched(
        kService, {Record(u"a"_s, 0, -1, kFarExpiry, 500), Record(u"b"_s, 0, -1, kFarExpiry, 100),
                   Record(u"c"_s, 0, -1, kFarExpiry, 900), Record(u"d"_s, 0, -1, kFarExpiry, 100)});
    // Fetched records start with Displayed 0; give them their history.
    PopupSchedule shown(
        s.clock(),
        {Record(u"a"_s, 0, -1, kFarExpiry, 500), Record(u"b"_s, 0, -1, kFarExpiry, 100),
         Record(u"c"_s, 0, -1, kFarExpiry, 900), Record(u"d"_s, 0, -1, kFarExpiry, 100)});
    EXPECT_EQ(Event(shown, 1, kFetchedAt).name, u"d"_s);
    EXPECT_EQ(Event(shown, 1, kFetchedAt).name, u"b"_s);
    EXPECT_EQ(Event(shown, 1, kFetchedAt).name, u"a"_s);
    // All new: the last one.
    EXPECT_EQ(Event(s, 1, kFetchedAt).name, u"d"_s);
    // A record not due does not take the place of a due one shown earlier.
    PopupSchedule mixed(s.clock(), {Record(u"due"_s, 0, -1, kFarExpiry, 700),
                                    Record(u"done"_s, 0, 0, kFarExpiry, 100)});
    EXPECT_EQ(Event(mixed, 1, kFetchedAt).name, u"due"_s);
}

TEST(PopupSchedule, ARepeatedNameKeepsItsDisplayedTime) {
    PopupSchedule s = Fetched(kService, {Record(u"offers.htm"_s, 0, 60, kFarExpiry)});
    ASSERT_TRUE(Event(s, 1, kFetchedAt).name.has_value());
    PopupRecord again = Record(u"offers.htm"_s, 2, 30, kFarExpiry + 5);
    again.cx = 800;
    again.cy = 700;
    again.displayed = 0;
    s.AddOrUpdate(again);
    // A name differing only in case is another message.
    s.AddOrUpdate(Record(u"Offers.htm"_s, 0, 60, kFarExpiry));
    ASSERT_EQ(s.records().size(), 2u);
    const PopupRecord& r = s.records()[0];
    EXPECT_EQ(r.displayed, kService);
    EXPECT_EQ(r.cx, 800);
    EXPECT_EQ(r.cy, 700);
    EXPECT_EQ(r.control, 2);
    EXPECT_EQ(r.freq, 30);
    EXPECT_EQ(r.expiry, kFarExpiry + 5);
}

TEST(PopupSchedule, AWrongComputerClockDoesNotChangeTheSchedule) {
    // The same history seen by a computer whose clock runs an hour ahead all along.
    for (const int64_t skew : {int64_t{0}, int64_t{3600}, int64_t{-86400}}) {
        PopupReply reply;
        reply.clock = PopupClock{kService, kFetchedAt + skew};
        reply.entries = {Record(u"p"_s, 0, 60, kService + 7200)};
        PopupSchedule s;
        s.Merge(reply);
        EXPECT_TRUE(Event(s, 1, kFetchedAt + skew).name.has_value());
        EXPECT_EQ(s.records()[0].displayed, kService);
        EXPECT_FALSE(Event(s, 1, kFetchedAt + skew + 3600).name.has_value());
        EXPECT_TRUE(Event(s, 1, kFetchedAt + skew + 3601).name.has_value());
        // Past the expiry (service time), whatever the computer's clock says.
        EXPECT_FALSE(Event(s, 1, kFetchedAt + skew + 7201).name.has_value());
        EXPECT_TRUE(s.records().empty());
    }
}

TEST(PopupSchedule, NothingBeforeTheFirstFetchAndAFailedFetchKeepsTheOldData) {
    PopupSchedule fresh(PopupClock{}, {Record(u"p"_s, 0, -1, kFarExpiry)});
    EXPECT_FALSE(Event(fresh, 1, kFetchedAt).name.has_value());
    // A reply without a clock (malformed POPUPCONTROL) adds nothing and keeps the clock.
    PopupSchedule s = Fetched(kService, {Record(u"p"_s, 0, -1, kFarExpiry)});
    s.Merge(PopupReply{});
    EXPECT_EQ(s.clock().serverTime, kService);
    EXPECT_EQ(s.records().size(), 1u);
}
