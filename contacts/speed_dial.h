#pragma once

#include <QString>

#include <optional>

namespace zuvo {

class Profile;

// One keypad key's speed-dial entry.
struct SpeedDialEntry {
    QString number;
    QString comment;
};

// The read-only speed-dial store (SpeedDialStore, key index 0..11), written by the separate
// speed-dial manager. Nothing is cached: every call reads the store afresh.
class SpeedDial {
public:
    explicit SpeedDial(const Profile& profile) : m_profile(profile) {}

    // The entry of a key: the text before the first ";" is the number, the rest the comment.
    // Nothing when the key, the value or the number is missing. The key is never created; at
    // most 1024 bytes of the value are taken.
    std::optional<SpeedDialEntry> Lookup(int index) const;
    // String 4000 of the loaded string table ("Hold to dial - " in English) + the comment (or the
    // number when there is no comment); empty when not found.
    QString TooltipText(int index) const;

    // The split rule on its own.
    static SpeedDialEntry Split(const QString& text);

private:
    const Profile& m_profile;
};

}  // namespace zuvo
