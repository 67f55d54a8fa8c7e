// The program's own recvfrom. Every library of the process reads datagrams through it, the SIP
// stack too; the telephony module installs its datagram screen here, so that the stack's reads
// of its SIP socket pass the screen at the moment they happen (a screen that looks only before
// each turn of the stack misses what arrives in between). Until then, and for every other
// socket, it is recvfrom itself.

#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>

namespace {

using Recvfrom = ssize_t (*)(int, void*, size_t, int, sockaddr*, socklen_t*);

std::atomic<Recvfrom> g_screened{nullptr};

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void zuvo_screen_recvfrom(Recvfrom screened) {
    g_screened.store(screened, std::memory_order_release);
}

__attribute__((visibility("default"))) ssize_t recvfrom(int fd, void* buffer, size_t length,
                                                        int flags, sockaddr* from,
                                                        socklen_t* fromLength) {
    if (const Recvfrom screened = g_screened.load(std::memory_order_acquire)) {
        return screened(fd, buffer, length, flags, from, fromLength);
    }
    return static_cast<ssize_t>(
        ::syscall(SYS_recvfrom, fd, buffer, length, flags, from, fromLength));
}

}  // extern "C"
