#pragma once

#include <memory>

#include "telephony/sip_client.h"
#include "telephony/sound_devices.h"

namespace zuvo {

// What the telephony library (liblinphone and its media stack) gives the phone. The phone loads
// it at run time, beside its own plug-ins, so that the library and the hundred-odd libraries it
// pulls in are mapped on a thread of their own while the window comes up. Any thread may ask
// for objects; each object then belongs to the thread that uses it.
class TelephonyModule {
public:
    virtual ~TelephonyModule() = default;
    virtual std::unique_ptr<SipClient> NewSipClient() const = 0;
    virtual std::unique_ptr<SoundDevices> NewSoundDevices() const = 0;
};

}  // namespace zuvo

// The library's one exported function: the module when the caller's interface version is the
// library's own, else null. The module lives as long as the library stays loaded.
#define ZUVO_TELEPHONY_MODULE_ENTRY "zuvo_telephony_module"
#define ZUVO_TELEPHONY_MODULE_VERSION 1
extern "C" {
using ZuvoTelephonyModuleEntry = const zuvo::TelephonyModule* (*)(int version);
}
