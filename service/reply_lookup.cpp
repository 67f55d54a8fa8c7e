#include "service/reply_lookup.h"

namespace zuvo::service {

namespace {

// Position of needle at or after start, or -1; an empty needle or an odd start finds nothing.
qsizetype Find(const QString& text, const QString& needle, qsizetype start) {
    if (needle.isEmpty() || start < 0 || start >= text.size()) {
        return -1;
    }
    return text.indexOf(needle, start, Qt::CaseSensitive);
}

}  // namespace

int GetReplyValue(const QString& reply, const QString& key, QString& value, int start) {
    const qsizetype at = Find(reply, key, start);
    if (at < 0) {
        return -1;
    }
    const qsizetype open = reply.indexOf(u'[', at + key.size());
    if (open < 0) {
        // Found, but there is no value: report the end of the key so callers still see "found".
        return static_cast<int>(at + key.size());
    }
    const qsizetype close = reply.indexOf(u']', open + 1);
    if (close >= 0) {
        value = reply.mid(open + 1, close - open - 1);
    }
    return static_cast<int>(open + 1);
}

int GetTaggedValue(const QString& reply, const QString& tag, QString& value, int start) {
    const qsizetype at = Find(reply, tag, start);
    if (at < 0) {
        return -1;
    }
    const qsizetype from = at + tag.size();
    const qsizetype close = reply.indexOf(u']', from);
    if (close >= 0) {
        value = reply.mid(from, close - from);
    }
    return static_cast<int>(from);
}

}  // namespace zuvo::service
