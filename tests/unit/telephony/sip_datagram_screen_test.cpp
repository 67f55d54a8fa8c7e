// What may reach the SIP stack from the network: real messages of our registrar and far ends
// pass; datagrams that would stall, mislead or crash the stack do not.

#include <gtest/gtest.h>

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "telephony/sip_datagram_screen.h"

using zuvo::SipDatagramFault;
using zuvo::SipDatagramScreen;

namespace {

QByteArray Crlf(QByteArray text) {
    text.replace("\n", "\r\n");
    return text;
}

const QByteArray kChallenge = Crlf(
    "SIP/2.0 401 Unauthorized\n"
    "Via: SIP/2.0/UDP 127.0.0.1:24012;branch=z9hG4bK.Xa3Gd~Pn1;rport=24012;received=127.0.0.1\n"
    "From: <sip:12345@zuvo.test>;tag=Yc1LQ0zYc\n"
    "To: <sip:12345@zuvo.test>;tag=a6a1c5f60faecf035a1ae5b6e96e979a-ae2d\n"
    "Call-ID: 8x1Ql2N-Tq\n"
    "CSeq: 20 REGISTER\n"
    "WWW-Authenticate: Digest realm=\"zuvo.test\", "
    "nonce=\"ZXhhbXBsZW5vbmNlZXhhbXBsZW5vbmNl0123456789abcdef\", algorithm=MD5\n"
    "Server: kamailio (5.6.3 (x86_64/linux))\n"
    "Content-Length: 0\n"
    "\n");

const QByteArray kInvite = Crlf(
    "INVITE sip:12345@127.0.0.1:24012;alias=127.0.0.1~24012~1 SIP/2.0\n"
    "Record-Route: <sip:127.0.0.1:5060;lr;ftag=as5f;did=1b2.c3>\n"
    "Via: SIP/2.0/UDP 127.0.0.1:5060;branch=z9hG4bK0c1d.5b7e6d9f2f0d7b8e4c1a3b5d7f9e1a2c.0\n"
    "Via: SIP/2.0/UDP 127.0.0.1:27001;branch=z9hG4bK-4711-1-0;rport=27001\n"
    "From: \"Far End\" <sip:sipp@127.0.0.1:27001>;tag=4711SIPpTag001\n"
    "To: <sip:12345@zuvo.test>\n"
    "Call-ID: 1-4711@127.0.0.1\n"
    "CSeq: 1 INVITE\n"
    "Contact: <sip:sipp@127.0.0.1:27001;transport=UDP>\n"
    "Max-Forwards: 69\n"
    "Content-Type: application/sdp\n"
    "Content-Length: 129\n"
    "\n"
    "v=0\n"
    "o=user1 53655765 2353687637 IN IP4 127.0.0.1\n"
    "s=-\n"
    "c=IN IP4 127.0.0.1\n"
    "t=0 0\n"
    "m=audio 6000 RTP/AVP 0\n"
    "a=rtpmap:0 PCMU/8000\n");

// A UDP socket on 127.0.0.1 standing in for the SIP stack's, and one that sends to it.
struct LoopbackSocket {
    LoopbackSocket() {
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port = ntohs(address.sin_port);
        }
    }
    ~LoopbackSocket() {
        ::close(sender);
        ::close(fd);
    }
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;
    void Send(const QByteArray& datagram) const {
        ::sendto(sender, datagram.constData(), static_cast<size_t>(datagram.size()), 0,
                 reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    }

    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    int sender = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    int port = 0;
};

QByteArray Options(const QByteArray& extraHeaders, const QByteArray& body = {}) {
    return Crlf(
               "OPTIONS sip:12345@127.0.0.1:24012 SIP/2.0\n"
               "Via: SIP/2.0/UDP 127.0.0.1:5060;branch=z9hG4bK1\n"
               "From: <sip:probe@127.0.0.1>;tag=1\n"
               "To: <sip:12345@127.0.0.1>\n"
               "Call-ID: 1@probe\n"
               "CSeq: 1 OPTIONS\n" +
               extraHeaders + "\n") +
           body;
}

TEST(SipDatagramScreenTest, MessagesOfOurPeersPass) {
    EXPECT_EQ(SipDatagramFault(kChallenge), nullptr);
    EXPECT_EQ(SipDatagramFault(kInvite), nullptr);
    EXPECT_EQ(SipDatagramFault("\r\n\r\n"), nullptr);  // keep-alive
    EXPECT_EQ(SipDatagramFault(Options("Content-Length: 0\n")), nullptr);
    EXPECT_EQ(SipDatagramFault(Options("")), nullptr);  // no body, no length
    // Folded, compact and oddly spaced headers are the stack's to read.
    EXPECT_EQ(SipDatagramFault(Options("Subject: a\n  folded\n line\nl  :  4\n", "body")), nullptr);
    // Line ends after the body are ignored.
    EXPECT_EQ(SipDatagramFault(Options("Content-Length: 4\n", "body\r\n")), nullptr);
    // A host name of 128 characters.
    EXPECT_EQ(SipDatagramFault(Options("Contact: <sip:a@" + QByteArray(123, 'h') + ".test>\n")),
              nullptr);
}

TEST(SipDatagramScreenTest, DatagramsThatWouldStallOrCrashTheStackAreRefused) {
    EXPECT_NE(SipDatagramFault(""), nullptr);
    EXPECT_NE(SipDatagramFault(QByteArray(20000, 'a')), nullptr);
    // Headers that never end, or end only with bare line feeds.
    EXPECT_NE(SipDatagramFault(kChallenge.left(kChallenge.size() - 2)), nullptr);
    EXPECT_NE(SipDatagramFault("OPTIONS sip:a@b SIP/2.0\nCall-ID: 1\n\n"), nullptr);
    // A body shorter than announced, one longer, or one without a length.
    EXPECT_NE(SipDatagramFault(Options("Content-Length: 999999\n")), nullptr);
    EXPECT_NE(SipDatagramFault(Options("Content-Length: 2\n", "body")), nullptr);
    EXPECT_NE(SipDatagramFault(Options("", "body")), nullptr);
    EXPECT_NE(SipDatagramFault(Options("Content-Length: -1\n")), nullptr);
    EXPECT_NE(SipDatagramFault(Options("Content-Length: 0\nl: 4\n", "body")), nullptr);
    EXPECT_NE(SipDatagramFault(Options("Content-Length: 4x\n", "body")), nullptr);
    // Lines that start with anything but a name or a space: the stack crashes on the next
    // message from the same source.
    EXPECT_NE(SipDatagramFault(Options("Subject: a\n\tfolded with a tab\n")), nullptr);
    EXPECT_NE(SipDatagramFault(Options("<upported: timer\n")), nullptr);
    EXPECT_NE(SipDatagramFault(Options("\xd3upported: timer\n")), nullptr);
    EXPECT_NE(SipDatagramFault(Options("Supported timer\n")), nullptr);
    // A request whose Via carries no RFC 3261 branch: with an unreadable To it crashes the
    // stack's transaction matching on the next message from the same source.
    QByteArray unmarked = Options("");
    unmarked.replace(";branch=z9hG4bK1", ";bRanch=z9hG4bK1");
    EXPECT_NE(SipDatagramFault(unmarked), nullptr);
    // NUL and other control characters in the headers.
    EXPECT_NE(SipDatagramFault(Options(QByteArray("Subject: a\0b\n", 13))), nullptr);
    EXPECT_NE(SipDatagramFault(Options("Subject: a\x01"
                                       "b\n")),
              nullptr);
    // URIs long enough to keep the parser busy for seconds.
    EXPECT_NE(SipDatagramFault(Options("Contact: <sip:" + QByteArray(129, 'a') + "@b>\n")),
              nullptr);
    EXPECT_NE(SipDatagramFault(Crlf("OPTIONS sip:" + QByteArray(500, '1') +
                                    "@127.0.0.1 SIP/2.0\nCall-ID: 1\n\n")),
              nullptr);
    QByteArray routes;
    for (int i = 0; i < 60; ++i) {
        routes += "Route: <sip:" + QByteArray(60, 'r') + "@127.0.0.1;lr>\n";
    }
    EXPECT_NE(SipDatagramFault(Options(routes)), nullptr);
    EXPECT_NE(SipDatagramFault(Options("X-Long: " + QByteArray(3000, 'x') + "\n")), nullptr);
}

// On a real socket: refused datagrams at the head of the queue are dropped, the first one that
// passes stays for the stack to read, and those after it wait for the next turn.
TEST(SipDatagramScreenTest, DropsRefusedDatagramsUpToTheFirstGoodOne) {
    const LoopbackSocket socket;
    ASSERT_GT(socket.port, 0);
    const int fd = socket.fd;
    const int port = socket.port;
    auto send = [&socket](const QByteArray& datagram) { socket.Send(datagram); };
    const QByteArray bad = Options("Content-Length: 999999\n");
    send(bad);
    send(bad);
    send(kChallenge);
    send(bad);

    SipDatagramScreen screen([port] { return port; });
    EXPECT_EQ(screen.Screen(), 2);
    QByteArray buffer(65536, '\0');
    ssize_t n = ::recv(fd, buffer.data(), static_cast<size_t>(buffer.size()), MSG_DONTWAIT);
    EXPECT_EQ(QByteArray(buffer.constData(), n), kChallenge);
    EXPECT_EQ(screen.Screen(), 1);
    n = ::recv(fd, buffer.data(), static_cast<size_t>(buffer.size()), MSG_DONTWAIT);
    EXPECT_LT(n, 0);  // nothing left

    // A socket on another port is not touched.
    SipDatagramScreen other([port] { return port + 1; });
    send(bad);
    EXPECT_EQ(other.Screen(), 0);
    EXPECT_EQ(screen.Screen(), 1);
}

// The phone watches the socket the screen found: once the stack closes it, it must not be
// reported any longer, even when its number is taken again by a socket on another port.
TEST(SipDatagramScreenTest, ReportsItsSocketOnlyWhileItIsTheSipPort) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const int port = ntohs(address.sin_port);

    SipDatagramScreen screen([port] { return port; });
    EXPECT_EQ(screen.Socket(), -1);  // not looked for yet
    EXPECT_EQ(screen.Screen(), 0);
    EXPECT_EQ(screen.Socket(), fd);

    ::close(fd);
    EXPECT_EQ(screen.Socket(), -1);
    const int reused = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(reused, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(reused, reinterpret_cast<sockaddr*>(&any), sizeof(any)), 0);
    length = sizeof(any);
    ASSERT_EQ(::getsockname(reused, reinterpret_cast<sockaddr*>(&any), &length), 0);
    if (reused == fd && ntohs(any.sin_port) != port) {
        EXPECT_EQ(screen.Socket(), -1);
    }
    ::close(reused);
}

}  // namespace

// An INVITE that opens a call (no To tag) from another caller than the one who opened the call
// of that Call-ID is refused; the caller's own retries and everything else pass.
TEST(SipDatagramScreenTest, AnInviteReusingAnotherCallersCallIdIsRefused) {
    const auto withFrom = [](const QByteArray& from) {
        QByteArray invite = kInvite;
        return invite.replace("From: \"Far End\" <sip:sipp@127.0.0.1:27001>", from);
    };
    zuvo::SipInviteCallers callers;
    EXPECT_EQ(callers.Check(kInvite, 0), nullptr);
    EXPECT_EQ(callers.Check(kInvite, 10), nullptr);  // sent again
    EXPECT_EQ(callers.Check(withFrom("From: \"Other Name\" <sip:sipp@127.0.0.1:27001>"), 20),
              nullptr);
    EXPECT_NE(callers.Check(withFrom("From: \"Far End\" <sip:other@127.0.0.1:27001>"), 30),
              nullptr);
    // The stack tells users apart by case, and a display name may hold any sign.
    EXPECT_NE(callers.Check(withFrom("From: <sip:SIPP@127.0.0.1:27001>"), 31), nullptr);
    EXPECT_NE(callers.Check(withFrom("From: \"<sip:sipp@127.0.0.1:27001>\" <sip:x@127.0.0.1>"), 32),
              nullptr);
    QByteArray quotedTag = withFrom("From: <sip:other@127.0.0.1:27001>");
    quotedTag.replace("To: <sip:12345@zuvo.test>", "To: \"a>;tag=1\" <sip:12345@zuvo.test>");
    EXPECT_NE(callers.Check(quotedTag, 33), nullptr);
    // A folded From is read whole; a second From, To or Call-ID is refused outright.
    EXPECT_NE(callers.Check(withFrom("From: \"Far End\"\r\n <sip:other@127.0.0.1:27001>"), 34),
              nullptr);
    EXPECT_EQ(callers.Check(withFrom("From: \"Far End\"\r\n <sip:sipp@127.0.0.1:27001>"), 35),
              nullptr);
    zuvo::SipInviteCallers folded;
    EXPECT_EQ(folded.Check(withFrom("From: \"X\"\r\n <sip:a@127.0.0.1>"), 0), nullptr);
    EXPECT_NE(folded.Check(withFrom("From: \"X\"\r\n <sip:b@127.0.0.1>"), 1), nullptr);
    EXPECT_NE(callers.Check(withFrom("From: <sip:sipp@127.0.0.1:27001>\r\n"
                                     "From: <sip:other@127.0.0.1:27001>"),
                            36),
              nullptr);
    EXPECT_NE(callers.Check(withFrom("f: sip:third@127.0.0.1:27001"), 40), nullptr);
    // Once answered, the call's requests carry a To tag and are the stack's to judge.
    QByteArray inDialog = withFrom("From: <sip:other@127.0.0.1:27001>");
    inDialog.replace("To: <sip:12345@zuvo.test>", "To: <sip:12345@zuvo.test>;tag=abc");
    EXPECT_EQ(callers.Check(inDialog, 50), nullptr);
    // A tag inside the address is not the header's.
    QByteArray uriTag = withFrom("From: <sip:other@127.0.0.1:27001>");
    uriTag.replace("To: <sip:12345@zuvo.test>", "To: <sip:12345@zuvo.test;tag=abc>");
    EXPECT_NE(callers.Check(uriTag, 60), nullptr);
    // Other calls, other requests, and the same Call-ID long after the call are not affected.
    QByteArray otherCall = withFrom("From: <sip:other@127.0.0.1:27001>");
    otherCall.replace("Call-ID: 1-4711@127.0.0.1", "i: 2-4711@127.0.0.1");
    EXPECT_EQ(callers.Check(otherCall, 70), nullptr);
    EXPECT_EQ(callers.Check(Options("Call-ID: 1-4711@127.0.0.1\n"), 80), nullptr);
    EXPECT_EQ(callers.Check(kChallenge, 90), nullptr);
    EXPECT_EQ(callers.Check(withFrom("From: <sip:other@127.0.0.1:27001>"), 10 * 60 * 1000),
              nullptr);

    // However many calls come in, what is remembered stays bounded.
    for (int i = 0; i < 5000; ++i) {
        QByteArray invite = kInvite;
        callers.Check(invite.replace("1-4711@", QByteArray::number(i) + "-flood@"), 100 + i);
    }
    EXPECT_LE(callers.size(), 1024);
}

// On a real socket: the screen lets the first INVITE through to the stack and drops the one that
// reuses its Call-ID from another caller.
TEST(SipDatagramScreenTest, DropsAnInviteReusingAnotherCallersCallId) {
    const LoopbackSocket socket;
    ASSERT_GT(socket.port, 0);
    const int fd = socket.fd;
    const int port = socket.port;
    auto send = [&socket](const QByteArray& datagram) { socket.Send(datagram); };
    QByteArray reuse = kInvite;
    reuse.replace("<sip:sipp@", "<sip:other@");
    send(kInvite);
    send(reuse);
    send(kInvite);

    SipDatagramScreen screen([port] { return port; });
    QByteArray buffer(65536, '\0');
    EXPECT_EQ(screen.Screen(), 0);  // the first stays until the stack reads it
    EXPECT_EQ(screen.Screen(), 0);
    ssize_t n = ::recv(fd, buffer.data(), static_cast<size_t>(buffer.size()), MSG_DONTWAIT);
    EXPECT_EQ(QByteArray(buffer.constData(), n), kInvite);
    EXPECT_EQ(screen.Screen(), 1);
    n = ::recv(fd, buffer.data(), static_cast<size_t>(buffer.size()), MSG_DONTWAIT);
    EXPECT_EQ(QByteArray(buffer.constData(), n), kInvite);  // the caller's own retry
}

// The stack's own reads: what arrives after a look at an empty queue is screened at the read.
TEST(SipDatagramScreenTest, TheStacksReadsOnlyEverGetDatagramsThatPassed) {
    const LoopbackSocket socket;
    ASSERT_GT(socket.port, 0);
    const int port = socket.port;
    SipDatagramScreen screen([port] { return port; });
    EXPECT_EQ(screen.Screen(), 0);  // nothing waiting yet; the socket is found
    ASSERT_EQ(screen.Socket(), socket.fd);

    const QByteArray bad = Options("Content-Length: 999999\n");
    QByteArray buffer(65536, '\0');
    auto read = [&](int flags) {
        sockaddr_storage from{};
        socklen_t length = sizeof(from);
        errno = 0;
        const ssize_t n = screen.Read(socket.fd, buffer.data(), static_cast<size_t>(buffer.size()),
                                      flags, reinterpret_cast<sockaddr*>(&from), &length);
        return n < 0 ? QByteArray() : QByteArray(buffer.constData(), n);
    };
    // Only refused datagrams: they are gone, and the stack, told there was data, gets a
    // keep-alive instead (a failed read would make it open a new socket), for its peek and for
    // its read; after that, and with nothing waiting, the read fails at once without blocking.
    socket.Send(bad);
    socket.Send(bad);
    EXPECT_EQ(read(MSG_PEEK), "\r\n\r\n");
    EXPECT_EQ(read(0), "\r\n\r\n");
    EXPECT_TRUE(read(0).isEmpty());
    EXPECT_EQ(errno, EAGAIN);

    // A peek (the stack looks for the source first) and the read after it get the same datagram.
    socket.Send(bad);
    socket.Send(kChallenge);
    socket.Send(bad);
    EXPECT_EQ(read(MSG_PEEK), kChallenge);
    EXPECT_EQ(read(0), kChallenge);
    EXPECT_EQ(read(0), "\r\n\r\n");  // the refused one behind it
    EXPECT_TRUE(read(0).isEmpty());

    // Another thread's read of the socket, or a read of another socket, is made as asked.
    socket.Send(bad);
    QByteArray elsewhere;
    std::thread([&] {
        const ssize_t n = screen.Read(socket.fd, buffer.data(), static_cast<size_t>(buffer.size()),
                                      MSG_DONTWAIT, nullptr, nullptr);
        elsewhere = n < 0 ? QByteArray() : QByteArray(buffer.constData(), n);
    }).join();
    EXPECT_EQ(elsewhere, bad);
    const LoopbackSocket second;
    second.Send(bad);
    const ssize_t n = screen.Read(second.fd, buffer.data(), static_cast<size_t>(buffer.size()),
                                  MSG_DONTWAIT, nullptr, nullptr);
    EXPECT_EQ(QByteArray(buffer.constData(), std::max<ssize_t>(n, 0)), bad);
}
