#include "platform/net.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

QString HostPart(const QString& hostAndPort) {
    if (hostAndPort.startsWith(u'[')) {
        const qsizetype close = hostAndPort.indexOf(u']');
        return close < 0 ? hostAndPort : hostAndPort.mid(1, close - 1);
    }
    const qsizetype colon = hostAndPort.indexOf(u':');
    return colon < 0 ? hostAndPort : hostAndPort.left(colon);
}

QString PortSuffix(const QString& hostAndPort) {
    const qsizetype start = hostAndPort.startsWith(u'[') ? hostAndPort.indexOf(u']') : 0;
    const qsizetype colon = hostAndPort.indexOf(u':', std::max<qsizetype>(start, 0));
    return colon < 0 ? QString() : hostAndPort.mid(colon);
}

QString ResolveIPv4(const QString& host) {
    if (host.isEmpty()) {
        return u"0.0.0.0"_s;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &result) != 0 ||
        result == nullptr) {
        return u"0.0.0.0"_s;
    }
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    inet_ntop(AF_INET, &address->sin_addr, text, sizeof(text));
    freeaddrinfo(result);
    return QString::fromLatin1(text);
}

bool IsNetworkConnected() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return false;
    }
    bool connected = false;
    for (const ifaddrs* i = list; i != nullptr && !connected; i = i->ifa_next) {
        connected = i->ifa_addr != nullptr && i->ifa_addr->sa_family == AF_INET &&
                    (i->ifa_flags & IFF_UP) != 0 && (i->ifa_flags & IFF_LOOPBACK) == 0;
    }
    freeifaddrs(list);
    return connected;
}

bool IsIpv4Address(const QString& text) {
    in_addr address{};
    return inet_pton(AF_INET, text.toLatin1().constData(), &address) == 1;
}

QString LocalAddressToward(const QString& host) {
    if (!IsIpv4Address(host)) {
        return QString();
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return QString();
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    inet_pton(AF_INET, host.toLatin1().constData(), &to.sin_addr);
    QString result;
    sockaddr_in local{};
    socklen_t length = sizeof(local);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof(to)) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0) {
        char text[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &local.sin_addr, text, sizeof(text)) != nullptr) {
            result = QString::fromLatin1(text);
        }
    }
    ::close(fd);
    return result;
}

QStringList LocalIPv4Addresses(const QStringList& towardHosts) {
    QStringList addresses;
    for (const QString& host : towardHosts) {
        const QString toward = LocalAddressToward(host);
        if (!toward.isEmpty()) {
            addresses.append(toward);
        }
    }
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) == 0) {
        QStringList loopback;
        for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
            if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
                (entry->ifa_flags & IFF_UP) == 0) {
                continue;
            }
            char text[INET_ADDRSTRLEN] = {};
            const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text)) == nullptr) {
                continue;
            }
            ((entry->ifa_flags & IFF_LOOPBACK) != 0 ? loopback : addresses)
                .append(QString::fromLatin1(text));
        }
        freeifaddrs(list);
        addresses.append(loopback);
    }
    addresses.removeDuplicates();
    return addresses;
}

}  // namespace zuvo
