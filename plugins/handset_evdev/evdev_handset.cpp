#include "plugins/handset_evdev/evdev_handset.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/handset_codes.h"

namespace zuvo::plugins {

namespace {

constexpr int kRescanMs = 500;
constexpr std::size_t kMaxSources = 16;
constexpr std::size_t kMaxPath = 4096;
constexpr const char* kDefaultName = "USB Handset";

// Keys that make an input device a phone rather than a keyboard.
constexpr unsigned kTelephonyKeys[] = {KEY_PHONE, KEY_PICKUP_PHONE, KEY_HANGUP_PHONE, KEY_MICMUTE};

bool HasKey(const unsigned char* bits, unsigned key) {
    return (bits[key / 8] & (1u << (key % 8))) != 0;
}

bool IsTelephonyDevice(int fd) {
    unsigned char bits[KEY_MAX / 8 + 1] = {};
    if (ioctl(fd, EVIOCGBIT(EV_KEY, sizeof bits), bits) < 0) {
        return false;
    }
    for (unsigned key : kTelephonyKeys) {
        if (HasKey(bits, key)) {
            return true;
        }
    }
    return false;
}

std::string DeviceName(int fd, const std::string& path) {
    char name[ZUVO_HANDSET_NAME_SIZE] = {};
    if (ioctl(fd, EVIOCGNAME(sizeof name - 1), name) > 0 && name[0] != 0) {
        return std::string(name, strnlen(name, sizeof name - 1));
    }
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void Note(const char* what, const std::string& path) {
    // The phone's log is not ours to write; standard error is what a driver has.
    std::fprintf(stderr, "zuvo handset: %s %s\n", what, path.c_str());
}

}  // namespace

EvdevHandset::EvdevHandset() {
    // "/dev/input/event3:/run/handset.fifo": absolute paths only, a bounded number.
    if (const char* list = std::getenv("ZUVO_HANDSET_DEVICES"); list != nullptr) {
        std::string text(list, strnlen(list, kMaxSources * kMaxPath));
        std::size_t start = 0;
        while (start <= text.size() && m_explicit.size() < kMaxSources) {
            const auto end = std::min(text.find(':', start), text.size());
            std::string path = text.substr(start, end - start);
            if (!path.empty() && path.front() == '/' && path.size() < kMaxPath) {
                m_explicit.push_back(std::move(path));
            }
            start = end + 1;
        }
    }
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wake[0] = m_wake[1] = -1;
    }
}

EvdevHandset::~EvdevHandset() {
    m_stop = true;
    if (m_wake[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = write(m_wake[1], &byte, 1);
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    for (auto& [path, source] : m_sources) {
        close(source.fd);
    }
    for (int fd : m_wake) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

int EvdevHandset::HandsetKeyOf(unsigned key) {
    using K = zuvo::HandsetKey;
    if (key >= KEY_NUMERIC_0 && key <= KEY_NUMERIC_9) {
        return static_cast<int>(key - KEY_NUMERIC_0);
    }
    switch (key) {
        case KEY_0:
        case KEY_KP0:
            return 0;
        case KEY_1:
        case KEY_KP1:
            return 1;
        case KEY_2:
        case KEY_KP2:
            return 2;
        case KEY_3:
        case KEY_KP3:
            return 3;
        case KEY_4:
        case KEY_KP4:
            return 4;
        case KEY_5:
        case KEY_KP5:
            return 5;
        case KEY_6:
        case KEY_KP6:
            return 6;
        case KEY_7:
        case KEY_KP7:
            return 7;
        case KEY_8:
        case KEY_KP8:
            return 8;
        case KEY_9:
        case KEY_KP9:
            return 9;
        case KEY_KPASTERISK:
        case KEY_NUMERIC_STAR:
            return static_cast<int>(K::Star);
        case KEY_NUMERIC_POUND:
            return static_cast<int>(K::Hash);
        case KEY_PHONE:
        case KEY_PICKUP_PHONE:
            return static_cast<int>(K::CallOrHangUp);
        case KEY_HANGUP_PHONE:
            return static_cast<int>(K::HangUp);
        case KEY_MICMUTE:
            return static_cast<int>(K::Mute);
        case KEY_VOLUMEUP:
            return static_cast<int>(K::VolumeUp);
        case KEY_VOLUMEDOWN:
            return static_cast<int>(K::VolumeDown);
        case KEY_BACKSPACE:
            return static_cast<int>(K::DeleteLast);
        case KEY_SOUND:
            return static_cast<int>(K::AudioWizard);
        default:
            return -1;
    }
}

int EvdevHandset::RegisterCallback(ZuvoHandsetCallback callback, void* context) {
    if (callback == nullptr || m_wake[0] < 0) {
        return -1;
    }
    {
        std::lock_guard lock(m_mutex);
        m_callback = callback;
        m_context = context;
    }
    if (!m_thread.joinable()) {
        // Devices present now give the handset its name before the phone asks for it.
        Scan();
        m_thread = std::thread([this] { Run(); });
    }
    return 0;
}

int EvdevHandset::GetInformation(unsigned char* buffer, uint32_t size) {
    if (buffer == nullptr || size < ZUVO_HANDSET_INFO_SIZE) {
        return -1;
    }
    std::memset(buffer, 0, size);
    std::lock_guard lock(m_mutex);
    const std::string& name = m_name.empty() ? std::string(kDefaultName) : m_name;
    std::memcpy(buffer, name.data(),
                std::min<std::size_t>(name.size(), ZUVO_HANDSET_NAME_SIZE - 1));
    buffer[ZUVO_HANDSET_CAPABILITY_OFFSET] = ZUVO_HANDSET_NO_AEC;
    return 0;
}

int EvdevHandset::SetProperty(int id, int value) {
    if (id < 0 || id >= static_cast<int>(m_properties.size())) {
        return -1;
    }
    std::lock_guard lock(m_mutex);
    m_properties[static_cast<std::size_t>(id)] = value;
    return 0;
}

std::vector<std::string> EvdevHandset::Candidates() const {
    if (!m_explicit.empty()) {
        return m_explicit;
    }
    std::vector<std::string> paths;
    DIR* dir = opendir("/dev/input");
    if (dir == nullptr) {
        return paths;
    }
    while (dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, "event", 5) == 0 && paths.size() < 64) {
            paths.push_back(std::string("/dev/input/") + entry->d_name);
        }
    }
    closedir(dir);
    return paths;
}

void EvdevHandset::Scan() {
    for (const std::string& path : Candidates()) {
        if (m_sources.count(path) != 0 || m_sources.size() >= kMaxSources) {
            continue;
        }
        // A keyboard or mouse seen before is not opened again at every rescan; a device that
        // replaces it under the same name is.
        struct stat before {};
        const auto known = m_notHandsets.find(path);
        if (known != m_notHandsets.end() && stat(path.c_str(), &before) == 0 &&
            before.st_rdev == known->second) {
            continue;
        }
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;  // not there yet, or no read access (see the README)
        }
        struct stat info {};
        const bool device = fstat(fd, &info) == 0 && S_ISCHR(info.st_mode);
        const bool fifo = !device && S_ISFIFO(info.st_mode) && !m_explicit.empty();
        if (!(fifo || (device && IsTelephonyDevice(fd)))) {
            if (device && m_notHandsets.size() < 256) {
                m_notHandsets[path] = info.st_rdev;
            }
            close(fd);
            continue;
        }
        Source source;
        source.fd = fd;
        source.name = DeviceName(fd, path);
        {
            std::lock_guard lock(m_mutex);
            if (m_name.empty()) {
                m_name = source.name;
            }
        }
        Note("following", path);
        m_sources.emplace(path, std::move(source));
    }
}

void EvdevHandset::Close(const std::string& path) {
    auto it = m_sources.find(path);
    if (it == m_sources.end()) {
        return;
    }
    close(it->second.fd);
    m_sources.erase(it);
    Note("let go of", path);
}

void EvdevHandset::ReadFrom(const std::string& path, Source& source) {
    unsigned char chunk[sizeof(input_event) * 64];
    const ssize_t got = read(source.fd, chunk, sizeof chunk);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
        // Unplugged (a device gone, the last writer of a FIFO gone): found again at a rescan.
        Close(path);
        return;
    }
    if (got < 0) {
        return;
    }
    source.pending.insert(source.pending.end(), chunk, chunk + got);
    std::size_t used = 0;
    while (source.pending.size() - used >= sizeof(input_event)) {
        input_event event{};
        std::memcpy(&event, source.pending.data() + used, sizeof event);
        used += sizeof event;
        // 1 pressed, 0 released; the kernel's own repeats (2) are not handset presses.
        if (event.type != EV_KEY || (event.value != 0 && event.value != 1)) {
            continue;
        }
        const int code = HandsetKeyOf(event.code);
        if (code < 0) {
            continue;
        }
        ZuvoHandsetCallback callback = nullptr;
        void* context = nullptr;
        {
            std::lock_guard lock(m_mutex);
            callback = m_callback;
            context = m_context;
        }
        if (callback != nullptr) {
            callback(context, ZUVO_HANDSET_EVENT_KEY, code, event.value, 0, 0);
        }
    }
    source.pending.erase(source.pending.begin(),
                         source.pending.begin() + static_cast<std::ptrdiff_t>(used));
}

void EvdevHandset::Run() {
    auto lastScan = std::chrono::steady_clock::now();
    while (!m_stop) {
        std::vector<pollfd> fds;
        std::vector<std::string> paths;
        fds.push_back({m_wake[0], POLLIN, 0});
        for (auto& [path, source] : m_sources) {
            fds.push_back({source.fd, POLLIN, 0});
            paths.push_back(path);
        }
        const int ready = poll(fds.data(), fds.size(), kRescanMs);
        if (m_stop) {
            break;
        }
        if (ready > 0) {
            for (std::size_t i = 1; i < fds.size(); ++i) {
                if (fds[i].revents != 0) {
                    auto it = m_sources.find(paths[i - 1]);
                    if (it != m_sources.end()) {
                        ReadFrom(paths[i - 1], it->second);
                    }
                }
            }
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - lastScan >= std::chrono::milliseconds(kRescanMs)) {
            lastScan = now;
            Scan();
        }
    }
}

}  // namespace zuvo::plugins
