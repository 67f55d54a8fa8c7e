#include "telephony/provisioning_profile.h"

#include <QXmlStreamReader>

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

QString Escape(const QString& value) {
    return value.toHtmlEscaped().replace(u'\'', u"&#39;"_s);
}

}  // namespace

std::optional<QString> BuildProvisioningProfile(const QString& userUri,
                                                const QString& serverAddress,
                                                const QString& transport) {
    const qsizetype at = userUri.indexOf(u'@');
    const QString realm = at < 0 ? QString() : userUri.mid(at + 1).left(kMaxRealmLength);
    const QString extra =
        transport.compare(u"TLS"_s, Qt::CaseInsensitive) == 0 ? u"auth=\"basic\""_s : QString();
    const QString uri = Escape(userUri);
    const QString addr = Escape(serverAddress);
    const QString protocol = Escape(transport);

    QString text;
    text += u"<provision key=\"Tavicore Talk\" name=\"Tavicore Plus\">"_s;
    text += u"<user account=\"account\" password=\"mirthful\" uri=\""_s + uri +
            u"\" name=\"joe bloggs\" realm=\""_s + Escape(realm) + u"\" />"_s;
    text += u"<sipsrv addr=\""_s + addr + u"\" protocol=\""_s + protocol + u"\" "_s + extra +
            u" role=\"proxy\">"_s;
    text += u"<session party=\"first\" type=\"pc2pc\" />"_s;
    text += u"<session party=\"first\" type=\"pc2ph\" />"_s;
    text += u"<session party=\"first\" type=\"im\" />"_s;
    text += u"</sipsrv>"_s;
    text += u"<sipsrv addr=\""_s + addr + u"\" protocol=\""_s + protocol + u"\" "_s + extra +
            u" role=\"registrar\" />"_s;
    text += u"</provision>"_s;
    if (text.size() > kMaxProvisioningProfileLength) {
        return std::nullopt;
    }
    return text;
}

std::optional<ProvisioningProfile> ParseProvisioningProfile(const QString& text) {
    ProvisioningProfile profile;
    bool haveUser = false;
    bool haveProxy = false;
    bool haveRegistrar = false;
    QXmlStreamReader xml(text);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const auto attributes = xml.attributes();
        if (xml.name() == u"user"_s) {
            profile.account = attributes.value(u"account"_s).toString();
            profile.password = attributes.value(u"password"_s).toString();
            profile.uri = attributes.value(u"uri"_s).toString();
            profile.displayName = attributes.value(u"name"_s).toString();
            profile.realm = attributes.value(u"realm"_s).toString();
            haveUser = true;
        } else if (xml.name() == u"sipsrv"_s) {
            const QString role = attributes.value(u"role"_s).toString();
            const QString addr = attributes.value(u"addr"_s).toString();
            const QString protocol = attributes.value(u"protocol"_s).toString();
            if (role == u"proxy"_s) {
                profile.proxyAddress = addr;
                profile.proxyProtocol = protocol;
                profile.proxyBasicAuth = attributes.value(u"auth"_s) == u"basic"_s;
                haveProxy = true;
            } else if (role == u"registrar"_s) {
                profile.registrarAddress = addr;
                profile.registrarProtocol = protocol;
                haveRegistrar = true;
            }
        }
    }
    if (xml.hasError() || !haveUser || profile.uri.isEmpty() || (!haveProxy && !haveRegistrar)) {
        return std::nullopt;
    }
    if (!haveRegistrar) {
        profile.registrarAddress = profile.proxyAddress;
        profile.registrarProtocol = profile.proxyProtocol;
    }
    if (!haveProxy) {
        profile.proxyAddress = profile.registrarAddress;
        profile.proxyProtocol = profile.registrarProtocol;
    }
    return profile;
}

}  // namespace zuvo
