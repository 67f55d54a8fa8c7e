#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

#include "platform/registry.h"

namespace zuvo {

class Profile;

// The last 20 numbers dialled, newest first, each with the duration of its call. Loaded once at
// start and saved once at close under "Call History" ("Nu%d" / "Tu%d"). Main thread only.
class CallHistory {
public:
    static constexpr int kSize = 20;

    // Reads entries until the first empty number; entries stored after a gap are not loaded.
    void Load(const Profile& profile);
    // Writes all 20 slots, empty ones included (so entries after a gap are erased). Done when
    // every slot was written; otherwise the first failure's reason.
    Registry::Outcome Save(Profile& profile) const;

    // Puts number on top with "00:00:00"; the oldest drops out when the list is full.
    void Add(const QString& number);
    // Duration of the newest entry, "%H:%M:%S" of seconds (hours wrap at 24); nothing when the
    // list is empty.
    void SetDuration(int64_t seconds);

    int Count() const { return m_count; }
    QString Number(int index) const;    // empty outside 0..count-1
    QString Duration(int index) const;  // empty outside 0..count-1
    // The numbers joined by "," (the external client's History notice without its terminating
    // zero).
    QString JoinedNumbers() const;

    // The hand-over number "Call History" \ "FA" (at most 99 characters); the key is only opened,
    // never created. Nothing when the key or the value is missing.
    static std::optional<QString> ReadHandover(const Profile& profile);

private:
    std::array<QString, kSize> m_numbers;
    std::array<QString, kSize> m_durations;
    int m_count = 0;
};

}  // namespace zuvo
