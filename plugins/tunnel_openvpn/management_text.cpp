#include "plugins/tunnel_openvpn/management_text.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <vector>

#include "platform/plugin_abi.h"

namespace zuvo::plugins {

namespace {

constexpr std::size_t kMaxReady = 64 * ManagementLines::kMaxLine;
constexpr std::size_t kMaxArgument = 512;
constexpr std::size_t kMaxStateName = 32;
constexpr std::size_t kMaxVersionWord = 32;
constexpr int kDown = 3;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::vector<std::string_view> Fields(std::string_view text, char separator) {
    std::vector<std::string_view> fields;
    while (true) {
        const std::size_t at = text.find(separator);
        fields.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return fields;
        }
        text.remove_prefix(at + 1);
    }
}

bool IsIpv4(std::string_view text) {
    std::array<char, INET_ADDRSTRLEN> copy{};
    if (text.empty() || text.size() >= copy.size()) {
        return false;
    }
    std::copy(text.begin(), text.end(), copy.begin());
    in_addr address{};
    return inet_pton(AF_INET, copy.data(), &address) == 1;
}

bool IsIpv6(std::string_view text) {
    std::array<char, INET6_ADDRSTRLEN> copy{};
    if (text.empty() || text.size() >= copy.size()) {
        return false;
    }
    std::copy(text.begin(), text.end(), copy.begin());
    in6_addr address{};
    return inet_pton(AF_INET6, copy.data(), &address) == 1;
}

bool IsStateName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxStateName &&
           std::all_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || c == '_'; });
}

bool IsVersionWord(std::string_view word) {
    return !word.empty() && word.size() <= kMaxVersionWord &&
           std::all_of(word.begin(), word.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                      c == '.' || c == '_' || c == '-';
           });
}

}  // namespace

void ManagementLines::Feed(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n') {
            if (!m_dropping && m_ready.size() + m_pending.size() < kMaxReady) {
                if (!m_pending.empty() && m_pending.back() == '\r') {
                    m_pending.pop_back();
                }
                m_ready += m_pending;
                m_ready += '\n';
            }
            m_pending.clear();
            m_dropping = false;
        } else if (!m_dropping) {
            if (m_pending.size() >= kMaxLine) {
                m_pending.clear();
                m_dropping = true;
            } else {
                m_pending += c;
            }
        }
    }
}

std::optional<std::string> ManagementLines::Next() {
    const std::size_t end = m_ready.find('\n');
    if (end == std::string::npos) {
        return std::nullopt;
    }
    std::string line = m_ready.substr(0, end);
    m_ready.erase(0, end + 1);
    return line;
}

ManagementEvent ParseManagementLine(std::string_view line) {
    ManagementEvent event;
    using Kind = ManagementEvent::Kind;
    if (StartsWith(line, ">HOLD:")) {
        event.kind = Kind::Hold;
    } else if (StartsWith(line, ">PASSWORD:Need 'Auth' username/password")) {
        event.kind = Kind::NeedPassword;
    } else if (StartsWith(line, ">PASSWORD:Verification Failed")) {
        event.kind = Kind::AuthFailed;
    } else if (StartsWith(line, ">FATAL:")) {
        event.kind = Kind::Fatal;
    } else if (StartsWith(line, ">STATE:")) {
        // time, state, description, local tunnel address, remote address, ...
        const auto fields = Fields(line.substr(7), ',');
        if (fields.size() >= 2 && IsStateName(fields[1])) {
            event.kind = Kind::State;
            event.state = fields[1];
            if (fields.size() >= 4 && IsIpv4(fields[3])) {
                event.address = fields[3];
            }
        }
    } else if (StartsWith(line, "OpenVPN Version: ")) {
        const auto words = Fields(line.substr(17), ' ');
        if (words.size() >= 2 && words[0] == "OpenVPN" && IsVersionWord(words[1])) {
            event.kind = Kind::Version;
            event.version = "OpenVPN ";
            event.version += words[1];
        }
    }
    return event;
}

int StatusOfState(std::string_view state) {
    if (state == "CONNECTED") {
        return ZUVO_TUNNEL_UP;
    }
    static constexpr std::array<std::string_view, 10> kConnecting = {
        "CONNECTING", "WAIT",    "AUTH",        "GET_CONFIG",   "ASSIGN_IP",
        "ADD_ROUTES", "RESOLVE", "TCP_CONNECT", "RECONNECTING", "AUTH_PENDING"};
    return std::find(kConnecting.begin(), kConnecting.end(), state) != kConnecting.end()
               ? ZUVO_TUNNEL_CONNECTING
               : kDown;
}

std::optional<std::string> QuoteArgument(std::string_view text) {
    if (text.size() > kMaxArgument) {
        return std::nullopt;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            return std::nullopt;
        }
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

bool IsValidTunnelHost(std::string_view host) {
    if (IsIpv4(host) || IsIpv6(host)) {
        return true;
    }
    if (host.empty() || host.size() > 253) {
        return false;
    }
    for (const std::string_view label : Fields(host, '.')) {
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-' ||
            !std::all_of(label.begin(), label.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       c == '-';
            })) {
            return false;
        }
    }
    return true;
}

}  // namespace zuvo::plugins
