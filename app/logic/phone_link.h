#pragma once

#include <QString>

namespace zuvo {

// A tel:, sip:, sips: or callto: link as the desktop hands it over (from a web page, a mail, a
// chat), turned into a number for the phone's display. The link comes from outside: only a plain
// phone number is taken from it; anything else is refused with the reason.
//
//   tel:+44%2020%207946%200000         -> 00442079460000
//   tel:+44-20-7946-0000;ext=1         -> 00442079460000 (parameters are dropped)
//   sip:4420794600@host;user=phone     -> 4420794600 (the user part)
//   callto://+4420794600               -> 004420794600
class PhoneLink {
public:
    enum class Problem {
        None,
        Empty,             // no number after the scheme
        TooLong,           // longer than kMaxLength, or more than kMaxDigits digits
        OtherScheme,       // not one of tel, sip, sips, callto (or no scheme at all)
        ControlCharacter,  // a control or formatting character, typed or percent-encoded
        BadEncoding,       // a "%" not followed by two hex digits, or escapes that are not UTF-8
        NotANumber,        // letters or signs a phone number does not have
    };

    static constexpr qsizetype kMaxLength = 256;
    static constexpr qsizetype kMaxDigits = 32;

    static PhoneLink Parse(const QString& text);

    bool ok() const { return m_problem == Problem::None; }
    Problem problem() const { return m_problem; }
    // The normalised number (digits only, "+" as "00"); empty unless ok().
    const QString& number() const { return m_number; }

private:
    explicit PhoneLink(Problem problem) : m_problem(problem) {}

    Problem m_problem = Problem::None;
    QString m_number;
};

}  // namespace zuvo
