#include "plugins/tunnel_openvpn/openvpn_tunnel.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/plugin_abi.h"

extern char** environ;

namespace zuvo::plugins {

namespace {

using namespace std::chrono_literals;

constexpr const char* kOpenVpn = "/usr/sbin/openvpn";
constexpr const char* kDefaultCa = "/etc/zuvo/tunnel-ca.crt";
constexpr const char* kPort = "1194";
constexpr const char* kUserName = "zuvo";
constexpr off_t kMaxCaBytes = 256 * 1024;
constexpr int kDown = 3;
constexpr auto kAttachWait = 5s;   // OpenVPN connecting to our socket
constexpr auto kAddressWait = 8s;  // the connect call waiting for the tunnel's address
constexpr auto kUpWithin = 60s;    // after that a tunnel still connecting has failed
constexpr auto kExitWait = 3s;     // SIGTERM, then SIGKILL
constexpr std::size_t kMaxVersionOutput = 4096;

void Log(const char* what) {
    std::fprintf(stderr, "zuvo tunnel: %s\n", what);
}

int Copy(char* buffer, uint32_t size, const std::string& text) {
    if (buffer == nullptr || size == 0) {
        return -1;
    }
    const std::size_t length = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = 0;
    return 0;
}

// The certificate authority the tunnel service's certificate must come from: the deployment's
// ZUVO_TUNNEL_CA when it names an absolute path to a regular file of sensible size, else the
// system-wide default.
std::string CaFile() {
    const char* configured = std::getenv("ZUVO_TUNNEL_CA");
    std::string path = configured != nullptr && configured[0] != 0 ? configured : kDefaultCa;
    struct stat info {};
    if (path.front() != '/' || path.size() > 1024 || stat(path.c_str(), &info) != 0 ||
        !S_ISREG(info.st_mode) || info.st_size <= 0 || info.st_size > kMaxCaBytes) {
        Log("no usable certificate authority (ZUVO_TUNNEL_CA or /etc/zuvo/tunnel-ca.crt)");
        return {};
    }
    return path;
}

pid_t Spawn(const std::vector<std::string>& arguments, int output) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (output >= 0) {
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // None of the phone's sockets and files go along.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // The phone's signal mask and handlers are not the client's.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, kOpenVpn, &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        Log("cannot run /usr/sbin/openvpn (is the openvpn package installed?)");
        return -1;
    }
    return pid;
}

// Waits up to timeout for the child to end; true once it is reaped.
bool Reap(pid_t pid, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (true) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
}

void EndProcess(pid_t pid) {
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    if (!Reap(pid, kExitWait)) {
        Log("the OpenVPN client did not end at SIGTERM; killed");
        kill(pid, SIGKILL);
        Reap(pid, kExitWait);
    }
}

// "OpenVPN x.y.z" from the program's first output line.
std::string ProgramVersion() {
    int pipe[2] = {-1, -1};
    if (pipe2(pipe, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t pid = Spawn({kOpenVpn, "--version"}, pipe[1]);
    close(pipe[1]);
    std::string output;
    std::array<char, 512> chunk{};
    pollfd readable{pipe[0], POLLIN, 0};
    while (pid > 0 && output.size() < kMaxVersionOutput && output.find('\n') == std::string::npos &&
           poll(&readable, 1, 2000) > 0) {
        const ssize_t got = read(pipe[0], chunk.data(), chunk.size());
        if (got <= 0) {
            break;
        }
        output.append(chunk.data(), static_cast<std::size_t>(got));
    }
    close(pipe[0]);
    if (pid > 0 && !Reap(pid, 2s)) {
        kill(pid, SIGKILL);
        Reap(pid, 2s);
    }
    const auto event =
        ParseManagementLine("OpenVPN Version: " + output.substr(0, output.find('\n')));
    return event.version;
}

}  // namespace

OpenVpnTunnel::OpenVpnTunnel() = default;

OpenVpnTunnel::~OpenVpnTunnel() {
    TakeDown();
}

bool OpenVpnTunnel::Launch(const std::string& host) {
    const std::string ca = CaFile();
    if (ca.empty()) {
        return false;
    }
    std::array<char, 64> folder{};
    std::snprintf(folder.data(), folder.size(), "/tmp/zuvo-tunnel-XXXXXX");
    if (mkdtemp(folder.data()) == nullptr) {
        Log("cannot make the management folder");
        return false;
    }
    const std::string path = std::string(folder.data()) + "/management";
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    bool ok = listener >= 0 &&
              bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              listen(listener, 1) == 0;
    pid_t pid = -1;
    int connection = -1;
    if (ok) {
        pid = Spawn({kOpenVpn,
                     "--client",
                     "--nobind",
                     "--dev",
                     kDevice,
                     "--dev-type",
                     "tun",
                     "--proto",
                     "udp",
                     "--remote",
                     host,
                     kPort,
                     "--ca",
                     ca,
                     "--remote-cert-tls",
                     "server",
                     "--auth-user-pass",
                     "--auth-nocache",
                     "--auth-retry",
                     "none",
                     "--route-nopull",
                     "--pull-filter",
                     "ignore",
                     "redirect-gateway",
                     "--pull-filter",
                     "ignore",
                     "dhcp-option",
                     "--script-security",
                     "1",
                     "--disable-dco",
                     "--resolv-retry",
                     "10",
                     "--verb",
                     "1",
                     "--management",
                     path,
                     "unix",
                     "--management-client",
                     "--management-hold",
                     "--management-query-passwords"},
                    -1);
        pollfd incoming{listener, POLLIN, 0};
        ok = pid > 0 && poll(&incoming, 1, std::chrono::milliseconds(kAttachWait).count()) == 1 &&
             (connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;
    }
    if (listener >= 0) {
        close(listener);
    }
    unlink(path.c_str());
    rmdir(folder.data());
    if (!ok) {
        Log("the OpenVPN client did not attach to its management socket");
        if (connection >= 0) {
            close(connection);
        }
        EndProcess(pid);
        return false;
    }
    m_pid = pid;
    m_socket = connection;
    return true;
}

int OpenVpnTunnel::Connect(const char* key, const char* host, char* address, uint32_t size) {
    TakeDown();
    if (key == nullptr || host == nullptr || key[0] == 0 || !QuoteArgument(key) ||
        !IsValidTunnelHost(host) || host[0] == '-') {
        Log("refused the tunnel service's host or the key");
        return -1;
    }
    if (pipe2(m_wake, O_CLOEXEC) != 0) {
        return -1;
    }
    if (!Launch(host)) {
        TakeDown();
        return -1;
    }
    std::unique_lock lock(m_mutex);
    m_key = key;
    m_deadline = std::chrono::steady_clock::now() + kUpWithin;
    m_reader = std::thread([this] { Read(); });
    // The address comes with the tunnel; a slow service still connects after this returns.
    m_changed.wait_for(lock, kAddressWait, [this] { return m_failed || !m_address.empty(); });
    if (m_failed) {
        return -1;
    }
    return Copy(address, size, m_address);
}

int OpenVpnTunnel::Start() {
    std::lock_guard lock(m_mutex);
    return m_pid > 0 && !m_failed ? 0 : -1;
}

int OpenVpnTunnel::Stop() {
    TakeDown();
    return 0;
}

int OpenVpnTunnel::Status(int32_t* status) {
    if (status == nullptr) {
        return -1;
    }
    std::lock_guard lock(m_mutex);
    if (m_pid <= 0 || m_failed) {
        *status = kDown;
    } else {
        *status = m_state.empty() ? ZUVO_TUNNEL_CONNECTING : StatusOfState(m_state);
    }
    return 0;
}

int OpenVpnTunnel::AddRoute(const char* name, const char* value) {
    if (name == nullptr || value == nullptr) {
        return -1;
    }
    std::lock_guard lock(m_mutex);
    if (m_pid <= 0 || m_state != "CONNECTED") {
        return -1;
    }
    return m_routes.Add(name, value) ? 0 : -1;
}

int OpenVpnTunnel::ClearRoutes() {
    std::lock_guard lock(m_mutex);
    return m_routes.Clear() ? 0 : -1;
}

int OpenVpnTunnel::Version(char* buffer, uint32_t size) {
    std::unique_lock lock(m_mutex);
    if (m_version.empty()) {
        m_version = ProgramVersion();
    }
    return m_version.empty() ? -1 : Copy(buffer, size, m_version);
}

int OpenVpnTunnel::Info(char* buffer, uint32_t size) {
    return Copy(buffer, size, kDevice);
}

void OpenVpnTunnel::Read() {
    ManagementLines lines;
    std::array<char, 4096> chunk{};
    while (true) {
        std::array<pollfd, 2> watched{{{m_socket, POLLIN, 0}, {m_wake[0], POLLIN, 0}}};
        const int ready = poll(watched.data(), watched.size(), 250);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (watched[1].revents != 0) {
            return;
        }
        if (watched[0].revents != 0) {
            const ssize_t got = read(m_socket, chunk.data(), chunk.size());
            if (got <= 0) {
                break;
            }
            lines.Feed(chunk.data(), static_cast<std::size_t>(got));
            while (auto line = lines.Next()) {
                Handle(ParseManagementLine(*line));
            }
        }
        std::lock_guard lock(m_mutex);
        if (m_state != "CONNECTED" && !m_failed && std::chrono::steady_clock::now() > m_deadline) {
            Log("the tunnel did not come up in time");
            m_failed = true;
            m_changed.notify_all();
        }
    }
    std::lock_guard lock(m_mutex);
    if (!m_failed) {
        Log("the OpenVPN client ended");
    }
    m_failed = true;
    m_changed.notify_all();
}

void OpenVpnTunnel::Handle(const ManagementEvent& event) {
    using Kind = ManagementEvent::Kind;
    std::lock_guard lock(m_mutex);
    switch (event.kind) {
        case Kind::Hold:
            Send("state on\n");
            Send("version\n");
            Send("hold release\n");
            break;
        case Kind::NeedPassword:
            // Checked when the key was taken; quoting cannot fail here.
            Send(std::string("username \"Auth\" ") + kUserName + "\n");
            Send("password \"Auth\" " + QuoteArgument(m_key).value_or("\"\"") + "\n");
            break;
        case Kind::AuthFailed:
            Log("the tunnel service refused the key");
            m_failed = true;
            break;
        case Kind::Fatal:
            Log("the OpenVPN client failed");
            m_failed = true;
            break;
        case Kind::State:
            m_state = event.state;
            if (!event.address.empty()) {
                m_address = event.address;
            }
            if (StatusOfState(m_state) == kDown) {
                m_failed = true;
            }
            break;
        case Kind::Version:
            m_version = event.version;
            break;
        case Kind::None:
            break;
    }
    m_changed.notify_all();
}

void OpenVpnTunnel::Send(const std::string& command) {
    std::size_t sent = 0;
    while (sent < command.size()) {
        const ssize_t wrote = send(m_socket, command.data() + sent, command.size() - sent,
                                   MSG_NOSIGNAL | MSG_DONTWAIT);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            Log("the management socket refused a command");
            return;
        }
        sent += static_cast<std::size_t>(wrote);
    }
}

void OpenVpnTunnel::TakeDown() {
    {
        std::lock_guard lock(m_mutex);
        m_routes.Clear();
    }
    if (m_reader.joinable()) {
        const char byte = 1;
        if (write(m_wake[1], &byte, 1) != 1) {
            Log("cannot wake the management reader");
        }
        m_reader.join();
    }
    EndProcess(m_pid);
    for (int* fd : {&m_socket, &m_wake[0], &m_wake[1]}) {
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
    }
    std::lock_guard lock(m_mutex);
    m_pid = -1;
    std::fill(m_key.begin(), m_key.end(), '\0');
    m_key.clear();
    m_state.clear();
    m_address.clear();
    m_failed = false;
}

}  // namespace zuvo::plugins
