#include "app/logic/phone_link.h"

#include <QStringDecoder>

#include "app/core/command_line.h"
#include "app/logic/normalise_number.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// C0, DEL, C1, and the invisible formatting characters (bidirectional overrides, zero-width
// joiners) that could make a shown number differ from the one dialled.
bool IsControl(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || c.category() == QChar::Other_Format ||
           u == 0x2028 || u == 0x2029;
}

bool HasControl(const QString& text) {
    for (const QChar c : text) {
        if (IsControl(c)) {
            return true;
        }
    }
    return false;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Percent-decodes once. Returns false on a broken escape or bytes that are not UTF-8.
bool PercentDecode(const QString& text, QString* out) {
    const QByteArray in = text.toUtf8();
    QByteArray bytes;
    bytes.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            bytes += in[i];
            continue;
        }
        if (i + 2 >= in.size()) {
            return false;
        }
        const int high = HexValue(in[i + 1]);
        const int low = HexValue(in[i + 2]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    *out = decoder.decode(bytes);
    return !decoder.hasError();
}

// A number as people write it: digits, one leading "+", and the visual separators space, "-",
// ".", "(" and ")". Returns the count of digits, or -1 for anything else.
qsizetype WrittenNumberDigits(const QString& text) {
    qsizetype digits = 0;
    bool plus = false;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            ++digits;
        } else if (c == u'+') {
            if (digits > 0 || plus) {
                return -1;
            }
            plus = true;
        } else if (c != u' ' && c != u'-' && c != u'.' && c != u'(' && c != u')') {
            return -1;
        }
    }
    return digits;
}

}  // namespace

PhoneLink PhoneLink::Parse(const QString& raw) {
    if (raw.size() > kMaxLength) {
        return PhoneLink(Problem::TooLong);
    }
    if (HasControl(raw)) {
        return PhoneLink(Problem::ControlCharacter);
    }
    const QString text = raw.trimmed();
    if (text.isEmpty()) {
        return PhoneLink(Problem::Empty);
    }
    if (!LooksLikeLink(text)) {
        return PhoneLink(Problem::OtherScheme);
    }
    const qsizetype colon = text.indexOf(u':');
    const QString scheme = text.left(colon).toLower();
    const bool sip = scheme == u"sip"_s || scheme == u"sips"_s;
    if (!sip && scheme != u"tel"_s && scheme != u"callto"_s) {
        return PhoneLink(Problem::OtherScheme);
    }
    QString rest = text.mid(colon + 1);
    // "callto://+4420..." (and pages that write "tel://"); some add a closing "/".
    if (rest.startsWith(u"//"_s)) {
        rest.remove(0, 2);
        if (rest.endsWith(u'/')) {
            rest.chop(1);
        }
    }
    if (sip) {
        // The user part: "sip:user@host;params?headers". A link without "@" names the user alone.
        const qsizetype at = rest.indexOf(u'@');
        if (at >= 0) {
            rest.truncate(at);
        }
    }
    // Parameters (";phone-context=", ";user=phone", ";ext=") and headers ("?") are not part of
    // the number.
    for (const QChar stop : {u';', u'?'}) {
        const qsizetype at = rest.indexOf(stop);
        if (at >= 0) {
            rest.truncate(at);
        }
    }
    QString written;
    if (!PercentDecode(rest, &written)) {
        return PhoneLink(Problem::BadEncoding);
    }
    // An escape may hide what the plain text may not hold.
    if (HasControl(written)) {
        return PhoneLink(Problem::ControlCharacter);
    }
    written = written.trimmed();
    if (written.isEmpty()) {
        return PhoneLink(Problem::Empty);
    }
    const qsizetype digits = WrittenNumberDigits(written);
    if (digits < 0) {
        return PhoneLink(Problem::NotANumber);
    }
    if (digits == 0) {
        return PhoneLink(Problem::Empty);
    }
    if (digits > kMaxDigits) {
        return PhoneLink(Problem::TooLong);
    }
    PhoneLink link(Problem::None);
    link.m_number = NormaliseNumber(written);
    return link;
}

}  // namespace zuvo
