#pragma once

// The tunnel component on Linux: an OpenVPN client started for each connection and driven
// through its management interface. OpenVPN connects to a socket in a private folder of ours
// (so no other user can talk to it) and quits when that connection closes, so the client never
// outlives the phone. Credentials travel only over that socket.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "plugins/tunnel_openvpn/management_text.h"
#include "plugins/tunnel_openvpn/tunnel_routes.h"

namespace zuvo::plugins {

class OpenVpnTunnel {
public:
    static constexpr const char* kDevice = "zuvotun";

    OpenVpnTunnel();
    ~OpenVpnTunnel();
    OpenVpnTunnel(const OpenVpnTunnel&) = delete;
    OpenVpnTunnel& operator=(const OpenVpnTunnel&) = delete;

    int Connect(const char* key, const char* host, char* address, uint32_t size);
    int Start();
    int Stop();
    int Status(int32_t* status);
    int AddRoute(const char* name, const char* value);
    int ClearRoutes();
    int Version(char* buffer, uint32_t size);
    int Info(char* buffer, uint32_t size);

private:
    bool Launch(const std::string& host);
    void Read();
    void Handle(const ManagementEvent& event);
    void Send(const std::string& command);
    void TakeDown();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    pid_t m_pid = -1;
    int m_socket = -1;
    int m_wake[2] = {-1, -1};
    std::thread m_reader;
    std::string m_key;
    std::string m_state;
    std::string m_address;
    std::string m_version;
    bool m_failed = false;
    std::chrono::steady_clock::time_point m_deadline;
    TunnelRoutes m_routes{kDevice};
};

}  // namespace zuvo::plugins
