#include "telephony/linphone_telephony_module.h"

#include "telephony/linphone_sip_client.h"
#include "telephony/media_sound_devices.h"

namespace zuvo {

std::unique_ptr<SipClient> LinphoneTelephonyModule::NewSipClient() const {
    return std::make_unique<LinphoneSipClient>();
}

std::unique_ptr<SoundDevices> LinphoneTelephonyModule::NewSoundDevices() const {
    return std::make_unique<MediaSoundDevices>();
}

CRtcEngine::ClientFactory LinphoneTelephonyModule::ClientFactory() {
    return [] { return LinphoneTelephonyModule().NewSipClient(); };
}

}  // namespace zuvo
