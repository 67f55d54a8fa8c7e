#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zuvo {

// The whole file if it is a regular file of at most maxBytes; nothing (and a log line) else.
std::optional<QByteArray> ReadBoundedFile(const QString& path, qint64 maxBytes);
// Writes through a temporary file in the same folder and renames it over path, so a reader sees
// the old or the new file, never half of one. An existing file keeps its permissions; a new one
// is the user's alone.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);

}  // namespace zuvo
