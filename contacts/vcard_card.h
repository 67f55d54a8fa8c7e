#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "contacts/contact_record.h"

typedef struct _EVCard EVCard;

namespace zuvo {

// One vCard (2.1, 3.0 or 4.0) as it was stored. Its lines are kept byte for byte; the phone reads
// its own properties (FN, N, ORG, TEL, UID) through the vCard library, and a change rewrites
// only the lines of the properties that changed, so photos, e-mail, addresses, X- properties and
// the folding of every other line survive an edit.
//
// Phone numbers: the first and second home voice numbers are home and home 2, the first and
// second work voice numbers business and business 2, the first cell number mobile, and the first
// of the rest (fax, pager, untyped, a third home...) other. TYPE parameters are read in any order
// and case, quoted or not, as lists or repeated.
class VCardCard {
public:
    // Bounds on what a card may make the phone hold.
    static constexpr qsizetype kMaxBytes = 4 * 1024 * 1024;
    static constexpr int kMaxLines = 2000;
    static constexpr int kMaxNumbers = 100;
    // Semicolons and commas in one property the phone reads: the vCard library appends each value
    // and parameter to its list by walking the list from its start, so thousands of them take time
    // that grows with the square of their number (a line of 24,000 took 7.7 s to read).
    static constexpr int kMaxSeparators = 100;

    VCardCard(VCardCard&&) noexcept;
    VCardCard& operator=(VCardCard&&) noexcept;
    ~VCardCard();

    // One card: the bytes from BEGIN:VCARD to END:VCARD and its line end. Nothing, with the
    // reason in *why, for a card that is too large, not UTF-8, binary, not framed by
    // BEGIN/END:VCARD, or with more lines or numbers than the bounds.
    static std::optional<VCardCard> Parse(const QByteArray& bytes, QString* why);
    // A new vCard 3.0 card with this UID holding the record.
    static VCardCard Make(const ContactRecord& record, const QString& uid);

    // The phone's fields; the display name is empty for a card without FN.
    const ContactRecord& record() const { return m_record; }
    QString uid() const { return m_uid; }
    QString version() const { return m_version; }

    // Writes the record's fields into the card: a property whose value did not change keeps its
    // line; a changed one is rewritten with its group and parameters; an emptied number or
    // company loses its line; a new one is added. FN is never left out: an empty display name
    // writes the name parts joined by blanks.
    void Apply(const ContactRecord& record);
    // Sets FN alone (the store's rule for a second contact of one display name).
    void SetDisplayName(const QString& name);

    QByteArray bytes() const;

private:
    struct Line {
        QByteArray raw;      // as stored, folding and line ends included
        QByteArray name;     // property name, upper case, without group
        int attribute = -1;  // index among the parsed attributes, for owned properties
    };
    enum Slot {
        SlotFn,
        SlotN,
        SlotOrg,
        SlotHome,
        SlotHome2,
        SlotBusiness,
        SlotBusiness2,
        SlotMobile,
        SlotOther,
        SlotCount
    };

    VCardCard();
    bool ReadOwned(QString* why);
    void* SlotAttribute(int slot) const;
    void SetLine(int slot, const QByteArray& name, void* attribute);  // takes the attribute
    void InsertLine(const QByteArray& name, const QByteArray& raw);
    QByteArray Rendered(void* attribute) const;  // EVCardAttribute*, consumed
    void SetNumber(int slot, const QString& number);

    std::vector<Line> m_lines;
    QByteArray m_eol = "\r\n";
    struct CardDeleter {
        void operator()(EVCard* card) const;
    };
    std::unique_ptr<EVCard, CardDeleter> m_parsed;  // the owned properties, in line order
    std::array<int, SlotCount> m_slotLine{};        // line index per slot, -1 when none
    ContactRecord m_record;
    QString m_uid;
    QString m_version;
    std::vector<void*> m_attributes;  // EVCardAttribute* of m_parsed, by Line::attribute
};

}  // namespace zuvo
