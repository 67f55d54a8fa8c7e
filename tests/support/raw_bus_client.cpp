#include "tests/support/raw_bus_client.h"

#include <QFile>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace zuvo::test {

RawBusClient::RawBusClient(const QString& path, bool blocking) {
    const int fd =
        ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | (blocking ? 0 : SOCK_NONBLOCK), 0);
    if (fd < 0) {
        return;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (name.size() >= static_cast<qsizetype>(sizeof(address.sun_path))) {
        ::close(fd);
        return;
    }
    std::copy(name.begin(), name.end(), address.sun_path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);  // the queue of the listening socket is full, or nothing listens
        return;
    }
    m_fd = fd;
}

RawBusClient::~RawBusClient() {
    Close();
}

RawBusClient::RawBusClient(RawBusClient&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

RawBusClient& RawBusClient::operator=(RawBusClient&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

qsizetype RawBusClient::WriteSome(const QByteArray& bytes) {
    if (m_fd < 0) {
        return 0;
    }
    const ssize_t n = ::send(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()),
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    return n < 0 ? 0 : n;
}

bool RawBusClient::WriteAll(const QByteArray& bytes) {
    qsizetype done = 0;
    while (m_fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.constData() + done,
                                 static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return m_fd >= 0;
}

void RawBusClient::Close() {
    if (m_fd >= 0) {
        ::close(std::exchange(m_fd, -1));
    }
}

}  // namespace zuvo::test
