#include <gtest/gtest.h>

#include <QString>

#include "app/logic/phone_link.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::PhoneLink;
using Problem = PhoneLink::Problem;

namespace {

QString NumberOf(const QString& link) {
    const PhoneLink parsed = PhoneLink::Parse(link);
    EXPECT_TRUE(parsed.ok()) << link.toStdString() << " refused with "
                             << static_cast<int>(parsed.problem());
    return parsed.number();
}

Problem ProblemOf(const QString& link) {
    const PhoneLink parsed = PhoneLink::Parse(link);
    EXPECT_TRUE(parsed.number().isEmpty()) << link.toStdString();
    return parsed.problem();
}

TEST(PhoneLink, TakesTheNumberOfEachSchemeWithThePhonesNormalisation) {
    EXPECT_EQ(NumberOf(u"tel:+44%2020%207946%200000"_s), u"00442079460000"_s);
    EXPECT_EQ(NumberOf(u"tel:+44 20 7946 0000"_s), u"00442079460000"_s);
    EXPECT_EQ(NumberOf(u"TEL:+44-20-7946-0000"_s), u"00442079460000"_s);
    EXPECT_EQ(NumberOf(u"tel:+1.212.555.0100;ext=12"_s), u"0012125550100"_s);
    EXPECT_EQ(NumberOf(u"tel:7946;phone-context=+44-20"_s), u"7946"_s);
    EXPECT_EQ(NumberOf(u"tel:(020) 7946 0000"_s), u"02079460000"_s);
    EXPECT_EQ(NumberOf(u"  tel:4420  "_s), u"4420"_s);
    EXPECT_EQ(NumberOf(u"tel://+4420/"_s), u"004420"_s);
    EXPECT_EQ(NumberOf(u"sip:4420794600@host"_s), u"4420794600"_s);
    EXPECT_EQ(NumberOf(u"sip:+4420794600@sip.example;user=phone"_s), u"004420794600"_s);
    EXPECT_EQ(NumberOf(u"sips:4420794600@host.example:5061?subject=x"_s), u"4420794600"_s);
    EXPECT_EQ(NumberOf(u"sip:4420794600"_s), u"4420794600"_s);
    EXPECT_EQ(NumberOf(u"callto://+4420794600"_s), u"004420794600"_s);
    EXPECT_EQ(NumberOf(u"callto:+4420794600"_s), u"004420794600"_s);
    EXPECT_EQ(NumberOf(u"CallTo://4420794600/"_s), u"4420794600"_s);
}

TEST(PhoneLink, RefusesHostileAndBrokenLinksWithTheirReason) {
    // Empty.
    EXPECT_EQ(ProblemOf(QString()), Problem::Empty);
    EXPECT_EQ(ProblemOf(u"   "_s), Problem::Empty);
    EXPECT_EQ(ProblemOf(u"tel:"_s), Problem::Empty);
    EXPECT_EQ(ProblemOf(u"tel:%20%20"_s), Problem::Empty);
    EXPECT_EQ(ProblemOf(u"callto://"_s), Problem::Empty);
    EXPECT_EQ(ProblemOf(u"sip:@host"_s), Problem::Empty);
    EXPECT_EQ(ProblemOf(u"tel:+"_s), Problem::Empty);
    EXPECT_EQ(ProblemOf(u"tel:-.()"_s), Problem::Empty);
    EXPECT_EQ(ProblemOf(u"tel:;ext=12"_s), Problem::Empty);

    // Too long: the text, or the digits.
    EXPECT_EQ(ProblemOf(u"tel:"_s + QString(PhoneLink::kMaxLength, u'1')), Problem::TooLong);
    EXPECT_EQ(ProblemOf(u"tel:"_s + QString(PhoneLink::kMaxDigits + 1, u'1')), Problem::TooLong);
    EXPECT_TRUE(PhoneLink::Parse(u"tel:"_s + QString(PhoneLink::kMaxDigits, u'1')).ok());
    EXPECT_EQ(ProblemOf(u"tel:"_s + QString(100000, u'%')), Problem::TooLong);

    // Letters and signs that are no part of a number.
    EXPECT_EQ(ProblemOf(u"tel:0800-FLOWERS"_s), Problem::NotANumber);
    EXPECT_EQ(ProblemOf(u"sip:alice@host"_s), Problem::NotANumber);
    EXPECT_EQ(ProblemOf(u"callto://echo123"_s), Problem::NotANumber);
    EXPECT_EQ(ProblemOf(u"tel:*21*4420#"_s), Problem::NotANumber);
    EXPECT_EQ(ProblemOf(u"tel:44\"20\"99"_s), Problem::NotANumber);
    EXPECT_EQ(ProblemOf(u"tel:4420,,1234"_s), Problem::NotANumber);
    EXPECT_EQ(ProblemOf(u"tel:44/20"_s), Problem::NotANumber);
    EXPECT_EQ(ProblemOf(u"tel:44+20"_s), Problem::NotANumber);
    EXPECT_EQ(ProblemOf(u"tel:++4420"_s), Problem::NotANumber);
    EXPECT_EQ(ProblemOf(u"tel:\u0664\u0664\u0662\u0660"_s), Problem::NotANumber);  // Arabic digits
    EXPECT_EQ(ProblemOf(u"tel:\uFF14\uFF14"_s), Problem::NotANumber);              // full-width
    EXPECT_EQ(ProblemOf(u"tel:44\U0001F4DE"_s), Problem::NotANumber);
    EXPECT_EQ(ProblemOf(u"tel:44 /N999 /A"_s), Problem::NotANumber);
    EXPECT_EQ(ProblemOf(u"sip:4420%40evil@host"_s), Problem::NotANumber);

    // Other schemes, or none.
    EXPECT_EQ(ProblemOf(u"http://example.com/tel:4420"_s), Problem::OtherScheme);
    EXPECT_EQ(ProblemOf(u"javascript:alert(1)"_s), Problem::OtherScheme);
    EXPECT_EQ(ProblemOf(u"file:///etc/passwd"_s), Problem::OtherScheme);
    EXPECT_EQ(ProblemOf(u"sms:4420"_s), Problem::OtherScheme);
    EXPECT_EQ(ProblemOf(u"telx:4420"_s), Problem::OtherScheme);
    EXPECT_EQ(ProblemOf(u"4420794600"_s), Problem::OtherScheme);
    EXPECT_EQ(ProblemOf(u":4420"_s), Problem::OtherScheme);
    EXPECT_EQ(ProblemOf(u"/N4420"_s), Problem::OtherScheme);

    // Control and invisible formatting characters, typed or encoded.
    EXPECT_EQ(ProblemOf(u"tel:4420\n/A"_s), Problem::ControlCharacter);
    EXPECT_EQ(ProblemOf(u"tel:4420\t1"_s), Problem::ControlCharacter);
    EXPECT_EQ(ProblemOf(QStringLiteral("tel:44\x00"
                                       "20")),
              Problem::ControlCharacter);
    EXPECT_EQ(ProblemOf(u"tel:4420%0A1"_s), Problem::ControlCharacter);
    EXPECT_EQ(ProblemOf(u"tel:4420%00"_s), Problem::ControlCharacter);
    EXPECT_EQ(ProblemOf(u"tel:4420%7F"_s), Problem::ControlCharacter);
    EXPECT_EQ(ProblemOf(u"tel:4420%C2%85"_s), Problem::ControlCharacter);     // NEL
    EXPECT_EQ(ProblemOf(u"tel:+44\u202E0000"_s), Problem::ControlCharacter);  // right-to-left
    EXPECT_EQ(ProblemOf(u"tel:+44%E2%80%AE0000"_s), Problem::ControlCharacter);
    EXPECT_EQ(ProblemOf(u"tel:44%E2%80%8B20"_s), Problem::ControlCharacter);  // zero width

    // Percent-encoded junk.
    EXPECT_EQ(ProblemOf(u"tel:4420%"_s), Problem::BadEncoding);
    EXPECT_EQ(ProblemOf(u"tel:4420%2"_s), Problem::BadEncoding);
    EXPECT_EQ(ProblemOf(u"tel:44%zz20"_s), Problem::BadEncoding);
    EXPECT_EQ(ProblemOf(u"tel:44%FF%FE20"_s), Problem::BadEncoding);  // not UTF-8
    EXPECT_EQ(ProblemOf(u"tel:44%C020"_s), Problem::BadEncoding);     // overlong start
    EXPECT_EQ(ProblemOf(u"tel:44%2532"_s), Problem::NotANumber);      // decoded once only
    EXPECT_EQ(ProblemOf(u"tel:%41%42%43"_s), Problem::NotANumber);    // encoded letters
}

}  // namespace
