#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

#include "contacts/address_book_source.h"

namespace zuvo {

// The address book as one multi-contact ".vcf" file. A contact's key is its card's UID, or, for
// a card without one, "sha1:" and the hash of its bytes (the card gets a UID when the phone
// first writes it, and the key changes to it). Whatever lies between cards, and every card the
// phone does not change, is written back as it was.
class VCardFileSource final : public AddressBookSource {
public:
    static constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
    static constexpr int kMaxCards = 50000;

    explicit VCardFileSource(QString path);

    bool Open() override;
    bool Enumerate(const Visitor& visit) override;
    bool Read(const QString& key, ContactRecord& record) override;
    bool Create(const ContactRecord& record, QString* key) override;
    bool Update(QString& key, const ContactRecord& record) override;
    bool Delete(const QString& key) override;
    QString Location() const override { return m_path; }

private:
    struct Segment {
        QByteArray bytes;
        bool card = false;
    };
    std::optional<std::vector<Segment>> LoadSegments() const;
    // The index of the card with this key, or -1.
    static int Find(const std::vector<Segment>& segments, const QString& key);
    bool Save(const std::vector<Segment>& segments) const;

    QString m_path;
};

}  // namespace zuvo
