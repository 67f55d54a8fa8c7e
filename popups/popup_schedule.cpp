#include "popups/popup_schedule.h"

#include <QHash>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPopups)

namespace zuvo {

PopupSchedule::PopupSchedule(PopupClock clock, std::vector<PopupRecord> records)
    : m_clock(clock), m_records(std::move(records)) {}

void PopupSchedule::Merge(const PopupReply& reply) {
    if (reply.clock) {
        m_clock = *reply.clock;
    }
    // Looked up by name, so a long list merges in linear time.
    QHash<QString, size_t> index;
    for (size_t i = 0; i < m_records.size(); ++i) {
        index.insert(m_records[i].name, i);
    }
    for (const PopupRecord& entry : reply.entries) {
        const auto found = index.constFind(entry.name);
        if (found != index.constEnd()) {
            PopupRecord& record = m_records[*found];
            record.expiry = entry.expiry;
            record.control = entry.control;
            record.freq = entry.freq;
            record.cx = entry.cx;
            record.cy = entry.cy;
            record.unsaved = true;
        } else if (m_records.size() < static_cast<size_t>(kMaxPopupRecords)) {
            index.insert(entry.name, m_records.size());
            m_records.push_back(entry);
            m_records.back().displayed = 0;
            m_records.back().unsaved = true;
        } else {
            qCDebug(lcPopups) << "pop-up list full; a message was dropped";
        }
    }
}

void PopupSchedule::AddOrUpdate(const PopupRecord& entry) {
    PopupReply one;
    one.entries.push_back(entry);
    Merge(one);
}

int64_t PopupSchedule::ServiceTime(int64_t computerNow) const {
    return computerNow - m_clock.localTime + m_clock.serverTime;
}

bool PopupSchedule::IsDue(const PopupRecord& record, int64_t now) {
    if (record.freq == -1) {
        return true;
    }
    if (record.freq > 0) {
        return now > record.displayed + static_cast<int64_t>(record.freq) * 60;
    }
    return record.freq == 0 && record.displayed == 0;
}

std::optional<size_t> PopupSchedule::Next(int event, int64_t computerNow,
                                          const std::function<void(const QString& name)>& forget) {
    if (m_clock.serverTime == 0 || m_clock.localTime == 0) {
        return std::nullopt;
    }
    const int64_t now = ServiceTime(computerNow);
    std::optional<size_t> best;
    for (size_t i = 0; i < m_records.size();) {
        const PopupRecord& record = m_records[i];
        if (now > record.expiry) {
            const QString name = record.name;
            m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(i));
            if (forget) {
                forget(name);
            }
            continue;  // the next record moved into this place
        }
        const bool otherEvent = record.control > 0 && record.control != event;
        const bool shownLessRecently = best && m_records[*best].displayed < record.displayed;
        if (!otherEvent && !shownLessRecently && IsDue(record, now)) {
            best = i;
        }
        ++i;
    }
    return best;
}

void PopupSchedule::MarkShown(size_t index, int64_t computerNow) {
    if (index < m_records.size()) {
        m_records[index].displayed = ServiceTime(computerNow);
        m_records[index].unsaved = true;
    }
}

void PopupSchedule::MarkSaved() {
    for (PopupRecord& record : m_records) {
        record.unsaved = false;
    }
}

}  // namespace zuvo
