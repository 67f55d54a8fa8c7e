// The loadable telephony library's entry point (only this symbol is exported).

#include "telephony/linphone_telephony_module.h"

extern "C" __attribute__((visibility("default"))) const zuvo::TelephonyModule*
zuvo_telephony_module(int version) {
    if (version != ZUVO_TELEPHONY_MODULE_VERSION) {
        return nullptr;
    }
    static const zuvo::LinphoneTelephonyModule module;
    return &module;
}
