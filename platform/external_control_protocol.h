#pragma once

// The external-control protocol between the phone and the programs that drive it (handset
// control programs, zuvo-ctl, zuvo-speeddial). Everything in this header is a contract with
// programs built and shipped apart from the phone: never change a name, number, size or offset,
// only append. The phone and the tools include this header; none of them spells these values.

#include <QString>

#include <cstdint>

#include "platform/ids.h"

namespace zuvo::ExternalControlProtocol {

// The phone's window on the local bus, found by class name.
inline const QString kPhoneWindowClass = QStringLiteral("ZuvoClass");

// Registered message names. Each program derives the message numbers from these names through
// LocalBus::RegisterWindowMessage, so the numbers agree only while the names do.
inline const QString kBindMessageName = QStringLiteral("TavicoreAccessAPIBind");
inline const QString kRegisterMessageName = QStringLiteral("TavicoreAccessAPIRegister");

// wParam of Register, sent by a client with lParam = its window.
enum class RegisterRequest : WPARAM {
    Unbind = 0,       // returns 1 for the bound client, else 0
    Bind = 1,         // answered with Bind Bound, AlreadyBound or OtherBound
    Status = 0x1000,  // returns 1 for the bound client, else 0; no Bind answer
};

// wParam of Bind, sent by the phone with lParam = its window (0 for Closing).
enum class BindAnswer : WPARAM {
    Closing = 0,       // posted to the bound client when the phone closes
    Free = 1,          // broadcast: the phone runs and no client is bound
    Bound = 2,         // the requesting client is now bound
    AlreadyBound = 3,  // the requesting client was bound already
    OtherBound = 4,    // another client is bound
    Refused = 5,       // an unknown request
};

// Copy-data types a bound client sends to the phone.
enum class ClientCommand : uint32_t {
    ClientRecord = 1,  // the client record below
    Key = 2,           // one keypad character (first byte)
    KeyUp = 3,
    DeleteLast = 4,
    ShowNumber = 5,  // zero-terminated number; refused during a call
    CallOrHangUp = 6,
    HangUp = 7,
    Redial = 8,
    VolumeUp = 9,
    VolumeDown = 10,
    Mute = 11,
    Unmute = 12,
    HistoryRequest = 13,  // answered with PhoneNotice::History
    HomePage = 14,
    SupportPage = 15,
    StateRequest = 16,  // answered with PhoneNotice::State
};
inline constexpr uint32_t kFirstClientCommand = 1;
inline constexpr uint32_t kLastClientCommand = 16;

// Copy-data types the phone sends to the bound client.
enum class PhoneNotice : uint32_t {
    State = 1,        // the state record below
    Number = 2,       // the number line, zero-terminated, each time it is redrawn
    CallEnded = 3,    // no data
    CallStarted = 4,  // no data
    History = 5,      // the history numbers joined by ",", zero-terminated
};

// The client record (ClientCommand::ClientRecord): at most 390 bytes, shorter is zero-filled.
namespace ClientRecord {
inline constexpr qsizetype kSize = 390;
inline constexpr qsizetype kOptionsOffset = 132;  // one byte of Option flags
inline constexpr qsizetype kMicOffset = 134;      // microphone name, zero-terminated
inline constexpr qsizetype kSpeakerOffset = 262;  // speaker name, zero-terminated
inline constexpr qsizetype kNameSize = 128;
}  // namespace ClientRecord

// Option flags of the client record.
enum class ClientOption : uint8_t {
    CallKeepsCall = 1,  // CallOrHangUp does not end a call
    NoVolume = 2,       // VolumeUp and VolumeDown are ignored
    StarDials = 4,      // "*" places the call when idle
    HashDials = 8,      // "#" places the call when idle
};

// The state record (PhoneNotice::State): number (127 characters and a zero in 128 bytes), then
// call active and muted as 32-bit little-endian integers.
namespace StateRecord {
inline constexpr qsizetype kSize = 136;
inline constexpr qsizetype kNumberSize = 128;
inline constexpr qsizetype kCallActiveOffset = 128;
inline constexpr qsizetype kMutedOffset = 132;
}  // namespace StateRecord

}  // namespace zuvo::ExternalControlProtocol
