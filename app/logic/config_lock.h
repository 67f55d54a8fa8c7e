#pragma once

#include <QString>

namespace zuvo {

class Profile;
struct PhoneState;

// The administrator's lock on the phone's configuration: the lock PIN, kept as entered in
// "Configuration" \ "LockPIN"; the configuration is locked exactly when it is not empty. The PIN
// is never written to a log. Main thread only.
class ConfigLock {
public:
    static constexpr int kMinPinLength = 4;
    static constexpr int kMaxPinLength = 16;

    // Why a PIN was not taken; each has its message.
    enum class Refusal { None, Mismatch, TooShort, WrongPin };
    struct Message {
        int text = 0;
        int title = 0;
    };
    // The string ids of the message for a refusal (text, title); zeros for None.
    static Message MessageFor(Refusal refusal);

    // The lock dialog's check: the two entries must match, then hold at least four characters.
    static Refusal CheckNewPin(const QString& pin, const QString& confirmation);
    // True when text may stand in a PIN field: at most 16 characters, no control characters and
    // no half of a surrogate pair, so that what is stored is what was typed.
    static bool IsPinText(const QString& text);

    // Reads and changes state.settings.lockPin and state.configLocked; writes through profile.
    ConfigLock(PhoneState& state, Profile& profile);

    bool IsLocked() const;
    // Locks with a new PIN after CheckNewPin; nothing changes when it refuses.
    Refusal Lock(const QString& pin, const QString& confirmation);
    // Removes the lock when entered is the lock PIN (exact, case-sensitive); WrongPin otherwise.
    Refusal Unlock(const QString& entered);

private:
    void Store(const QString& pin);

    PhoneState& m_state;
    Profile& m_profile;
};

}  // namespace zuvo
