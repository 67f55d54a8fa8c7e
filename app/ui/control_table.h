#pragma once

#include <QRect>
#include <QString>

#include <array>

#include "skin/dib.h"

namespace zuvo {

// Makes a QRect from the left, top, right, bottom of a Windows rectangle.
constexpr QRect WinRect(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// One control of the handset window: its command id, text, rectangle (client pixels), face
// bitmap and where the face comes from, and the string id of its tool tip (0 = none, -1 = the
// keypad's speed-dial text, -2 = the site name).
struct ControlEntry {
    int id;
    const char16_t* text;
    QRect rect;
    const char16_t* bitmap;
    SkinModule module;
    int tooltip;
};

inline constexpr int kKeypadTooltip = -1;
inline constexpr int kSiteNameTooltip = -2;

// The keypad in key-index order (index 0..11 = "0".."9", "*", "#"; id = Cmd::Key0 + index).
extern const std::array<ControlEntry, 12> kKeypadControls;
// Call, hang-up, account, rates, redial, close, minimise, in creation order.
extern const std::array<ControlEntry, 7> kFunctionControls;
extern const ControlEntry kHomePageControl;
extern const ControlEntry kMenuControl;
extern const ControlEntry kPhoneBookControl;

// The two volume sliders.
inline constexpr QRect kSpeakerSliderRect = WinRect(32, 386, 90, 401);
inline constexpr QRect kMicSliderRect = WinRect(116, 386, 174, 401);

// The display areas and tool areas.
inline constexpr QRect kStatusArea = WinRect(31, 102, 234, 118);
inline constexpr QRect kNumberArea = WinRect(41, 118, 224, 157);
inline constexpr QRect kBalanceArea = WinRect(31, 158, 234, 173);

}  // namespace zuvo
