#pragma once

#include <QString>

#include <cstdint>

namespace zuvo {

struct PhoneState;

// What the status line shows: a string-table id, or (id 0) the running call time.
struct StatusLine {
    int stringId = 0;
    QString clockText;
};

// The status line for the current state: the call clock while a call is connected and
// "DisplayTimer" is on; signed in: "Calling..." for a pending auto-dial, else "Mute", else the
// call status's text; not signed in: "Signing in..." or "Signed out".
StatusLine StatusLineOf(const PhoneState& state);

}  // namespace zuvo
