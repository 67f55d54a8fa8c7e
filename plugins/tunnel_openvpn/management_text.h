#pragma once

// Reading what OpenVPN's management interface says. Its text is treated as hostile: lines are
// bounded, fields are checked before they are used.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zuvo::plugins {

// Splits a byte stream into lines of at most kMaxLine bytes; a longer line is dropped whole.
class ManagementLines {
public:
    static constexpr std::size_t kMaxLine = 1024;
    // Adds bytes read from the socket.
    void Feed(const char* data, std::size_t size);
    // The next complete line, without its line end.
    std::optional<std::string> Next();

private:
    std::string m_pending;
    std::string m_ready;  // complete lines, each ended by '\n'
    bool m_dropping = false;
};

// What one line tells about the connection.
struct ManagementEvent {
    enum class Kind {
        None,
        Hold,          // waiting for "hold release"
        NeedPassword,  // asks for the user name and password of "Auth"
        AuthFailed,
        Fatal,
        State,    // a state change: name, and the tunnel's local address when it has one
        Version,  // the program's version text
    };
    Kind kind = Kind::None;
    std::string state;
    std::string address;
    std::string version;
};

ManagementEvent ParseManagementLine(std::string_view line);

// The connection state's meaning for the phone: 1 connecting, 2 up, anything else down.
int StatusOfState(std::string_view state);

// A management command argument in double quotes; none when it holds a character that could end
// the command (a line end or a control character) or is too long.
std::optional<std::string> QuoteArgument(std::string_view text);

// True for a host name or an IPv4 / IPv6 address that may be given to OpenVPN.
bool IsValidTunnelHost(std::string_view host);

}  // namespace zuvo::plugins
