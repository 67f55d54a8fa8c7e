#pragma once

#include <QString>

#include <optional>

#include "contacts/address_book_source.h"
#include "contacts/vcard_card.h"

namespace zuvo {

// The address book as a vdir: a folder holding one vCard per ".vcf" file, the layout khard,
// vdirsyncer and other tools share. A contact's key is its file's name. New files are named
// after a fresh UID, never after what the user typed; every write goes to a temporary file that
// is then renamed over the card.
class VdirSource final : public AddressBookSource {
public:
    // Bounds on what the folder may make the phone read.
    static constexpr int kMaxFiles = 50000;

    explicit VdirSource(QString folder);

    const QString& folder() const { return m_folder; }

    bool Open() override;
    bool Enumerate(const Visitor& visit) override;
    bool Read(const QString& key, ContactRecord& record) override;
    bool Create(const ContactRecord& record, QString* key) override;
    bool Update(QString& key, const ContactRecord& record) override;
    bool Delete(const QString& key) override;
    QString Location() const override { return m_folder; }

private:
    // The card's path when key is the plain name of a card file in the folder.
    std::optional<QString> PathOf(const QString& key) const;
    std::optional<VCardCard> Load(const QString& path) const;
    // The display names of every card, for the "(n)" rule.
    QStringList DisplayNames() const;

    QString m_folder;
};

}  // namespace zuvo
