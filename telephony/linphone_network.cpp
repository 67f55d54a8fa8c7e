#include "telephony/linphone_sip_client.h"

#include <QFile>

#include <linphone/core.h>

#include "platform/net.h"
#include "telephony/sip_datagram_screen.h"
#include "telephony/telephony_log.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

HRESULT LinphoneSipClient::SetTrustedCertificates(const QString& pemFile) {
    if (m_core == nullptr || !QFile::exists(pemFile)) {
        return E_FAIL;
    }
    linphone_core_set_root_ca(m_core, pemFile.toUtf8().constData());
    return S_OK;
}

void LinphoneSipClient::ConfigureTransport(const QString& transport, const QString& serverHost) {
    // Not every interface: a server named rather than numbered leaves the choice to the stack.
    const QString local = LocalAddressToward(serverHost);
    linphone_config_set_string(linphone_core_get_config(m_core), "sip", "bind_address",
                               local.isEmpty() ? nullptr : local.toLatin1().constData());
    if (local.isEmpty()) {
        qCDebug(lcTelephony) << "no local address toward" << serverHost
                             << "; SIP listens on every interface";
    }
    LinphoneTransports* transports = linphone_factory_create_transports(linphone_factory_get());
    linphone_transports_set_udp_port(transports,
                                     transport == u"udp"_s ? LC_SIP_TRANSPORT_RANDOM : 0);
    linphone_transports_set_tcp_port(transports,
                                     transport == u"tcp"_s ? LC_SIP_TRANSPORT_DONTBIND : 0);
    linphone_transports_set_tls_port(transports,
                                     transport == u"tls"_s ? LC_SIP_TRANSPORT_DONTBIND : 0);
    linphone_transports_set_dtls_port(transports, 0);
    // The old socket closes here: no notifier may outlive it.
    StopWatchingSipSocket();
    linphone_core_set_transports(m_core, transports);
    linphone_transports_unref(transports);
    if (m_screen != nullptr) {
        m_screen->Reset();
    }
}

int LinphoneSipClient::UdpSipPort() const {
    if (m_core == nullptr || m_off || linphone_core_get_global_state(m_core) == LinphoneGlobalOff) {
        return 0;
    }
    LinphoneTransports* used = linphone_core_get_transports_used(m_core);
    const int port = linphone_transports_get_udp_port(used);
    linphone_transports_unref(used);
    return std::max(port, 0);
}

HRESULT LinphoneSipClient::GetNetworkAddresses(bool tcp, bool, QStringList* out) {
    if (m_core == nullptr || out == nullptr) {
        return E_FAIL;
    }
    out->clear();
    LinphoneTransports* used = linphone_core_get_transports_used(m_core);
    int port =
        tcp ? linphone_transports_get_tcp_port(used) : linphone_transports_get_udp_port(used);
    if (port <= 0) {
        port =
            tcp ? linphone_transports_get_udp_port(used) : linphone_transports_get_tcp_port(used);
    }
    linphone_transports_unref(used);
    port = std::max(port, 0);

    QStringList servers;
    for (const auto& [id, profile] : m_profiles) {
        servers.append(profile.serverHost);
    }
    for (const QString& address : LocalIPv4Addresses(servers)) {
        out->append(address + u':' + QString::number(port));
    }
    return out->isEmpty() ? E_FAIL : S_OK;
}

}  // namespace zuvo
