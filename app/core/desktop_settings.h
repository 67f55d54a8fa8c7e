#pragma once

namespace zuvo {

class Profile;

// The phone's place on the desktop, kept with the other settings under "Desktop". None of these
// changes what the phone does with calls; they only decide what the desktop shows of it.
struct DesktopSettings {
    bool startHidden = false;        // "Desktop" \ "Start Hidden": only the tray icon at start
    bool autostart = false;          // "Desktop" \ "Autostart": start with the desktop session
    bool notifyIncomingCall = true;  // "Desktop" \ "Notify Incoming Call"
    bool notifyLowBalance = true;    // "Desktop" \ "Notify Low Balance"

    friend bool operator==(const DesktopSettings&, const DesktopSettings&) = default;
};

DesktopSettings LoadDesktopSettings(const Profile& profile);
// False when any value could not be stored.
bool SaveDesktopSettings(Profile& profile, const DesktopSettings& settings);

}  // namespace zuvo
