#include "app/core/settings_store.h"

#include <QLoggingCategory>

#include <sys/statvfs.h>

#include "app/core/deployment.h"
#include "platform/profile.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double kVersion = 5.85;

}  // namespace

QString VersionText(const QString& language, int package) {
    return QString::asprintf("%01.2f.%s.%03d.%s", kVersion, language.toLatin1().constData(),
                             package, "600.002");
}

PhoneSettings LoadSettings(Profile& profile, const QString& language) {
    PhoneSettings s;
    s.language = language;

    const QString serial = profile.GetString(u"Version"_s, u"Serial"_s, u"0.00.000.000"_s);
    const qsizetype first = serial.indexOf(u'.');
    const qsizetype second = first < 0 ? -1 : serial.indexOf(u'.', first + 1);
    const double previous = serial.left(second < 0 ? serial.size() : second).toDouble();
    if (previous < kVersion && previous != 0) {
        profile.WriteInt(u"Configuration"_s, u"Install Wizard"_s, 0);
    }

    s.webServer = profile.GetString(u"Network"_s, u"Web Server"_s, Deployment::DefaultWebHost());
    s.rtpDynamic = profile.GetInt(u"Network"_s, u"RTP Dynamic"_s, 1) != 0;
    s.rtpPort = profile.GetInt(u"Network"_s, u"RTP Port"_s, 7000);
    s.requireMediaEncryption = profile.GetInt(u"Network"_s, u"Require Media Encryption"_s, 0) != 0;

    for (int n = 0;; ++n) {
        const QString address = profile.GetString(u"Network"_s, u"SvrAddr%1"_s.arg(n), QString());
        s.serverAddresses << address;
        if (address.isEmpty()) {
            break;
        }
    }

    s.package = profile.GetInt(u"Configuration"_s, u"Package"_s, 0);
    s.version = VersionText(language, s.package);
    profile.WriteString(u"Version"_s, u"Serial"_s, s.version);

    s.lockPin = profile.GetString(u"Configuration"_s, u"LockPIN"_s, QString());
    s.allowIpCalls = profile.GetInt(u"Configuration"_s, u"Incoming"_s, 0) != 0;
    s.callShopMode = profile.GetInt(u"Account"_s, u"CyberMode"_s, 0) != 0;
    s.lockToAccount = profile.GetInt(u"Account"_s, u"CyberSave"_s, 0) != 0;
    s.displayTimer = profile.GetInt(u"Configuration"_s, u"DisplayTimer"_s, 1) != 0;
    s.displayBalance = profile.GetInt(u"Settings"_s, u"DisplayBalance"_s, 1) != 0;
    s.displayMinutes = profile.GetInt(u"Settings"_s, u"DisplayAvTime"_s, 1) != 0;
    s.popupsEnabled = profile.GetInt(u"Settings"_s, u"DisplayPopups"_s, 1) != 0;
    s.phoneBookEnabled = profile.GetInt(u"Settings"_s, u"PhoneBookEnabled"_s, 1) != 0;
    s.proxy.mode = profile.GetInt(u"Network\\Proxy"_s, u"Status"_s, 1);
    s.proxy.address = profile.GetString(u"Network\\Proxy"_s, u"Address"_s, QString());
    s.proxy.userName = profile.GetString(u"Network\\Proxy"_s, u"Username"_s, QString());
    s.proxy.password = profile.GetString(u"Network\\Proxy"_s, u"Password"_s, QString());
    s.proxy.httpPort = profile.GetInt(u"Network\\Proxy"_s, u"HTTP"_s, 80);
    s.proxy.httpsPort = profile.GetInt(u"Network\\Proxy"_s, u"HTTPS"_s, 80);
    s.accountButton = profile.GetInt(u"Settings"_s, u"AccountInfo"_s, 1) != 0;
    s.webLinks = profile.GetInt(u"Settings"_s, u"WebLinks"_s, 1) != 0;
    return s;
}

bool DialLinksAtOnce(const Profile& profile) {
    return profile.GetInt(u"Settings"_s, u"DialLinks"_s, 0) != 0;
}

PreferencesEffects SaveSettings(Profile& profile, const PreferencesPage& page,
                                PhoneSettings& settings, AccountRecord& account,
                                const QString& machineKey) {
    PreferencesEffects effects;
    effects.balanceChanged = settings.displayBalance != page.displayBalance;
    settings.displayBalance = page.displayBalance;
    settings.displayMinutes = page.displayMinutes;
    settings.popupsEnabled = page.popupsEnabled;
    effects.accountButtonChanged = settings.accountButton != page.accountButton;
    settings.accountButton = page.accountButton;
    effects.webLinksChanged = settings.webLinks != page.webLinks;
    settings.webLinks = page.webLinks;
    effects.phoneBookChanged = settings.phoneBookEnabled != page.phoneBook;
    settings.phoneBookEnabled = page.phoneBook;

    Registry& hive = profile.hive();
    const QString key = profile.KeyPath(u"Settings"_s);
    if (hive.CreateKey(key)) {
        hive.WriteDword(key, u"DisplayBalance"_s, settings.displayBalance);
        hive.WriteDword(key, u"DisplayAvTime"_s, settings.displayMinutes);
        hive.WriteDword(key, u"DisplayPopups"_s, settings.popupsEnabled);
        hive.WriteDword(key, u"AccountInfo"_s, settings.accountButton);
        hive.WriteDword(key, u"PhoneBookEnabled"_s, settings.phoneBookEnabled);
        hive.WriteDword(key, u"WebLinks"_s, settings.webLinks);
    }

    const bool wasRestricted = settings.callShopMode || settings.lockToAccount;
    settings.callShopMode = !page.saveOptions;
    profile.WriteInt(u"Account"_s, u"CyberMode"_s, settings.callShopMode);
    if (page.lockToAccount) {
        account.rememberUserName = true;
        account.rememberPassword = true;
        SaveAccount(profile, account, machineKey);
        settings.lockPin = profile.GetString(u"Configuration"_s, u"LockPIN"_s, QString());
    } else if (settings.callShopMode || wasRestricted) {
        account.rememberUserName = false;
        account.rememberPassword = false;
        SaveAccount(profile, account, machineKey);
    }
    settings.lockToAccount = page.lockToAccount;
    profile.WriteInt(u"Account"_s, u"CyberSave"_s, settings.lockToAccount);
    return effects;
}

void SaveAccount(Profile& profile, const AccountRecord& account, const QString& machineKey) {
    const bool keepUser = account.rememberUserName && !account.savedUserName.isEmpty();
    profile.WriteString(u"Account"_s, u"Account"_s, keepUser ? account.savedUserName : QString());
    profile.WriteInt(u"Account"_s, u"Save"_s, keepUser ? 1 : 0);
    const bool keepPassword = account.rememberPassword && !account.password.isEmpty();
    profile.WriteString(u"Account"_s, u"Number"_s,
                        keepPassword ? Scramble(account.password, machineKey) : QString());
    profile.WriteInt(u"Account"_s, u"PFlag"_s, keepPassword ? 1 : 0);
}

QString Scramble(const QString& password, const QString& key) {
    const QByteArray bytes = password.toUtf8();
    const QByteArray k = key.toLatin1();
    QString out = u"0x"_s;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<uint8_t>(bytes[i] ^ (k.isEmpty() ? 0 : k[i % k.size()]));
        out += QString::asprintf("%02X", b);
    }
    return out;
}

QString Unscramble(const QString& text, const QString& key) {
    const QByteArray k = key.toLatin1();
    const QString digits = text.mid(2);
    QByteArray bytes;
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        const auto b = static_cast<char>(digits.mid(i, 2).toUInt(nullptr, 16));
        bytes.append(static_cast<char>(b ^ (k.isEmpty() ? 0 : k[bytes.size() % k.size()])));
    }
    // The password ends at its first zero byte, as the stored text always did.
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0) {
        bytes.truncate(zero);
    }
    return QString::fromUtf8(bytes);
}

QString MachineKey() {
    struct statvfs info {};
    if (statvfs("/", &info) != 0) {
        return u"0"_s;
    }
    return QString::number(static_cast<int32_t>(info.f_fsid));
}

}  // namespace zuvo
