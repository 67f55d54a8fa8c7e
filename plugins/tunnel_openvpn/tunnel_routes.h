#pragma once

// The routes the phone asked for through the tunnel device, added and removed with ip(8) run
// directly (no shell), each argument checked first.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo::plugins {

// "a.b.c.d/n" for a network and a contiguous netmask in dotted form; none when either is not
// an IPv4 address, the mask has holes or the network has bits outside the mask.
std::optional<std::string> RouteDestination(std::string_view network, std::string_view netmask);

// Runs a program by its absolute path with the arguments given, its output discarded, and waits
// for it. True when it exited with 0.
bool RunProgram(const std::string& program, const std::vector<std::string>& arguments);

class TunnelRoutes {
public:
    explicit TunnelRoutes(std::string device) : m_device(std::move(device)) {}
    bool Add(std::string_view network, std::string_view netmask);
    // Removes the routes added here; those already gone with the device are forgotten.
    bool Clear();
    const std::vector<std::string>& added() const { return m_added; }

private:
    std::string m_device;
    std::vector<std::string> m_added;
};

}  // namespace zuvo::plugins
