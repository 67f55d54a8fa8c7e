#include "telephony/sip_invite_callers.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zuvo {

namespace {

// Longer than any INVITE transaction lives (a proxy's Timer C is over three minutes).
constexpr qint64 kRememberMs = 5 * 60 * 1000;
constexpr qsizetype kMaxCallers = 1024;

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// Where c first appears outside the quoted strings of a header value (a display name may hold
// any of '<', '>' and ';'), or npos.
size_t FindUnquoted(std::string_view value, char c, size_t from = 0) {
    bool quoted = false;
    for (size_t i = from; i < value.size(); ++i) {
        if (quoted && value[i] == '\\') {
            ++i;
        } else if (value[i] == '"') {
            quoted = !quoted;
        } else if (!quoted && value[i] == c) {
            return i;
        }
    }
    return std::string_view::npos;
}

// The address of a From or To value: inside the angle brackets, or up to its parameters.
std::string_view Address(std::string_view value) {
    const size_t open = FindUnquoted(value, '<');
    if (open != std::string_view::npos) {
        const size_t close = value.find('>', open);
        return Trimmed(value.substr(
            open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1));
    }
    return Trimmed(value.substr(0, FindUnquoted(value, ';')));
}

// Whether a To value carries a tag among its own parameters (not the address's, nor its display
// name's).
bool HasTag(std::string_view value) {
    const size_t open = FindUnquoted(value, '<');
    size_t params = std::string_view::npos;
    if (open != std::string_view::npos) {
        const size_t close = value.find('>', open);
        params = close == std::string_view::npos ? value.size() : close + 1;
    } else {
        params = std::min(FindUnquoted(value, ';'), value.size());
    }
    std::string rest = Lower(value.substr(params));
    std::erase_if(rest, [](char c) { return c == ' ' || c == '\t'; });
    return rest.find(";tag=") != std::string::npos;
}

struct OpeningInvite {
    std::string callId;
    std::string address;
    // Call-ID, From or To more than once: the stack might read another one than the screen.
    bool repeated = false;
};

// The Call-ID and caller of an INVITE that opens a call (its To has no tag yet).
std::optional<OpeningInvite> ReadOpeningInvite(std::string_view text) {
    if (!text.starts_with("INVITE ")) {
        return std::nullopt;
    }
    const std::string_view head = text.substr(0, text.find("\r\n\r\n"));
    // Header lines, a folded continuation (a line starting with a space) joined to the one before.
    std::vector<std::pair<std::string, std::string>> headers;
    for (size_t start = head.find("\r\n"); start != std::string_view::npos;) {
        start += 2;
        const size_t stop = head.find("\r\n", start);
        const std::string_view line = head.substr(
            start, stop == std::string_view::npos ? std::string_view::npos : stop - start);
        start = stop;
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            if (!headers.empty()) {
                headers.back().second += ' ';
                headers.back().second += Trimmed(line);
            }
            continue;
        }
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            headers.emplace_back(Lower(Trimmed(line.substr(0, colon))),
                                 std::string(Trimmed(line.substr(colon + 1))));
        }
    }
    std::optional<std::string> callId;
    std::optional<std::string> from;
    std::optional<std::string> to;
    bool repeated = false;
    const auto take = [&repeated](std::optional<std::string>& slot, const std::string& value) {
        repeated = repeated || slot.has_value();
        slot = value;
    };
    for (const auto& [name, value] : headers) {
        if (name == "call-id" || name == "i") {
            take(callId, value);
        } else if (name == "from" || name == "f") {
            take(from, value);
        } else if (name == "to" || name == "t") {
            take(to, value);
        }
    }
    if (!callId || !from || !to || callId->empty() || HasTag(*to)) {
        return std::nullopt;
    }
    return OpeningInvite{*callId, std::string(Address(*from)), repeated};
}

}  // namespace

const char* SipInviteCallers::Check(QByteArrayView datagram, qint64 nowMs) {
    const std::optional<OpeningInvite> invite =
        ReadOpeningInvite({datagram.data(), static_cast<size_t>(datagram.size())});
    if (!invite) {
        return nullptr;
    }
    if (invite->repeated) {
        return "INVITE with its Call-ID, From or To twice";
    }
    const QByteArray callId = QByteArray::fromStdString(invite->callId);
    // Exactly: a retry repeats its From, and the SIP stack tells apart users that differ in case.
    const QByteArray address = QByteArray::fromStdString(invite->address);
    const auto known = m_callers.find(callId);
    if (known != m_callers.end() && nowMs - known->seenMs <= kRememberMs) {
        if (known->address != address) {
            return "INVITE reusing the Call-ID of another caller's call";
        }
        known->seenMs = nowMs;
        return nullptr;
    }
    if (known == m_callers.end()) {
        MakeRoom(nowMs);
    }
    m_callers.insert(callId, Caller{address, nowMs});
    return nullptr;
}

void SipInviteCallers::MakeRoom(qint64 nowMs) {
    if (m_callers.size() < kMaxCallers) {
        return;
    }
    m_callers.removeIf(
        [nowMs](const auto& entry) { return nowMs - entry.value().seenMs > kRememberMs; });
    if (m_callers.size() < kMaxCallers) {
        return;
    }
    auto oldest = m_callers.begin();
    for (auto it = m_callers.begin(); it != m_callers.end(); ++it) {
        if (it->seenMs < oldest->seenMs) {
            oldest = it;
        }
    }
    m_callers.erase(oldest);
}

}  // namespace zuvo
