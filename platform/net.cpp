#include "platform/net.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>

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

}  // namespace zuvo
