#include "telephony/rtc_port_manager.h"

namespace zuvo {

void CRtcPortManager::SetLocalAddress(const QString& address) {
    m_localAddress = address.left(19);
}

HRESULT CRtcPortManager::GetMapping(const QString&, int32_t portType, Mapping* mapping) const {
    if (mapping == nullptr) {
        return E_FAIL;
    }
    const int port = portType == RTCPT_AUDIO_RTP ? m_rtpPort : m_rtpPort + 1;
    *mapping = Mapping{m_localAddress, port, m_localAddress, port};
    return S_OK;
}

}  // namespace zuvo
