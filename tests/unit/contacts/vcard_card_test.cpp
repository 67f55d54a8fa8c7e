// The vCard card: which properties land in which field, and that a write changes only the lines
// of what changed.

#include <gtest/gtest.h>

#include <QList>

#include "contacts/vcard_card.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

VCardCard MustParse(const QByteArray& bytes) {
    QString why;
    auto card = VCardCard::Parse(bytes, &why);
    EXPECT_TRUE(card.has_value()) << why.toStdString();
    return std::move(*card);
}

QList<QByteArray> Lines(const QByteArray& bytes) {
    return bytes.split('\n');
}

}  // namespace

TEST(VCardCardTest, ReadsBothVersionsAndEveryFormOfTelephoneType) {
    const VCardCard v3 = MustParse(
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Smith\\, Jo\r\nN:Smith;Jo;Q;;\r\n"
        "ORG:Acme\\; Co;Sales\r\nTEL;TYPE=voice,HOME:111\r\nTEL;type=\"WORK,VOICE\":222\r\n"
        "TEL;TYPE=home;TYPE=voice:112\r\nTEL;TYPE=CELL:333\r\nTEL;TYPE=work:223\r\n"
        "TEL;TYPE=fax,work:999\r\nTEL:444\r\nEND:VCARD\r\n");
    const ContactRecord& r = v3.record();
    EXPECT_EQ(r[ContactRecord::Display], u"Smith, Jo"_s);
    EXPECT_EQ(r[ContactRecord::First], u"Jo"_s);
    EXPECT_EQ(r[ContactRecord::Middle], u"Q"_s);
    EXPECT_EQ(r[ContactRecord::Last], u"Smith"_s);
    EXPECT_EQ(r[ContactRecord::Company], u"Acme; Co"_s);
    EXPECT_EQ(r[ContactRecord::Home], u"111"_s);
    EXPECT_EQ(r[ContactRecord::Home2], u"112"_s);
    EXPECT_EQ(r[ContactRecord::Business], u"222"_s);
    EXPECT_EQ(r[ContactRecord::Business2], u"223"_s);
    EXPECT_EQ(r[ContactRecord::Mobile], u"333"_s);
    EXPECT_EQ(r[ContactRecord::Other], u"999"_s);  // the fax is the first of the rest

    const VCardCard v4 = MustParse(
        "BEGIN:VCARD\nVERSION:4.0\nFN:Zoë Müller\nN:Müller;Zoë;;;\n"
        "TEL;VALUE=uri;TYPE=\"voice,home\":tel:+44-1\nTEL;TYPE=cell,text:+44-2\nEND:VCARD\n");
    EXPECT_EQ(v4.version(), u"4.0"_s);
    EXPECT_EQ(v4.record()[ContactRecord::Display], u"Zoë Müller"_s);
    EXPECT_EQ(v4.record()[ContactRecord::Home], u"+44-1"_s);
    EXPECT_EQ(v4.record()[ContactRecord::Mobile], u"+44-2"_s);

    // Folded lines, in any of the two line ends.
    const VCardCard folded = MustParse(
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A very long display name that goes on and on beyond "
        "seventy\r\n  five octets\r\nTEL;TYPE=HOME:1\r\n 23\r\nEND:VCARD\r\n");
    EXPECT_EQ(folded.record()[ContactRecord::Display],
              u"A very long display name that goes on and on beyond seventy five octets"_s);
    EXPECT_EQ(folded.record()[ContactRecord::Home], u"123"_s);

    const VCardCard nameless = MustParse("BEGIN:VCARD\nVERSION:3.0\nN:X;Y;;;\nEND:VCARD\n");
    EXPECT_TRUE(nameless.record()[ContactRecord::Display].isEmpty());
}

TEST(VCardCardTest, RefusesWhatIsNotOneReasonableCard) {
    QString why;
    EXPECT_FALSE(VCardCard::Parse("garbage\x01\x02", &why));
    EXPECT_FALSE(VCardCard::Parse(QByteArray("BEGIN:VCARD\nFN:A\0B\nEND:VCARD\n", 29), &why));
    EXPECT_FALSE(VCardCard::Parse("BEGIN:VCARD\nFN:\xff\xfe\nEND:VCARD\n", &why));
    EXPECT_FALSE(VCardCard::Parse("BEGIN:VCARD\nFN:A\n", &why));
    EXPECT_FALSE(VCardCard::Parse(
        "BEGIN:VCARD\nFN:A\nEND:VCARD\nBEGIN:VCARD\nFN:B\nTEL:1\nEND:VCARD\n", &why));
    QByteArray many = "BEGIN:VCARD\nVERSION:3.0\nFN:Many\n";
    for (int i = 0; i < 1000; ++i) {
        many += "TEL:" + QByteArray::number(i) + "\n";
    }
    many += "END:VCARD\n";
    EXPECT_FALSE(VCardCard::Parse(many, &why));
    EXPECT_TRUE(why.contains(u"numbers"_s));
    EXPECT_FALSE(VCardCard::Parse(QByteArray(VCardCard::kMaxBytes + 1, 'A'), &why));
    // Values and parameters beyond the bound in a property the phone reads (the vCard library's
    // time grows with the square of their number); in one it keeps as it is, any number.
    const QByteArray separators(VCardCard::kMaxSeparators / 2 + 1, ';');
    for (const QByteArray& line :
         {"FN:A" + separators + separators, "N:" + QByteArray(VCardCard::kMaxSeparators + 1, ';'),
          "TEL;TYPE=home" + QByteArray(VCardCard::kMaxSeparators, ',') + ":1",
          "ORG:A" + separators + QByteArray(VCardCard::kMaxSeparators / 2 + 1, ',')}) {
        why.clear();
        EXPECT_FALSE(VCardCard::Parse("BEGIN:VCARD\nVERSION:3.0\n" + line + "\nEND:VCARD\n", &why));
        EXPECT_TRUE(why.contains(u"separators"_s)) << line.left(20).constData();
    }
    EXPECT_TRUE(VCardCard::Parse(
        "BEGIN:VCARD\nVERSION:3.0\nFN:A\nN:" + QByteArray(VCardCard::kMaxSeparators, ';') +
            "\nNOTE:" + QByteArray(100000, ';') + "\nEND:VCARD\n",
        &why));
    // A property without a value (with a group, parameters or neither): refused, and nothing of
    // it is kept (the leak check of the sanitizer build sees what the vCard library would lose on
    // it).
    for (const char* line : {"item1.TEL", "HOME.N", "TEL;TYPE=home", "FN", "item1.TEL :1",
                             "item1.TEL\t;TYPE=cell:2", "FN:A\ritem2.:x", "FN:A\rx.y z:1"}) {
        why.clear();
        EXPECT_FALSE(VCardCard::Parse(
            QByteArray("BEGIN:VCARD\nVERSION:4.0\nFN:A\n") + line + "\nEND:VCARD\n", &why))
            << line;
        EXPECT_TRUE(why.contains(u"could not read"_s)) << line << ": " << why.toStdString();
    }
}

TEST(VCardCardTest, AnEditChangesOnlyTheLinesOfWhatChanged) {
    const QByteArray original =
        "BEGIN:VCARD\r\n"
        "VERSION:3.0\r\n"
        "UID:abc-123\r\n"
        "FN:Jo Smith\r\n"
        "N:Smith;Jo;;Dr.;\r\n"
        "EMAIL;TYPE=INTERNET,HOME:jo@example.test\r\n"
        "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQEASABIAAD/2wBDAAMCAgMCAgMDAwMEAwMEBQgF\r\n"
        " BQQEBQoHBwYIDAoMDAsKCwsNDhIQDQ4RDgsLEBYQERMUFRUVDA8XGBYUGBIUFRT/2wBDAQMEBAUE\r\n"
        "ADR;TYPE=home:;;1 Main St;Town;;123;Land\r\n"
        "item1.X-ABLABEL:custom\r\n"
        "X-CUSTOM;X-PARAM=\"a:b\":keep me\\, as is\r\n"
        "TEL;TYPE=CELL:+44 7700\r\n"
        "TEL;TYPE=fax:+44 9999\r\n"
        "END:VCARD\r\n";
    VCardCard card = MustParse(original);
    ContactRecord record = card.record();
    EXPECT_EQ(record[ContactRecord::Other], u"+44 9999"_s);
    record[ContactRecord::Home] = u"+44 1111"_s;      // a mobile-only contact gains a home
    record[ContactRecord::Business] = u"+44 2000"_s;  // no work number yet, and a second
    record[ContactRecord::Business2] = u"+44 2222"_s;
    card.Apply(record);
    const QByteArray written = card.bytes();

    // Every line of the original is still there, in order; only numbers were added.
    QList<QByteArray> before = Lines(original);
    QList<QByteArray> after = Lines(written);
    QList<QByteArray> added;
    qsizetype j = 0;
    for (const QByteArray& line : after) {
        if (j < before.size() && line == before[j]) {
            ++j;
        } else {
            added.append(line);
        }
    }
    EXPECT_EQ(j, before.size()) << written.constData();
    ASSERT_EQ(added.size(), 3) << written.constData();
    EXPECT_TRUE(added[0].startsWith("TEL;TYPE=HOME,VOICE:+44 1111")) << added[0].constData();
    EXPECT_TRUE(added[1].startsWith("TEL;TYPE=WORK,VOICE:+44 2000")) << added[1].constData();
    EXPECT_TRUE(added[2].startsWith("TEL;TYPE=WORK,VOICE:+44 2222")) << added[2].constData();
    EXPECT_TRUE(added[0].endsWith('\r'));  // the card's own line ends

    const VCardCard reread = MustParse(written);
    EXPECT_EQ(reread.record()[ContactRecord::Home], u"+44 1111"_s);
    EXPECT_EQ(reread.record()[ContactRecord::Mobile], u"+44 7700"_s);
    EXPECT_EQ(reread.record()[ContactRecord::Business], u"+44 2000"_s);
    EXPECT_EQ(reread.record()[ContactRecord::Business2], u"+44 2222"_s);
    EXPECT_EQ(reread.record()[ContactRecord::Other], u"+44 9999"_s);

    // A changed number keeps its group and parameters; an emptied one loses its line; a name
    // change keeps the honorific.
    VCardCard again = MustParse(written);
    ContactRecord changed = again.record();
    changed[ContactRecord::Mobile] = u"+44 7701"_s;
    changed[ContactRecord::Other].clear();
    changed[ContactRecord::Last] = u"Smith, Jr"_s;
    changed[ContactRecord::Display] = u"Smith; Jo"_s;
    again.Apply(changed);
    const QByteArray third = again.bytes();
    EXPECT_TRUE(third.contains("TEL;TYPE=CELL:+44 7701\r\n")) << third.constData();
    EXPECT_FALSE(third.contains("9999"));
    EXPECT_TRUE(third.contains("N:Smith\\, Jr;Jo;;Dr.;\r\n")) << third.constData();
    EXPECT_TRUE(third.contains("FN:Smith\\; Jo\r\n")) << third.constData();
    EXPECT_TRUE(third.contains("X-CUSTOM;X-PARAM=\"a:b\":keep me\\, as is\r\n"));
    EXPECT_EQ(MustParse(third).record(), changed);
}

TEST(VCardCardTest, ANewCardHoldsTheRecordAndAlwaysADisplayName) {
    ContactRecord record;
    record[ContactRecord::First] = u"Ann"_s;
    record[ContactRecord::Last] = u"Lee"_s;
    record[ContactRecord::Company] = u"A & B"_s;
    record[ContactRecord::Home] = u"1"_s;
    record[ContactRecord::Home2] = u"2"_s;
    record[ContactRecord::Business] = u"3"_s;
    record[ContactRecord::Business2] = u"4"_s;
    record[ContactRecord::Mobile] = u"5"_s;
    record[ContactRecord::Other] = u"6"_s;
    const VCardCard card = VCardCard::Make(record, u"uid-1"_s);
    const VCardCard reread = MustParse(card.bytes());
    ContactRecord expected = record;
    expected[ContactRecord::Display] = u"Ann Lee"_s;  // FN may not be missing
    EXPECT_EQ(reread.record(), expected) << card.bytes().constData();
    EXPECT_EQ(reread.uid(), u"uid-1"_s);
    EXPECT_EQ(reread.version(), u"3.0"_s);
}

// A property the vCard library cannot fully read (here a number with a broken parameter) must
// not take the lines after it along: an edit that adds a line after it still gives a card that
// reads, with one display name.
TEST(VCardCardTest, AnEditAfterABrokenParameterKeepsTheCardReadable) {
    const QByteArray stored =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:1\r\nN:Example;Ann;;;\r\nORG:Example Ltd\r\n"
        "TEL;TY@E=work:+44 20 7946 0000\r\nEND:VCARD\r\n";
    VCardCard card = MustParse(stored);
    EXPECT_EQ(card.record()[ContactRecord::Display], QString());
    ContactRecord record = card.record();
    card.Apply(record);  // no FN yet: one is added, after the number
    QString why;
    const auto reread = VCardCard::Parse(card.bytes(), &why);
    ASSERT_TRUE(reread.has_value()) << why.toStdString() << card.bytes().constData();
    EXPECT_EQ(reread->record()[ContactRecord::Display], u"Ann Example"_s);

    card.SetDisplayName(u"Ann Example (2)"_s);
    const QByteArray written = card.bytes();
    EXPECT_EQ(written.count("\nFN:"), 1) << written.constData();
    const auto renamed = VCardCard::Parse(written, &why);
    ASSERT_TRUE(renamed.has_value()) << why.toStdString();
    EXPECT_EQ(renamed->record()[ContactRecord::Display], u"Ann Example (2)"_s);
    EXPECT_EQ(renamed->record()[ContactRecord::Last], u"Example"_s);

    // A line the library reads as two properties (a lone carriage return inside) is still
    // refused, as before; so is one whose second part has a broken name after a group. A
    // carriage return before a blank folds the line, and a part without a group is skipped.
    EXPECT_FALSE(VCardCard::Parse("BEGIN:VCARD\r\nUID:1\rFN:x\r\nFN:y\r\nEND:VCARD\r\n", &why));
    EXPECT_FALSE(VCardCard::Parse(
        "BEGIN:VCARD\r\nN:Example;Ann;;;\ritem1.x]mple Ltd\r\nEND:VCARD\r\n", &why));
    const auto folded =
        VCardCard::Parse("BEGIN:VCARD\r\nN:Exam\r ple;Ann;;;\rjunk\r\nEND:VCARD\r\n", &why);
    ASSERT_TRUE(folded.has_value()) << why.toStdString();
    EXPECT_EQ(folded->record()[ContactRecord::Last], u"Example"_s);
}
