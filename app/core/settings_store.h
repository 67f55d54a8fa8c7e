#pragma once

#include <QString>

#include "app/core/phone_settings.h"

namespace zuvo {

class Profile;

// Loads the main window's settings in their fixed order, rewriting "Version" \ "Serial" for this
// version and language, and resetting "Install Wizard" after an upgrade from before 5.85.
PhoneSettings LoadSettings(Profile& profile, const QString& language);

// "Settings" \ "DialLinks": whether a number from a tel:, sip: or callto: link is dialled at once
// (3 s after it shows, as /A does) rather than only shown. Off unless the user turned it on: a web
// page must not place a call by itself.
bool DialLinksAtOnce(const Profile& profile);

// The version text "%01.2f.%s.%03d.%s", e.g. 5.85.EN.000.600.002.
QString VersionText(const QString& language, int package);

// The values a filled-in preferences page hands over when applied.
struct PreferencesPage {
    bool displayBalance = true;
    bool displayMinutes = true;
    bool popupsEnabled = true;
    bool lockToAccount = false;
    int rtpPort = 7000;
    bool rtpDynamic = true;
    bool minutesAvailable = false;
    bool popupsAvailable = false;
    bool saveOptions = true;  // "Enable the Username and Password save options"
    bool accountButton = true;
    bool phoneBook = true;
    bool webLinks = true;
};

// The account as the sign-in dialog left it.
struct AccountRecord {
    QString userName;
    QString password;
    QString savedUserName;
    bool rememberUserName = false;
    bool rememberPassword = false;
};

// What applying the preferences changed on screen; the window redraws or shows and hides.
struct PreferencesEffects {
    bool balanceChanged = false;
    bool accountButtonChanged = false;
    bool webLinksChanged = false;
    bool phoneBookChanged = false;
};

// Applies and stores the display and account options of a preferences page.
PreferencesEffects SaveSettings(Profile& profile, const PreferencesPage& page,
                                PhoneSettings& settings, AccountRecord& account,
                                const QString& machineKey);

// Stores user name and password according to the two remember flags.
void SaveAccount(Profile& profile, const AccountRecord& account, const QString& machineKey);

// "0x" and two upper-case hex digits per byte of password XOR key.
QString Scramble(const QString& password, const QString& key);
QString Unscramble(const QString& text, const QString& key);

// The file-system id of "/" as signed decimal text ("0" when it cannot be read).
QString MachineKey();

}  // namespace zuvo
