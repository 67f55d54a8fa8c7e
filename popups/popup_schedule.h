#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "popups/popup_record.h"
#include "popups/popup_reply.h"

namespace zuvo {

// The provider's pop-up messages and the service clock, as the main window keeps them: merged
// from each fetch, and asked at each event for the one message due now. Main thread only; the
// fetch parses on its worker and hands a PopupReply over.
class PopupSchedule {
public:
    PopupSchedule() = default;
    PopupSchedule(PopupClock clock, std::vector<PopupRecord> records);

    const PopupClock& clock() const { return m_clock; }
    const std::vector<PopupRecord>& records() const { return m_records; }
    // The records were written as they are now.
    void MarkSaved();

    // A fetch's result: the clock is taken when the reply carried one; each entry updates the
    // record of the same name (exact comparison; its Displayed stays) or is appended.
    void Merge(const PopupReply& reply);
    void AddOrUpdate(const PopupRecord& entry);

    // The service's time for the computer's time now.
    int64_t ServiceTime(int64_t computerNow) const;

    // The record to show for event now, or none. Expired records go first, each reported to
    // forget (which deletes its registry key). Among the due records matching the event, the one
    // shown least recently wins; among equals, the last in the list.
    std::optional<size_t> Next(int event, int64_t computerNow,
                               const std::function<void(const QString& name)>& forget);
    // The page of record index was opened: it was shown now.
    void MarkShown(size_t index, int64_t computerNow);

private:
    static bool IsDue(const PopupRecord& record, int64_t now);

    PopupClock m_clock;
    std::vector<PopupRecord> m_records;
};

}  // namespace zuvo
