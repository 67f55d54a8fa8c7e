#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

#include "platform/plugin_abi.h"

namespace zuvo {

class PluginLibrary;
class Registry;

// The USB handset driver's object, made from the component its program id names in the machine
// hive. The driver reports key events on its own thread; they reach keyPressed on the thread
// that owns this object, in their order. Destroying it stops the driver before the library goes.
class HandsetDevice : public QObject {
    Q_OBJECT
public:
    struct Information {
        QString name;
        unsigned capability = 0;
    };

    // The registry key whose default value is the driver's program id.
    static const QString kDriverKey;

    // Null (the phone runs without a handset) when no driver is registered or it fails to load,
    // to create its object or to take the callback.
    static std::unique_ptr<HandsetDevice> Start(const Registry& machine);
    ~HandsetDevice() override;

    // The name (terminated inside its 60 bytes) and the capability byte; none when the driver
    // has no information.
    std::optional<Information> ReadInformation();
    int SetProperty(int id, int value);
    // While set, the callback answers 1 and no more events are passed on.
    void SetClosing(bool closing) { m_closing = closing; }

Q_SIGNALS:
    void keyEvent(int code, bool pressed, int options);

private:
    HandsetDevice(std::unique_ptr<PluginLibrary> library, void* object);
    static int Callback(void* context, int kind, int code, int pressed, int options, int reserved);

    std::unique_ptr<PluginLibrary> m_library;
    const ZuvoHandsetTable* m_table = nullptr;
    void* m_object = nullptr;
    std::atomic<bool> m_closing{false};
};

}  // namespace zuvo
