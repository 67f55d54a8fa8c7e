#include "plugins/tunnel_openvpn/tunnel_routes.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>

extern char** environ;

namespace zuvo::plugins {

namespace {

constexpr std::size_t kMaxRoutes = 256;

std::optional<uint32_t> Ipv4(std::string_view text) {
    std::array<char, INET_ADDRSTRLEN> copy{};
    if (text.empty() || text.size() >= copy.size()) {
        return std::nullopt;
    }
    std::copy(text.begin(), text.end(), copy.begin());
    in_addr address{};
    if (inet_pton(AF_INET, copy.data(), &address) != 1) {
        return std::nullopt;
    }
    return ntohl(address.s_addr);
}

const std::string& IpProgram() {
    static const std::string program =
        access("/usr/sbin/ip", X_OK) == 0 ? "/usr/sbin/ip" : "/sbin/ip";
    return program;
}

}  // namespace

std::optional<std::string> RouteDestination(std::string_view network, std::string_view netmask) {
    const auto net = Ipv4(network);
    const auto mask = Ipv4(netmask);
    if (!net || !mask) {
        return std::nullopt;
    }
    const uint32_t inverted = ~*mask;
    if ((inverted & (inverted + 1)) != 0 || (*net & inverted) != 0) {
        return std::nullopt;
    }
    const int prefix = __builtin_popcount(*mask);
    std::array<char, INET_ADDRSTRLEN> text{};
    const in_addr address{htonl(*net)};
    inet_ntop(AF_INET, &address, text.data(), text.size());
    return std::string(text.data()) + "/" + std::to_string(prefix);
}

bool RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        std::fprintf(stderr, "zuvo tunnel: cannot run %s\n", program.c_str());
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool TunnelRoutes::Add(std::string_view network, std::string_view netmask) {
    const auto destination = RouteDestination(network, netmask);
    if (!destination || m_added.size() >= kMaxRoutes) {
        std::fprintf(stderr, "zuvo tunnel: route refused\n");
        return false;
    }
    if (std::find(m_added.begin(), m_added.end(), *destination) != m_added.end()) {
        return true;
    }
    if (!RunProgram(IpProgram(), {"-4", "route", "add", *destination, "dev", m_device})) {
        std::fprintf(stderr, "zuvo tunnel: route %s not added\n", destination->c_str());
        return false;
    }
    m_added.push_back(*destination);
    return true;
}

bool TunnelRoutes::Clear() {
    bool all = true;
    for (const auto& destination : m_added) {
        all = RunProgram(IpProgram(), {"-4", "route", "del", destination, "dev", m_device}) && all;
    }
    m_added.clear();
    return all;
}

}  // namespace zuvo::plugins
