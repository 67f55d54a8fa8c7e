#pragma once

#include <QString>

namespace zuvo::service {

// The common frame of the provider's web service: objects (path and query, relative to the web
// host's root) for every task, the agent name of each, and the page addresses. Values are
// inserted as they are; every value the phone sends needs no percent-encoding.
namespace agent {
inline constexpr char16_t kVersionSession[] = u"Version Session";
inline constexpr char16_t kMakeCall[] = u"Make Call";
inline constexpr char16_t kAccountSession[] = u"Account Session";
inline constexpr char16_t kPopups[] = u"Popups";
inline constexpr char16_t kSipProxy[] = u"SipProxy";
}  // namespace agent

// "ZuvoDialler/phone.ashx"
QString ServicePath();

// Tunnel texts sent to the service are cut to this many characters.
inline constexpr int kMaxTunnelTextLength = 16;

// VV: "?task=VV&key=" key "&ver=" version ["&vpnver=" tunnel version, at most 16 characters].
QString VersionCheckObject(const QString& key, const QString& version,
                           const QString& tunnelVersion = {});
// MC: "?task=MC&E164=" number "&key=" key "&pxy=" host ":" port "&ver=" version ["&avt=1"].
QString CallAuthorisationObject(const QString& e164, const QString& key, const QString& proxyHost,
                                const QString& proxyPort, const QString& version, bool askMinutes);
// AB: "?task=AB&key=" key "&ver=" version + connection suffix ["&cr=" enciphered number].
QString BalanceObject(const QString& key, const QString& version, const QString& connectionSuffix,
                      const QString& encipheredNumber = {});
// GA: "?task=GA&key=" key "&ver=" version.
QString PopupsObject(const QString& key, const QString& version);
// SP: "?task=SP&key=" key "&ver=" version.
QString SipProxyObject(const QString& key, const QString& version);
// VP: "?task=VP" (no key, no version).
QString TunnelRoutesObject();

// Page addresses opened in the browser window ("https://" when secure, else "http://").
QString AccountPageAddress(bool secure, const QString& host, const QString& key,
                           const QString& version);
QString RatesPageAddress(bool secure, const QString& host, const QString& key,
                         const QString& version);
QString HelpPageAddress(bool secure, const QString& host, const QString& version);
QString CustomerPageAddress(bool secure, const QString& host, const QString& key,
                            const QString& version);
// Always plain HTTP on the provider's fixed home host.
QString HomePageAddress(const QString& homeHost, const QString& key, const QString& version);

}  // namespace zuvo::service
