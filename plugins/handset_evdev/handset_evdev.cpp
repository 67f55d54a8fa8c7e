// The component's C face: the entry point, its descriptor and the table in slot order.

#include <memory>

#include "platform/plugin_abi.h"
#include "plugins/handset_evdev/evdev_handset.h"

namespace {

using zuvo::plugins::EvdevHandset;

EvdevHandset* Self(void* self) {
    return static_cast<EvdevHandset*>(self);
}

void* Create() {
    // Owned across the C boundary until Destroy.
    return std::make_unique<EvdevHandset>().release();
}

void Destroy(void* self) {
    std::unique_ptr<EvdevHandset> owned(Self(self));
}

int Register(void* self, ZuvoHandsetCallback callback, void* context) {
    return self == nullptr ? -1 : Self(self)->RegisterCallback(callback, context);
}

int Information(void* self, unsigned char* buffer, uint32_t size) {
    return self == nullptr ? -1 : Self(self)->GetInformation(buffer, size);
}

int Reserved(void*) {
    return -1;
}

int Property(void* self, int id, int value) {
    return self == nullptr ? -1 : Self(self)->SetProperty(id, value);
}

const ZuvoHandsetTable kTable = {Create, Destroy, Register, Information, Reserved, Property};
const ZuvoPluginDescriptor kDescriptor = {ZUVO_PLUGIN_ABI_VERSION, ZUVO_HANDSET_INTERFACE_ID,
                                          sizeof kTable, &kTable};

}  // namespace

extern "C" __attribute__((visibility("default"))) const ZuvoPluginDescriptor* zuvo_plugin_entry() {
    return &kDescriptor;
}
