#pragma once

// The call status code shown on the status line. These numbers are the phone's own (no other
// program sees them), but each one picks its status text: string StatusBase + code.

#include "app/strings/string_ids.h"

namespace zuvo {

enum class CallStatus : int {
    ReadyToCall = 0,
    SigningIn = 1,
    PleaseWait = 2,
    PleaseWaitRinging = 3,
    Incoming = 4,
    Accepted = 5,
    Answering = 6,
    Connected = 7,  // shown as "Signed in"
    Holding = 8,
    SignedOut = 9,
    CallFailed = 10,
    CallEnded = 11,
    CallRejected = 12,
    LineBusy = 13,
    Transferring = 14,
    Voicemail = 15,
    AnsweringMachine = 16,
    RemotePartyOffline = 17,
    Calling = 18,
    SigningInShown = 19,
    Mute = 20,
    MinutesValue = 21,
    MinutesForThisCall = 22,
    // Our own: the call was not placed, as its audio could not be encrypted and must be.
    EncryptionRequired = 23,
};

// The status text of a call status.
inline constexpr int StatusStringId(CallStatus status) {
    return StringId::StatusBase + static_cast<int>(status);
}

}  // namespace zuvo
