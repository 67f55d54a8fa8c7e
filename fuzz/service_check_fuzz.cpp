// The reply of the service check (task VV), for a stored account given on the first line.

#include "fuzz/fuzz_support.h"
#include "service/service_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString account;
    QString reply;
    zuvo::fuzz::SplitFirstLine(zuvo::fuzz::Text(data, size), account, reply);
    const auto result = zuvo::service::EvaluateServiceCheckReply(reply, account);
    (void)result.minutesEnabled();
    (void)result.popupsEnabled();
    return 0;
}
