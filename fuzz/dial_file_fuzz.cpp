// The dial file (/F): the input becomes the file's contents, read by the phone's own line reader
// from a memory buffer opened as the file is (text mode), so nothing touches the disk. Opening
// and the size check before it take no part of the contents.

#include <QBuffer>

#include "app/core/command_line.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray contents = zuvo::fuzz::Bytes(data, size);
    QBuffer file(&contents);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        __builtin_trap();
    }
    zuvo::CommandLineOptions options;
    zuvo::ReadDialLines(file, options);
    return 0;
}
