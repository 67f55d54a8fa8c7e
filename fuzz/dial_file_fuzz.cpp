// The dial file (/F): the input becomes the file's contents, read by the phone's own reader
// through a memory file, so nothing touches the disk.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

#include "app/core/command_line.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memfd_create("dial-file", MFD_CLOEXEC);
    if (fd < 0) {
        perror("memfd_create");
        return 0;
    }
    size_t written = 0;
    while (written < size) {
        const ssize_t n = write(fd, data + written, size - written);
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    zuvo::CommandLineOptions options;
    zuvo::ReadDialFile(QStringLiteral("/proc/self/fd/%1").arg(fd), options);
    close(fd);
    // A file larger than the bound is refused whole.
    if (size > zuvo::kMaxDialFileBytes && (options.autoDial || !options.number.isEmpty())) {
        __builtin_trap();
    }
    return 0;
}
