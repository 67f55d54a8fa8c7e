#pragma once

#include <QString>
#include <QStringList>

#include "contacts/contact_record.h"

namespace zuvo {

// How the phone book lists contacts, shared by the window and its list builder.
struct PhoneBookView {
    int sortByLastName = 0;   // 0: by first name, 1: by last name
    int groupByCompany = 0;   // the user's choice
    int groupingInForce = 0;  // groupByCompany, except 0 while a search text is set
    QString searchText;       // lower case

    // A change of the search box: the text lower-cased; groups only without a search.
    void SetSearch(const QString& text);
};

// The contact's row text: by first name the display name (or first and last name), by last name
// "last, first" (or the display name, or the first name).
QString ContactLabel(const ContactRecord& record, int sortByLastName);
// Whether the contact shows for this search text (lower case): its first or last name begins
// with it, in any letter case. An empty search shows everyone.
bool MatchesSearch(const ContactRecord& record, const QString& searchText);
// The group of a contact: its company, trimmed, or otherName when it has none.
QString GroupName(const ContactRecord& record, const QString& otherName);
// What the edit dialog offers as display names for these name parts and the current display name.
QStringList DisplayNameSuggestions(const QString& first, const QString& middle, const QString& last,
                                   const QString& current);

}  // namespace zuvo
