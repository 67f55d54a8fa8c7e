#pragma once

#include <QString>
#include <QStringView>

namespace zuvo::service {

// Look-ups in a web-service reply. Keys and tags are plain, case-sensitive substrings found
// anywhere at or after start, so "RATE=" also matches inside "LRATE=". Both are safe for any
// reply and any start (negative or past the end reads as "not found").

// Keyed value: key, then the text between the first "[" after it and the next "]". Returns -1
// when the key is absent, else the position just after that "["; the output changes only when
// both brackets exist.
int GetReplyValue(const QString& reply, const QString& key, QString& value, int start = 0);

// Tagged value: tag (which carries its "[" and ":"), then the text up to the next "]". Returns -1
// when the tag is absent, else the position just after the tag; the output changes only when a
// "]" follows.
int GetTaggedValue(const QString& reply, const QString& tag, QString& value, int start = 0);

// Every value of one key, in order: what GetReplyValue gives when each look-up starts at the
// position the one before returned. Repeated look-ups scan, and copy, up to the rest of the reply
// for each occurrence when its brackets are missing or far apart (a service may send a reply of
// megabytes); the walk looks at each character a bounded number of times and copies nothing. The
// reply must outlive the walk.
class ReplyValueWalk {
public:
    ReplyValueWalk(QStringView reply, QStringView key);

    // Moves to the key's next occurrence; false when there is none. value is empty when that
    // occurrence has none (no "[" after it, or no "]" after that).
    bool Next(QStringView* value);

private:
    // The first position of one character at or after a position that never goes down.
    class ForwardFind {
    public:
        explicit ForwardFind(char16_t c) : m_c(c) {}
        qsizetype From(QStringView text, qsizetype from);

    private:
        char16_t m_c;
        qsizetype m_from = -1;
        qsizetype m_found = -1;
    };

    QStringView m_reply;
    QStringView m_key;
    qsizetype m_at = 0;
    ForwardFind m_open{u'['};
    ForwardFind m_close{u']'};
};

}  // namespace zuvo::service
