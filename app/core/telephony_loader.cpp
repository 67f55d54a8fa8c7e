#include "app/core/telephony_loader.h"

#include <QLoggingCategory>

#include <dlfcn.h>
#include <sys/stat.h>
#include <cstring>

#include "app/core/install_layout.h"
#include "telephony/sound_devices.h"
#include "telephony/telephony_module.h"

Q_LOGGING_CATEGORY(lcTelephonyLoader, "zuvo.telephony.loader", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

TelephonyLoader& TelephonyLoader::Process() {
    static TelephonyLoader loader;
    return loader;
}

TelephonyLoader::TelephonyLoader() = default;

// The library stays loaded: engine objects may live until the process ends.
TelephonyLoader::~TelephonyLoader() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

QString TelephonyLoader::ModulePath() {
    return InstallLayout::PluginDir() + u"/zuvo-engine.so"_s;
}

void TelephonyLoader::Start() {
    {
        const std::lock_guard lock(m_mutex);
        if (m_started) {
            return;
        }
    }
    Start(ModulePath());
}

void TelephonyLoader::Start(const QString& path) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_started) {
            return;
        }
        m_started = true;
    }
    try {
        m_thread = std::thread([this, path] { Load(path); });
    } catch (const std::system_error& error) {
        qCDebug(lcTelephonyLoader) << "no thread for the telephony library:" << error.what();
        Load(path);
    }
}

const TelephonyModule* TelephonyLoader::Wait() {
    Start();
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return m_finished; });
    return m_module;
}

QString TelephonyLoader::Error() const {
    const std::lock_guard lock(m_mutex);
    return m_error;
}

void TelephonyLoader::WhenFinished(std::function<void()> callback) {
    // Called under the lock, so that replacing the callback waits for one running.
    const std::lock_guard lock(m_mutex);
    if (m_finished) {
        m_whenFinished = nullptr;
        if (callback) {
            callback();
        }
        return;
    }
    m_whenFinished = std::move(callback);
}

std::unique_ptr<SoundDevices> TelephonyLoader::TakeSoundDevices() {
    const std::lock_guard lock(m_mutex);
    return std::move(m_devices);
}

void TelephonyLoader::Load(const QString& path) {
    const TelephonyModule* module = nullptr;
    QString error;
    const QByteArray native = path.toLocal8Bit();
    struct stat info {};
    if (!path.startsWith(u'/') || stat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = path + u" is not there"_s;
    } else if (void* handle = dlopen(native.constData(), RTLD_LAZY | RTLD_LOCAL);
               handle == nullptr) {
        error = QString::fromLocal8Bit(dlerror());
    } else if (void* symbol = dlsym(handle, ZUVO_TELEPHONY_MODULE_ENTRY); symbol == nullptr) {
        error = path + u" has no entry point"_s;
        dlclose(handle);
    } else {
        ZuvoTelephonyModuleEntry entry = nullptr;
        static_assert(sizeof(entry) == sizeof(symbol));
        std::memcpy(&entry, &symbol, sizeof(entry));
        module = entry(ZUVO_TELEPHONY_MODULE_VERSION);
        if (module == nullptr) {
            error = path + u" is of another version of the phone"_s;
            dlclose(handle);
        }
    }
    std::unique_ptr<SoundDevices> devices;
    if (module != nullptr) {
        qCDebug(lcTelephonyLoader) << "loaded" << path;
        // Asking the sound server takes a while too; the window only takes the answer.
        devices = module->NewSoundDevices();
    } else {
        qCWarning(lcTelephonyLoader).noquote() << "the telephony library did not load:" << error;
    }
    const std::lock_guard lock(m_mutex);
    m_module = module;
    m_devices = std::move(devices);
    m_error = error;
    m_finished = true;
    m_done.notify_all();
    if (m_whenFinished) {
        m_whenFinished();
        m_whenFinished = nullptr;
    }
}

}  // namespace zuvo
