// The SIP-server configuration reply (task SP): PXY, HOSTS, WEB and RETRIES.

#include "fuzz/fuzz_support.h"
#include "telephony/discovery/sip_server_entry.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply = zuvo::fuzz::Text(data, size);
    const zuvo::ServerConfiguration config = zuvo::ParseServerConfiguration(reply);
    // Every item comes out of the reply, so there cannot be more of them than characters.
    if (config.servers.size() > reply.size() + 1 || config.hosts.size() > reply.size() + 1 ||
        config.web.size() > reply.size() + 1) {
        __builtin_trap();
    }
    return 0;
}
