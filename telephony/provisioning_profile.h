#pragma once

#include <QString>

#include <optional>

namespace zuvo {

// The provisioning profile handed to the SIP client: one line of XML built from a fixed template.
inline constexpr int kMaxProvisioningProfileLength = 4095;
inline constexpr int kMaxRealmLength = 255;

// Builds the profile text for the user URI, the SIP server address ("host" or "host:port") and
// the transport name. The realm is the URI's part after its first "@" (empty without one, cut to
// 255 characters); "TLS" in any case adds auth="basic" to both server elements. Values are
// XML-escaped so that no input can change the profile's structure. nullopt when the result would
// exceed 4095 characters (a truncated profile would be malformed).
std::optional<QString> BuildProvisioningProfile(const QString& userUri,
                                                const QString& serverAddress,
                                                const QString& transport);

// What a SIP client needs from a profile text.
struct ProvisioningProfile {
    QString account;
    QString password;
    QString uri;
    QString displayName;
    QString realm;
    QString proxyAddress;
    QString proxyProtocol;
    bool proxyBasicAuth = false;
    QString registrarAddress;
    QString registrarProtocol;
};

// Reads a profile text; nullopt when it is not well-formed or lacks the user or a server.
std::optional<ProvisioningProfile> ParseProvisioningProfile(const QString& text);

}  // namespace zuvo
