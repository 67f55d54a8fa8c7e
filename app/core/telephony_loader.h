#pragma once

#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace zuvo {

class SoundDevices;
class TelephonyModule;

// Loads the telephony module (liblinphone and its media stack) from the phone's own plug-in
// folder on a thread of its own, so that mapping and relocating its libraries runs beside the
// window's start instead of before main. The window waits for it where it first needs it.
class TelephonyLoader {
public:
    // The process's one loader; its thread is joined at exit.
    static TelephonyLoader& Process();

    TelephonyLoader();
    ~TelephonyLoader();
    TelephonyLoader(const TelephonyLoader&) = delete;
    TelephonyLoader& operator=(const TelephonyLoader&) = delete;

    // Starts loading path on the thread, once (later calls do nothing).
    void Start(const QString& path);
    // Starts loading the phone's own module (InstallLayout's plug-in folder); needs the
    // application object.
    void Start();
    // The module once loaded (loading it here when nobody started it); null when it could not
    // be, with Error() telling why. Main thread.
    const TelephonyModule* Wait();
    QString Error() const;
    // Calls callback once loading has ended, on the loader's thread (at once, on the caller's,
    // when it already has). One callback at a time: a later one replaces it, and an empty one
    // cancels it; once this returns, a replaced callback is no longer running or called.
    void WhenFinished(std::function<void()> callback);
    // The sound devices the thread read right after loading, once (then null): the list is
    // ready when the window asks for it. Call after Wait.
    std::unique_ptr<SoundDevices> TakeSoundDevices();

    // <plug-in folder>/zuvo-engine.so
    static QString ModulePath();

private:
    void Load(const QString& path);

    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_started = false;
    bool m_finished = false;
    const TelephonyModule* m_module = nullptr;
    std::unique_ptr<SoundDevices> m_devices;
    QString m_error;
    std::function<void()> m_whenFinished;
    std::thread m_thread;
};

}  // namespace zuvo
