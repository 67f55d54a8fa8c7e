#pragma once

namespace zuvo {

class Profile;

// The phone's place on the desktop, kept with the other settings under "Desktop", and what it
// does with links the desktop hands it.
struct DesktopSettings {
    bool startHidden = false;        // "Desktop" \ "Start Hidden": only the tray icon at start
    bool autostart = false;          // "Desktop" \ "Autostart": start with the desktop session
    bool notifyIncomingCall = true;  // "Desktop" \ "Notify Incoming Call"
    bool notifyLowBalance = true;    // "Desktop" \ "Notify Low Balance"
    // "Settings" \ "DialLinks": a number from a tel:, sip: or callto: link is dialled at once
    // rather than only shown; off unless the user asks, so that no web page places a call.
    bool dialLinks = false;

    friend bool operator==(const DesktopSettings&, const DesktopSettings&) = default;
};

DesktopSettings LoadDesktopSettings(const Profile& profile);
// False when any value could not be stored.
bool SaveDesktopSettings(Profile& profile, const DesktopSettings& settings);

}  // namespace zuvo
