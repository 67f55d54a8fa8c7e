// The local bus's frame decoder: whatever another process writes to the phone's socket. Frames
// that decode are encoded again and must decode to the same frame.

#include "fuzz/fuzz_support.h"
#include "platform/bus_frame.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray buffer = zuvo::fuzz::Bytes(data, size);
    bool bad = false;
    while (!bad) {
        const qsizetype before = buffer.size();
        const auto frame = zuvo::BusFrame::Take(buffer, bad);
        if (!frame) {
            break;
        }
        if (buffer.size() >= before || frame->data.size() > zuvo::BusFrame::kMaxBytes) {
            __builtin_trap();
        }
        QByteArray again = frame->Encode();
        bool againBad = false;
        const auto copy = zuvo::BusFrame::Take(again, againBad);
        if (!copy || againBad || !again.isEmpty() || copy->kind != frame->kind ||
            copy->wantReply != frame->wantReply || copy->sender != frame->sender ||
            copy->message != frame->message || copy->wParam != frame->wParam ||
            copy->lParam != frame->lParam || copy->type != frame->type ||
            copy->data != frame->data) {
            __builtin_trap();
        }
    }
    return 0;
}
