#pragma once

#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "popups/popup_record.h"

namespace zuvo {

// What one reply of task GA says: the service's clock and the messages. Worker thread.
struct PopupReply {
    std::optional<PopupClock> clock;   // none when POPUPCONTROL is absent or malformed
    std::vector<PopupRecord> entries;  // Displayed is 0 in each
};

// Names longer than this are refused, as are empty ones and those holding a backslash (they
// would name another registry key: the parent "Popups" key, or a nested one).
inline constexpr int kMaxPopupNameLength = 255;
// At most this many messages are kept; further ones in a reply are dropped.
inline constexpr int kMaxPopupRecords = 4096;

bool IsAcceptablePopupName(const QString& name);

// Seconds since 1970 of a date and time of day taken as local standard time (the zone's
// daylight saving is not applied); none for a date or time that does not exist.
std::optional<int64_t> LocalStandardTime(QDate date, int hour, int minute, int second);

// Reads POPUPCONTROL and the POPUP entries that follow it. computerNow: the computer's time now,
// which becomes the clock's local time. Entries that do not parse or carry an unacceptable name
// are skipped; the rest still count.
PopupReply ParsePopupReply(const QString& reply, int64_t computerNow);

}  // namespace zuvo
