#pragma once

#include <QString>

#include <cstdint>

#include "telephony/rtc_types.h"

namespace zuvo {

inline constexpr int32_t RTCPT_AUDIO_RTP = 0;
inline constexpr int32_t RTCPT_AUDIO_RTCP = 1;

// Hands the SIP client fixed media ports for one call: RTP on the configured port, every other
// port type (RTCP) on the port after it, both at the local address.
class CRtcPortManager {
public:
    struct Mapping {
        QString internalAddress;
        int internalPort = 0;
        QString externalAddress;
        int externalPort = 0;
    };

    // Keeps at most 19 characters of the address, as the address field holds.
    void SetLocalAddress(const QString& address);
    QString LocalAddress() const { return m_localAddress; }
    void SetRtpPort(int port) { m_rtpPort = port; }
    int RtpPort() const { return m_rtpPort; }

    HRESULT GetMapping(const QString& remoteAddress, int32_t portType, Mapping* mapping) const;
    HRESULT UpdateRemoteAddress(const QString&) { return S_OK; }
    HRESULT ReleaseMapping() { return S_OK; }

private:
    QString m_localAddress;
    int m_rtpPort = 0;
};

}  // namespace zuvo
