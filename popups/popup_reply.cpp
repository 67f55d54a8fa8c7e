#include "popups/popup_reply.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

#include "service/reply_lookup.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// Integers as the service writes them; at most nine digits, so none overflows.
constexpr char16_t kInt[] = u"\\s*([-+]?\\d{1,9})";

// "d/m/y,h:m:s,count"
const QRegularExpression& ControlPattern() {
    static const QRegularExpression re(u"^%1/%1/%1,%1:%1:%1,%1"_s.arg(QStringView(kInt)));
    return re;
}

// "d/m/y,control,freq,cx,cy"
const QRegularExpression& EntryPattern() {
    static const QRegularExpression re(u"^%1/%1/%1,%1,%1,%1,%1"_s.arg(QStringView(kInt)));
    return re;
}

// text must be valid UTF-16: the match does not check it again.
std::optional<std::vector<int>> Integers(const QRegularExpression& re, QStringView text) {
    const QRegularExpressionMatch match =
        re.match(text, 0, QRegularExpression::NormalMatch,
                 QRegularExpression::DontCheckSubjectStringMatchOption);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    std::vector<int> numbers;
    for (int i = 1; i <= re.captureCount(); ++i) {
        numbers.push_back(match.captured(i).toInt());
    }
    return numbers;
}

std::optional<int64_t> StandardTime(const QTimeZone& zone, QDate date, int hour, int minute,
                                    int second) {
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    const QDateTime wall(date, time, Qt::UTC);
    return wall.toSecsSinceEpoch() - zone.standardTimeOffset(wall);
}

// reply is valid UTF-16.
PopupReply ParseCheckedReply(const QString& reply, int64_t computerNow) {
    PopupReply result;
    QString control;
    if (service::GetReplyValue(reply, u"POPUPCONTROL"_s, control) < 0) {
        return result;
    }
    const auto head = Integers(ControlPattern(), control);
    if (!head) {
        return result;
    }
    const std::vector<int>& c = *head;
    // Looked up once: Qt reads the zone's rules from disk for every lookup.
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const std::optional<int64_t> serverTime =
        StandardTime(zone, QDate(c[2], c[1], c[0]), c[3], c[4], c[5]);
    if (!serverTime) {
        return result;
    }
    result.clock = PopupClock{*serverTime, computerNow};

    service::ReplyValueWalk values(reply, u"POPUP=");
    QStringView value;
    for (int i = 1; i <= c[6] && values.Next(&value); ++i) {
        if (static_cast<int>(result.entries.size()) >= kMaxPopupRecords) {
            break;
        }
        // Values may overlap up to the reply's end; only a name's length is searched for its
        // comma, as a longer name is refused anyway.
        const qsizetype comma = value.left(kMaxPopupNameLength + 1).indexOf(u',');
        if (comma < 0) {
            continue;
        }
        PopupRecord entry;
        entry.name = value.left(comma).toString();
        if (!IsAcceptablePopupName(entry.name)) {
            continue;
        }
        const auto fields = Integers(EntryPattern(), value.mid(comma + 1));
        if (!fields) {
            continue;
        }
        const std::vector<int>& f = *fields;
        const std::optional<int64_t> expiry =
            StandardTime(zone, QDate(f[2], f[1], f[0]), 23, 59, 0);
        if (!expiry) {
            continue;
        }
        entry.expiry = *expiry;
        entry.control = f[3];
        entry.freq = f[4];
        entry.cx = f[5];
        entry.cy = f[6];
        result.entries.push_back(entry);
    }
    return result;
}

}  // namespace

bool IsAcceptablePopupName(const QString& name) {
    return !name.isEmpty() && name.size() <= kMaxPopupNameLength && !name.contains(u'\\');
}

std::optional<int64_t> LocalStandardTime(QDate date, int hour, int minute, int second) {
    return StandardTime(QTimeZone::systemTimeZone(), date, hour, minute, second);
}

PopupReply ParsePopupReply(const QString& reply, int64_t computerNow) {
    // The pattern library checks a subject's UTF-16 at each match, and an entry's subject runs to
    // the end of its value, which may be the end of the reply: checked once here instead. A reply
    // read from the network is always valid; half of a pair alone becomes a replacement mark.
    if (QStringView(reply).isValidUtf16()) {
        return ParseCheckedReply(reply, computerNow);
    }
    QString repaired = reply;
    for (qsizetype i = 0; i < repaired.size(); ++i) {
        if (repaired.at(i).isHighSurrogate() && i + 1 < repaired.size() &&
            repaired.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (repaired.at(i).isSurrogate()) {
            repaired[i] = QChar::ReplacementCharacter;
        }
    }
    return ParseCheckedReply(repaired, computerNow);
}

}  // namespace zuvo
