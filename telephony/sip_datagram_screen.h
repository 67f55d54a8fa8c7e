#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>

#include <sys/socket.h>
#include <sys/types.h>

#include <functional>
#include <thread>

#include "telephony/sip_invite_callers.h"

namespace zuvo {

// Why a datagram that arrived on the SIP port must not reach the SIP stack; nullptr when it may.
// The stack reads a UDP source as a stream: a datagram that promises more body than it carries,
// or whose headers never end, makes it wait and glue the next datagrams from that source onto
// it; its parser takes time that grows with the square of a URI's length; and some damaged
// messages (a header line that does not start with a name, a request without a transaction
// mark) crash it when more follow from the same source. Every datagram is therefore bounded in
// size, must end its headers and carry exactly the body it announces, keeps URIs short and few,
// and is refused when it has such damage.
const char* SipDatagramFault(QByteArrayView datagram);

// Keeps refused datagrams away from the SIP stack's UDP socket, and INVITEs that reuse another
// caller's Call-ID (SipInviteCallers). The stack reads at most one
// datagram from the socket per turn of its loop, so dropping refused datagrams from the head of
// the socket's queue just before each turn means it only ever reads datagrams that passed.
class SipDatagramScreen {
public:
    // currentPort gives the stack's UDP SIP port (0 when it has none); asked again whenever the
    // socket is not found.
    explicit SipDatagramScreen(std::function<int()> currentPort);
    SipDatagramScreen(const SipDatagramScreen&) = delete;
    SipDatagramScreen& operator=(const SipDatagramScreen&) = delete;

    // Drops refused datagrams from the head of the queue; the number dropped.
    int Screen();
    // A read of the stack's (recvfrom's arguments and result). On the SIP socket, from the thread
    // that made this screen, refused datagrams at the head are dropped first and only a datagram
    // that passed is read. When this read dropped every datagram waiting, it hands over an empty
    // keep-alive ("\r\n\r\n") from the last one's source instead, to the peek and to the read
    // after it; -1 with EAGAIN when nothing was waiting at all. It never blocks. Any other read is
    // made as asked.
    ssize_t Read(int fd, void* buffer, size_t length, int flags, sockaddr* from,
                 socklen_t* fromLength);

    // Where the program lets it (the phone's own recvfrom), every read of the stack from its SIP
    // socket goes through Read of this screen, so that a datagram arriving after the last Screen()
    // is screened too. One screen at a time; its destructor withdraws it.
    void GuardReads();
    // Forgets the socket (the transport changed).
    void Reset();
    // The stack's UDP SIP socket as last found, or -1 when it is gone (or never was).
    int Socket() const { return SocketStillOurs() ? m_fd : -1; }

    ~SipDatagramScreen();

private:
    enum class Head { Empty, Passed, Held };
    // Drops refused datagrams from the head, up to the turn's limit; what is at the head then.
    Head ScreenHead(int* dropped);
    bool SocketStillOurs() const;
    void FindSocket();
    void SetSocket(int fd);
    ssize_t HandOverKeepAlive(void* buffer, size_t length, sockaddr* from,
                              socklen_t* fromLength) const;

    std::function<int()> m_currentPort;
    int m_port = 0;
    int m_fd = -1;
    const std::thread::id m_owner = std::this_thread::get_id();
    sockaddr_storage m_lastDroppedFrom{};
    socklen_t m_lastDroppedFromLength = 0;
    bool m_keepAlivePending = false;
    QElapsedTimer m_lastSearch;
    QElapsedTimer m_clock;
    QByteArray m_buffer;
    SipInviteCallers m_callers;
};

}  // namespace zuvo
