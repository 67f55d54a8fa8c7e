// The call report's reply (task MC) with the minutes asked for.

#include "fuzz/fuzz_support.h"
#include "service/call_authorisation.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply = zuvo::fuzz::Text(data, size);
    zuvo::service::CallAuthorisationInput input;
    input.askMinutes = true;
    (void)zuvo::service::EvaluateCallAuthorisationReply(reply, input);
    // The proxy address in the SP reply ends up here too.
    (void)zuvo::service::SplitProxyAddress(reply, QStringLiteral("TLS"));
    return 0;
}
