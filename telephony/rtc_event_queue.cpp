#include "telephony/rtc_event_queue.h"

#include <algorithm>
#include <limits>

#include "telephony/telephony_log.h"

namespace zuvo {

LPARAM RtcEventQueue::Push(const RtcEvent& event) {
    if (m_entries.size() >= kCapacity) {
        qCDebug(lcTelephony) << "event queue full: dropping report" << m_entries.front().sequence;
        m_entries.pop_front();
    }
    const LPARAM sequence = m_next;
    m_next = m_next == std::numeric_limits<LPARAM>::max() ? 1 : m_next + 1;
    m_entries.push_back({sequence, event});
    return sequence;
}

std::optional<RtcEvent> RtcEventQueue::Take(WPARAM kind, LPARAM sequence) {
    const auto at = std::find_if(m_entries.begin(), m_entries.end(),
                                 [sequence](const Entry& e) { return e.sequence == sequence; });
    if (at == m_entries.end() || at->event.kind != kind) {
        qCDebug(lcTelephony) << "no report for event" << kind << sequence;
        return std::nullopt;
    }
    if (at != m_entries.begin()) {
        qCDebug(lcTelephony) << "dropping" << (at - m_entries.begin()) << "reports never handled";
    }
    const RtcEvent event = at->event;
    m_entries.erase(m_entries.begin(), at + 1);
    return event;
}

}  // namespace zuvo
