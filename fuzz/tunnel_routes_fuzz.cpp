// The VPN tunnel's route list (task VP): "[name,value]" groups.

#include "fuzz/fuzz_support.h"
#include "telephony/discovery/tunnel_component.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply = zuvo::fuzz::Text(data, size);
    const auto groups = zuvo::TunnelRouteGroups(reply);
    if (groups.size() > reply.size()) {
        __builtin_trap();
    }
    return 0;
}
