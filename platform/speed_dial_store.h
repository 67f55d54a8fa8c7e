#pragma once

// The speed-dial store, written by a separate speed-dial manager (zuvo-speeddial or another
// program) and read by the phone. Contract with those programs: never change a name or a limit.

#include <QString>

namespace zuvo::SpeedDialStore {

// The key under the phone's root.
inline const QString kSection = QStringLiteral("AddIns\\Speed Dial Manager");
// The keypad keys in key-index order: index 0..11 = "0".."9", "*", "#".
inline const QString kKeys = QStringLiteral("0123456789*#");
// A value is "number" or "number;comment".
inline constexpr QChar kSeparator = u';';
// The reader's buffer: the text and its terminating zero.
inline constexpr qsizetype kMaxBytes = 1024;

// The value that holds the entry of a key index.
inline QString ValueName(int index) {
    return QStringLiteral("Nu%1").arg(index);
}

}  // namespace zuvo::SpeedDialStore
