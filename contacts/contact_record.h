#pragma once

#include <QString>

#include <array>
#include <cstddef>

namespace zuvo {

// One contact as the phone book shows and edits it: eleven strings in a fixed order, shared by
// the address book sources, the list and the edit dialog.
struct ContactRecord {
    enum Field : std::size_t {
        First = 0,
        Middle,
        Last,
        Display,
        Company,
        Home,
        Business,
        Mobile,
        Other,
        Home2,
        Business2,
        FieldCount
    };

    std::array<QString, FieldCount> fields;

    QString& operator[](Field field) { return fields[field]; }
    const QString& operator[](Field field) const { return fields[field]; }
    bool operator==(const ContactRecord&) const = default;
};

}  // namespace zuvo
