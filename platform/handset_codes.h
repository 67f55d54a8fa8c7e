#pragma once

// The codes of the USB handset's driver: the keys it reports, its option flags and the properties
// the phone sets on it. The driver is built apart from the phone, so these numbers never change.

namespace zuvo {

// Key codes the handset reports, pressed or released.
enum class HandsetKey : int {
    Digit0 = 0,  // Digit0 + n for "0".."9"
    Digit9 = 9,
    Star = 10,
    Hash = 11,
    Hook = 12,  // press: hang up or clear and minimise; release: show the window
    CallOrHangUp = 13,
    HangUp = 14,
    Mute = 15,
    Redial = 16,
    Account = 17,
    DeleteLast = 18,
    VolumeUp = 19,
    VolumeDown = 20,
    Menu = 21,
    CallHistory = 22,
    AudioWizard = 23,
    HomePage = 24,
};

// The handset device's own option flags.
enum class HandsetOption : int {
    CallKeepsCall = 1,  // CallOrHangUp does not end a call
    StarDials = 4,      // Star places the call when idle
    HashDials = 8,      // Hash places the call when idle
};

// Handset properties the phone sets.
namespace HandsetNotice {
inline constexpr int MenuCode = 3;       // value 1 menu opened, 0 menu loop ended
inline constexpr int FocusCode = 4;      // value 0: main window focused
inline constexpr int AttentionCode = 6;  // value 1: "tell the handset"
}  // namespace HandsetNotice

}  // namespace zuvo
