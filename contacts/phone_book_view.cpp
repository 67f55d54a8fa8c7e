#include "contacts/phone_book_view.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

void PhoneBookView::SetSearch(const QString& text) {
    searchText = text.toLower();
    groupingInForce = searchText.isEmpty() ? groupByCompany : 0;
}

QString ContactLabel(const ContactRecord& record, int sortByLastName) {
    const QString first = record[ContactRecord::First].trimmed();
    const QString last = record[ContactRecord::Last].trimmed();
    const QString display = record[ContactRecord::Display].trimmed();
    if (sortByLastName == 0) {
        return display.isEmpty() ? first + u' ' + last : display;
    }
    if (!last.isEmpty()) {
        return last + u", "_s + first;
    }
    return display.isEmpty() ? first : display;
}

bool MatchesSearch(const ContactRecord& record, const QString& searchText) {
    if (searchText.isEmpty()) {
        return true;
    }
    return record[ContactRecord::First].toLower().startsWith(searchText) ||
           record[ContactRecord::Last].toLower().startsWith(searchText);
}

QString GroupName(const ContactRecord& record, const QString& otherName) {
    const QString company = record[ContactRecord::Company].trimmed();
    return company.isEmpty() ? otherName : company;
}

QStringList DisplayNameSuggestions(const QString& first, const QString& middle, const QString& last,
                                   const QString& current) {
    QString f = first.trimmed();
    if (!middle.trimmed().isEmpty()) {
        f = (f + u' ' + middle.trimmed()).trimmed();
    }
    const QString l = last.trimmed();
    QStringList offers;
    if (f.isEmpty()) {
        offers.append(l);
    } else if (!l.isEmpty()) {
        offers = {f + u' ' + l, l + u' ' + f, l + u", "_s + f};
    } else {
        offers.append(f);
    }
    if (!current.isEmpty() && !offers.contains(current)) {
        offers.prepend(current);
    }
    return offers;
}

}  // namespace zuvo
