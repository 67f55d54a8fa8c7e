#pragma once

#include <QString>

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

}  // namespace zuvo::service
