// The component's C face: the entry point, its descriptor and the table in slot order.

#include <memory>

#include "platform/plugin_abi.h"
#include "plugins/tunnel_openvpn/openvpn_tunnel.h"

namespace {

using zuvo::plugins::OpenVpnTunnel;

OpenVpnTunnel* Self(void* self) {
    return static_cast<OpenVpnTunnel*>(self);
}

void* Create() {
    // Owned across the C boundary until Destroy.
    return std::make_unique<OpenVpnTunnel>().release();
}

void Destroy(void* self) {
    std::unique_ptr<OpenVpnTunnel> owned(Self(self));
}

int Start(void* self) {
    return self == nullptr ? -1 : Self(self)->Start();
}

int Stop(void* self) {
    return self == nullptr ? -1 : Self(self)->Stop();
}

int Status(void* self, int32_t* status) {
    return self == nullptr ? -1 : Self(self)->Status(status);
}

int AddRoute(void* self, const char* name, const char* value) {
    return self == nullptr ? -1 : Self(self)->AddRoute(name, value);
}

int ClearRoutes(void* self) {
    return self == nullptr ? -1 : Self(self)->ClearRoutes();
}

int Version(void* self, char* buffer, uint32_t size) {
    return self == nullptr ? -1 : Self(self)->Version(buffer, size);
}

int Info(void* self, char* buffer, uint32_t size) {
    return self == nullptr ? -1 : Self(self)->Info(buffer, size);
}

int Connect(void* self, const char* key, const char* host, char* address, uint32_t size) {
    return self == nullptr ? -1 : Self(self)->Connect(key, host, address, size);
}

const ZuvoTunnelTable kTable = {Create,   Destroy,     Start,   Stop, Status,
                                AddRoute, ClearRoutes, Version, Info, Connect};
const ZuvoPluginDescriptor kDescriptor = {ZUVO_PLUGIN_ABI_VERSION, ZUVO_TUNNEL_INTERFACE_ID,
                                          sizeof kTable, &kTable};

}  // namespace

extern "C" __attribute__((visibility("default"))) const ZuvoPluginDescriptor* zuvo_plugin_entry() {
    return &kDescriptor;
}
