#pragma once

#include <cstddef>
#include <deque>
#include <optional>

#include "telephony/rtc_types.h"

namespace zuvo {

// The reports of the engine's posted WM_RTC_EVENT messages, held in posting order until the
// handler takes them. The lParam of each such message is its report's sequence number, so every
// message keeps its own values however many events of one kind arrive before it is handled, and
// no message carries an address. Main thread only.
class RtcEventQueue {
public:
    // Reports kept at most; the oldest goes first when a stalled handler lets them pile up.
    static constexpr size_t kCapacity = 4096;

    // Queues the report and returns the sequence number to post with it (never 0).
    LPARAM Push(const RtcEvent& event);
    // The report posted as (kind, sequence), removed from the queue. Reports queued before it are
    // dropped: messages are handled in posting order, so theirs will not come any more. nullopt for
    // a message this queue did not post, or one already taken.
    std::optional<RtcEvent> Take(WPARAM kind, LPARAM sequence);
    size_t Size() const { return m_entries.size(); }

private:
    struct Entry {
        LPARAM sequence = 0;
        RtcEvent event;
    };
    std::deque<Entry> m_entries;
    LPARAM m_next = 1;
};

}  // namespace zuvo
