#include "telephony/sip_datagram_screen.h"

#include <QByteArrayList>

#include <arpa/inet.h>
#include <dirent.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "telephony/telephony_log.h"

namespace zuvo {

namespace {

// Far above what a registrar or a far end sends over UDP (an INVITE with its offer is 1-3 kB).
constexpr qsizetype kMaxDatagram = 16384;
constexpr qsizetype kMaxLine = 1024;
// URIs: the longest run of characters between delimiters, and all URI-bearing lines together.
// A host name or a user of 128 characters passes; the parser spends a few milliseconds on such a
// line, and a tenth of a second on a datagram full of them.
constexpr qsizetype kMaxUriRun = 128;
constexpr qsizetype kMaxUriBytes = 3072;
constexpr qsizetype kMaxContentLengthDigits = 9;
// Refused datagrams dropped before one turn of the stack's loop; more wait for the next turn.
constexpr int kMaxDropsPerTurn = 256;
constexpr qint64 kSearchIntervalMs = 1000;

// The screen that guards the program's SIP reads, its socket and its thread (set once, before
// the program's recvfrom leads here).
std::atomic<SipDatagramScreen*> g_guardingScreen{nullptr};
std::atomic<int> g_guardedFd{-1};
std::thread::id g_guardingThread;

// recvfrom itself, past the program's own (which may lead back to the screen).
ssize_t RawRecvfrom(int fd, void* buffer, size_t length, int flags, sockaddr* from,
                    socklen_t* fromLength) {
    return static_cast<ssize_t>(
        ::syscall(SYS_recvfrom, fd, buffer, length, flags, from, fromLength));
}

// Header names (full and compact, lower case) whose values the SIP stack parses as addresses.
constexpr std::array<std::string_view, 22> kUriHeaders = {
    "to",
    "t",
    "from",
    "f",
    "contact",
    "m",
    "route",
    "record-route",
    "via",
    "v",
    "refer-to",
    "r",
    "referred-by",
    "b",
    "reply-to",
    "p-asserted-identity",
    "p-preferred-identity",
    "diversion",
    "service-route",
    "path",
    "history-info",
    "p-called-party-id",
};

std::string_view View(QByteArrayView bytes) {
    return {bytes.data(), static_cast<size_t>(bytes.size())};
}

bool OnlyLineEnds(std::string_view text) {
    return text.find_first_not_of("\r\n") == std::string_view::npos;
}

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string Lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// RFC 3261 token characters, which header names are made of.
bool IsTokenChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
           std::string_view("-.!%*_+`'~").find(c) != std::string_view::npos;
}

bool IsUriHeader(std::string_view lowerName) {
    return std::find(kUriHeaders.begin(), kUriHeaders.end(), lowerName) != kUriHeaders.end();
}

// The longest run of characters that are not address delimiters.
qsizetype LongestRun(std::string_view text) {
    qsizetype longest = 0;
    qsizetype run = 0;
    for (const char c : text) {
        if (std::string_view(" \t;,<>\"@:=?/").find(c) != std::string_view::npos) {
            run = 0;
        } else {
            longest = std::max(longest, ++run);
        }
    }
    return longest;
}

}  // namespace

const char* SipDatagramFault(QByteArrayView datagram) {
    const std::string_view text = View(datagram);
    if (text.empty()) {
        return "empty";  // the stack takes a read of nothing for the peer closing the channel
    }
    if (datagram.size() > kMaxDatagram) {
        return "too large";
    }
    if (OnlyLineEnds(text)) {
        return nullptr;  // a keep-alive
    }
    const size_t end = text.find("\r\n\r\n");
    if (end == std::string_view::npos) {
        return "headers do not end";
    }
    const std::string_view head = text.substr(0, end);
    for (const char c : head) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7f) {
            return "control character in the headers";
        }
    }

    // Lines, with folded continuations joined to the header they continue.
    QList<std::string_view> lines;
    for (size_t start = 0; start <= head.size();) {
        size_t stop = head.find("\r\n", start);
        if (stop == std::string_view::npos) {
            stop = head.size();
        }
        lines.append(head.substr(start, stop - start));
        start = stop + 2;
    }
    const bool request = !text.starts_with("SIP/2.0 ");
    bool viaSeen = false;
    qsizetype uriBytes = 0;
    std::optional<unsigned long> contentLength;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (static_cast<qsizetype>(line.size()) > kMaxLine) {
            return "header line too long";
        }
        if (line.find_first_of("\r\n") != std::string_view::npos) {
            return "bare carriage return or line feed";
        }
        if (i == 0) {
            // The request line carries the request URI.
            uriBytes += static_cast<qsizetype>(line.size());
            if (LongestRun(line) > kMaxUriRun) {
                return "URI too long";
            }
            continue;
        }
        // A header and its folded continuations. The stack crashes on a message with a body
        // when one of its lines starts with anything but a name or a space (a tab fold, too).
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            return "header line without a colon";
        }
        const std::string_view rawName = line.substr(0, colon);
        const std::string_view nameToken = rawName.substr(0, rawName.find_first_of(" \t"));
        if (nameToken.empty() || !std::all_of(nameToken.begin(), nameToken.end(), IsTokenChar) ||
            !Trimmed(rawName.substr(nameToken.size())).empty()) {
            return "header line without a name";
        }
        const std::string name = Lower(nameToken);
        std::string value(line.substr(colon + 1));
        while (i + 1 < lines.size() && !lines[i + 1].empty() &&
               (lines[i + 1][0] == ' ' || lines[i + 1][0] == '\t')) {
            ++i;
            if (lines[i][0] == '\t') {
                return "header folded with a tab";
            }
            if (static_cast<qsizetype>(lines[i].size()) > kMaxLine) {
                return "header line too long";
            }
            value += ' ';
            value += lines[i];
        }
        if (static_cast<qsizetype>(value.size()) > kMaxLine * 2) {
            return "header too long";
        }
        if ((name == "via" || name == "v") && request && !viaSeen) {
            // Our registrar and far ends mark every transaction (RFC 3261); the stack's matching
            // of unmarked ones crashes on the next message from the same source.
            viaSeen = true;
            const size_t comma = value.find(',');
            if (std::string_view(value).substr(0, comma).find(";branch=z9hG4bK") ==
                std::string_view::npos) {
                return "request without a transaction mark";
            }
        }
        if (IsUriHeader(name)) {
            uriBytes += static_cast<qsizetype>(value.size());
            if (LongestRun(value) > kMaxUriRun) {
                return "URI too long";
            }
        } else if (name == "content-length" || name == "l") {
            const std::string_view digits = Trimmed(value);
            if (digits.empty() || static_cast<qsizetype>(digits.size()) > kMaxContentLengthDigits ||
                digits.find_first_not_of("0123456789") != std::string_view::npos) {
                return "unreadable Content-Length";
            }
            const unsigned long length = std::strtoul(std::string(digits).c_str(), nullptr, 10);
            if (contentLength && *contentLength != length) {
                return "conflicting Content-Length";
            }
            contentLength = length;
        }
        if (uriBytes > kMaxUriBytes) {
            return "too many URIs";
        }
    }
    // Exactly the body announced; line ends after it are harmless.
    const std::string_view body = text.substr(end + 4);
    const unsigned long announced = contentLength.value_or(0);
    if (announced > body.size()) {
        return "body shorter than its Content-Length";
    }
    if (!OnlyLineEnds(body.substr(announced))) {
        return "bytes after the body";
    }
    return nullptr;
}

SipDatagramScreen::SipDatagramScreen(std::function<int()> currentPort)
    : m_currentPort(std::move(currentPort)), m_buffer(kMaxDatagram + 1, '\0') {
    m_clock.start();
}

void SipDatagramScreen::Reset() {
    SetSocket(-1);
    m_port = 0;
    m_lastSearch.invalidate();
}

bool SipDatagramScreen::SocketStillOurs() const {
    if (m_fd < 0 || m_port <= 0) {
        return false;
    }
    int type = 0;
    socklen_t typeLength = sizeof(type);
    sockaddr_storage local{};
    socklen_t length = sizeof(local);
    if (::getsockopt(m_fd, SOL_SOCKET, SO_TYPE, &type, &typeLength) != 0 || type != SOCK_DGRAM ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return false;
    }
    int port = 0;
    if (local.ss_family == AF_INET) {
        port = ntohs(reinterpret_cast<const sockaddr_in*>(&local)->sin_port);
    } else if (local.ss_family == AF_INET6) {
        port = ntohs(reinterpret_cast<const sockaddr_in6*>(&local)->sin6_port);
    }
    return port == m_port;
}

void SipDatagramScreen::FindSocket() {
    m_lastSearch.start();
    SetSocket(-1);
    m_port = m_currentPort ? m_currentPort() : 0;
    if (m_port <= 0) {
        return;
    }
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        qCDebug(lcTelephony) << "cannot list this process's descriptors";
        return;
    }
    const int own = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == own) {
            continue;
        }
        m_fd = static_cast<int>(fd);
        if (SocketStillOurs()) {
            break;
        }
        m_fd = -1;
    }
    ::closedir(dir);
    SetSocket(m_fd);
    if (m_fd < 0) {
        qCDebug(lcTelephony) << "no UDP socket on SIP port" << m_port;
    }
}

int SipDatagramScreen::Screen() {
    int dropped = 0;
    ScreenHead(&dropped);
    return dropped;
}

SipDatagramScreen::Head SipDatagramScreen::ScreenHead(int* dropped) {
    if (!SocketStillOurs()) {
        if (m_lastSearch.isValid() && !m_lastSearch.hasExpired(kSearchIntervalMs)) {
            return Head::Empty;
        }
        FindSocket();
        if (m_fd < 0) {
            return Head::Empty;
        }
    }
    while (*dropped < kMaxDropsPerTurn) {
        sockaddr_storage from{};
        socklen_t fromLength = sizeof(from);
        const ssize_t size = RawRecvfrom(
            m_fd, m_buffer.data(), static_cast<size_t>(m_buffer.size()),
            MSG_PEEK | MSG_DONTWAIT | MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (size < 0) {
            return Head::Empty;  // nothing waiting, or an error the stack sees for itself
        }
        const QByteArrayView datagram(m_buffer.constData(),
                                      std::min<qsizetype>(size, m_buffer.size()));
        const char* fault = size > m_buffer.size() ? "too large" : SipDatagramFault(datagram);
        if (fault == nullptr) {
            // The same datagram is seen again on every turn until the stack reads it: a caller
            // is remembered once and then matches itself.
            fault = m_callers.Check(datagram, m_clock.elapsed());
        }
        if (fault == nullptr) {
            return Head::Passed;
        }
        char byte = 0;
        if (RawRecvfrom(m_fd, &byte, 1, MSG_DONTWAIT, nullptr, nullptr) < 0) {
            return Head::Empty;
        }
        ++*dropped;
        m_lastDroppedFrom = from;
        m_lastDroppedFromLength = fromLength;
        char address[INET6_ADDRSTRLEN] = {};
        int port = 0;
        if (from.ss_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(&from);
            inet_ntop(AF_INET, &in->sin_addr, address, sizeof(address));
            port = ntohs(in->sin_port);
        } else if (from.ss_family == AF_INET6) {
            const auto* in = reinterpret_cast<const sockaddr_in6*>(&from);
            inet_ntop(AF_INET6, &in->sin6_addr, address, sizeof(address));
            port = ntohs(in->sin6_port);
        }
        qCDebug(lcTelephony) << "dropped a SIP datagram of" << size << "bytes from" << address
                             << port << ":" << fault;
    }
    return Head::Held;
}

ssize_t SipDatagramScreen::Read(int fd, void* buffer, size_t length, int flags, sockaddr* from,
                                socklen_t* fromLength) {
    if (fd < 0 || std::this_thread::get_id() != m_owner || fd != m_fd) {
        return RawRecvfrom(fd, buffer, length, flags, from, fromLength);
    }
    // The stack peeks first for the source, then reads from that source's channel.
    const bool peek = (flags & MSG_PEEK) != 0;
    if (m_keepAlivePending) {
        if (!peek) {
            m_keepAlivePending = false;
        }
        return HandOverKeepAlive(buffer, length, from, fromLength);
    }
    int dropped = 0;
    if (ScreenHead(&dropped) == Head::Passed && m_fd == fd) {
        // Only this thread reads the socket: the head is still the datagram that passed.
        return RawRecvfrom(fd, buffer, length, flags | MSG_DONTWAIT, from, fromLength);
    }
    if (dropped == 0) {
        errno = EAGAIN;  // nothing was waiting
        return -1;
    }
    // The stack was told the socket had data, and it takes a failed read for a broken socket
    // (it opens a new one under its own channels): it gets an empty keep-alive from the source of
    // the last datagram dropped instead, for the peek and for the read that follows it.
    m_keepAlivePending = peek;
    return HandOverKeepAlive(buffer, length, from, fromLength);
}

ssize_t SipDatagramScreen::HandOverKeepAlive(void* buffer, size_t length, sockaddr* from,
                                             socklen_t* fromLength) const {
    static constexpr char kKeepAlive[] = "\r\n\r\n";
    const size_t size = std::min(length, sizeof(kKeepAlive) - 1);
    std::memcpy(buffer, kKeepAlive, size);
    if (from != nullptr && fromLength != nullptr) {
        const socklen_t copied = std::min(*fromLength, m_lastDroppedFromLength);
        std::memcpy(from, &m_lastDroppedFrom, copied);
        *fromLength = m_lastDroppedFromLength;
    }
    return static_cast<ssize_t>(size);
}

void SipDatagramScreen::SetSocket(int fd) {
    m_fd = fd;
    if (g_guardingScreen.load(std::memory_order_relaxed) == this) {
        g_guardedFd.store(fd, std::memory_order_relaxed);
    }
}

namespace {

// Every read of the program's comes here: the media threads' too, which pass at once. Only the
// guarding screen's own thread ever reaches the screen, and that thread alone destroys it.
ssize_t ReadThroughGuardingScreen(int fd, void* buffer, size_t length, int flags, sockaddr* from,
                                  socklen_t* fromLength) {
    if (fd < 0 || fd != g_guardedFd.load(std::memory_order_relaxed) ||
        std::this_thread::get_id() != g_guardingThread) {
        return RawRecvfrom(fd, buffer, length, flags, from, fromLength);
    }
    SipDatagramScreen* screen = g_guardingScreen.load(std::memory_order_relaxed);
    if (screen == nullptr) {
        return RawRecvfrom(fd, buffer, length, flags, from, fromLength);
    }
    return screen->Read(fd, buffer, length, flags, from, fromLength);
}

}  // namespace

void SipDatagramScreen::GuardReads() {
    // The program exports this when its recvfrom can be guarded; elsewhere Screen() before each
    // turn is all there is.
    using Install = void (*)(ssize_t(*)(int, void*, size_t, int, sockaddr*, socklen_t*));
    void* symbol = ::dlsym(RTLD_DEFAULT, "zuvo_screen_recvfrom");
    if (symbol == nullptr) {
        qCDebug(lcTelephony) << "the program does not let SIP reads be guarded";
        return;
    }
    SipDatagramScreen* none = nullptr;
    if (g_guardingThread != std::thread::id() && g_guardingThread != m_owner) {
        return;  // guarded from another thread once: that thread keeps it
    }
    if (!g_guardingScreen.compare_exchange_strong(none, this)) {
        return;  // another screen guards them
    }
    if (g_guardingThread != m_owner) {
        g_guardingThread = m_owner;
    }
    g_guardedFd.store(m_fd, std::memory_order_relaxed);
    Install install = nullptr;
    static_assert(sizeof(install) == sizeof(symbol));
    std::memcpy(&install, &symbol, sizeof(install));
    install(&ReadThroughGuardingScreen);
}

SipDatagramScreen::~SipDatagramScreen() {
    SipDatagramScreen* self = this;
    if (g_guardingScreen.compare_exchange_strong(self, nullptr)) {
        g_guardedFd.store(-1, std::memory_order_relaxed);
    }
}

}  // namespace zuvo
