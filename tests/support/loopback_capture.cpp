#include "tests/support/loopback_capture.h"

#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <netinet/ip.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zuvo::test {

LoopbackCapture::LoopbackCapture(int sourcePort) : m_port(sourcePort) {
    // Cooked packets: the IP header first, whatever the link layer.
    m_socket = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_IP));
    if (m_socket < 0) {
        m_error = QString::fromLocal8Bit(strerror(errno));
        return;
    }
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(ETH_P_IP);
    address.sll_ifindex = static_cast<int>(if_nametoindex("lo"));
    if (address.sll_ifindex == 0 ||
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        m_error = QString::fromLocal8Bit(strerror(errno));
        ::close(m_socket);
        m_socket = -1;
        return;
    }
    m_running = true;
    m_thread = std::thread([this] { Run(); });
}

LoopbackCapture::~LoopbackCapture() {
    Stop();
}

void LoopbackCapture::Stop() {
    m_running = false;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
    }
}

QList<QByteArray> LoopbackCapture::Payloads() const {
    std::lock_guard lock(m_mutex);
    return m_payloads;
}

void LoopbackCapture::Run() {
    unsigned char buffer[65536];
    while (m_running) {
        pollfd wait{m_socket, POLLIN, 0};
        if (::poll(&wait, 1, 100) <= 0) {
            continue;
        }
        sockaddr_ll from{};
        socklen_t length = sizeof(from);
        const ssize_t got = ::recvfrom(m_socket, buffer, sizeof(buffer), 0,
                                       reinterpret_cast<sockaddr*>(&from), &length);
        // Each loopback datagram passes twice (out and in): keep the arriving copy.
        if (got < 28 || from.sll_pkttype != PACKET_HOST) {
            continue;
        }
        const size_t header = static_cast<size_t>(buffer[0] & 0x0f) * 4;
        if ((buffer[0] >> 4) != 4 || buffer[9] != IPPROTO_UDP ||
            static_cast<size_t>(got) < header + 8) {
            continue;
        }
        const unsigned char* udp = buffer + header;
        const int source = (udp[0] << 8) | udp[1];
        if (source != m_port) {
            continue;
        }
        std::lock_guard lock(m_mutex);
        m_payloads.append(QByteArray(reinterpret_cast<const char*>(udp + 8),
                                     static_cast<qsizetype>(got - header - 8)));
    }
}

}  // namespace zuvo::test
