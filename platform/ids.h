#pragma once

// The phone's window messages, timers and commands. Every family is declared once here and only
// appended to; handlers name these, never the bare numbers. Most are the phone's own; the ones
// marked "contract" are sent by other programs and never change. The other contracts have
// their own headers: external_control_protocol.h (control programs), speed_dial_store.h (the
// speed-dial manager), handset_codes.h (the handset driver) and exit_code.h (scripts).

#include <cstdint>
#include <type_traits>

namespace zuvo {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// Standard window messages the message layer delivers (contract with every bus client).
namespace Wm {
inline constexpr uint32_t Destroy = 0x0002;
inline constexpr uint32_t Close = 0x0010;
inline constexpr uint32_t CopyData = 0x004A;
inline constexpr uint32_t Command = 0x0111;
inline constexpr uint32_t Timer = 0x0113;
inline constexpr uint32_t User = 0x0400;
}  // namespace Wm

// Private messages of the main window.
namespace Msg {
inline constexpr uint32_t ServiceUnavailable = 0x401;
inline constexpr uint32_t ButtonPressed = 0x402;   // skinned button notification code
inline constexpr uint32_t ButtonReleased = 0x403;  // skinned button notification code
inline constexpr uint32_t AudioDeviceChosen = 0x404;
inline constexpr uint32_t DialHandover = 0x409;  // contract: sent by a second phone
inline constexpr uint32_t SigninPrompt = 0x40C;
inline constexpr uint32_t CallHistoryDialog = 0x40E;
inline constexpr uint32_t PreferencesApplied = 0x40F;
inline constexpr uint32_t PopupSchedule = 0x410;
inline constexpr uint32_t PopupClosed = 0x411;
inline constexpr uint32_t RtcEvent = 0x464;
inline constexpr uint32_t SpeedDialTooltip = 0x46F;  // contract: sent by zuvo-speeddial
}  // namespace Msg

// wParam of Msg::CallHistoryDialog.
enum class HistoryDialogRequest : WPARAM {
    Open = 0,
    Close = 1,
    TakeNumber = 2,  // close it and put its selected number on the display
};

// Timers of the main window.
namespace Timer {
inline constexpr int Registration = 1;
inline constexpr int Unattended = 3;
inline constexpr int HoldToDial = 5;
inline constexpr int IndicatorBlink = 6;
inline constexpr int AutoDial = 7;
inline constexpr int RegisterNow = 8;
inline constexpr int CallClock = 11;
inline constexpr int PopupPoll = 12;
inline constexpr int MinutesDisplay = 13;
}  // namespace Timer

// Commands shared by menus, buttons and accelerators.
namespace Cmd {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int SignOut = 101;
inline constexpr int Minimize = 102;
inline constexpr int Call = 103;
inline constexpr int HangUp = 104;
inline constexpr int Key0 = 105;  // keypad: Key0 + index, index 0..11
inline constexpr int KeyHash = 116;
inline constexpr int DeleteLast = 117;
inline constexpr int About = 120;
inline constexpr int Account = 122;
inline constexpr int Menu = 136;
inline constexpr int MicVolume = 152;
inline constexpr int SpkVolume = 153;
inline constexpr int Redial = 154;
inline constexpr int PhoneBook = 155;
inline constexpr int Rates = 156;
inline constexpr int HomePageButton = 32771;
inline constexpr int Support = 32772;
inline constexpr int RedialMenu = 32778;
inline constexpr int HistoryFirst = 32780;  // .. 32799
inline constexpr int HistoryLast = 32799;
inline constexpr int AudioSettings = 32800;
inline constexpr int Copy = 32801;
inline constexpr int Paste = 32802;
inline constexpr int Preferences = 32804;
inline constexpr int HomePage = 32805;
inline constexpr int SignOutMenu = 32806;
inline constexpr int LockConfig = 32807;
inline constexpr int UnlockConfig = 32808;
inline constexpr int ProxySettings = 32810;
inline constexpr int Help = 57670;
}  // namespace Cmd

// Controls of the dialogs, by dialog. A control's object name is its id in decimal, so tests
// find it with QString::number(id).
namespace Ctl {
namespace About {
inline constexpr int Dialog = 100;
inline constexpr int Version = 1024;
inline constexpr int ProductLine = 1025;
inline constexpr int Logo = 1028;
inline constexpr int LogoBitmap = 293;
}  // namespace About
namespace Signin {
inline constexpr int Dialog = 208;
inline constexpr int UserName = 118;
inline constexpr int Password = 1000;
inline constexpr int UserLabel = 1024;
inline constexpr int PasswordLabel = 1025;
inline constexpr int RememberUser = 1045;
inline constexpr int RememberPassword = 1046;
inline constexpr int UseTunnel = 1053;
}  // namespace Signin
namespace CallHistory {
inline constexpr int Dialog = 315;
inline constexpr int List = 1015;
}  // namespace CallHistory
namespace Lock {
inline constexpr int Dialog = 332;
inline constexpr int Pin = 1054;
inline constexpr int Confirmation = 1055;
}  // namespace Lock
namespace Unlock {
inline constexpr int Dialog = 331;
inline constexpr int Pin = 1054;
inline constexpr int Permanently = 1045;
}  // namespace Unlock
namespace Proxy {
inline constexpr int Address = 118;
inline constexpr int HttpPort = 1000;
inline constexpr int HttpsPort = 1001;
inline constexpr int UserName = 1003;
inline constexpr int Password = 1004;
inline constexpr int NoProxy = 1037;  // the three mode buttons: mode = id - NoProxy
inline constexpr int DesktopProxy = 1038;
inline constexpr int ExplicitProxy = 1039;
}  // namespace Proxy
}  // namespace Ctl

// The number behind a typed id, for the places that put it on the wire or into a table.
template <class Enum>
requires std::is_enum_v<Enum>
constexpr std::underlying_type_t<Enum> ToUnderlying(Enum value) {
    return static_cast<std::underlying_type_t<Enum>>(value);
}

inline constexpr uint16_t LoWord(WPARAM v) {
    return static_cast<uint16_t>(v & 0xFFFF);
}
inline constexpr uint16_t HiWord(WPARAM v) {
    return static_cast<uint16_t>((v >> 16) & 0xFFFF);
}
inline constexpr WPARAM MakeWParam(uint16_t lo, uint16_t hi) {
    return static_cast<WPARAM>(lo) | (static_cast<WPARAM>(hi) << 16);
}

}  // namespace zuvo
