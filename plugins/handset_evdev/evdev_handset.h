#pragma once

#include <array>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

#include "platform/plugin_abi.h"

namespace zuvo::plugins {

// A USB handset seen through the kernel's input devices: every device that reports telephony
// keys (or every source named in ZUVO_HANDSET_DEVICES) is followed as it comes and goes, on a
// thread of its own, and its keys reach the phone's callback as handset key events.
class EvdevHandset {
public:
    EvdevHandset();
    ~EvdevHandset();
    EvdevHandset(const EvdevHandset&) = delete;
    EvdevHandset& operator=(const EvdevHandset&) = delete;

    int RegisterCallback(ZuvoHandsetCallback callback, void* context);
    int GetInformation(unsigned char* buffer, uint32_t size);
    int SetProperty(int id, int value);

    // The handset key code for a kernel key code; -1 for keys a handset does not have.
    static int HandsetKeyOf(unsigned keyCode);

private:
    struct Source {
        int fd = -1;
        std::string name;
        std::vector<unsigned char> pending;  // a record read only in part
    };

    void Run();
    void Scan();
    void ReadFrom(const std::string& path, Source& source);
    void Close(const std::string& path);
    std::vector<std::string> Candidates() const;

    std::mutex m_mutex;  // the callback, the properties and the name
    ZuvoHandsetCallback m_callback = nullptr;
    void* m_context = nullptr;
    std::string m_name;
    std::array<int, 8> m_properties{};
    std::map<std::string, Source> m_sources;     // the thread's own after it starts
    std::map<std::string, dev_t> m_notHandsets;  // input devices without telephony keys
    std::vector<std::string> m_explicit;         // from ZUVO_HANDSET_DEVICES
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace zuvo::plugins
