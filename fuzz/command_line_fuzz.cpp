// The command line: the text after the program's name. A /F switch names a dial file; the
// dial file itself has its own fuzzer.

#include "app/core/command_line.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const zuvo::CommandLineOptions options = zuvo::ParseCommandLine(zuvo::fuzz::Text(data, size));
    // Delays are timer intervals: never negative, whatever was typed.
    if (options.delayC < 0 || options.delayR < 0 || options.delayU < 0 ||
        options.unrecognized < 0) {
        __builtin_trap();
    }
    return 0;
}
