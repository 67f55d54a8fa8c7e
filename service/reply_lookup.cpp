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

qsizetype ReplyValueWalk::ForwardFind::From(QStringView text, qsizetype from) {
    // No m_c lies from the last start to the last find, so any later start up to that find has
    // the same answer; after a look that found nothing, every later start has none.
    if (m_from < 0 || from < m_from || (m_found >= 0 && from > m_found)) {
        m_from = from;
        m_found = text.indexOf(QChar(m_c), from);
    }
    return m_found;
}

ReplyValueWalk::ReplyValueWalk(QStringView reply, QStringView key) : m_reply(reply), m_key(key) {}

bool ReplyValueWalk::Next(QStringView* value) {
    *value = {};
    if (m_key.isEmpty() || m_at < 0 || m_at >= m_reply.size()) {
        return false;
    }
    const qsizetype at = m_reply.indexOf(m_key, m_at);
    if (at < 0) {
        m_at = -1;
        return false;
    }
    const qsizetype open = m_open.From(m_reply, at + m_key.size());
    if (open < 0) {
        m_at = at + m_key.size();
        return true;
    }
    const qsizetype close = m_close.From(m_reply, open + 1);
    if (close >= 0) {
        *value = m_reply.mid(open + 1, close - open - 1);
    }
    m_at = open + 1;
    return true;
}

}  // namespace zuvo::service
