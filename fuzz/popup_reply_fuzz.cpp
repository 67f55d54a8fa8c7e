// The pop-up reply (task GA): POPUPCONTROL and the POPUP entries.

#include "fuzz/fuzz_support.h"
#include "popups/popup_reply.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const zuvo::PopupReply reply =
        zuvo::ParsePopupReply(zuvo::fuzz::Text(data, size), 1'796'000'000);
    if (reply.entries.size() > static_cast<size_t>(zuvo::kMaxPopupRecords)) {
        __builtin_trap();
    }
    for (const auto& entry : reply.entries) {
        // A name that could reach another registry key must never come through.
        if (!zuvo::IsAcceptablePopupName(entry.name)) {
            __builtin_trap();
        }
    }
    return 0;
}
