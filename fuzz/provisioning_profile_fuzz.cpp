// The provisioning profile: the parser the SIP client reads its profile with, and the builder
// fed with values that came from the service (user, server address, transport on the first
// three lines). A profile built from any values must still read back.

#include <QStringList>

#include "fuzz/fuzz_support.h"
#include "telephony/provisioning_profile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = zuvo::fuzz::Text(data, size);
    (void)zuvo::ParseProvisioningProfile(text);
    const QStringList parts = text.split(u'\n');
    if (parts.size() < 3) {
        return 0;
    }
    const auto built = zuvo::BuildProvisioningProfile(parts[0], parts[1], parts[2]);
    if (built && built->size() > zuvo::kMaxProvisioningProfileLength) {
        __builtin_trap();
    }
    if (built) {
        (void)zuvo::ParseProvisioningProfile(*built);
    }
    return 0;
}
