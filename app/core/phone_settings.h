#pragma once

#include <QString>
#include <QStringList>

#include "service/proxy_settings.h"

namespace zuvo {

class Profile;

// The settings the main window loads at start (configuration root, sections as named).
struct PhoneSettings {
    QString version = QStringLiteral("0.00.000.000");  // "Version" \ "Serial", rewritten at start
    QString language = QStringLiteral("EN");           // "Version" \ "Language"
    QString webServer;                                 // "Network" \ "Web Server"
    bool rtpDynamic = true;                            // "Network" \ "RTP Dynamic"
    int rtpPort = 7000;                                // "Network" \ "RTP Port"
    bool requireMediaEncryption = false;               // "Network" \ "Require Media Encryption"
    QStringList serverAddresses;   // "Network" \ "SvrAddr%d", always ends with one empty entry
    int package = 0;               // "Configuration" \ "Package"
    QString lockPin;               // "Configuration" \ "LockPIN"
    bool allowIpCalls = false;     // "Configuration" \ "Incoming"
    bool callShopMode = false;     // "Account" \ "CyberMode"
    bool lockToAccount = false;    // "Account" \ "CyberSave"
    bool displayTimer = true;      // "Configuration" \ "DisplayTimer"
    bool displayBalance = true;    // "Settings" \ "DisplayBalance"
    bool displayMinutes = true;    // "Settings" \ "DisplayAvTime"
    bool popupsEnabled = true;     // "Settings" \ "DisplayPopups"
    bool phoneBookEnabled = true;  // "Settings" \ "PhoneBookEnabled"
    bool accountButton = true;     // "Settings" \ "AccountInfo"
    bool webLinks = true;          // "Settings" \ "WebLinks"
    service::ProxySettings proxy;  // "Network\Proxy"
};

}  // namespace zuvo
