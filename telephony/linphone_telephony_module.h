#pragma once

#include "telephony/rtc_engine.h"
#include "telephony/telephony_module.h"

namespace zuvo {

// The telephony module on liblinphone: what the loadable library hands out, and what programs
// and tests linked with the library use directly.
class LinphoneTelephonyModule final : public TelephonyModule {
public:
    std::unique_ptr<SipClient> NewSipClient() const override;
    std::unique_ptr<SoundDevices> NewSoundDevices() const override;

    // An engine's client factory on liblinphone.
    static CRtcEngine::ClientFactory ClientFactory();
};

}  // namespace zuvo
