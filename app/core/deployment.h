#pragma once

#include <QString>

namespace zuvo {

// Values fixed per deployment of the phone (the provider's hosts and names). Each can be
// overridden from the environment, which the demo and the tests use.
struct Deployment {
    static QString BrandName();         // "Zuvo"
    static QString DefaultWebHost();    // ZUVO_DEFAULT_WEB_HOST
    static QString SipDomain();         // ZUVO_SIP_DOMAIN
    static QString SiteName();          // ZUVO_SITE_NAME: the service's public web site
    static QString ProviderSiteName();  // used when the site name is empty
    static QString HomeHost();          // ZUVO_HOME_HOST: the provider's fixed home host
    static QString TunnelHost();        // ZUVO_TUNNEL_HOST
    static QString PopupCaption();      // ZUVO_POPUP_CAPTION
    static QString ClientName();        // "585.600.002", announced by the SIP client
};

}  // namespace zuvo
