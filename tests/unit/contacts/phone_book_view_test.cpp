// What the phone book's list shows for a contact: its label, whether a search finds it, its
// group, and the display names the edit dialog offers.

#include <gtest/gtest.h>

#include "contacts/phone_book_view.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {
ContactRecord Person(const QString& first, const QString& last, const QString& display,
                     const QString& company = {}) {
    ContactRecord r;
    r[ContactRecord::First] = first;
    r[ContactRecord::Last] = last;
    r[ContactRecord::Display] = display;
    r[ContactRecord::Company] = company;
    return r;
}
}  // namespace

TEST(PhoneBookViewTest, LabelsInBothOrders) {
    EXPECT_EQ(ContactLabel(Person(u"Jo"_s, u"Smith"_s, u" Joe S "_s), 0), u"Joe S"_s);
    EXPECT_EQ(ContactLabel(Person(u" Jo "_s, u"Smith"_s, {}), 0), u"Jo Smith"_s);
    EXPECT_EQ(ContactLabel(Person(u"Jo"_s, u"Smith"_s, u"Joe S"_s), 1), u"Smith, Jo"_s);
    EXPECT_EQ(ContactLabel(Person(u"Jo"_s, {}, u"Joe S"_s), 1), u"Joe S"_s);
    EXPECT_EQ(ContactLabel(Person(u"Jo"_s, {}, {}), 1), u"Jo"_s);
}

TEST(PhoneBookViewTest, SearchMatchesTheStartOfFirstOrLastNameOnly) {
    PhoneBookView view;
    view.groupByCompany = 1;
    view.SetSearch(u"SM"_s);
    EXPECT_EQ(view.searchText, u"sm"_s);
    EXPECT_EQ(view.groupingInForce, 0);
    EXPECT_TRUE(MatchesSearch(Person(u"Al"_s, u"smith"_s, u"x"_s), view.searchText));
    EXPECT_TRUE(MatchesSearch(Person(u"SMALL"_s, u"Y"_s, u"x"_s), view.searchText));
    EXPECT_FALSE(MatchesSearch(Person(u"Al"_s, u"B"_s, u"Smith"_s, u"Smiths"_s), view.searchText));
    EXPECT_FALSE(MatchesSearch(Person(u"Al"_s, u"Assmith"_s, u"x"_s), view.searchText));
    view.SetSearch({});
    EXPECT_EQ(view.groupingInForce, 1);
    EXPECT_TRUE(MatchesSearch(Person(u"Al"_s, u"B"_s, u"x"_s), view.searchText));
}

TEST(PhoneBookViewTest, GroupsAndDisplayNameSuggestions) {
    EXPECT_EQ(GroupName(Person({}, {}, {}, u"  Acme "_s), u"Other"_s), u"Acme"_s);
    EXPECT_EQ(GroupName(Person({}, {}, {}, u"  "_s), u"Other"_s), u"Other"_s);

    EXPECT_EQ(DisplayNameSuggestions(u"Jo"_s, u"Q"_s, u"Smith"_s, {}),
              (QStringList{u"Jo Q Smith"_s, u"Smith Jo Q"_s, u"Smith, Jo Q"_s}));
    EXPECT_EQ(DisplayNameSuggestions({}, u"Q"_s, u"Smith"_s, {}),
              (QStringList{u"Q Smith"_s, u"Smith Q"_s, u"Smith, Q"_s}));
    EXPECT_EQ(DisplayNameSuggestions({}, {}, u" Smith "_s, {}), QStringList{u"Smith"_s});
    EXPECT_EQ(DisplayNameSuggestions(u"Jo"_s, {}, {}, u"Jo"_s), QStringList{u"Jo"_s});
    EXPECT_EQ(DisplayNameSuggestions(u"Jo"_s, {}, u"Smith"_s, u"Boss"_s),
              (QStringList{u"Boss"_s, u"Jo Smith"_s, u"Smith Jo"_s, u"Smith, Jo"_s}));
}
