#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>

#include <functional>

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
    // Forgets the socket (the transport changed).
    void Reset();
    // The stack's UDP SIP socket as last found, or -1 when it is gone (or never was).
    int Socket() const { return SocketStillOurs() ? m_fd : -1; }

private:
    bool SocketStillOurs() const;
    void FindSocket();

    std::function<int()> m_currentPort;
    int m_port = 0;
    int m_fd = -1;
    QElapsedTimer m_lastSearch;
    QElapsedTimer m_clock;
    QByteArray m_buffer;
    SipInviteCallers m_callers;
};

}  // namespace zuvo
